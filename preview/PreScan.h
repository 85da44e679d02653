// The preview's state: the prescan's image as scanned, the display curve, the memory image
// shown in the picture area, the selection rectangle and the line manager's bookkeeping.
// One per process. The prescan thread and the dialog thread both use it: every access goes
// under PreScanLock().
#pragma once

#include "dialog/DialogUtilities.h"
#include "platform/MemoryImage.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// No rectangle: every side -1.
constexpr Rect16 kNoRect{-1, -1, -1, -1};

struct PreScanState {
    int32_t iPreviewWidth = -1;
    int32_t iPreviewRows = -1;
    Rect16 rectPictureArea = kNoRect;
    int32_t iAreaWidth = -1, iAreaHeight = -1;
    int32_t iImageBufferSize = -1;
    int32_t iPixelBorderLimit = 1;
    int32_t iAnchorX = 0, iAnchorY = 0;
    std::vector<uint8_t> ptr_byteImage;      // rows of iAreaWidth x 3 bytes
    std::vector<uint8_t> ptr_byteGammaCurve; // 256 entries once made
    Rect16 rectSelect = kNoRect;
    Rect16 rectDrawn = kNoRect;
    double dPixelsPerInch = -1.0;
    bool bDCCreated = false;
    bool bMoveRect = false;
    bool bResizeRect = false;
    bool bEdgeTop = false, bEdgeLeft = false, bEdgeRight = false, bEdgeBottom = false;
    bool bUserSized = false;
    bool bShowCoordinates = false;
    int32_t iLineBytes = 0, iLinesPerBlock = 0, iStoredLines = 0;
    // The line manager has told the user this prescan that it is full.
    bool bLineManagerFullShown = false;
    // The memory image (Windows: a DIB section; headless: the pixels).
    std::unique_ptr<qv::MemoryImage> memoryImage;
    int32_t iCursor = 0;
};

extern PreScanState PreScan;
// Set by the dialog (Stop, a click on the preview), read and cleared by the prescan thread.
extern std::atomic<bool> bUserClicked;

// Held by whichever thread reads or writes PreScan or the memory image.
std::recursive_mutex& PreScanLock();

// The screen colour of the parts without image.
constexpr qv::Rgb kMidGray{127, 127, 127};
