// The terms of the scripting parameters, as the terminology resource publishes them to the
// host: the list of imports, its entries and their keys, and the colour-mode enumeration.
#pragma once

#include "plugin/HostInterface.h"

constexpr DescriptorKeyID keyImportList = MakeOSType('m', 'u', 'l', 'K');
constexpr DescriptorTypeID classImportInfo = MakeOSType('m', 'u', 'l', 'S');
constexpr DescriptorKeyID keyRows = MakeOSType('H', 'r', 'z', 'n');
constexpr DescriptorKeyID keyColumns = MakeOSType('V', 'r', 't', 'c');
constexpr DescriptorKeyID keyMode = MakeOSType('M', 'd', ' ', ' ');
constexpr DescriptorKeyID keyInvert = MakeOSType('I', 'n', 'v', 'r');
constexpr DescriptorKeyID keyAlphaIsTransparency = MakeOSType('a', 'l', 'p', 'T');
constexpr DescriptorTypeID typeColorMode = MakeOSType('g', 'r', 'm', 'T');
constexpr DescriptorUnitID unitPixels = MakeOSType('#', 'P', 'x', 'l');
constexpr DescriptorEnumID enumBitmap = MakeOSType('b', 'i', 't', 'M');
constexpr DescriptorEnumID enumGrayscale = MakeOSType('g', 'r', 'y', 'S');
constexpr DescriptorEnumID enumIndexedColor = MakeOSType('i', 'n', 'd', 'X');
constexpr DescriptorEnumID enumRGBColor = MakeOSType('r', 'g', 'b', 'C');
