#include "platform/HostVersionResource.h"

#include <windows.h>

namespace qv {

namespace {

class Win32VersionResource : public VersionResource {
  public:
    explicit Win32VersionResource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    const std::vector<uint8_t>& Bytes() const override { return bytes_; }
    bool Query(const std::string& path, std::vector<uint8_t>& value) const override {
        void* found = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(bytes_.data(), path.c_str(), &found, &length) || !found)
            return false;
        auto* first = static_cast<const uint8_t*>(found);
        value.assign(first, first + length);
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
};

} // namespace

std::unique_ptr<VersionResource> ReadHostVersionResource() {
    char file[MAX_PATH] = {};
    if (!GetModuleFileNameA(nullptr, file, sizeof file))
        return nullptr;
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &unused);
    if (size == 0)
        return nullptr;
    std::vector<uint8_t> bytes(size);
    if (!GetFileVersionInfoA(file, 0, size, bytes.data()))
        return nullptr;
    return std::make_unique<Win32VersionResource>(std::move(bytes));
}

} // namespace qv
