// The real settings dialog for the behaviour tests: made from the module's own "UIPARAM"
// template, with a test procedure that hands its control notifications to the test. The
// dialog stays hidden: its controls work the same, and a shown window costs seconds to
// destroy where no window manager answers.
#include "tests/dialog/DialogFixture.h"

#include "dialog/ControlTable.h"
#include "dialog/DialogTemplate.h"
#include "platform/win32/DialogControlsWin32.h"

#include <windows.h>

#include <optional>

namespace qv::testing {
namespace {

class Win32TestDialog final : public TestDialog {
  public:
    explicit Win32TestDialog(NotificationHandler handler) : handler_(std::move(handler)) {
        module_ = LoadLibraryA("Quorvel.8ba");
        if (!module_)
            return;
        RegisterDialogControlClasses();
        dialog_ = CreateDialogParamA(module_, QV_DIALOG_NAME, nullptr, Procedure, LPARAM(this));
        if (!dialog_)
            return;
        controls_.emplace(dialog_, module_);
        user_.emplace(dialog_);
        ApplySpinRanges(*controls_, SettingsDialogLayout());
    }
    ~Win32TestDialog() override {
        if (dialog_)
            DestroyWindow(dialog_);
        if (module_)
            FreeLibrary(module_);
    }

    bool Made() const { return dialog_ != nullptr; }
    DialogControls& Controls() override { return *controls_; }
    DialogUser& User() override { return *user_; }
    // Positions and sizes are scaled apart, as the dialog manager creates its controls.
    PixelRect Pixels(const DialogUnitRect& area) override {
        RECT rect{area.x, area.y, area.width, area.height};
        MapDialogRect(dialog_, &rect);
        return PixelRect{rect.left, rect.top, rect.left + rect.right, rect.top + rect.bottom};
    }
    bool Headless() const override { return false; }

  private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<Win32TestDialog*>(GetWindowLongPtrA(window, DWLP_USER));
        int id = 0;
        Notification notification{};
        if (message != WM_COMMAND || !self || !CommandNotification(wParam, &id, &notification))
            return FALSE;
        if (self->handler_)
            self->handler_(id, notification);
        return TRUE;
    }

    NotificationHandler handler_;
    HMODULE module_ = nullptr;
    HWND dialog_ = nullptr;
    std::optional<Win32DialogControls> controls_;
    std::optional<Win32DialogUser> user_;
};

} // namespace

std::unique_ptr<TestDialog> MakeSettingsDialog(NotificationHandler handler) {
    auto dialog = std::make_unique<Win32TestDialog>(std::move(handler));
    if (!dialog->Made())
        return nullptr;
    return dialog;
}

} // namespace qv::testing
