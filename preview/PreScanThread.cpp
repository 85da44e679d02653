#include "preview/PreScanThread.h"

#include "dialog/ControlIds.h"
#include "dialog/DialogUtilities.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "dialog/SettingsDialog.h"
#include "platform/DialogThreadWait.h"
#include "preview/PreScan.h"
#include "preview/PreScanAcquisition.h"
#include "preview/Rendering.h"
#include "preview/SelectRect.h"
#include "scanner/Scanner.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace preview {
namespace {

// Controls a running prescan would be disturbed by, besides Scan and Prescan.
constexpr int kHeldControls[] = {kIdClosePrescan, kIdBlurLabel, kIdBlur, kIdSharpenLabel, kIdSharpen};

// Touched by the dialog thread only. Never destroyed at exit: a thread still running then
// must not end the process from a destructor.
std::thread* prescanThread = nullptr;
// Set by the thread as its very last act.
std::atomic<bool> threadEnded{true};

void HoldControls(qv::DialogControls& dialog) {
    DisableItem(dialog, kIdScan);
    SetItemText(dialog, kIdDone, "Stop");
    DisableItem(dialog, kIdPrescan);
    for (int id : kHeldControls)
        DisableItem(dialog, id);
    DisableRange(dialog, kIdSideLoad, kIdPaperLoad);
}

// The paper load group stays disabled: the preview's selection places the paper now.
void ReleaseControls(qv::DialogControls& dialog) {
    EnableItem(dialog, kIdScan);
    SetItemText(dialog, kIdDone, "&Done");
    EnableItem(dialog, kIdPrescan);
    for (int id : kHeldControls)
        EnableItem(dialog, id);
}

void PreScanThread(qv::DialogControls* dialog, CScanner* scanner, PreScanSettings settings) {
    PreScan_PreScan(*dialog, *scanner, settings);
    bPreScanIdle = true;
    ReleaseControls(*dialog);
    threadEnded = true;
}

// The thread may still be releasing the controls, which on Windows waits for this thread.
void JoinThread() {
    if (!prescanThread)
        return;
    qv::ServeDialogUntil([] { return threadEnded.load(); });
    prescanThread->join();
    delete prescanThread;
    prescanThread = nullptr;
}

} // namespace

void PreScan_Button(qv::DialogControls& dialog, CScanner& scanner) {
    // A second press before the first prescan has ended starts nothing.
    if (!bPreScanIdle)
        return;
    JoinThread();
    DialogSettings& d = g_DialogSettings;
    // After Close Prescan the window is compact: it widens again, as the preview is wanted.
    // At start-up it has its full width already and stays where it is.
    if (dialog.Placement().Width() < d.iFullWidth)
        SetDialogDimentions(dialog, false);
    d.bCompact = false;
    SelectItemText(dialog, kIdPaper);
    bPreScanIdle = false;
    // Cleared before the thread starts, so that a Stop pressed at once is not lost.
    bStopPreScan = false;
    bUserClicked = false;

    ReadDialogControls(dialog);
    const PreScanSettings settings = TakePreScanSettings();
    bStandardPaper = d.iPaperIndex != d.iUserPaperIndex;
    scanner.FreezeInquiryCache();
    SetPreviewScanWidth(scanner.GetMaxScanWidth());
    const PaperRow& paper = PaperTable[std::clamp(d.iPaperIndex, 0, kPaperRows - 1)];
    SetPlacementPaper(paper.dWidth, paper.dHeight);
    {
        std::lock_guard lock(PreScanLock());
        PreScan.iPixelBorderLimit = std::clamp(d.PixelBorderLimit, 1, 4);
        PreScan.bShowCoordinates = d.ShowCoordinates;
    }
    HoldControls(dialog);
    threadEnded = false;
    prescanThread = new std::thread(PreScanThread, &dialog, &scanner, settings);
}

void PreScan_Button(qv::DialogControls& dialog) {
    if (CScanner* scanner = SettingsDialog_Scanner())
        PreScan_Button(dialog, *scanner);
}

void PreScan_CloseButton(qv::DialogControls& dialog) {
    if (!g_DialogSettings.bCompact)
        SetDialogDimentions(dialog, true);
    JoinThread();
    PreScan_Remove();
}

void PreScan_Stop() {
    if (!prescanThread)
        return;
    bStopPreScan = true;
    JoinThread();
}

void PreScan_WaitEnd() {
    JoinThread();
}

bool PreScan_ThreadRunning() {
    return prescanThread && !threadEnded;
}

} // namespace preview
