#include "MiniHost.h"

#include "platform/MessageBox.h"
#include "platform/ProcessMemory.h"
#include "platform/ScannerLibrary.h"
#include "plugin/Globals.h"
#include "plugin/HostUtilities.h"
#include "plugin/Pipeline.h"
#include "plugin/SettingsDialogPhase.h"
#include "dialog/ControlIds.h"
#include "dialog/SettingsDialog.h"
#include "platform/DialogWindow.h"
#include "platform/SettingsLocation.h"
#include "sim/SimulatedLibrary.h"
#include "resources/strings.h"
#include "tests/scanner/FakeClock.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using qv::MsgIcon;

// The user at the settings dialog: one click per turn of its loop; none left ends it.
class Clicks final : public qv::UserEventSource {
  public:
    explicit Clicks(std::vector<int> ids) : ids_(std::move(ids)) {}
    bool PlayNext(qv::DialogControls&, qv::DialogUser& user) override {
        if (next_ >= ids_.size())
            return false;
        EXPECT_TRUE(user.Click(ids_[next_++]));
        return true;
    }

  private:
    std::vector<int> ids_;
    size_t next_ = 0;
};

// One colour device holding a sheet, for every test of the suite: the module's scanner
// object outlives a single test.
qv::sim::SimulatedLibrary& Device() {
    static qv::sim::SimulatedLibrary library(qv::sim::DefaultScenario());
    return library;
}

class EntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A dialog that nobody plays ends at once, in both builds.
        qv::SetUserEventSource(&nobody);
        qv::RecordMessageBoxes();
        qv::TakeMessageBoxes();
        ClearLog();
        activeSelector = 0;
    }
    void TearDown() override {
        qv::SetUserEventSource(nullptr);
        SettingsDialog_Destroy();
        qv::SetScannerLibrary(nullptr);
        qv::SetScannerClock(nullptr);
        qv::SetSettingsFolder("");
    }
    // The dialog will find the simulated device and keep its settings file here; the user
    // clicks `ids` in turn.
    void UseDevice(std::vector<int> ids = {}) {
        qv::SetScannerClock(&deviceClock);
        qv::SetScannerLibrary(&Device());
        qv::SetSettingsFolder("./");
        user = std::make_unique<Clicks>(std::move(ids));
        qv::SetUserEventSource(user.get());
    }

    // The boxes shown since the last look, as caption and text.
    using Boxes = std::vector<std::pair<std::string, std::string>>;
    static Boxes Shown() {
        Boxes shown;
        for (const auto& box : qv::TakeMessageBoxes())
            shown.emplace_back(box.caption, box.text);
        return shown;
    }

    Globals* RecordOf(MiniHost& host) {
        return reinterpret_cast<Globals*>(*reinterpret_cast<HostHandle>(host.data));
    }

    MiniHost host;
    qv::test::FakeClock deviceClock;
    Clicks nobody{{}};
    std::unique_ptr<Clicks> user;
};

TEST_F(EntryTest, UnknownSelectorCreatesRecordAndLeavesItUnlocked) {
    EXPECT_EQ(host.Call(7), acquireBadParameters);
    EXPECT_NE(host.data, 0);
    EXPECT_EQ(MiniHost::counts.news, 1);
    EXPECT_EQ(MiniHost::counts.locks, MiniHost::counts.unlocks);
    EXPECT_NE(ReadLog().find("ENTRYPOINT - BadParameters\nENTRYPOINT STOP\n"), std::string::npos);
    EXPECT_EQ(host.Call(-1), acquireBadParameters);
    EXPECT_EQ(MiniHost::counts.news, 1);
}

TEST_F(EntryTest, AboutAllocatesNothingAndShowsTheProductBox) {
    intptr_t hostWindow = 0x1234;
    AboutRecord about{};
    about.platformData = &hostWindow;
    int16_t result = 99;
    ENTRYPOINT(acquireSelectorAbout, &about, &host.data, &result);
    EXPECT_EQ(result, noErr);
    EXPECT_EQ(host.data, 0);
    EXPECT_EQ(MiniHost::counts.news, 0);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes[0].owner, reinterpret_cast<void*>(hostWindow));
    EXPECT_EQ(ReadLog(), "ENTRYPOINT START\nENTRYPOINT STOP\n");
}

TEST_F(EntryTest, FirstCallAppliesDefaultsAndLaterCallsKeepTheRecord) {
    EXPECT_EQ(host.Call(acquireSelectorPrepare, 42), noErr);
    Globals* globals = RecordOf(host);
    EXPECT_EQ(globals->gLastRows, 300);
    EXPECT_EQ(globals->gLastCols, 300);
    EXPECT_EQ(globals->gLastMode, plugInModeGrayScale);
    EXPECT_EQ(globals->gDPI, 300);
    EXPECT_EQ(globals->importCount, 0);
    EXPECT_TRUE(globals->queryForParameters);
    EXPECT_FALSE(globals->needDefaults);
    EXPECT_EQ(globals->dialogWindow, nullptr);
    for (PIDescriptorHandle descriptor : globals->importDescriptors)
        EXPECT_EQ(descriptor, nullptr);
    EXPECT_EQ(host.record.maxData, 0);
    EXPECT_EQ(host.record.wantFinalize, 1);
    EXPECT_EQ(activeSelector.load(), 1);

    // What the dialog wrote survives the next call; defaults do not run again.
    globals->gLastRows = 4321;
    globals->gLastMode = plugInModeRGBColor;
    globals->queryForParameters = false;
    host.record.maxData = 777;
    EXPECT_EQ(host.Call(acquireSelectorPrepare, -5), noErr);
    EXPECT_EQ(MiniHost::counts.news, 1);
    EXPECT_EQ(RecordOf(host), globals);
    EXPECT_EQ(globals->gLastRows, 4321);
    EXPECT_EQ(globals->gLastMode, plugInModeRGBColor);
    EXPECT_FALSE(globals->queryForParameters);
    EXPECT_EQ(globals->result, &host.result);
    EXPECT_EQ(globals->gStuff, &host.record);
    EXPECT_EQ(host.record.maxData, 0);
    EXPECT_EQ(MiniHost::counts.locks, MiniHost::counts.unlocks);
}

TEST_F(EntryTest, NeedDefaultsMakesApplyDefaultsRunOnce) {
    Globals globals{};
    globals.needDefaults = false;
    globals.gLastRows = 17;
    ApplyDefaults(&globals);
    EXPECT_EQ(globals.gLastRows, 17);
    globals.needDefaults = true;
    globals.queryForParameters = false;
    ApplyDefaults(&globals);
    EXPECT_EQ(globals.gLastRows, 300);
    EXPECT_FALSE(globals.needDefaults);
    EXPECT_FALSE(globals.queryForParameters);
    InitializeGlobals(&globals);
    EXPECT_TRUE(globals.queryForParameters);
}

TEST_F(EntryTest, FinalizeAlwaysCancels) {
    EXPECT_EQ(host.Call(acquireSelectorFinalize), userCanceledErr);
    EXPECT_FALSE(RecordOf(host)->queryForParameters);
    host.record.canFinalize = 0;
    EXPECT_EQ(host.Call(acquireSelectorFinalize, 3), userCanceledErr);
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
}

TEST_F(EntryTest, StartWithoutDialogMeansNoScanWanted) {
    host.Call(acquireSelectorPrepare);
    EXPECT_EQ(host.Call(acquireSelectorStart), userCanceledErr);
    EXPECT_FALSE(RecordOf(host)->queryForParameters);
    EXPECT_FALSE(RecordOf(host)->gContinueImport);
    EXPECT_EQ(RecordOf(host)->dialogWindow, nullptr);
    EXPECT_EQ(host.record.acquireAgain, 0);
    EXPECT_EQ(activeSelector.load(), 2);

    // Without the dialog nothing prepared the scanner: the picture width cannot be read.
    qv::AbsentScannerLibrary absent;
    qv::SetScannerLibrary(&absent);
    EXPECT_EQ(host.Call(acquireSelectorStart), userCanceledErr);
    EXPECT_EQ(SettingsDialog_Window(), nullptr);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Get Picture Width");
}

TEST_F(EntryTest, ScanInTheDialogGivesTheRecordItsImage) {
    UseDevice({kIdScan});
    EXPECT_EQ(host.Call(acquireSelectorStart), noErr);
    Globals* globals = RecordOf(host);
    EXPECT_TRUE(globals->gContinueImport);
    EXPECT_TRUE(globals->queryForParameters);
    EXPECT_NE(globals->dialogWindow, nullptr);
    // RGB, A4 landscape at 300 dpi: what a dialog without a settings file offers.
    EXPECT_EQ(globals->gLastMode, plugInModeRGBColor);
    EXPECT_EQ(globals->gLastCols, 3510);
    EXPECT_EQ(globals->gLastRows, 2490);
    EXPECT_EQ(globals->gDPI, 300);
    EXPECT_EQ(globals->iPaperIndex, 8);
    EXPECT_STREQ(globals->szProductName, "Vellumix for Photoshop");
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
    EXPECT_NE(ReadLog().find("gContinueImport == true\ntest 1\ntest 2\n"), std::string::npos);

    // This host has no buffer to give for a strip.
    EXPECT_EQ(host.Call(acquireSelectorContinue), memFullErr);
    EXPECT_EQ(Shown(), (Boxes{{"AllocateStripBuffer", "Error Alocating Strip-Buffer"}}));
    EXPECT_EQ(host.Call(acquireSelectorFinish), noErr);
    EXPECT_EQ(host.record.acquireAgain, 1);
    EXPECT_EQ(activeSelector.load(), 4);
    EXPECT_NE(ReadLog().find("DoFinish\nDoFinish Done\n"), std::string::npos);
}

TEST_F(EntryTest, HostThatCannotFinalizeIsToldAndTheImportGoesOn) {
    UseDevice({kIdScan});
    host.record.canFinalize = 0;
    EXPECT_EQ(host.Call(acquireSelectorStart), noErr);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "not gStuff->canFinalize");
    EXPECT_EQ(boxes[0].caption, "DoStart");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(RecordOf(host)->dialogWindow, nullptr);
    EXPECT_EQ(SettingsDialog_Window(), nullptr);
    EXPECT_FALSE(RecordOf(host)->queryForParameters);
    EXPECT_TRUE(RecordOf(host)->gContinueImport);
}

TEST_F(EntryTest, UserLeavingTheDialogClosesIt) {
    UseDevice({kIdDone});
    EXPECT_EQ(host.Call(acquireSelectorStart), userCanceledErr);
    EXPECT_EQ(RecordOf(host)->dialogWindow, nullptr);
    EXPECT_EQ(SettingsDialog_Window(), nullptr);
}

TEST_F(EntryTest, FinishAfterFailedStartTellsOfTheScratchDiskWhenAnImageWasExpected) {
    struct Case {
        int16_t rows, cols;
        bool shown;
    };
    for (Case c : {Case{300, 300, true}, Case{2, 3, false}, Case{3, 3, true}, Case{0, 0, false}}) {
        SCOPED_TRACE(testing::Message() << c.rows << "+" << c.cols);
        host.Call(acquireSelectorPrepare);
        host.Call(acquireSelectorStart);
        RecordOf(host)->gLastRows = c.rows;
        RecordOf(host)->gLastCols = c.cols;
        qv::TakeMessageBoxes();
        EXPECT_EQ(host.Call(acquireSelectorFinish), noErr);
        auto boxes = qv::TakeMessageBoxes();
        ASSERT_EQ(boxes.size(), c.shown ? 1u : 0u);
        if (c.shown) {
            EXPECT_EQ(boxes[0].text, "Scanning not performed.\n\nScratchDisk probably too small.");
            EXPECT_EQ(boxes[0].caption, "Error");
            EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
        }
    }
}

struct PositionRecorder : qv::AbsentScannerLibrary {
    std::vector<int32_t> functions;
    int32_t scanObjectPosition(uint32_t, int32_t function, int32_t) override {
        functions.push_back(function);
        return 0;
    }
};

TEST_F(EntryTest, FinishStopsTheReaderAndMovesThePaperBackToItsStart) {
    PositionRecorder library;
    qv::SetScannerLibrary(&library);
    readerStop = false;
    host.Call(acquireSelectorPrepare);
    host.Call(acquireSelectorFinish);
    qv::SetScannerLibrary(nullptr);
    EXPECT_TRUE(readerStop.load());
    EXPECT_EQ(library.functions, std::vector<int32_t>{1});
}

TEST_F(EntryTest, RecordThatCannotBeObtainedReportsNoMemory) {
    MiniHost::failNew = true;
    EXPECT_EQ(host.Call(acquireSelectorPrepare), memFullErr);
    EXPECT_EQ(host.data, 0);
    EXPECT_EQ(Shown(), (Boxes{{"DoStart", "memFullErr\nglobalPtr == NULL"}}));
    EXPECT_EQ(ReadLog().find("ENTRYPOINT STOP"), std::string::npos);

    // A handle that cannot be locked is given back at once.
    MiniHost::failNew = false;
    MiniHost::failLock = true;
    EXPECT_EQ(host.Call(acquireSelectorPrepare), memFullErr);
    EXPECT_EQ(host.data, 0);
    EXPECT_EQ(MiniHost::counts.disposes, 1);
    EXPECT_EQ(host.LiveHandles(), 0);
}

TEST_F(EntryTest, BufferServicesDecidePrepareAndStart) {
    host.bufferProcs.bufferProcsVersion = 3;
    EXPECT_EQ(host.Call(acquireSelectorPrepare), userCanceledErr);
    EXPECT_EQ(host.record.wantFinalize, 1);
    EXPECT_EQ(Shown(), (Boxes{{"", TEXT_INCOMPATIBLE_HOST}}));

    host.record.bufferProcs = nullptr;
    EXPECT_EQ(host.Call(acquireSelectorStart), userCanceledErr);
    EXPECT_EQ(Shown(), (Boxes{{"", "This plug-in requires Adobe Photoshop\xae 2.5 or later functionality."},
                              {"DoStart", "No WarnBufferProcsAvailable"}}));
}

TEST_F(EntryTest, HostWithoutAnyServiceIsAnsweredNotCrashed) {
    host.RemoveAllServices();
    EXPECT_EQ(host.Call(acquireSelectorPrepare, 12), userCanceledErr);
    ASSERT_NE(host.data, 0);
    EXPECT_EQ(MiniHost::counts.news, 0);
    EXPECT_EQ(host.Call(acquireSelectorStart, 12), userCanceledErr);
    EXPECT_EQ(host.Call(acquireSelectorContinue, 12), noErr);
    EXPECT_EQ(host.Call(acquireSelectorFinish, 12), noErr);
    EXPECT_EQ(host.Call(acquireSelectorFinalize, 12), userCanceledErr);
    EXPECT_EQ(host.Call(9, 12), acquireBadParameters);
    // The record sits in process memory and keeps its fields between calls.
    auto* globals = reinterpret_cast<Globals*>(qv::ProcessMemoryLock(reinterpret_cast<void*>(host.data)));
    EXPECT_EQ(globals->gLastRows, 300);
    qv::ProcessMemoryUnlock(reinterpret_cast<void*>(host.data));
    HostDisposeHandle(&host.record, reinterpret_cast<HostHandle>(host.data));
}

TEST_F(EntryTest, MissingRecordOrHandleWordIsABadParameter) {
    int16_t result = 0;
    ENTRYPOINT(acquireSelectorPrepare, nullptr, &host.data, &result);
    EXPECT_EQ(result, acquireBadParameters);
    ENTRYPOINT(acquireSelectorStart, &host.record, nullptr, &result);
    EXPECT_EQ(result, acquireBadParameters);
    ENTRYPOINT(acquireSelectorPrepare, &host.record, &host.data, nullptr);
    EXPECT_NE(host.data, 0);
    EXPECT_EQ(MiniHost::counts.news, 1);
}

TEST(Transparency, IsABitTestOfTheVersionWord) {
    auto word = [](uint32_t major, uint32_t minor) { return major << 24 | minor << 20 | kPlatformWindowsNT; };
    EXPECT_FALSE(TakesTransparency(0));
    EXPECT_TRUE(TakesTransparency(word(4, 0)));
    EXPECT_TRUE(TakesTransparency(word(5, 5)));
    EXPECT_TRUE(TakesTransparency(word(7, 0)));
    EXPECT_FALSE(TakesTransparency(word(8, 0)));
    EXPECT_FALSE(TakesTransparency(word(2, 5)));
    EXPECT_TRUE(TakesTransparency(0x100));
    // No version resource natively: the running host is unknown.
    EXPECT_FALSE(HostTakesTransparency());
}

} // namespace
