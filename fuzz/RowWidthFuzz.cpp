// The width step and what follows it in a transfer, on any block: a 20-byte header sets the
// scan (mode, generation, widths, columns, resolution, chroma, left skip, vertical stretch,
// cameras, the chunk's first row), the rest is the block. Bitmap blocks are decoded into a
// work buffer sized as the transfer sizes it; then the stitch marks and the row copy of every
// plane. Nothing is read or written outside the block, the work buffer or the strip row.
#include "plugin/RowConversion.h"

#include "platform/DebugLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kHeader = 20;
// Rows converted per input, to keep every input quick.
constexpr int32_t kMostRows = 48;

uint16_t Word(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] << 8 | at[1]);
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

// The log formatted and dropped: written to QVL.log, it would grow by gigabytes in a run.
// Defined here, it keeps the log file's code out of this program.
void qv::LogLine(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader)
        return 0;
    const uint8_t flags = data[0];
    qv::RowFormat f;
    const int32_t modes[] = {0, 1, 3, 2};
    f.imageMode = modes[flags & 3];
    f.enumMode = f.imageMode == 0   ? 1 + (flags >> 5)
                 : f.imageMode == 1 ? qv::kScanTypeGray
                                    : qv::kScanTypeRgb;
    f.generation = flags & 4 ? 5 : 4;
    f.colorScanner = flags & 8;
    f.rawWidth = Word(data + 1);
    f.gLastCols = Word(data + 3) & 0x7FFF;
    f.resolution = Word(data + 5) & 0x1FFF;
    f.leftSkipPixels = data[7];
    f.verticalFactor = 1.0 + data[8] / 64.0;
    const int32_t pictureWidth = Word(data + 9);
    const qv::CameraWidths cameras = {Word(data + 11), Word(data + 13), Word(data + 15), Word(data + 17)};
    const int32_t firstRow = data[19];
    const uint8_t* block = data + kHeader;
    const size_t received = size - kHeader;

    if (flags & 16)
        qv::SetChromaRatio(f);
    const qv::RowStatus status = qv::FindRowWidth(f, block, received, [&](int32_t& width) {
        width = pictureWidth;
        return pictureWidth != 0;
    });
    if ((status == qv::RowStatus::Ok) != (f.iByteWidth > 0 && f.iPixelWidth > 0))
        Fail("the status and the widths disagree");
    if (status != qv::RowStatus::Ok)
        return 0;

    // The block as the row copy sees it: the scanner's bytes, or the decoded bitmap rows.
    std::vector<uint8_t> rows(block, block + received);
    if (f.imageMode == 0) {
        const size_t lines = static_cast<size_t>(std::count(block, block + received, 0));
        size_t needed = static_cast<size_t>(f.iByteWidth) * lines;
        if (f.chromaRatio > 0)
            needed = needed * 11 / 10;
        rows.assign(std::min<size_t>(needed, 1 << 22), 0);
        const size_t decoded =
            qv::DecodeRunLengthStretched(block, received, rows.data(), rows.size(), f.chromaRatio);
        if (decoded > rows.size())
            Fail("decoded more than the work buffer");
        rows.resize(decoded);
    }
    const int32_t count = std::min(qv::RowsInBlock(f, rows.size()), kMostRows);
    if (static_cast<size_t>(count) * static_cast<size_t>(f.iByteWidth) > rows.size())
        Fail("more rows than the block holds");
    if (count == 0)
        return 0;

    const int32_t lastRow = firstRow + count - 1;
    if (f.imageMode == 0)
        qv::PaintStitchMarksBitmap(rows.data(), rows.size(), cameras, f.iByteWidth, firstRow, lastRow);
    else if (f.enumMode == qv::kScanTypeGray)
        qv::PaintStitchMarksGray(rows.data(), rows.size(), cameras, f.rawWidth, f.generation, firstRow,
                                 lastRow);
    else
        qv::PaintStitchMarksRgb(rows.data(), rows.size(), cameras, f.rawWidth, firstRow, lastRow);

    const size_t cols = static_cast<size_t>(f.gLastCols);
    const size_t rowBytes = f.imageMode == 0 ? (cols + 7) / 8 : cols;
    std::vector<uint8_t> strip(rowBytes);
    const int64_t stripRows = qv::StretchedRows(count, f.verticalFactor);
    const int32_t planes = f.imageMode == 3 ? 3 : 1;
    std::vector<uint8_t> all(rowBytes * 3);
    uint8_t* out[3] = {all.data(), all.data() + rowBytes, all.data() + 2 * rowBytes};
    for (int64_t row = 0; row < stripRows; ++row) {
        const auto source = static_cast<int32_t>(qv::SourceRowOf(row, f.verticalFactor));
        for (int32_t plane = 0; plane < planes; ++plane)
            qv::CopyStripRow(f, rows.data(), rows.size(), 0, source, plane, strip.data(), rowBytes);
        qv::CopyStripRowPlanes(f, rows.data(), rows.size(), 0, source, out, planes, rowBytes);
    }
    return 0;
}
