// The version resource of the running host's executable: its raw bytes and the
// system's lookup of values inside it. What the values mean is decided by the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class VersionResource {
  public:
    virtual ~VersionResource() = default;
    virtual const std::vector<uint8_t>& Bytes() const = 0;
    // path as the system takes it: "\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\...\\Key".
    virtual bool Query(const std::string& path, std::vector<uint8_t>& value) const = 0;
};

// nullptr when the executable has no version resource (always so on a headless build).
std::unique_ptr<VersionResource> ReadHostVersionResource();

} // namespace qv
