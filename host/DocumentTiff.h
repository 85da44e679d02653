// TIFF form of a document, with its resolution; only where the build has libtiff.
#pragma once

#include "host/Document.h"

#include <memory>
#include <optional>
#include <string>

namespace qv::host {

// Bitmap as 1 bit per pixel with white zero in CCITT Group 4, gray and RGB as 8-bit
// samples (RGB interleaved), written strip by strip as rows arrive.
std::unique_ptr<DocumentWriter> MakeTiffWriter(std::string path);

struct TiffImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 0;
    uint16_t bits = 0;
    uint16_t photometric = 0;
    uint16_t compression = 0;
    uint32_t rowsPerStrip = 0;
    float xRes = 0;
    float yRes = 0;
    std::vector<uint8_t> pixels; // rows as stored, bitmap rows packed
};
std::optional<TiffImage> ReadTiff(const std::string& path);

} // namespace qv::host
