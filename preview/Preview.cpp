#include "preview/Preview.h"

#include "dialog/PreviewSeams.h"
#include "dialog/SettingsDialog.h"
#include "preview/PreScanThread.h"
#include "preview/Rendering.h"
#include "preview/SelectRect.h"

namespace {

// The seams that carry no dialog act on the dialog that is up, if any.
void MakeDCFromGamma() {
    if (qv::DialogControls* dialog = SettingsDialog_Controls())
        preview::PreScan_MakeDCFromGamma(*dialog);
}

constexpr PreviewHooks kHooks{
    .makeDCFromGamma = MakeDCFromGamma,
    .inverseSelectRect = preview::PreScan_InverseSelectRect,
    .reDoSelectRect = preview::PreScan_ReDoSelectRect,
    .selectRectCalculateCoordinates = preview::PreScan_SelectRect_CalculateCoordinates,
    .init = preview::PreScan_Init,
    .remove = preview::PreScan_Remove,
    .stop = preview::PreScan_Stop,
    .button = preview::PreScan_Button,
    .closeButton = preview::PreScan_CloseButton,
    .paint = preview::PreScan_Paint,
    .setCursor = preview::PreScan_SetCursor,
    .mouse = preview::PreScan_Mouse,
    .selectionOrigin = preview::PreScan_SelectionOrigin,
};

} // namespace

void InstallPreview() {
    SetPreviewHooks(&kHooks);
}
