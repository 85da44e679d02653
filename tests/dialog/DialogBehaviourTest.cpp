// How the settings dialog's controls behave for the logic and for a user. The same tests run
// on the headless model and, in the win32 build, on the real dialog from the template.
#include "tests/dialog/DialogFixture.h"

#include "dialog/ControlIds.h"
#include "dialog/ControlTable.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace qv::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DialogBehaviour : public DialogFixture {};

TEST_F(DialogBehaviour, StartsAsTheTableSays) {
    const DialogLayout& layout = SettingsDialogLayout();
    EXPECT_EQ(User().Title(), "Vellumix for Photoshop");
    EXPECT_EQ(User().DefaultButton(), kIdScan);
    for (const ControlLayout& control : layout.controls) {
        SCOPED_TRACE(control.id);
        EXPECT_EQ(Controls().IsVisible(control.id), !control.hidden);
        EXPECT_TRUE(Controls().IsEnabled(control.id));
        EXPECT_FALSE(Controls().IsChecked(control.id));
        if (control.kind == ControlKind::DropDownList) {
            EXPECT_EQ(Controls().ListCount(control.id), 0);
            EXPECT_EQ(Controls().ListSelected(control.id), -1);
        } else if (control.kind != ControlKind::Spin) {
            EXPECT_EQ(Controls().GetText(control.id), control.text);
        }
    }
    EXPECT_THAT(TakeNotifications(), IsEmpty());
}

// Lists and spins take the size the window system gives them; every other control sits
// where the template puts it.
TEST_F(DialogBehaviour, ControlsSitWhereTheTemplatePutsThem) {
    for (const ControlLayout& control : SettingsDialogLayout().controls) {
        bool buddy = false;
        for (const ControlLayout& other : SettingsDialogLayout().controls)
            buddy = buddy || other.buddy == control.id;
        if (control.kind == ControlKind::DropDownList || control.kind == ControlKind::Spin || buddy)
            continue;
        SCOPED_TRACE(control.id);
        PixelRect expected = Pixels(control.area), actual = Controls().ItemRect(control.id);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
    }
    PixelRect picture = Controls().ItemRect(kIdPictureArea);
    EXPECT_EQ(picture.Width(), Pixels({0, 0, 215, 190}).Width());
    EXPECT_GT(Controls().Placement().Width(), Pixels({0, 0, 487, 226}).Width());
}

TEST_F(DialogBehaviour, ShowingAndEnablingChangeOnlyThatControl) {
    Controls().Show(kIdClosePrescan, true);
    Controls().Show(kIdPrescan, false);
    Controls().Enable(kIdScan, false);
    EXPECT_TRUE(Controls().IsVisible(kIdClosePrescan));
    EXPECT_FALSE(Controls().IsVisible(kIdPrescan));
    EXPECT_FALSE(Controls().IsEnabled(kIdScan));
    EXPECT_TRUE(Controls().IsEnabled(kIdDone));
    EXPECT_TRUE(Controls().IsVisible(kIdDone));
    Controls().Enable(kIdScan, true);
    EXPECT_TRUE(Controls().IsEnabled(kIdScan));
    EXPECT_THAT(TakeNotifications(), IsEmpty());
}

TEST_F(DialogBehaviour, TextFromCodeNotifiesOnlyForEdits) {
    Controls().SetText(kIdDone, "Stop");
    Controls().SetText(kIdStatus, "no scanner");
    Controls().SetText(kIdXOffsetValue, "1.5");
    EXPECT_THAT(TakeNotifications(), IsEmpty());
    EXPECT_EQ(Controls().GetText(kIdDone), "Stop");
    EXPECT_EQ(Controls().GetText(kIdXOffsetValue), "1.5");

    // The edit reports the change before SetText returns, with the new text in place.
    std::string seen;
    OnNotification([&](int id, Notification) { seen = Controls().GetText(id); });
    Controls().SetText(kIdBrightness, "42");
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdBrightness, Notification::EditChange}));
    EXPECT_EQ(seen, "42");
    // Even when the text does not change.
    Controls().SetText(kIdBrightness, "42");
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdBrightness, Notification::EditChange}));
}

// The live checks correct a field from inside its own change notification.
TEST_F(DialogBehaviour, AnEditCorrectedFromItsNotificationNotifiesAgainInside) {
    std::vector<std::string> seen;
    OnNotification([&](int id, Notification) {
        std::string text = Controls().GetText(id);
        seen.push_back(text);
        if (text == "150")
            Controls().SetText(id, "100");
    });
    Controls().SetText(kIdContrast, "150");
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdContrast, Notification::EditChange},
                                                 Notified{kIdContrast, Notification::EditChange}));
    EXPECT_THAT(seen, ElementsAre("150", "100"));
    EXPECT_EQ(Controls().GetText(kIdContrast), "100");
}

TEST_F(DialogBehaviour, TextsAreCutTo255Characters) {
    const std::string longText(300, 'x');
    Controls().SetText(kIdStatus, longText);
    EXPECT_EQ(Controls().GetText(kIdStatus), longText.substr(0, 255));
    Controls().SetText(kIdThreshold, longText);
    EXPECT_EQ(Controls().GetText(kIdThreshold), longText.substr(0, 255));
    // A user may type more; reading it back cuts it.
    ASSERT_TRUE(User().Type(kIdNewResolution, std::string(254, '1') + "23"));
    EXPECT_EQ(Controls().GetText(kIdNewResolution), std::string(254, '1') + "2");
    Controls().ListAdd(kIdPaper, longText);
    Controls().ListSelect(kIdPaper, 0);
    EXPECT_EQ(Controls().GetText(kIdPaper), longText.substr(0, 255));
    EXPECT_EQ(Controls().ListRowText(kIdPaper, 0), longText.substr(0, 255));
}

TEST_F(DialogBehaviour, ListRowsAndSelection) {
    for (const char* row : {"A4", "A3", "User Defined"})
        Controls().ListAdd(kIdPaper, row);
    EXPECT_EQ(Controls().ListCount(kIdPaper), 3);
    EXPECT_EQ(Controls().ListSelected(kIdPaper), -1);
    EXPECT_EQ(Controls().GetText(kIdPaper), "");
    EXPECT_EQ(Controls().ListRowText(kIdPaper, 2), "User Defined");
    EXPECT_EQ(Controls().ListRowText(kIdPaper, 3), "");

    Controls().ListSelect(kIdPaper, 1);
    EXPECT_EQ(Controls().ListSelected(kIdPaper), 1);
    EXPECT_EQ(Controls().GetText(kIdPaper), "A3");
    Controls().ListSelect(kIdPaper, -1);
    EXPECT_EQ(Controls().ListSelected(kIdPaper), -1);
    EXPECT_THAT(TakeNotifications(), IsEmpty());

    // Rows keep their order; they are not sorted.
    Controls().ListAdd(kIdPaper, "A0");
    EXPECT_EQ(Controls().ListRowText(kIdPaper, 3), "A0");
    Controls().ListSelect(kIdPaper, 3);
    Controls().ListReset(kIdPaper);
    EXPECT_EQ(Controls().ListCount(kIdPaper), 0);
    EXPECT_EQ(Controls().ListSelected(kIdPaper), -1);
    EXPECT_EQ(Controls().GetText(kIdPaper), "");
    // Lists are separate.
    EXPECT_EQ(Controls().ListCount(kIdResolution), 0);
}

TEST_F(DialogBehaviour, ChoosingARowSelectsItThenNotifies) {
    for (const char* row : {"100", "200", "User Defined (300)"})
        Controls().ListAdd(kIdResolution, row);
    Controls().ListSelect(kIdResolution, 0);
    int selectedWhenNotified = -2;
    OnNotification([&](int id, Notification) { selectedWhenNotified = Controls().ListSelected(id); });
    ASSERT_TRUE(User().ChooseRow(kIdResolution, 2));
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdResolution, Notification::ListChange}));
    EXPECT_EQ(selectedWhenNotified, 2);
    EXPECT_EQ(Controls().GetText(kIdResolution), "User Defined (300)");
    EXPECT_FALSE(User().ChooseRow(kIdResolution, 3));
    EXPECT_THAT(TakeNotifications(), IsEmpty());
}

TEST_F(DialogBehaviour, RadioGroups) {
    // From code: checks one, clears the rest of the range, says nothing.
    Controls().CheckRadio(kIdUnitInch, kIdUnitScanner, kIdUnitCm);
    Controls().CheckRadio(kIdSideLoad, kIdCenterLoad, kIdSideLoad);
    Controls().CheckRadio(kIdNtsc, kIdSrgb, kIdSrgb);
    EXPECT_TRUE(Controls().IsChecked(kIdUnitCm));
    EXPECT_FALSE(Controls().IsChecked(kIdUnitInch));
    EXPECT_THAT(TakeNotifications(), IsEmpty());

    // A click checks the button and clears its own group only, before it notifies.
    std::vector<bool> checkedWhenNotified;
    OnNotification([&](int, Notification) {
        for (int id : {kIdUnitInch, kIdUnitCm, kIdUnitScanner})
            checkedWhenNotified.push_back(Controls().IsChecked(id));
    });
    ASSERT_TRUE(User().Click(kIdUnitScanner));
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdUnitScanner, Notification::Click}));
    EXPECT_THAT(checkedWhenNotified, ElementsAre(false, false, true));
    EXPECT_TRUE(Controls().IsChecked(kIdSideLoad));
    EXPECT_TRUE(Controls().IsChecked(kIdSrgb));

    ASSERT_TRUE(User().Click(kIdCenterLoad));
    ASSERT_TRUE(User().Click(kIdNtsc));
    EXPECT_FALSE(Controls().IsChecked(kIdSideLoad));
    EXPECT_TRUE(Controls().IsChecked(kIdCenterLoad));
    EXPECT_TRUE(Controls().IsChecked(kIdNtsc));
    EXPECT_FALSE(Controls().IsChecked(kIdSrgb));
    EXPECT_TRUE(Controls().IsChecked(kIdUnitScanner));
    EXPECT_EQ(TakeNotifications().size(), 2u);
}

TEST_F(DialogBehaviour, AUserReachesOnlyVisibleEnabledControls) {
    Controls().Enable(kIdScan, false);
    Controls().Enable(kIdNewResolution, false);
    Controls().Enable(kIdBrightnessSpin, false);
    EXPECT_FALSE(User().Click(kIdScan));
    EXPECT_FALSE(User().Click(kIdTest)); // created hidden
    EXPECT_FALSE(User().Type(kIdNewResolution, "300"));
    EXPECT_FALSE(User().Spin(kIdBrightnessSpin, 1));
    EXPECT_FALSE(User().Type(kIdPaperX, "1")); // hidden
    EXPECT_THAT(TakeNotifications(), IsEmpty());
    EXPECT_EQ(Controls().GetText(kIdNewResolution), "");

    Controls().Show(kIdTest, true);
    EXPECT_TRUE(User().Click(kIdTest));
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdTest, Notification::Click}));
}

TEST_F(DialogBehaviour, ClickingAndTypingMoveTheFocus) {
    ASSERT_TRUE(User().Click(kIdPrescan));
    EXPECT_EQ(Controls().Focus(), kIdPrescan);
    ASSERT_TRUE(User().Type(kIdBrightness, "12"));
    EXPECT_EQ(Controls().Focus(), kIdBrightness);
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdPrescan, Notification::Click},
                                                 Notified{kIdBrightness, Notification::EditChange}));
}

TEST_F(DialogBehaviour, FocusAndTextSelection) {
    Controls().SetText(kIdGamma, "2.2");
    Controls().SelectAllText(kIdGamma);
    EXPECT_EQ(Controls().Focus(), kIdGamma);
    EXPECT_EQ(User().TextSelection(kIdGamma), std::make_pair(0, 3));
    Controls().SetFocus(kIdDone);
    EXPECT_EQ(Controls().Focus(), kIdDone);
    // A control that is hidden or disabled gives the focus up.
    Controls().Show(kIdDone, false);
    EXPECT_NE(Controls().Focus(), kIdDone);
    Controls().SetFocus(kIdPrescan);
    Controls().Enable(kIdPrescan, false);
    EXPECT_NE(Controls().Focus(), kIdPrescan);
}

TEST_F(DialogBehaviour, DefaultButtonAndTitle) {
    Controls().SetDefaultButton(kIdDone);
    EXPECT_EQ(User().DefaultButton(), kIdDone);
    Controls().SetTitle("Vellumix for Photoshop 4.0");
    EXPECT_EQ(User().Title(), "Vellumix for Photoshop 4.0");
}

TEST_F(DialogBehaviour, SpinsStepTheirBuddyWithinTheTableRange) {
    Controls().SetText(kIdBrightness, "99");
    TakeNotifications();
    std::string seen;
    OnNotification([&](int id, Notification) { seen = Controls().GetText(id); });
    ASSERT_TRUE(User().Spin(kIdBrightnessSpin, 1));
    EXPECT_THAT(TakeNotifications(), ElementsAre(Notified{kIdBrightness, Notification::EditChange}));
    EXPECT_EQ(seen, "100");
    // Held at the bound, the buddy keeps its text and says nothing.
    ASSERT_TRUE(User().Spin(kIdBrightnessSpin, 5));
    EXPECT_EQ(Controls().GetText(kIdBrightness), "100");
    EXPECT_THAT(TakeNotifications(), IsEmpty());
    // The spin starts from the buddy's number when it holds one in range, else from where it was.
    struct Step {
        const char* typed;
        int steps;
        const char* shown;
    };
    for (Step step : {Step{"abc", -1, "99"}, Step{"500", -1, "98"}, Step{"100", -3, "97"}}) {
        Controls().SetText(kIdBrightness, step.typed);
        ASSERT_TRUE(User().Spin(kIdBrightnessSpin, step.steps));
        EXPECT_EQ(Controls().GetText(kIdBrightness), step.shown) << step.typed;
    }

    Controls().SetText(kIdGamma10, "1");
    ASSERT_TRUE(User().Spin(kIdGammaSpin, -1));
    EXPECT_EQ(Controls().GetText(kIdGamma10), "1");
    ASSERT_TRUE(User().Spin(kIdGammaSpin, 30));
    EXPECT_EQ(Controls().GetText(kIdGamma10), "31");
    Controls().SetText(kIdLevel, "6");
    ASSERT_TRUE(User().Spin(kIdLevelSpin, -10));
    EXPECT_EQ(Controls().GetText(kIdLevel), "-3");
    // Each spin sets only its own buddy.
    EXPECT_EQ(Controls().GetText(kIdBrightness), "97");
    EXPECT_EQ(Controls().GetText(kIdGamma), "");
}

TEST_F(DialogBehaviour, SetSpinRangeOverridesTheTable) {
    Controls().SetSpinRange(kIdThresholdSpin, 10, 20);
    Controls().SetText(kIdThreshold, "19");
    ASSERT_TRUE(User().Spin(kIdThresholdSpin, 4));
    EXPECT_EQ(Controls().GetText(kIdThreshold), "20");
    ASSERT_TRUE(User().Spin(kIdThresholdSpin, -40));
    EXPECT_EQ(Controls().GetText(kIdThreshold), "10");
}

TEST_F(DialogBehaviour, PlacementAndScreen) {
    ScreenMetrics screen = Controls().Screen();
    EXPECT_GT(screen.width, 0);
    EXPECT_GT(screen.height, 0);
    EXPECT_GT(screen.captionButtonWidth, 0);
    EXPECT_TRUE(Controls().HasSystemMenu());
    PixelRect before = Controls().Placement();
    Controls().Move(40, 30);
    PixelRect moved = Controls().Placement();
    EXPECT_EQ(moved.left, 40);
    EXPECT_EQ(moved.top, 30);
    EXPECT_EQ(moved.Width(), before.Width());
    EXPECT_EQ(moved.Height(), before.Height());
    Controls().Resize(before.Width() / 2, before.Height());
    EXPECT_EQ(Controls().Placement().Width(), before.Width() / 2);
    EXPECT_EQ(Controls().Placement().left, 40);
    // Without a parent the dialog is placed against the whole screen.
    PixelRect parent = Controls().ParentArea();
    EXPECT_EQ(parent.Width(), screen.width);
    EXPECT_EQ(parent.Height(), screen.height);
    EXPECT_NE(Controls().Window(), nullptr);
}

} // namespace
} // namespace qv::testing
