#include "host/cli/CliPlatform.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/SettingsLocation.h"

#if defined(QV_HOST_WITH_SIM)
#include "host/cli/SimScenario.h"
#endif

#include <signal.h>
#include <unistd.h>

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

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

namespace {
std::atomic<bool>* g_interrupt = nullptr;
void OnInterrupt(int) {
    g_interrupt->store(true);
}
} // namespace

void CatchInterrupt(std::atomic<bool>& flag) {
    g_interrupt = &flag;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The handler is undone as it runs: a module that never asks abortProc can still be stopped.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
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
