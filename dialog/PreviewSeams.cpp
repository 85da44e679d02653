#include "dialog/PreviewSeams.h"

#include "platform/DialogControls.h"

bool bStandardPaper = true;

void PreScan_MakeDCFromGamma() {}
void PreScan_InverseSelectRect() {}
void PreScan_ReDoSelectRect() {}
void PreScan_SelectRect_CalculateCoordinates() {}

void PreScan_Init() {}
void PreScan_Remove() {}
void PreScan_Button(qv::DialogControls&) {}
void PreScan_CloseButton(qv::DialogControls&) {}
void PreScan_Paint(qv::DialogControls&) {}
// Without a preview there is only the default cursor.
void PreScan_SetCursor(qv::DialogControls& dialog) {
    dialog.SetCursor(0);
}
void PreScan_Mouse(qv::DialogControls&, qv::MouseAction, int32_t, int32_t, bool) {}
void PreScan_SelectionOrigin(int16_t& x, int16_t& y, double& dPixelsPerInch) {
    x = y = 0;
    dPixelsPerInch = 0.0;
}
