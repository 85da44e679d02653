// The prescan as the user meets it: Prescan on the settings dialog with the simulated scanner,
// the preview it leaves, the scanner commands it sends, Stop by the button and by a click,
// the bounded waits, a first chunk without a line width, and the mouse drawing while the
// prescan thread draws. The test's thread is the dialog's: it plays the user in the loop.
#include "dialog/ControlIds.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsDialog.h"
#include "platform/DialogThreadWait.h"
#include "platform/DialogWindow.h"
#include "preview/PreScan.h"
#include "preview/PreScanThread.h"
#include "preview/Preview.h"
#include "preview/PreviewImage.h"
#include "scanner/Scanner.h"
#include "sim/SimulatedLibrary.h"
#include "tests/dialog/DialogRun.h"
#include "tests/scanner/FakeScannerLibrary.h"

#include <gmock/gmock.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using qv::DialogControls;
using qv::DialogUser;
using qv::MouseAction;
using ::testing::Contains;
using ::testing::Not;

using qv::testing::LogLines;
using qv::testing::Script;

// The simulated scanner, whose image reads can be held before the n-th until the test lets
// the prescan go on, and whose picture size can report other camera widths.
class HeldScanner final : public qv::sim::SimulatedLibrary {
  public:
    using SimulatedLibrary::SimulatedLibrary;

    int32_t scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType, int32_t qualifier,
                     int32_t* received) override {
        if (dataType == kReadPictureSize && cameras) {
            for (size_t k = 0; k < 4; ++k) {
                buffer[2 * k] = uint8_t((*cameras)[k] >> 8);
                buffer[2 * k + 1] = uint8_t((*cameras)[k]);
            }
            *received = kPictureSizeLength;
            return 0;
        }
        if (dataType == kReadImage) {
            std::unique_lock lock(mutex_);
            if (++reads_ == holdAt_) {
                held_ = true;
                changed_.notify_all();
                changed_.wait(lock, [this] { return released_; });
            }
        }
        return SimulatedLibrary::scanRead(handle, buffer, length, dataType, qualifier, received);
    }

    void HoldBeforeRead(int read) {
        std::lock_guard lock(mutex_);
        holdAt_ = read;
    }
    // On the dialog's thread, which keeps answering the prescan thread meanwhile.
    void AwaitHeld() {
        qv::ServeDialogUntil([this] {
            std::lock_guard lock(mutex_);
            return held_;
        });
        std::unique_lock lock(mutex_);
        // Only a broken prescan that never reads again runs into this bound.
        ASSERT_TRUE(changed_.wait_for(lock, std::chrono::seconds(60), [this] { return held_; }));
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

    std::optional<std::array<uint16_t, 4>> cameras;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int reads_ = 0, holdAt_ = 0;
    bool held_ = false, released_ = false;
};

uint32_t Be32(const std::vector<uint8_t>& block, size_t at) {
    return uint32_t(block[at]) << 24 | uint32_t(block[at + 1]) << 16 | uint32_t(block[at + 2]) << 8 |
           block[at + 3];
}

const char* const kBars = "[sheet]\nchart = color-bars\nwidth = 8.5\nheight = 11\n";
const char* const kRamp = "[sheet]\nchart = gray-ramp\nwidth = 8.5\nheight = 11\n";

class PreScanTest : public qv::testing::DialogRunTest {
  protected:
    void SetUp() override {
        DialogRunTest::SetUp();
        InstallPreview();
    }
    void TearDown() override {
        DialogRunTest::TearDown();
        SetPreviewHooks(nullptr);
    }

    // One device of `device` lines (a [device] section) holding a letter-size chart.
    void Start(const std::string& device, const std::string& settings = "", const char* sheet = kBars) {
        if (!settings.empty())
            std::ofstream(folder_ / qv::kSettingsFileName) << settings;
        qv::sim::Scenario scenario;
        std::string error;
        ASSERT_TRUE(qv::sim::ParseScenario("[device]\n" + device + "\n" + sheet, scenario, error)) << error;
        auto library = std::make_unique<HeldScanner>(scenario);
        held_ = library.get();
        ASSERT_TRUE(Open(std::move(library)));
        handle_ = held_->HandleOf(0);
        held_->ClearRecord();
    }
    void WaitEnd() {
        script_.Add([](DialogControls&, DialogUser&) { preview::PreScan_WaitEnd(); });
    }
    // x, y relative to the picture area.
    void Mouse(MouseAction action, int32_t x, int32_t y, bool held) {
        script_.Add([=](DialogControls& dialog, DialogUser&) {
            const qv::PixelRect area = dialog.ItemRect(kIdPictureArea);
            qv::DeliverMouse(&dialog, action, area.left + x, area.top + y, held);
        });
    }
    // Prescan, then `during` while it runs, then its end; Done leaves.
    void PreScanWith(std::function<void()> during = {}) {
        script_.Click(kIdPrescan);
        if (during)
            during();
        WaitEnd();
        script_.Click(kIdDone);
        SettingsDialog_Run();
    }

    static Rect16 Selection() {
        std::lock_guard lock(PreScanLock());
        return PreScan.rectSelect;
    }
    static qv::Rgb ImageAt(int32_t x, int32_t y) {
        std::lock_guard lock(PreScanLock());
        const uint8_t* p = preview::ImagePixel(PreScan, x, y);
        return p ? qv::Rgb{p[0], p[1], p[2]} : qv::Rgb{};
    }
    std::vector<std::string> Calls() { return library_->CallNames(handle_); }
    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (const qv::MessageBoxRecord& box : qv::TakeMessageBoxes())
            captions.push_back(box.caption);
        return captions;
    }
    // The prescan gave back what it held; the paper load group stays disabled.
    void ExpectControlsBack() {
        DialogControls& dialog = *SettingsDialog_Controls();
        EXPECT_TRUE(bPreScanIdle);
        EXPECT_EQ(dialog.GetText(kIdDone), "&Done");
        for (int id :
             {kIdScan, kIdPrescan, kIdClosePrescan, kIdBlurLabel, kIdBlur, kIdSharpenLabel, kIdSharpen})
            EXPECT_TRUE(dialog.IsEnabled(id)) << id;
        for (int id : {kIdSideLoad, kIdCenterLoad, kIdPaperLoad})
            EXPECT_FALSE(dialog.IsEnabled(id)) << id;
    }

    HeldScanner* held_ = nullptr;
    uint32_t handle_ = 0;
};

TEST_F(PreScanTest, ShowsTheWholeWidthWithANeutralCurveAndPlacesThePaper) {
    Start("profile = gen5-color-54");
    script_.Add([](DialogControls&, DialogUser& user) {
        EXPECT_TRUE(user.Type(kIdBrightness, "60"));
        EXPECT_TRUE(user.Click(kIdSrgb));
    });
    std::vector<std::string> whileRunning;
    held_->HoldBeforeRead(2);
    PreScanWith([&] {
        script_.Add([&](DialogControls& dialog, DialogUser&) {
            held_->AwaitHeld();
            whileRunning = {dialog.GetText(kIdDone), dialog.IsEnabled(kIdScan) ? "scan" : "",
                            dialog.IsEnabled(kIdPrescan) ? "prescan" : ""};
            held_->Release();
        });
    });
    EXPECT_EQ(whileRunning, (std::vector<std::string>{"Stop", "", ""}));
    ExpectControlsBack();
    EXPECT_FALSE(g_DialogSettings.bCompact);

    // The whole width at 150 dpi over the longest prescan; the device's curve is neutral
    // whatever the brightness, which acts on the screen only.
    const auto windows = library_->WindowBlocks(handle_);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0][10] << 8 | windows[0][11], 150);
    EXPECT_EQ(Be32(windows[0], 22), 54u * 1200);
    EXPECT_EQ(Be32(windows[0], 26), 200u * 1200);
    const auto curves = library_->GammaTables(handle_);
    ASSERT_EQ(curves.size(), 1u);
    EXPECT_EQ(curves[0].front(), 0);
    EXPECT_EQ(curves[0][curves[0].size() / 3 - 1], 255);
    // White at 214 / 232 of full scale for sRGB: 235, sent as 255 / 235 x 255, rounded.
    const auto white = library_->WhiteLevelBlocks(handle_);
    ASSERT_EQ(white.size(), 1u);
    EXPECT_EQ(white[0][0] | white[0][1] << 8, 277);
    const auto calls = library_->Calls();
    const auto lastMove = std::find_if(calls.rbegin(), calls.rend(),
                                       [](const auto& c) { return c.function == "scanObjectPosition"; });
    ASSERT_NE(lastMove, calls.rend());
    EXPECT_EQ(lastMove->args[0], 1); // the paper back at its start

    // The letter's width centred at the top, drawn inverted.
    int32_t columns = 0, rows = 0;
    Rect16 drawn{};
    {
        std::lock_guard lock(PreScanLock());
        columns = PreScan.iPreviewWidth;
        rows = PreScan.iPreviewRows;
        drawn = PreScan.rectDrawn;
    }
    EXPECT_EQ(columns, SettingsDialog_Controls()->ItemRect(kIdPictureArea).Width());
    // Every step of 8100 / columns lines of the 1650 the sheet has shows one.
    EXPECT_EQ(rows, (1650 * columns + 8099) / 8100);
    const Rect16 placed = Selection();
    const PaperRow& paper = PaperTable[g_DialogSettings.iPaperIndex];
    const double ppi = columns / 54.0;
    EXPECT_EQ(placed.top, 0);
    EXPECT_EQ(placed.left, int16_t((columns - ppi * paper.dWidth) / 2));
    EXPECT_EQ(placed.bottom, int16_t(ppi * paper.dHeight));
    EXPECT_EQ(drawn.left, placed.left);
    const std::vector<std::string> log = LogLines();
    for (const char* line : {"PreScan_ScanMode = 10", "iPreResolution = 150", "Prescan 4", "Paper Size"})
        EXPECT_THAT(log, Contains(line));
}

TEST_F(PreScanTest, StopByTheButtonStillPlacesThePaper) {
    Start("profile = gen5-color-54");
    held_->HoldBeforeRead(3);
    PreScanWith([&] {
        script_.Add([&](DialogControls&, DialogUser& user) {
            held_->AwaitHeld();
            EXPECT_TRUE(user.Click(kIdDone)); // Stop
            EXPECT_TRUE(bStopPreScan);
            held_->Release();
        });
    });
    ExpectControlsBack();
    EXPECT_EQ(Selection().top, 0);
    EXPECT_GT(Selection().right, Selection().left);
    EXPECT_GT(library_->RowsDelivered(handle_), 0);
    EXPECT_LT(library_->RowsDelivered(handle_), 11 * 150); // the sheet was not read to its end
}

TEST_F(PreScanTest, StopByAClickKeepsTheUsersSelection) {
    Start("profile = gen5-color-54");
    held_->HoldBeforeRead(3);
    PreScanWith([&] {
        script_.Add([&](DialogControls&, DialogUser&) { held_->AwaitHeld(); });
        Mouse(MouseAction::ButtonDown, 40, 1, true);
        Mouse(MouseAction::ButtonUp, 40, 1, false);
        script_.Add([&](DialogControls&, DialogUser&) {
            EXPECT_TRUE(bStopPreScan);
            EXPECT_TRUE(bUserClicked);
            held_->Release();
        });
    });
    ExpectControlsBack();
    const Rect16 clicked = Selection();
    EXPECT_EQ(clicked.left, 40);
    EXPECT_EQ(clicked.right, 40);
    EXPECT_EQ(clicked.top, clicked.bottom);
    EXPECT_EQ(g_DialogSettings.iPaperIndex, g_DialogSettings.iUserPaperIndex);
    EXPECT_THAT(LogLines(), Not(Contains("PreScan_SelectRect_CalculateCoordinates")));
}

TEST_F(PreScanTest, Generation4GrayGetsNeitherCurveNorWhiteLevelsAndColourBoth) {
    Start("profile = gen4-gray");
    PreScanWith();
    EXPECT_TRUE(library_->GammaTables(handle_).empty());
    EXPECT_TRUE(library_->WhiteLevelBlocks(handle_).empty());
    EXPECT_THAT(Calls(), Contains("scanScan"));
    SettingsDialog_Destroy();

    Start("profile = gen4-color");
    PreScanWith();
    EXPECT_EQ(library_->GammaTables(handle_).size(), 1u);
    // Generation 4 always takes NTSC white: 214 / 214 of full scale.
    EXPECT_EQ(library_->WhiteLevelBlocks(handle_),
              (std::vector<std::vector<uint8_t>>{{255, 255, 255, 0, 0, 0}}));
}

TEST_F(PreScanTest, PaperThatNeverSettlesEndsThePrescanAtTheDeadline) {
    Start("profile = gen4-gray\nstuck = load");
    PreScanWith();
    EXPECT_THAT(Captions(), Contains("4Gen Paper Check"));
    EXPECT_THAT(LogLines(), Contains("4Gen Paper Check 2"));
    EXPECT_THAT(Calls(), Not(Contains("scanScan")));
    ExpectControlsBack();
    SettingsDialog_Destroy();

    Start("profile = gen5-color-54\nstuck = load");
    PreScanWith();
    EXPECT_THAT(Captions(), Contains("5Gen Paper Wait"));
    EXPECT_THAT(Calls(), Not(Contains("scanScan")));
    ExpectControlsBack();
}

TEST_F(PreScanTest, AFirstChunkWithoutALineWidthFailsThePrescan) {
    Start("profile = gen5-color-54");
    held_->cameras = std::array<uint16_t, 4>{};
    PreScanWith();
    EXPECT_THAT(Captions(), Contains("PreScan_PreScan"));
    EXPECT_EQ(Selection().left, -1); // nothing placed
    const std::vector<std::string> calls = Calls();
    const auto scan = std::find(calls.begin(), calls.end(), "scanScan");
    ASSERT_NE(scan, calls.end());
    EXPECT_EQ(std::find(scan, calls.end(), "scanObjectPosition"), calls.end()); // the paper stays
    ExpectControlsBack();
}

TEST_F(PreScanTest, SeamsAreRedBelowTheFirstRowAndNotBesideACameraOfNoWidth) {
    Start("profile = gen5-color-54", "Stitch=ON\n", kRamp);
    // The same bytes per line as four cameras of 2025 pixels, said as 4050, 0, 2025, 2025.
    held_->cameras = std::array<uint16_t, 4>{12150, 0, 6075, 6075};
    PreScanWith();
    const int32_t columns = SettingsDialog_Controls()->ItemRect(kIdPictureArea).Width();
    const qv::Rgb red{255, 0, 0};
    const int32_t seam = 6075 * columns / 8100; // between the third and fourth camera
    EXPECT_EQ(ImageAt(seam, 1), red);
    EXPECT_EQ(ImageAt(seam, 20), red);
    EXPECT_NE(ImageAt(seam, 0), red);
    for (int32_t x = 0; x < columns; ++x) {
        if (x != seam) {
            EXPECT_NE(ImageAt(x, 5), red) << x;
        }
    }
}

// Run under TSan: the dialog thread moves, presses and drags on the preview while the prescan
// thread decodes, scrolls, redraws and places.
TEST_F(PreScanTest, TheMouseDrawsWhileThePrescanRuns) {
    Start("profile = gen5-color-54");
    held_->HoldBeforeRead(8);
    PreScanWith([&] {
        for (int32_t x = 0; x < 300; x += 3)
            Mouse(MouseAction::Move, x, x / 3, false);
        script_.Add([&](DialogControls&, DialogUser&) { held_->AwaitHeld(); });
        Mouse(MouseAction::ButtonDown, 20, 2, true);
        script_.Add([&](DialogControls&, DialogUser&) { held_->Release(); });
        for (int32_t step = 0; step < 100; ++step)
            Mouse(MouseAction::Move, 20 + step, 2 + step % 5, true);
        Mouse(MouseAction::Move, 80, 4, true);
        Mouse(MouseAction::ButtonUp, 80, 4, false);
    });
    ExpectControlsBack();
    const Rect16 dragged = Selection();
    EXPECT_EQ(dragged.left, 20);
    EXPECT_EQ(dragged.right, 80);
    EXPECT_EQ(dragged.top, 2);
    EXPECT_EQ(dragged.bottom, 4);
}

TEST_F(PreScanTest, TheDialogGoingStopsARunningPrescanFirst) {
    Start("profile = gen5-color-54");
    script_.Click(kIdPrescan);
    SettingsDialog_Run();
    SettingsDialog_Destroy();
    EXPECT_FALSE(preview::PreScan_ThreadRunning());
    EXPECT_TRUE(bStopPreScan);
}

TEST_F(PreScanTest, ClosePrescanCompactsAndRemovesThePreviewAndTheNextPrescanWidensAgain) {
    Start("profile = gen5-color-54");
    const qv::PixelRect opened = SettingsDialog_Controls()->Placement();
    PreScanWith();
    EXPECT_EQ(SettingsDialog_Controls()->Placement().left, opened.left); // the first prescan does not move it
    preview::PreScan_CloseButton(*SettingsDialog_Controls());
    EXPECT_TRUE(g_DialogSettings.bCompact);
    EXPECT_EQ(SettingsDialog_Controls()->Placement().Width(), g_DialogSettings.iCompactWidth);
    {
        std::lock_guard lock(PreScanLock());
        EXPECT_TRUE(PreScan.ptr_byteImage.empty());
        EXPECT_EQ(PreScan.memoryImage, nullptr);
    }
    ASSERT_TRUE(SettingsDialog_Create(nullptr, *scanner_)); // the next sheet
    PreScanWith();
    EXPECT_FALSE(g_DialogSettings.bCompact);
    EXPECT_EQ(SettingsDialog_Controls()->Placement().Width(), g_DialogSettings.iFullWidth);
    EXPECT_NE(Selection().left, -1); // shown and placed again
}

// Both threads ask the scanner for capabilities while a prescan runs: frozen, its pages are
// only read, and one the device would not give is not asked for again.
TEST(InquiryCache, FrozenPagesAreOnlyRead) {
    qv::test::FakeScannerLibrary library;
    library.devices = {qv::test::MakeDevice(0x51A00010)};
    library.devices[0].pages.erase(0xC3); // no resolutions
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.OpenScanner(0), 0);
    scanner.GetResolutionCount();
    const size_t unfrozen = library.Count("scanInquiryPage");
    scanner.GetResolutionCount();
    EXPECT_GT(library.Count("scanInquiryPage"), unfrozen);

    scanner.FreezeInquiryCache();
    const size_t frozen = library.Count("scanInquiryPage");
    EXPECT_EQ(scanner.GetResolutionCount(), 0u);
    EXPECT_EQ(scanner.GetGeneration(), 5);
    EXPECT_EQ(library.Count("scanInquiryPage"), frozen);

    ASSERT_EQ(scanner.OpenScanner(0), 0); // a scanner opened anew is asked again
    scanner.GetResolutionCount();
    EXPECT_GT(library.Count("scanInquiryPage"), frozen);
}

} // namespace
