// The scan preparation against the simulated device: host limits, window arithmetic, the
// device's state, the order of the commands and a failure at every step.
#include "FakeClock.h"
#include "LogLines.h"
#include "platform/MessageBox.h"
#include "scanner/ScanPreparation.h"
#include "scanner/Scanner.h"
#include "scanner/WindowBlock.h"
#include "sim/Imaging.h"
#include "sim/SimulatedLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using qv::sim::BuiltInProfile;
using qv::sim::Scenario;
using qv::sim::SimulatedLibrary;
using qv::testing::Logged;
using qv::testing::LogLines;

class Preparation : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::SetScannerClock(&clock);
        qv::RecordMessageBoxes();
        std::remove("QVL.log");
    }
    void TearDown() override {
        scanner.reset();
        qv::SetScannerClock(nullptr);
        qv::SetMessageBoxSink(nullptr);
    }
    // One device of the profile holding a sheet, opened.
    void Open(const std::string& profile, void (*adjust)(qv::sim::DeviceSetup&) = nullptr) {
        this->profile = profile;
        Scenario scenario = qv::sim::DefaultScenario();
        scenario.devices[0].profile = BuiltInProfile(profile);
        if (adjust)
            adjust(scenario.devices[0]);
        library = std::make_unique<SimulatedLibrary>(scenario);
        scanner = std::make_unique<CScanner>(library.get());
        scanner->EnumerateScanners();
        ASSERT_EQ(scanner->OpenScanner(0), 0);
        request.iGeneration = scanner->GetGeneration();
        request.iResolution_MaxY = int32_t(scanner->GetResolutionMaxY());
        request.g_iBufferSize = int32_t(scanner->GetBufferSize());
        library->ClearRecord();
    }
    int32_t Prepare() { return PrepareScan(*scanner, request, &geometry, &dialogResult, &owner); }
    // The one box the last step showed, as caption and text.
    std::pair<std::string, std::string> OneBox() {
        auto boxes = qv::TakeMessageBoxes();
        EXPECT_EQ(boxes.size(), 1u);
        return boxes.empty() ? std::pair<std::string, std::string>{}
                             : std::pair{boxes[0].caption, boxes[0].text};
    }
    std::vector<std::string> Calls() { return library->CallNames(library->HandleOf(0)); }
    // The last window the device accepted, as it reads it.
    qv::sim::WindowParams Window() {
        auto blocks = library->WindowBlocks(library->HandleOf(0));
        qv::sim::WindowParams window;
        if (!blocks.empty()) {
            EXPECT_EQ(qv::sim::ParseWindow(BuiltInProfile(profile), blocks.back().data(),
                                           int(blocks.back().size()), window),
                      0);
        }
        return window;
    }
    std::string profile;

    qv::test::FakeClock clock;
    std::unique_ptr<SimulatedLibrary> library;
    std::unique_ptr<CScanner> scanner;
    ScanRequest request;
    ScanGeometry geometry;
    int16_t dialogResult = -5;
    int owner = 0;
};

// The window a gray scan of the request's defaults sends.
WindowParameters GrayWindow(const ScanRequest& r, uint32_t dpi, uint32_t width, uint32_t height) {
    WindowParameters w;
    w.enumMode = 9;
    w.dwResolutionX = w.dwResolutionY = dpi;
    w.dwWidth = width;
    w.dwHeight = height;
    w.byteThreshold = 151;
    w.dwWord52 = 300;
    w.byteBlur = 1;
    w.dwBufferWord = uint32_t(r.g_iBufferSize * 4 / 5);
    w.byteColorSpace = 1;
    return w;
}

ScanRequest Area(ScanRequest r, double x, double width, double height, int32_t dpi) {
    r.dPaperXOffset = x;
    r.dPaperWidth = width;
    r.dPaperHeight = height;
    r.iResolution = dpi;
    return r;
}

TEST_F(Preparation, GrayA4LandscapeOnGeneration5) {
    Open("gen5-color-54");
    request = Area(request, 0, 11.7, 8.3, 300);
    request.enumMode = 9;
    ASSERT_EQ(Prepare(), 1);
    EXPECT_EQ(dialogResult, 1);
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
    EXPECT_EQ(geometry.hostMode, 1);
    EXPECT_EQ(geometry.pixelWidth, 3510);
    EXPECT_EQ(geometry.pixelHeight, 2490);
    EXPECT_FALSE(geometry.bVerticalReduction);
    auto blocks = library->WindowBlocks(library->HandleOf(0));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0],
              BuildWindowBlock(GrayWindow(request, 300, 14090, 11160), 5, scanner->GetWindowLength()));
    EXPECT_TRUE(Logged("dwWidth = 14090"));
    EXPECT_TRUE(Logged("dwHeight = 11160"));
    EXPECT_EQ(LogLines().back(), "----     Ready for scan     ----");

    // Status, gamma, white levels, load, window, move, scan: in that order.
    const std::vector<std::string> calls = Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "scanRead");
    auto at = calls.begin();
    for (const char* call :
         {"scanSend", "scanSend", "scanObjectPosition", "scanSetWindow", "scanObjectPosition", "scanScan"}) {
        at = std::find(at, calls.end(), call);
        ASSERT_NE(at, calls.end()) << call << " missing or out of order";
        ++at;
    }
    EXPECT_EQ(library->GammaTables(library->HandleOf(0)).size(), 1u);
}

TEST_F(Preparation, Generation4GraySendsNoCurveAndChecksThePaperFirst) {
    Open("gen4-gray");
    request = Area(request, 0, 8.3, 11.7, 200);
    request.enumMode = 9;
    ASSERT_EQ(Prepare(), 1) << (qv::TakeMessageBoxes().empty() ? "" : "box shown");
    auto calls = Calls();
    EXPECT_EQ(calls.front(), "scanTestUnitReady");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "scanSend"), 0);
    // Generation 4 sends neither background nor sharpen/soften.
    auto blocks = library->WindowBlocks(library->HandleOf(0));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0],
              BuildWindowBlock(
                  GrayWindow(request, 200, uint32_t(8.3 * 1200 + 50), uint32_t(11.7 * 1200) + 1200), 4, 71));
}

TEST_F(Preparation, HostLimitsRefuseWithoutTouchingTheDevice) {
    Open("gen5-color-54");
    struct Case {
        double width, height;
        int32_t dpi;
        std::string text;
    } cases[] = {
        {51, 10, 600, "Image width: 30600 pixels\nPhotoshop is limited to 30.000 * 30.000 pixels"},
        {10, 60, 600, "Image height: 36000 pixels\nPhotoshop is limited to 30.000 * 30.000 pixels"},
        {0, 10, 300, "Width is too small for scanning"},
        {10, 0.001, 300, "Height is too small for scanning"},
        {-3, 10, 300, "Width is too small for scanning"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        request = Area(request, 0, c.width, c.height, c.dpi);
        EXPECT_EQ(Prepare(), 0);
        EXPECT_EQ(dialogResult, 0);
        EXPECT_EQ(OneBox(), std::pair(std::string("Error Settings"), c.text));
        EXPECT_TRUE(Calls().empty());
    }
    EXPECT_TRUE(Logged("Error Settings"));
}

TEST_F(Preparation, WidthMarginsAndNarrowScans) {
    Open("gen5-color-54");
    const uint32_t widest = scanner->GetMaxScanWidth();
    struct Case {
        double x, width;
        int32_t dpi;
        uint32_t expected;
    } cases[] = {
        {0, 0.5, 400, 5112},   // no whole inch at 400 dpi
        {0, 1.5, 200, 5112},   // one inch at 200 dpi is 200 pixels
        {0, 2.0, 200, 2450},   // 400 pixels: wide enough
        {0, 10.0, 300, 12050}, // inside the scan width: 50 more
        {0, widest / 1200.0, 300, widest},
        {1.0, widest / 1200.0 - 1.0 + 0.025, 300, widest - 1200 + 30}, // 30 past the edge: no margin
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        request = Area(request, c.x, c.width, 5, c.dpi);
        ASSERT_EQ(Prepare(), 1);
        EXPECT_EQ(Window().width, c.expected);
        EXPECT_EQ(Window().height, 7200u);
        EXPECT_FALSE(geometry.bNarrowScan);
    }
    qv::TakeMessageBoxes();
}

TEST_F(Preparation, NarrowScanAtTheRightEdgeShiftsTheWindowLeft) {
    Open("gen5-color-54");
    const uint32_t widest = scanner->GetMaxScanWidth();
    request = Area(request, widest / 1200.0 - 0.5, 0.5, 5, 400);
    request.bCenterLoad = true; // no width warning; not compact-centred either
    request.bCompact = false;
    request.dPixelsPerInch = 10;
    request.iSelectionX = int16_t((widest / 1200.0 - 0.5) * 10);
    ASSERT_EQ(Prepare(), 1);
    EXPECT_TRUE(geometry.bNarrowScan);
    EXPECT_EQ(geometry.iNarrowPixels, (int32_t(widest / 1200.0 * 50) / 8) * 8 + 8);
    const uint32_t d = uint32_t(double(geometry.iNarrowPixels) / 400 * 1200);
    EXPECT_EQ(Window().xOffset, widest - 600 - d);
    EXPECT_EQ(Window().width, 600 + d); // ends at the edge: no margin either time
}

TEST_F(Preparation, CentreLoadAndTheWidthWarning) {
    Open("gen5-color-54");
    const uint32_t widest = scanner->GetMaxScanWidth();
    request = Area(request, 0, 10, 5, 300);
    request.bCenterLoad = true;
    ASSERT_EQ(Prepare(), 1);
    EXPECT_EQ(Window().xOffset, (widest - 12000) / 2);
    EXPECT_TRUE(Logged("Center Load Correction"));

    // Past the scan width: a warning, and the device has its say.
    request.bCenterLoad = false;
    request = Area(request, widest / 1200.0 - 4, 10, 5, 300);
    library->ClearRecord();
    Prepare();
    auto calls = Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "scanSetWindow"), calls.end());
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Preparescan");
    EXPECT_EQ(boxes[0].text, "The combination of Width and X-Offset\nis too large.");
}

TEST_F(Preparation, VerticalReductionAnd780DpiLimit) {
    Open("gen5-color-54", [](qv::sim::DeviceSetup& d) {
        d.profile.resolutions = {100, 200, 300, 400, 600, 1200};
        d.profile.maxY = 400;
        d.profile.scannerClass = 3;
    });
    request = Area(request, 0, 4, 4, 600);
    ASSERT_EQ(Prepare(), 1);
    EXPECT_EQ(Window().ry, 400u);
    EXPECT_TRUE(geometry.bVerticalReduction);
    EXPECT_DOUBLE_EQ(geometry.dVerticalRatio, 1.5);
    EXPECT_FALSE(geometry.b780Dpi);

    request = Area(request, 0, 4, 4, 1200);
    ASSERT_EQ(Prepare(), 1);
    EXPECT_EQ(Window().rx, 780u);
    EXPECT_TRUE(geometry.b780Dpi);
    EXPECT_EQ(geometry.resolution, 1200);

    // A device without a stated vertical maximum is not divided by it.
    request.iResolution = 600;
    request.iResolution_MaxY = 0;
    ASSERT_EQ(Prepare(), 1);
    EXPECT_FALSE(geometry.bVerticalReduction);
    EXPECT_DOUBLE_EQ(geometry.dVerticalRatio, 1.0);
}

TEST_F(Preparation, WhiteLevelsFollowTheColourChoice) {
    Open("gen5-color-54");
    request = Area(request, 0, 4, 4, 300);
    for (bool ntsc : {true, false}) {
        library->ClearRecord();
        request.bNtscSelected = ntsc;
        ASSERT_EQ(Prepare(), 1);
        auto blocks = library->WhiteLevelBlocks(library->HandleOf(0));
        ASSERT_EQ(blocks.size(), 1u);
        ASSERT_EQ(blocks[0].size(), 24u);
        // 255 or 235, as generation 5 takes them: 255 x 255 / level, little-endian.
        const uint32_t white = ntsc ? 255 : 277;
        for (size_t i = 0; i < 6; ++i) {
            const uint8_t* v = &blocks[0][i * 4];
            EXPECT_EQ(v[0] | v[1] << 8 | v[2] << 16 | uint32_t(v[3]) << 24, i < 3 ? white : 0) << i;
        }
        EXPECT_EQ(Window().colorSpace, ntsc ? 0 : 1);
    }
}

TEST_F(Preparation, AdjustingStateWarnsTwiceAndGoesOn) {
    Open("gen5-color-54", [](qv::sim::DeviceSetup& d) {
        d.profile.state = 9;
        d.adjustFailed = 0x01;
    });
    request = Area(request, 0, 4, 4, 300);
    ASSERT_EQ(Prepare(), 1);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Scanner is adjusting.");
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].icon, qv::MsgIcon::Warning);
    EXPECT_EQ(boxes[1].caption, "Adjusting");
    EXPECT_EQ(boxes[1].text, scanner->GetErrorText(0x91F1));
    EXPECT_TRUE(Logged("Adjusting1"));
}

TEST_F(Preparation, StatesThatForbidTheScan) {
    struct Case {
        void (*adjust)(qv::sim::DeviceSetup&);
        std::vector<std::string> captions;
    } cases[] = {
        {[](qv::sim::DeviceSetup& d) { d.profile.state = 2; }, {"Scanner is initializing."}},
        {[](qv::sim::DeviceSetup& d) { d.profile.state = 3; }, {"Scanner is warming up."}},
        {[](qv::sim::DeviceSetup& d) { d.paperStuck = true; },
         {"Not ready, original is stuck\nPlease re-insert original."}},
        {[](qv::sim::DeviceSetup& d) {
             d.profile.state = 5;
             d.diagnostics = {"Lamp A weak", "Fan stopped"};
         },
         {"Lamp A weak", "Fan stopped"}},
        {[](qv::sim::DeviceSetup& d) { d.profile.state = 5; }, {}},
    };
    for (const Case& c : cases) {
        Open("gen5-color-54", c.adjust);
        request = Area(request, 0, 4, 4, 300);
        EXPECT_EQ(Prepare(), 0);
        EXPECT_EQ(dialogResult, 0);
        std::vector<std::string> captions;
        for (const auto& box : qv::TakeMessageBoxes())
            captions.push_back(box.caption);
        EXPECT_EQ(captions, c.captions);
        auto calls = Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "scanSetWindow"), 0);
    }
}

TEST_F(Preparation, AFailureAtEveryStepIsShownAndTheNextScanWorks) {
    struct Case {
        const char* function;
        int call;
        const char* caption;
    } cases[] = {
        {"scanSend", 1, "Set Gamma Curve"}, {"scanObjectPosition", 1, "Load Paper"},
        {"scanSetWindow", 1, "Set Window"}, {"scanObjectPosition", 2, "Move Paper to Window"},
        {"scanScan", 1, "Scan Command"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        static const Case* current;
        current = &c;
        Open("gen5-color-54", [](qv::sim::DeviceSetup& d) {
            d.faults.push_back({current->function, current->call, 1, 2, 0x2400});
        });
        request = Area(request, 0, 4, 4, 300);
        EXPECT_EQ(Prepare(), 0);
        EXPECT_EQ(dialogResult, 0);
        auto boxes = qv::TakeMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(boxes[0].text, scanner->GetErrorText(0x2400));
        EXPECT_EQ(boxes[0].owner, &owner);
        EXPECT_TRUE(Logged(c.caption));
        EXPECT_EQ(Prepare(), 1);
        EXPECT_EQ(dialogResult, 1);
    }
}

TEST_F(Preparation, PaperThatNeverSettlesIsGivenUpOn) {
    Open("gen4-gray", [](qv::sim::DeviceSetup& d) {
        d.faults.push_back({"scanTestUnitReady", 1, 1000000000, 2, 0x3A82});
    });
    request = Area(request, 0, 4, 4, 200);
    EXPECT_EQ(Prepare(), 0);
    EXPECT_EQ(OneBox(), std::pair(std::string("4Gen Paper Check"), scanner->GetErrorText(0x3A82)));
    EXPECT_GE(clock.now, qv::kProgressPollLimitMs);

    // A load that never completes leaves the paper moving; the next scan waits, bounded.
    Open("gen5-color-54", [](qv::sim::DeviceSetup& d) { d.stuck = qv::sim::Stuck::Load; });
    request = Area(request, 0, 4, 4, 300);
    EXPECT_EQ(Prepare(), 0);
    EXPECT_EQ(OneBox().first, "Load Paper");
    EXPECT_EQ(Prepare(), 0);
    EXPECT_EQ(OneBox().first, "5Gen Paper Wait");
}

} // namespace
