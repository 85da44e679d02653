// The memory image without a screen: the pixel buffer is all there is.
#include "platform/PixelBufferImage.h"

#include <new>
#include <vector>

namespace qv {
namespace {

class HeadlessMemoryImage final : public PixelBufferImage {
  public:
    HeadlessMemoryImage(int32_t width, int32_t height) : pixels_(size_t(width) * size_t(height) * 3) {
        Attach(pixels_.data(), width, height, width * 3);
    }
    void Present(DialogControls&, int32_t, int32_t) override {}

  private:
    std::vector<uint8_t> pixels_;
};

} // namespace

std::unique_ptr<MemoryImage> CreateMemoryImage(DialogControls&, int32_t width, int32_t height,
                                               MemoryImageFailure* failure) {
    MemoryImageFailure result = MemoryImageFailure::Bitmap;
    std::unique_ptr<MemoryImage> image;
    if (width > 0 && height > 0) {
        try {
            image = std::make_unique<HeadlessMemoryImage>(width, height);
            result = MemoryImageFailure::None;
        } catch (const std::bad_alloc&) {
        }
    }
    if (failure)
        *failure = result;
    return image;
}

} // namespace qv
