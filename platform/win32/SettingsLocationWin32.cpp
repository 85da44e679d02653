#include "platform/SettingsLocation.h"

#include <windows.h>

namespace qv::platform {

std::string DefaultSettingsFolder() {
    // A test host names the folder here: it cannot reach the module's setter.
    char chosen[MAX_PATH];
    const DWORD named = GetEnvironmentVariableA("QV_SETTINGS_DIR", chosen, MAX_PATH);
    if (named > 0 && named < MAX_PATH) {
        std::string folder(chosen, named);
        return folder.back() == '\\' || folder.back() == '/' ? folder : folder + '\\';
    }
    HMODULE host = GetModuleHandleA("Photoshp.exe");
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(host, path, MAX_PATH);
    // A path cut to fit the buffer names some other folder.
    if (length == 0 || length >= MAX_PATH)
        return {};
    return FolderOf(std::string(path, length));
}

} // namespace qv::platform
