// The preview image on the screen: its life with the dialog's paints, the display curve,
// scrolling while rows arrive, repainting and the dialog's two widths.
#include "tests/preview/PreviewFixture.h"

#include "dialog/ControlIds.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"

#include <vector>

namespace {

using qv::Rgb;

constexpr Rgb kGray{127, 127, 127};

Rgb Grey(uint8_t v) {
    return Rgb{v, v, v};
}

// Draws rows whose every pixel is the row's value.
void DrawRows(int32_t width, std::initializer_list<uint8_t> values) {
    std::vector<uint8_t> line(size_t(width) * 3);
    for (uint8_t v : values)
        preview::PreScan_DrawRow(std::vector<uint8_t>(size_t(width) * 3, v), line);
}

class RenderingTest : public qv::testing::PreviewFixture {};

TEST_F(RenderingTest, FirstPaintMakesAGrayImageOfThePictureAreaAndRemoveReleasesIt) {
    preview::PreScan_Paint(Controls());
    const qv::PixelRect area = Controls().ItemRect(kIdPictureArea);
    {
        std::lock_guard lock(PreScanLock());
        ASSERT_TRUE(PreScan.bDCCreated);
        EXPECT_EQ(PreScan.memoryImage->Width(), area.Width());
        EXPECT_EQ(PreScan.memoryImage->Height(), area.Height());
        EXPECT_EQ(PreScan.rectPictureArea.left, area.left);
        EXPECT_EQ(PreScan.rectPictureArea.bottom, area.bottom);
    }
    EXPECT_EQ(Shown(0, 0), kGray);
    EXPECT_EQ(Shown(area.Width() - 1, area.Height() - 1), kGray);

    preview::PreScan_MakeGammaCurve(10, 0, 0);
    preview::PreScan_Remove();
    std::lock_guard lock(PreScanLock());
    EXPECT_FALSE(PreScan.bDCCreated);
    EXPECT_EQ(PreScan.memoryImage, nullptr);
    EXPECT_TRUE(PreScan.ptr_byteGammaCurve.empty());
    EXPECT_TRUE(PreScan.ptr_byteImage.empty());
}

TEST_F(RenderingTest, AdjustmentsShowTheImageThroughTheDisplayCurveOnly) {
    MakeArea(4, 3);
    DrawRows(4, {0, 64, 255});
    SetAdjustments(20, 10); // gamma 2.0: sqrt(64 / 255) x 255 = 127.7, then 10 brighter
    preview::PreScan_MakeDCFromGamma(Controls());
    EXPECT_EQ(Shown(3, 0), Grey(10));
    EXPECT_EQ(Shown(0, 1), Grey(137));
    EXPECT_EQ(Shown(2, 2), Grey(255));
    // The image keeps what was scanned.
    EXPECT_EQ(Image(0, 1), Grey(64));

    // Gamma out of 1..90: nothing changes.
    for (int32_t gamma10 : {0, 91}) {
        Controls().SetText(kIdBrightness, "-50");
        g_DialogSettings.iGamma10 = gamma10;
        preview::PreScan_MakeDCFromGamma(Controls());
        EXPECT_EQ(Shown(0, 1), Grey(137)) << gamma10;
    }
}

TEST_F(RenderingTest, AFullAreaOf190RowsDropsItsTop19AndNewRowsFollowBelow) {
    MakeArea(3, 190);
    std::vector<uint8_t> line(9);
    for (int32_t y = 0; y < 190; ++y)
        preview::PreScan_DrawRow(std::vector<uint8_t>(9, uint8_t(y)), line);
    const std::vector<uint8_t> last(9, 250);
    EXPECT_EQ(preview::PreScan_DrawRow(last, line), 171);
    EXPECT_EQ(line, last);
    {
        std::lock_guard lock(PreScanLock());
        EXPECT_EQ(PreScan.iPreviewRows, 172);
    }
    EXPECT_EQ(Image(0, 0), Grey(19));
    EXPECT_EQ(Shown(2, 0), Grey(19));
    EXPECT_EQ(Image(1, 170), Grey(189));
    EXPECT_EQ(Shown(1, 170), Grey(189));
    EXPECT_EQ(Image(0, 171), Grey(250));
    EXPECT_EQ(Shown(0, 171), Grey(250));
    // Below the new row: cleared in the image, gray on the screen.
    EXPECT_EQ(Image(0, 172), Grey(0));
    EXPECT_EQ(Image(2, 189), Grey(0));
    EXPECT_EQ(Shown(0, 172), kGray);
    EXPECT_EQ(Shown(2, 189), kGray);
}

TEST_F(RenderingTest, PaintShowsOnlyRowsAndColumnsThatHoldImage) {
    MakeArea(6, 4);
    DrawRows(6, {10, 20, 30});
    {
        std::lock_guard lock(PreScanLock());
        PreScan.iPreviewWidth = 4;
        PreScan.iPreviewRows = 2;
    }
    SetAdjustments(20, 0);
    preview::PreScan_PaintDC(Controls());
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const bool image = x < 4 && y < 2;
            EXPECT_EQ(Shown(x, y) == kGray, !image) << x << ',' << y;
        }
    }
    EXPECT_EQ(Shown(3, 1), Grey(71)); // sqrt(20 / 255) x 255
}

TEST_F(RenderingTest, CompactAndFullWidthsAreCentredOnTheScreen) {
    g_DialogSettings.iCompactWidth = 300;
    g_DialogSettings.iFullWidth = 500;
    const qv::PixelRect before = Controls().Placement();
    const int32_t screen = Controls().Screen().width;

    preview::SetDialogDimentions(Controls(), true);
    qv::PixelRect now = Controls().Placement();
    EXPECT_TRUE(g_DialogSettings.bCompact);
    EXPECT_EQ(now.Width(), 300);
    EXPECT_EQ(now.left, (screen - 300) / 2);
    EXPECT_EQ(now.top, before.top);
    EXPECT_EQ(now.Height(), before.Height());
    EXPECT_TRUE(Controls().IsEnabled(kIdCenterLoad));

    preview::SetDialogDimentions(Controls(), false);
    now = Controls().Placement();
    EXPECT_FALSE(g_DialogSettings.bCompact);
    EXPECT_EQ(now.Width(), 500);
    EXPECT_EQ(now.left, (screen - 500) / 2);
    EXPECT_FALSE(Controls().IsEnabled(kIdSideLoad));
    EXPECT_FALSE(Controls().IsEnabled(kIdPaperLoad));
}

} // namespace
