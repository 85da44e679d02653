#include "platform/SettingsLocation.h"

#include <mutex>

namespace qv {

namespace {
std::mutex folderLock;
std::string chosenFolder;
} // namespace

void SetSettingsFolder(const std::string& folder) {
    std::lock_guard<std::mutex> hold(folderLock);
    chosenFolder = folder;
}

std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string SettingsFilePath() {
    std::string folder;
    {
        std::lock_guard<std::mutex> hold(folderLock);
        folder = chosenFolder;
    }
    if (folder.empty())
        folder = platform::DefaultSettingsFolder();
    else if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    // Without a folder the file would land wherever the current directory happens to be.
    if (folder.empty())
        return {};
    std::string path = folder + kSettingsFileName;
    return path.size() <= kMaxSettingsPath ? path : std::string();
}

} // namespace qv
