#include "plugin/Seams.h"

#include "platform/DebugLog.h"

namespace qv {
namespace {
std::atomic<SettingsDialogPort*> installedDialog{nullptr};
}

void SetSettingsDialog(SettingsDialogPort* dialog) {
    installedDialog.store(dialog);
}

} // namespace qv

std::atomic<bool> readerStop{true};

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

void ReadScriptParams(Globals*) {}
void ReadNextImport(Globals*) {}
void EndScriptRead(Globals*) {}
void RecordImportInfo(Globals*) {}
void WriteScriptParams(Globals*) {}

void DoStartGeometry(Globals* globals) {
    globals->gStuff->data = nullptr;
}

void DoContinue(Globals* globals) {
    activeSelector = 3;
    qv::LogText("DoContinue");
    globals->gStuff->data = nullptr;
    globals->gStuff->theRect = HostRect{0, 0, 0, 0};
}
