// The selection rectangle on a preview of known pixels: the cursor a pointer shows, fitting,
// drawing by inversion and erasing, placing for a paper at a known scale, and the mouse
// turning the selection into the user-defined paper.
#include "tests/preview/PreviewFixture.h"

#include "dialog/ControlIds.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsDialog.h"
#include "preview/SelectRect.h"

#include <vector>

namespace {

using preview::Edges;
using qv::MouseAction;
using qv::Rgb;

// 36 inches over 300 columns: 8.333 pixels per inch.
constexpr uint32_t kWidth36 = 43200;
constexpr int32_t kLeft = 100, kTop = 10;

Rgb Inverse(Rgb c) {
    return Rgb{uint8_t(255 - c.r), uint8_t(255 - c.g), uint8_t(255 - c.b)};
}

class SelectRectTest : public qv::testing::PreviewFixture {
  protected:
    void SetUp() override {
        PreviewFixture::SetUp();
        g_DialogSettings.bCompact = false;
        g_DialogSettings.bCenterLoad = false;
        g_DialogSettings.iUserPaperIndex = kUserPaperRow;
        g_DialogSettings.iPaperIndex = 8;
        bStandardPaper = true;
        bPreScanIdle = true;
        savedUserRow_ = PaperTable[kUserPaperRow];
        std::lock_guard lock(PreScanLock());
        PreScan.iAnchorX = PreScan.iAnchorY = 0;
        PreScan.iCursor = preview::kCursorDefault;
        PreScan.bMoveRect = PreScan.bResizeRect = false;
    }
    void TearDown() override {
        PaperTable[kUserPaperRow] = savedUserRow_;
        g_DialogSettings.bCompact = true;
        PreviewFixture::TearDown();
    }

    // A preview of columns x rows at the area's top left, each row one gray value, on a
    // scanner 36 inches wide, its picture area at (kLeft, kTop) of the dialog.
    void MakePreview(int32_t columns, int32_t rows, int32_t drawnRows = -1) {
        MakeArea(columns, rows);
        std::vector<uint8_t> line(size_t(columns) * 3);
        for (int32_t y = 0; y < (drawnRows < 0 ? rows : drawnRows); ++y)
            preview::PreScan_DrawRow(std::vector<uint8_t>(size_t(columns) * 3, uint8_t(y * 7)), line);
        std::lock_guard lock(PreScanLock());
        PreScan.rectPictureArea = Rect16{kTop, kLeft, int16_t(kTop + rows), int16_t(kLeft + columns)};
        PreScan.iPixelBorderLimit = 1;
        preview::SetPreviewScanWidth(kWidth36);
    }
    static Rect16 Selection() {
        std::lock_guard lock(PreScanLock());
        return PreScan.rectSelect;
    }
    static void Select(Rect16 rect) {
        std::lock_guard lock(PreScanLock());
        PreScan.rectSelect = rect;
    }
    // x, y relative to the picture area.
    void Mouse(MouseAction action, int32_t x, int32_t y, bool held = true) {
        preview::PreScan_Mouse(Controls(), action, kLeft + x, kTop + y, held);
    }
    void Drag(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
        Mouse(MouseAction::ButtonDown, fromX, fromY);
        Mouse(MouseAction::Move, toX, toY);
        Mouse(MouseAction::ButtonUp, toX, toY, false);
    }
    static const PaperRow& UserPaper() { return PaperTable[kUserPaperRow]; }
    static int32_t Cursor() {
        std::lock_guard lock(PreScanLock());
        return PreScan.iCursor;
    }

    PaperRow savedUserRow_{};
};

TEST(SelectionCursor, BandCornersEdgesInsideAndOutside) {
    const Rect16 select{10, 20, 110, 220};
    struct Point {
        int32_t x, y, cursor;
    };
    for (const Point& p :
         {Point{20, 10, preview::kCursorTopLeft}, Point{100, 10, preview::kCursorHorizontal},
          Point{220, 60, preview::kCursorVertical}, Point{100, 50, preview::kCursorAll},
          Point{100, 120, preview::kCursorDefault}, Point{221, 111, preview::kCursorBottomRight},
          Point{219, 9, preview::kCursorTopRight}, Point{19, 108, preview::kCursorBottomLeft},
          Point{100, 11, preview::kCursorHorizontal}, Point{100, 12, preview::kCursorAll},
          Point{100, 8, preview::kCursorDefault}})
        EXPECT_EQ(preview::ChooseCursor(select, 1, true, p.x, p.y), p.cursor) << p.x << "," << p.y;
    EXPECT_EQ(preview::ChooseCursor(select, 1, false, 100, 50), preview::kCursorDefault);
    // A wider band reaches further out.
    EXPECT_EQ(preview::ChooseCursor(select, 4, true, 100, 6), preview::kCursorHorizontal);
}

TEST(SelectionFit, MovedRectanglesShiftAndOthersAreClipped) {
    EXPECT_EQ(preview::FitRect(Rect16{-5, 10, 50, 60}, 100, 300, true), (Edges{0, 10, 55, 60}));
    EXPECT_EQ(preview::FitRect(Rect16{-5, 10, 50, 60}, 100, 300, false), (Edges{0, 10, 50, 60}));
    // Put in order first, then fitted on the right and at the bottom.
    EXPECT_EQ(preview::FitRect(Rect16{120, 320, 90, 250}, 100, 300, false), (Edges{90, 250, 99, 299}));
    EXPECT_EQ(preview::FitRect(Rect16{90, 250, 120, 320}, 100, 300, true), (Edges{69, 229, 99, 299}));
    // Moved and larger than the image: it starts at the image's edge and reaches past the other.
    EXPECT_EQ(preview::FitRect(Rect16{-10, -20, 200, 400}, 100, 300, true), (Edges{0, 0, 210, 420}));
}

TEST_F(SelectRectTest, LetterPlacedAt8Point333PixelsPerInchAndReadBackInInches) {
    MakePreview(300, 120);
    preview::PreScan_SelectRect_CalculateCoordinates(8.5, 11);
    EXPECT_EQ(Selection().left, 114);
    EXPECT_EQ(Selection().right, 185);
    EXPECT_EQ(Selection().top, 0);
    EXPECT_EQ(Selection().bottom, 91);

    // Dragging its right edge one pixel out and back keeps it and makes it the user's paper.
    Drag(185, 50, 186, 50);
    Drag(186, 50, 185, 50);
    EXPECT_EQ(g_DialogSettings.iPaperIndex, kUserPaperRow);
    EXPECT_NEAR(UserPaper().dWidth, 72 / (300 / 36.0), 1e-9);
    EXPECT_NEAR(UserPaper().dWidth, 8.64, 1e-9);
    EXPECT_NEAR(UserPaper().dXOffset, 13.68, 1e-9);
    EXPECT_NEAR(UserPaper().dHeight, 92 * 36 / 300.0, 1e-9);
}

TEST_F(SelectRectTest, OutlineIsShownInvertedAndRestoredInsideTheImageOnly) {
    MakePreview(8, 6);
    const Rgb row0 = Shown(0, 0), row1 = Shown(0, 1), row2 = Shown(3, 2), row3 = Shown(0, 3);
    Select(Rect16{1, 2, 3, 5});
    preview::PreScan_InverseSelectRect(Controls());
    EXPECT_EQ(Shown(2, 1), Inverse(row1));
    EXPECT_EQ(Shown(5, 2), Inverse(row2));
    EXPECT_EQ(Shown(3, 2), row2); // inside the outline
    EXPECT_EQ(Shown(1, 1), row1); // outside it
    preview::PreScan_ReDoSelectRect();
    EXPECT_EQ(Shown(2, 1), row1);
    EXPECT_EQ(Shown(5, 2), row2);

    // A rectangle moved past the image keeps its size: its far edges lie outside and are skipped.
    {
        std::lock_guard lock(PreScanLock());
        PreScan.bMoveRect = true;
    }
    Select(Rect16{-3, -4, 9, 12});
    preview::PreScan_InverseSelectRect(Controls());
    EXPECT_EQ(Shown(0, 3), Inverse(row3)); // left edge at column 0
    EXPECT_EQ(Shown(1, 3), row3);
    EXPECT_EQ(Shown(4, 0), Inverse(row0)); // top edge at row 0
    EXPECT_EQ(Shown(7, 5), Shown(6, 5));   // right and bottom edges are not in the image
}

TEST_F(SelectRectTest, OutlineOverTheGrayBeyondTheRowsIsThatGrayInvertedAndBack) {
    MakePreview(8, 6, 4);
    SetAdjustments(22, 0); // a curve that does not keep 127
    {
        std::lock_guard lock(PreScanLock());
        PreScan.bMoveRect = true;
    }
    Select(Rect16{-3, -4, 9, 12}); // moved past the four rows: its left edge runs down the gray
    preview::PreScan_InverseSelectRect(Controls());
    EXPECT_EQ(Shown(0, 4), (Rgb{128, 128, 128}));
    EXPECT_EQ(Shown(0, 5), (Rgb{128, 128, 128}));
    preview::PreScan_ReDoSelectRect();
    EXPECT_EQ(Shown(0, 5), kMidGray);
    EXPECT_EQ(Shown(1, 5), kMidGray);
}

TEST_F(SelectRectTest, OnePixelClickIsAOnePixelUserPaperAndSideLoad) {
    MakePreview(300, 120);
    g_DialogSettings.bCenterLoad = true;
    Controls().CheckRadio(kIdSideLoad, kIdCenterLoad, kIdCenterLoad);
    Mouse(MouseAction::ButtonDown, 150, 40);
    Mouse(MouseAction::ButtonUp, 150, 40, false);
    const Rect16 one{40, 150, 40, 150};
    EXPECT_EQ(Selection().left, one.left);
    EXPECT_EQ(Selection().bottom, one.bottom);
    const double ppi = 300 / 36.0;
    EXPECT_NEAR(UserPaper().dWidth, 1 / ppi, 1e-9);
    EXPECT_NEAR(UserPaper().dHeight, 1 / ppi, 1e-9);
    EXPECT_NEAR(UserPaper().dXOffset, 150 / ppi, 1e-9);
    EXPECT_NEAR(UserPaper().dYOffset, 40 / ppi, 1e-9);
    EXPECT_FALSE(g_DialogSettings.bCenterLoad);
    EXPECT_TRUE(Controls().IsChecked(kIdSideLoad));
    EXPECT_FALSE(Controls().IsChecked(kIdCenterLoad));
}

TEST_F(SelectRectTest, StandardPaperMovesWithoutChangingButResizingMakesItUserDefined) {
    MakePreview(300, 120);
    preview::PreScan_SelectRect_CalculateCoordinates(8.5, 11);
    const PaperRow before = UserPaper();
    Drag(150, 50, 160, 55); // inside: moved
    EXPECT_EQ(Selection().left, 124);
    EXPECT_EQ(Selection().top, 5);
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 8);
    EXPECT_EQ(UserPaper().dXOffset, before.dXOffset);

    Drag(124, 70, 104, 70); // its left edge: resized
    EXPECT_EQ(Selection().left, 104);
    EXPECT_EQ(Selection().right, 195);
    EXPECT_EQ(g_DialogSettings.iPaperIndex, kUserPaperRow);
    EXPECT_NEAR(UserPaper().dWidth, 92 / (300 / 36.0), 1e-9);
}

TEST_F(SelectRectTest, PressesFarLeftAreIgnoredWithTheMovesAfterThem) {
    MakePreview(300, 120);
    const Rect16 placed{0, 114, 91, 185};
    Select(placed);
    Mouse(MouseAction::Move, 5, 100, false);
    ASSERT_EQ(Cursor(), preview::kCursorDefault);
    Mouse(MouseAction::ButtonDown, -31, 50);
    Mouse(MouseAction::Move, 150, 50);
    EXPECT_EQ(Cursor(), preview::kCursorDefault); // the move over the selection chose none
    Mouse(MouseAction::ButtonUp, 150, 50, false);
    EXPECT_EQ(Selection().left, placed.left);
    EXPECT_EQ(Selection().right, placed.right);
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 8);

    // 30 pixels to the left is still a press: a new selection at the image's left edge.
    Mouse(MouseAction::ButtonDown, -30, 50);
    Mouse(MouseAction::ButtonUp, -30, 50, false);
    EXPECT_EQ(Selection().left, 0);
    EXPECT_EQ(Selection().right, 0);
    EXPECT_EQ(Selection().top, 50);
}

TEST_F(SelectRectTest, MovesChooseTheCursorAndADragKeepsIt) {
    MakePreview(300, 120);
    Select(Rect16{10, 20, 110, 220});
    std::vector<int32_t> chosen;
    Mouse(MouseAction::Move, 20, 10, false);
    chosen.push_back(Cursor());
    Mouse(MouseAction::ButtonDown, 20, 10);
    Mouse(MouseAction::Move, 100, 60); // the corner is dragged into the inside
    chosen.push_back(Cursor());
    Mouse(MouseAction::ButtonUp, 100, 60, false);
    chosen.push_back(Cursor());
    EXPECT_EQ(chosen, (std::vector<int32_t>{preview::kCursorTopLeft, preview::kCursorTopLeft,
                                            preview::kCursorTopLeft}));
    EXPECT_EQ(Selection().left, 100);
    EXPECT_EQ(Selection().top, 60);
    Mouse(MouseAction::Move, 150, 80, false);
    EXPECT_EQ(Cursor(), preview::kCursorAll);
    EXPECT_EQ(qv::ShownCursor(&Controls()), preview::kCursorAll);
}

} // namespace
