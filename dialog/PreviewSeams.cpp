#include "dialog/PreviewSeams.h"

#include "platform/DialogControls.h"

#include <utility>

std::atomic<bool> bStandardPaper{true};

namespace {

std::atomic<const PreviewHooks*> installedHooks{nullptr};

// Calls the installed entry, if there is one.
template <class Hook, class... Args> bool Forward(Hook PreviewHooks::*entry, Args&&... args) {
    const PreviewHooks* hooks = installedHooks.load(std::memory_order_acquire);
    if (!hooks || !(hooks->*entry))
        return false;
    (hooks->*entry)(std::forward<Args>(args)...);
    return true;
}

} // namespace

void SetPreviewHooks(const PreviewHooks* hooks) {
    installedHooks.store(hooks, std::memory_order_release);
}

void PreScan_MakeDCFromGamma() {
    Forward(&PreviewHooks::makeDCFromGamma);
}
void PreScan_InverseSelectRect() {
    Forward(&PreviewHooks::inverseSelectRect);
}
void PreScan_ReDoSelectRect() {
    Forward(&PreviewHooks::reDoSelectRect);
}
void PreScan_SelectRect_CalculateCoordinates() {
    Forward(&PreviewHooks::selectRectCalculateCoordinates);
}
void PreScan_Init() {
    Forward(&PreviewHooks::init);
}
void PreScan_Remove() {
    Forward(&PreviewHooks::remove);
}
void PreScan_Stop() {
    Forward(&PreviewHooks::stop);
}
void PreScan_Button(qv::DialogControls& dialog) {
    Forward(&PreviewHooks::button, dialog);
}
void PreScan_CloseButton(qv::DialogControls& dialog) {
    Forward(&PreviewHooks::closeButton, dialog);
}
void PreScan_Paint(qv::DialogControls& dialog) {
    Forward(&PreviewHooks::paint, dialog);
}
// Without a preview there is only the default cursor.
void PreScan_SetCursor(qv::DialogControls& dialog) {
    if (!Forward(&PreviewHooks::setCursor, dialog))
        dialog.SetCursor(0);
}
void PreScan_Mouse(qv::DialogControls& dialog, qv::MouseAction action, int32_t x, int32_t y,
                   bool leftButton) {
    Forward(&PreviewHooks::mouse, dialog, action, x, y, leftButton);
}
void PreScan_SelectionOrigin(int16_t& x, int16_t& y, double& dPixelsPerInch) {
    if (Forward(&PreviewHooks::selectionOrigin, x, y, dPixelsPerInch))
        return;
    x = y = 0;
    dPixelsPerInch = 0.0;
}
