// What a scan must give, worked out from the simulated scanner's documented image formation
// and the module's documented row handling alone: the sheet's chart, the window's sampling,
// tone and bitmap rules and the run-length code; then blocks, chunks, vertical and chroma
// stretch and stitch marks into the host's document. Nothing here calls the simulator.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::e2e {

// Pixels as the host's files hold them.
struct Image {
    char kind = '5'; // '4' bitmap (rows packed most significant bit first, 1 black), '5' gray, '6' RGB
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    size_t RowBytes() const;
    int Channels() const { return kind == '6' ? 3 : 1; }
    // A bitmap pixel is 1 for black.
    int Sample(int32_t x, int32_t y, int channel) const;
};

Image WhiteImage(char kind, int32_t width, int32_t height);

// Where two images first differ and how; empty when they hold the same pixels. Bits past a
// bitmap row's last column are not pixels.
std::string FirstDifference(const Image& expected, const Image& actual);

struct Sheet {
    std::string chart; // gray-ramp, color-bars, line-pairs or grid
    double width = 0;  // inches
    double height = 0;
    int32_t dpi = 200;
};

struct SheetPixels {
    int64_t width = 0;
    int64_t height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int64_t x, int64_t y) const { return &rgb[size_t((y * width + x) * 3)]; }
};

SheetPixels DrawChart(const Sheet& sheet);

struct Device {
    int32_t generation = 5;
    bool color = true;
    int32_t deviceClass = 1;
    int64_t maxScanWidth = 0; // 1/1200 inch
    int32_t cameras = 1;
};

struct Window {
    int64_t x = 0, y = 0, width = 0, height = 0; // 1/1200 inch
    int32_t rx = 0, ry = 0;                      // as sent
    int32_t threshold = 0;
    int32_t composition = 0; // 5 RGB, 2 gray, anything else bitmap
    bool thresholdRule = false;
};

// The block sent with scanSetWindow; false when it is too short to hold the fields.
bool ReadWindow(const std::vector<uint8_t>& block, const Device& device, Window& window);

enum class Mode { Bitmap, Gray, Rgb };

// What the device sends for one scan: every row it will deliver, as read, back to back.
struct DeviceRows {
    Mode mode = Mode::Gray;
    int64_t pixels = 0;               // per row
    int64_t rows = 0;                 // rows before the sheet's or the window's end
    std::array<int64_t, 4> cameras{}; // picture size fields, data units
    std::vector<uint8_t> bytes;
    std::vector<size_t> rowEnds; // end of each row in bytes
};

// `gamma` is the table last sent (3 x N entries), empty for none.
DeviceRows FormRows(const Device& device, const Sheet& sheet, const Window& window,
                    const std::vector<uint8_t>& gamma);

// What the module was given for one image.
struct Transfer {
    int32_t rows = 0; // the document
    int32_t cols = 0;
    int32_t dpi = 0; // chosen; above the window's ry the rows are stretched, above its rx on a
                     // class-3 colour scanner of generation 5 the columns are
    bool stitch = false;
    int32_t stripRows = 300;
    std::vector<int64_t> received; // bytes of every image read, in order
};

// Strip rows the module obtains from a host with `freeSpace` bytes.
int32_t StripRows(int32_t freeSpace, int32_t rowBytes, int32_t rows);

// The host's document: rows the blocks never delivered stay white. `error` says why the
// blocks cannot be the device's rows.
Image Document(const Device& device, const Window& window, const DeviceRows& scan, const Transfer& transfer,
               std::string& error);

// Whole rows in the first `bytes` of the device's rows; -1 when they end inside a row.
int64_t RowsIn(const DeviceRows& scan, int64_t bytes);

} // namespace qv::e2e
