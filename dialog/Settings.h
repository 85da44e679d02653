// The settings of a scan as the dialog edits them. Everything here lives in module memory,
// so the modeless dialog can use it between the host's calls; the phases exchange the
// global record's copy with it inside their calls.
#pragma once

#include <cstdint>

constexpr int kListCapacity = 30;

struct ModeRow {
    int32_t code;
    char name[20];
    bool reducedRange;
};

// One per loaded module: values survive from sheet to sheet.
struct ScanSettings {
    int32_t enumMode = 10;
    int32_t modeIndex = 0;
    ModeRow ModeList[kListCapacity] = {};
    int32_t modeCount = 0;
    int32_t iResolution = 300;
    int32_t iResolution_Min = 0;
    int32_t iResolution_Max = 0;
    int32_t iResolution_MaxY = 0;
    int32_t iUserResolution = 0;
    int32_t ResolutionList[kListCapacity] = {};
    int32_t resolutionCount = 0;
    int32_t resolutionRow = 0;
    int32_t resolutionRowKept = 0;
    int32_t iResolution_ReducedMin = 150;
    int32_t iResolution_ReducedMax = 400;
    int32_t iSharpenSoften = 0;
    int32_t SharpenSoftenList[kListCapacity] = {};
    int32_t iSharpenMin = -1;
    int32_t iSharpenMax = 6;
    int32_t iBackgroundLevel = 0;
    int32_t iGeneration = 4;
    bool bNtscSelected = false;
    bool bColorChoice = false;
    bool bWide600 = false;
    bool bAdaptiveBackground = false;
};
extern ScanSettings m_Set;

constexpr int kPaperNameLength = 24;

// The settings fields of the global record. Plain data: the global record derives from it
// and lives in memory the host hands out.
struct DialogSettings {
    int32_t iBrightness;
    int32_t iContrast;
    int32_t iGamma10;
    int32_t g_iBlur;
    int32_t g_iThreshold;
    int32_t iLevel;
    int32_t iPaperIndex;
    char szPaperName[kPaperNameLength];
    int32_t iUserPaperIndex;
    int32_t iPaperUnit;
    bool bCenterLoad;
    bool stitchMarks;
    bool bDebugLog;
    int32_t iMaxPreScanLength;
    int32_t PixelBorderLimit;
    bool ShowCoordinates;
    // 1 while the dialog has no preview.
    bool bCompact;
    int32_t iCompactWidth;
    int32_t iFullWidth;
};
// The dialog's copy, used between the host's calls.
extern DialogSettings g_DialogSettings;

struct PaperRow {
    char name[kPaperNameLength];
    double dXOffset, dYOffset, dWidth, dHeight; // inches
};
constexpr int kPaperRows = 25;
constexpr int kUserPaperRow = 24;
// Writable: the last row is the user-defined rectangle.
extern PaperRow PaperTable[kPaperRows];

enum DialogState : int32_t {
    DIALOG_STATE_NORMAL = 0,
    DIALOG_STATE_INPUT_RESOLUTION = 1,
    DIALOG_STATE_INPUT_PAPER_SIZE = 2,
};
extern int32_t dialogState;
// 0 running, 1 scan started, -1 done.
extern int16_t dialogResult;
extern bool bInitDone;
