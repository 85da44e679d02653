#include "platform/SettingsLocation.h"

#include <filesystem>
#include <system_error>

namespace qv::platform {

std::string DefaultSettingsFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : FolderOf(exe.string());
}

} // namespace qv::platform
