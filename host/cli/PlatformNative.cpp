#include "host/cli/CliPlatform.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/SettingsLocation.h"

#if defined(QV_HOST_WITH_SIM)
#include "host/cli/SimScenario.h"
#endif

namespace qv::host::cli {

EntryFn BindModule(std::string&) {
    return &ENTRYPOINT;
}

void InstallBoxPrinter(BoxPrinter printer) {
    qv::SetMessageBoxSink([printer](const qv::MessageBoxRecord& box) {
        printer(box.caption, box.text);
        return qv::kMessageBoxOk;
    });
}

// Headless: the module's windows are models, there is no real parent to give.
intptr_t HostWindow() {
    return 0;
}

EntryCaller StdcallCaller(std::function<void(const std::string&)>) {
    return {};
}

bool UseSettingsFolder(const std::string& folder, std::string&) {
    qv::SetSettingsFolder(folder);
    return true;
}

void PlayUserEvents(ScriptPlayer* player) {
    qv::SetUserEventSource(player);
}

#if defined(QV_HOST_WITH_SIM)
bool UseScenario(const std::string& path, std::string& error) {
    return InstallScenario(path, error);
}
void Shutdown() {
    DropScenario();
}
#else
bool UseScenario(const std::string&, std::string& error) {
    error = "this build has no simulated scanner";
    return false;
}
void Shutdown() {}
#endif

} // namespace qv::host::cli
