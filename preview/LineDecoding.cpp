#include "preview/LineDecoding.h"

#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "preview/LineManager.h"
#include "preview/PreScan.h"
#include "preview/Rendering.h"
#include "scanner/Scanner.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace preview {
namespace {

constexpr int32_t kGraySearch = 30;

bool IsBitonal(int32_t mode) {
    return mode != kModeGray && mode != kModeColour;
}

// Gray and colour: the line's pixels at the preview's steps, each from the middle of its step.
void SampleLine(const LineDecoding& d, std::span<const uint8_t> line, int32_t bytesPerPixel,
                int32_t previewWidth, uint8_t* row) {
    const size_t start = size_t(int32_t(d.dXStep) / 2);
    double x = 0.0;
    for (int32_t column = 0; column < previewWidth; ++column, x += d.dXStep) {
        const size_t offset = (start + size_t(x)) * size_t(bytesPerPixel);
        uint8_t* out = row + size_t(column) * 3;
        if (offset + size_t(bytesPerPixel) > line.size()) {
            std::memset(out, 0, 3);
        } else if (bytesPerPixel == 1) {
            std::memset(out, line[offset], 3);
        } else {
            std::memcpy(out, &line[offset], 3);
        }
    }
}

// Bitonal: the line's runs into the run buffer; answers the bytes read, its zero byte included.
size_t ExpandRuns(std::span<const uint8_t> data, std::vector<uint8_t>& runs, int32_t width) {
    size_t filled = 0, p = 0;
    for (; p < data.size() && data[p] != 0; ++p) {
        const size_t length = std::min<size_t>(data[p] & 0x7F, runs.size() - filled);
        std::memset(runs.data() + filled, (data[p] & 0x80) ? 1 : 0, length);
        filled += length;
    }
    // A short line shows black where it has no pixels.
    if (filled < size_t(width))
        std::memset(runs.data() + filled, 0, size_t(width) - filled);
    return std::min(p + 1, data.size());
}

size_t SkipLine(std::span<const uint8_t> data) {
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return std::min(size_t(end - data.begin()) + 1, data.size());
}

// Spans of dXStep pixels, each the share of white in it.
void SpanLine(const LineDecoding& d, int32_t previewWidth, uint8_t* row) {
    const int32_t width = d.iScannedPixelWidth;
    int32_t start = 0, column = 0;
    double end = 0.0;
    while (start < width) {
        end += d.dXStep;
        const int32_t stop = std::min(int32_t(end), width);
        const int32_t ones = int32_t(std::count(d.runs.begin() + start, d.runs.begin() + stop, uint8_t{1}));
        const int32_t length = stop - start;
        const uint8_t value = ones > 0 && length > 0 ? uint8_t(ones * 255 / length) : 0;
        if (column < previewWidth)
            std::memset(row + size_t(column) * 3, value, 3);
        ++column;
        start = stop;
    }
    // A line narrower than the preview leaves nothing beyond its spans.
    if (column < previewWidth)
        std::memset(row + size_t(column) * 3, 0, size_t(previewWidth - column) * 3);
}

bool LineShown(const LineDecoding& d) {
    return d.iSourceLine == int32_t(d.dNextLine);
}

} // namespace

LineDecoding StartLineDecoding(int32_t iPixW, int32_t iPixH, int32_t areaWidth, int32_t areaHeight) {
    LineDecoding d;
    d.dXStep = areaWidth > 0 ? std::max(double(iPixW) / areaWidth, 1.0) : 1.0;
    d.dYStep = areaHeight > 0 ? std::max(double(iPixH) / areaHeight, 1.0) : 1.0;
    return d;
}

int32_t GrayLineWidth(int32_t guess, int32_t received) {
    for (int32_t w = std::max(guess - kGraySearch, 1); w <= guess + kGraySearch; ++w)
        if (received % w == 0)
            return w;
    return 0;
}

int32_t BitonalLineWidth(std::span<const uint8_t> chunk) {
    int32_t width = 0;
    for (size_t p = 0; p < chunk.size() && chunk[p] != 0; ++p)
        width += chunk[p] & 0x7F;
    return width;
}

bool FixLineWidth(LineDecoding& d, std::span<const uint8_t> chunk, int32_t mode, int32_t iPreRes,
                  uint32_t windowWidth, int32_t areaWidth) {
    int32_t sum = d.iA + d.iB + d.iC + d.iD;
    if (mode == kModeColour) {
        d.iScannedPixelWidth = sum / 3;
        d.iW3 = sum;
    } else if (mode == kModeGray) {
        if (sum == 0)
            sum = GrayLineWidth(int32_t(int64_t{iPreRes} * windowWidth / 1200.0), int32_t(chunk.size()));
        d.iScannedPixelWidth = sum;
        d.iW3 = 3 * sum;
    } else {
        d.iScannedPixelWidth = BitonalLineWidth(chunk);
        d.iW3 = 3 * d.iScannedPixelWidth;
    }
    if (d.iScannedPixelWidth <= 0 || areaWidth <= 0) {
        d.iScannedPixelWidth = 0;
        return false;
    }
    if (IsBitonal(mode))
        d.runs.assign(size_t(d.iScannedPixelWidth) + kRunBufferSlack, 0);
    d.dXStep = std::max(double(d.iScannedPixelWidth) / areaWidth, 1.0);
    d.dYStep = d.dXStep;
    return true;
}

void DecodeLines(LineDecoding& d, std::span<const uint8_t> chunk, int32_t mode, int32_t previewWidth,
                 const RowSink& shown) {
    if (d.iScannedPixelWidth <= 0 || previewWidth <= 0)
        return;
    d.row.resize(size_t(previewWidth) * 3);
    if (!IsBitonal(mode)) {
        const int32_t bytesPerPixel = mode == kModeColour ? 3 : 1;
        const size_t lineLength = size_t(mode == kModeColour ? d.iW3 : d.iScannedPixelWidth);
        const size_t lines = chunk.size() / lineLength;
        for (size_t i = 0; i < lines; ++i, ++d.iSourceLine) {
            if (!LineShown(d))
                continue;
            SampleLine(d, chunk.subspan(i * lineLength, lineLength), bytesPerPixel, previewWidth,
                       d.row.data());
            shown(d.row);
            d.dNextLine += d.dYStep;
        }
        return;
    }
    for (size_t p = 0; p + 1 < chunk.size(); ++d.iSourceLine) {
        if (!LineShown(d)) {
            p += SkipLine(chunk.subspan(p));
            continue;
        }
        p += ExpandRuns(chunk.subspan(p), d.runs, d.iScannedPixelWidth);
        SpanLine(d, previewWidth, d.row.data());
        shown(d.row);
        d.dNextLine += d.dYStep;
    }
}

bool PreScan_DecodeChunk(qv::DialogControls& dialog, CScanner& scanner, LineDecoding& d,
                         std::span<const uint8_t> chunk, const PrescanWindow& window) {
    int32_t areaWidth = 0;
    {
        std::lock_guard lock(PreScanLock());
        areaWidth = PreScan.iAreaWidth;
    }
    if (d.iScannedPixelWidth == 0) {
        scanner.ReadCameraWidths(d.iA, d.iB, d.iC, d.iD);
        qv::LogLine("PreScan:: iA = %d iB  = %d iC  = %d iD = %d", d.iA, d.iB, d.iC, d.iD);
        if (!FixLineWidth(d, chunk, window.mode, window.iPreRes, window.windowWidth, areaWidth)) {
            qv::ReportFailure(dialog.Window(), "The scanner's data gives no line width to show.",
                              "PreScan_PreScan");
            return false;
        }
        if (IsBitonal(window.mode))
            qv::LogLine("BW Width = %d", d.iScannedPixelWidth);
        qv::LogText("test 1");
        std::lock_guard lock(PreScanLock());
        if (window.windowWidth > 0)
            PreScan.dPixelsPerInch = areaWidth / (window.windowWidth / 1200.0);
        PreScan.iPreviewWidth = std::min(d.iScannedPixelWidth, areaWidth);
    }
    qv::LogText("test 2");
    qv::LogLine("iScannedPixelWidth = %d", d.iScannedPixelWidth);
    qv::LogLine("iReceived = %d", int32_t(chunk.size()));
    qv::LogText("test 3");
    int32_t previewWidth = 0;
    {
        std::lock_guard lock(PreScanLock());
        previewWidth = PreScan.iPreviewWidth;
    }
    d.line.resize(size_t(std::max(areaWidth, 0)) * 3);
    void* owner = dialog.Window();
    DecodeLines(d, chunk, window.mode, previewWidth, [&](std::span<const uint8_t> rgb) {
        PreScan_DrawRow(rgb, d.line);
        PreScan_LineManager_SetLine(owner, d.line, -1);
    });
    return true;
}

} // namespace preview
