#include "ScratchFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace qv::fuzz {

namespace {

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
}

} // namespace

const std::string& ScratchFolder() {
    // One per process, as -jobs and -fork runs share the temporary folder. Never destroyed:
    // an exit handler registered while a static is made runs after that static's destructor.
    static const std::string& folder = *new std::string([] {
        // A file rewritten for every input costs a disk write each time; memory is far quicker.
        const std::filesystem::path shm = "/dev/shm";
        std::error_code ignored;
        const auto base =
            std::filesystem::is_directory(shm, ignored) ? shm : std::filesystem::temp_directory_path();
        auto path = base / ("qv-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::atexit(RemoveScratch);
        return path.string();
    }());
    return folder;
}

void WriteScratchFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

} // namespace qv::fuzz
