#include "host/DocumentTiff.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace qv::host {

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// libtiff holds one strip (and a tenth more) before it writes it: strips of about this
// size keep that small and the strip tables short, whatever the sheet's height.
constexpr uint32_t kStripBytes = 256 * 1024;

class TiffWriter : public DocumentWriter {
  public:
    explicit TiffWriter(std::string path) : path_(std::move(path)) {}

    bool Open(const Geometry& g, std::string& error) override {
        tif_.reset(TIFFOpen(path_.c_str(), "w"));
        if (!tif_) {
            error = "cannot create " + path_;
            return false;
        }
        TIFF* t = tif_.get();
        const bool bitmap = g.mode == plugInModeBitmap;
        const bool colour = g.mode == plugInModeRGBColor || g.mode == plugInModeIndexedColor;
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(g.cols));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(g.rows));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(bitmap ? 1 : 8));
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(colour ? 3 : 1));
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        // A set bit is black in the host's bitmap mode.
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                     bitmap   ? PHOTOMETRIC_MINISWHITE
                     : colour ? PHOTOMETRIC_RGB
                              : PHOTOMETRIC_MINISBLACK);
        if (bitmap)
            TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(g.hRes / 65536.0));
        TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(g.vRes / 65536.0));
        const uint32_t line = static_cast<uint32_t>(TIFFScanlineSize(t));
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP,
                     std::clamp<uint32_t>(kStripBytes / std::max<uint32_t>(line, 1), 1,
                                          static_cast<uint32_t>(g.rows)));
        return true;
    }
    bool WriteRow(const uint8_t* row, std::string& error) override {
        // No predictor is set, so libtiff only reads the row.
        if (TIFFWriteScanline(tif_.get(), const_cast<uint8_t*>(row), row_++, 0) >= 0)
            return true;
        error = "cannot write " + path_;
        return false;
    }
    bool Close(std::string& error) override {
        const bool flushed = TIFFFlush(tif_.get()) == 1;
        tif_.reset();
        if (flushed)
            return true;
        error = "cannot write " + path_;
        return false;
    }
    void Remove() override {
        tif_.reset();
        std::remove(path_.c_str());
    }
    std::string Path() const override { return path_; }

  private:
    std::string path_;
    TiffFile tif_;
    uint32_t row_ = 0;
};

} // namespace

std::unique_ptr<DocumentWriter> MakeTiffWriter(std::string path) {
    return std::make_unique<TiffWriter>(std::move(path));
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
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &img.compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &img.rowsPerStrip);
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
