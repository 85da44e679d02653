#include "plugin/SettingsDialogPhase.h"

#include "dialog/SettingsDialog.h"
#include "plugin/Module.h"
#include "preview/Preview.h"
#include "scanner/ReadRing.h"

#include <cstring>

namespace {

void* HostWindow(const Globals* globals) {
    const AcquireRecord* stuff = globals->gStuff;
    if (!stuff || !stuff->platformData)
        return nullptr;
    return reinterpret_cast<void*>(static_cast<const PlatformData*>(stuff->platformData)->hwnd);
}

// The record's copy of what the dialog holds in module memory.
void TakeDialogState(Globals* globals) {
    static_cast<DialogSettings&>(*globals) = g_DialogSettings;
    std::memcpy(globals->szProductName, g_ProductInfo.szProductName, sizeof globals->szProductName);
    std::memcpy(globals->szProductVersion, g_ProductInfo.szProductVersion, sizeof globals->szProductVersion);
    std::memcpy(globals->szInstallBuild, g_ProductInfo.szInstallBuild, sizeof globals->szInstallBuild);
    globals->g_iBufferSize = ::g_iBufferSize;
    globals->dialogWindow = SettingsDialog_Window();
}

} // namespace

bool CreateSettingsDialog(Globals* globals) {
    InstallPreview();
    if (!SettingsDialog_Create(HostWindow(globals), m_Scanner))
        return false;
    TakeDialogState(globals);
    return true;
}

bool RunSettingsDialog(Globals* globals) {
    const bool scan = SettingsDialog_Run();
    TakeDialogState(globals);
    if (scan) {
        globals->gLastRows = g_ScanGeometry.pixelHeight;
        globals->gLastCols = g_ScanGeometry.pixelWidth;
        globals->gLastMode = g_ScanGeometry.hostMode;
        globals->gDPI = static_cast<int16_t>(g_ScanGeometry.resolution);
        globals->chromaCorrection = g_ScanGeometry.b780Dpi;
        // A narrow scan's window was moved left; its rows are cut back by the same pixels.
        globals->leftSkip = g_ScanGeometry.bNarrowScan;
        globals->leftSkipPixels = g_ScanGeometry.iNarrowPixels;
    }
    return scan;
}

void DestroySettingsDialog(Globals* globals) {
    SettingsDialog_Destroy();
    globals->dialogWindow = nullptr;
}
