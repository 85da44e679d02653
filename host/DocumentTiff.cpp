#include "host/DocumentTiff.h"

#include <tiffio.h>

#include <memory>

namespace qv::host {

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

} // namespace

bool WriteTiff(const Document& doc, const std::string& path, std::string& error) {
    TiffFile tif(TIFFOpen(path.c_str(), "w"));
    if (!tif) {
        error = "cannot create " + path;
        return false;
    }
    const Geometry& g = doc.geometry();
    TIFF* t = tif.get();
    const bool bitmap = g.mode == plugInModeBitmap;
    const bool indexed = g.mode == plugInModeIndexedColor;
    const bool rgb = g.mode == plugInModeRGBColor;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(g.cols));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(g.rows));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(bitmap ? 1 : 8));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(rgb ? 3 : 1));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    // A set bit is black in the host's bitmap mode.
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 bitmap    ? PHOTOMETRIC_MINISWHITE
                 : indexed ? PHOTOMETRIC_PALETTE
                 : rgb     ? PHOTOMETRIC_RGB
                           : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(g.hRes / 65536.0));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(g.vRes / 65536.0));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    std::vector<uint16_t> map[3];
    if (indexed) {
        for (int k = 0; k < 3; ++k)
            for (uint8_t v : g.lut[k])
                map[k].push_back(static_cast<uint16_t>(v * 257));
        TIFFSetField(t, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
    }
    std::vector<uint8_t> pixels = rgb ? doc.FilePixels() : std::vector<uint8_t>();
    const size_t rowBytes = rgb ? static_cast<size_t>(g.cols) * 3 : doc.RowBytes();
    for (int32_t row = 0; row < g.rows; ++row) {
        const uint8_t* src = rgb ? pixels.data() + static_cast<size_t>(row) * rowBytes : doc.Row(0, row);
        std::vector<uint8_t> line(src, src + rowBytes);
        if (TIFFWriteScanline(t, line.data(), static_cast<uint32_t>(row), 0) < 0) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

std::optional<TiffImage> ReadTiff(const std::string& path) {
    TiffFile tif(TIFFOpen(path.c_str(), "r"));
    if (!tif)
        return std::nullopt;
    TIFF* t = tif.get();
    TiffImage img;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &img.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &img.height);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &img.samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &img.bits);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &img.photometric);
    TIFFGetField(t, TIFFTAG_XRESOLUTION, &img.xRes);
    TIFFGetField(t, TIFFTAG_YRESOLUTION, &img.yRes);
    const tmsize_t line = TIFFScanlineSize(t);
    img.pixels.resize(static_cast<size_t>(line) * img.height);
    for (uint32_t row = 0; row < img.height; ++row)
        if (TIFFReadScanline(t, img.pixels.data() + static_cast<size_t>(line) * row, row, 0) < 0)
            return std::nullopt;
    return img;
}

} // namespace qv::host
