// The dialog-controls port without a window system: an in-memory model of every control of a
// template, and a driver that plays the user on it. Safe to use from several threads; the
// notification handler is called without the model's lock held, so it may use the model.
#pragma once

#include "platform/DialogControls.h"

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

// Fixed base units of the headless dialog: those of 8-point "Helv" (shown as a 6 x 13 pixel
// average character at 96 dpi). A dialog unit is a quarter of the x unit and an eighth of
// the y unit, rounded as the Windows dialog manager rounds.
constexpr int kHeadlessBaseUnitX = 6;
constexpr int kHeadlessBaseUnitY = 13;
// What the headless window adds around its client area: a dialog frame on each side and the caption.
constexpr int kHeadlessFrame = 3;
constexpr int kHeadlessCaption = 18;
// The screen until a test sets another.
constexpr ScreenMetrics kHeadlessScreen{1024, 768, 18};

// Dialog units to client pixels with the headless base units; sizes are scaled apart from
// positions, as child windows are created.
PixelRect HeadlessPixels(const DialogUnitRect& area);

class HeadlessDialog final : public DialogControls, public DialogUser {
  public:
    // The window starts at the screen's top left corner, without a parent.
    HeadlessDialog(const DialogLayout& layout, NotificationHandler handler);

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
    void* Window() override;
    // The focus is a control id, carried as the window.
    void* FocusWindow() override;
    void RestoreFocusWindow(void* window) override;
    // Counts it and queues the dialog's own activation for the loop to deliver.
    void PostReactivation(void* hostWindow) override;

    bool Click(int id) override;
    bool ChooseRow(int id, int row) override;
    bool Type(int id, const std::string& text) override;
    bool Spin(int id, int steps) override;
    int DefaultButton() override;
    std::string Title() override;
    std::pair<int, int> TextSelection(int id) override;

    // The surroundings a test sets up: a parent's client area (screen pixels), or none for
    // the desktop; the screen; whether the window has a system menu.
    void SetParentArea(std::optional<PixelRect> area);
    void SetScreen(const ScreenMetrics& screen);
    void SetSystemMenu(bool present);

    // What the window system would show.
    int Cursor();    // last cursor set, -1 before any
    bool Captured(); // the mouse is captured
    int Beeps();
    int Redraws();
    int Reactivations();
    // The oldest activation posted to the dialog and not yet delivered: its other window.
    bool TakePostedActivation(void** other);

  private:
    struct Control {
        ControlLayout layout;
        std::string text;
        bool visible = true, enabled = true, checked = false;
        std::vector<std::string> rows;
        int selected = -1;
        std::pair<int, int> selection{0, 0};
        int32_t lower = 0, upper = 0, position = 0;
    };

    // Callers hold mutex_.
    Control* Find(int id);
    bool Reachable(const Control* control) const;
    void SetState(int id, bool Control::*state, bool on);
    bool State(int id, bool Control::*state);
    // Sets an edit's text; true when the edit exists and so notifies.
    bool StoreEditText(int id, const std::string& text);
    void Notify(int id, Notification notification);
    template <class T> T Read(const T& field) {
        std::lock_guard lock(mutex_);
        return field;
    }
    template <class T> void Write(T& field, const T& value) {
        std::lock_guard lock(mutex_);
        field = value;
    }

    std::mutex mutex_;
    const NotificationHandler handler_;
    std::vector<Control> controls_;
    std::unordered_map<int, size_t> index_;
    std::string title_;
    int focus_ = 0, defaultButton_ = 0;
    PixelRect placement_;
    std::optional<PixelRect> parentArea_;
    ScreenMetrics screen_ = kHeadlessScreen;
    bool systemMenu_ = true, captured_ = false;
    int cursor_ = -1, beeps_ = 0, redraws_ = 0, reactivations_ = 0;
    std::vector<void*> postedActivations_;
};

} // namespace qv
