#include "preview/LineManager.h"

#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "preview/PreScan.h"
#include "preview/PreviewImage.h"
#include "scanner/ReadRing.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace preview {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr const char* kCaption = "PreScan_LineManager_SetLine";
constexpr const char* kNoMemory = "Not enough Memory in Line Manager";

// Where line `index` lives, or nullptr when its block is beyond the ring.
uint8_t* LinePlace(const PreScanState& s, int32_t index) {
    if (s.iLinesPerBlock <= 0 || index < 0)
        return nullptr;
    const int32_t block = index / s.iLinesPerBlock;
    if (block >= kRingSlots || !blockBuffer[block])
        return nullptr;
    return blockBuffer[block] + size_t(index % s.iLinesPerBlock) * size_t(s.iLineBytes);
}

// One box per prescan: the prescan thread waits for each, and a long prescan drops many lines.
void ReportNoMemory(void* owner) {
    bool shown = false;
    {
        Lock lock(PreScanLock());
        shown = std::exchange(PreScan.bLineManagerFullShown, true);
    }
    if (!shown)
        qv::ReportFailure(owner, kNoMemory, kCaption);
}

} // namespace

bool PreScan_LineManager_Init(int32_t lineBytes) {
    qv::LogText("PreScan_LineManager_Init");
    Lock lock(PreScanLock());
    PreScanState& s = PreScan;
    s.iLineBytes = lineBytes;
    s.iLinesPerBlock = lineBytes > 0 ? g_iBufferSize / lineBytes : 0;
    s.iStoredLines = 0;
    s.bLineManagerFullShown = false;
    return true;
}

bool PreScan_LineManager_SetLine(void* owner, std::span<const uint8_t> line, int32_t index) {
    uint8_t* place = nullptr;
    size_t bytes = 0;
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        if (index < 0)
            index = s.iStoredLines++;
        place = LinePlace(s, index);
        bytes = std::min(line.size(), size_t(std::max(s.iLineBytes, 0)));
    }
    if (!place) {
        qv::LogLine("PreScan_LineManager_SetLine: line %d dropped", index);
        ReportNoMemory(owner);
        return false;
    }
    // The slots are the prescan thread's alone while it runs.
    if (bytes > 0)
        std::memcpy(place, line.data(), bytes);
    return true;
}

bool PreScan_LineManager_GetLine(void* owner, const uint8_t*& pointer, int32_t index) {
    const uint8_t* place = nullptr;
    bool beyond = false;
    {
        Lock lock(PreScanLock());
        place = LinePlace(PreScan, index);
        beyond = index < 0 || index > PreScan.iStoredLines;
    }
    if (!place && index >= 0) {
        qv::LogLine("PreScan_LineManager_GetLine: line %d not stored", index);
        ReportNoMemory(owner);
        return false;
    }
    if (beyond) {
        qv::ReportFailure(owner, "Not enough Lines in Line Manager", kCaption);
        return false;
    }
    pointer = place;
    return true;
}

void PreScan_MakeDCFormLineManager(qv::DialogControls& dialog) {
    qv::LogText("PreScan_MakeDCFormLineManager");
    int32_t stored = 0, areaWidth = 0, areaHeight = 0, lineBytes = 0;
    {
        Lock lock(PreScanLock());
        stored = PreScan.iStoredLines;
        areaWidth = PreScan.iAreaWidth;
        areaHeight = PreScan.iAreaHeight;
        lineBytes = PreScan.iLineBytes;
    }
    if (stored <= 0 || areaHeight <= 0 || areaWidth <= 0)
        return;
    const double ratio = double(stored) / areaHeight;
    const int32_t previewWidth = int32_t(areaWidth / ratio);
    {
        Lock lock(PreScanLock());
        PreScan.iPreviewWidth = previewWidth;
        PreScan.iPreviewRows = 0;
    }
    void* owner = dialog.Window();
    const uint8_t* line = nullptr;
    double next = 0.0;
    for (int32_t i = 0; i < stored; ++i) {
        if (i == int32_t(next)) {
            // A line that cannot be fetched repeats the one before it.
            const uint8_t* fetched = nullptr;
            if (PreScan_LineManager_GetLine(owner, fetched, i))
                line = fetched;
            Lock lock(PreScanLock());
            PreScanState& s = PreScan;
            const int32_t y = s.iPreviewRows++;
            double x = 0.0;
            for (int32_t column = 0; line && column < previewWidth; ++column, x += ratio) {
                const size_t source = size_t(x) * 3;
                uint8_t* pixel = ImagePixel(s, column, y);
                if (!pixel || source + 3 > size_t(lineBytes))
                    break;
                std::memcpy(pixel, line + source, 3);
                ShowPixel(s, column, y, pixel);
            }
            if (s.memoryImage)
                s.memoryImage->Fill(qv::PixelRect{previewWidth, y, areaWidth, y + 1}, kMidGray);
            next += ratio;
        }
        dialog.Redraw();
    }
    dialog.Redraw();
}

} // namespace preview
