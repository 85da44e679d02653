#include "platform/HostVersionResource.h"
#include "plugin/HostUtilities.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

struct NamedHost {
    const char* internalName;
    OSType code;
};

constexpr std::array<NamedHost, 11> kHosts{{
    {"CorelDrw", MakeOSType('C', 'd', 'r', 'w')},
    {"PhotoPnt", MakeOSType('M', 'p', 'r', 'n')},
    {"DeBabelizer Pro", MakeOSType('B', 'A', 'B', 'L')},
    {"Adobe After Effects", MakeOSType('F', 'X', 'T', 'C')},
    {"Adobe Illustrator", MakeOSType('A', 'R', 'T', '5')},
    {"PM5", MakeOSType('A', 'L', 'D', '5')},
    {"PM6", MakeOSType('A', 'L', 'D', '6')},
    {"PM65", MakeOSType('A', 'D', '6', '5')},
    {"PhotoDeluxe", MakeOSType('P', 'H', 'U', 'T')},
    {"Photoshp", MakeOSType('8', 'B', 'I', 'M')},
    {"Adobe Premiere", MakeOSType('P', 'r', 'M', 'r')},
}};

const std::vector<std::vector<OSType>>& QueryGroups() {
    static const std::vector<std::vector<OSType>> groups{
        {MakeOSType('C', 'd', 'r', 'w')},
        {MakeOSType('M', 'p', 'r', 'n')},
        {MakeOSType('B', 'A', 'B', 'L')},
        {MakeOSType('F', 'X', 'T', 'C')},
        {MakeOSType('A', 'R', 'T', '3'), MakeOSType('A', 'R', 'T', 'Z'), MakeOSType('A', 'R', 'T', 'Y'),
         MakeOSType('A', 'R', 'T', '5')},
        {MakeOSType('A', 'L', 'D', '5'), MakeOSType('A', 'L', 'D', '6'), MakeOSType('A', 'D', '6', '5')},
        {MakeOSType('P', 'H', 'U', 'T')},
        {MakeOSType('8', 'B', 'I', 'M')},
        {MakeOSType('P', 'r', 'M', 'r')},
    };
    return groups;
}

bool Contains(const std::vector<OSType>& group, OSType code) {
    for (OSType member : group)
        if (member == code)
            return true;
    return false;
}

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;
constexpr uint32_t kFlagDebug = 0x1;
constexpr uint32_t kFlagPrerelease = 0x2;
constexpr uint32_t kOsWindows16 = 0x0001;
constexpr uint32_t kOsNT = 0x00040000;

uint32_t ReadLE32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

std::string TextOf(const std::vector<uint8_t>& value) {
    std::string text(value.begin(), value.end());
    return text.substr(0, text.find('\0'));
}

size_t AlignUp4(size_t offset) {
    return (offset + 3) & ~size_t(3);
}

// The resource's string blocks: key, terminator, padding to a 32-bit boundary, value.
// Executables for 32-bit Windows store them in UTF-16, older ones in 8-bit characters.
bool SearchRawValue(const std::vector<uint8_t>& bytes, const char* key, std::string& value) {
    const size_t keyLength = std::strlen(key);
    for (size_t at = 0; at + 2 * keyLength + 2 <= bytes.size(); ++at) {
        bool wide = true;
        for (size_t i = 0; i <= keyLength && wide; ++i)
            wide = bytes[at + 2 * i] == uint8_t(i < keyLength ? key[i] : 0) && bytes[at + 2 * i + 1] == 0;
        if (!wide)
            continue;
        value.clear();
        for (size_t p = AlignUp4(at + 2 * keyLength + 2); p + 1 < bytes.size(); p += 2) {
            uint16_t unit = uint16_t(bytes[p] | bytes[p + 1] << 8);
            if (unit == 0)
                break;
            value += unit < 0x80 ? char(unit) : '?';
        }
        return true;
    }
    for (size_t at = 0; at + keyLength + 1 <= bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], key, keyLength) != 0 || bytes[at + keyLength] != 0)
            continue;
        value.clear();
        for (size_t p = AlignUp4(at + keyLength + 1); p < bytes.size() && bytes[p] != 0; ++p)
            value += char(bytes[p]);
        return true;
    }
    return false;
}

bool ReadStringValue(const qv::VersionResource& resource, const std::string& base, const char* key,
                     std::string& value) {
    std::vector<uint8_t> raw;
    if (resource.Query(base + key, raw)) {
        value = TextOf(raw);
        return true;
    }
    return SearchRawValue(resource.Bytes(), key, value);
}

} // namespace

OSType HostCodeFromInternalName(const std::string& internalName) {
    for (const NamedHost& host : kHosts)
        if (internalName == host.internalName)
            return host.code;
    return 0;
}

bool ParseVersionInteger(const std::string& text, int32_t& value) {
    size_t at = text.find_first_not_of(' ');
    size_t end = text.find_last_not_of(' ');
    if (at == std::string::npos)
        return false;
    bool negative = text[at] == '-';
    if (negative)
        ++at;
    if (at > end)
        return false;
    int64_t number = 0;
    for (size_t i = at; i <= end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + (text[i] - '0');
        if (number > INT32_MAX)
            return false;
    }
    value = static_cast<int32_t>(negative ? -number : number);
    return true;
}

void SplitFileVersion(const std::string& fileVersion, HostInfo& info) {
    auto readOrZero = [](const std::string& part) {
        int32_t number = 0;
        return ParseVersionInteger(part, number) ? number : 0;
    };
    const size_t last = fileVersion.find_last_of(".,");
    info.minor = 0;
    info.fix = 0;
    if (last == std::string::npos) {
        info.major = static_cast<uint8_t>(readOrZero(fileVersion));
        return;
    }
    info.major = static_cast<uint8_t>(readOrZero(fileVersion.substr(0, last)));
    const std::string after = fileVersion.substr(last + 1);
    const int32_t n = readOrZero(after);
    if (n >= 11) {
        info.minor = static_cast<uint8_t>(n / 10);
        info.fix = static_cast<uint8_t>(n % 10);
    } else if (after.size() == 1) {
        info.minor = static_cast<uint8_t>(n);
    } else {
        info.fix = static_cast<uint8_t>(n);
    }
}

HostInfo ReadHostInfo(const qv::VersionResource* resource) {
    HostInfo info;
    if (!resource || resource->Bytes().empty())
        return info;

    std::vector<uint8_t> fixed;
    if (resource->Query("\\", fixed) && fixed.size() >= kFixedInfoSize &&
        ReadLE32(&fixed[0]) == kFixedSignature) {
        const uint32_t flags = ReadLE32(&fixed[28]) & ReadLE32(&fixed[24]);
        info.stage = (flags & kFlagDebug)        ? kStageDevelopment
                     : (flags & kFlagPrerelease) ? kStageBeta
                                                 : kStageFinal;
        const uint32_t os = ReadLE32(&fixed[32]);
        info.platform = (os & 0xFFFF) == kOsWindows16 ? kPlatformWindows16
                        : (os & 0xFFFF0000) == kOsNT  ? kPlatformWindowsNT
                                                      : kPlatformWindowsOther;
    }

    uint32_t translation = 0x04090000;
    std::vector<uint8_t> raw;
    if (resource->Query("\\VarFileInfo\\Translation", raw) && raw.size() >= 4)
        translation = uint32_t(raw[0] | raw[1] << 8) << 16 | uint32_t(raw[2] | raw[3] << 8);
    char base[32];
    std::snprintf(base, sizeof base, "\\StringFileInfo\\%08x\\", static_cast<unsigned>(translation));

    std::string value;
    if (ReadStringValue(*resource, base, "InternalName", value))
        info.hostCode = HostCodeFromInternalName(value);
    if (ReadStringValue(*resource, base, "FileVersion", value))
        SplitFileVersion(value, info);
    return info;
}

const HostInfo& RunningHostInfo() {
    static const HostInfo info = ReadHostInfo(qv::ReadHostVersionResource().get());
    return info;
}

uint32_t PackHostVersion(const HostInfo& info, OSType code) {
    if (info.platform == 0 || info.hostCode == 0)
        return 0;
    for (const auto& group : QueryGroups()) {
        // A group answers for its first code only.
        if (group.front() != code)
            continue;
        if (!Contains(group, info.hostCode))
            return 0;
        // Minor and fix own four bits each; a larger number must not spill into the major byte.
        return uint32_t(info.major) << 24 | uint32_t(info.minor & 0xF) << 20 |
               uint32_t(info.fix & 0xF) << 16 | info.platform;
    }
    return 0;
}

uint32_t HostVersion(OSType code) {
    return PackHostVersion(RunningHostInfo(), code);
}
