#include "platform/ProductInfoStore.h"

#include <filesystem>
#include <system_error>

namespace qv::platform {

ProductInfoStore& DefaultProductInfoStore() {
    static KeyValueFileStore store = [] {
        std::error_code error;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return KeyValueFileStore((exe.parent_path() / "QuorvelProductInfo.txt").string());
    }();
    return store;
}

} // namespace qv::platform
