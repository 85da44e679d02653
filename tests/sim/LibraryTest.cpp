#include "SimTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace qv::sim;
using namespace qv::sim::test;

namespace {

SheetPtr Chart(double w = 4, double h = 2, int dpi = 100) {
    std::string error;
    return MakeChart("grid", w, h, dpi, error);
}

Scenario Devices(size_t n) {
    Scenario s;
    for (size_t i = 0; i < n; ++i)
        s.devices.push_back(DeviceWith(i % 2 ? "gen4-gray" : "gen5-color-54", Chart()));
    return s;
}

TEST(Listing, EnumeratesEveryDeviceWithDistinctHandles) {
    for (size_t n : {0u, 1u, 2u, 5u, 31u}) {
        SCOPED_TRACE(n);
        SimulatedLibrary lib(Devices(n));
        ASSERT_EQ(lib.scanOpenLib(), 0);
        std::set<uint32_t> handles;
        for (int pass = 0; pass < 2; ++pass) {
            uint32_t handle = 0xDEAD, reserved = 0;
            int32_t first = 1;
            size_t listed = 0;
            while (lib.scanGetNextScanner(&handle, &reserved, first) == 0) {
                first = 0;
                EXPECT_NE(handle, 0u);
                EXPECT_EQ(handle, lib.HandleOf(listed));
                handles.insert(handle);
                EXPECT_EQ(lib.scanOpenScanner(handle), 0);
                EXPECT_EQ(lib.scanGetHardwareType(handle), listed % 2 ? 2 : 1);
                EXPECT_EQ(lib.scanCloseScanner(handle), 0);
                ASSERT_LE(++listed, n);
            }
            EXPECT_EQ(handle, 0u);
            EXPECT_EQ(listed, n);
            EXPECT_EQ(lib.scanGetNextScanner(&handle, &reserved, 0), qv::kStatusNoScanner);
        }
        EXPECT_EQ(handles.size(), n);
        EXPECT_EQ(lib.scanCloseLib(), 0);
    }
}

TEST(Listing, FailingOpensAndUnknownHandles) {
    Scenario s = Devices(2);
    s.devices[1].openStatus = -150;
    SimulatedLibrary lib(s);
    uint32_t h = 0, r = 0;
    EXPECT_EQ(lib.scanGetNextScanner(&h, &r, 1), -151) << "library not opened";
    EXPECT_EQ(lib.scanOpenScanner(lib.HandleOf(0)), -151);
    ASSERT_EQ(lib.scanOpenLib(), 0);
    EXPECT_EQ(lib.scanOpenScanner(lib.HandleOf(1)), -150);
    EXPECT_EQ(lib.scanTestUnitReady(lib.HandleOf(1)), -152) << "commands on a scanner that is not open";
    EXPECT_EQ(lib.scanOpenScanner(lib.HandleOf(0)), 0);
    EXPECT_EQ(lib.scanOpenScanner(lib.HandleOf(0)), 0) << "opening twice is harmless";
    EXPECT_EQ(lib.scanTestUnitReady(0x1234), -153);
    EXPECT_EQ(lib.scanGetHardwareType(0x1234), 0);
    EXPECT_EQ(lib.scanCloseLib(), 0);
    EXPECT_EQ(lib.scanTestUnitReady(lib.HandleOf(0)), -152) << "closing the library closes its scanners";

    Scenario broken = Devices(1);
    broken.openLibStatus = -118;
    SimulatedLibrary absent(broken);
    EXPECT_EQ(absent.scanOpenLib(), -118);
    EXPECT_EQ(absent.scanGetNextScanner(&h, &r, 1), -151);
}

TEST(Paper, GenerationFiveLoadAndWindowMoves) {
    DeviceSetup d = DeviceWith("gen5-color-54", Chart());
    d.loadPolls = 2;
    d.movePolls = 3;
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    EXPECT_EQ(Status(lib, h)[1], '0');
    EXPECT_EQ(lib.scanObjectPosition(h, 2, 0), 2) << "not loaded yet";
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x3A80);

    ASSERT_EQ(lib.scanObjectPosition(h, 1, 0), 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(lib.scanTestUnitReady(h), 2);
        EXPECT_EQ(lib.scanGetLastAsc(h), 0x3A82);
    }
    EXPECT_EQ(lib.scanTestUnitReady(h), 0);
    auto block = Status(lib, h);
    EXPECT_EQ(block[1], '0');
    EXPECT_EQ(block[6] & 0x08, 0);

    ASSERT_EQ(lib.scanObjectPosition(h, 2, 0), 0);
    for (int i = 0; i < 3; ++i) {
        block = Status(lib, h);
        EXPECT_GE(block[1], 0x20);
        EXPECT_LE(block[1], 0x23);
        EXPECT_EQ(block[6] & 0x08, 0);
    }
    block = Status(lib, h);
    EXPECT_EQ(block[1], '1');
    EXPECT_EQ(block[6] & 0x08, 0x08);
    EXPECT_EQ(lib.scanObjectPosition(h, 2, 0), 0) << "already in the window";
    EXPECT_EQ(Status(lib, h)[1], '1');

    ASSERT_EQ(lib.scanObjectPosition(h, 1, 0), 0) << "back to the start";
    EXPECT_EQ(Status(lib, h)[1], 0x20);
    EXPECT_EQ(lib.scanObjectPosition(h, 0, 0), 2);
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x2400);
}

TEST(Paper, GenerationFourWindowMoveReportsPositionProgress) {
    DeviceSetup d = DeviceWith("gen4-color", Chart());
    d.movePolls = 2;
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    ASSERT_EQ(lib.scanObjectPosition(h, 1, 0), 0);
    while (lib.scanTestUnitReady(h) != 0) {
    }
    ASSERT_EQ(lib.scanObjectPosition(h, 2, 0), 0);
    EXPECT_EQ(lib.scanObjectPosition(h, 2, 0), 2) << "a second move while one runs";
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x2C00);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(lib.scanTestUnitReady(h), 2);
        EXPECT_EQ(lib.scanGetLastAsc(h), 0x3A83);
    }
    EXPECT_EQ(lib.scanTestUnitReady(h), 0);
    EXPECT_EQ(Status(lib, h)[6] & 0x08, 0x08);
}

TEST(Paper, SheetsLeaveAfterTheirScansAndAnEmptyDeviceAsksForPaper) {
    DeviceSetup d = DeviceWith("gen5-gray", Chart());
    d.sheets[0].scans = 1;
    d.sheets.push_back({Chart(2, 1), false, 1, false});
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    Area a{100, 100, 0, 0, 1200 * 5, 1200 * 3};
    for (int64_t rows : {200, 100}) {
        StartScan(lib, h, d.profile, 9, a);
        ReadAll(lib, h, 100000);
        EXPECT_EQ(lib.RowsDelivered(h), rows) << "each sheet is scanned to its own end";
        ASSERT_EQ(lib.scanObjectPosition(h, 1, 0), 0) << "ejects the spent sheet";
    }
    EXPECT_EQ(Status(lib, h)[1], 0);
    EXPECT_EQ(lib.scanObjectPosition(h, 1, 0), 2);
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x3A00);
    EXPECT_EQ(lib.scanTestUnitReady(h), 2);
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x3A00);
}

TEST(Commands, WindowBlocksAreCheckedPerGeneration) {
    Scenario s;
    s.devices = {DeviceWith("gen4-gray", Chart()), DeviceWith("gen5-color-36", Chart()),
                 DeviceWith("gen5-gray", Chart())};
    SimulatedLibrary lib(s);
    OpenFirst(lib);
    const uint32_t g4 = lib.HandleOf(0), g5 = lib.HandleOf(1), g5gray = lib.HandleOf(2);
    for (uint32_t h : {g4, g5, g5gray})
        ASSERT_EQ(lib.scanOpenScanner(h), 0);
    Area a;
    auto expectRefused = [&](uint32_t h, std::vector<uint8_t> block, int32_t length, int32_t asc) {
        EXPECT_EQ(lib.scanSetWindow(h, block.data(), length), 2);
        EXPECT_EQ(lib.scanGetLastAsc(h), asc);
    };
    EXPECT_EQ(lib.scanSetWindow(g4, WindowBlock(4, 71, 9, a).data(), 71), 0);
    expectRefused(g4, WindowBlock(4, 72, 9, a), 72, 0x1A00);
    expectRefused(g4, WindowBlock(5, 68, 9, a), 68, 0x1A00);
    EXPECT_EQ(lib.scanSetWindow(g5, WindowBlock(5, 68, 10, a).data(), 68), 0);
    expectRefused(g5, WindowBlock(5, 67, 10, a), 67, 0x1A00);
    auto wrongDescriptor = WindowBlock(5, 68, 10, a);
    wrongDescriptor[7] = 63;
    expectRefused(g5, wrongDescriptor, 68, 0x1A00);
    expectRefused(g5gray, WindowBlock(5, 76, 10, a), 76, 0x2602); // RGB on a gray scanner
    Area zero = a;
    zero.rx = 0;
    expectRefused(g5, WindowBlock(5, 68, 9, zero), 68, 0x2602);
    Area huge{9600, 100, 0, 0, 0x0FFFFFFF, 1200}; // a row of billions of pixels
    expectRefused(g5, WindowBlock(5, 68, 9, huge), 68, 0x2602);
    Area noPixels{50, 50, 0, 0, 1, 1200}; // 1/1200 inch at 50 dpi: no pixel in a row
    expectRefused(g5, WindowBlock(5, 68, 10, noPixels), 68, 0x2602);
    Area noRows{200, 50, 0, 0, 1200, 1};
    expectRefused(g5, WindowBlock(5, 68, 9, noRows), 68, 0x2602);
    // Far past the scan width one camera's share no longer fits its 16-bit field.
    Area overhang{1200, 100, 0, 0, 60 * 1200, 1200};
    expectRefused(g5, WindowBlock(5, 68, 10, overhang), 68, 0x2602);
    EXPECT_EQ(lib.WindowBlocks(g5).size(), 8u);
    EXPECT_EQ(lib.WindowBlocks(g5)[0], WindowBlock(5, 68, 10, a));
}

TEST(Commands, ShortGenerationFiveBlocksTellModeOneByItsThreshold) {
    // 68 bytes do not reach the variant byte 72.
    std::vector<uint8_t> white(100 * 3, 255), dark(100 * 3, 100);
    std::vector<uint8_t> rgb;
    for (int r = 0; r < 10; ++r)
        rgb.insert(rgb.end(), r % 2 ? dark.begin() : white.begin(), r % 2 ? dark.end() : white.end());
    DeviceSetup d = DeviceWith("gen5-color-36", MakeImageSheet(100, 10, 100, rgb));
    Area a{100, 100, 0, 0, 1200, 1200};
    for (auto [mode, threshold, darkIsBlack] : {std::tuple{1, 90, false}, {1, 101, true}, {3, 0, true}}) {
        SimulatedLibrary lib(OneDevice(d));
        uint32_t h = OpenFirst(lib);
        StartScan(lib, h, d.profile, mode, a, static_cast<uint8_t>(threshold));
        auto rows = DecodeRuns(ReadAll(lib, h, 4096));
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_FALSE(rows[0][0]);
        EXPECT_EQ(rows[1][0], darkIsBlack) << "mode " << mode << " threshold " << threshold;
    }
}

TEST(Commands, GammaWhiteLevelsAndScanAreCheckedAndRecorded) {
    Scenario s;
    s.devices = {DeviceWith("gen4-color", Chart()), DeviceWith("gen5-color-54", Chart())};
    s.devices[1].scanStatus = 14981;
    SimulatedLibrary lib(s);
    OpenFirst(lib);
    const uint32_t g4 = lib.HandleOf(0), g5 = lib.HandleOf(1);
    ASSERT_EQ(lib.scanOpenScanner(g5), 0);
    std::vector<uint8_t> gamma4(3 * 256, 7), gamma5(3 * 1024, 9), white4(6, 200), white5(24, 1);
    EXPECT_EQ(lib.scanSend(g4, gamma4.data(), 768, 3, 0), 0);
    EXPECT_EQ(lib.scanSend(g4, gamma4.data(), 767, 3, 0), 2);
    EXPECT_EQ(lib.scanGetLastAsc(g4), 0x1A00);
    EXPECT_EQ(lib.scanSend(g5, gamma5.data(), 3072, 3, 0), 0);
    EXPECT_EQ(lib.scanSend(g4, white4.data(), 6, 0xFA, 0), 0);
    EXPECT_EQ(lib.scanSend(g4, white5.data(), 24, 0xFA, 0), 2) << "24 bytes is the generation-5 block";
    EXPECT_EQ(lib.scanSend(g5, white5.data(), 24, 0xFA, 2), 0);
    EXPECT_EQ(lib.scanSend(g5, white5.data(), 24, 0xFA, 0), 2);
    EXPECT_EQ(lib.scanGetLastAsc(g5), 0x2400);
    EXPECT_EQ(lib.scanSend(g5, white5.data(), 4, 0x42, 0), 2);
    EXPECT_EQ(lib.GammaTables(g4).size(), 2u);
    EXPECT_EQ(lib.GammaTables(g5), std::vector<std::vector<uint8_t>>{gamma5});
    EXPECT_EQ(lib.WhiteLevelBlocks(g4)[0], white4);
    EXPECT_EQ(lib.WhiteLevelBlocks(g5)[0], white5);

    uint8_t list[2] = {};
    EXPECT_EQ(lib.scanScan(g5, list, 1), 2) << "no window yet";
    EXPECT_EQ(lib.scanGetLastAsc(g5), 0x2C00);
    auto block = WindowBlock(5, 77, 10, Area{});
    ASSERT_EQ(lib.scanSetWindow(g5, block.data(), 77), 0);
    EXPECT_EQ(lib.scanScan(g5, list, 1), 2) << "paper not loaded";
    EXPECT_EQ(lib.scanGetLastAsc(g5), 0x3A80);
    LoadAndPosition(lib, g5, 5);
    EXPECT_EQ(lib.scanScan(g5, list, 2), 2) << "generation 5 takes a one-byte list";
    EXPECT_EQ(lib.scanGetLastAsc(g5), 0x1A00);
    EXPECT_EQ(lib.scanScan(g5, list, 1), 14981);

    auto names = lib.CallNames(g5);
    std::vector<std::string> tail(names.end() - 4, names.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"scanRead", "scanScan", "scanGetLastAsc", "scanScan"}));
    EXPECT_EQ(names[0], "scanOpenScanner");
    lib.ClearRecord();
    EXPECT_TRUE(lib.Calls().empty());
}

TEST(Reads, WholeRowsUpToTheLengthThenEndOfMedium) {
    DeviceSetup d = DeviceWith("gen4-gray", Chart(4, 2, 100));
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    std::vector<uint8_t> buffer(1000);
    int32_t got = -1;
    EXPECT_EQ(lib.scanRead(h, buffer.data(), 1000, 0, 0, &got), 2) << "no scan yet";
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x2C00);
    StartScan(lib, h, d.profile, 9, Area{100, 100, 0, 0, 1200 * 3, 1200 * 2});
    EXPECT_EQ(lib.scanRead(h, buffer.data(), 0, 0, 0, &got), 0);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(lib.scanRead(h, buffer.data(), 299, 0, 0, &got), 2) << "less than one row";
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x1A00);
    std::vector<int32_t> sizes;
    auto all = ReadAll(lib, h, 1000, &sizes);
    EXPECT_EQ(all.size(), 300u * 200u);
    for (size_t i = 0; i + 1 < sizes.size(); ++i)
        EXPECT_EQ(sizes[i], 900);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(lib.scanRead(h, buffer.data(), 1000, 0, 0, &got), 2);
        EXPECT_EQ(lib.scanGetLastAsc(h), 0x3B09);
    }
}

TEST(Reads, BitmapReadsHoldWholeCodedRows) {
    DeviceSetup d = DeviceWith("gen5-color-54", Chart(6, 1, 200));
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    StartScan(lib, h, d.profile, 1, Area{200, 200, 0, 0, 1200 * 6, 1200});
    std::vector<int32_t> sizes;
    auto all = ReadAll(lib, h, 700, &sizes);
    size_t offset = 0;
    for (int32_t size : sizes) {
        offset += static_cast<size_t>(size);
        EXPECT_EQ(all[offset - 1], 0) << "a read ends with a row's end";
    }
    auto rows = DecodeRuns(all);
    EXPECT_EQ(rows.size(), 200u);
    for (const auto& row : rows)
        EXPECT_EQ(row.size(), 1200u);
}

TEST(Reads, PictureSizeFollowsTheWindow) {
    DeviceSetup d = DeviceWith("gen5-color-54", Chart());
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    uint8_t size[8];
    int32_t got = 0;
    ASSERT_EQ(lib.scanRead(h, size, 8, 0xFF, 2, &got), 0);
    EXPECT_EQ(std::vector<uint8_t>(size, size + 8), std::vector<uint8_t>(8, 0));
    auto block = WindowBlock(5, 77, 10, Area{300, 300, 0, 0, 1200 * 20, 1200});
    ASSERT_EQ(lib.scanSetWindow(h, block.data(), 77), 0);
    ASSERT_EQ(lib.scanRead(h, size, 8, 0xFF, 2, &got), 0);
    EXPECT_EQ(got, 8);
    // 13.5 inches in A, 6.5 in B at 300 dpi, three bytes a pixel.
    EXPECT_EQ(std::vector<uint8_t>(size, size + 8),
              (std::vector<uint8_t>{0x2F, 0x76, 0x16, 0xDA, 0, 0, 0, 0}));
    EXPECT_EQ(lib.scanRead(h, size, 8, 0xFF, 0, &got), 2);
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x2400);
}

TEST(Status, StatesAndWarningBitsAsConfigured) {
    for (uint8_t state : {2, 3, 5, 9}) {
        DeviceSetup d = DeviceWith("gen5-color-54", Chart());
        d.profile.state = state;
        d.paperStuck = state == 3;
        d.adjustFailed = 0x09;
        d.stitchFailed = 0x04;
        d.secondsSinceAdjust = 7201;
        SimulatedLibrary lib(OneDevice(d));
        uint32_t h = OpenFirst(lib);
        auto block = Status(lib, h);
        EXPECT_EQ(block[0], state);
        EXPECT_EQ(block[1], state == 3 ? 0x14 : '0');
        EXPECT_EQ(block[7], 0x09);
        EXPECT_EQ(block[8], 0x04);
        EXPECT_EQ(std::vector<uint8_t>(block.begin() + 9, block.begin() + 13),
                  (std::vector<uint8_t>{0, 0, 0x1C, 0x21}));
    }
    EXPECT_EQ(BuiltInProfile("boot").state, 2) << "the booting device is initializing";
}

TEST(Status, DiagnosticRecordsCarryTheirTexts) {
    DeviceSetup d = DeviceWith("gen5-color-54", Chart());
    d.profile.state = 5;
    d.diagnostics = {"Lamp A weak", std::string(70, 'x')};
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    uint8_t header[4];
    ASSERT_EQ(lib.scanReceiveDiagnostic(h, header, 4), 0);
    EXPECT_EQ(header[2] << 8 | header[3], 128);
    std::vector<uint8_t> all(4 + 128);
    ASSERT_EQ(lib.scanReceiveDiagnostic(h, all.data(), static_cast<int32_t>(all.size())), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&all[4 + 2]), 11), "Lamp A weak");
    EXPECT_EQ(all[4 + 2 + 11], 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&all[4 + 64 + 2]), 62), std::string(62, 'x'));

    DeviceSetup quiet = DeviceWith("gen5-color-54", Chart());
    SimulatedLibrary none(OneDevice(quiet));
    h = OpenFirst(none);
    ASSERT_EQ(none.scanReceiveDiagnostic(h, header, 4), 0);
    EXPECT_EQ(header[2] << 8 | header[3], 0);
}

TEST(Faults, ChosenCallsAnswerChosenStatuses) {
    DeviceSetup d = DeviceWith("gen5-color-54", Chart());
    d.faults = {{"scanTestUnitReady", 2, 2, 2, 0x9001}, {"scanInquiry", 1, 1, -112, 0}};
    Scenario s = OneDevice(d);
    s.libraryFaults = {{"scanGetNextScanner", 2, 1, -64, 0}};
    SimulatedLibrary lib(s);
    uint32_t h = OpenFirst(lib);
    uint8_t inquiry[36];
    EXPECT_EQ(lib.scanInquiry(h, inquiry, 36), -112);
    EXPECT_EQ(lib.scanInquiry(h, inquiry, 36), 0);
    EXPECT_EQ(lib.scanTestUnitReady(h), 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(lib.scanTestUnitReady(h), 2);
        EXPECT_EQ(lib.scanGetLastAsc(h), 0x9001);
    }
    EXPECT_EQ(lib.scanTestUnitReady(h), 0);
    uint32_t next = 0, reserved = 0;
    EXPECT_EQ(lib.scanGetNextScanner(&next, &reserved, 0), -64);
    EXPECT_EQ(lib.scanGetNextScanner(&next, &reserved, 0), qv::kStatusNoScanner);
}

TEST(Faults, ReadFailsMidSheetAfterDeliveringTheRowsBefore) {
    for (auto [status, asc] : {std::pair{2, 0x9001}, {-114, 0}}) {
        DeviceSetup d = DeviceWith("gen4-gray", Chart(4, 2, 100));
        d.readFailRow = 50;
        d.readFailStatus = status;
        d.readFailAsc = static_cast<uint16_t>(asc);
        SimulatedLibrary lib(OneDevice(d));
        uint32_t h = OpenFirst(lib);
        StartScan(lib, h, d.profile, 9, Area{100, 100, 0, 0, 1200, 1200 * 2});
        std::vector<uint8_t> buffer(3000);
        int32_t got = 0;
        size_t total = 0;
        while (lib.scanRead(h, buffer.data(), 3000, 0, 0, &got) == 0)
            total += static_cast<size_t>(got);
        EXPECT_EQ(total, 50u * 100u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(lib.scanRead(h, buffer.data(), 3000, 0, 0, &got), status);
            EXPECT_EQ(got, 0);
            if (status == 2) {
                EXPECT_EQ(lib.scanGetLastAsc(h), asc);
            }
        }
    }
}

TEST(Faults, StuckDeviceNeverFinishesItsMove) {
    for (Stuck stuck : {Stuck::Load, Stuck::Window}) {
        DeviceSetup d = DeviceWith("gen5-color-54", Chart());
        d.stuck = stuck;
        SimulatedLibrary lib(OneDevice(d));
        uint32_t h = OpenFirst(lib);
        ASSERT_EQ(lib.scanObjectPosition(h, 1, 0), 0);
        if (stuck == Stuck::Window) {
            while (lib.scanTestUnitReady(h) != 0) {
            }
            ASSERT_EQ(lib.scanObjectPosition(h, 2, 0), 0);
        }
        for (int i = 0; i < 500; ++i)
            ASSERT_EQ(Status(lib, h)[1], stuck == Stuck::Load ? 0x20 : 0x21);
        EXPECT_EQ(lib.scanTestUnitReady(h), 2);
        EXPECT_EQ(lib.scanGetLastAsc(h), stuck == Stuck::Load ? 0x3A82 : 0x3A83);
    }
}

TEST(Faults, SlowReadsTakeAtLeastTheirLatency) {
    DeviceSetup d = DeviceWith("gen4-gray", Chart(4, 2, 100));
    d.profile.latencyMs = 40;
    d.profile.throughput = 100000; // 20000 bytes take another 200 ms
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    StartScan(lib, h, d.profile, 9, Area{100, 100, 0, 0, 1200 * 2, 1200});
    std::vector<uint8_t> buffer(20000);
    int32_t got = 0;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(lib.scanRead(h, buffer.data(), 20000, 0, 0, &got), 0);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(got, 20000);
    // 240 ms asked; some platforms' sleeps round down to their clock's tick.
    EXPECT_GE(took, std::chrono::milliseconds(220));
}

TEST(Threads, ReadsOnOneThreadWhileAnotherPolls) {
    DeviceSetup d = DeviceWith("gen5-color-54", Chart(10, 3, 200));
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    StartScan(lib, h, d.profile, 10, Area{200, 200, 0, 0, 1200 * 10, 1200 * 3});
    std::atomic<bool> done{false};
    std::atomic<int> polls{0};
    std::thread poller([&] {
        uint8_t block[21];
        int32_t got = 0;
        while (!done.load()) {
            EXPECT_EQ(lib.scanRead(h, block, 21, 0x80, 0, &got), 0);
            EXPECT_EQ(block[1], '1');
            polls.fetch_add(1);
        }
    });
    std::vector<uint8_t> all;
    std::thread reader([&] { all = ReadAll(lib, h, 65536); });
    reader.join();
    done = true;
    poller.join();
    EXPECT_EQ(all.size(), 2000u * 600u * 3u);
    EXPECT_GT(polls.load(), 0);
}

TEST(Buffer7, ColourMatrixEntriesByOffset) {
    Scenario s;
    s.devices = {DeviceWith("gen5-color-54", Chart()), DeviceWith("gen4-color", Chart())};
    SimulatedLibrary lib(s);
    OpenFirst(lib);
    const uint32_t g5 = lib.HandleOf(0), g4 = lib.HandleOf(1);
    ASSERT_EQ(lib.scanOpenScanner(g4), 0);
    uint8_t entry[18];
    ASSERT_EQ(lib.scanReadBuffer(g5, entry, 1, 7, 18, 18), 0);
    EXPECT_EQ(entry[0] << 8 | entry[1], 560);
    EXPECT_EQ(static_cast<int16_t>(entry[2] << 8 | entry[3]), -30);
    ASSERT_EQ(lib.scanReadBuffer(g5, entry, 1, 7, 0, 18), 0);
    EXPECT_EQ(entry[0] << 8 | entry[1], 512);
    EXPECT_EQ(lib.scanReadBuffer(g5, entry, 1, 7, 40, 18), 2) << "past the third entry";
    EXPECT_EQ(lib.scanReadBuffer(g5, entry, 1, 6, 0, 18), 2);
    EXPECT_EQ(lib.scanReadBuffer(g4, entry, 1, 7, 18, 18), 2) << "generation 4 has no buffer 7";
    EXPECT_EQ(lib.scanGetLastAsc(g4), 0x2400);
}

} // namespace
