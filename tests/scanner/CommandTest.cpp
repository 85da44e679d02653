#include <gtest/gtest.h>

#include "FakeScannerLibrary.h"
#include "scanner/ErrorText.h"
#include "scanner/Scanner.h"

namespace {

using qv::test::FakeClock;
using qv::test::FakeScannerLibrary;
using qv::test::MakeDevice;
using qv::test::Profile;
using qv::test::ScriptedRead;

constexpr uint32_t kHandle = 3;

ScriptedRead StatusBlock(uint8_t paper, uint8_t flags, int32_t status = 0) {
    std::vector<uint8_t> block(21, 0);
    block[1] = paper;
    block[6] = flags;
    return ScriptedRead{status, block};
}

class Commands : public ::testing::Test {
  protected:
    void SetUp() override { qv::SetScannerClock(&clock); }
    void TearDown() override { qv::SetScannerClock(nullptr); }

    void Attach(int32_t generation, bool color = true, uint32_t gammaLength = 256) {
        Profile profile;
        profile.generation = generation;
        profile.color = color;
        profile.gammaLength = gammaLength;
        library.devices = {MakeDevice(kHandle, profile)};
        scanner.SetHandle(kHandle);
        scanner.ClearInquiryCache();
    }
    std::vector<qv::test::Call> Sends() const { return library.CallsOf("scanSend"); }

    FakeClock clock;
    FakeScannerLibrary library;
    CScanner scanner{&library};
};

TEST_F(Commands, WhiteLevelsOnGenerationFiveAreConvertedAndLittleEndian) {
    Attach(5);
    EXPECT_EQ(scanner.SendWhiteLevels({255, 235, 0, 1, -255, 510}, 300), 0);
    auto sends = Sends();
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].args[1], 0xFA);
    EXPECT_EQ(sends[0].args[2], 2);
    const std::vector<uint8_t> expected = {
        0xFF, 0x00, 0x00, 0x00, // 255 -> 255
        0x15, 0x01, 0x00, 0x00, // 235 -> 277
        0x00, 0x00, 0x00, 0x00, // 0 stays 0
        0x01, 0xFE, 0x00, 0x00, // 1 -> 65025
        0x02, 0xFF, 0xFF, 0xFF, // -255 -> -254, truncated toward zero
        0x80, 0x00, 0x00, 0x00, // 510 -> 128
    };
    EXPECT_EQ(sends[0].bytes, expected);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(Commands, WhiteLevelsOnGenerationFourAreBytesThenAPause) {
    Attach(4);
    library.Answer("scanSend", {8});
    EXPECT_EQ(scanner.SendWhiteLevels({255, 235, 0, 1, 2, 3}, 500), 8);
    EXPECT_EQ(scanner.GetLastStatus(), 8);
    auto sends = Sends();
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].bytes, (std::vector<uint8_t>{255, 235, 0, 1, 2, 3}));
    EXPECT_EQ(sends[0].args[2], 0);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{500});
}

std::vector<uint8_t> Identity256() {
    std::vector<uint8_t> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[i] = static_cast<uint8_t>(i);
    return ramp;
}

TEST_F(Commands, GammaForColourSendsTheCurveThreeTimes) {
    Attach(5);
    EXPECT_EQ(scanner.GammaCurve(1.0, 0, 0), 0);
    auto sends = Sends();
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].args[0], 768);
    EXPECT_EQ(sends[0].args[1], 3);
    EXPECT_EQ(sends[0].args[2], 0);
    std::vector<uint8_t> expected;
    for (int channel = 0; channel < 3; ++channel) {
        auto ramp = Identity256();
        expected.insert(expected.end(), ramp.begin(), ramp.end());
    }
    EXPECT_EQ(sends[0].bytes, expected);

    library.ClearCalls();
    EXPECT_EQ(scanner.GammaCurve(2.0, 0, 0), 0);
    const std::vector<uint8_t> curve = Sends()[0].bytes;
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(curve[256 * channel + 64], 127);
        EXPECT_EQ(curve[256 * channel + 255], 255);
    }
}

TEST_F(Commands, GammaForGenerationFourColourToo) {
    Attach(4, true, 1024);
    EXPECT_EQ(scanner.GammaCurve(1.0, 300, 0), 0);
    auto sends = Sends();
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].bytes, std::vector<uint8_t>(3072, 255));
}

TEST_F(Commands, GammaForGenerationFiveGrayIsOneCurveAndTwoEmptyChannels) {
    Attach(5, false);
    EXPECT_EQ(scanner.GammaCurve(1.0, 0, 0), 0);
    auto sends = Sends();
    ASSERT_EQ(sends.size(), 1u);
    auto expected = Identity256();
    expected.resize(768, 0);
    EXPECT_EQ(sends[0].bytes, expected);
}

TEST_F(Commands, GammaForGenerationFourGraySendsNothing) {
    Attach(4, false);
    // With every page cached the call answers the last command's status.
    EXPECT_EQ(scanner.GetGammaLength(), 256u);
    EXPECT_FALSE(scanner.IsColor());
    library.Answer("scanSetWindow", {0x2C00});
    scanner.SetWindow();
    EXPECT_EQ(scanner.GammaCurve(1.0, 0, 0), 0x2C00);
    EXPECT_TRUE(Sends().empty());
}

TEST_F(Commands, GammaForGenerationFourGrayKeepsTheStatusWhilePagesAreFetched) {
    Attach(4, false);
    library.Answer("scanSetWindow", {0x2C00});
    scanner.SetWindow();
    scanner.ClearInquiryCache();
    EXPECT_EQ(scanner.GammaCurve(1.0, 0, 0), 0x2C00);
    EXPECT_EQ(scanner.GetLastStatus(), 0x2C00);
    EXPECT_TRUE(Sends().empty());
}

TEST_F(Commands, GammaTooLongForABufferIsRefused) {
    Attach(5, true, 0x7FFFFFFF);
    EXPECT_EQ(scanner.GammaCurve(1.0, 0, 0), -1);
    EXPECT_EQ(scanner.GetLastStatus(), -1);
    EXPECT_TRUE(Sends().empty());
}

TEST_F(Commands, LoadPaperPollsWhileTheMediaLoads) {
    Attach(5);
    library.Answer("scanTestUnitReady", {2, 2, 0});
    library.Answer("scanGetLastAsc", {0x3A82, 0x3A82});
    EXPECT_EQ(scanner.LoadPaper(), 0);
    auto moves = library.CallsOf("scanObjectPosition");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].args[0], 1);
    EXPECT_EQ(moves[0].args[1], 0);
    EXPECT_EQ(library.Count("scanTestUnitReady"), 3u);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(Commands, LoadPaperReportsTheFirstFailure) {
    Attach(5);
    library.Answer("scanObjectPosition", {-112});
    EXPECT_EQ(scanner.LoadPaper(), -112);
    EXPECT_EQ(library.Count("scanTestUnitReady"), 0u);

    library.Answer("scanTestUnitReady", {2});
    library.Answer("scanGetLastAsc", {0x3A00});
    EXPECT_EQ(scanner.LoadPaper(), 0x3A00);
    EXPECT_EQ(scanner.GetLastStatus(), 0x3A00);
}

TEST_F(Commands, LoadPaperGivesUpOnEndlessProgress) {
    Attach(5);
    library.SetDefault("scanTestUnitReady", 2);
    library.lastAsc = 0x3A82;
    clock.tickMs = 1000;
    EXPECT_EQ(scanner.LoadPaper(), 0x3A82);
    EXPECT_EQ(GetErrorText(scanner.GetLastStatus(), 0), "Media load progress");
    const size_t polls = library.Count("scanTestUnitReady");
    EXPECT_GE(polls, 100u);
    EXPECT_LE(polls, 130u);
}

TEST_F(Commands, MovePaperToStartOnlyPositions) {
    Attach(5);
    library.Answer("scanObjectPosition", {-113});
    EXPECT_EQ(scanner.MovePaperToStart(), -113);
    EXPECT_EQ(scanner.GetLastStatus(), 0);
    EXPECT_EQ(library.calls.size(), 1u);
    EXPECT_EQ(library.calls[0].args[0], 1);
}

TEST_F(Commands, PaperAlreadyInTheWindowIsNotMoved) {
    Attach(5);
    library.QueueRead(kReadStatus, StatusBlock('0', 0x08));
    EXPECT_EQ(scanner.MovePaperToWindow(), 0);
    EXPECT_EQ(library.Count("scanObjectPosition"), 0u);
    auto reads = library.CallsOf("scanRead");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].args, (std::array<int32_t, 4>{21, 0x80, 0, 0}));
}

TEST_F(Commands, GenerationFourMoveWaitsForThePositionProgressToEnd) {
    Attach(4);
    library.Answer("scanTestUnitReady", {2, 2, 0});
    library.Answer("scanGetLastAsc", {0x3A83, 0x3A83});
    EXPECT_EQ(scanner.MovePaperToWindow(), 0);
    auto moves = library.CallsOf("scanObjectPosition");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].args[0], 2);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{1000});
    EXPECT_EQ(library.Count("scanTestUnitReady"), 3u);
}

TEST_F(Commands, GenerationFourMoveGivesUpOnEndlessProgress) {
    Attach(4);
    library.SetDefault("scanTestUnitReady", 2);
    library.lastAsc = 0x3A83;
    clock.tickMs = 1000;
    EXPECT_EQ(scanner.MovePaperToWindow(), 0x3A83);
    EXPECT_LE(library.Count("scanTestUnitReady"), 130u);
}

TEST_F(Commands, FailingMoveIsResolvedToItsSenseCode) {
    Attach(5);
    library.Answer("scanObjectPosition", {2});
    library.lastAsc = 0x3A80;
    EXPECT_EQ(scanner.MovePaperToWindow(), 0x3A80);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(Commands, GenerationFiveMoveWaitsForThePaperPosition) {
    Attach(5);
    library.QueueRead(kReadStatus, StatusBlock(0, 0));    // not in the window yet
    library.QueueRead(kReadStatus, StatusBlock(0x21, 0)); // moving
    library.QueueRead(kReadStatus, StatusBlock('1', 0));  // positioned
    EXPECT_EQ(scanner.MovePaperToWindow(), 0);
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{1000, 200}));
    EXPECT_EQ(library.Count("scanRead"), 3u);
}

TEST_F(Commands, WaitForPaperPositionOutcomes) {
    Attach(5);
    library.QueueRead(kReadStatus, StatusBlock(0x22, 0));
    library.QueueRead(kReadStatus, StatusBlock(0x12, 0x08));
    EXPECT_EQ(scanner.WaitForPaperPosition(10), -1);
    EXPECT_EQ(scanner.GetLastStatus(), -1);

    library.QueueRead(kReadStatus, StatusBlock(0, 0x08));
    EXPECT_EQ(scanner.WaitForPaperPosition(10), 0);

    // Positioned, but only a good read counts.
    library.QueueRead(kReadStatus, StatusBlock('0', 0, -112));
    library.QueueRead(kReadStatus, StatusBlock('0', 0));
    EXPECT_EQ(scanner.WaitForPaperPosition(10), 0);
}

TEST_F(Commands, WaitForPaperPositionEndsAfterFivePassesPerLimitUnit) {
    Attach(5);
    library.SetDefaultRead(kReadStatus, StatusBlock(0x20, 0, -113));
    library.ClearCalls();
    EXPECT_EQ(scanner.WaitForPaperPosition(2), -113);
    EXPECT_EQ(library.Count("scanRead"), 11u);
    EXPECT_EQ(clock.sleeps.size(), 11u);

    // The reads succeed but the sheet never gets there: the move failed.
    library.SetDefaultRead(kReadStatus, StatusBlock(0x20, 0));
    EXPECT_EQ(scanner.WaitForPaperPosition(2), kSenseObjectPositionProgress);
}

TEST_F(Commands, ScanCommandListLengthByGeneration) {
    Attach(4);
    EXPECT_EQ(scanner.SendScanCommand(), 0);
    auto scans = library.CallsOf("scanScan");
    ASSERT_EQ(scans.size(), 1u);
    EXPECT_EQ(scans[0].bytes, (std::vector<uint8_t>{0, 0}));

    Attach(5);
    library.ClearCalls();
    library.Answer("scanScan", {0x3A85});
    EXPECT_EQ(scanner.SendScanCommand(), 0);
    EXPECT_EQ(library.CallsOf("scanScan")[0].bytes, (std::vector<uint8_t>{0}));
}

TEST_F(Commands, ScanCommandJudgesACheckConditionBySenseCode) {
    Attach(5);
    library.Answer("scanScan", {2, 2});
    library.Answer("scanGetLastAsc", {0x3A85, 0x2C00});
    EXPECT_EQ(scanner.SendScanCommand(), 0);
    EXPECT_EQ(scanner.SendScanCommand(), 0x2C00);
    EXPECT_EQ(scanner.GetLastStatus(), 0x2C00);

    // The object's own text lookup resolves through its handle and library.
    library.Answer("scanGetLastAsc", {0x5300});
    EXPECT_EQ(scanner.GetErrorText(2), "Media eject failed.");
}

ScriptedRead Widths(uint16_t a, uint16_t b, uint16_t c, uint16_t d, int32_t status = 0) {
    std::vector<uint8_t> bytes;
    for (uint16_t w : {a, b, c, d}) {
        bytes.push_back(static_cast<uint8_t>(w >> 8));
        bytes.push_back(static_cast<uint8_t>(w));
    }
    return ScriptedRead{status, bytes};
}

TEST_F(Commands, CameraWidthsAreBigEndianWords) {
    Attach(5);
    library.QueueRead(kReadPictureSize, Widths(0x0102, 7000, 0, 65535));
    int32_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(scanner.ReadCameraWidths(a, b, c, d), 0);
    EXPECT_EQ(a, 0x0102);
    EXPECT_EQ(b, 7000);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(d, 65535);
    EXPECT_EQ(library.CallsOf("scanRead")[0].args, (std::array<int32_t, 4>{8, 0xFF, 2, 0}));
}

TEST_F(Commands, PictureWidthSumsTheCamerasAndAcceptsTheEndOfMedium) {
    Attach(5);
    library.QueueRead(kReadPictureSize, Widths(7000, 7000, 6000, 0));
    int32_t width = -5;
    EXPECT_EQ(scanner.GetPictureWidth(width), 0);
    EXPECT_EQ(width, 20000);

    library.QueueRead(kReadPictureSize, Widths(100, 200, 0, 0, 2));
    library.Answer("scanGetLastAsc", {0x3B09});
    EXPECT_EQ(scanner.GetPictureWidth(width), 0);
    EXPECT_EQ(width, 300);

    library.QueueRead(kReadPictureSize, Widths(100, 200, 0, 0, 2));
    library.Answer("scanGetLastAsc", {0x2400});
    EXPECT_EQ(scanner.GetPictureWidth(width), 0x2400);
    EXPECT_EQ(width, 0);

    library.QueueRead(kReadPictureSize, Widths(1, 1, 1, 1, -112));
    EXPECT_EQ(scanner.GetPictureWidth(width), -112);
    EXPECT_EQ(scanner.GetLastStatus(), -112);
}

TEST_F(Commands, ImageReadsResolveAndNeverReportMoreThanTheBuffer) {
    Attach(5);
    uint8_t buffer[100];
    int32_t received = -1;
    library.QueueRead(kReadImage, ScriptedRead{0, std::vector<uint8_t>(40, 9)});
    EXPECT_EQ(scanner.ReadImage(buffer, 100, received), 0);
    EXPECT_EQ(received, 40);
    EXPECT_EQ(buffer[39], 9);
    EXPECT_EQ(library.CallsOf("scanRead")[0].args, (std::array<int32_t, 4>{100, 0, 0, 0}));

    library.QueueRead(kReadImage, ScriptedRead{2, {}, 0});
    library.Answer("scanGetLastAsc", {0x3B09});
    EXPECT_EQ(scanner.ReadImage(buffer, 100, received), 0x3B09);

    library.QueueRead(kReadImage, ScriptedRead{0, std::vector<uint8_t>(10, 1), 5000});
    EXPECT_EQ(scanner.ReadImage(buffer, 100, received), 0);
    EXPECT_EQ(received, 100);
    library.QueueRead(kReadImage, ScriptedRead{0, {}, -7});
    EXPECT_EQ(scanner.ReadImage(buffer, 100, received), 0);
    EXPECT_EQ(received, 0);

    // Without a handle a CHECK CONDITION cannot be resolved.
    scanner.SetHandle(0);
    library.QueueRead(kReadImage, ScriptedRead{2, {}});
    EXPECT_EQ(scanner.ReadImage(buffer, 100, received), 2);
}

TEST_F(Commands, PaperStateAndWindowBitComeFromAFreshStatusBlock) {
    Attach(5);
    library.QueueRead(kReadStatus, StatusBlock(0x14, 0));
    library.QueueRead(kReadStatus, StatusBlock('1', 0x08));
    library.QueueRead(kReadStatus, StatusBlock('1', 0xF7));
    EXPECT_EQ(scanner.GetPaperState(), kPaperStuck);
    EXPECT_TRUE(scanner.IsPaperInWindow());
    EXPECT_FALSE(scanner.IsPaperInWindow());
    // A failing read leaves nothing of the last block behind.
    library.QueueRead(kReadStatus, ScriptedRead{-112, {}});
    ScannerStatusBlock block;
    block.fill(0xEE);
    EXPECT_EQ(scanner.ReadScannerStatus(block), -112);
    EXPECT_EQ(block, ScannerStatusBlock{});
}

TEST_F(Commands, TestUnitReadyDoesNotTouchTheLastStatus) {
    Attach(5);
    library.Answer("scanTestUnitReady", {8});
    EXPECT_EQ(scanner.TestUnitReady(), 8);
    EXPECT_EQ(scanner.GetLastStatus(), 0);
    library.Answer("scanReceiveDiagnostic", {-61});
    uint8_t header[4] = {};
    EXPECT_EQ(scanner.ReceiveDiagnostic(header, 4), -61);
    EXPECT_EQ(scanner.GetLastStatus(), -61);
}

} // namespace
