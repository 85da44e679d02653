// A played import series as the host hands it to the module: a list 'mulK' of 'mulS'
// entries with rows, columns, mode and the two flags, written from a short text such as
// "3000x2000:1,2999.9x640:gryS:invert".
#pragma once

#include "host/Descriptors.h"

#include <string>
#include <vector>

namespace qv::host {

constexpr DescriptorKeyID keyImportList = MakeOSType('m', 'u', 'l', 'K');
constexpr DescriptorTypeID classImportInfo = MakeOSType('m', 'u', 'l', 'S');
constexpr DescriptorKeyID keyRows = MakeOSType('H', 'r', 'z', 'n');
constexpr DescriptorKeyID keyColumns = MakeOSType('V', 'r', 't', 'c');
constexpr DescriptorKeyID keyMode = MakeOSType('M', 'd', ' ', ' ');
constexpr DescriptorKeyID keyInvert = MakeOSType('I', 'n', 'v', 'r');
constexpr DescriptorKeyID keyAlphaIsTransparency = MakeOSType('a', 'l', 'p', 'T');
constexpr DescriptorTypeID typeColorMode = MakeOSType('g', 'r', 'm', 'T');
constexpr DescriptorUnitID unitPixels = MakeOSType('#', 'P', 'x', 'l');

struct PlayedImport {
    double rows = 0;
    double cols = 0;
    DescriptorEnumID mode = MakeOSType('g', 'r', 'y', 'S');
    bool hasMode = true;
    bool invert = false;
    bool alphaIsTransparency = false;
};

// Entries separated by ","; each ROWSxCOLS, then optional ":" parts: a mode number 0..3, a
// four-character mode code, "nomode" (the entry has no mode key), "invert", "alpha".
bool ParseImportScript(const std::string& text, std::vector<PlayedImport>& imports, std::string& error);
std::vector<DescItem> ImportList(const std::vector<PlayedImport>& imports);

} // namespace qv::host
