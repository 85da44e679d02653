// What the settings controls ask of the preview. The preview does not exist yet: these do
// nothing, and the controls call them only while the dialog shows a preview (bCompact 0),
// which nothing can bring about before the preview is built.
#pragma once

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
