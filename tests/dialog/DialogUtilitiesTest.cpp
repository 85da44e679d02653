#include "dialog/DialogUtilities.h"

#include "FakeControls.h"

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

class ItemTest : public ::testing::Test {
  protected:
    qv::test::FakeControls dialog;
};

TEST_F(ItemTest, NumbersAreReadFromTheControlsText) {
    dialog.SetText(40, " 300 ");
    int32_t integer = 0;
    EXPECT_EQ(GetItemInteger(dialog, 40, 0, 255, &integer), kNumberOutOfRange);
    EXPECT_EQ(integer, 300);
    dialog.SetText(40, "abc");
    EXPECT_EQ(GetItemInteger(dialog, 40, 0, 255, &integer), kNotANumber);
    EXPECT_EQ(integer, 0);

    dialog.SetText(36, "2,2");
    double decimal = 0.0;
    EXPECT_EQ(GetItemDecimal(dialog, 36, 0.1, 9.0, &decimal), kNumberInRange);
    EXPECT_DOUBLE_EQ(decimal, 2.2);
}

TEST_F(ItemTest, SetItemDecimalWritesTheRoundedText) {
    SetItemDecimal(dialog, 69, 8.3 * 2.54, 1);
    EXPECT_EQ(dialog.GetText(69), "21.1");
    SetItemDecimal(dialog, 69, 0.25, 1);
    EXPECT_EQ(dialog.GetText(69), "0.3");
}

TEST_F(ItemTest, TextsAreCutTo255Characters) {
    SetItemText(dialog, 67, std::string(300, '7'));
    EXPECT_EQ(dialog.GetText(67).size(), 255u);
    dialog.SetText(67, std::string(300, '8'));
    EXPECT_EQ(GetItemText(dialog, 67), std::string(255, '8'));
}

TEST_F(ItemTest, RangesCoverBothEnds) {
    HideRange(dialog, 27, 48);
    EXPECT_FALSE(dialog.IsVisible(27));
    EXPECT_FALSE(dialog.IsVisible(48));
    EXPECT_TRUE(dialog.IsVisible(26));
    EXPECT_TRUE(dialog.IsVisible(49));
    ShowHideRange(dialog, 27, 36, true);
    EXPECT_TRUE(dialog.IsVisible(27));
    EXPECT_TRUE(dialog.IsVisible(36));
    EXPECT_FALSE(dialog.IsVisible(37));
    ShowHideItem(dialog, 37, true);
    HideItem(dialog, 27);
    EXPECT_TRUE(dialog.IsVisible(37));
    EXPECT_FALSE(dialog.IsVisible(27));

    DisableRange(dialog, 59, 63);
    EXPECT_FALSE(dialog.IsEnabled(59));
    EXPECT_FALSE(dialog.IsEnabled(63));
    EXPECT_TRUE(dialog.IsEnabled(64));
    EnableRange(dialog, 60, 61);
    EXPECT_FALSE(dialog.IsEnabled(59));
    EXPECT_TRUE(dialog.IsEnabled(60));
    EXPECT_TRUE(dialog.IsEnabled(61));
    EXPECT_FALSE(dialog.IsEnabled(62));
    EnableItem(dialog, 59);
    DisableItem(dialog, 60);
    EXPECT_TRUE(dialog.IsEnabled(59));
    EXPECT_FALSE(dialog.IsEnabled(60));
}

TEST_F(ItemTest, CheckedRadioIsTheFirstInTheGroup) {
    EXPECT_EQ(GetCheckedRadio(dialog, 59, 61), 0);
    dialog.CheckRadio(59, 61, 61);
    EXPECT_EQ(GetCheckedRadio(dialog, 59, 61), 61);
    EXPECT_EQ(GetCheckedRadio(dialog, 59, 60), 0);
    dialog.CheckRadio(62, 63, 62);
    EXPECT_EQ(GetCheckedRadio(dialog, 59, 63), 61);
}

TEST_F(ItemTest, SelectingAndDefaultButtonMoveTheFocus) {
    SelectItemText(dialog, 67);
    EXPECT_EQ(dialog.Focus(), 67);
    EXPECT_EQ(dialog.selectedAll, 67);
    SetDefaultButton(dialog, 1);
    EXPECT_EQ(dialog.Focus(), 1);
    EXPECT_EQ(dialog.defaultButton, 1);
}

class CenterTest : public ItemTest {
  protected:
    void SetUp() override {
        dialog.screen = {1280, 1024, 18};
        dialog.parent = {100, 50, 900, 650}; // 800 x 600
        dialog.placement = {0, 0, 400, 300};
    }
    std::pair<int32_t, int32_t> Centred() {
        CenterOverParent(dialog);
        return {dialog.placement.left, dialog.placement.top};
    }
};

TEST_F(CenterTest, MiddleOfTheFreeWidthAndAThirdOfTheFreeHeight) {
    EXPECT_EQ(Centred(), std::make_pair(100 + 200 - 18, 50 + 100));
    EXPECT_EQ(dialog.placement.Width(), 400);
    EXPECT_EQ(dialog.placement.Height(), 300);
}

TEST_F(CenterTest, WithoutSystemMenuTwoThirdsOfACaptionButton) {
    dialog.systemMenu = false;
    EXPECT_EQ(Centred(), std::make_pair(100 + 200 - 12, 150));
}

TEST_F(CenterTest, DialogLargerThanItsParentStartsAtTheParentsCorner) {
    dialog.placement = {0, 0, 1000, 700};
    EXPECT_EQ(Centred(), std::make_pair(100 - 18, 50));
}

TEST_F(CenterTest, MovedBackOntoTheScreen) {
    dialog.parent = {1000, 900, 1800, 1500};
    EXPECT_EQ(Centred(), std::make_pair(1280 - 400, 1024 - 300));
}

TEST_F(CenterTest, NeverBeyondTheLeftOrTopEdge) {
    dialog.parent = {0, 0, 1280, 1024};
    dialog.placement = {0, 0, 1400, 1100};
    EXPECT_EQ(Centred(), std::make_pair(0, 0));
}

} // namespace
