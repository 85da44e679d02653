// The conversions the transfer applies to the scanner's blocks before rows go to the host:
// the row width, run-length bitmaps, strip rows of one plane and the stitch marks at the
// camera seams. Pure functions of the block and of a RowFormat; none calls the host or the
// scanner, and none reads or writes outside the sizes it is given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace qv {

// Scan type codes (`enumMode`): 1 to 8 the bitmap variants.
constexpr int32_t kScanTypeGray = 9;
constexpr int32_t kScanTypeRgb = 10;

// Image rows from here on carry no stitch marks.
constexpr int32_t kStitchMarkRows = 40;

// The working values of one transfer. The first group is fixed before it starts; the second
// is found by SetChromaRatio and FindRowWidth.
struct RowFormat {
    int32_t enumMode = 0;  // scan type: 1..8 bitmap, 9 gray, 10 RGB
    int32_t imageMode = 0; // host mode: 0 bitmap, 1 gray, 3 RGB
    int32_t generation = 5;
    int32_t resolution = 0; // chosen dpi
    int32_t gLastCols = 0;
    bool colorScanner = false;
    int32_t leftSkipPixels = 0;  // 0 without leftSkip
    double verticalFactor = 1.0; // above 1 under vertical stretch (see StretchedRows)

    int32_t rawWidth = 0;   // data units per scanned row: bits for bitmap, bytes otherwise
    int32_t iByteWidth = 0; // bytes per row of the block (of the decoded rows for bitmap)
    int32_t iPixelWidth = 0;
    int32_t chromaRatio = 0; // source samples per inserted one; 0: no chroma stretch
};

enum class RowStatus {
    Ok,
    // Chroma ratio: gLastCols minus base is 0 or below (the device already delivers the
    // columns), the ratio is below 1 (it would need more than one inserted sample per source
    // sample), or no resolution to compute it from.
    ChromaDenominator,
    ChromaRatioBelowOne,
    ChromaNoResolution,
    // The width step left no row width: the block gives no rows.
    ZeroWidth,
};

const char* RowStatusText(RowStatus status);

// Sets `chromaRatio` from gLastCols and the resolution and, for bitmap, widens `rawWidth`.
// On any failure the transfer goes on without the stretch: `chromaRatio` stays 0, `rawWidth`
// unchanged, and the status says why (for the log).
RowStatus SetChromaRatio(RowFormat& format);

// Answers the scanner's picture width, or false when it cannot be read.
using PictureWidthReader = std::function<bool(int32_t& width)>;

// The width step on the first block with data: sets `iByteWidth` and `iPixelWidth` (and
// `rawWidth` when it was 0, through `readPictureWidth`, which may be empty). ZeroWidth, also
// the answer for indexed colour, leaves both widths 0: the block gives no rows, and the step
// is tried again on the next block with data.
RowStatus FindRowWidth(RowFormat& format, const uint8_t* block, size_t received,
                       const PictureWidthReader& readPictureWidth);

// Whole rows of `iByteWidth` in `bytes`; 0 while the width is unknown.
int32_t RowsInBlock(const RowFormat& format, size_t bytes);

// Run-length bitmap into rows packed most significant bit first, 1 for black, each row
// ending on a byte boundary. Answers the bytes of whole rows and finished bytes written,
// at most `outSize`. `chromaRatio` above 0 inserts one pixel after every that many.
size_t DecodeRunLength(const uint8_t* block, size_t received, uint8_t* out, size_t outSize);
size_t DecodeRunLengthStretched(const uint8_t* block, size_t received, uint8_t* out, size_t outSize,
                                int32_t chromaRatio);

// Under vertical stretch image row r shows source row SourceRowOf(r), and the first n source
// rows make the first StretchedRows(n) image rows; a factor of 1 or below is no stretch.
int64_t StretchedRows(int64_t sourceRows, double factor);
int64_t SourceRowOf(int64_t row, double factor);

// Fills one strip row of one plane (0 to 2 for RGB, else 0) from row `sourceRow` of the chunk
// at `blockOffset`, less the left skip, with the chroma stretch for gray and RGB. A source
// byte outside its row or the block reads as white.
void CopyStripRow(const RowFormat& format, const uint8_t* block, size_t blockSize, size_t blockOffset,
                  int32_t sourceRow, int32_t plane, uint8_t* out, size_t rowBytes);

// The same for planes 0 to planes - 1 at once; three planes of RGB are read in one pass.
void CopyStripRowPlanes(const RowFormat& format, const uint8_t* block, size_t blockSize, size_t blockOffset,
                        int32_t sourceRow, uint8_t* const* out, int32_t planes, size_t rowBytes);

// Camera widths A to D in the row's data units (pixels for bitmap, bytes otherwise).
using CameraWidths = std::array<int32_t, 4>;

// Stitch marks for image rows firstRow..lastRow of a chunk, painted on the block's rows from
// its first row on.
void PaintStitchMarksRgb(uint8_t* block, size_t blockSize, const CameraWidths& cameras, int32_t rawWidth,
                         int32_t firstRow, int32_t lastRow);
void PaintStitchMarksGray(uint8_t* block, size_t blockSize, const CameraWidths& cameras, int32_t rawWidth,
                          int32_t generation, int32_t firstRow, int32_t lastRow);
void PaintStitchMarksBitmap(uint8_t* rows, size_t size, const CameraWidths& cameras, int32_t iByteWidth,
                            int32_t firstRow, int32_t lastRow);

} // namespace qv
