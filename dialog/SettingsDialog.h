// The settings dialog's life: its creation with the start-up, its loop until Scan or Done,
// its commands and its end. Everything here lives in module memory and never takes the
// global record: the phases exchange settings and results with it around these calls.
#pragma once

#include "dialog/ProductInfo.h"
#include "scanner/ScanPreparation.h"

#include <atomic>

class CScanner;
namespace qv {
class DialogControls;
}

// 1 while no prescan runs; Scan waits for it.
extern std::atomic<bool> bPreScanIdle;
// Asks a running prescan to stop.
extern std::atomic<bool> bStopPreScan;
// The scanner list has been taken; the chooser buttons act only then.
extern bool bScannerListReady;
// What the last successful Scan prepared, for the pipeline.
extern ScanGeometry g_ScanGeometry;
// The product information the title shows.
extern ProductInfo g_ProductInfo;

// Sets dialogResult to 0. Creates the dialog over `hostWindow` (its start-up runs inside),
// or only activates it when it exists. False when it cannot be created. The dialog works
// with `scanner` until it is destroyed.
bool SettingsDialog_Create(void* hostWindow, CScanner& scanner);
// The dialog's loop: true once a scan has been started, false when the user leaves (or the
// loop is told to quit).
bool SettingsDialog_Run();
// Destroys the window, if any, and removes the preview.
void SettingsDialog_Destroy();
// The dialog's window, owner of its boxes; nullptr when there is none.
void* SettingsDialog_Window();
qv::DialogControls* SettingsDialog_Controls();
// The scanner the dialog works with; nullptr before the first dialog.
CScanner* SettingsDialog_Scanner();

// Start-up's share that the chooser buttons run too.
void ShowSettingsControls(qv::DialogControls& dialog);
void SelectScanner(qv::DialogControls& dialog, CScanner& scanner, int index);
