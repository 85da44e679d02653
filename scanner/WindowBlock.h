// The window parameters of the next scan and the set-window block made from them.
#pragma once

#include <cstdint>
#include <vector>

// Scan modes: 1 to 8 black-and-white variants, then gray and colour.
constexpr int32_t kModeBwThreshold = 1;
constexpr int32_t kModeBwAdaptive = 2;
constexpr int32_t kModeBwBackground = 8;
constexpr int32_t kModeGray = 9;
constexpr int32_t kModeRgb = 10;

// Generation 4 always sends a block of this length.
constexpr int32_t kGen4WindowLength = 71;

struct WindowParameters {
    int32_t enumMode = 0;
    uint32_t dwResolutionX = 0;
    uint32_t dwResolutionY = 0;
    uint32_t dwXOffset = 0;
    uint32_t dwYOffset = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    uint8_t byteThreshold = 0;
    uint32_t dwWord52 = 0;
    uint8_t byteDSPAdaptiveLevel = 0;
    uint8_t byteBackgroundLevel = 0;
    uint8_t byteBlur = 0;
    uint8_t byteSharpenSoften = 0;
    uint32_t dwBufferWord = 0;
    uint8_t byteScanSpeed = 0;
    uint8_t byteColorSpace = 0;
};

// The block of `length` bytes (generation 4 passes 71) for a device of that generation;
// fields that lie beyond the length are left out.
std::vector<uint8_t> BuildWindowBlock(const WindowParameters& window, int32_t generation, int32_t length);
