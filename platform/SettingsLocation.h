// Where the settings file "QVL.ini" lives: the folder of the host's executable. Windows asks
// for the module "Photoshp.exe", else the process's executable; headless takes the running
// executable. A host or a test may name another folder.
#pragma once

#include <string>

namespace qv {

constexpr const char* kSettingsFileName = "QVL.ini";
// The longest path the settings file may have: MAX_PATH with its terminator.
constexpr size_t kMaxSettingsPath = 259;

// Full path of the settings file; empty when no path of at most kMaxSettingsPath characters
// can be formed.
std::string SettingsFilePath();
// An empty folder returns to the platform's folder.
void SetSettingsFolder(const std::string& folder);

// The folder part of a path (up to and including its last '/' or '\'); empty when it has none.
std::string FolderOf(const std::string& path);

namespace platform {
// The host executable's folder, ending in its separator; empty when unknown.
std::string DefaultSettingsFolder();
} // namespace platform

} // namespace qv
