#include "scanner/WindowBlock.h"

#include <algorithm>

namespace {

// Large enough for every field whatever length the device asks for.
constexpr size_t kWorkLength = 80;

bool IsBwMode(int32_t mode) {
    return mode >= 1 && mode <= 8;
}

void PutBe16(std::vector<uint8_t>& block, size_t offset, uint32_t value) {
    block[offset] = static_cast<uint8_t>(value >> 8);
    block[offset + 1] = static_cast<uint8_t>(value);
}

void PutBe32(std::vector<uint8_t>& block, size_t offset, uint32_t value) {
    PutBe16(block, offset, value >> 16);
    PutBe16(block, offset + 2, value);
}

void PutImageFormat(std::vector<uint8_t>& block, const WindowParameters& w) {
    if (w.enumMode == kModeBwThreshold)
        block[31] = w.byteThreshold;
    if (IsBwMode(w.enumMode)) {
        block[33] = 0;
        block[34] = 1;
        block[40] = 0x80;
    } else if (w.enumMode == kModeGray) {
        block[33] = 2;
        block[34] = 8;
    } else if (w.enumMode == kModeRgb) {
        block[33] = 5;
        block[34] = 24;
        block[60] = 4;
    }
}

void PutGen4Vendor(std::vector<uint8_t>& block, const WindowParameters& w) {
    switch (w.enumMode) {
    case 1:
        block[66] = 3;
        break;
    case 2:
    case 3:
    case 4:
        // The adaptive variants differ by a step of 10 in the level sent.
        block[51] = 1;
        block[65] = static_cast<uint8_t>(w.byteDSPAdaptiveLevel + 10 * (w.enumMode - 2));
        block[66] = 3;
        break;
    case kModeGray:
    case kModeRgb:
        block[70] = w.byteBlur;
        break;
    default:
        break;
    }
}

void PutGen5Vendor(std::vector<uint8_t>& block, const WindowParameters& w, int32_t length) {
    block[68] = w.byteScanSpeed;
    block[70] = w.byteBlur;
    block[74] = w.byteSharpenSoften;
    if (IsBwMode(w.enumMode))
        block[72] = static_cast<uint8_t>(w.enumMode - 1);
    if (IsBwMode(w.enumMode) && w.enumMode != kModeBwThreshold)
        block[73] = w.byteDSPAdaptiveLevel;
    if (w.enumMode == kModeBwBackground)
        block[75] = w.byteBackgroundLevel;
    if (w.enumMode == kModeRgb && length - 8 >= 68)
        block[76] = w.byteColorSpace;
}

} // namespace

std::vector<uint8_t> BuildWindowBlock(const WindowParameters& w, int32_t generation, int32_t length) {
    const size_t sent = static_cast<size_t>(std::max(length, 0));
    std::vector<uint8_t> block(std::max(sent, kWorkLength), 0);
    const bool gen4 = generation == 4;

    block[7] = static_cast<uint8_t>(gen4 ? 63 : length - 8);
    PutBe16(block, 10, w.dwResolutionX);
    PutBe16(block, 12, w.dwResolutionY);
    PutBe32(block, 14, w.dwXOffset);
    PutBe32(block, 18, w.dwYOffset);
    PutBe32(block, 22, w.dwWidth);
    PutBe32(block, 26, w.dwHeight);
    // Generation 4 sends the later black-and-white variants without any format bytes.
    if (!gen4 || w.enumMode < 5 || w.enumMode > 8)
        PutImageFormat(block, w);
    PutBe32(block, 52, w.dwWord52);
    PutBe32(block, 56, w.dwBufferWord);
    if (gen4)
        PutGen4Vendor(block, w);
    else
        PutGen5Vendor(block, w, length);

    block.resize(sent);
    return block;
}
