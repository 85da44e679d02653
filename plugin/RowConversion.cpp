#include "plugin/RowConversion.h"

#include "platform/DebugLog.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace qv {

namespace {

// Wider rows come only from a broken device or block; the cap keeps the arithmetic on
// widths in range.
constexpr int64_t kMaxWidth = int64_t{1} << 28;

int32_t CapWidth(int64_t width) {
    return static_cast<int32_t>(std::clamp<int64_t>(width, 0, kMaxWidth));
}

int ClampToInt(size_t count) {
    return static_cast<int>(std::min<size_t>(count, std::numeric_limits<int32_t>::max()));
}

// Pixels of the runs in block[0, end), up to the first zero byte.
int64_t RunPixels(const uint8_t* block, size_t end) {
    int64_t pixels = 0;
    for (size_t i = 0; i < end && block[i] != 0; ++i)
        pixels += block[i] & 0x7F;
    return pixels;
}

// Generation 4 sometimes reports a width that does not divide the block: the real row
// length is a divisor near it.
void RepairWidth(RowFormat& f, size_t received) {
    LogLine("if( ( iReceived%%iByteWidth ) )");
    LogLine("iReceived %d  iByteWidth %d", ClampToInt(received), f.iByteWidth);
    const int64_t cap = int64_t{f.gLastCols} + f.resolution / 24;
    if (f.iByteWidth > cap && cap > 0)
        f.iByteWidth = static_cast<int32_t>(cap);
    LogLine("iReceived %d  iByteWidth %d", ClampToInt(received), f.iByteWidth);
    for (int64_t d = std::max<int64_t>(1, f.iByteWidth - 30); d <= f.iByteWidth + 30; ++d) {
        if (received % static_cast<uint64_t>(d) == 0) {
            f.iByteWidth = static_cast<int32_t>(d);
            f.iPixelWidth = static_cast<int32_t>(f.imageMode == 3 ? d / 3 : d);
            return;
        }
    }
}

// ---- run-length decoding -------------------------------------------------------------

// Bytes cleared ahead of the decoder at a time.
constexpr size_t kClearAhead = 4096;
// Longest black run set with one 64-bit word: 7 bits of offset plus the run.
constexpr uint32_t kWordRun = 57;

uint64_t ToMemoryOrder(uint64_t msbFirst) {
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap64(msbFirst);
    else
        return msbFirst;
}

// Clears out[cleared, end) and a stretch beyond, so that clearing costs one memset per
// kClearAhead bytes; answers the new end of what is cleared.
size_t ClearAhead(uint8_t* out, size_t size, size_t cleared, size_t end) {
    const size_t to = std::min(size, std::max(end, cleared + kClearAhead));
    std::memset(out + cleared, 0, to - cleared);
    return to;
}

// Sets bits [from, to) of cleared bytes, MSB first: masks at the ends, whole bytes between.
void SetLongRun(uint8_t* out, uint64_t from, uint64_t to) {
    const size_t first = static_cast<size_t>(from >> 3);
    const size_t last = static_cast<size_t>(to >> 3);
    const uint8_t head = static_cast<uint8_t>(0xFF >> (from & 7));
    const uint8_t tail = static_cast<uint8_t>(~(0xFF >> (to & 7)));
    if (first == last) {
        out[first] |= head & tail;
        return;
    }
    out[first] |= head;
    std::memset(out + first + 1, 0xFF, last - first - 1);
    if (to & 7)
        out[last] |= tail;
}

// A row of `pixels` source pixels as the decoder writes it: one pixel more after every
// `ratio`, each of the colour of the pixel before it. The quotient is taken by multiplying
// with a reciprocal (unsigned division by invariant integers), as a division per run would
// cost more than the run.
class Stretch {
  public:
    explicit Stretch(int32_t ratio) : ratio_(static_cast<uint32_t>(ratio)) {
        while ((uint64_t{1} << shift_) < ratio_)
            ++shift_;
        magic_ = static_cast<uint32_t>((uint64_t{1} << 32) * ((uint64_t{1} << shift_) - ratio_) / ratio_ + 1);
    }

    uint64_t Widen(uint64_t pixels) const {
        if (pixels > std::numeric_limits<uint32_t>::max())
            return pixels + pixels / ratio_;
        const uint32_t n = static_cast<uint32_t>(pixels);
        if (shift_ == 0)
            return pixels + n;
        const uint32_t t = static_cast<uint32_t>((uint64_t{magic_} * n) >> 32);
        return pixels + ((t + ((n - t) >> 1)) >> (shift_ - 1));
    }

  private:
    uint32_t ratio_;
    uint32_t shift_ = 0;
    uint32_t magic_ = 0;
};

struct NoStretch {
    uint64_t Widen(uint64_t pixels) const { return pixels; }
};

// Every zero byte ends a row, the block's last one too: a row that does not fill its last
// byte still counts that byte. Stops when the output is full. Output bytes are cleared
// shortly before black runs are set in them, so that a white run costs nothing but that.
template <typename Widening>
size_t Decode(const uint8_t* block, size_t received, uint8_t* out, size_t outSize, Widening widening) {
    if (out == nullptr || outSize == 0)
        return 0;
    if (block == nullptr)
        received = 0;
    // Positions are bits: keep their count in range.
    outSize = static_cast<size_t>(std::min<uint64_t>(outSize, uint64_t{1} << 60));
    const uint64_t limit = uint64_t{outSize} * 8;
    size_t cleared = 0;
    // Positions follow from the row's pixel count, so that no run waits for the stretch of
    // the one before it.
    uint64_t rowStart = 0;
    uint64_t rowPixels = 0;
    uint64_t pos = 0;
    for (size_t i = 0; i < received; ++i) {
        const uint8_t code = block[i];
        if (code == 0) {
            pos = rowStart = (pos + 7) & ~uint64_t{7};
            rowPixels = 0;
        } else {
            rowPixels += code & 0x7Fu;
            const uint64_t end = std::min(rowStart + widening.Widen(rowPixels), limit);
            if ((code & 0x80) == 0) {
                const size_t first = static_cast<size_t>(pos >> 3);
                const uint64_t length = end - pos;
                if (length <= kWordRun && first + 8 <= outSize) {
                    if (first + 8 > cleared)
                        cleared = ClearAhead(out, outSize, cleared, first + 8);
                    uint64_t word;
                    std::memcpy(&word, out + first, 8);
                    word |= ToMemoryOrder((~uint64_t{0} << (64 - length)) >> (pos & 7));
                    std::memcpy(out + first, &word, 8);
                } else {
                    const size_t bytes = static_cast<size_t>((end + 7) >> 3);
                    if (bytes > cleared)
                        cleared = ClearAhead(out, outSize, cleared, bytes);
                    SetLongRun(out, pos, end);
                }
            }
            pos = end;
        }
        if (pos >= limit) {
            ClearAhead(out, outSize, cleared, outSize);
            return outSize;
        }
    }
    const size_t length = static_cast<size_t>(pos >> 3);
    if (length > cleared)
        ClearAhead(out, outSize, cleared, length);
    return length;
}

// ---- row copy ------------------------------------------------------------------------

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QV_SPLIT_SHUFFLE 1
typedef uint8_t Bytes16 __attribute__((vector_size(16)));

// Sixteen pixels of interleaved RGB into sixteen samples of each plane: each plane's samples
// lie in the three vectors at lanes that differ between them, so two shuffles gather them.
__attribute__((target("ssse3"))) void SplitSixteen(const uint8_t* src, uint8_t* r, uint8_t* g, uint8_t* b) {
    Bytes16 x, y, z;
    std::memcpy(&x, src, 16);
    std::memcpy(&y, src + 16, 16);
    std::memcpy(&z, src + 32, 16);
    const Bytes16 rxy = __builtin_shufflevector(x, y, 0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 0, 0, 0, 0, 0);
    const Bytes16 gxy = __builtin_shufflevector(x, y, 1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 0, 0, 0, 0, 0);
    const Bytes16 bxy = __builtin_shufflevector(x, y, 2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 0, 0, 0, 0, 0, 0);
    const Bytes16 rs = __builtin_shufflevector(rxy, z, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17, 20, 23, 26, 29);
    const Bytes16 gs = __builtin_shufflevector(gxy, z, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 18, 21, 24, 27, 30);
    const Bytes16 bs = __builtin_shufflevector(bxy, z, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 19, 22, 25, 28, 31);
    std::memcpy(r, &rs, 16);
    std::memcpy(g, &gs, 16);
    std::memcpy(b, &bs, 16);
}

__attribute__((target("ssse3"))) size_t SplitShuffled(const uint8_t* src, uint8_t* const* out, size_t count) {
    uint8_t* const r = out[0];
    uint8_t* const g = out[1];
    uint8_t* const b = out[2];
    size_t i = 0;
    for (; i + 16 <= count; i += 16)
        SplitSixteen(src + 3 * i, r + i, g + i, b + i);
    return i;
}

bool CanShuffle() {
    static const bool can = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return can;
}
#endif

// out[p][i] = src[3i + p]: the three planes of interleaved RGB in one pass over the row.
void SplitPlanes(const uint8_t* src, uint8_t* const* out, size_t count) {
    size_t i = 0;
#ifdef QV_SPLIT_SHUFFLE
    if (CanShuffle())
        i = SplitShuffled(src, out, count);
#endif
    for (; i < count; ++i) {
        out[0][i] = src[3 * i];
        out[1][i] = src[3 * i + 1];
        out[2][i] = src[3 * i + 2];
    }
}

// out[i] = src[3i]: one channel of interleaved RGB. The transfer takes all three planes at
// once (SplitPlanes); one plane alone is rare enough to go plainly.
void GatherChannel(const uint8_t* src, uint8_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i)
        out[i] = src[3 * i];
}

// The bytes of one source row that lie inside the block.
struct SourceRow {
    const uint8_t* block;
    int64_t start;
    int64_t end;

    bool Holds(int64_t index) const { return index >= start && index < end; }
};

// The chroma stretch: one more sample, the mean of two neighbours, after every `ratio`.
// At the row's end the last sample stands in for its missing neighbour.
void CopyStretched(const SourceRow& row, int64_t s, int64_t step, int32_t ratio, uint8_t white, uint8_t* out,
                   size_t rowBytes) {
    int32_t k = ratio;
    for (size_t i = 0; i < rowBytes; ++i, s += step) {
        const uint8_t v = row.Holds(s) ? row.block[s] : white;
        out[i] = v;
        if (--k != 0)
            continue;
        k = ratio;
        if (i + 2 < rowBytes)
            out[++i] = row.Holds(s + step) ? static_cast<uint8_t>((v + row.block[s + step]) / 2) : v;
        else if (i + 1 < rowBytes)
            out[++i] = v;
        else
            ++i;
    }
}

// ---- stitch marks --------------------------------------------------------------------

// Calls paint(position) for the marks of image rows firstRow..lastRow, row i of them on row
// i of the block. Positions are in units of the block's rows, which are `rowLength` long;
// `step` is one mark position; seams move by `seamShift`; right of a seam nothing lies at or
// beyond `boundLength` times the chunk's rows less one.
template <typename Paint>
void ForEachStitchMark(const CameraWidths& cameras, int64_t seamShift, int64_t step, int64_t rowLength,
                       int64_t boundLength, int32_t firstRow, int32_t lastRow, Paint paint) {
    if (firstRow < 0 || lastRow < firstRow)
        return;
    const int64_t chunk = int64_t{lastRow} - firstRow + 1;
    // Only the first 40 rows are marked: a longer chunk moves the bound past all of them.
    const int64_t rightEnd = boundLength * std::min<int64_t>(chunk - 1, int64_t{1} << 24);
    int64_t seams[3];
    int seamCount = 0;
    int64_t edge = 0;
    for (int camera = 0; camera < 3; ++camera) {
        edge += cameras[camera];
        if (cameras[camera] >= 1 && cameras[camera + 1] >= 1)
            seams[seamCount++] = edge + seamShift;
    }
    for (int64_t i = 0; i < chunk; ++i) {
        const int64_t imageRow = firstRow + i;
        if (imageRow >= kStitchMarkRows)
            return;
        const int64_t halfWidth = kStitchMarkRows - imageRow;
        for (int n = 0; n < seamCount; ++n) {
            const int64_t seam = i * rowLength + seams[n];
            for (int64_t j = 0; j < halfWidth; ++j) {
                if (seam + j * step < rightEnd)
                    paint(seam + j * step);
                if (seam - (j + 1) * step >= 0)
                    paint(seam - (j + 1) * step);
            }
        }
    }
}

// Sizes as signed offsets; beyond 2^60 nothing is addressed anyway.
int64_t Offset(size_t size) {
    return static_cast<int64_t>(std::min<uint64_t>(size, uint64_t{1} << 60));
}

bool Inside(int64_t pos, int64_t length, size_t size) {
    return pos >= 0 && pos + length <= Offset(size);
}

} // namespace

const char* RowStatusText(RowStatus status) {
    switch (status) {
    case RowStatus::Ok:
        return "ok";
    case RowStatus::ChromaDenominator:
        return "chroma ratio: gLastCols minus base is 0 or below, no chroma stretch";
    case RowStatus::ChromaRatioBelowOne:
        return "chroma ratio below 1, no chroma stretch";
    case RowStatus::ChromaNoResolution:
        return "chroma ratio: no resolution, no chroma stretch";
    case RowStatus::ZeroWidth:
        return "row width 0";
    }
    return "?";
}

RowStatus SetChromaRatio(RowFormat& f) {
    f.chromaRatio = 0;
    if (f.resolution <= 0)
        return RowStatus::ChromaNoResolution;
    const int64_t base = static_cast<int64_t>(static_cast<double>(f.gLastCols) / f.resolution * 780.0);
    const int64_t denominator = f.gLastCols - base;
    if (denominator <= 0)
        return RowStatus::ChromaDenominator;
    const int64_t ratio = base / denominator;
    if (ratio < 1)
        return RowStatus::ChromaRatioBelowOne;
    f.chromaRatio = static_cast<int32_t>(std::min<int64_t>(ratio, std::numeric_limits<int32_t>::max()));
    if (f.imageMode == 0)
        f.rawWidth = CapWidth(int64_t{f.rawWidth} + base / ratio);
    return RowStatus::Ok;
}

RowStatus FindRowWidth(RowFormat& f, const uint8_t* block, size_t received,
                       const PictureWidthReader& readPictureWidth) {
    if (block == nullptr)
        received = 0;
    if (f.rawWidth == 0) {
        int32_t width = 0;
        if (readPictureWidth && readPictureWidth(width))
            f.rawWidth = CapWidth(width);
        else if (!f.colorScanner && f.generation < 5)
            f.rawWidth = CapWidth(RunPixels(block, received));
    }

    int64_t width = CapWidth(f.rawWidth);
    switch (f.imageMode) {
    case 0:
        f.iPixelWidth = static_cast<int32_t>(width);
        f.iByteWidth = static_cast<int32_t>((width + 7) / 8);
        break;
    case 1:
        if (f.generation >= 5)
            width = std::max<int64_t>(width - 9, 0);
        f.iPixelWidth = f.iByteWidth = static_cast<int32_t>(width);
        break;
    case 3:
        f.iPixelWidth = static_cast<int32_t>(width / 3);
        f.iByteWidth = static_cast<int32_t>(width);
        break;
    default: // indexed colour has no row layout of its own
        f.iPixelWidth = f.iByteWidth = 0;
        break;
    }
    LogLine("iWidth = %d", f.iPixelWidth);

    if (f.generation < 5 && f.imageMode != 0 && f.iByteWidth > 0 &&
        received % static_cast<uint64_t>(f.iByteWidth) != 0)
        RepairWidth(f, received);

    if (f.imageMode == 0) {
        // The first row's runs, the last byte left out.
        f.iPixelWidth = CapWidth(RunPixels(block, received > 0 ? received - 1 : 0));
        f.iByteWidth = (f.iPixelWidth + 7) / 8;
        LogLine("-----Calculated iPixelWidth = %d", f.iPixelWidth);
        if (f.chromaRatio > 0) {
            f.iPixelWidth = CapWidth(int64_t{f.iPixelWidth} + f.iPixelWidth / f.chromaRatio);
            f.iByteWidth = (f.iPixelWidth + 7) / 8;
            LogLine("-----Calculated ( Chroma Corr ) iPixelWidth = %d", f.iPixelWidth);
        }
    }

    if (f.iByteWidth <= 0 || f.iPixelWidth <= 0) {
        f.iByteWidth = f.iPixelWidth = 0;
        return RowStatus::ZeroWidth;
    }
    return RowStatus::Ok;
}

int32_t RowsInBlock(const RowFormat& format, size_t bytes) {
    if (format.iByteWidth <= 0)
        return 0;
    return ClampToInt(bytes / static_cast<size_t>(format.iByteWidth));
}

size_t DecodeRunLength(const uint8_t* block, size_t received, uint8_t* out, size_t outSize) {
    return Decode(block, received, out, outSize, NoStretch{});
}

size_t DecodeRunLengthStretched(const uint8_t* block, size_t received, uint8_t* out, size_t outSize,
                                int32_t chromaRatio) {
    if (chromaRatio < 1)
        return Decode(block, received, out, outSize, NoStretch{});
    return Decode(block, received, out, outSize, Stretch(chromaRatio));
}

namespace {

// Where one source row of a chunk lies in the block, and how its samples are taken.
struct RowPlace {
    SourceRow row{nullptr, 0, 0};
    int64_t first = 0; // the first sample of plane 0, after the left skip
    int64_t step = 1;
    uint8_t white = 0;
    bool rgb = false;
    bool stretched = false;
};

// False when the row lies outside the block (or there is no width): then it is all white.
bool PlaceRow(const RowFormat& f, const uint8_t* block, size_t blockSize, size_t blockOffset,
              int32_t sourceRow, RowPlace& p) {
    p.rgb = f.enumMode == kScanTypeRgb;
    const bool gray = f.enumMode == kScanTypeGray;
    p.white = p.rgb || gray ? 0xFF : 0x00;
    if (block == nullptr || f.iByteWidth <= 0 || blockOffset >= blockSize)
        return false;
    const int64_t size = Offset(blockSize);
    p.row.block = block;
    p.row.start =
        std::min<int64_t>(Offset(blockOffset) + int64_t{std::max(sourceRow, 0)} * f.iByteWidth, size);
    p.row.end = std::min<int64_t>(p.row.start + f.iByteWidth, size);
    const int64_t skip = f.leftSkipPixels <= 0 ? 0
                         : gray                ? int64_t{f.leftSkipPixels}
                         : p.rgb               ? int64_t{f.leftSkipPixels} * 3
                                               : f.leftSkipPixels / 8;
    p.first = p.row.start + skip;
    p.step = p.rgb ? 3 : 1;
    p.stretched = (p.rgb || gray) && f.chromaRatio > 0;
    return true;
}

// Samples of plane `plane` the row holds for a strip row of `rowBytes`.
size_t SamplesHeld(const RowPlace& p, int32_t plane, size_t rowBytes) {
    const int64_t s = p.first + plane;
    if (!p.row.Holds(s))
        return 0;
    return std::min<size_t>(rowBytes, static_cast<size_t>((p.row.end - s + p.step - 1) / p.step));
}

void CopyPlane(const RowFormat& f, const RowPlace& p, int32_t plane, uint8_t* out, size_t rowBytes) {
    const int64_t s = p.first + plane;
    if (p.stretched) {
        CopyStretched(p.row, s, p.step, f.chromaRatio, p.white, out, rowBytes);
        return;
    }
    const size_t count = SamplesHeld(p, plane, rowBytes);
    if (count > 0 && p.rgb)
        GatherChannel(p.row.block + s, out, count);
    else if (count > 0)
        std::memcpy(out, p.row.block + s, count);
    std::memset(out + count, p.white, rowBytes - count);
}

} // namespace

int64_t StretchedRows(int64_t sourceRows, double factor) {
    if (!(factor > 1.0) || sourceRows <= 0)
        return std::max<int64_t>(sourceRows, 0);
    // Row counts at these factors are never within 1e-4 of an integer unless they are one.
    return static_cast<int64_t>(std::ceil(static_cast<double>(sourceRows) * factor - 1e-7));
}

int64_t SourceRowOf(int64_t row, double factor) {
    if (!(factor > 1.0) || row <= 0)
        return std::max<int64_t>(row, 0);
    return static_cast<int64_t>(std::floor(static_cast<double>(row) / factor + 1e-7));
}

void CopyStripRow(const RowFormat& f, const uint8_t* block, size_t blockSize, size_t blockOffset,
                  int32_t sourceRow, int32_t plane, uint8_t* out, size_t rowBytes) {
    if (out == nullptr || rowBytes == 0)
        return;
    RowPlace p;
    if (!PlaceRow(f, block, blockSize, blockOffset, sourceRow, p))
        std::memset(out, p.white, rowBytes);
    else
        CopyPlane(f, p, plane, out, rowBytes);
}

void CopyStripRowPlanes(const RowFormat& f, const uint8_t* block, size_t blockSize, size_t blockOffset,
                        int32_t sourceRow, uint8_t* const* out, int32_t planes, size_t rowBytes) {
    if (out == nullptr || rowBytes == 0)
        return;
    for (int32_t plane = 0; plane < planes; ++plane)
        if (out[plane] == nullptr)
            return;
    RowPlace p;
    if (!PlaceRow(f, block, blockSize, blockOffset, sourceRow, p)) {
        for (int32_t plane = 0; plane < planes; ++plane)
            std::memset(out[plane], p.white, rowBytes);
        return;
    }
    if (!p.rgb || p.stretched || planes != 3) {
        for (int32_t plane = 0; plane < planes; ++plane)
            CopyPlane(f, p, plane, out[plane], rowBytes);
        return;
    }
    // Whole pixels in one pass; a plane whose last sample falls outside the row gets it white.
    const size_t pixels = SamplesHeld(p, 2, rowBytes);
    if (pixels > 0)
        SplitPlanes(p.row.block + p.first, out, pixels);
    for (int32_t plane = 0; plane < 3; ++plane) {
        const size_t held = SamplesHeld(p, plane, rowBytes);
        for (size_t i = pixels; i < held; ++i)
            out[plane][i] = p.row.block[p.first + plane + 3 * int64_t(i)];
        std::memset(out[plane] + held, p.white, rowBytes - held);
    }
}

void PaintStitchMarksRgb(uint8_t* block, size_t blockSize, const CameraWidths& cameras, int32_t rawWidth,
                         int32_t firstRow, int32_t lastRow) {
    if (block == nullptr)
        return;
    ForEachStitchMark(cameras, 0, 3, rawWidth, rawWidth, firstRow, lastRow, [&](int64_t pos) {
        if (Inside(pos, 3, blockSize)) {
            block[pos] = 255;
            block[pos + 1] = 0;
            block[pos + 2] = 0;
        }
    });
}

void PaintStitchMarksGray(uint8_t* block, size_t blockSize, const CameraWidths& cameras, int32_t rawWidth,
                          int32_t generation, int32_t firstRow, int32_t lastRow) {
    if (block == nullptr)
        return;
    // Generation 5 ends every gray row with nine bytes that the first camera counts.
    const int64_t quirk = generation >= 5 ? 9 : 0;
    ForEachStitchMark(cameras, -quirk, 1, int64_t{rawWidth} - quirk, rawWidth, firstRow, lastRow,
                      [&](int64_t pos) {
                          if (Inside(pos, 1, blockSize))
                              block[pos] = static_cast<uint8_t>(255 - block[pos]);
                      });
}

void PaintStitchMarksBitmap(uint8_t* rows, size_t size, const CameraWidths& cameras, int32_t iByteWidth,
                            int32_t firstRow, int32_t lastRow) {
    if (rows == nullptr)
        return;
    const int64_t rowBits = int64_t{iByteWidth} * 8;
    ForEachStitchMark(cameras, 0, 1, rowBits, rowBits, firstRow, lastRow, [&](int64_t bit) {
        if (bit >= 0 && Inside(bit / 8, 1, size))
            rows[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
    });
}

} // namespace qv
