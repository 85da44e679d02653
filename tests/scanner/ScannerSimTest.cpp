// The scanner object against the simulated device rather than a script.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FakeScannerLibrary.h"
#include "scanner/ErrorText.h"
#include "scanner/Scanner.h"
#include "sim/SimulatedLibrary.h"

namespace {

using qv::sim::BuiltInProfile;
using qv::sim::DeviceSetup;
using qv::sim::Scenario;
using qv::sim::SimulatedLibrary;

Scenario WithProfile(const std::string& name) {
    Scenario scenario;
    scenario.devices.emplace_back().profile = BuiltInProfile(name);
    return scenario;
}

Scenario WithDevices(size_t count) {
    const char* names[] = {"gen5-color-54", "gen4-gray", "gen5-gray", "gen4-color", "wide600"};
    Scenario scenario;
    for (size_t i = 0; i < count; ++i) {
        DeviceSetup device;
        device.profile = BuiltInProfile(names[i % std::size(names)]);
        scenario.devices.push_back(device);
    }
    return scenario;
}

std::string Expected(const qv::sim::Profile& profile) {
    return profile.product + (profile.hardwareType == 2 ? " ( SCSI )" : " ( USB )");
}

TEST(ScannerOnSimulator, ListsTheAttachedDevices) {
    for (size_t count : {2u, 5u, 31u}) {
        SCOPED_TRACE(count);
        const Scenario scenario = WithDevices(count);
        SimulatedLibrary library(scenario);
        CScanner scanner(&library);
        scanner.EnumerateScanners();
        const size_t listed = std::min<size_t>(count, CScanner::kMaxScanners);
        ASSERT_EQ(scanner.GetScannerCount(), static_cast<int32_t>(listed));
        EXPECT_TRUE(scanner.IsOpen());
        for (size_t i = 0; i < listed; ++i) {
            EXPECT_EQ(scanner.GetListName(static_cast<int32_t>(i)), Expected(scenario.devices[i].profile));
            EXPECT_EQ(scanner.GetListHandle(static_cast<int32_t>(i)), library.HandleOf(i));
            EXPECT_EQ(scanner.GetListOpenResult(static_cast<int32_t>(i)), 0);
        }
    }
}

TEST(ScannerOnSimulator, NoDeviceGivesTheSingleNoScannerEntry) {
    SimulatedLibrary library(Scenario{});
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.GetScannerCount(), 1);
    EXPECT_EQ(scanner.GetListOpenResult(0), -117);
    EXPECT_FALSE(scanner.IsOpen());
    EXPECT_EQ(GetErrorText(scanner.GetListOpenResult(0), 0), "No scanner was found.");
}

TEST(ScannerOnSimulator, CapabilitiesMatchEveryProfile) {
    for (const std::string& name : qv::sim::BuiltInProfileNames()) {
        SCOPED_TRACE(name);
        const Scenario scenario = WithProfile(name);
        const qv::sim::Profile& p = scenario.devices[0].profile;
        SimulatedLibrary library(scenario);
        CScanner scanner(&library);
        scanner.EnumerateScanners();
        ASSERT_EQ(scanner.OpenScanner(0), 0);
        EXPECT_EQ(scanner.GetProductId(), p.product);
        EXPECT_EQ(scanner.GetFirmwareRevision(), p.firmwareRevision);
        EXPECT_EQ(scanner.GetGeneration(), p.generation);
        EXPECT_EQ(scanner.IsColor(), p.color);
        EXPECT_EQ(scanner.GetMaxScanWidth(), p.maxScanWidth);
        EXPECT_EQ(scanner.GetResolutionCount(), p.resolutions.size());
        EXPECT_EQ(scanner.GetMaxResolution(), p.resolutions.back());
        EXPECT_EQ(scanner.GetGammaLength(), p.gammaLength);
        EXPECT_EQ(scanner.GetBufferSize(), p.bufferSize);
    }
}

TEST(ScannerOnSimulator, ShortPagesOfTheBootProfileFallBack) {
    SimulatedLibrary library(WithProfile("boot"));
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.OpenScanner(0), 0);
    EXPECT_EQ(scanner.GetFpgaRevision(), 0);
    int32_t lowest = 0;
    int32_t highest = 0;
    EXPECT_EQ(scanner.GetSharpenRange(lowest, highest), kStatusPageTooShort);
    EXPECT_EQ(scanner.GetWindowLength(), 67);
    EXPECT_EQ(scanner.GetResolutionMaxY(), 0u);
}

class ScanOnSimulator : public ::testing::Test {
  protected:
    void SetUp() override { qv::SetScannerClock(&clock); }
    void TearDown() override { qv::SetScannerClock(nullptr); }
    qv::test::FakeClock clock;
};

TEST_F(ScanOnSimulator, PreparesAndReadsAGenerationFiveScan) {
    SimulatedLibrary library;
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.OpenScanner(0), 0);
    const uint32_t handle = scanner.GetHandle();
    ASSERT_EQ(scanner.GetGeneration(), 5);

    EXPECT_EQ(scanner.GammaCurve(1.0, 0, 0), 0);
    ASSERT_EQ(library.GammaTables(handle).size(), 1u);
    EXPECT_EQ(library.GammaTables(handle)[0].size(), 3u * scanner.GetGammaLength());
    EXPECT_EQ(scanner.SendWhiteLevels({255, 255, 255, 0, 0, 0}, 0), 0);
    EXPECT_EQ(scanner.LoadPaper(), 0);

    scanner.ClearWindowParameters();
    scanner.SetScanArea(0, 0, 12 * 1200, 6 * 1200);
    scanner.SetMode(kModeRgb);
    scanner.SetResolution(100);
    scanner.SetWord52(300);
    scanner.SetBufferWord(scanner.GetBufferSize() * 4 / 5);
    EXPECT_EQ(scanner.SetWindow(), 0);
    ASSERT_EQ(library.WindowBlocks(handle).size(), 1u);
    EXPECT_EQ(library.WindowBlocks(handle)[0].size(), static_cast<size_t>(scanner.GetWindowLength()));

    EXPECT_EQ(scanner.MovePaperToWindow(), 0);
    EXPECT_EQ(scanner.SendScanCommand(), 0);
    int32_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(scanner.ReadCameraWidths(a, b, c, d), 0);
    int32_t width = 0;
    EXPECT_EQ(scanner.GetPictureWidth(width), 0);
    EXPECT_GT(width, 0);
    EXPECT_EQ(width, a + b + c + d);

    std::vector<uint8_t> block(static_cast<size_t>(width) * 4);
    int32_t received = 0;
    EXPECT_EQ(scanner.ReadImage(block.data(), static_cast<int32_t>(block.size()), received), 0);
    EXPECT_GT(received, 0);
    EXPECT_LE(received, static_cast<int32_t>(block.size()));
}

TEST_F(ScanOnSimulator, ImageReadsRunOnAReaderThreadBesideStatusQueries) {
    SimulatedLibrary library;
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.OpenScanner(0), 0);
    ASSERT_EQ(scanner.LoadPaper(), 0);
    scanner.SetScanArea(0, 0, 2 * 1200, 2 * 1200);
    scanner.SetMode(kModeGray);
    scanner.SetResolution(50);
    ASSERT_EQ(scanner.SetWindow(), 0);
    ASSERT_EQ(scanner.MovePaperToWindow(), 0);
    ASSERT_EQ(scanner.SendScanCommand(), 0);

    std::atomic<bool> done{false};
    int64_t total = 0;
    int32_t finalStatus = 0;
    std::thread reader([&] {
        std::vector<uint8_t> block(4096);
        int32_t received = 0;
        for (int i = 0; i < 1000; ++i) {
            finalStatus = scanner.ReadImage(block.data(), static_cast<int32_t>(block.size()), received);
            total += received;
            if (finalStatus != 0)
                break;
        }
        done.store(true);
    });
    // The host's thread may look at the last status while the reader stores it; it only
    // ever sees a resolved status.
    while (!done.load()) {
        const int32_t seen = scanner.GetLastStatus();
        EXPECT_TRUE(seen == 0 || seen == kSenseEndOfMedium) << seen;
    }
    reader.join();
    EXPECT_GT(total, 0);
    EXPECT_EQ(finalStatus, kSenseEndOfMedium);
    EXPECT_EQ(scanner.GetLastStatus(), kSenseEndOfMedium);
}

TEST_F(ScanOnSimulator, GenerationFourGrayTakesNoGamma) {
    Scenario scenario = WithDevices(2);
    SimulatedLibrary library(scenario);
    CScanner scanner(&library);
    scanner.EnumerateScanners();
    ASSERT_EQ(scanner.OpenScanner(1), 0);
    ASSERT_EQ(scanner.GetGeneration(), 4);
    scanner.GammaCurve(1.0, 0, 0);
    EXPECT_TRUE(library.GammaTables(scanner.GetHandle()).empty());
}

} // namespace
