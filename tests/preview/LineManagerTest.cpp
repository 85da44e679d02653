// The line manager in the ring's slots: its capacity, where lines lie, what a full manager
// tells the user, and the whole prescan redrawn from it shrunk to the area.
#include "tests/preview/PreviewFixture.h"

#include "platform/MessageBox.h"
#include "preview/LineManager.h"
#include "scanner/ReadRing.h"

#include <vector>

namespace {

using qv::Rgb;

class LineManagerTest : public qv::testing::PreviewFixture {
  protected:
    void SetUp() override {
        PreviewFixture::SetUp();
        qv::RecordMessageBoxes();
        qv::TakeMessageBoxes();
        ReleaseReadRing();
        ASSERT_EQ(AllocateReadRing(65536), kRingBlocks);
    }
    void TearDown() override {
        ReleaseReadRing();
        PreviewFixture::TearDown();
    }

    static std::vector<uint8_t> Line(size_t bytes, uint8_t mark) { return std::vector<uint8_t>(bytes, mark); }
    static int32_t NoMemoryBoxes() {
        int32_t count = 0;
        for (const qv::MessageBoxRecord& box : qv::TakeMessageBoxes()) {
            EXPECT_EQ(box.caption, "PreScan_LineManager_SetLine");
            count += box.text == "Not enough Memory in Line Manager";
        }
        return count;
    }
};

TEST_F(LineManagerTest, HoldsTenBlocksOfWholeLinesAndSaysOncePerPrescanWhenFull) {
    ASSERT_TRUE(preview::PreScan_LineManager_Init(960));
    {
        std::lock_guard lock(PreScanLock());
        EXPECT_EQ(PreScan.iLinesPerBlock, 68);
    }
    for (int32_t i = 0; i < 680; ++i)
        ASSERT_TRUE(preview::PreScan_LineManager_SetLine(nullptr, Line(960, uint8_t(i)), -1)) << i;
    EXPECT_EQ(NoMemoryBoxes(), 0);

    // Line 0 of block k at the slot's start; the block's last 256 bytes stay empty.
    const uint8_t* line = nullptr;
    for (int32_t k = 0; k < kRingSlots; ++k) {
        ASSERT_TRUE(preview::PreScan_LineManager_GetLine(nullptr, line, k * 68));
        EXPECT_EQ(line, blockBuffer[k]);
        EXPECT_EQ(line[959], uint8_t(k * 68));
    }
    ASSERT_TRUE(preview::PreScan_LineManager_GetLine(nullptr, line, 67));
    EXPECT_EQ(line + 960, blockBuffer[0] + 65536 - 256);

    EXPECT_FALSE(preview::PreScan_LineManager_SetLine(nullptr, Line(960, 1), -1));
    EXPECT_FALSE(preview::PreScan_LineManager_SetLine(nullptr, Line(960, 2), -1));
    EXPECT_FALSE(preview::PreScan_LineManager_GetLine(nullptr, line, 681));
    EXPECT_EQ(NoMemoryBoxes(), 1);
    {
        std::lock_guard lock(PreScanLock());
        EXPECT_EQ(PreScan.iStoredLines, 682);
    }

    // The next prescan tells the user again.
    preview::PreScan_LineManager_Init(65536 / 10);
    for (int32_t i = 0; i < 101; ++i)
        preview::PreScan_LineManager_SetLine(nullptr, Line(65536 / 10, 3), -1);
    EXPECT_EQ(NoMemoryBoxes(), 1);
}

TEST_F(LineManagerTest, FetchesReachOneLinePastTheStoredOnes) {
    preview::PreScan_LineManager_Init(30);
    for (uint8_t i = 0; i < 3; ++i)
        preview::PreScan_LineManager_SetLine(nullptr, Line(30, i), -1);
    const uint8_t* line = nullptr;
    EXPECT_TRUE(preview::PreScan_LineManager_GetLine(nullptr, line, 3));
    EXPECT_FALSE(preview::PreScan_LineManager_GetLine(nullptr, line, 4));
    EXPECT_FALSE(preview::PreScan_LineManager_GetLine(nullptr, line, -1));
    const auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Not enough Lines in Line Manager");
}

TEST_F(LineManagerTest, LinesWiderThanASlotAreNeverStored) {
    preview::PreScan_LineManager_Init(65537);
    EXPECT_FALSE(preview::PreScan_LineManager_SetLine(nullptr, Line(65537, 9), -1));
    EXPECT_EQ(NoMemoryBoxes(), 1);
}

// 25 stored lines of a 20 x 10 area: every 2.5th line and every 2.5th pixel, 8 columns.
TEST_F(LineManagerTest, ALongPrescanIsRedrawnShrunkToTheAreaHeight) {
    MakeArea(20, 10);
    preview::PreScan_LineManager_Init(20 * 3);
    std::vector<uint8_t> line(60);
    for (int32_t i = 0; i < 25; ++i) {
        for (int32_t x = 0; x < 20; ++x) {
            line[size_t(x) * 3] = uint8_t(i);
            line[size_t(x) * 3 + 1] = uint8_t(x);
            line[size_t(x) * 3 + 2] = 200;
        }
        preview::PreScan_LineManager_SetLine(nullptr, line, -1);
    }
    preview::PreScan_MakeDCFormLineManager(Controls());
    {
        std::lock_guard lock(PreScanLock());
        EXPECT_EQ(PreScan.iPreviewWidth, 8);
        EXPECT_EQ(PreScan.iPreviewRows, 10);
    }
    for (int32_t row = 0; row < 10; ++row) {
        const auto source = uint8_t(row * 5 / 2);
        for (int32_t x = 0; x < 20; ++x) {
            const Rgb expected = x < 8 ? Rgb{source, uint8_t(x * 5 / 2), 200} : Rgb{127, 127, 127};
            EXPECT_EQ(Shown(x, row), expected) << x << ',' << row;
            if (x < 8) {
                EXPECT_EQ(Image(x, row), expected) << x << ',' << row;
            }
        }
    }
}

} // namespace
