#include "platform/ProductInfoStore.h"

#include <atomic>
#include <cstring>
#include <fstream>

namespace qv {

namespace {
std::atomic<ProductInfoStore*> installed{nullptr};
}

ProductInfoStore& GetProductInfoStore() {
    ProductInfoStore* store = installed.load();
    return store ? *store : platform::DefaultProductInfoStore();
}

void SetProductInfoStore(ProductInfoStore* store) {
    installed.store(store);
}

bool KeyValueFileStore::IsPresent() {
    return std::ifstream(path_).good();
}

bool KeyValueFileStore::ReadValue(const char* name, char* buffer, uint32_t size) {
    std::ifstream file(path_);
    std::string line;
    const std::string prefix = std::string(name) + "=";
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string value = line.substr(prefix.size());
        if (value.size() + 1 > size)
            return false;
        std::memcpy(buffer, value.c_str(), value.size() + 1);
        return true;
    }
    return false;
}

} // namespace qv
