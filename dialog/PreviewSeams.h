// What the settings controls ask of the preview. The preview does not exist yet: these do
// nothing, and the controls call them only while the dialog shows a preview (bCompact 0),
// which nothing can bring about before the preview is built.
#pragma once

#include "platform/DialogWindow.h"

#include <cstdint>

// Rebuilds the preview image through the current gamma, brightness and contrast.
void PreScan_MakeDCFromGamma();
// Draws, or by drawing again erases, the selection rectangle.
void PreScan_InverseSelectRect();
// Erases the drawn selection before it is placed anew.
void PreScan_ReDoSelectRect();
// Places the selection rectangle for the chosen paper.
void PreScan_SelectRect_CalculateCoordinates();

// The selection shows a paper of the table rather than a rectangle the user drew.
extern bool bStandardPaper;

// The dialog's life as the preview takes part in it.
// At start-up: the preview state starts empty and no prescan runs.
void PreScan_Init();
// The dialog goes: the preview image and display curve go with it.
void PreScan_Remove();
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
