#include "preview/Preview.h"

#include "dialog/PreviewSeams.h"
#include "dialog/SettingsDialog.h"
#include "preview/Rendering.h"

namespace {

// The seams that carry no dialog act on the dialog that is up, if any.
void MakeDCFromGamma() {
    if (qv::DialogControls* dialog = SettingsDialog_Controls())
        preview::PreScan_MakeDCFromGamma(*dialog);
}

constexpr PreviewHooks kHooks{
    .makeDCFromGamma = MakeDCFromGamma,
    .init = preview::PreScan_Init,
    .remove = preview::PreScan_Remove,
    .paint = preview::PreScan_Paint,
};

} // namespace

void InstallPreview() {
    SetPreviewHooks(&kHooks);
}
