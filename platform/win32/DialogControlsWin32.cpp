#include "platform/win32/DialogControlsWin32.h"

#include "platform/Cursors.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace qv {
namespace {

std::string Cut(const std::string& text) {
    return text.substr(0, std::min(text.size(), kMaxControlText));
}

PixelRect ToPixelRect(const RECT& rect) {
    return PixelRect{rect.left, rect.top, rect.right, rect.bottom};
}

bool IsClass(HWND window, const char* windowClass) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, windowClass) == 0;
}

} // namespace

void RegisterDialogControlClasses() {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
}

bool CommandNotification(WPARAM wParam, int* id, Notification* notification) {
    *id = LOWORD(wParam);
    switch (HIWORD(wParam)) {
    case BN_CLICKED:
        *notification = Notification::Click;
        return true;
    case CBN_SELCHANGE:
        *notification = Notification::ListChange;
        return true;
    case EN_CHANGE:
        *notification = Notification::EditChange;
        return true;
    default:
        return false;
    }
}

void Win32DialogControls::Show(int id, bool show) {
    ShowWindow(GetDlgItem(dialog_, id), show ? SW_SHOW : SW_HIDE);
}

// The control's own flag, whether or not the dialog is on screen.
bool Win32DialogControls::IsVisible(int id) {
    HWND item = GetDlgItem(dialog_, id);
    return item && (GetWindowLongA(item, GWL_STYLE) & WS_VISIBLE);
}

void Win32DialogControls::Enable(int id, bool enable) {
    EnableWindow(GetDlgItem(dialog_, id), enable);
}

bool Win32DialogControls::IsEnabled(int id) {
    HWND item = GetDlgItem(dialog_, id);
    return item && IsWindowEnabled(item);
}

std::string Win32DialogControls::GetText(int id) {
    char text[kMaxControlText + 1] = {};
    GetDlgItemTextA(dialog_, id, text, sizeof text);
    return text;
}

void Win32DialogControls::SetText(int id, const std::string& text) {
    SetDlgItemTextA(dialog_, id, Cut(text).c_str());
}

void Win32DialogControls::ListReset(int id) {
    SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0);
}

void Win32DialogControls::ListAdd(int id, const std::string& text) {
    SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, LPARAM(Cut(text).c_str()));
}

void Win32DialogControls::ListSelect(int id, int row) {
    SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, row, 0);
}

int Win32DialogControls::ListSelected(int id) {
    HWND item = GetDlgItem(dialog_, id);
    return item ? int(SendMessageA(item, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

std::string Win32DialogControls::ListRowText(int id, int row) {
    LRESULT length = SendDlgItemMessageA(dialog_, id, CB_GETLBTEXTLEN, row, 0);
    if (length <= 0)
        return {};
    std::vector<char> text(size_t(length) + 1);
    if (SendDlgItemMessageA(dialog_, id, CB_GETLBTEXT, row, LPARAM(text.data())) == CB_ERR)
        return {};
    return Cut(text.data());
}

int Win32DialogControls::ListCount(int id) {
    return std::max(0, int(SendDlgItemMessageA(dialog_, id, CB_GETCOUNT, 0, 0)));
}

void Win32DialogControls::CheckRadio(int first, int last, int id) {
    CheckRadioButton(dialog_, first, last, id);
}

bool Win32DialogControls::IsChecked(int id) {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void Win32DialogControls::SetFocus(int id) {
    ::SetFocus(GetDlgItem(dialog_, id));
}

int Win32DialogControls::Focus() {
    HWND focus = GetFocus();
    if (!focus || !IsChild(dialog_, focus))
        return 0;
    while (GetParent(focus) != dialog_)
        focus = GetParent(focus);
    return GetDlgCtrlID(focus);
}

void Win32DialogControls::SelectAllText(int id) {
    HWND item = GetDlgItem(dialog_, id);
    ::SetFocus(item);
    if (IsClass(item, "ComboBox"))
        SendMessageA(item, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    else
        SendMessageA(item, EM_SETSEL, 0, -1);
}

void Win32DialogControls::SetDefaultButton(int id) {
    SendMessageA(dialog_, DM_SETDEFID, id, 0);
}

void Win32DialogControls::SetSpinRange(int id, int32_t lower, int32_t upper) {
    SendDlgItemMessageA(dialog_, id, UDM_SETRANGE32, WPARAM(lower), LPARAM(upper));
}

void Win32DialogControls::SetTitle(const std::string& title) {
    SetWindowTextA(dialog_, Cut(title).c_str());
}

PixelRect Win32DialogControls::ItemRect(int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog_, id), &rect);
    MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&rect), 2);
    return ToPixelRect(rect);
}

PixelRect Win32DialogControls::Placement() {
    RECT rect{};
    GetWindowRect(dialog_, &rect);
    return ToPixelRect(rect);
}

PixelRect Win32DialogControls::ParentArea() {
    HWND parent = GetParent(dialog_);
    if (!parent)
        parent = GetDesktopWindow();
    RECT rect{};
    GetClientRect(parent, &rect);
    MapWindowPoints(parent, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return ToPixelRect(rect);
}

bool Win32DialogControls::HasSystemMenu() {
    return GetWindowLongA(dialog_, GWL_STYLE) & WS_SYSMENU;
}

void Win32DialogControls::Move(int32_t x, int32_t y) {
    SetWindowPos(dialog_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32DialogControls::Resize(int32_t width, int32_t height) {
    SetWindowPos(dialog_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

ScreenMetrics Win32DialogControls::Screen() {
    return ScreenMetrics{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                         GetSystemMetrics(SM_CXSIZE)};
}

void Win32DialogControls::Redraw() {
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32DialogControls::CaptureMouse(bool capture) {
    if (capture)
        SetCapture(dialog_);
    else
        ReleaseCapture();
}

void Win32DialogControls::SetCursor(int cursor) {
    HCURSOR shape = nullptr;
    if (cursor >= 0 && cursor < kCursorCount)
        shape = LoadCursorA(module_, kCursorNames[cursor]);
    ::SetCursor(shape ? shape : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); // the arrow
    ShowCursor(TRUE);
}

void Win32DialogControls::Beep() {
    MessageBeep(0);
}

void* Win32DialogControls::FocusWindow() {
    return GetFocus();
}

void Win32DialogControls::RestoreFocusWindow(void* window) {
    ::SetFocus(HWND(window));
}

void Win32DialogControls::PostReactivation(void* hostWindow) {
    PostMessageA(HWND(hostWindow), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), LPARAM(dialog_));
    PostMessageA(dialog_, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), LPARAM(hostWindow));
}

HWND Win32DialogUser::Reachable(int id, const char* windowClass) {
    HWND item = GetDlgItem(dialog_, id);
    if (!item || !(GetWindowLongA(item, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(item) ||
        !IsClass(item, windowClass))
        return nullptr;
    return item;
}

// A button press as the button sees it: down and up over it, which also takes the focus.
bool Win32DialogUser::Click(int id) {
    HWND item = Reachable(id, "Button");
    if (!item || (SendMessageA(item, WM_GETDLGCODE, 0, 0) & DLGC_STATIC))
        return false;
    SendMessageA(item, BM_CLICK, 0, 0);
    return true;
}

// Picking from the dropped list: the list selects the row and tells the dialog.
bool Win32DialogUser::ChooseRow(int id, int row) {
    HWND item = Reachable(id, "ComboBox");
    if (!item || row < 0 || row >= SendMessageA(item, CB_GETCOUNT, 0, 0))
        return false;
    ::SetFocus(item);
    SendMessageA(item, CB_SETCURSEL, row, 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(item));
    return true;
}

bool Win32DialogUser::Type(int id, const std::string& text) {
    HWND item = Reachable(id, "Edit");
    if (!item)
        return false;
    ::SetFocus(item);
    SetWindowTextA(item, text.c_str());
    return true;
}

// The spin reads its position back from the buddy and shows the new one there.
bool Win32DialogUser::Spin(int id, int steps) {
    HWND item = Reachable(id, UPDOWN_CLASSA);
    HWND buddy = item ? HWND(SendMessageA(item, UDM_GETBUDDY, 0, 0)) : nullptr;
    if (!buddy)
        return false;
    ::SetFocus(buddy);
    int lower = 0, upper = 0;
    SendMessageA(item, UDM_GETRANGE32, WPARAM(&lower), LPARAM(&upper));
    int position = int(SendMessageA(item, UDM_GETPOS32, 0, 0));
    int64_t next =
        std::clamp<int64_t>(int64_t(position) + steps, std::min(lower, upper), std::max(lower, upper));
    SendMessageA(item, UDM_SETPOS32, 0, LPARAM(next));
    return true;
}

int Win32DialogUser::DefaultButton() {
    LRESULT found = SendMessageA(dialog_, DM_GETDEFID, 0, 0);
    return HIWORD(found) == DC_HASDEFID ? LOWORD(found) : 0;
}

std::string Win32DialogUser::Title() {
    char text[kMaxControlText + 1] = {};
    GetWindowTextA(dialog_, text, sizeof text);
    return text;
}

std::pair<int, int> Win32DialogUser::TextSelection(int id) {
    HWND item = GetDlgItem(dialog_, id);
    DWORD start = 0, end = 0;
    if (item && IsClass(item, "Edit"))
        SendMessageA(item, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    return {int(start), int(end)};
}

} // namespace qv
