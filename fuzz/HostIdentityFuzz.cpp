// Host identification from a version resource the system cannot look into, so that the
// raw search for the string values reads the bytes alone.
#include "platform/HostVersionResource.h"
#include "plugin/HostUtilities.h"

namespace {

class RawOnlyResource : public qv::VersionResource {
  public:
    RawOnlyResource(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
    const std::vector<uint8_t>& Bytes() const override { return bytes_; }
    bool Query(const std::string&, std::vector<uint8_t>&) const override { return false; }

  private:
    std::vector<uint8_t> bytes_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RawOnlyResource resource(data, size);
    (void)ReadHostInfo(&resource);
    return 0;
}
