#include "preview/SelectRect.h"

#include "dialog/ControlIds.h"
#include "dialog/PaperControls.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "dialog/SettingsDialog.h"
#include "platform/DebugLog.h"
#include "preview/PreScan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace preview {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// A press further left of the picture area than this is no press on the preview.
constexpr int32_t kFarLeft = -30;
constexpr double kUnitsPerInch = 1200.0;

// Beside the record, under the same lock.
uint32_t previewScanWidth = 0;
double placementWidth = 0.0, placementHeight = 0.0;

int16_t Edge16(int64_t value) {
    return int16_t(
        std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// Truncated toward zero as the placement's arithmetic wants; nothing that is no number.
int16_t Edge16(double value) {
    if (std::isnan(value))
        return -1;
    return Edge16(int64_t(std::clamp(value, -1e9, 1e9)));
}

Rect16 ToRect16(const Edges& e) {
    return Rect16{Edge16(int64_t(e.top)), Edge16(int64_t(e.left)), Edge16(int64_t(e.bottom)),
                  Edge16(int64_t(e.right))};
}

bool Inside(int32_t top, int32_t left, int32_t bottom, int32_t right, int32_t x, int32_t y) {
    return left <= x && x <= right && top <= y && y <= bottom;
}

// Preview columns per inch of paper: the columns cover the scanner's whole width. 0 when
// there is no width or no preview to go by.
double PixelsPerInchLocked(PreScanState& s) {
    const double ppi = previewScanWidth > 0 && s.iPreviewWidth > 0
                           ? s.iPreviewWidth / (previewScanWidth / kUnitsPerInch)
                           : 0.0;
    s.dPixelsPerInch = ppi;
    return ppi;
}

Edges FittedLocked(const PreScanState& s) {
    return FitRect(s.rectSelect, s.iPreviewRows, s.iPreviewWidth, s.bMoveRect);
}

template <class Visit> void ForOutline(const Edges& e, Visit visit) {
    for (int32_t y = e.top; y <= e.bottom; ++y) {
        visit(e.left, y);
        visit(e.right, y);
    }
    for (int32_t x = e.left; x <= e.right; ++x) {
        visit(x, e.top);
        visit(x, e.bottom);
    }
}

// Drawing needs the display curve and the memory image; without them it only says so.
bool CanDrawLocked(const PreScanState& s) {
    if (s.ptr_byteGammaCurve.size() < 256) {
        qv::LogText("PreScan.ptr_byteGammaCurve == NULL");
        return false;
    }
    if (!s.memoryImage) {
        qv::LogText("mem_hDC == NULL");
        return false;
    }
    return true;
}

// The outline's pixels as shown (or inverted), where the image buffer reaches. Beyond the rows
// and columns that hold image the preview shows mid gray, not the buffer through the curve.
void PaintOutlineLocked(PreScanState& s, const Edges& e, bool inverse) {
    const int64_t limit = std::min<int64_t>(s.iImageBufferSize, int64_t(s.ptr_byteImage.size()));
    const uint8_t* curve = s.ptr_byteGammaCurve.data();
    ForOutline(e, [&](int32_t x, int32_t y) {
        const int64_t offset = (int64_t(y) * s.iAreaWidth + x) * 3;
        if (offset < 0 || offset + 3 > limit)
            return;
        const uint8_t* pixel = &s.ptr_byteImage[size_t(offset)];
        const bool image = x >= 0 && y >= 0 && x < s.iPreviewWidth && y < s.iPreviewRows;
        qv::Rgb shown = image ? qv::Rgb{curve[pixel[0]], curve[pixel[1]], curve[pixel[2]]} : kMidGray;
        if (inverse)
            shown = qv::Rgb{uint8_t(255 - shown.r), uint8_t(255 - shown.g), uint8_t(255 - shown.b)};
        s.memoryImage->SetPixel(x, y, shown);
    });
}

bool InverseLocked(PreScanState& s) {
    qv::LogText("PreScan_InverseSelectRect");
    if (!CanDrawLocked(s))
        return false;
    const Edges fitted = FittedLocked(s);
    s.rectDrawn = ToRect16(fitted);
    PaintOutlineLocked(s, fitted, true);
    return true;
}

void ReDoLocked(PreScanState& s) {
    qv::LogText("PreScan_ReDoSelectRect");
    if (!CanDrawLocked(s))
        return;
    const Rect16& d = s.rectDrawn;
    PaintOutlineLocked(s, Edges{d.top, d.left, d.bottom, d.right}, false);
}

void CalculateLocked(PreScanState& s, double width, double height) {
    qv::LogText("PreScan_SelectRect_CalculateCoordinates");
    const double ppi = PixelsPerInchLocked(s);
    const int32_t columns = s.iPreviewWidth;
    s.rectSelect = Rect16{0, Edge16((columns - ppi * width) / 2.0), Edge16(ppi * height),
                          Edge16((columns + ppi * width) / 2.0)};
}

int32_t CursorLocked(const PreScanState& s, int32_t x, int32_t y) {
    const Rect16& area = s.rectPictureArea;
    return ChooseCursor(s.rectSelect, s.iPixelBorderLimit, PointInRect(area, x, y), x - area.left,
                        y - area.top);
}

// Chooses the cursor for a pointer at (x, y) in client pixels; true with `cursor` set when it
// changed. A drag keeps the cursor it started with.
bool UpdateCursorLocked(PreScanState& s, int32_t x, int32_t y, int32_t& cursor) {
    if (s.bResizeRect || s.bMoveRect)
        return false;
    const int32_t before = s.iCursor;
    s.iCursor = cursor = CursorLocked(s, x, y);
    return cursor != before;
}

void SetCursorIfChanged(qv::DialogControls& dialog, int32_t x, int32_t y) {
    int32_t cursor = 0;
    bool changed = false;
    {
        Lock lock(PreScanLock());
        changed = UpdateCursorLocked(PreScan, x, y, cursor);
    }
    if (changed)
        dialog.SetCursor(cursor);
}

void ButtonDown(qv::DialogControls& dialog, int32_t x, int32_t y) {
    if (g_DialogSettings.bCompact)
        return;
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        s.iAnchorX = x - s.rectPictureArea.left;
        s.iAnchorY = y - s.rectPictureArea.top;
        if (s.iAnchorX < kFarLeft)
            return;
    }
    dialog.CaptureMouse(true);
    bool fresh = false, drawn = false;
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        if (!bPreScanIdle) {
            bStopPreScan = true;
            bUserClicked = true;
        }
        const BorderHit hit = HitBorder(s.rectSelect, s.iPixelBorderLimit, s.iAnchorX, s.iAnchorY);
        const Rect16& r = s.rectSelect;
        if (hit.band) {
            s.bResizeRect = s.bUserSized = true;
            s.bEdgeTop = hit.top;
            s.bEdgeLeft = hit.left;
            s.bEdgeRight = hit.right;
            s.bEdgeBottom = hit.bottom;
        } else if (Inside(r.top, r.left, r.bottom, r.right, s.iAnchorX, s.iAnchorY)) {
            s.bMoveRect = true;
        } else {
            ReDoLocked(s);
            s.iAnchorX = std::max(0, std::min(s.iAnchorX, s.iPreviewWidth - 1));
            s.iAnchorY = std::max(0, std::min(s.iAnchorY, s.iPreviewRows - 1));
            const int16_t ax = Edge16(int64_t(s.iAnchorX)), ay = Edge16(int64_t(s.iAnchorY));
            s.rectSelect = Rect16{ay, ax, ay, ax};
            s.bUserSized = true;
            bStopPreScan = true;
            fresh = true;
            drawn = InverseLocked(s);
        }
    }
    if (drawn)
        dialog.Redraw();
    if (fresh)
        PreScan_UpdateUserDefinedPaperSize(dialog);
}

void Drag(qv::DialogControls& dialog, int32_t x, int32_t y) {
    bool update = true;
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        ReDoLocked(s);
        const int32_t cx = x - s.rectPictureArea.left, cy = y - s.rectPictureArea.top;
        const int32_t dx = cx - s.iAnchorX, dy = cy - s.iAnchorY;
        Rect16& r = s.rectSelect;
        auto shift = [](int16_t& edge, int32_t by) { edge = Edge16(int64_t(edge) + by); };
        if (s.bResizeRect) {
            s.iAnchorX = cx;
            s.iAnchorY = cy;
            shift(r.top, s.bEdgeTop ? dy : 0);
            shift(r.bottom, s.bEdgeBottom ? dy : 0);
            shift(r.left, s.bEdgeLeft ? dx : 0);
            shift(r.right, s.bEdgeRight ? dx : 0);
        } else if (s.bMoveRect) {
            s.iAnchorX = cx;
            s.iAnchorY = cy;
            shift(r.top, dy);
            shift(r.bottom, dy);
            shift(r.left, dx);
            shift(r.right, dx);
            // A paper of the table keeps its size when its rectangle is moved.
            update = !bStandardPaper;
        } else {
            r.right = Edge16(int64_t(cx));
            r.bottom = Edge16(int64_t(cy));
        }
    }
    if (update)
        PreScan_UpdateUserDefinedPaperSize(dialog);
    PreScan_InverseSelectRect(dialog);
}

void MouseMove(qv::DialogControls& dialog, int32_t x, int32_t y, bool leftButton) {
    {
        Lock lock(PreScanLock());
        if (PreScan.iAnchorX < kFarLeft)
            return;
    }
    SetCursorIfChanged(dialog, x, y);
    if (g_DialogSettings.bCompact || !leftButton)
        return;
    Drag(dialog, x, y);
}

void ButtonUp(qv::DialogControls& dialog, int32_t x, int32_t y) {
    if (g_DialogSettings.bCompact)
        return;
    dialog.CaptureMouse(false);
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        s.rectSelect = ToRect16(FittedLocked(s));
        s.bMoveRect = s.bResizeRect = s.bUserSized = false;
    }
    SetCursorIfChanged(dialog, x, y);
}

} // namespace

Edges FitRect(const Rect16& rect, int32_t rows, int32_t columns, bool moving) {
    Edges e{std::min(rect.top, rect.bottom), std::min(rect.left, rect.right), std::max(rect.top, rect.bottom),
            std::max(rect.left, rect.right)};
    if (e.bottom >= rows - 1) {
        const int32_t d = e.bottom - (rows - 1);
        e.bottom = rows - 1;
        if (moving)
            e.top -= d;
    }
    if (e.top < 0) {
        if (moving)
            e.bottom -= e.top;
        e.top = 0;
    }
    if (e.right >= columns - 1) {
        const int32_t d = e.right - (columns - 1);
        e.right = columns - 1;
        if (moving)
            e.left -= d;
    }
    if (e.left < 0) {
        if (moving)
            e.right -= e.left;
        e.left = 0;
    }
    return e;
}

BorderHit HitBorder(const Rect16& r, int32_t border, int32_t x, int32_t y) {
    const int32_t t = border;
    const Edges outer{r.top - t, r.left - t, r.bottom + t, r.right + t};
    const Edges inner{r.top + t + 1, r.left + t + 1, r.bottom - t - 1, r.right - t - 1};
    BorderHit hit;
    hit.band = Inside(outer.top, outer.left, outer.bottom, outer.right, x, y) &&
               !Inside(inner.top, inner.left, inner.bottom, inner.right, x, y);
    if (!hit.band)
        return hit;
    hit.top = outer.top <= y && y <= inner.top;
    hit.bottom = inner.bottom <= y && y <= outer.bottom;
    hit.left = outer.left <= x && x <= inner.left;
    hit.right = inner.right <= x && x <= outer.right;
    return hit;
}

int32_t ChooseCursor(const Rect16& select, int32_t border, bool inArea, int32_t x, int32_t y) {
    if (!inArea)
        return kCursorDefault;
    const BorderHit hit = HitBorder(select, border, x, y);
    if (!hit.band)
        return Inside(select.top, select.left, select.bottom, select.right, x, y) ? kCursorAll
                                                                                  : kCursorDefault;
    int32_t cursor = kCursorDefault;
    if (hit.top || hit.bottom)
        cursor = kCursorHorizontal;
    if (hit.left || hit.right)
        cursor = kCursorVertical;
    if (hit.top && hit.left)
        cursor = kCursorTopLeft;
    if (hit.top && hit.right)
        cursor = kCursorTopRight;
    if (hit.bottom && hit.left)
        cursor = kCursorBottomLeft;
    if (hit.bottom && hit.right)
        cursor = kCursorBottomRight;
    return cursor;
}

void PreScan_SelectRect_InsidePictureArea(int32_t& right, int32_t& left, int32_t& bottom, int32_t& top) {
    Lock lock(PreScanLock());
    const Edges e = FittedLocked(PreScan);
    right = e.right;
    left = e.left;
    bottom = e.bottom;
    top = e.top;
}

void PreScan_InverseSelectRect(qv::DialogControls& dialog) {
    {
        Lock lock(PreScanLock());
        if (!InverseLocked(PreScan))
            return;
    }
    dialog.Redraw();
}

void PreScan_ReDoSelectRect() {
    Lock lock(PreScanLock());
    ReDoLocked(PreScan);
}

void PreScan_SelectRect_CalculateCoordinates(double dPaperWidth, double dPaperHeight) {
    Lock lock(PreScanLock());
    placementWidth = dPaperWidth;
    placementHeight = dPaperHeight;
    CalculateLocked(PreScan, dPaperWidth, dPaperHeight);
}

void PreScan_InverseSelectRect() {
    if (qv::DialogControls* dialog = SettingsDialog_Controls())
        PreScan_InverseSelectRect(*dialog);
}

void PreScan_SelectRect_CalculateCoordinates() {
    const PaperRow& paper = PaperTable[std::clamp(g_DialogSettings.iPaperIndex, 0, kPaperRows - 1)];
    PreScan_SelectRect_CalculateCoordinates(paper.dWidth, paper.dHeight);
}

void PreScan_UpdateUserDefinedPaperSize(qv::DialogControls& dialog) {
    qv::LogText("PreScan_UpdateUserDefinedPaperSize");
    DialogSettings& settings = g_DialogSettings;
    if (settings.bCenterLoad) {
        dialog.CheckRadio(kIdSideLoad, kIdCenterLoad, kIdSideLoad);
        settings.bCenterLoad = false;
    }
    Edges e{};
    double ppi = 0.0;
    bool userSized = false, moving = false, show = false;
    int32_t columns = 0, rows = 0;
    {
        Lock lock(PreScanLock());
        PreScanState& s = PreScan;
        e = FittedLocked(s);
        ppi = PixelsPerInchLocked(s);
        userSized = s.bUserSized;
        moving = s.bMoveRect;
        show = s.bShowCoordinates;
        columns = s.iPreviewWidth;
        rows = s.iPreviewRows;
    }
    // Without a scale there are no inches to give.
    if (!(ppi > 0.0))
        return;
    const int32_t userRow = std::clamp(settings.iUserPaperIndex, 0, kPaperRows - 1);
    PaperRow& paper = PaperTable[userRow];
    const double x = e.left / ppi, y = e.top / ppi;
    const double width = userSized ? (e.right - e.left + 1) / ppi : paper.dWidth;
    const double height = userSized ? (e.bottom - e.top + 1) / ppi : paper.dHeight;
    if (show)
        SetItemText(dialog, kIdCoordinates,
                    FormatText("X=%2.2f Y=%2.2f W=%2.2f H=%2.2f (%d)\nx0=%d y0=%d x1=%d y1=%d (%d) (%d)", x,
                               y, width, height, columns, e.left, e.top, e.right, e.bottom, rows,
                               int(moving)));
    settings.iPaperIndex = userRow;
    paper.dXOffset = x;
    paper.dYOffset = y;
    paper.dWidth = width;
    paper.dHeight = height;
    dialog.ListSelect(kIdPaper, userRow);
    ShowPaperAttributes(dialog);
}

void SetPreviewScanWidth(uint32_t dwMaxScanWidth) {
    Lock lock(PreScanLock());
    previewScanWidth = dwMaxScanWidth;
}

void SetPlacementPaper(double dWidth, double dHeight) {
    Lock lock(PreScanLock());
    placementWidth = dWidth;
    placementHeight = dHeight;
}

void PlaceSelectionAfterPreScan(qv::DialogControls& dialog) {
    {
        // One hold: a press on the preview either comes first and keeps its own rectangle,
        // or comes after and finds this one placed.
        Lock lock(PreScanLock());
        if (bUserClicked)
            return;
        PreScanState& s = PreScan;
        s.bMoveRect = true;
        CalculateLocked(s, placementWidth, placementHeight);
        ReDoLocked(s);
        InverseLocked(s);
        s.bMoveRect = false;
    }
    dialog.Redraw();
}

void PreScan_SetCursor(qv::DialogControls& dialog) {
    int32_t cursor = 0;
    {
        Lock lock(PreScanLock());
        cursor = PreScan.iCursor;
    }
    dialog.SetCursor(cursor);
}

void PreScan_Mouse(qv::DialogControls& dialog, qv::MouseAction action, int32_t x, int32_t y,
                   bool leftButton) {
    switch (action) {
    case qv::MouseAction::ButtonDown:
        ButtonDown(dialog, x, y);
        return;
    case qv::MouseAction::Move:
        MouseMove(dialog, x, y, leftButton);
        return;
    case qv::MouseAction::ButtonUp:
        ButtonUp(dialog, x, y);
        return;
    }
}

void PreScan_SelectionOrigin(int16_t& x, int16_t& y, double& dPixelsPerInch) {
    Lock lock(PreScanLock());
    const Edges e = FittedLocked(PreScan);
    x = Edge16(int64_t(e.left));
    y = Edge16(int64_t(e.top));
    dPixelsPerInch = PixelsPerInchLocked(PreScan);
}

} // namespace preview
