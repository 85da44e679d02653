// The settings dialog's life as a user meets it: start-up with any number of scanners, the
// chooser, faulty and unknown scanners, the ring, Scan and Done ending the loop, the second
// sheet, and the commands the dialog keeps for itself. The scanner is the simulated one,
// installed as the scanner library; the user is a script the loop plays.
#include "dialog/ControlIds.h"
#include "dialog/Settings.h"
#include "dialog/SettingsDialog.h"
#include "dialog/SettingsFile.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/SettingsLocation.h"
#include "scanner/ReadRing.h"
#include "scanner/Scanner.h"
#include "sim/SimulatedLibrary.h"
#include "tests/dialog/DialogRun.h"
#include "tests/scanner/FakeClock.h"
#if !defined(_WIN32)
#include "platform/headless/HeadlessDialog.h"
#endif

#include <gmock/gmock.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv::DialogControls;
using qv::DialogUser;
using qv::sim::BuiltInProfile;
using qv::sim::DeviceSetup;
using qv::sim::Scenario;
using ::testing::Contains;
using ::testing::IsEmpty;

using qv::testing::LogLines;
using qv::testing::Script;

Scenario WithDevices(std::vector<const char*> profiles) {
    Scenario scenario;
    for (const char* profile : profiles) {
        DeviceSetup device;
        device.profile = BuiltInProfile(profile);
        scenario.devices.push_back(device);
    }
    return scenario;
}

struct Box {
    void* owner;
    std::string text, caption;
};

class SettingsDialogTest : public qv::testing::DialogRunTest {
  protected:
    void SetUp() override {
        DialogRunTest::SetUp();
        bPreScanIdle = true;
        bStopPreScan = false;
    }
    void TearDown() override {
        DialogRunTest::TearDown();
        SetRingAllocator(nullptr, nullptr);
    }

    // Attaches the scenario's devices and opens the dialog over `host` (a window, or none).
    bool Start(const Scenario& scenario, void* host = nullptr) {
        return Open(std::make_unique<qv::sim::SimulatedLibrary>(scenario), host);
    }

    DialogControls& Controls() { return *SettingsDialog_Controls(); }
    std::string Text(int id) { return Controls().GetText(id); }
    bool Visible(int id) { return Controls().IsVisible(id); }
    bool Enabled(int id) { return Controls().IsEnabled(id); }
    std::vector<Box> Boxes() {
        std::vector<Box> boxes;
        for (const qv::MessageBoxRecord& box : qv::TakeMessageBoxes())
            boxes.push_back({box.owner, box.text, box.caption});
        return boxes;
    }
    std::vector<std::string> DeviceCalls() { return library_->CallNames(); }

    void ExpectSettingsControlsShown() {
        for (int id : {kIdScan, kIdPrescan, kIdStatus, kIdMode, kIdResolution, kIdPaper, kIdAdjustments})
            EXPECT_TRUE(Visible(id)) << id;
        for (int id = kIdScanner0; id <= kIdScanner4; ++id)
            EXPECT_FALSE(Visible(id)) << id;
        EXPECT_EQ(Controls().Focus(), kIdMode);
    }
    // No open scanner: only Done leaves.
    void ExpectOnlyDone() {
        EXPECT_FALSE(Enabled(kIdScan));
        EXPECT_FALSE(Enabled(kIdPrescan));
        EXPECT_TRUE(Enabled(kIdDone));
    }
    std::string SavedValue(const char* key) {
        std::ifstream file(folder_ / qv::kSettingsFileName, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return FindSettingsValue(text.str(), key).value_or("(missing)");
    }
};

// ---- start-up ------------------------------------------------------------------------------

TEST_F(SettingsDialogTest, OneScannerIsSelectedAtOnceAndFillsTheDialog) {
    ASSERT_TRUE(Start(qv::sim::DefaultScenario()));
    ExpectSettingsControlsShown();
    EXPECT_EQ(Text(kIdStatus), "");
    EXPECT_TRUE(Enabled(kIdScan));
    EXPECT_TRUE(Enabled(kIdPrescan));
    EXPECT_EQ(Controls().ListCount(kIdMode), m_Set.modeCount);
    EXPECT_GT(m_Set.modeCount, 0);
    EXPECT_EQ(m_Set.iGeneration, 5);
    EXPECT_EQ(dialogResult, 0);

    std::string title;
    script_.Add([&title](DialogControls&, DialogUser& user) { title = user.Title(); });
    SettingsDialog_Run();
    const ProductInfo& info = g_ProductInfo;
    EXPECT_EQ(title, std::string(info.szProductName) + " " + info.szProductVersion + " (" +
                         info.szInstallBuild + ")");

    const std::vector<std::string> log = LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Init");
    EXPECT_THAT(log, Contains("Generation : 5"));
    EXPECT_THAT(log, Contains("bInitDone = 1;"));
    EXPECT_THAT(DeviceCalls(), Contains("scanObjectPosition")); // paper back to its start

    // The compact width ends past the paper units group; the full one is the window's.
    EXPECT_TRUE(g_DialogSettings.bCompact);
    EXPECT_EQ(g_DialogSettings.iCompactWidth,
              Controls().ItemRect(kIdAdjustments).left + Controls().ItemRect(kIdPaperUnits).right + 6);
    EXPECT_EQ(g_DialogSettings.iFullWidth, Controls().Placement().Width());
    EXPECT_LT(g_DialogSettings.iCompactWidth, g_DialogSettings.iFullWidth);
}

TEST_F(SettingsDialogTest, NoScannerShowsWhyAndLeavesOnlyDone) {
    ASSERT_TRUE(Start(Scenario{}));
    ExpectSettingsControlsShown();
    EXPECT_EQ(Text(kIdStatus), "No scanner was found.");
    ExpectOnlyDone();
    EXPECT_THAT(LogLines(), Contains("ErrorNo = -117"));
    EXPECT_FALSE(ReadRingTried());
    EXPECT_EQ(blockBuffer[0], nullptr);
}

TEST_F(SettingsDialogTest, SeveralScannersWaitForTheChooser) {
    struct Case {
        std::vector<const char*> profiles;
        int buttons;
    };
    for (const Case& c :
         {Case{{"gen5-color-54", "gen4-gray"}, 2},
          Case{{"gen5-color-54", "gen4-gray", "gen5-gray", "gen4-color", "wide600", "gen4-gray"}, 5}}) {
        SCOPED_TRACE(c.profiles.size());
        ASSERT_TRUE(Start(WithDevices(c.profiles)));
        for (int id : {kIdScan, kIdPrescan, kIdStatus, kIdModeLabel, kIdMode, kIdPaper, kIdAdjustments,
                       kIdGammaLabel, kIdPaperSizeGroup})
            EXPECT_FALSE(Visible(id)) << id;
        EXPECT_TRUE(Visible(kIdDone));
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Visible(kIdScanner0 + i), i < c.buttons) << i;
            if (i < c.buttons) {
                EXPECT_EQ(Text(kIdScanner0 + i), scanner_->GetListName(i));
            }
        }
        EXPECT_FALSE(ReadRingTried());
        SettingsDialog_Destroy();
    }
}

TEST_F(SettingsDialogTest, ChoosingAScannerSelectsIt) {
    ASSERT_TRUE(Start(WithDevices({"gen5-color-54", "gen4-gray"})));
    script_.Click(kIdScanner0 + 1);
    EXPECT_FALSE(SettingsDialog_Run()); // the script ends
    ExpectSettingsControlsShown();
    EXPECT_EQ(Text(kIdStatus), "");
    EXPECT_EQ(m_Set.iGeneration, 4);
    EXPECT_TRUE(Enabled(kIdScan));
    EXPECT_EQ(g_iBufferSize, int32_t(scanner_->GetBufferSize()));
    for (uint8_t* slot : blockBuffer)
        EXPECT_NE(slot, nullptr);
}

TEST_F(SettingsDialogTest, AScannerThatDidNotOpenIsNotDriven) {
    Scenario scenario = WithDevices({"gen5-color-54", "gen5-gray"});
    scenario.devices[1].openStatus = -118;
    ASSERT_TRUE(Start(scenario));
    script_.Click(kIdScanner0 + 1);
    SettingsDialog_Run();
    EXPECT_EQ(Text(kIdStatus), "It was not possible to open the driver.");
    EXPECT_THAT(LogLines(), Contains("ErrorNo = -118"));
    EXPECT_FALSE(scanner_->IsOpen());
    ExpectOnlyDone();
    EXPECT_FALSE(ReadRingTried());
}

TEST_F(SettingsDialogTest, UnknownScannersAreClosed) {
    struct Case {
        const char* product;
        int generation;
        bool gen4ColorAccepted;
        int generationAfter;
    };
    // A generation-4 colour scanner the dialog does not accept, and a scanner still in its
    // boot loader, which the dialog takes for generation 5.
    for (const Case& c : {Case{"SIM-G4 COLOR    ", 4, false, 4}, Case{"Scanner boot    ", 4, true, 5}}) {
        SCOPED_TRACE(c.product);
        Scenario scenario = WithDevices({"gen4-color"});
        scenario.devices[0].profile.product = c.product;
        scenario.devices[0].profile.generation = c.generation;
        scenario.devices[0].profile.gen4ColorAccepted = c.gen4ColorAccepted;
        m_Set.iGeneration = 4;
        ASSERT_TRUE(Start(scenario));
        EXPECT_EQ(Text(kIdStatus), std::string("Unknown Scanner: '") + c.product + "'");
        EXPECT_THAT(LogLines(), Contains("Closing unknown scanner"));
        EXPECT_FALSE(scanner_->IsOpen());
        EXPECT_EQ(m_Set.iGeneration, c.generationAfter);
        ExpectOnlyDone();
        SettingsDialog_Destroy();
    }
}

// ---- the ring ------------------------------------------------------------------------------

int allocations = 0;
int refuseFrom = 0;
std::vector<size_t> sizes;
void* ShortAllocate(size_t size) {
    sizes.push_back(size);
    return ++allocations >= refuseFrom ? nullptr : std::malloc(size);
}
int releases = 0;
void CountedRelease(void* block) {
    ++releases;
    std::free(block);
}

TEST_F(SettingsDialogTest, RingShortageClosesTheScannerAndIsNotTriedAgain) {
    allocations = releases = 0;
    refuseFrom = 8;
    sizes.clear();
    SetRingAllocator(ShortAllocate, CountedRelease);
    ASSERT_TRUE(Start(qv::sim::DefaultScenario()));
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Bufffers = 7 of 11");
    EXPECT_EQ(boxes[0].caption, "malloc");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_THAT(LogLines(), Contains("malloc"));
    EXPECT_EQ(releases, 7);
    for (uint8_t* slot : blockBuffer)
        EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(spareBuffer, nullptr);
    EXPECT_FALSE(scanner_->IsOpen());
    ExpectOnlyDone();

    // Ten slots of the block size and a tenth, then the spare megabyte, every one tried.
    const size_t slot = size_t(qv::sim::BuiltInProfile("gen5-color-54").bufferSize) * 11 / 10;
    std::vector<size_t> expected(10, slot);
    expected.push_back(kSpareBufferSize);
    EXPECT_EQ(sizes, expected);

    SettingsDialog_Destroy();
    ASSERT_TRUE(SettingsDialog_Create(nullptr, *scanner_));
    EXPECT_EQ(allocations, 11);
    EXPECT_TRUE(Boxes().empty());
}

// ---- Scan, Done and the next sheet ---------------------------------------------------------

TEST_F(SettingsDialogTest, ScanEndsTheLoopAndTheNextSheetFindsTheDialogAsLeft) {
    ASSERT_TRUE(Start(qv::sim::DefaultScenario()));
    script_.Add([](DialogControls& dialog, DialogUser& user) {
        for (int row = 0; row < dialog.ListCount(kIdMode); ++row)
            if (dialog.ListRowText(kIdMode, row) == "Gray Tone") {
                EXPECT_TRUE(user.ChooseRow(kIdMode, row));
            }
        EXPECT_TRUE(user.Type(kIdBrightness, "17"));
    });
    script_.Click(kIdScan);
    script_.Click(kIdDone); // not reached
    EXPECT_TRUE(SettingsDialog_Run());
    EXPECT_EQ(dialogResult, 1);
    EXPECT_EQ(script_.Left(), 1u);
    EXPECT_NE(SettingsDialog_Window(), nullptr);
    EXPECT_EQ(g_ScanGeometry.hostMode, 1);
    EXPECT_GT(g_ScanGeometry.pixelWidth, 0);
    EXPECT_EQ(g_DialogSettings.iBrightness, 17);
    EXPECT_THAT(DeviceCalls(), Contains("scanScan"));
    EXPECT_THAT(Boxes(), IsEmpty());

    // The next sheet: only activated, nothing started afresh.
    void* window = SettingsDialog_Window();
    const size_t logged = LogLines().size();
    ASSERT_TRUE(SettingsDialog_Create(nullptr, *scanner_));
    EXPECT_EQ(dialogResult, 0);
    EXPECT_EQ(SettingsDialog_Window(), window);
    EXPECT_EQ(LogLines().size(), logged);
    EXPECT_EQ(Text(kIdMode), "Gray Tone");
    EXPECT_EQ(Text(kIdBrightness), "17");

    EXPECT_FALSE(SettingsDialog_Run()); // Done
    EXPECT_EQ(dialogResult, -1);
}

TEST_F(SettingsDialogTest, AFailedScanKeepsTheDialogAndDoneSavesTheSettings) {
    Scenario scenario = qv::sim::DefaultScenario();
    scenario.devices[0].faults.push_back({"scanScan", 1, 1, 2, 0x2400});
    ASSERT_TRUE(Start(scenario));
    script_.Click(kIdScan);
    script_.Add([](DialogControls&, DialogUser& user) { EXPECT_TRUE(user.Type(kIdContrast, "-23")); });
    script_.Click(kIdDone);
    EXPECT_FALSE(SettingsDialog_Run());
    EXPECT_EQ(dialogResult, -1);
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Scan Command");
    EXPECT_EQ(boxes[0].owner, SettingsDialog_Window());
    EXPECT_EQ(SavedValue("Contrast"), "-23");
}

TEST_F(SettingsDialogTest, DoneBeforeAScannerIsChosenKeepsTheSettingsRead) {
    {
        std::ofstream file(folder_ / qv::kSettingsFileName, std::ios::binary);
        file << "Brightness=12\nContrast=-5\nGamma=1.8\n";
    }
    ASSERT_TRUE(Start(WithDevices({"gen5-color-54", "gen4-gray"})));
    script_.Click(kIdDone);
    EXPECT_FALSE(SettingsDialog_Run());
    EXPECT_EQ(SavedValue("Brightness"), "12");
    EXPECT_EQ(SavedValue("Contrast"), "-5");
    EXPECT_EQ(SavedValue("Gamma"), "1.8");
}

// ---- commands the dialog keeps -------------------------------------------------------------

TEST_F(SettingsDialogTest, PrescanInAnInputStateNamesTheState) {
    ASSERT_TRUE(Start(qv::sim::DefaultScenario()));
    script_.Add([](DialogControls& dialog, DialogUser& user) {
        EXPECT_TRUE(user.ChooseRow(kIdResolution, dialog.ListCount(kIdResolution) - 1));
        EXPECT_TRUE(user.Click(kIdPrescan));
        EXPECT_TRUE(user.Click(kIdDone)); // Cancel
        EXPECT_TRUE(user.ChooseRow(kIdPaper, kUserPaperRow));
        EXPECT_TRUE(user.Click(kIdPrescan));
        EXPECT_TRUE(user.Click(kIdDone)); // Cancel
    });
    EXPECT_FALSE(SettingsDialog_Run());
    EXPECT_EQ(dialogResult, 0);
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "DIALOG_STATE_INPUT_RESOLUTION");
    EXPECT_EQ(boxes[1].text, "DIALOG_STATE_INPUT_PAPER_SIZE");
    for (const Box& box : boxes) {
        EXPECT_EQ(box.caption, "DlgItemID_PreScan_Button");
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_EQ(dialogState, DIALOG_STATE_NORMAL);
}

TEST_F(SettingsDialogTest, WhileAPrescanRunsDoneOnlyStopsItAndScanWaits) {
    ASSERT_TRUE(Start(qv::sim::DefaultScenario()));
    library_->ClearRecord();
    script_.Add([](DialogControls&, DialogUser& user) {
        bPreScanIdle = false;
        EXPECT_TRUE(user.Click(kIdScan));
        EXPECT_TRUE(user.Click(kIdDone));
    });
    script_.Add([](DialogControls&, DialogUser&) {
        EXPECT_TRUE(bStopPreScan);
        EXPECT_EQ(dialogResult, 0);
        bPreScanIdle = true;
    });
    script_.Click(kIdDone);
    EXPECT_FALSE(SettingsDialog_Run());
    EXPECT_EQ(script_.Left(), 0u);
    EXPECT_EQ(dialogResult, -1);
    EXPECT_THAT(DeviceCalls(), IsEmpty());
}

#if !defined(_WIN32)
// Turning to the host's window while the dialog waits beeps and brings the dialog back with
// the focus where it was; once a scan has started the host may have the activation.
TEST_F(SettingsDialogTest, TheHostCannotBeActivatedWhileTheDialogWaits) {
    int hostWindow = 0;
    void* host = &hostWindow;
    ASSERT_TRUE(Start(qv::sim::DefaultScenario(), host));
    auto& model = dynamic_cast<qv::HeadlessDialog&>(Controls());
    script_.Add([host](DialogControls& dialog, DialogUser& user) {
        EXPECT_TRUE(user.Type(kIdContrast, "4"));
        dialog.SetDefaultButton(kIdDone);
        qv::DeliverActivation(&dialog, false, host);
        dialog.SetFocus(kIdPaper); // where the host's activation would leave it
    });
    int focus = 0, defaultButton = 0;
    script_.Add([&](DialogControls& dialog, DialogUser& user) {
        focus = dialog.Focus();
        defaultButton = user.DefaultButton();
        // Another window than the host's takes the activation without a fuss.
        qv::DeliverActivation(&dialog, false, nullptr);
    });
    EXPECT_FALSE(SettingsDialog_Run());
    EXPECT_EQ(model.Beeps(), 1);
    EXPECT_EQ(model.Reactivations(), 1);
    EXPECT_EQ(focus, kIdContrast);
    EXPECT_EQ(defaultButton, kIdScan);

    dialogResult = 1;
    qv::DeliverActivation(&Controls(), false, host);
    EXPECT_EQ(model.Beeps(), 1);
    EXPECT_EQ(model.Reactivations(), 1);
}
#endif

} // namespace
