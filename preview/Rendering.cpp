#include "preview/Rendering.h"

#include "dialog/ControlIds.h"
#include "dialog/DialogUtilities.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "dialog/SettingsDialog.h"
#include "platform/DebugLog.h"
#include "preview/PreScan.h"
#include "preview/PreviewImage.h"
#include "scanner/GammaCurve.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace preview {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

void EraseLocked(PreScanState& s) {
    if (s.memoryImage)
        s.memoryImage->Fill(qv::PixelRect{0, 0, s.iAreaWidth, s.iAreaHeight}, kMidGray);
}

// A tenth of the rows (at least one, so that a tiny area still makes room) leaves the top.
void ScrollLocked(PreScanState& s) {
    const int32_t rows = s.iPreviewRows;
    if (rows <= 0 || s.iAreaWidth <= 0)
        return;
    const int32_t n = std::clamp(rows / 10, 1, rows);
    if (s.memoryImage) {
        s.memoryImage->Copy(0, n, s.iPreviewWidth, rows - n, 0, 0);
        s.memoryImage->Fill(qv::PixelRect{0, rows - n, s.iAreaWidth, s.iAreaHeight}, kMidGray);
    }
    s.iPreviewRows = rows - n;
    const size_t rowBytes = size_t(s.iAreaWidth) * 3, limit = ImageLimit(s);
    if (limit == 0)
        return;
    uint8_t* image = s.ptr_byteImage.data();
    const size_t from = std::min(size_t(n) * rowBytes, limit);
    const size_t kept = std::min(size_t(rows - n) * rowBytes, limit - from);
    std::memmove(image, image + from, kept);
    const size_t clearFrom = std::min(size_t(rows - n) * rowBytes, limit);
    const size_t clearTo = std::clamp(size_t(std::max(s.iAreaHeight, 0)) * rowBytes, clearFrom, limit);
    std::memset(image + clearFrom, 0, clearTo - clearFrom);
}

// Rows 0..rows-1, columns 0..columns-1 of the image through the curve.
void ShowImageLocked(PreScanState& s, int32_t rows, int32_t columns) {
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < columns; ++x)
            if (const uint8_t* pixel = ImagePixel(s, x, y))
                ShowPixel(s, x, y, pixel);
}

} // namespace

void PreScan_Init() {
    qv::LogText("PreScan_Init");
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        s.iPreviewWidth = s.iPreviewRows = -1;
        s.rectPictureArea = kNoRect;
        s.iAreaWidth = s.iAreaHeight = -1;
        s.iImageBufferSize = -1;
        s.rectSelect = s.rectDrawn = kNoRect;
        s.dPixelsPerInch = -1.0;
        // A memory image left from an earlier dialog belongs to no window now.
        s.memoryImage.reset();
        s.bDCCreated = false;
        s.bMoveRect = false;
        s.bUserSized = false;
    }
    bStandardPaper = false;
    bPreScanIdle = true;
}

bool PreScan_GetDialogDimentions(qv::DialogControls& dialog) {
    qv::LogText("PreScan_GetDialogDimentions");
    const qv::PixelRect area = dialog.ItemRect(kIdPictureArea);
    Lock lock(PreScanLock());
    PreScanState& s = PreScan;
    s.rectPictureArea =
        Rect16{int16_t(area.top), int16_t(area.left), int16_t(area.bottom), int16_t(area.right)};
    s.iAreaWidth = area.Width();
    s.iAreaHeight = area.Height();
    return s.iAreaWidth > 0 && s.iAreaHeight > 0;
}

void PreScan_MakeDC(qv::DialogControls& dialog) {
    qv::LogText("PreScan_MakeDC");
    PreScan_GetDialogDimentions(dialog);
    int32_t width = 0, height = 0;
    {
        Lock lock(PreScanLock());
        width = PreScan.iAreaWidth;
        height = PreScan.iAreaHeight;
    }
    qv::MemoryImageFailure failure = qv::MemoryImageFailure::None;
    std::unique_ptr<qv::MemoryImage> image = qv::CreateMemoryImage(dialog, width, height, &failure);
    if (!image) {
        if (failure == qv::MemoryImageFailure::Context) {
            qv::LogText("Failed to create CreateCompatibleDC");
        } else {
            qv::LogText("Failed to create CreateCompatibleBitmap");
            qv::LogLine("Width = %d\nHeight = %d", width, height);
        }
        return;
    }
    qv::LogText("PreScan_EraseDC");
    Lock lock(PreScanLock());
    PreScan.memoryImage = std::move(image);
    EraseLocked(PreScan);
    PreScan.bDCCreated = true;
}

void PreScan_EraseDC() {
    qv::LogText("PreScan_EraseDC");
    Lock lock(PreScanLock());
    EraseLocked(PreScan);
}

void PreScan_RemoveDC() {
    qv::LogText("PreScan_RemoveDC");
    Lock lock(PreScanLock());
    PreScan.memoryImage.reset();
    PreScan.bDCCreated = false;
}

void PreScan_Remove() {
    qv::LogText("PreScan_Remove");
    PreScan_RemoveDC();
    Lock lock(PreScanLock());
    std::vector<uint8_t>().swap(PreScan.ptr_byteImage);
    std::vector<uint8_t>().swap(PreScan.ptr_byteGammaCurve);
}

void PreScan_MakeGammaCurve(int32_t iGamma10, int32_t iBrightness, int32_t iContrast) {
    qv::LogText("PreScan_MakeGammaCurve");
    CGammaCurve curve(kCurveEntries);
    curve.SetGamma(iGamma10 / 10.0);
    uint8_t table[kCurveEntries];
    curve.Apply(table, iBrightness, iContrast);
    if (curve.IsEmpty())
        return;
    Lock lock(PreScanLock());
    try {
        PreScan.ptr_byteGammaCurve.resize(kCurveEntries);
    } catch (const std::bad_alloc&) {
        return;
    }
    std::memcpy(PreScan.ptr_byteGammaCurve.data(), table, kCurveEntries);
}

void PreScan_MakeDCFromGamma(qv::DialogControls& dialog) {
    qv::LogText("PreScan_MakeDCFromGamma");
    if (g_DialogSettings.iGamma10 < 1 || g_DialogSettings.iGamma10 > 90)
        return;
    ReadDialogControls(dialog);
    const DialogSettings& settings = g_DialogSettings;
    PreScan_MakeGammaCurve(settings.iGamma10, settings.iBrightness, settings.iContrast);
    qv::LogText("PreScan_EraseDC");
    {
        // One hold: a row the prescan draws meanwhile is in the image and shown either way.
        Lock lock(PreScanLock());
        EraseLocked(PreScan);
        ShowImageLocked(PreScan, PreScan.iPreviewRows, PreScan.iPreviewWidth);
    }
    dialog.Redraw();
}

void PreScan_PaintDC(qv::DialogControls& dialog) {
    qv::LogText("PreScan_PaintDC");
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        if (!s.bDCCreated || !s.memoryImage)
            return;
        const int32_t rows = std::max(s.iPreviewRows, 0), columns = std::max(s.iPreviewWidth, 0);
        ShowImageLocked(s, rows, columns);
        s.memoryImage->Fill(qv::PixelRect{0, rows, columns, s.iAreaHeight}, kMidGray);
        s.memoryImage->Fill(qv::PixelRect{columns, 0, s.iAreaWidth, s.iAreaHeight}, kMidGray);
    }
    dialog.Redraw();
}

void PreScan_MoveDC10Percent(qv::DialogControls& dialog) {
    qv::LogText("PreScan_MoveDC10Percent");
    {
        Lock lock(PreScanLock());
        ScrollLocked(PreScan);
    }
    dialog.Redraw();
}

void SetDialogDimentions(qv::DialogControls& dialog, bool compact) {
    qv::LogText("SetDialogDimentions");
    const qv::PixelRect placement = dialog.Placement();
    DialogSettings& s = g_DialogSettings;
    s.bCompact = compact;
    const int32_t width = compact ? s.iCompactWidth : s.iFullWidth;
    if (compact)
        EnableRange(dialog, kIdSideLoad, kIdPaperLoad);
    else
        DisableRange(dialog, kIdSideLoad, kIdPaperLoad);
    const int32_t screen = dialog.Screen().width;
    dialog.Resize(width, placement.Height());
    dialog.Move((screen - width) / 2, placement.top);
}

void PreScan_Paint(qv::DialogControls& dialog) {
    bool made = false;
    {
        Lock lock(PreScanLock());
        made = PreScan.bDCCreated;
    }
    if (!made)
        PreScan_MakeDC(dialog);
    Lock lock(PreScanLock());
    if (PreScan.bDCCreated && PreScan.memoryImage)
        PreScan.memoryImage->Present(dialog, PreScan.rectPictureArea.left, PreScan.rectPictureArea.top);
}

int32_t PreScan_DrawRow(std::span<const uint8_t> rgb, std::span<uint8_t> line) {
    Lock lock(PreScanLock());
    PreScanState& s = PreScan;
    if (s.iAreaWidth <= 0)
        return -1;
    s.iPreviewRows = std::max(s.iPreviewRows, 0);
    if (s.iPreviewRows >= s.iAreaHeight)
        ScrollLocked(s);
    const int32_t y = s.iPreviewRows;
    const int32_t columns = int32_t(std::min<size_t>(rgb.size() / 3, size_t(s.iAreaWidth)));
    for (int32_t x = 0; x < columns; ++x) {
        uint8_t* pixel = ImagePixel(s, x, y);
        if (!pixel)
            break;
        std::memcpy(pixel, &rgb[size_t(x) * 3], 3);
        ShowPixel(s, x, y, pixel);
    }
    CopyImageRow(s, y, line);
    ++s.iPreviewRows;
    return y;
}

} // namespace preview
