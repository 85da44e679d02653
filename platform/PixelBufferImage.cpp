#include "platform/PixelBufferImage.h"

#include <algorithm>
#include <cstring>

namespace qv {

void PixelBufferImage::Attach(uint8_t* bits, int32_t width, int32_t height, int32_t stride) {
    bits_ = bits;
    width_ = width;
    height_ = height;
    stride_ = stride;
}

void PixelBufferImage::SetPixel(int32_t x, int32_t y, Rgb colour) {
    if (!Inside(x, y))
        return;
    uint8_t* pixel = At(x, y);
    pixel[0] = colour.b;
    pixel[1] = colour.g;
    pixel[2] = colour.r;
}

Rgb PixelBufferImage::Pixel(int32_t x, int32_t y) const {
    if (!Inside(x, y))
        return Rgb{};
    const uint8_t* pixel = At(x, y);
    return Rgb{pixel[2], pixel[1], pixel[0]};
}

void PixelBufferImage::Fill(const PixelRect& area, Rgb colour) {
    const int32_t left = std::max(area.left, 0), right = std::min(area.right, width_);
    const int32_t top = std::max(area.top, 0), bottom = std::min(area.bottom, height_);
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x)
            SetPixel(x, y, colour);
}

void PixelBufferImage::Copy(int32_t fromX, int32_t fromY, int32_t width, int32_t height, int32_t toX,
                            int32_t toY) {
    // 64 bits: the clipping below adds coordinates that may each be near the limits.
    int64_t fx = fromX, fy = fromY, tx = toX, ty = toY, w = width, h = height;
    const auto clipStart = [](int64_t& a, int64_t& b, int64_t& size) {
        const int64_t cut = std::max<int64_t>({0, -a, -b});
        a += cut;
        b += cut;
        size -= cut;
    };
    clipStart(fx, tx, w);
    clipStart(fy, ty, h);
    w = std::min({w, int64_t{width_} - fx, int64_t{width_} - tx});
    h = std::min({h, int64_t{height_} - fy, int64_t{height_} - ty});
    if (w <= 0 || h <= 0)
        return;
    const size_t bytes = size_t(w) * 3;
    // Rows in the order that reads each source row before it is overwritten.
    if (ty <= fy) {
        for (int64_t r = 0; r < h; ++r)
            std::memmove(At(int32_t(tx), int32_t(ty + r)), At(int32_t(fx), int32_t(fy + r)), bytes);
    } else {
        for (int64_t r = h - 1; r >= 0; --r)
            std::memmove(At(int32_t(tx), int32_t(ty + r)), At(int32_t(fx), int32_t(fy + r)), bytes);
    }
}

} // namespace qv
