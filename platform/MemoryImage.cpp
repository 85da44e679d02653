#include "platform/MemoryImage.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace qv {

bool WriteMemoryImagePpm(const MemoryImage& image, const std::string& path) {
    const int32_t width = image.Width(), height = image.Height();
    if (width <= 0 || height <= 0)
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return false;
    std::fprintf(file.get(), "P6\n%d %d\n255\n", width, height);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const Rgb pixel = image.Pixel(x, y);
            row[size_t(x) * 3] = pixel.r;
            row[size_t(x) * 3 + 1] = pixel.g;
            row[size_t(x) * 3 + 2] = pixel.b;
        }
        if (std::fwrite(row.data(), 1, row.size(), file.get()) != row.size())
            return false;
    }
    return std::fflush(file.get()) == 0;
}

} // namespace qv
