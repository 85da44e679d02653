#include "host/Document.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <exception>

namespace qv::host {

namespace {

constexpr int32_t kMaxSide = 30000;
constexpr Fixed kMaxRes = static_cast<Fixed>(kMaxSide) << 16;

int16_t PlanesFor(int16_t mode) {
    return mode == plugInModeRGBColor ? 3 : 1;
}
int16_t DepthFor(int16_t mode) {
    return mode == plugInModeBitmap ? 1 : 8;
}

} // namespace

std::optional<Geometry> GeometryFromRecord(const AcquireRecord& r, std::vector<std::string>& problems) {
    size_t before = problems.size();
    Geometry g;
    g.rows = r.imageSize.v;
    g.cols = r.imageSize.h;
    g.mode = r.imageMode;
    g.depth = r.depth;
    g.planes = r.planes;
    g.hRes = r.imageHRes;
    g.vRes = r.imageVRes;
    if (g.mode < plugInModeBitmap || g.mode > plugInModeRGBColor) {
        problems.push_back("image mode " + std::to_string(g.mode) + " is not one this host takes");
    } else {
        if (g.depth != DepthFor(g.mode))
            problems.push_back("depth " + std::to_string(g.depth) + " does not fit image mode " +
                               std::to_string(g.mode));
        if (g.planes != PlanesFor(g.mode))
            problems.push_back("planes " + std::to_string(g.planes) + " do not fit image mode " +
                               std::to_string(g.mode));
    }
    if (g.rows < 1 || g.rows > kMaxSide || g.cols < 1 || g.cols > kMaxSide)
        problems.push_back("image size " + std::to_string(g.rows) + " x " + std::to_string(g.cols) +
                           " is outside 1..30000");
    if (g.hRes <= 0 || g.hRes > kMaxRes || g.vRes <= 0 || g.vRes > kMaxRes)
        problems.push_back("resolution " + std::to_string(g.hRes / 65536.0) + " x " +
                           std::to_string(g.vRes / 65536.0) + " dpi is not positive or above 30000");
    if (problems.size() != before)
        return std::nullopt;
    if (g.mode == plugInModeIndexedColor) {
        g.lut[0].assign(r.redLUT, r.redLUT + 256);
        g.lut[1].assign(r.greenLUT, r.greenLUT + 256);
        g.lut[2].assign(r.blueLUT, r.blueLUT + 256);
    }
    return g;
}

std::optional<size_t> StripExtent(const Geometry& g, const Strip& s, std::string& why) {
    const HostRect& r = s.rect;
    if (!s.data) {
        why = "strip without data";
        return std::nullopt;
    }
    if (r.top < 0 || r.left < 0 || r.top >= r.bottom || r.left >= r.right || r.bottom > g.rows ||
        r.right > g.cols) {
        why = "strip rectangle (" + std::to_string(r.top) + ", " + std::to_string(r.left) + ", " +
              std::to_string(r.bottom) + ", " + std::to_string(r.right) + ") is not inside the " +
              std::to_string(g.rows) + " x " + std::to_string(g.cols) + " image";
        return std::nullopt;
    }
    if (s.loPlane < 0 || s.loPlane > s.hiPlane || s.hiPlane >= g.planes) {
        why = "strip planes " + std::to_string(s.loPlane) + ".." + std::to_string(s.hiPlane) +
              " do not fit " + std::to_string(g.planes) + " plane(s)";
        return std::nullopt;
    }
    const int64_t h = r.bottom - r.top;
    const int64_t w = r.right - r.left;
    const int64_t np = s.hiPlane - s.loPlane + 1;
    if (g.depth == 1) {
        if (r.left % 8 != 0) {
            why = "bitmap strip starts at column " + std::to_string(r.left) + ", inside a byte";
            return std::nullopt;
        }
        const int64_t rowSpan = (w + 7) / 8;
        if (s.rowBytes < rowSpan) {
            why = "rowBytes " + std::to_string(s.rowBytes) + " is less than the " + std::to_string(rowSpan) +
                  " bytes of a bitmap row";
            return std::nullopt;
        }
        return static_cast<size_t>((h - 1) * s.rowBytes + rowSpan);
    }
    if (s.colBytes < 1 || s.rowBytes < 1 || s.planeBytes < 0) {
        why = "strides colBytes " + std::to_string(s.colBytes) + ", rowBytes " + std::to_string(s.rowBytes) +
              ", planeBytes " + std::to_string(s.planeBytes) + " cannot describe a strip";
        return std::nullopt;
    }
    if (np > 1 && s.planeBytes == 0) {
        why = "planes " + std::to_string(s.loPlane) + ".." + std::to_string(s.hiPlane) +
              " with planeBytes 0 would all read the same bytes";
        return std::nullopt;
    }
    const int64_t rowSpan = (w - 1) * s.colBytes + 1;
    if (h > 1 && s.rowBytes < rowSpan) {
        why = "rowBytes " + std::to_string(s.rowBytes) + " makes rows overlap (a row spans " +
              std::to_string(rowSpan) + " bytes)";
        return std::nullopt;
    }
    return static_cast<size_t>((h - 1) * s.rowBytes + rowSpan + (np - 1) * s.planeBytes);
}

Document::Document(Geometry g) : g_(std::move(g)) {
    pixels_.assign(RowBytes() * static_cast<size_t>(g_.rows) * static_cast<size_t>(g_.planes), 0);
    covered_.assign(static_cast<size_t>(g_.planes), std::vector<bool>(static_cast<size_t>(g_.rows), false));
}

size_t Document::RowBytes() const {
    return g_.depth == 1 ? static_cast<size_t>((g_.cols + 7) / 8) : static_cast<size_t>(g_.cols);
}

uint8_t* Document::RowPtr(int plane, int32_t row) {
    return pixels_.data() + (static_cast<size_t>(plane) * g_.rows + static_cast<size_t>(row)) * RowBytes();
}

const uint8_t* Document::Row(int plane, int32_t row) const {
    return pixels_.data() + (static_cast<size_t>(plane) * g_.rows + static_cast<size_t>(row)) * RowBytes();
}

void Document::Store(const Strip& s) {
    const HostRect& r = s.rect;
    for (int p = s.loPlane; p <= s.hiPlane; ++p) {
        const uint8_t* planeBase = s.data + static_cast<ptrdiff_t>(p - s.loPlane) * s.planeBytes;
        for (int32_t row = r.top; row < r.bottom; ++row) {
            const uint8_t* src = planeBase + static_cast<ptrdiff_t>(row - r.top) * s.rowBytes;
            uint8_t* dst = RowPtr(p, row);
            if (g_.depth == 1) {
                const int32_t first = r.left / 8;
                const int32_t width = r.right - r.left;
                const int32_t full = width / 8;
                std::memcpy(dst + first, src, static_cast<size_t>(full));
                if (int32_t rest = width % 8) {
                    const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - rest));
                    uint8_t& d = dst[first + full];
                    d = static_cast<uint8_t>((d & ~mask) | (src[full] & mask));
                }
            } else {
                for (int32_t c = r.left; c < r.right; ++c)
                    dst[c] = src[static_cast<ptrdiff_t>(c - r.left) * s.colBytes];
            }
            covered_[static_cast<size_t>(p)][static_cast<size_t>(row)] = true;
        }
    }
}

int32_t Document::RowsCovered(int plane) const {
    const auto& rows = covered_[static_cast<size_t>(plane)];
    return static_cast<int32_t>(std::count(rows.begin(), rows.end(), true));
}

bool Document::Complete() const {
    for (int p = 0; p < g_.planes; ++p)
        if (RowsCovered(p) != g_.rows)
            return false;
    return true;
}

const char* Document::Extension(int16_t mode) {
    switch (mode) {
    case plugInModeBitmap:
        return "pbm";
    case plugInModeGrayScale:
        return "pgm";
    default:
        return "ppm";
    }
}

std::vector<uint8_t> Document::FilePixels() const {
    if (g_.mode == plugInModeBitmap || g_.mode == plugInModeGrayScale)
        return pixels_;
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(g_.rows) * static_cast<size_t>(g_.cols) * 3);
    for (int32_t row = 0; row < g_.rows; ++row) {
        for (int32_t c = 0; c < g_.cols; ++c) {
            for (int k = 0; k < 3; ++k) {
                if (g_.mode == plugInModeIndexedColor)
                    out.push_back(g_.lut[k][Row(0, row)[c]]);
                else
                    out.push_back(Row(k, row)[c]);
            }
        }
    }
    return out;
}

bool Document::WritePnm(const std::string& path, std::string& error) const {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        error = "cannot create " + path;
        return false;
    }
    const char kind = g_.mode == plugInModeBitmap ? '4' : g_.mode == plugInModeGrayScale ? '5' : '6';
    out << 'P' << kind << '\n' << g_.cols << ' ' << g_.rows << '\n';
    if (kind != '4')
        out << "255\n";
    std::vector<uint8_t> pixels = FilePixels();
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

namespace {

bool ReadHeaderNumber(std::istream& in, int64_t& value) {
    in >> std::ws;
    while (in.peek() == '#') {
        std::string comment;
        std::getline(in, comment);
        in >> std::ws;
    }
    return static_cast<bool>(in >> value);
}

bool KnownKind(char kind) {
    return kind == '4' || kind == '5' || kind == '6';
}

// Sides are checked before any size is computed from them: a larger side is no document
// of this host, and 30000 x 30000 x 3 bytes still fits the 32-bit host's size_t.
std::optional<std::string> ShapeProblem(char kind, int64_t width, int64_t height) {
    if (!KnownKind(kind))
        return "not a binary PBM, PGM or PPM image";
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        return "image size " + std::to_string(width) + " x " + std::to_string(height) +
               " is outside 1..30000";
    return std::nullopt;
}

// Of a shape ShapeProblem accepts.
int64_t RowBytesOf(char kind, int64_t width) {
    return kind == '4' ? (width + 7) / 8 : kind == '5' ? width : width * 3;
}

} // namespace

std::optional<PnmImage> ReadPnm(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    auto fail = [&](const std::string& why) {
        error = path + ": " + why;
        return std::nullopt;
    };
    char magic[2] = {};
    in.read(magic, 2);
    if (magic[0] != 'P' || !KnownKind(magic[1]))
        return fail("not a binary PBM, PGM or PPM image");
    int64_t width = 0, height = 0, maxValue = 255;
    if (!ReadHeaderNumber(in, width) || !ReadHeaderNumber(in, height) ||
        (magic[1] != '4' && !ReadHeaderNumber(in, maxValue)))
        return fail("damaged header");
    if (auto problem = ShapeProblem(magic[1], width, height))
        return fail(*problem);
    if (maxValue != 255)
        return fail("samples up to " + std::to_string(maxValue) + "; only 8-bit samples (255) are read");
    if (!std::isspace(in.get()))
        return fail("damaged header");
    const int64_t rasterBytes = RowBytesOf(magic[1], width) * height;

    // A header that promises more than the file holds must not cost that much memory.
    // A pipe cannot be measured; it is read as far as it goes.
    const std::streamoff start = in.tellg();
    if (start >= 0 && in.seekg(0, std::ios::end)) {
        const std::streamoff available = std::streamoff(in.tellg()) - start;
        if (available < rasterBytes)
            return fail("the raster holds " + std::to_string(available) + " of the " +
                        std::to_string(rasterBytes) + " bytes its size needs");
        in.seekg(start);
    }

    PnmImage img;
    img.kind = magic[1];
    img.width = static_cast<int32_t>(width);
    img.height = static_cast<int32_t>(height);
    try {
        img.pixels.resize(static_cast<size_t>(rasterBytes));
    } catch (const std::exception&) { // bad_alloc, or length_error beyond a 32-bit vector's reach
        return fail("no memory for " + std::to_string(rasterBytes) + " bytes of pixels");
    }
    if (!in.read(reinterpret_cast<char*>(img.pixels.data()), static_cast<std::streamsize>(rasterBytes)))
        return fail("the raster is shorter than its size needs");
    return img;
}

std::optional<PnmImage> ReadPnm(const std::string& path) {
    std::string ignored;
    return ReadPnm(path, ignored);
}

std::optional<std::string> ComparePnm(const PnmImage& a, const PnmImage& b) {
    auto shape = [](const PnmImage& i) {
        std::string s = "P";
        s += i.kind;
        s += ' ';
        s += std::to_string(i.width);
        s += " x ";
        s += std::to_string(i.height);
        return s;
    };
    // Images made by hand may claim a shape their pixels do not fill.
    for (const PnmImage* i : {&a, &b}) {
        if (auto problem = ShapeProblem(i->kind, i->width, i->height))
            return shape(*i) + ": " + *problem;
        const int64_t needed = RowBytesOf(i->kind, i->width) * i->height;
        if (i->pixels.size() != static_cast<uint64_t>(needed))
            return shape(*i) + " holds " + std::to_string(i->pixels.size()) + " bytes of pixels, not " +
                   std::to_string(needed);
    }
    if (a.kind != b.kind || a.width != b.width || a.height != b.height)
        return shape(a) + " against " + shape(b);
    const size_t samples = a.kind == '6' ? 3 : 1;
    const size_t rowBytes = static_cast<size_t>(RowBytesOf(a.kind, a.width));
    for (int32_t row = 0; row < a.height; ++row) {
        const uint8_t* pa = a.pixels.data() + rowBytes * static_cast<size_t>(row);
        const uint8_t* pb = b.pixels.data() + rowBytes * static_cast<size_t>(row);
        for (size_t col = 0; col < static_cast<size_t>(a.width); ++col) {
            int va = 0, vb = 0;
            if (a.kind == '4') {
                va = (pa[col / 8] >> (7 - col % 8)) & 1;
                vb = (pb[col / 8] >> (7 - col % 8)) & 1;
            } else {
                for (size_t k = 0; k < samples && va == vb; ++k) {
                    va = pa[col * samples + k];
                    vb = pb[col * samples + k];
                }
            }
            if (va != vb)
                return "row " + std::to_string(row) + ", column " + std::to_string(col) + ": " +
                       std::to_string(va) + " against " + std::to_string(vb);
        }
    }
    return std::nullopt;
}

} // namespace qv::host
