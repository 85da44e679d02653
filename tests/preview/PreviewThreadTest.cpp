// The prescan thread draws rows while the dialog thread rebuilds the preview through a new
// curve and paints it: no row is left half through one curve and half through the other.
#include "tests/preview/PreviewFixture.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

class PreviewThreadTest : public qv::testing::PreviewFixture {
  protected:
    static std::vector<uint8_t> Curve(int32_t gamma10) {
        preview::PreScan_MakeGammaCurve(gamma10, 0, 0);
        std::lock_guard lock(PreScanLock());
        return PreScan.ptr_byteGammaCurve;
    }
};

TEST_F(PreviewThreadTest, RowsDrawnDuringRebuildsAreEachThroughOneCurve) {
    constexpr int32_t kWidth = 40, kHeight = 50;
    const std::vector<uint8_t> curves[2] = {Curve(20), Curve(10)};
    MakeArea(kWidth, kHeight);

    // The rows go on until the dialog thread has rebuilt often enough and seen them scroll.
    std::atomic<bool> stop{false};
    std::atomic<int32_t> drawn{0};
    std::thread prescan([&] {
        std::vector<uint8_t> rgb(size_t(kWidth) * 3), line(rgb.size());
        for (int32_t y = 0; !stop || y < 3 * kHeight; ++y) {
            for (size_t i = 0; i < rgb.size(); ++i)
                rgb[i] = uint8_t(1 + (size_t(y) * 7 + i * 11) % 253);
            preview::PreScan_DrawRow(rgb, line);
            drawn = y + 1;
        }
    });
    for (int32_t rebuilds = 0; rebuilds < 60 || drawn < 2 * kHeight; ++rebuilds) {
        SetAdjustments(rebuilds % 2 ? 10 : 20, 0);
        preview::PreScan_MakeDCFromGamma(Controls());
        preview::PreScan_Paint(Controls());
    }
    stop = true;
    prescan.join();

    std::lock_guard lock(PreScanLock());
    ASSERT_GT(PreScan.iPreviewRows, kHeight - kHeight / 10 - 1);
    for (int32_t y = 0; y < PreScan.iPreviewRows; ++y) {
        int matches[2] = {0, 0};
        for (int32_t x = 0; x < kWidth; ++x) {
            const qv::Rgb shown = Shown(x, y), image = Image(x, y);
            for (int c = 0; c < 2; ++c)
                matches[c] += shown == qv::Rgb{curves[c][image.r], curves[c][image.g], curves[c][image.b]};
        }
        EXPECT_TRUE(matches[0] == kWidth || matches[1] == kWidth) << "row " << y;
    }
}

} // namespace
