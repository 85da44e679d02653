// Where the installer leaves the product's name, version and build. Windows: the
// registry key below under HKEY_LOCAL_MACHINE. Headless: a key=value file beside the
// executable. Tests and hosts may install their own store.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

constexpr const char* kProductInfoKey = "Software\\Orv\\Vellumix for Photoshop\\ProductInfo";

class ProductInfoStore {
  public:
    virtual ~ProductInfoStore() = default;
    // False when the store cannot be opened.
    virtual bool IsPresent() = 0;
    // Copies the text value into buffer; false when it is missing, not text or longer than size allows.
    virtual bool ReadValue(const char* name, char* buffer, uint32_t size) = 0;
};

ProductInfoStore& GetProductInfoStore();
// nullptr returns to the platform's store. The caller keeps ownership.
void SetProductInfoStore(ProductInfoStore* store);

// A key=value text file, one value a line; the headless store and a test aid on every build.
class KeyValueFileStore : public ProductInfoStore {
  public:
    explicit KeyValueFileStore(std::string path) : path_(std::move(path)) {}
    bool IsPresent() override;
    bool ReadValue(const char* name, char* buffer, uint32_t size) override;

  private:
    std::string path_;
};

namespace platform {
ProductInfoStore& DefaultProductInfoStore();
} // namespace platform

} // namespace qv
