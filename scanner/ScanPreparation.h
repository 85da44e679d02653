// Turns the dialog's settings into a prepared device: area and host limits, scanner state,
// tone curve and white levels, paper, window, and the scan command.
#pragma once

#include <cstdint>

class CScanner;

struct ScanRequest {
    int32_t enumMode = 10;
    int32_t iResolution = 300;
    // The paper entry, in inches.
    double dPaperXOffset = 0, dPaperYOffset = 0, dPaperWidth = 0, dPaperHeight = 0;
    bool bCompact = true;
    bool bCenterLoad = false;
    // The preview's selection origin, used when the dialog is not compact.
    int16_t iSelectionX = 0, iSelectionY = 0;
    double dPixelsPerInch = 0;
    int32_t iBrightness = 0, iContrast = 0, iGamma10 = 10;
    int32_t g_iBlur = 1, g_iThreshold = 151, iLevel = 0, iBackgroundLevel = 0, iSharpenSoften = 0;
    bool bNtscSelected = false;
    int32_t g_iBufferSize = 0;
    int32_t iGeneration = 4;
    int32_t iResolution_MaxY = 0;
    bool bWide600 = false;
};

// What the import pipeline needs of the prepared scan.
struct ScanGeometry {
    int16_t hostMode = 0; // 0 bitmap, 1 gray, 3 RGB
    int32_t resolution = 0;
    int16_t pixelWidth = 0, pixelHeight = 0;
    bool bVerticalReduction = false;
    double dVerticalRatio = 1.0;
    bool b780Dpi = false;
    bool bNarrowScan = false;
    int32_t iNarrowPixels = 0;
};

constexpr int32_t kHostPixelLimit = 30000;

// Returns 1 when the scanner is ready to deliver image data, 0 when the sequence gave up
// (its box has been shown). `dialogResult` is 1 while the sequence runs and 0 after a failure.
// `owner` owns the boxes of the device steps.
int32_t PrepareScan(CScanner& scanner, const ScanRequest& request, ScanGeometry* geometry,
                    int16_t* dialogResult, void* owner);

// The paper waits before a scan, shared with the prescan: the generation-4 device answers
// "paper moving" until the sheet is in, the generation-5 device reports paper states 0x20 to
// 0x23 while it moves it. Both give up at a deadline with a box; false when the scan cannot go on.
bool Gen4PaperReady(CScanner& scanner);
bool Gen5PaperSettled(CScanner& scanner);

// The host's image mode for a scan mode.
int16_t HostModeFor(int32_t enumMode);
