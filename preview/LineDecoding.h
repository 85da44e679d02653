// The prescan's data chunks turned into preview rows: the line width fixed from the first
// chunk, then only the lines that fall on preview rows sampled down to the preview's width.
// The sampling is pure; PreScan_DecodeChunk draws its rows and keeps them.
#pragma once

#include "platform/DialogControls.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class CScanner;

namespace preview {

constexpr int32_t kModeGray = 9;
constexpr int32_t kModeColour = 10;
// What the bitonal run buffer holds beyond one line.
constexpr int32_t kRunBufferSlack = 1000;

// One prescan's decoding state.
struct LineDecoding {
    int32_t iScannedPixelWidth = 0; // 0 until the first chunk with data
    int32_t iW3 = 0;
    int32_t iA = 0, iB = 0, iC = 0, iD = 0; // camera widths
    double dXStep = 1.0, dYStep = 1.0;      // source pixels and lines per preview pixel and row
    double dNextLine = 0.0;
    int32_t iSourceLine = 0;
    std::vector<uint8_t> runs; // bitonal: one byte per pixel, 1 white
    std::vector<uint8_t> row;  // the preview row being made
    std::vector<uint8_t> line; // the image row as the line manager keeps it
};

// The state before the first chunk: the steps of the window's 150-dpi size over the area.
LineDecoding StartLineDecoding(int32_t iPixW, int32_t iPixH, int32_t areaWidth, int32_t areaHeight);

// Gray without camera widths: the first width from guess - 30 (at least 1) to guess + 30
// that divides the chunk's byte count; 0 when none does.
int32_t GrayLineWidth(int32_t guess, int32_t received);
// Pixels of the first bitonal line: its run lengths up to its zero byte.
int32_t BitonalLineWidth(std::span<const uint8_t> chunk);
// Fixes the line width and the steps from the first chunk with data (camera widths set
// before); false when no width follows, which no line can be shown with.
bool FixLineWidth(LineDecoding& d, std::span<const uint8_t> chunk, int32_t mode, int32_t iPreRes,
                  uint32_t windowWidth, int32_t areaWidth);

// Calls `shown` with the preview row (previewWidth x 3 bytes, red, green, blue) of every line
// of the chunk that falls on a preview row; the others are only counted.
using RowSink = std::function<void(std::span<const uint8_t> rgb)>;
void DecodeLines(LineDecoding& d, std::span<const uint8_t> chunk, int32_t mode, int32_t previewWidth,
                 const RowSink& shown);

struct PrescanWindow {
    int32_t mode = kModeGray; // as sent to the scanner
    int32_t iPreRes = 150;    // dots per inch
    uint32_t windowWidth = 0; // 1/1200 inch
};

// One chunk with data: on the first, reads the camera widths and fixes the line width
// (false, with a box owned by the dialog, when none follows: the prescan cannot go on);
// then draws the chunk's preview rows and appends each to the line manager.
bool PreScan_DecodeChunk(qv::DialogControls& dialog, CScanner& scanner, LineDecoding& d,
                         std::span<const uint8_t> chunk, const PrescanWindow& window);

} // namespace preview
