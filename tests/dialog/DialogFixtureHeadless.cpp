#include "tests/dialog/DialogFixture.h"

#include "dialog/ControlTable.h"
#include "platform/headless/HeadlessDialog.h"

namespace qv::testing {
namespace {

class HeadlessTestDialog final : public TestDialog {
  public:
    explicit HeadlessTestDialog(NotificationHandler handler)
        : dialog_(SettingsDialogLayout(), std::move(handler)) {}
    DialogControls& Controls() override { return dialog_; }
    DialogUser& User() override { return dialog_; }
    PixelRect Pixels(const DialogUnitRect& area) override { return HeadlessPixels(area); }
    bool Headless() const override { return true; }

  private:
    HeadlessDialog dialog_;
};

} // namespace

std::unique_ptr<TestDialog> MakeSettingsDialog(NotificationHandler handler) {
    return std::make_unique<HeadlessTestDialog>(std::move(handler));
}

} // namespace qv::testing
