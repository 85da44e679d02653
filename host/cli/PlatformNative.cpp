#include "host/cli/CliPlatform.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/SettingsLocation.h"
#include "preview/PreScan.h"

#if defined(QV_HOST_WITH_SIM)
#include "host/cli/SimScenario.h"
#endif

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

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

namespace {
// The preview's memory image as it is now.
bool SavePreview(qv::DialogControls&, const std::string& file, std::string& error) {
    std::lock_guard lock(PreScanLock());
    if (!PreScan.memoryImage) {
        error = "the dialog shows no preview";
        return false;
    }
    if (qv::WriteMemoryImagePpm(*PreScan.memoryImage, file))
        return true;
    error = "cannot write " + file;
    return false;
}
} // namespace

void PlayUserEvents(ScriptPlayer* player) {
    if (player) {
        // The dialog's loop asks for the next event at once: a wait is slept here.
        player->SetPacer(
            [](int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); });
        player->SetPreviewSaver(SavePreview);
    }
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
