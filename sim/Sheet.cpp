#include "sim/Sheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#ifdef QV_SIM_HAVE_TIFF
#include <tiffio.h>
#endif

namespace qv::sim {

namespace {

constexpr int kDefaultDpi = 200;

enum class Chart { GrayRamp, ColorBars, LinePairs, Grid };

class ChartSheet : public Sheet {
  public:
    ChartSheet(Chart chart, int w, int h, int dpi) : Sheet(w, h, dpi), chart_(chart) {}

    void Row(int y, uint8_t* rgb) const override {
        const int64_t w = Width(), h = Height();
        for (int64_t x = 0; x < w; ++x) {
            uint8_t* px = rgb + 3 * x;
            switch (chart_) {
            case Chart::GrayRamp: {
                int v = static_cast<int>(x * 256 / w);
                if ((y * 16 / h) % 2 == 1)
                    v = 255 - v;
                px[0] = px[1] = px[2] = static_cast<uint8_t>(v);
                break;
            }
            case Chart::ColorBars: {
                static const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                                   {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
                int64_t bar = x * 8 / w;
                if (y * 4 / h == 3)
                    bar = 7 - bar;
                std::memcpy(px, bars[bar], 3);
                break;
            }
            case Chart::LinePairs: {
                int64_t period = 2 * (x * 8 / w + 1);
                int64_t along = 2 * y < h ? x : y;
                uint8_t v = along % period < period / 2 ? 0 : 255;
                px[0] = px[1] = px[2] = v;
                break;
            }
            case Chart::Grid: {
                int64_t spacing = std::max(2, Dpi() / 2), line = std::max(1, Dpi() / 100);
                if (x % spacing < line || y % spacing < line) {
                    px[0] = px[1] = px[2] = 0;
                } else if ((x / spacing + y / spacing) % 2 == 1) {
                    px[0] = 255, px[1] = 224, px[2] = 192;
                } else {
                    px[0] = px[1] = px[2] = 255;
                }
                break;
            }
            }
        }
    }

    int64_t RowKey(int y) const override {
        const int64_t h = Height();
        switch (chart_) {
        case Chart::GrayRamp:
            return (y * 16 / h) % 2;
        case Chart::ColorBars:
            return y * 4 / h == 3;
        case Chart::Grid: {
            int64_t spacing = std::max(2, Dpi() / 2), line = std::max(1, Dpi() / 100);
            return y % spacing < line ? 2 : (y / spacing) % 2;
        }
        case Chart::LinePairs:
            return 2 * y < h ? -1 : y;
        }
        return y;
    }

  private:
    Chart chart_;
};

class ImageSheet : public Sheet {
  public:
    ImageSheet(int w, int h, int dpi, std::vector<uint8_t> rgb) : Sheet(w, h, dpi), rgb_(std::move(rgb)) {}
    void Row(int y, uint8_t* rgb) const override {
        std::memcpy(rgb, rgb_.data() + static_cast<size_t>(y) * Width() * 3,
                    static_cast<size_t>(Width()) * 3);
    }
    // Gray scans of pictures convert each pixel once, on the first gray scan.
    bool GrayRow(int y, uint8_t* gray) const override {
        std::call_once(grayOnce_, [this] {
            gray_.resize(rgb_.size() / 3);
            for (size_t i = 0; i < gray_.size(); ++i)
                gray_[i] = static_cast<uint8_t>(
                    (299u * rgb_[3 * i] + 587u * rgb_[3 * i + 1] + 114u * rgb_[3 * i + 2] + 500u) / 1000u);
        });
        std::memcpy(gray, gray_.data() + static_cast<size_t>(y) * Width(), static_cast<size_t>(Width()));
        return true;
    }

  private:
    std::vector<uint8_t> rgb_;
    mutable std::once_flag grayOnce_;
    mutable std::vector<uint8_t> gray_;
};

// Reads the next header number of a PNM, skipping blanks and comments.
bool PnmNumber(std::string_view bytes, size_t& pos, int64_t& value) {
    while (pos < bytes.size()) {
        if (bytes[pos] == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n')
                ++pos;
        } else if (std::isspace(static_cast<unsigned char>(bytes[pos]))) {
            ++pos;
        } else {
            break;
        }
    }
    if (pos >= bytes.size() || !std::isdigit(static_cast<unsigned char>(bytes[pos])))
        return false;
    value = 0;
    while (pos < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[pos]))) {
        value = value * 10 + (bytes[pos++] - '0');
        if (value > 1000000)
            return false;
    }
    return true;
}

bool EndsWith(const std::string& text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) != suffix[i])
            return false;
    return true;
}

#ifdef QV_SIM_HAVE_TIFF
SheetPtr LoadTiff(const std::string& path, int dpi, std::string& error) {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) {
        error = "cannot open TIFF " + path;
        return nullptr;
    }
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    if (dpi == 0) {
        float xres = 0;
        uint16_t unit = RESUNIT_INCH;
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        // A resolution outside what any chart may have is a damaged tag, not a picture.
        if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres)) {
            const double perInch = unit == RESUNIT_CENTIMETER ? xres * 2.54 : xres;
            if (perInch >= 1 && perInch <= 4800)
                dpi = static_cast<int>(std::lround(perInch));
        }
        if (dpi <= 0)
            dpi = kDefaultDpi;
    }
    if (w == 0 || h == 0 || static_cast<uint64_t>(w) * h > (uint64_t{1} << 28)) {
        TIFFClose(tif);
        error = "unsupported TIFF size in " + path;
        return nullptr;
    }
    std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
    int ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tif);
    if (!ok) {
        error = "cannot decode TIFF " + path;
        return nullptr;
    }
    std::vector<uint8_t> rgb(raster.size() * 3);
    for (size_t i = 0; i < raster.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(TIFFGetR(raster[i]));
        rgb[3 * i + 1] = static_cast<uint8_t>(TIFFGetG(raster[i]));
        rgb[3 * i + 2] = static_cast<uint8_t>(TIFFGetB(raster[i]));
    }
    return MakeImageSheet(static_cast<int>(w), static_cast<int>(h), dpi, std::move(rgb));
}
#endif

} // namespace

const std::vector<std::string>& ChartNames() {
    static const std::vector<std::string> names = {"gray-ramp", "color-bars", "line-pairs", "grid"};
    return names;
}

SheetPtr MakeChart(std::string_view name, double widthInches, double heightInches, int dpi,
                   std::string& error) {
    const auto& names = ChartNames();
    auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) {
        error = "unknown chart '" + std::string(name) + "'";
        return nullptr;
    }
    double w = std::floor(widthInches * dpi), h = std::floor(heightInches * dpi);
    if (dpi < 1 || dpi > 4800 || w < 1 || h < 1 || w > 1e6 || h > 1e6) {
        error = "bad chart size";
        return nullptr;
    }
    return std::make_shared<ChartSheet>(static_cast<Chart>(it - names.begin()), static_cast<int>(w),
                                        static_cast<int>(h), dpi);
}

SheetPtr MakeImageSheet(int width, int height, int dpi, std::vector<uint8_t> rgb) {
    if (width < 1 || height < 1 || dpi < 1 || rgb.size() != static_cast<size_t>(width) * height * 3)
        return nullptr;
    return std::make_shared<ImageSheet>(width, height, dpi, std::move(rgb));
}

SheetPtr DecodePnm(std::string_view bytes, int dpi, std::string& error) {
    if (dpi == 0)
        dpi = kDefaultDpi;
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '4' && bytes[1] != '5' && bytes[1] != '6')) {
        error = "not a P4, P5 or P6 image";
        return nullptr;
    }
    const char kind = bytes[1];
    size_t pos = 2;
    int64_t w = 0, h = 0, maxval = 1;
    if (!PnmNumber(bytes, pos, w) || !PnmNumber(bytes, pos, h) ||
        (kind != '4' && !PnmNumber(bytes, pos, maxval)) || w < 1 || h < 1 || maxval < 1 || maxval > 65535 ||
        w * h > (int64_t{1} << 28)) {
        error = "bad PNM header";
        return nullptr;
    }
    ++pos; // the single blank before the samples
    const int64_t sampleBytes = maxval > 255 ? 2 : 1;
    const int64_t channels = kind == '6' ? 3 : 1;
    const int64_t rowBytes = kind == '4' ? (w + 7) / 8 : w * channels * sampleBytes;
    if (pos > bytes.size() || static_cast<int64_t>(bytes.size() - pos) < rowBytes * h) {
        error = "PNM data too short";
        return nullptr;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data() + pos);
    std::vector<uint8_t> rgb(static_cast<size_t>(w * h * 3));
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* row = data + y * rowBytes;
        for (int64_t x = 0; x < w; ++x) {
            uint8_t* px = &rgb[static_cast<size_t>((y * w + x) * 3)];
            if (kind == '4') {
                px[0] = px[1] = px[2] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
                continue;
            }
            for (int64_t c = 0; c < 3; ++c) {
                int64_t i = (x * channels + (channels == 3 ? c : 0)) * sampleBytes;
                int64_t v = sampleBytes == 2 ? (row[i] << 8 | row[i + 1]) : row[i];
                px[c] = static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
            }
        }
    }
    return MakeImageSheet(static_cast<int>(w), static_cast<int>(h), dpi, std::move(rgb));
}

SheetPtr LoadImageFile(const std::string& path, int dpi, std::string& error) {
    if (EndsWith(path, ".tif") || EndsWith(path, ".tiff")) {
#ifdef QV_SIM_HAVE_TIFF
        return LoadTiff(path, dpi, error);
#else
        error = "TIFF sheets are not available in this build";
        return nullptr;
#endif
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return nullptr;
    }
    std::ostringstream content;
    content << in.rdbuf();
    std::string bytes = content.str();
    SheetPtr sheet = DecodePnm(bytes, dpi, error);
    if (!sheet)
        error = path + ": " + error;
    return sheet;
}

} // namespace qv::sim
