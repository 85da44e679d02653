// What the dialog asks of the preview. The preview sits above the dialog, so the dialog
// calls it through a table the preview installs; without one (or for an empty entry) each
// call does nothing, as a dialog without a preview needs.
#pragma once

#include "platform/DialogWindow.h"

#include <atomic>
#include <cstdint>

// Rebuilds the preview image through the current gamma, brightness and contrast.
void PreScan_MakeDCFromGamma();
// Draws, or by drawing again erases, the selection rectangle.
void PreScan_InverseSelectRect();
// Erases the drawn selection before it is placed anew.
void PreScan_ReDoSelectRect();
// Places the selection rectangle for the chosen paper.
void PreScan_SelectRect_CalculateCoordinates();

// The selection shows a paper of the table rather than a rectangle the user drew. The
// prescan thread reads it while the paper list writes it.
extern std::atomic<bool> bStandardPaper;

// The dialog's life as the preview takes part in it.
// At start-up: the preview state starts empty and no prescan runs.
void PreScan_Init();
// The dialog goes: the preview image and display curve go with it.
void PreScan_Remove();
// Before the dialog's window goes: a running prescan is stopped and its thread ended.
void PreScan_Stop();
// Prescan (3) in the normal state, and Close Prescan (81).
void PreScan_Button(qv::DialogControls& dialog);
void PreScan_CloseButton(qv::DialogControls& dialog);
// The picture area's share of painting, cursor and mouse.
void PreScan_Paint(qv::DialogControls& dialog);
void PreScan_SetCursor(qv::DialogControls& dialog);
void PreScan_Mouse(qv::DialogControls& dialog, qv::MouseAction action, int32_t x, int32_t y, bool leftButton);
// The selection's origin in preview pixels and the preview's pixels per inch, which a scan
// from the dialog with a preview uses.
void PreScan_SelectionOrigin(int16_t& x, int16_t& y, double& dPixelsPerInch);

// The preview's side of each call above, entry by entry. The table must outlive its use.
struct PreviewHooks {
    void (*makeDCFromGamma)() = nullptr;
    void (*inverseSelectRect)() = nullptr;
    void (*reDoSelectRect)() = nullptr;
    void (*selectRectCalculateCoordinates)() = nullptr;
    void (*init)() = nullptr;
    void (*remove)() = nullptr;
    void (*stop)() = nullptr;
    void (*button)(qv::DialogControls& dialog) = nullptr;
    void (*closeButton)(qv::DialogControls& dialog) = nullptr;
    void (*paint)(qv::DialogControls& dialog) = nullptr;
    void (*setCursor)(qv::DialogControls& dialog) = nullptr;
    void (*mouse)(qv::DialogControls& dialog, qv::MouseAction action, int32_t x, int32_t y,
                  bool leftButton) = nullptr;
    void (*selectionOrigin)(int16_t& x, int16_t& y, double& dPixelsPerInch) = nullptr;
};
// nullptr removes the table.
void SetPreviewHooks(const PreviewHooks* hooks);
