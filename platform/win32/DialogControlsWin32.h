// The dialog-controls port over a real dialog window, and a user that drives it with the
// messages a person's actions cause.
#pragma once

#include "platform/DialogControls.h"

#include <windows.h>

namespace qv {

// Registers the common control classes the template uses (the spins); before the dialog is created.
void RegisterDialogControlClasses();

// The notification a WM_COMMAND carries, if it is one of ours.
bool CommandNotification(WPARAM wParam, int* id, Notification* notification);

class Win32DialogControls final : public DialogControls {
  public:
    // `module` holds the cursor resources.
    Win32DialogControls(HWND dialog, HINSTANCE module) : dialog_(dialog), module_(module) {}

    void Show(int id, bool show) override;
    bool IsVisible(int id) override;
    void Enable(int id, bool enable) override;
    bool IsEnabled(int id) override;
    std::string GetText(int id) override;
    void SetText(int id, const std::string& text) override;
    void ListReset(int id) override;
    void ListAdd(int id, const std::string& text) override;
    void ListSelect(int id, int row) override;
    int ListSelected(int id) override;
    std::string ListRowText(int id, int row) override;
    int ListCount(int id) override;
    void CheckRadio(int first, int last, int id) override;
    bool IsChecked(int id) override;
    void SetFocus(int id) override;
    int Focus() override;
    void SelectAllText(int id) override;
    void SetDefaultButton(int id) override;
    void SetSpinRange(int id, int32_t lower, int32_t upper) override;
    void SetTitle(const std::string& title) override;
    PixelRect ItemRect(int id) override;
    PixelRect Placement() override;
    PixelRect ParentArea() override;
    bool HasSystemMenu() override;
    void Move(int32_t x, int32_t y) override;
    void Resize(int32_t width, int32_t height) override;
    ScreenMetrics Screen() override;
    void Redraw() override;
    void CaptureMouse(bool capture) override;
    void SetCursor(int cursor) override;
    void Beep() override;
    void* Window() override { return dialog_; }
    void* FocusWindow() override;
    void RestoreFocusWindow(void* window) override;
    void PostReactivation(void* hostWindow) override;

  private:
    HWND dialog_;
    HINSTANCE module_;
};

class Win32DialogUser final : public DialogUser {
  public:
    explicit Win32DialogUser(HWND dialog) : dialog_(dialog) {}

    bool Click(int id) override;
    bool ChooseRow(int id, int row) override;
    bool Type(int id, const std::string& text) override;
    bool Spin(int id, int steps) override;
    int DefaultButton() override;
    std::string Title() override;
    std::pair<int, int> TextSelection(int id) override;

  private:
    // The control when a user could reach it and it is of this window class.
    HWND Reachable(int id, const char* windowClass);
    HWND dialog_;
};

} // namespace qv
