// The global record kept in the host's handle between calls, and the phase handlers.
#pragma once

#include "dialog/Settings.h"
#include "plugin/HostInterface.h"

#include <atomic>
#include <cstdint>

constexpr int kMaxImportDescriptors = 50;

// Lives in memory the host hands out: plain data only, no constructors. The dialog's
// settings fields come first, from the record the dialog keeps in module memory.
struct Globals : DialogSettings {
    int16_t* result;
    AcquireRecord* gStuff;
    void* dialogWindow;
    int16_t importCount;
    int16_t gLastRows;
    int16_t gLastCols;
    int16_t gLastMode;
    bool lastInvert;
    bool lastAlphaIsTransparency;
    bool hostTakesTransparency;
    bool queryForParameters;
    bool needDefaults;
    bool gContinueImport;
    uint32_t remainingImports;
    PIReadDescriptor readToken;
    PIDescriptorHandle importDescriptors[kMaxImportDescriptors];
    int16_t gDPI;

    // Scan settings written by the dialog and the scan preparation, read by the pipeline.
    int32_t g_iBufferSize;
    bool chromaCorrection;
    bool leftSkip;
    int32_t leftSkipPixels;
    char szProductName[32];
    char szProductVersion[32];
    char szInstallBuild[32];
};

// The phase last entered: 1 prepare, 2 start, 3 continue, 4 finish.
extern std::atomic<int32_t> activeSelector;
// The last scanner status seen by the phases, the dialog or the preparation.
extern std::atomic<int32_t> lastScanResult;

void InitializeGlobals(Globals* globals);
void ApplyDefaults(Globals* globals);
// A test of bits of the host's version word, not a comparison of versions.
bool TakesTransparency(uint32_t hostVersion);
bool HostTakesTransparency();

void DoPrepare(Globals* globals);
void DoStart(Globals* globals);
void DoFinish(Globals* globals);
void DoFinalize(Globals* globals);
