#include "platform/SettingsLocation.h"

#include <windows.h>

namespace qv::platform {

std::string DefaultSettingsFolder() {
    HMODULE host = GetModuleHandleA("Photoshp.exe");
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(host, path, MAX_PATH);
    // A path cut to fit the buffer names some other folder.
    if (length == 0 || length >= MAX_PATH)
        return {};
    return FolderOf(std::string(path, length));
}

} // namespace qv::platform
