// How a simulated device turns a window and a sheet into row data: the window block it
// accepts, the camera split of the picture size and the rows it delivers.
#pragma once

#include "sim/Profile.h"
#include "sim/Sheet.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qv::sim {

enum class Kind { BwThreshold, BwMidpoint, Gray, Rgb };

struct WindowParams {
    uint32_t rx = 0, ry = 0;           // dpi as sent
    uint32_t xOffset = 0, yOffset = 0; // 1/1200 inch
    uint32_t width = 0, height = 0;    // 1/1200 inch
    uint8_t threshold = 0;
    Kind kind = Kind::Gray;
    int bwVariant = 0; // 1..8 on generation 5; 1 or 0 (not told) on generation 4
    bool hasColorSpace = false;
    uint8_t colorSpace = 0;
};

// Sense code of a refused block, 0 when accepted.
constexpr uint16_t kSenseParameterLength = 0x1A00;
constexpr uint16_t kSenseInvalidCdb = 0x2400;
constexpr uint16_t kSenseParameterValue = 0x2602;
// A row longer than this is refused: no optics resolve it, and it would only exhaust memory.
constexpr int64_t kMaxRowPixels = 2000000;
uint16_t ParseWindow(const Profile& profile, const uint8_t* block, int length, WindowParams& out);

// The resolution the optics really use across the sheet.
uint32_t EffectiveResolutionX(const Profile& profile, uint32_t rx);
// Pixels per row and rows of a window (before the sheet's trailing edge cuts it).
int64_t WindowPixels(const Profile& profile, const WindowParams& w);
int64_t WindowRows(const WindowParams& w);
// Extra bytes a generation-5 device appends to every gray row.
int GrayRowPadding(const Profile& profile);
// Picture size: each camera's share of the window's pixels in data units.
std::array<uint16_t, 4> CameraWidths(const Profile& profile, const WindowParams& w);

// Left edge of a sheet in 1/1200 inch: 0 when side-loaded, else centred on the scan width.
int64_t SheetLeftEdge(const Profile& profile, const Sheet& sheet, bool centred);

// Run-length code of one bitmap row (1 = black per pixel), ended by a zero byte.
size_t EncodeRuns(const uint8_t* black, size_t pixels, uint8_t* out);
size_t MaxEncodedRow(size_t pixels);

// 256-entry look-up per channel made from a gamma table of N entries per channel.
using ToneMaps = std::array<std::array<uint8_t, 256>, 3>;
ToneMaps IdentityTone();
ToneMaps ToneFromTable(const std::vector<uint8_t>& table, uint32_t entries);

class ImageFormer {
  public:
    // sheet may be null: everything is white.
    ImageFormer(const Profile& profile, const WindowParams& window, SheetPtr sheet, bool centred,
                bool fullWindow, const ToneMaps& tone);

    int64_t Rows() const { return rows_; }
    int64_t Pixels() const { return pixels_; }
    // Bytes of a row for gray and RGB; 0 for bitmaps (their rows vary).
    size_t FixedRowBytes() const { return fixedRowBytes_; }
    size_t LargestRow() const;

    // Writes whole rows from `row` on while they fit and stay below `rowLimit`;
    // advances `row` and returns the bytes written.
    size_t Fill(int64_t& row, int64_t rowLimit, uint8_t* out, size_t capacity);

  private:
    struct Segment {
        uint32_t out, src, length;
    };
    int64_t SourceRow(int64_t row) const;
    int64_t RowKey(int64_t sourceRow) const;
    const uint8_t* ProcessedRow(int64_t sourceRow);
    // Tone (and for bitmaps the black/white rule) over gray values in place.
    void MapGray(size_t count);
    void FormRow(const uint8_t* processed, uint8_t* out) const;

    Kind kind_;
    SheetPtr sheet_;
    ToneMaps tone_;
    bool toneIdentity_ = false;
    uint8_t threshold_ = 128;
    int padding_ = 0;
    int64_t pixels_ = 0, rows_ = 0;
    size_t fixedRowBytes_ = 0, bytesPerPixel_ = 1;
    int64_t yOffset_ = 0, ry_ = 1, dpi_ = 1;
    std::vector<Segment> segments_;
    std::vector<uint32_t> columns_; // source index per output pixel
    uint32_t whiteIndex_ = 0;
    std::vector<uint8_t> sourceRgb_, processed_;
    static constexpr int64_t kNoKey = INT64_MIN + 1;
    int64_t processedKey_ = kNoKey;
    std::vector<uint8_t> previousRow_, bitmap_, encoded_;
    int64_t previousKey_ = kNoKey;
    int64_t encodedKey_ = kNoKey;
    size_t encodedSize_ = 0;
};

} // namespace qv::sim
