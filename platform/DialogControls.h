// Dialog-controls port: what the settings dialog's logic does to its controls, with nothing
// window-system shaped in it. Windows wraps the dialog window; headless keeps a model of
// every control. Message boxes go through the message-box port.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>

namespace qv {

// Texts moved in and out of controls are cut to this many characters.
constexpr size_t kMaxControlText = 255;

enum class Notification { Click, ListChange, EditChange };

struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

// What placing the dialog needs to know of the screen.
struct ScreenMetrics {
    int32_t width = 0, height = 0;
    int32_t captionButtonWidth = 0;
};

class DialogControls {
  public:
    virtual ~DialogControls() = default;

    virtual void Show(int id, bool show) = 0;
    virtual bool IsVisible(int id) = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsEnabled(int id) = 0;

    // Setting an edit's text notifies an edit change before returning, as a window does.
    virtual std::string GetText(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;

    // Drop-down lists. Selecting from code does not notify. Rows count from 0; -1 is none.
    virtual void ListReset(int id) = 0;
    virtual void ListAdd(int id, const std::string& text) = 0;
    virtual void ListSelect(int id, int row) = 0;
    virtual int ListSelected(int id) = 0;
    virtual std::string ListRowText(int id, int row) = 0;
    virtual int ListCount(int id) = 0;

    // Checks `id` and clears the others of first..last; no notification.
    virtual void CheckRadio(int first, int last, int id) = 0;
    virtual bool IsChecked(int id) = 0;

    virtual void SetFocus(int id) = 0;
    virtual int Focus() = 0; // id of the control with the focus, 0 when none of ours
    virtual void SelectAllText(int id) = 0;
    virtual void SetDefaultButton(int id) = 0;
    virtual void SetSpinRange(int id, int32_t lower, int32_t upper) = 0;
    virtual void SetTitle(const std::string& title) = 0;

    // A control's rectangle in the dialog's client pixels.
    virtual PixelRect ItemRect(int id) = 0;
    // The dialog window, and the reference it is placed against (parent's client area or
    // the desktop), in screen pixels.
    virtual PixelRect Placement() = 0;
    virtual PixelRect ParentArea() = 0;
    virtual bool HasSystemMenu() = 0;
    virtual void Move(int32_t x, int32_t y) = 0;
    virtual void Resize(int32_t width, int32_t height) = 0;
    virtual ScreenMetrics Screen() = 0;

    virtual void Redraw() = 0;
    virtual void CaptureMouse(bool capture) = 0;
    virtual void SetCursor(int cursor) = 0;
    virtual void Beep() = 0;

    // The window that owns the dialog's message boxes.
    virtual void* Window() = 0;

    // Turning away to the host's window and straight back: the window with the focus (any
    // of the thread's, nullptr when none), giving it the focus again, and posting the
    // activation messages that send the host's window back and bring the dialog forward.
    virtual void* FocusWindow() = 0;
    virtual void RestoreFocusWindow(void* window) = 0;
    virtual void PostReactivation(void* hostWindow) = 0;
};

// The dialog's handler for control notifications; adapters deliver every notification here.
using NotificationHandler = std::function<void(int id, Notification notification)>;

// One control of a dialog template: what both adapters are built from.
enum class ControlKind : uint8_t {
    PushButton,
    Label,
    CentredLabel,
    GroupBox,
    Edit,
    DropDownList,
    Radio,
    Spin
};

struct DialogUnitRect {
    int16_t x = 0, y = 0, width = 0, height = 0;
};

struct ControlLayout {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    const char* text = "";
    DialogUnitRect area;
    bool hidden = false;
    bool defaultButton = false;
    bool rightAligned = false;
    bool noBorder = false;
    bool groupStart = false; // first radio button of its group
    int buddy = 0;           // spin: the edit whose text it sets
    int32_t lower = 0, upper = 0;
};

struct DialogLayout {
    const char* caption = "";
    int16_t width = 0, height = 0; // dialog units
    std::span<const ControlLayout> controls;
};

// Plays a user on a dialog: each action causes the notifications a person's action would.
// An action on a control the user cannot reach (missing, hidden, disabled) does nothing
// and answers false.
class DialogUser {
  public:
    virtual ~DialogUser() = default;
    // Buttons and radio buttons; a click also moves the focus to the control.
    virtual bool Click(int id) = 0;
    virtual bool ChooseRow(int id, int row) = 0;
    // Replaces the edit's whole text, as typing over a selection does.
    virtual bool Type(int id, const std::string& text) = 0;
    // Steps the spin by `steps` (up positive), held within its range; the buddy edit shows it.
    virtual bool Spin(int id, int steps) = 0;

    // What the user sees that the port does not read back.
    virtual int DefaultButton() = 0;
    virtual std::string Title() = 0;
    virtual std::pair<int, int> TextSelection(int id) = 0; // edits: start and end
};

// The dialog the logic works on; nullptr when there is none.
DialogControls* ActiveDialogControls();
void SetActiveDialogControls(DialogControls* controls);

} // namespace qv
