#include "dialog/SettingsDialog.h"

#include "dialog/ControlIds.h"
#include "dialog/ControlTable.h"
#include "dialog/DialogUtilities.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "dialog/SettingsFile.h"
#include "platform/DebugLog.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "scanner/ReadRing.h"
#include "scanner/Scanner.h"

#include <algorithm>

std::atomic<bool> bPreScanIdle{true};
std::atomic<bool> bStopPreScan{false};
bool bScannerListReady = false;
ScanGeometry g_ScanGeometry;
ProductInfo g_ProductInfo;

namespace {

constexpr int kChooserButtons = kIdScanner4 - kIdScanner0 + 1;

qv::DialogControls* dialogWindow = nullptr;
CScanner* dialogScanner = nullptr;
void* hostWindow = nullptr;
// The control that had the focus when the user turned to the host's window.
void* savedFocusWindow = nullptr;

void MeasureDialogWidths(qv::DialogControls& dialog) {
    g_DialogSettings.iCompactWidth =
        dialog.ItemRect(kIdAdjustments).left + dialog.ItemRect(kIdPaperUnits).right + 6;
    g_DialogSettings.iFullWidth = dialog.Placement().Width();
    g_DialogSettings.bCompact = true;
}

void AllocateRingOnce(CScanner& scanner) {
    // A scanner that reports no block size would leave the pipeline a ring it cannot read
    // into; the allocation waits for one that reports a size.
    if (!scanner.IsOpen() || ReadRingTried() || scanner.GetBufferSize() == 0)
        return;
    const int obtained = AllocateReadRing(scanner.GetBufferSize());
    if (obtained == kRingBlocks)
        return;
    qv::ReportFailure(nullptr, FormatText("Bufffers = %d of %d", obtained, kRingBlocks), "malloc");
    scanner.Close();
}

void ShowScannerChooser(qv::DialogControls& dialog, CScanner& scanner) {
    HideRange(dialog, kIdModeLabel, kIdPaperSizeGroup);
    for (int id : {int(kIdScan), int(kIdPrescan), int(kIdStatus), int(kIdGammaLabel)})
        HideItem(dialog, id);
    const int count = std::min(scanner.GetScannerCount(), kChooserButtons);
    for (int i = 0; i < count; ++i)
        SetItemText(dialog, kIdScanner0 + i, scanner.GetListName(i));
    for (int i = 2; i < kChooserButtons; ++i)
        ShowHideItem(dialog, kIdScanner0 + i, i < count);
}

void StartUp(qv::DialogControls& dialog) {
    CScanner& scanner = *dialogScanner;
    qv::SetActiveDialogControls(&dialog);
    CenterOverParent(dialog);
    dialogState = DIALOG_STATE_NORMAL;
    bInitDone = false;
    qv::LogReset();
    PreScan_Init();
    ReadSettingsFile();
    g_ProductInfo = ReadProductInfo();
    dialog.SetTitle(ComposeDialogTitle(g_ProductInfo));
    scanner.EnumerateScanners();
    bScannerListReady = true;
    if (scanner.GetScannerCount() > 1) {
        ShowScannerChooser(dialog, scanner);
        return;
    }
    ShowSettingsControls(dialog);
    SelectScanner(dialog, scanner, 0);
}

void Test(CScanner& scanner) {
    if (!scanner.IsOpen())
        return;
    qv::ShowMessageBox(nullptr,
                       FormatText("Executable Revision = %d\nFPGA Revision = %d",
                                  scanner.GetExecutableRevision(), scanner.GetFpgaRevision()),
                       "Scanner info", qv::MsgIcon::Exclamation);
}

void PreScanButton(qv::DialogControls& dialog) {
    if (dialogState == DIALOG_STATE_INPUT_RESOLUTION)
        qv::ShowMessageBox(nullptr, "DIALOG_STATE_INPUT_RESOLUTION", "DlgItemID_PreScan_Button",
                           qv::MsgIcon::Exclamation);
    else if (dialogState == DIALOG_STATE_INPUT_PAPER_SIZE)
        qv::ShowMessageBox(nullptr, "DIALOG_STATE_INPUT_PAPER_SIZE", "DlgItemID_PreScan_Button",
                           qv::MsgIcon::Exclamation);
    else
        PreScan_Button(dialog);
}

ScanRequest MakeScanRequest() {
    const DialogSettings& s = g_DialogSettings;
    const PaperRow& paper = PaperTable[std::clamp(s.iPaperIndex, 0, kPaperRows - 1)];
    ScanRequest request;
    request.enumMode = m_Set.enumMode;
    request.iResolution = m_Set.iResolution;
    request.dPaperXOffset = paper.dXOffset;
    request.dPaperYOffset = paper.dYOffset;
    request.dPaperWidth = paper.dWidth;
    request.dPaperHeight = paper.dHeight;
    request.bCompact = s.bCompact;
    request.bCenterLoad = s.bCenterLoad;
    if (!s.bCompact)
        PreScan_SelectionOrigin(request.iSelectionX, request.iSelectionY, request.dPixelsPerInch);
    request.iBrightness = s.iBrightness;
    request.iContrast = s.iContrast;
    request.iGamma10 = s.iGamma10;
    request.g_iBlur = s.g_iBlur;
    request.g_iThreshold = s.g_iThreshold;
    request.iLevel = s.iLevel;
    request.iBackgroundLevel = m_Set.iBackgroundLevel;
    request.iSharpenSoften = m_Set.iSharpenSoften;
    request.bNtscSelected = m_Set.bNtscSelected;
    request.g_iBufferSize = g_iBufferSize;
    request.iGeneration = m_Set.iGeneration;
    request.iResolution_MaxY = m_Set.iResolution_MaxY;
    request.bWide600 = m_Set.bWide600;
    return request;
}

void Scan(qv::DialogControls& dialog, CScanner& scanner) {
    ReadDialogControls(dialog);
    ScanGeometry geometry;
    if (PrepareScan(scanner, MakeScanRequest(), &geometry, &dialogResult, dialog.Window()) == 1)
        g_ScanGeometry = geometry;
}

void Done(qv::DialogControls& dialog) {
    dialogResult = -1;
    // Controls never filled (the chooser still waits) would write empty fields over the
    // settings that were read.
    if (bInitDone)
        ReadDialogControls(dialog);
    WriteSettingsFile();
}

void Command(int id, qv::Notification notification) {
    qv::DialogControls& dialog = *dialogWindow;
    CScanner& scanner = *dialogScanner;
    if (notification == qv::Notification::Click) {
        switch (id) {
        case kIdScan:
            if (!HandleSettingsCommand(dialog, scanner, id, notification) && bPreScanIdle)
                Scan(dialog, scanner);
            return;
        case kIdDone:
            if (!bPreScanIdle)
                bStopPreScan = true;
            else if (!HandleSettingsCommand(dialog, scanner, id, notification))
                Done(dialog);
            return;
        case kIdPrescan:
            PreScanButton(dialog);
            return;
        case kIdTest:
            Test(scanner);
            return;
        case kIdClosePrescan:
            PreScan_CloseButton(dialog);
            return;
        default:
            if (id >= kIdScanner0 && id <= kIdScanner4) {
                if (bScannerListReady) {
                    ShowSettingsControls(dialog);
                    SelectScanner(dialog, scanner, id - kIdScanner0);
                }
                return;
            }
        }
    }
    HandleSettingsCommand(dialog, scanner, id, notification);
}

// The user cannot work in the host while the dialog waits: turning to the host's window
// brings the dialog straight back.
void Activate(bool active, void* other) {
    qv::DialogControls& dialog = *dialogWindow;
    if (!active && other && other == hostWindow && dialogResult == 0) {
        savedFocusWindow = dialog.FocusWindow();
        dialog.PostReactivation(hostWindow);
        dialog.Beep();
        return;
    }
    if (savedFocusWindow) {
        SetDefaultButton(dialog, kIdScan);
        dialog.RestoreFocusWindow(savedFocusWindow);
        savedFocusWindow = nullptr;
    }
}

qv::DialogHandlers Handlers() {
    qv::DialogHandlers handlers;
    handlers.init = [](qv::DialogControls& dialog) {
        dialogWindow = &dialog;
        StartUp(dialog);
    };
    handlers.command = Command;
    handlers.activate = Activate;
    handlers.paint = [] { PreScan_Paint(*dialogWindow); };
    handlers.setCursor = [] { PreScan_SetCursor(*dialogWindow); };
    handlers.mouse = [](qv::MouseAction action, int32_t x, int32_t y, bool leftButton) {
        PreScan_Mouse(*dialogWindow, action, x, y, leftButton);
    };
    return handlers;
}

} // namespace

void ShowSettingsControls(qv::DialogControls& dialog) {
    HideRange(dialog, kIdScanner0, kIdScanner4);
    ShowHideRange(dialog, kIdModeLabel, kIdPaperSizeGroup, true);
    for (int id : {int(kIdScan), int(kIdPrescan), int(kIdStatus)})
        ShowHideItem(dialog, id, true);
}

void SelectScanner(qv::DialogControls& dialog, CScanner& scanner, int index) {
    scanner.OpenScanner(index);
    const int32_t openResult = scanner.GetListOpenResult(index);
    if (openResult != 0) {
        qv::LogLine("m_Scanner.OpenScanner()\nErrorNo = %d", openResult);
        SetItemText(dialog, kIdStatus, scanner.GetErrorText(openResult));
        // The open flag belongs to the first scanner of the list; one that did not open is
        // not driven.
        scanner.Close();
    } else if (!IdentifyScanner(scanner, g_ProductInfo.szInstallBuild)) {
        const std::string product = scanner.IsOpen() ? scanner.GetProductId() : std::string();
        SetItemText(dialog, kIdStatus,
                    product.empty() ? std::string("Unknown Scanner.")
                                    : FormatText("Unknown Scanner: '%s'", product.c_str()));
        scanner.Close();
        qv::LogText("Closing unknown scanner");
    } else {
        SetItemText(dialog, kIdStatus, "");
    }

    if (scanner.IsOpen()) {
        m_Set.iGeneration = scanner.GetGeneration();
        qv::LogLine("Generation : %d", m_Set.iGeneration);
        m_Set.bWide600 = scanner.IsWide600Model();
        scanner.MovePaperToStart();
    } else {
        m_Set.bWide600 = false;
    }

    FillSettingsControls(dialog, scanner);
    AllocateRingOnce(scanner);
    MeasureDialogWidths(dialog);
    if (!scanner.IsOpen()) {
        DisableItem(dialog, kIdPrescan);
        DisableItem(dialog, kIdScan);
        SetDefaultButton(dialog, kIdScan);
    }
    HideRange(dialog, kIdPaperXLabel, kIdPaperSizeGroup);
    HideRange(dialog, kIdNewResolutionLabel, kIdNewResolution);
    HideItem(dialog, kIdInterval);
    ShowAdjustments(dialog, true);
    Init_ColorChoice(dialog, scanner);
    SelectItemText(dialog, kIdMode);
}

bool SettingsDialog_Create(void* host, CScanner& scanner) {
    dialogResult = 0;
    if (dialogWindow) {
        qv::ActivateDialogWindow(dialogWindow);
        return true;
    }
    hostWindow = host;
    dialogScanner = &scanner;
    savedFocusWindow = nullptr;
    dialogWindow = qv::CreateDialogWindow(host, qv::SettingsDialogLayout(), Handlers());
    if (!dialogWindow)
        qv::SetActiveDialogControls(nullptr);
    return dialogWindow != nullptr;
}

bool SettingsDialog_Run() {
    if (!dialogWindow)
        return false;
    qv::RunDialogLoop(dialogWindow, [] { return dialogResult != 0; });
    return dialogResult == 1;
}

void SettingsDialog_Destroy() {
    PreScan_Stop();
    if (dialogWindow) {
        qv::DestroyDialogWindow(dialogWindow);
        qv::SetActiveDialogControls(nullptr);
    }
    dialogWindow = nullptr;
    bScannerListReady = false;
    savedFocusWindow = nullptr;
    PreScan_Remove();
}

void* SettingsDialog_Window() {
    return dialogWindow ? dialogWindow->Window() : nullptr;
}

qv::DialogControls* SettingsDialog_Controls() {
    return dialogWindow;
}

CScanner* SettingsDialog_Scanner() {
    return dialogScanner;
}
