#include "platform/ProductInfoStore.h"

#include <windows.h>

namespace qv::platform {

namespace {

class RegistryStore : public ProductInfoStore {
  public:
    bool IsPresent() override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductInfoKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    bool ReadValue(const char* name, char* buffer, uint32_t size) override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductInfoKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        DWORD type = 0;
        DWORD length = size;
        LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length);
        RegCloseKey(key);
        return status == ERROR_SUCCESS && type == REG_SZ;
    }
};

} // namespace

ProductInfoStore& DefaultProductInfoStore() {
    static RegistryStore store;
    return store;
}

} // namespace qv::platform
