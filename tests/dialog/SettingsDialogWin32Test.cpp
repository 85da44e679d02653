// The real dialog under Windows: its template comes from the module, and keystrokes addressed
// to the dialog window itself are swallowed while those for a control reach it.
#include "dialog/ControlIds.h"
#include "dialog/SettingsDialog.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/ModuleStrings.h"
#include "platform/ScannerLibrary.h"
#include "platform/SettingsLocation.h"
#include "scanner/ReadRing.h"
#include "scanner/Scanner.h"
#include "sim/SimulatedLibrary.h"
#include "tests/scanner/FakeClock.h"

#include <gtest/gtest.h>

#include <windows.h>

extern "C" INT_PTR CALLBACK UIProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

class LeaveWithDone final : public qv::UserEventSource {
  public:
    bool PlayNext(qv::DialogControls&, qv::DialogUser& user) override {
        return !done_ && (done_ = user.Click(kIdDone));
    }

  private:
    bool done_ = false;
};

TEST(SettingsDialogWin32, KeystrokesToTheDialogAreSwallowedAndControlsStillTakeThem) {
    qv::test::FakeClock clock;
    qv::SetScannerClock(&clock);
    qv::RecordMessageBoxes();
    qv::SetSettingsFolder("./");
    qv::sim::SimulatedLibrary library;
    qv::SetScannerLibrary(&library);
    CScanner scanner;
    ASSERT_TRUE(SettingsDialog_Create(nullptr, scanner));
    HWND dialog = HWND(SettingsDialog_Window());
    HWND brightness = GetDlgItem(dialog, kIdBrightness);

    EXPECT_EQ(UIProc(dialog, WM_KEYDOWN, VK_ESCAPE, 0), TRUE);
    EXPECT_EQ(UIProc(dialog, WM_CHAR, 'x', 0), TRUE);
    EXPECT_EQ(UIProc(dialog, WM_TIMER, 1, 0), FALSE);

    SendMessageA(brightness, EM_SETSEL, 0, -1);
    PostMessageA(dialog, WM_CHAR, '9', 0);
    PostMessageA(brightness, WM_CHAR, '7', 0);
    LeaveWithDone user;
    qv::SetUserEventSource(&user);
    EXPECT_FALSE(SettingsDialog_Run());
    char text[16] = {};
    GetWindowTextA(brightness, text, sizeof text);
    EXPECT_STREQ(text, "7");

    SettingsDialog_Destroy();
    qv::SetUserEventSource(nullptr);
    qv::SetScannerLibrary(nullptr);
    qv::SetMessageBoxSink(nullptr);
    qv::SetScannerClock(nullptr);
    qv::SetSettingsFolder("");
    ReleaseReadRing();
}

} // namespace
