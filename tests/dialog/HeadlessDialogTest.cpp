// The headless model beyond what the shared behaviour tests cover: its fixed geometry, what it
// records for the tests in place of a screen, and use from two threads.
#include "dialog/ControlIds.h"
#include "dialog/ControlTable.h"
#include "platform/headless/HeadlessDialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

using ::testing::ElementsAre;

TEST(HeadlessDialog, GeometryFollowsTheDocumentedBaseUnits) {
    // 6 x 13 base units; half pixels round away from zero.
    PixelRect client = HeadlessPixels({0, 0, 487, 226});
    EXPECT_EQ(client.right, 731);
    EXPECT_EQ(client.bottom, 367);
    PixelRect scan = HeadlessPixels({10, 205, 46, 14});
    EXPECT_EQ(scan.left, 15);
    EXPECT_EQ(scan.top, 333);
    EXPECT_EQ(scan.Width(), 69);
    EXPECT_EQ(scan.Height(), 23);

    HeadlessDialog dialog(SettingsDialogLayout(), nullptr);
    PixelRect window = dialog.Placement();
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(window.Width(), 731 + 2 * kHeadlessFrame);
    EXPECT_EQ(window.Height(), 367 + 2 * kHeadlessFrame + kHeadlessCaption);
    EXPECT_EQ(dialog.ItemRect(kIdPictureArea).left, HeadlessPixels({260, 10, 215, 190}).left);
}

TEST(HeadlessDialog, RecordsWhatTheScreenWouldShow) {
    HeadlessDialog dialog(SettingsDialogLayout(), nullptr);
    EXPECT_EQ(dialog.Cursor(), -1);
    EXPECT_FALSE(dialog.Captured());
    dialog.SetCursor(5);
    dialog.CaptureMouse(true);
    dialog.Beep();
    dialog.Beep();
    dialog.Redraw();
    EXPECT_EQ(dialog.Cursor(), 5);
    EXPECT_TRUE(dialog.Captured());
    EXPECT_EQ(dialog.Beeps(), 2);
    EXPECT_EQ(dialog.Redraws(), 1);
    dialog.CaptureMouse(false);
    EXPECT_FALSE(dialog.Captured());
    EXPECT_EQ(dialog.Window(), &dialog);
}

TEST(HeadlessDialog, UnknownIdsAndWrongKindsAreHarmless) {
    std::vector<int> notified;
    HeadlessDialog dialog(SettingsDialogLayout(), [&](int id, Notification) { notified.push_back(id); });
    dialog.SetText(999, "x");
    dialog.Show(999, true);
    dialog.ListAdd(kIdScan, "row");
    dialog.ListAdd(999, "row");
    dialog.CheckRadio(kIdScan, kIdDone, kIdScan);
    dialog.SetText(kIdPaper, "A4"); // a drop-down list shows only its rows
    dialog.SetText(kIdBrightnessSpin, "1");
    EXPECT_EQ(dialog.GetText(999), "");
    EXPECT_FALSE(dialog.IsVisible(999));
    EXPECT_FALSE(dialog.IsEnabled(999));
    EXPECT_EQ(dialog.ListCount(kIdScan), 0);
    EXPECT_FALSE(dialog.IsChecked(kIdScan));
    EXPECT_EQ(dialog.GetText(kIdPaper), "");
    EXPECT_EQ(dialog.ListSelected(999), -1);
    EXPECT_FALSE(dialog.Click(999));
    EXPECT_FALSE(dialog.Click(kIdStatus));
    EXPECT_FALSE(dialog.Type(kIdStatus, "x"));
    EXPECT_FALSE(dialog.ChooseRow(kIdScan, 0));
    EXPECT_FALSE(dialog.Spin(kIdBrightness, 1));
    EXPECT_TRUE(notified.empty());
}

TEST(HeadlessDialog, SpinKeepsItsPositionWhenTheBuddyHoldsNoUsableNumber) {
    HeadlessDialog dialog(SettingsDialogLayout(), nullptr);
    dialog.SetText(kIdThreshold, "100");
    ASSERT_TRUE(dialog.Spin(kIdThresholdSpin, 1));
    EXPECT_EQ(dialog.GetText(kIdThreshold), "101");
    int expected = 101;
    for (const char* unusable : {"abc", "", "12x", "999", "-1"}) {
        dialog.SetText(kIdThreshold, unusable);
        ASSERT_TRUE(dialog.Spin(kIdThresholdSpin, 1));
        EXPECT_EQ(dialog.GetText(kIdThreshold), std::to_string(++expected)) << unusable;
    }
}

TEST(HeadlessDialog, ARadioOutsideTheGroupOfTheTableIsNotTouched) {
    // A template whose second group follows the first directly.
    const ControlLayout controls[] = {
        {1, ControlKind::Radio, "a", {}, false, false, false, false, true, 0, 0, 0},
        {2, ControlKind::Radio, "b", {}, false, false, false, false, false, 0, 0, 0},
        {3, ControlKind::Radio, "c", {}, false, false, false, false, true, 0, 0, 0},
        {4, ControlKind::Label, "", {}, false, false, false, false, false, 0, 0, 0},
        {5, ControlKind::Radio, "d", {}, false, false, false, false, false, 0, 0, 0},
    };
    HeadlessDialog dialog(DialogLayout{"t", 10, 10, controls}, nullptr);
    dialog.CheckRadio(1, 5, 3);
    dialog.CheckRadio(5, 5, 5);
    ASSERT_TRUE(dialog.Click(2));
    EXPECT_TRUE(dialog.IsChecked(2));
    EXPECT_TRUE(dialog.IsChecked(3));
    EXPECT_TRUE(dialog.IsChecked(5));
    ASSERT_TRUE(dialog.Click(5));
    EXPECT_TRUE(dialog.IsChecked(3));
    ASSERT_TRUE(dialog.Click(1));
    EXPECT_FALSE(dialog.IsChecked(2));
    EXPECT_TRUE(dialog.IsChecked(3));
}

// A prescan thread switches controls and texts while the user's thread types and clicks; the
// handler, running on the user's thread, reads and corrects the model from inside.
TEST(HeadlessDialog, TwoThreadsShareTheModel) {
    std::atomic<int> edits{0}, clicks{0}, rows{0};
    HeadlessDialog* model = nullptr;
    HeadlessDialog dialog(SettingsDialogLayout(), [&](int id, Notification notification) {
        if (notification == Notification::EditChange) {
            ++edits;
            if (model->GetText(id) == "300")
                model->SetText(id, "255");
        } else if (notification == Notification::Click) {
            ++clicks;
            model->IsEnabled(id);
        } else {
            ++rows;
            model->ListSelected(id);
        }
    });
    model = &dialog;
    for (const char* row : {"a", "b", "c"})
        dialog.ListAdd(kIdBlur, row);

    constexpr int kRounds = 2000;
    std::latch start(2);
    std::thread prescan([&] {
        start.arrive_and_wait();
        for (int round = 0; round < kRounds; ++round) {
            dialog.Enable(kIdScan, round % 2 == 0);
            dialog.SetText(kIdDone, round % 2 ? "Stop" : "&Done");
            dialog.Enable(kIdBlur, round % 3 != 0);
            dialog.ListSelect(kIdBlur, round % 3);
            dialog.Show(kIdPictureArea, round % 2 == 0);
            dialog.SetText(kIdStatus, std::to_string(round));
        }
    });
    int typed = 0, clicked = 0, chosen = 0;
    start.arrive_and_wait();
    for (int round = 0; round < kRounds; ++round) {
        typed += dialog.Type(kIdThreshold, round % 2 ? "300" : "7");
        clicked += dialog.Click(kIdScan);
        chosen += dialog.ChooseRow(kIdBlur, round % 3);
        dialog.GetText(kIdDone);
        dialog.ListSelected(kIdBlur);
        dialog.IsVisible(kIdPictureArea);
    }
    prescan.join();
    EXPECT_EQ(typed, kRounds);
    // Every "300" was corrected from inside, which notified once more.
    EXPECT_EQ(edits.load(), kRounds + kRounds / 2);
    EXPECT_EQ(clicks.load(), clicked);
    EXPECT_EQ(rows.load(), chosen);
    EXPECT_EQ(dialog.GetText(kIdThreshold), "255");
    EXPECT_EQ(dialog.GetText(kIdStatus), std::to_string(kRounds - 1));
}

} // namespace
} // namespace qv
