#include "dialog/DialogUtilities.h"

#include "dialog/ControlIds.h"
#include "tests/dialog/DialogFixture.h"

#ifndef _WIN32
#include "dialog/ControlTable.h"
#include "platform/headless/HeadlessDialog.h"
#endif

#include <gtest/gtest.h>

namespace {

struct IntegerCase {
    const char* text;
    NumberResult result;
    int32_t value;
};

TEST(IntegerText, BlanksSignAndDigits) {
    const IntegerCase cases[] = {
        {" 42 ", kNumberInRange, 42},
        {"4 2", kNotANumber, 0},
        {"-", kNumberInRange, 0},
        {" - 7", kNumberInRange, -7},
        {"-17", kNumberInRange, -17},
        {"", kNotANumber, 0},
        {"   ", kNotANumber, 0},
        {"--5", kNotANumber, 0},
        {"4-2", kNotANumber, 0},
        {"+5", kNotANumber, 0},
        {"12a", kNotANumber, 0},
        {"12 a", kNotANumber, 0},
        {"999999999", kNumberInRange, 999999999},
        {"1234567890", kNumberInRange, 2147483647},
        {"-00000000001", kNumberInRange, -2147483647},
    };
    for (const IntegerCase& c : cases) {
        int32_t value = -99;
        EXPECT_EQ(ParseIntegerText(c.text, INT32_MIN, INT32_MAX, &value), c.result) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(IntegerText, OutOfRangeKeepsTheValueRead) {
    int32_t value = 0;
    EXPECT_EQ(ParseIntegerText("300", 0, 255, &value), kNumberOutOfRange);
    EXPECT_EQ(value, 300);
    EXPECT_EQ(ParseIntegerText("-101", -100, 100, &value), kNumberOutOfRange);
    EXPECT_EQ(value, -101);
    EXPECT_EQ(ParseIntegerText("-", 1, 90, &value), kNumberOutOfRange);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(ParseIntegerText("90", 1, 90, &value), kNumberInRange);
    EXPECT_EQ(ParseIntegerText("1", 1, 90, &value), kNumberInRange);
}

struct DecimalCase {
    const char* text;
    NumberResult result;
    double value;
};

TEST(DecimalText, SplitAtTheLastSeparator) {
    const DecimalCase cases[] = {
        {"3,5", kNumberInRange, 3.5},
        {".", kNotANumber, 0.0},
        {"", kNotANumber, 0.0},
        {"x", kNotANumber, 0.0},
        {"7.", kNumberInRange, 7.0},
        {".5", kNumberInRange, 0.5},
        {"-0.5", kNumberInRange, -0.5},
        {"-.25", kNumberInRange, -0.25},
        {"2.05", kNumberInRange, 2.05},
        {" 12 . 5 ", kNumberInRange, 12.5},
        {"8", kNumberInRange, 8.0},
        // The fraction has no sign of its own.
        {"1.-5", kNumberInRange, 1.0},
        {"a.b", kNotANumber, 0.0},
    };
    for (const DecimalCase& c : cases) {
        double value = -99.0;
        EXPECT_EQ(ParseDecimalText(c.text, -100.0, 100.0, &value), c.result) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(DecimalText, RangeIsCheckedOnTheWholeValue) {
    double value = 0.0;
    EXPECT_EQ(ParseDecimalText("9.05", 0.1, 9.0, &value), kNumberOutOfRange);
    EXPECT_DOUBLE_EQ(value, 9.05);
    EXPECT_EQ(ParseDecimalText("0.05", 0.1, 9.0, &value), kNumberOutOfRange);
    EXPECT_EQ(ParseDecimalText("-0.1", 0.0, 50.0, &value), kNumberOutOfRange);
    EXPECT_EQ(ParseDecimalText("9.0", 0.1, 9.0, &value), kNumberInRange);
}

TEST(DecimalText, WrittenRoundedHalfUpWithoutTrailingZeros) {
    EXPECT_EQ(DecimalText(0.25, 1), "0.3");
    EXPECT_EQ(DecimalText(9.0, 1), "9.0");
    EXPECT_EQ(DecimalText(1.0, 1), "1.0");
    EXPECT_EQ(DecimalText(2.25, 1), "2.3");
    EXPECT_EQ(DecimalText(-2.25, 1), "-2.3");
    EXPECT_EQ(DecimalText(9.96, 1), "10.0");
    EXPECT_EQ(DecimalText(21.082, 1), "21.1");
    EXPECT_EQ(DecimalText(1.05, 2), "1.05");
    EXPECT_EQ(DecimalText(1.5, 2), "1.5");
    EXPECT_EQ(DecimalText(3.0, 0), "3.0");
    EXPECT_EQ(DecimalText(2.5, 0), "3.0");
}

TEST(DecimalText, WrittenTextReadsBackToTheRoundedValue) {
    for (double value : {0.0, 0.3, 11.04, 46.8 / 4.24, -2.0, 33.1 * 2.54, 1234567.891}) {
        double read = 0.0;
        EXPECT_EQ(ParseDecimalText(DecimalText(value, 1), -1e9, 1e9, &read), kNumberInRange) << value;
        EXPECT_NEAR(read, value, 0.05 + 1e-9) << value;
    }
}

TEST(FixedRatio, SixteenSixteenWithDivisionByZeroSaturated) {
    EXPECT_EQ(FixedRatio(3, 2), 0x18000);
    EXPECT_EQ(FixedRatio(1, 0), 0x7FFFFFFF);
    EXPECT_EQ(FixedRatio(0, 0), 0x7FFFFFFF);
    EXPECT_EQ(FixedRatio(-1, 0), static_cast<int32_t>(0x80000001));
    EXPECT_EQ(FixedRatio(-3, 2), -0x18000);
    EXPECT_EQ(FixedRatio(1, 3), 21845);
    EXPECT_EQ(FixedRatio(-32768, 1), INT32_MIN);
    EXPECT_EQ(FixedRatio(-32768, -1), INT32_MAX);
}

TEST(PointInRect, EdgesAreInside) {
    const Rect16 rect{10, 20, 30, 40}; // top, left, bottom, right
    EXPECT_TRUE(PointInRect(rect, 20, 10));
    EXPECT_TRUE(PointInRect(rect, 40, 30));
    EXPECT_TRUE(PointInRect(rect, 20, 30));
    EXPECT_TRUE(PointInRect(rect, 40, 10));
    EXPECT_FALSE(PointInRect(rect, 19, 20));
    EXPECT_FALSE(PointInRect(rect, 41, 20));
    EXPECT_FALSE(PointInRect(rect, 30, 9));
    EXPECT_FALSE(PointInRect(rect, 30, 31));
}

TEST(IntegerToText, Decimal) {
    EXPECT_EQ(IntegerToText(0), "0");
    EXPECT_EQ(IntegerToText(-42), "-42");
    EXPECT_EQ(IntegerToText(INT32_MIN), "-2147483648");
}

class ItemTest : public qv::testing::DialogFixture {};

TEST_F(ItemTest, NumbersAreReadFromTheControlsText) {
    qv::DialogControls& dialog = Controls();
    dialog.SetText(kIdThreshold, " 300 ");
    int32_t integer = 0;
    EXPECT_EQ(GetItemInteger(dialog, kIdThreshold, 0, 255, &integer), kNumberOutOfRange);
    EXPECT_EQ(integer, 300);
    dialog.SetText(kIdThreshold, "abc");
    EXPECT_EQ(GetItemInteger(dialog, kIdThreshold, 0, 255, &integer), kNotANumber);
    EXPECT_EQ(integer, 0);

    dialog.SetText(kIdGamma, "2,2");
    double decimal = 0.0;
    EXPECT_EQ(GetItemDecimal(dialog, kIdGamma, 0.1, 9.0, &decimal), kNumberInRange);
    EXPECT_DOUBLE_EQ(decimal, 2.2);
}

TEST_F(ItemTest, SetItemDecimalWritesTheRoundedText) {
    SetItemDecimal(Controls(), kIdPaperX, 8.3 * 2.54, 1);
    EXPECT_EQ(Controls().GetText(kIdPaperX), "21.1");
    SetItemDecimal(Controls(), kIdPaperX, 0.25, 1);
    EXPECT_EQ(GetItemText(Controls(), kIdPaperX), "0.3");
}

TEST_F(ItemTest, TextsAreCutTo255Characters) {
    SetItemText(Controls(), kIdNewResolution, std::string(300, '7'));
    EXPECT_EQ(GetItemText(Controls(), kIdNewResolution), std::string(255, '7'));
}

TEST_F(ItemTest, RangesCoverBothEnds) {
    qv::DialogControls& dialog = Controls();
    HideRange(dialog, kIdBrightnessLabel, kIdBackground);
    EXPECT_FALSE(dialog.IsVisible(kIdBrightnessLabel));
    EXPECT_FALSE(dialog.IsVisible(kIdBackground));
    EXPECT_TRUE(dialog.IsVisible(kIdAdjustments));
    EXPECT_TRUE(dialog.IsVisible(kIdInterval));
    ShowHideRange(dialog, kIdBrightnessLabel, kIdGamma, true);
    EXPECT_TRUE(dialog.IsVisible(kIdBrightnessLabel));
    EXPECT_TRUE(dialog.IsVisible(kIdGamma));
    EXPECT_FALSE(dialog.IsVisible(kIdBlurLabel));
    ShowHideItem(dialog, kIdBlurLabel, true);
    HideItem(dialog, kIdBrightnessLabel);
    EXPECT_TRUE(dialog.IsVisible(kIdBlurLabel));
    EXPECT_FALSE(dialog.IsVisible(kIdBrightnessLabel));

    DisableRange(dialog, kIdUnitInch, kIdCenterLoad);
    EXPECT_FALSE(dialog.IsEnabled(kIdUnitInch));
    EXPECT_FALSE(dialog.IsEnabled(kIdCenterLoad));
    EXPECT_TRUE(dialog.IsEnabled(kIdPaperLoad));
    EnableRange(dialog, kIdUnitCm, kIdUnitScanner);
    EXPECT_FALSE(dialog.IsEnabled(kIdUnitInch));
    EXPECT_TRUE(dialog.IsEnabled(kIdUnitCm));
    EXPECT_TRUE(dialog.IsEnabled(kIdUnitScanner));
    EXPECT_FALSE(dialog.IsEnabled(kIdSideLoad));
    EnableItem(dialog, kIdUnitInch);
    DisableItem(dialog, kIdUnitCm);
    EXPECT_TRUE(dialog.IsEnabled(kIdUnitInch));
    EXPECT_FALSE(dialog.IsEnabled(kIdUnitCm));
}

TEST_F(ItemTest, CheckedRadioIsTheFirstInTheGroup) {
    qv::DialogControls& dialog = Controls();
    EXPECT_EQ(GetCheckedRadio(dialog, kIdUnitInch, kIdUnitScanner), 0);
    dialog.CheckRadio(kIdUnitInch, kIdUnitScanner, kIdUnitScanner);
    EXPECT_EQ(GetCheckedRadio(dialog, kIdUnitInch, kIdUnitScanner), kIdUnitScanner);
    EXPECT_EQ(GetCheckedRadio(dialog, kIdUnitInch, kIdUnitCm), 0);
    dialog.CheckRadio(kIdSideLoad, kIdCenterLoad, kIdSideLoad);
    EXPECT_EQ(GetCheckedRadio(dialog, kIdUnitInch, kIdCenterLoad), kIdUnitScanner);
}

TEST_F(ItemTest, SelectingAndDefaultButtonMoveTheFocus) {
    Controls().SetText(kIdNewResolution, "1200");
    SelectItemText(Controls(), kIdNewResolution);
    EXPECT_EQ(Controls().Focus(), kIdNewResolution);
    EXPECT_EQ(User().TextSelection(kIdNewResolution), std::make_pair(0, 4));
    SetDefaultButton(Controls(), kIdPrescan);
    EXPECT_EQ(Controls().Focus(), kIdPrescan);
    EXPECT_EQ(User().DefaultButton(), kIdPrescan);
}

TEST_F(ItemTest, CenteredDialogKeepsItsSizeAndStaysOnTheScreen) {
    const qv::PixelRect before = Controls().Placement();
    CenterOverParent(Controls());
    const qv::PixelRect after = Controls().Placement();
    const qv::ScreenMetrics screen = Controls().Screen();
    EXPECT_EQ(after.Width(), before.Width());
    EXPECT_EQ(after.Height(), before.Height());
    EXPECT_GE(after.left, 0);
    EXPECT_GE(after.top, 0);
    EXPECT_LE(after.right, screen.width);
    EXPECT_LE(after.bottom, screen.height);
}

#ifndef _WIN32
// Exact places need a screen and parent of known size: the headless dialog lets them be set.
TEST(CenterOverParent, ThirdOfTheFreeHeightKeptOnTheScreen) {
    struct Case {
        const char* what;
        int32_t width, height;
        std::optional<qv::PixelRect> parent;
        bool systemMenu;
        int32_t left, top;
    };
    const qv::PixelRect parent{100, 50, 900, 650}; // 800 x 600
    const Case cases[] = {
        {"middle of the free width", 400, 300, parent, true, 100 + 200 - 18, 50 + 100},
        {"without system menu two thirds of a caption button", 400, 300, parent, false, 100 + 200 - 12, 150},
        {"without parent the desktop", 400, 300, std::nullopt, true, 440 - 18, 241},
        {"larger than its parent: the parent's corner", 1000, 700, parent, true, 100 - 18, 50},
        {"moved back onto the screen", 400, 300, qv::PixelRect{1000, 900, 1800, 1500}, true, 1280 - 400,
         1024 - 300},
        {"never beyond the left or top edge", 1400, 1100, qv::PixelRect{0, 0, 1280, 1024}, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qv::HeadlessDialog dialog{qv::SettingsDialogLayout(), nullptr};
        dialog.Resize(c.width, c.height);
        dialog.SetScreen({1280, 1024, 18});
        dialog.SetParentArea(c.parent);
        dialog.SetSystemMenu(c.systemMenu);
        CenterOverParent(dialog);
        const qv::PixelRect placed = dialog.Placement();
        EXPECT_EQ(placed.left, c.left);
        EXPECT_EQ(placed.top, c.top);
        EXPECT_EQ(placed.Width(), c.width);
        EXPECT_EQ(placed.Height(), c.height);
    }
}
#endif

} // namespace
