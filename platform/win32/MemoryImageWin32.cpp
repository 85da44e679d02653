// The memory image on Windows: a top-down 24-bit DIB section selected into a memory DC, its
// bits written directly, copied 1:1 into the dialog.
#include "platform/PixelBufferImage.h"
#include "platform/win32/PaintContext.h"

#include <windows.h>

namespace qv {
namespace {

thread_local HDC paintDC = nullptr;

class Win32MemoryImage final : public PixelBufferImage {
  public:
    Win32MemoryImage(HDC dc, HBITMAP bitmap, void* bits, int32_t width, int32_t height)
        : dc_(dc), bitmap_(bitmap), oldBitmap_(SelectObject(dc, bitmap)) {
        // DIB rows are padded to four bytes.
        Attach(static_cast<uint8_t*>(bits), width, height, (width * 3 + 3) & ~3);
    }
    ~Win32MemoryImage() override {
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    void Present(DialogControls& dialog, int32_t left, int32_t top) override {
        HWND window = HWND(dialog.Window());
        HDC target = paintDC ? paintDC : GetDC(window);
        if (!target)
            return;
        BitBlt(target, left, top, Width(), Height(), dc_, 0, 0, SRCCOPY);
        if (target != paintDC)
            ReleaseDC(window, target);
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ oldBitmap_;
};

} // namespace

HDC CurrentPaintDC() {
    return paintDC;
}

PaintScope::PaintScope(HDC dc) : previous_(paintDC) {
    paintDC = dc;
}

PaintScope::~PaintScope() {
    paintDC = previous_;
}

std::unique_ptr<MemoryImage> CreateMemoryImage(DialogControls& dialog, int32_t width, int32_t height,
                                               MemoryImageFailure* failure) {
    MemoryImageFailure result = MemoryImageFailure::None;
    std::unique_ptr<MemoryImage> image;
    HWND window = HWND(dialog.Window());
    HDC screen = paintDC ? paintDC : GetDC(window);
    HDC dc = screen ? CreateCompatibleDC(screen) : nullptr;
    if (!dc) {
        result = MemoryImageFailure::Context;
    } else {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = width > 0 && height > 0
                             ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                             : nullptr;
        if (bitmap && bits) {
            image = std::make_unique<Win32MemoryImage>(dc, bitmap, bits, width, height);
        } else {
            if (bitmap)
                DeleteObject(bitmap);
            DeleteDC(dc);
            result = MemoryImageFailure::Bitmap;
        }
    }
    if (screen && screen != paintDC)
        ReleaseDC(window, screen);
    if (failure)
        *failure = result;
    return image;
}

} // namespace qv
