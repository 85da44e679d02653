#include "dialog/ControlIds.h"
#include "host/cli/CliPlatform.h"
#include "platform/MessageBox.h"
#include "platform/win32/DialogControlsWin32.h"
#include "sim/Scenario.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

namespace qv::host::cli {

namespace {

HMODULE g_module = nullptr;
HWND g_window = nullptr;
HHOOK g_hook = nullptr;
BoxPrinter g_printer;
std::set<HWND> g_answered;

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

// A message box is a dialog with its text in the static 0xFFFF and a handful of buttons;
// the module's own settings dialog has far more controls.
bool IsMessageBox(HWND w) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !GetDlgItem(w, 0xFFFF))
        return false;
    int children = 0;
    EnumChildWindows(w, CountChild, reinterpret_cast<LPARAM>(&children));
    return children <= 8;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    HWND w = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_DESTROYWND) {
        g_answered.erase(w);
    } else if (code == HCBT_ACTIVATE && !g_answered.count(w) && IsMessageBox(w)) {
        g_answered.insert(w);
        char caption[512] = {};
        char text[8192] = {};
        GetWindowTextA(w, caption, sizeof caption);
        GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
        if (g_printer)
            g_printer(caption, text);
        const LRESULT def = SendMessageA(w, DM_GETDEFID, 0, 0);
        const WORD id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

struct StdcallCall {
    EntryFn fn;
    int32_t selector;
    void* stuff;
    intptr_t* data;
    int16_t* result;
    int32_t left;
};

// Pushes the four arguments and lets the callee decide who clears them, then measures
// what it left and restores the stack from a saved copy, as frame-pointer code would.
__attribute__((noinline)) void CallAsStdcall(StdcallCall* c) {
    asm volatile("movl %%esp, %%esi\n\t"
                 "pushl 16(%%ebx)\n\t"
                 "pushl 12(%%ebx)\n\t"
                 "pushl 8(%%ebx)\n\t"
                 "pushl 4(%%ebx)\n\t"
                 "call *(%%ebx)\n\t"
                 "movl %%esi, %%eax\n\t"
                 "subl %%esp, %%eax\n\t"
                 "movl %%eax, 20(%%ebx)\n\t"
                 "movl %%esi, %%esp\n\t"
                 :
                 : "b"(c)
                 : "eax", "ecx", "edx", "esi", "memory", "cc");
}

// Through the runtime, whose copy of the environment getenv reads in the loaded libraries too;
// it sets the process's own as well.
bool SetVariable(const std::string& name, const std::string& value, std::string& error) {
    if (_putenv((name + "=" + value).c_str()) == 0)
        return true;
    error = "cannot set " + name;
    return false;
}

// The user's turns: the module's dialog loop dispatches this thread's timer while it waits.
constexpr UINT kTurnMs = 20;
ScriptPlayer* g_player = nullptr;
UINT_PTR g_timer = 0;
bool g_playing = false;

struct Windows {
    HWND dialog = nullptr;
    bool box = false;
};

BOOL CALLBACK LookAt(HWND w, LPARAM found) {
    auto* windows = reinterpret_cast<Windows*>(found);
    if (IsWindowVisible(w) && IsMessageBox(w))
        windows->box = true;
    else if (!windows->dialog && GetDlgItem(w, kIdMode) && GetDlgItem(w, kIdPaper) && GetDlgItem(w, kIdScan))
        windows->dialog = w;
    return TRUE;
}

bool WriteBitmap(const std::string& file, int width, int height, const std::vector<char>& rows) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = DWORD(header.bfOffBits + rows.size());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(rows.data(), std::streamsize(rows.size()));
    return bool(out.flush());
}

// `area` of what `drawn` shows (a window's or its client area's device context), as a 24-bit BMP.
bool SaveDrawn(HDC drawn, const RECT& area, const std::string& file, std::string& error) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        error = "the dialog has no area to capture";
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC memory = CreateCompatibleDC(drawn);
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(drawn, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ before = SelectObject(memory, image);
    BitBlt(memory, 0, 0, width, height, drawn, area.left, area.top, SRCCOPY);
    GdiFlush();
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::vector<char> rows(static_cast<const char*>(bits), static_cast<const char*>(bits) + stride * height);
    SelectObject(memory, before);
    DeleteObject(image);
    DeleteDC(memory);
    if (!WriteBitmap(file, width, height, rows)) {
        error = "cannot write " + file;
        return false;
    }
    return true;
}

// The dialog as drawn, window frame included, as a 24-bit BMP.
bool SaveScreenshot(qv::DialogControls& dialog, const std::string& file, std::string& error) {
    HWND window = HWND(dialog.Window());
    RECT area{};
    GetWindowRect(window, &area);
    OffsetRect(&area, -area.left, -area.top);
    // Drawn now, children and frame too, then copied as it shows.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC drawn = GetWindowDC(window);
    const bool saved = SaveDrawn(drawn, area, file, error);
    ReleaseDC(window, drawn);
    return saved;
}

// The picture area as the dialog shows it, as a 24-bit BMP.
bool SavePreview(qv::DialogControls& dialog, const std::string& file, std::string& error) {
    HWND window = HWND(dialog.Window());
    const qv::PixelRect area = dialog.ItemRect(kIdPictureArea);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC drawn = GetDC(window);
    const bool saved = SaveDrawn(drawn, RECT{area.left, area.top, area.right, area.bottom}, file, error);
    ReleaseDC(window, drawn);
    return saved;
}

// Boxes that other threads of this process show (the prescan's), which the hook on this
// thread does not see: printed once and answered as the hook answers its own.
std::set<HWND> g_othersAnswered;

BOOL CALLBACK AnswerOthers(HWND w, LPARAM) {
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(w, &process);
    if (process != GetCurrentProcessId() || thread == GetCurrentThreadId() || !IsWindowVisible(w) ||
        !IsMessageBox(w))
        return TRUE;
    if (g_othersAnswered.insert(w).second && g_printer) {
        char caption[512] = {};
        char text[8192] = {};
        GetWindowTextA(w, caption, sizeof caption);
        GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
        g_printer(caption, text);
    }
    const LRESULT def = SendMessageA(w, DM_GETDEFID, 0, 0);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK, BN_CLICKED), 0);
    return TRUE;
}

void AnswerOtherThreadsBoxes() {
    for (auto it = g_othersAnswered.begin(); it != g_othersAnswered.end();)
        it = IsWindow(*it) ? std::next(it) : g_othersAnswered.erase(it);
    EnumWindows(AnswerOthers, 0);
}

// One event per turn, and only while the dialog's own loop waits: not while a message box
// (whose loop dispatches the timer too) is up, nor inside an event whose handler is running.
void CALLBACK Turn(HWND, UINT, UINT_PTR, DWORD) {
    AnswerOtherThreadsBoxes();
    Windows windows;
    EnumThreadWindows(GetCurrentThreadId(), LookAt, reinterpret_cast<LPARAM>(&windows));
    if (g_playing || !g_player || windows.box || !windows.dialog || !IsWindowVisible(windows.dialog) ||
        !IsWindowEnabled(windows.dialog))
        return;
    g_playing = true;
    qv::Win32DialogControls controls(windows.dialog, g_module);
    qv::Win32DialogUser user(windows.dialog);
    const bool more = g_player->PlayNext(controls, user);
    g_playing = false;
    const int wait = g_player->TakeWait();
    KillTimer(nullptr, g_timer);
    g_timer = SetTimer(nullptr, 0, wait > 0 ? UINT(wait) : kTurnMs, Turn);
    // As a user who closes the dialog: its loop ends as on a quit message.
    if (!more)
        PostQuitMessage(0);
}

} // namespace

EntryFn BindModule(std::string& error) {
    const std::string path = ExeFolder() + "\\Quorvel.8ba";
    g_module = LoadLibraryA(path.c_str());
    if (!g_module) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    auto entry = reinterpret_cast<EntryFn>(reinterpret_cast<void*>(GetProcAddress(g_module, "ENTRYPOINT")));
    if (!entry)
        error = path + " exports no ENTRYPOINT";
    return entry;
}

void InstallBoxPrinter(BoxPrinter printer) {
    g_printer = printer;
    g_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    // Boxes this program shows through the port itself take the same path.
    qv::SetMessageBoxSink([printer](const qv::MessageBoxRecord& box) {
        printer(box.caption, box.text);
        return qv::kMessageBoxOk;
    });
}

intptr_t HostWindow() {
    if (!g_window) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuorvelHostFrame";
        RegisterClassA(&wc);
        g_window = CreateWindowExA(0, wc.lpszClassName, "Quorvel Host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                   CW_USEDEFAULT, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
    }
    return reinterpret_cast<intptr_t>(g_window);
}

EntryCaller StdcallCaller(std::function<void(const std::string&)> report) {
    return [report](EntryFn fn, int16_t selector, void* stuff, intptr_t* data, int16_t* result) {
        StdcallCall c{fn, selector, stuff, data, result, 0};
        CallAsStdcall(&c);
        report("  stdcall call left " + std::to_string(c.left) + " bytes on the stack");
    };
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

namespace {
std::atomic<bool>* g_interrupt = nullptr;
// Runs on a thread of its own; a second Ctrl-C falls through to the default, which ends
// the program.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if ((event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) || !g_interrupt || g_interrupt->load())
        return FALSE;
    g_interrupt->store(true);
    return TRUE;
}
} // namespace

void CatchInterrupt(std::atomic<bool>& flag) {
    g_interrupt = &flag;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool UseScenario(const std::string& path, std::string& error) {
    // The stand-in library would take a scenario it cannot read for a missing driver.
    qv::sim::Scenario scenario;
    if (!qv::sim::LoadScenarioFile(path, scenario, error))
        return false;
    // The stand-in scanner library reads it when the module loads the library.
    return SetVariable("QV_SIM_SCENARIO", path, error);
}

// The module's settings location honours this variable; it cannot be told otherwise across
// the module's boundary.
bool UseSettingsFolder(const std::string& folder, std::string& error) {
    return SetVariable("QV_SETTINGS_DIR", folder, error);
}

void PlayUserEvents(ScriptPlayer* player) {
    g_player = player;
    if (g_timer)
        KillTimer(nullptr, g_timer);
    g_timer = 0;
    if (!player)
        return;
    player->SetScreenshot(SaveScreenshot);
    player->SetPreviewSaver(SavePreview);
    g_timer = SetTimer(nullptr, 0, kTurnMs, Turn);
}

void Shutdown() {
    if (g_hook)
        UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    if (g_module)
        FreeLibrary(g_module);
    g_module = nullptr;
    if (g_window)
        DestroyWindow(g_window);
    g_window = nullptr;
}

} // namespace qv::host::cli
