// Checks of the host's services, handle storage with a process-memory fallback, and the
// identity and version of the running host.
#pragma once

#include "plugin/HostInterface.h"

#include <cstdint>
#include <string>

namespace qv {
class VersionResource;
}

// Each check answers whether the service can be used; newer (optional) tells that it was
// refused because its version is above the one this module knows.
bool BufferProcsAvailable(const AcquireRecord* stuff, bool* newer = nullptr);
bool HandleProcsAvailable(const AcquireRecord* stuff, bool* newer = nullptr);
bool AdvanceStateAvailable(const AcquireRecord* stuff);
bool DescriptorParametersAvailable(const AcquireRecord* stuff, bool* newer = nullptr);

// The two checks the user must hear about: they show string 16992 or 16993 when they fail.
bool WarnBufferProcsAvailable(const AcquireRecord* stuff);
bool WarnAdvanceStateAvailable(const AcquireRecord* stuff);

// Loads string id of the module, puts text1 for "^1" and text2 for "^2" and shows it
// without owner or caption. Returns the box's answer, 0 when show is false.
int ShowStringAlert(void* module, void* owner, bool show, unsigned id, const char* text1, const char* text2);

// Handle storage: the host's handle services when they pass their check, else process memory.
// A failed new answers nullptr and, when error is given, memFullErr.
HostHandle HostNewHandle(const AcquireRecord* stuff, int32_t size, OSErr* error = nullptr);
void HostDisposeHandle(const AcquireRecord* stuff, HostHandle handle);
char* HostLockHandle(const AcquireRecord* stuff, HostHandle handle, bool moveHigh);
void HostUnlockHandle(const AcquireRecord* stuff, HostHandle handle);

// Identity of the running host, read from its executable's version resource.
constexpr uint8_t kPlatformWindows16 = 11;
constexpr uint8_t kPlatformWindowsNT = 10;
constexpr uint8_t kPlatformWindowsOther = 12;

constexpr uint8_t kStageDevelopment = 0x20;
constexpr uint8_t kStageBeta = 0x60;
constexpr uint8_t kStageFinal = 0x80;

struct HostInfo {
    OSType hostCode = 0;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t fix = 0;
    uint8_t stage = 0;
    uint8_t platform = 0; // 0: no fixed version information, platform unknown
};

// 0 when the name is not one of the known hosts.
OSType HostCodeFromInternalName(const std::string& internalName);
// Spaces around, an optional minus and digits; anything else is unreadable.
bool ParseVersionInteger(const std::string& text, int32_t& value);
void SplitFileVersion(const std::string& fileVersion, HostInfo& info);
HostInfo ReadHostInfo(const qv::VersionResource* resource);
// Read once per loaded module.
const HostInfo& RunningHostInfo();

// major << 24 | minor << 20 | fix << 16 | platform when info's host is in the query group
// of code and its platform is known; 0 otherwise.
uint32_t PackHostVersion(const HostInfo& info, OSType code);
uint32_t HostVersion(OSType code);
