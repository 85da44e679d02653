// Pixel access to the preview's image and memory image for code that holds PreScanLock().
// Every index is checked against what the image holds, whatever its recorded size says.
#pragma once

#include "preview/PreScan.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace preview {

constexpr int32_t kCurveEntries = 256;

// Bytes of the image that may be touched.
inline size_t ImageLimit(const PreScanState& s) {
    return std::min(size_t(std::max(s.iImageBufferSize, 0)), s.ptr_byteImage.size());
}

// The three bytes of image pixel (x, y), or nullptr outside the image's rows of the area's width.
inline uint8_t* ImagePixel(PreScanState& s, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= s.iAreaWidth)
        return nullptr;
    const size_t offset = (size_t(y) * size_t(s.iAreaWidth) + size_t(x)) * 3;
    return offset + 3 <= ImageLimit(s) ? s.ptr_byteImage.data() + offset : nullptr;
}

// What the screen shows for image bytes (r, g, b): each through the display curve, or as
// they are while there is no curve.
inline qv::Rgb DisplayColour(const PreScanState& s, const uint8_t* rgb) {
    if (s.ptr_byteGammaCurve.size() < size_t(kCurveEntries))
        return qv::Rgb{rgb[0], rgb[1], rgb[2]};
    const uint8_t* curve = s.ptr_byteGammaCurve.data();
    return qv::Rgb{curve[rgb[0]], curve[rgb[1]], curve[rgb[2]]};
}

inline void ShowPixel(PreScanState& s, int32_t x, int32_t y, const uint8_t* rgb) {
    if (s.memoryImage)
        s.memoryImage->SetPixel(x, y, DisplayColour(s, rgb));
}

// Image row y (the area's width x 3 bytes) into `line`; what the image lacks reads as 0.
inline void CopyImageRow(const PreScanState& s, int32_t y, std::span<uint8_t> line) {
    const size_t rowBytes = size_t(std::max(s.iAreaWidth, 0)) * 3, limit = ImageLimit(s);
    const size_t start = std::min(size_t(std::max(y, 0)) * rowBytes, limit);
    const size_t bytes = std::min({line.size(), rowBytes, limit - start});
    if (bytes > 0)
        std::memcpy(line.data(), s.ptr_byteImage.data() + start, bytes);
    std::fill(line.begin() + bytes, line.end(), uint8_t{0});
}

} // namespace preview
