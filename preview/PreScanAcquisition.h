// The prescan: a fast scan of the scanner's whole width at a low resolution, prepared with
// the real scan's command sequence and its own window, read chunk by chunk into the preview,
// and finished with the whole prescan shown, the camera seams marked and the selection
// placed. It runs on the prescan thread.
#pragma once

#include "platform/DialogControls.h"

#include <cstdint>

class CScanner;

namespace preview {

// The dialog's settings a prescan uses, taken on the dialog thread when it starts: the prescan
// thread reads nothing the dialog may change meanwhile.
struct PreScanSettings {
    int32_t iBrightness = 0, iContrast = 0, iGamma10 = 10;
    int32_t g_iThreshold = 151, g_iBlur = 1, iLevel = 0;
    int32_t iBackgroundLevel = 0, iSharpenSoften = 0;
    int32_t iMaxPreScanLength = 200; // inches
    bool stitchMarks = false, bShowCoordinates = false, bNtscSelected = false, bWide600 = false;
    int32_t enumMode = 10;
    int32_t iGeneration = 4; // the dialog's, from the scanner when it was opened
    int32_t iResolution_Max = 0;
    int32_t g_iBufferSize = 0;
};

// Reads the settings records; a generation-5 background level above 6 is lowered to 6 in
// the record too.
PreScanSettings TakePreScanSettings();

struct PreScanResolution {
    int32_t iPreRes = 150;        // dots per inch
    int32_t iPixW = 0, iPixH = 0; // the window at that resolution, pixels
    bool raised = false;          // the window fits the area at 150 dpi, so the resolution went up
};
// `width` and `height` in 1/1200 inch, the area in pixels.
PreScanResolution ChoosePreScanResolution(uint32_t width, uint32_t height, int32_t areaWidth,
                                          int32_t areaHeight, int32_t iResolution_Max);

// 1 when the prescan ran to its end (a stop included), 0 when it failed after its box.
int32_t PreScan_PreScan(qv::DialogControls& dialog, CScanner& scanner, const PreScanSettings& settings);

} // namespace preview
