// The memory image's pixels as both adapters keep them: blue, green, red per pixel, rows a
// fixed number of bytes apart, top row first (the layout of a top-down 24-bit DIB). Every
// write is clipped to the image here, once for both builds.
#pragma once

#include "platform/MemoryImage.h"

namespace qv {

class PixelBufferImage : public MemoryImage {
  public:
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    void SetPixel(int32_t x, int32_t y, Rgb colour) override;
    Rgb Pixel(int32_t x, int32_t y) const override;
    void Fill(const PixelRect& area, Rgb colour) override;
    void Copy(int32_t fromX, int32_t fromY, int32_t width, int32_t height, int32_t toX, int32_t toY) override;

  protected:
    void Attach(uint8_t* bits, int32_t width, int32_t height, int32_t stride);

  private:
    uint8_t* At(int32_t x, int32_t y) const { return bits_ + size_t(y) * size_t(stride_) + size_t(x) * 3; }
    bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    uint8_t* bits_ = nullptr;
    int32_t width_ = 0, height_ = 0, stride_ = 0;
};

} // namespace qv
