// The selection rectangle over the preview: fitting it into the image, drawing it by
// inverting the pixels along its outline and erasing it again, placing it for a paper size,
// turning it into the user-defined paper, the cursor a press would act with, and the mouse.
// The mouse and the paper controls run on the dialog thread; the end of a prescan places the
// rectangle from the prescan thread. Every function takes PreScanLock() itself and calls the
// dialog's controls only without it.
#pragma once

#include "dialog/DialogUtilities.h"
#include "platform/DialogWindow.h"

#include <cstdint>

namespace preview {

// The cursor numbers the dialog sets (their resource names: platform/Cursors.h).
enum CursorId : int32_t {
    kCursorDefault = 0,
    kCursorAll = 1,
    kCursorTopLeft = 2,
    kCursorTopRight = 3,
    kCursorBottomLeft = 4,
    kCursorBottomRight = 5,
    kCursorHorizontal = 6,
    kCursorVertical = 7,
};

// A rectangle put in order and fitted into an image of rows x columns: a rectangle being
// moved is shifted back keeping its size, any other is clipped.
struct Edges {
    int32_t top, left, bottom, right;
    bool operator==(const Edges&) const = default;
};
Edges FitRect(const Rect16& rect, int32_t rows, int32_t columns, bool moving);

// What a press at `p` (relative to the picture area) would do to `select`, with a border
// band of `border` pixels on either side of each edge.
struct BorderHit {
    bool band = false; // on the border band: a press resizes
    bool top = false, left = false, right = false, bottom = false;
};
BorderHit HitBorder(const Rect16& select, int32_t border, int32_t x, int32_t y);
// The cursor for a pointer at `p` relative to the area; `inArea` false gives the default.
int32_t ChooseCursor(const Rect16& select, int32_t border, bool inArea, int32_t x, int32_t y);

// The record's selection fitted, as 32-bit edges; the record is left as it is.
void PreScan_SelectRect_InsidePictureArea(int32_t& right, int32_t& left, int32_t& bottom, int32_t& top);
// Draws the selection inverted and remembers it as drawn, then redraws the dialog.
void PreScan_InverseSelectRect(qv::DialogControls& dialog);
// Restores the pixels along the rectangle last drawn.
void PreScan_ReDoSelectRect();
// Places the selection for a paper of width x height inches, centred across the scanner
// width and starting at the top of the prescan.
void PreScan_SelectRect_CalculateCoordinates(double dPaperWidth, double dPaperHeight);
// The paper controls' calls, which carry no dialog: on the dialog that is up, for the paper
// chosen in it.
void PreScan_InverseSelectRect();
void PreScan_SelectRect_CalculateCoordinates();
// The selection becomes the user-defined paper, which the dialog then shows as chosen.
void PreScan_UpdateUserDefinedPaperSize(qv::DialogControls& dialog);

// The scanner's full width (1/1200 inch), which the preview's columns cover; taken when a
// prescan starts.
void SetPreviewScanWidth(uint32_t dwMaxScanWidth);
// The paper the end of a prescan places the selection for; the dialog's latest choice.
void SetPlacementPaper(double dWidth, double dHeight);

// The end of a prescan: unless the user clicked during it, the selection of the paper
// chosen last is placed (shifted into the image) and drawn.
void PlaceSelectionAfterPreScan(qv::DialogControls& dialog);

// The dialog's picture-area share of the cursor and the mouse.
void PreScan_SetCursor(qv::DialogControls& dialog);
void PreScan_Mouse(qv::DialogControls& dialog, qv::MouseAction action, int32_t x, int32_t y, bool leftButton);
// The fitted selection's top-left corner and the preview's pixels per inch, for the scan.
void PreScan_SelectionOrigin(int16_t& x, int16_t& y, double& dPixelsPerInch);

} // namespace preview
