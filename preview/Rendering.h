// The preview image: the memory image's life, the display curve, repainting from the image
// as scanned, scrolling while a prescan runs and the dialog's compact and full widths.
// Each takes PreScanLock() for its own short hold and calls the dialog's controls only
// without it, so the dialog thread can paint while the prescan thread draws.
#pragma once

#include "platform/DialogControls.h"

#include <cstdint>
#include <span>

namespace preview {

// Called at the dialog's start-up.
void PreScan_Init();
// The picture area (control 82) in client pixels; answers whether it has an area.
bool PreScan_GetDialogDimentions(qv::DialogControls& dialog);
// The memory image of the area, erased to mid gray; on the first paint.
void PreScan_MakeDC(qv::DialogControls& dialog);
void PreScan_EraseDC();
void PreScan_RemoveDC();
// The memory image, the image and the display curve go.
void PreScan_Remove();
// The screen value of each image value through gamma (times 10), brightness and contrast.
void PreScan_MakeGammaCurve(int32_t iGamma10, int32_t iBrightness, int32_t iContrast);
// After an adjustment: reads the controls, rebuilds the curve and shows the image through it.
void PreScan_MakeDCFromGamma(qv::DialogControls& dialog);
// Shows the image through the curve; the rest of the area mid gray.
void PreScan_PaintDC(qv::DialogControls& dialog);
// Drops the top tenth of a full preview.
void PreScan_MoveDC10Percent(qv::DialogControls& dialog);
void SetDialogDimentions(qv::DialogControls& dialog, bool compact);
// The dialog's paint: makes the memory image when there is none and copies it to the area.
void PreScan_Paint(qv::DialogControls& dialog);

// Appends one row of preview pixels (red, green, blue) below the rows shown, scrolling a
// full preview first, and copies the image row that results into `line` (the area's width
// x 3 bytes, as the line manager keeps it). Answers the row's number.
int32_t PreScan_DrawRow(std::span<const uint8_t> rgb, std::span<uint8_t> line);

} // namespace preview
