// What the command-line host needs from its platform: the module's entry, a way to see
// the module's message boxes, the host window, and the scanner the module will find.
#pragma once

#include "host/Host.h"
#include "host/UserScript.h"

#include <atomic>
#include <functional>
#include <string>

namespace qv::host::cli {

using BoxPrinter = std::function<void(const std::string& caption, const std::string& text)>;

// Must come after UseScenario: the scanner library may read its scenario when loaded.
EntryFn BindModule(std::string& error);
// Boxes are printed and answered OK so that nothing waits for a person.
void InstallBoxPrinter(BoxPrinter printer);
intptr_t HostWindow();
// Calls the entry as a host that expects the callee to clear the stack would; empty where
// the platform has a single convention. report gets one line per call.
EntryCaller StdcallCaller(std::function<void(const std::string&)> report);
bool UseScenario(const std::string& path, std::string& error);
// Whether stderr is a terminal, where a progress bar can redraw its line.
bool StderrIsTerminal();
// Ctrl-C sets flag instead of ending the program; a second one ends it.
void CatchInterrupt(std::atomic<bool>& flag);
// Where the module keeps "QVL.ini"; before BindModule.
bool UseSettingsFolder(const std::string& folder, std::string& error);
// The user at the module's dialog (nullptr: none). Natively the dialog's loop pulls the
// events; on Windows they are played on the real dialog whenever its loop waits.
void PlayUserEvents(ScriptPlayer* player);
void Shutdown();

} // namespace qv::host::cli
