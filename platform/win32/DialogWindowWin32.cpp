// The settings dialog's window on Windows: made from "UIPARAM", its procedure `UIProc` a
// thin switch over the portable handlers, and the dialog's own message loop.
#include "platform/DialogWindow.h"
#include "platform/Cursors.h"
#include "platform/ModuleStrings.h"
#include "platform/win32/DialogControlsWin32.h"
#include "platform/win32/PaintContext.h"

#include <windows.h>
#include <windowsx.h>

#include <optional>

// Exported by the module under this name.
extern "C" INT_PTR CALLBACK UIProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace qv {
namespace {

constexpr const char* kTemplateName = "UIPARAM";

struct Win32Window {
    DialogHandlers handlers;
    std::optional<Win32DialogControls> controls;
};

Win32Window* WindowOf(HWND dialog) {
    return reinterpret_cast<Win32Window*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

Win32Window* WindowOf(DialogControls* dialog) {
    return dialog ? WindowOf(HWND(dialog->Window())) : nullptr;
}

HWND WindowHandle(DialogControls* dialog) {
    return dialog ? HWND(dialog->Window()) : nullptr;
}

void Mouse(Win32Window& window, MouseAction action, WPARAM wParam, LPARAM lParam) {
    if (window.handlers.mouse)
        window.handlers.mouse(action, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), (wParam & MK_LBUTTON) != 0);
}

} // namespace

DialogControls* CreateDialogWindow(void* parent, const DialogLayout&, DialogHandlers handlers) {
    RegisterDialogControlClasses();
    auto* window = new Win32Window{std::move(handlers), std::nullopt};
    HWND dialog = CreateDialogParamA(HINSTANCE(GetModuleInstance()), kTemplateName, HWND(parent), UIProc,
                                     LPARAM(window));
    if (!dialog || !window->controls) {
        if (dialog)
            DestroyWindow(dialog);
        delete window;
        return nullptr;
    }
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    return &*window->controls;
}

void DestroyDialogWindow(DialogControls* dialog) {
    Win32Window* window = WindowOf(dialog);
    DestroyWindow(WindowHandle(dialog));
    delete window;
}

void ActivateDialogWindow(DialogControls* dialog) {
    HWND window = WindowHandle(dialog);
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    BringWindowToTop(window);
}

void DeliverActivation(DialogControls* dialog, bool active, void* other) {
    SendMessageA(WindowHandle(dialog), WM_ACTIVATE, MAKEWPARAM(active ? WA_ACTIVE : WA_INACTIVE, 0),
                 LPARAM(other));
}

void DeliverMouse(DialogControls* dialog, MouseAction action, int32_t x, int32_t y, bool leftButton) {
    const UINT message = action == MouseAction::Move         ? WM_MOUSEMOVE
                         : action == MouseAction::ButtonDown ? WM_LBUTTONDOWN
                                                             : WM_LBUTTONUP;
    SendMessageA(WindowHandle(dialog), message, leftButton ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

// The dialog loads its cursors from the module that made it; a loaded cursor is shared, so
// loading it again gives the handle the dialog set.
int ShownCursor(DialogControls* dialog) {
    const auto module = HINSTANCE(GetWindowLongPtrA(WindowHandle(dialog), GWLP_HINSTANCE));
    const HCURSOR shown = GetCursor();
    for (int cursor = 0; shown && cursor < kCursorCount; ++cursor)
        if (LoadCursorA(module, kCursorNames[cursor]) == shown)
            return cursor;
    return -1;
}

bool RunDialogLoop(DialogControls* dialog, const std::function<bool()>& finished) {
    HWND window = WindowHandle(dialog);
    if (!window)
        return false;
    while (!finished()) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (UserEventSource* source = InstalledUserEventSource()) {
                Win32DialogUser user(window);
                if (!source->PlayNext(*dialog, user))
                    return false;
                continue;
            }
            if (GetMessageA(&message, nullptr, 0, 0) <= 0)
                return false;
        } else if (message.message == WM_QUIT) {
            return false;
        }
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

} // namespace qv

using qv::MouseAction;

extern "C" INT_PTR CALLBACK UIProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // Only a dialog made by CreateDialogWindow carries its handlers.
        auto* window = reinterpret_cast<qv::Win32Window*>(lParam);
        if (!window)
            return FALSE;
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        window->controls.emplace(dialog, HINSTANCE(qv::GetModuleInstance()));
        if (window->handlers.init)
            window->handlers.init(*window->controls);
        return FALSE;
    }
    qv::Win32Window* window = qv::WindowOf(dialog);
    if (!window)
        return FALSE;
    const qv::DialogHandlers& handlers = window->handlers;
    switch (message) {
    case WM_COMMAND: {
        int id = 0;
        qv::Notification notification{};
        if (handlers.command && qv::CommandNotification(wParam, &id, &notification))
            handlers.command(id, notification);
        return FALSE;
    }
    case WM_ACTIVATE:
        if (handlers.activate)
            handlers.activate(LOWORD(wParam) != WA_INACTIVE, reinterpret_cast<void*>(lParam));
        return FALSE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(dialog, &paint);
        if (handlers.paint) {
            qv::PaintScope scope(paint.hdc);
            handlers.paint();
        }
        EndPaint(dialog, &paint);
        return FALSE;
    }
    case WM_SETCURSOR:
        if (handlers.setCursor)
            handlers.setCursor();
        return TRUE;
    case WM_KEYDOWN:
    case WM_CHAR:
        return TRUE;
    case WM_MOUSEMOVE:
        qv::Mouse(*window, MouseAction::Move, wParam, lParam);
        return TRUE;
    case WM_LBUTTONDOWN:
        qv::Mouse(*window, MouseAction::ButtonDown, wParam, lParam);
        return TRUE;
    case WM_LBUTTONUP:
        qv::Mouse(*window, MouseAction::ButtonUp, wParam, lParam);
        return TRUE;
    default:
        return FALSE;
    }
}
