#include "host/Document.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>

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

namespace {

char PnmKind(int16_t mode) {
    return mode == plugInModeBitmap ? '4' : mode == plugInModeGrayScale ? '5' : '6';
}

// Of a shape ShapeProblem accepts.
int64_t RowBytesOf(char kind, int64_t width) {
    return kind == '4' ? (width + 7) / 8 : kind == '5' ? width : width * 3;
}

class PnmWriter : public DocumentWriter {
  public:
    explicit PnmWriter(std::string path) : path_(std::move(path)) {}
    ~PnmWriter() override {
        if (file_)
            std::fclose(file_);
    }
    bool Open(const Geometry& g, std::string& error) override {
        file_ = std::fopen(path_.c_str(), "wb");
        if (!file_) {
            error = "cannot create " + path_;
            return false;
        }
        const char kind = PnmKind(g.mode);
        rowBytes_ = static_cast<size_t>(RowBytesOf(kind, g.cols));
        std::fprintf(file_, "P%c\n%d %d\n%s", kind, g.cols, g.rows, kind == '4' ? "" : "255\n");
        return Check(error);
    }
    bool WriteRow(const uint8_t* row, std::string& error) override {
        std::fwrite(row, 1, rowBytes_, file_);
        return Check(error);
    }
    bool Close(std::string& error) override {
        const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (written && closed)
            return true;
        error = "cannot write " + path_;
        return false;
    }
    void Remove() override {
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
        std::remove(path_.c_str());
    }
    std::string Path() const override { return path_; }

  private:
    bool Check(std::string& error) {
        if (!std::ferror(file_))
            return true;
        error = "cannot write " + path_;
        return false;
    }
    std::string path_;
    std::FILE* file_ = nullptr;
    size_t rowBytes_ = 0;
};

class DiscardWriter : public DocumentWriter {
  public:
    bool Open(const Geometry&, std::string&) override { return true; }
    bool WriteRow(const uint8_t*, std::string&) override { return true; }
    bool Close(std::string&) override { return true; }
    void Remove() override {}
    bool WantsPixels() const override { return false; }
};

} // namespace

std::unique_ptr<DocumentWriter> MakePnmWriter(std::string path) {
    return std::make_unique<PnmWriter>(std::move(path));
}

std::unique_ptr<DocumentWriter> MakeDiscardWriter() {
    return std::make_unique<DiscardWriter>();
}

const char* PnmExtension(int16_t mode) {
    switch (PnmKind(mode)) {
    case '4':
        return "pbm";
    case '5':
        return "pgm";
    default:
        return "ppm";
    }
}

// Indexed colour is looked up as it arrives, so that a missing pixel can be white in
// every mode and the file sees RGB.
Document::Document(Geometry g, std::unique_ptr<DocumentWriter> writer)
    : g_(std::move(g)), writer_(std::move(writer)), keep_(writer_->WantsPixels()),
      filePlanes_(g_.mode == plugInModeRGBColor || g_.mode == plugInModeIndexedColor ? 3 : 1),
      planeRowBytes_(g_.depth == 1 ? static_cast<size_t>((g_.cols + 7) / 8) : static_cast<size_t>(g_.cols)),
      slotBytes_(keep_ ? planeRowBytes_ * static_cast<size_t>(filePlanes_) : 0),
      white_(g_.depth == 1 ? 0x00 : 0xFF), planeRows_(static_cast<size_t>(g_.planes), 0) {
    if (keep_ && filePlanes_ > 1)
        line_.resize(static_cast<size_t>(g_.cols) * static_cast<size_t>(filePlanes_));
}

Document::~Document() {
    Cancel();
}

bool Document::Begin(std::string& error) {
    open_ = writer_->Open(g_, error);
    if (!open_)
        writer_->Remove();
    return open_;
}

void Document::Cancel() {
    if (open_)
        writer_->Remove();
    open_ = false;
}

bool Document::Claim(Cover& c, int32_t left, int32_t right) {
    if (c.cols == 0 && left == 0 && right == g_.cols) {
        c.cols = g_.cols;
        return true;
    }
    c.parts.push_back({left, right});
    c.cols += right - left;
    if (c.cols != g_.cols)
        return false;
    c.parts.clear();
    return true;
}

void Document::Reach(int32_t bottom) {
    const size_t rows = static_cast<size_t>(bottom - next_);
    if (rows * static_cast<size_t>(g_.planes) <= cover_.size())
        return;
    cover_.resize(rows * static_cast<size_t>(g_.planes));
    pending_.resize(rows * slotBytes_, white_);
    peakBuffered_ = std::max(peakBuffered_, pending_.capacity());
}

void Document::Copy(const Strip& s, int plane, int32_t row, const uint8_t* src) {
    const HostRect& r = s.rect;
    uint8_t* slot = pending_.data() + static_cast<size_t>(row - next_) * slotBytes_;
    const int32_t width = r.right - r.left;
    if (g_.depth == 1) {
        uint8_t* dst = slot + r.left / 8;
        const int32_t full = width / 8;
        std::memcpy(dst, src, static_cast<size_t>(full));
        if (int32_t rest = width % 8) {
            const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - rest));
            dst[full] = static_cast<uint8_t>((dst[full] & ~mask) | (src[full] & mask));
        }
        return;
    }
    if (g_.mode == plugInModeIndexedColor) {
        for (int32_t c = 0; c < width; ++c) {
            const uint8_t v = src[static_cast<ptrdiff_t>(c) * s.colBytes];
            for (int k = 0; k < 3; ++k)
                slot[static_cast<size_t>(k) * planeRowBytes_ + static_cast<size_t>(r.left + c)] =
                    g_.lut[k][v];
        }
        return;
    }
    uint8_t* dst = slot + static_cast<size_t>(plane) * planeRowBytes_ + r.left;
    if (s.colBytes == 1) {
        std::memcpy(dst, src, static_cast<size_t>(width));
        return;
    }
    for (int32_t c = 0; c < width; ++c)
        dst[c] = src[static_cast<ptrdiff_t>(c) * s.colBytes];
}

bool Document::Store(const Strip& s, std::string& why) {
    const HostRect& r = s.rect;
    const size_t planes = static_cast<size_t>(g_.planes);
    const size_t window = cover_.size() / planes;
    // Nothing is taken from a strip that is refused.
    for (int p = s.loPlane; p <= s.hiPlane; ++p) {
        for (int32_t row = r.top; row < r.bottom; ++row) {
            bool twice = row < next_;
            if (!twice && static_cast<size_t>(row - next_) < window) {
                const Cover& c = cover_[static_cast<size_t>(row - next_) * planes + static_cast<size_t>(p)];
                twice = c.cols == g_.cols;
                for (const Span& part : c.parts)
                    twice = twice || (r.left < part.right && part.left < r.right);
            }
            if (twice) {
                why = "strip delivers row " + std::to_string(row) + " of plane " + std::to_string(p) +
                      " a second time";
                return false;
            }
        }
    }
    try {
        Reach(r.bottom);
    } catch (const std::exception&) { // bad_alloc, or length_error beyond a 32-bit vector's reach
        why = "no memory for rows " + std::to_string(next_) + ".." + std::to_string(r.bottom - 1) +
              " while they wait for their other planes";
        hostFailed_ = true;
        return false;
    }
    for (int p = s.loPlane; p <= s.hiPlane; ++p) {
        const uint8_t* planeBase = s.data + static_cast<ptrdiff_t>(p - s.loPlane) * s.planeBytes;
        for (int32_t row = r.top; row < r.bottom; ++row) {
            const size_t at = static_cast<size_t>(row - next_) * planes;
            if (keep_)
                Copy(s, p, row, planeBase + static_cast<ptrdiff_t>(row - r.top) * s.rowBytes);
            if (!Claim(cover_[at + static_cast<size_t>(p)], r.left, r.right))
                continue;
            ++planeRows_[static_cast<size_t>(p)];
            bool all = true;
            for (size_t q = 0; q < planes && all; ++q)
                all = cover_[at + q].cols == g_.cols;
            rowsComplete_ += all ? 1 : 0;
        }
    }
    const int64_t width = r.right - r.left;
    bytesTaken_ += static_cast<uint64_t>((r.bottom - r.top) * (s.hiPlane - s.loPlane + 1)) *
                   static_cast<uint64_t>(g_.depth == 1 ? (width + 7) / 8 : width);
    if (Flush(why))
        return true;
    hostFailed_ = true;
    return false;
}

bool Document::WriteSlot(const uint8_t* slot, std::string& error) {
    if (!keep_)
        return true;
    if (filePlanes_ == 1)
        return writer_->WriteRow(slot, error);
    uint8_t* out = line_.data();
    for (size_t c = 0; c < static_cast<size_t>(g_.cols); ++c) {
        out[c * 3] = slot[c];
        out[c * 3 + 1] = slot[planeRowBytes_ + c];
        out[c * 3 + 2] = slot[2 * planeRowBytes_ + c];
    }
    return writer_->WriteRow(out, error);
}

bool Document::Flush(std::string& error) {
    const size_t planes = static_cast<size_t>(g_.planes);
    const size_t window = cover_.size() / planes;
    auto complete = [&](size_t at) {
        for (size_t p = 0; p < planes; ++p)
            if (cover_[at * planes + p].cols != g_.cols)
                return false;
        return true;
    };
    size_t done = 0;
    bool ok = true;
    for (; done < window && complete(done); ++done)
        if (!(ok = WriteSlot(pending_.data() + done * slotBytes_, error)))
            break;
    cover_.erase(cover_.begin(), cover_.begin() + static_cast<ptrdiff_t>(done * planes));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(done * slotBytes_));
    next_ += static_cast<int32_t>(done);
    return ok;
}

bool Document::Finish(std::string& error) {
    if (!open_) {
        error = "the document was never opened";
        return false;
    }
    const std::vector<uint8_t> white(slotBytes_, white_);
    const size_t window = cover_.size() / static_cast<size_t>(g_.planes);
    for (int32_t row = next_; row < g_.rows; ++row) {
        const size_t at = static_cast<size_t>(row - next_);
        if (!WriteSlot(at < window ? pending_.data() + at * slotBytes_ : white.data(), error)) {
            Cancel();
            return false;
        }
    }
    pending_.clear();
    cover_.clear();
    next_ = g_.rows;
    open_ = false;
    if (writer_->Close(error))
        return true;
    writer_->Remove();
    return false;
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
