// Memory-image port: a 24-bit off-screen image of the dialog's picture area, written pixel by
// pixel and by rectangles, shown on the screen when the dialog paints. Windows keeps a DIB
// section and copies it in WM_PAINT; headless keeps the pixel buffer itself.
#pragma once

#include "platform/DialogControls.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qv {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

class MemoryImage {
  public:
    virtual ~MemoryImage() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    // Writes outside the image are ignored.
    virtual void SetPixel(int32_t x, int32_t y, Rgb colour) = 0;
    virtual Rgb Pixel(int32_t x, int32_t y) const = 0;
    // Fills left..right-1, top..bottom-1 (clipped to the image).
    virtual void Fill(const PixelRect& area, Rgb colour) = 0;
    // Copies the width x height block at (fromX, fromY) to (toX, toY); the blocks may overlap.
    virtual void Copy(int32_t fromX, int32_t fromY, int32_t width, int32_t height, int32_t toX,
                      int32_t toY) = 0;
    // Copies the image 1:1 to the dialog's client area at (left, top); called while painting.
    virtual void Present(DialogControls& dialog, int32_t left, int32_t top) = 0;
};

// Which part of the image could not be had.
enum class MemoryImageFailure { None, Context, Bitmap };

// An image of width x height, black, or nullptr when it cannot be made (`failure` says why).
std::unique_ptr<MemoryImage> CreateMemoryImage(DialogControls& dialog, int32_t width, int32_t height,
                                               MemoryImageFailure* failure = nullptr);

// Binary PPM of the image, for tests and for the host's "save preview".
bool WriteMemoryImagePpm(const MemoryImage& image, const std::string& path);

} // namespace qv
