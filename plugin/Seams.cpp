#include "plugin/Seams.h"

namespace qv {
namespace {
std::atomic<SettingsDialogPort*> installedDialog{nullptr};
}

void SetSettingsDialog(SettingsDialogPort* dialog) {
    installedDialog.store(dialog);
}

} // namespace qv

bool CreateSettingsDialog(Globals* globals) {
    qv::SettingsDialogPort* dialog = qv::installedDialog.load();
    return dialog ? dialog->Create(globals) : true;
}

bool RunSettingsDialog(Globals* globals) {
    qv::SettingsDialogPort* dialog = qv::installedDialog.load();
    return dialog ? dialog->Run(globals) : false;
}

void DestroySettingsDialog(Globals* globals) {
    if (qv::SettingsDialogPort* dialog = qv::installedDialog.load())
        dialog->Destroy(globals);
    globals->dialogWindow = nullptr;
}
