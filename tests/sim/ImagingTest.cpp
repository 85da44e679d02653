#include "SimTestUtil.h"

#include "sim/Imaging.h"

#include <gtest/gtest.h>

using namespace qv::sim;
using namespace qv::sim::test;

namespace {

// Pixels that differ from every neighbour, so any sampling slip shows.
SheetPtr NoiseSheet(int w, int h, int dpi) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    uint32_t state = 12345;
    for (auto& v : rgb) {
        state = state * 1103515245u + 12345u;
        v = static_cast<uint8_t>(state >> 16);
    }
    return MakeImageSheet(w, h, dpi, std::move(rgb));
}

struct Scan {
    std::vector<uint8_t> data;
    std::array<uint16_t, 4> cameras{};
};

Scan ScanSheet(const std::string& profile, SheetPtr sheet, int mode, const Area& a, bool centred = false,
               const std::vector<uint8_t>* gamma = nullptr, uint8_t threshold = 128) {
    SimulatedLibrary lib(OneDevice(DeviceWith(profile, sheet, centred)));
    uint32_t h = OpenFirst(lib);
    Profile p = BuiltInProfile(profile);
    if (gamma) {
        EXPECT_EQ(lib.scanSend(h, gamma->data(), static_cast<int32_t>(gamma->size()), 3, 0), 0);
    }
    StartScan(lib, h, p, mode, a, threshold);
    Scan scan;
    uint8_t size[8] = {};
    int32_t got = 0;
    EXPECT_EQ(lib.scanRead(h, size, 8, 0xFF, 2, &got), 0);
    for (int i = 0; i < 4; ++i)
        scan.cameras[i] = static_cast<uint16_t>(size[2 * i] << 8 | size[2 * i + 1]);
    scan.data = ReadAll(lib, h, static_cast<int32_t>(p.bufferSize));
    return scan;
}

TEST(ImageFormation, RgbAndGrayMatchTheSamplingRuleAcrossResolutions) {
    SheetPtr sheet = NoiseSheet(310, 170, 100);
    for (Area a : {Area{100, 100, 0, 0, 3600, 2400}, Area{150, 300, 130, 75, 2400, 1500},
                   Area{400, 75, 1201, 0, 1800, 3000}, Area{50, 50, 0, 0, 9000, 1200}}) {
        SCOPED_TRACE(testing::Message() << a.rx << "x" << a.ry << " at " << a.x << "," << a.y);
        const int64_t cols = int64_t{a.w} * a.rx / 1200, rows = DeliveredRows(*sheet, a);
        auto expected = ExpectedRgb(*sheet, 0, a, cols, rows);

        Scan rgb = ScanSheet("gen5-color-36", sheet, 10, a);
        ASSERT_EQ(rgb.data.size(), expected.size());
        EXPECT_EQ(rgb.data, expected);

        // Generation 4 gray rows carry exactly the pixels.
        Scan gray = ScanSheet("gen4-gray", sheet, 9, a);
        ASSERT_EQ(gray.data.size(), static_cast<size_t>(cols * rows));
        for (size_t i = 0; i < gray.data.size(); ++i)
            ASSERT_EQ(gray.data[i], GrayOf(&expected[3 * i])) << "pixel " << i;
    }
}

TEST(ImageFormation, ChartsScanAsTheirPixelsSay) {
    for (const auto& name : ChartNames()) {
        SCOPED_TRACE(name);
        std::string error;
        SheetPtr chart = MakeChart(name, 3.3, 2.2, 120, error);
        for (Area a : {Area{120, 120, 0, 0, 4800, 3000}, Area{300, 75, 700, 900, 3000, 1800}}) {
            Scan rgb = ScanSheet("gen5-color-36", chart, 10, a);
            EXPECT_EQ(rgb.data,
                      ExpectedRgb(*chart, 0, a, int64_t{a.w} * a.rx / 1200, DeliveredRows(*chart, a)));
        }
    }
}

TEST(ImageFormation, PlainFormulaAgreesWhereNoSampleFallsOnAnEdge) {
    // At 100 dpi and 300/400 dpi scans the pixel centres never meet a source edge.
    SheetPtr sheet = NoiseSheet(200, 100, 100);
    Area a{300, 400, 600, 300, 1800, 900};
    Scan rgb = ScanSheet("gen5-color-36", sheet, 10, a);
    const int cols = 450, rows = 300;
    ASSERT_EQ(rgb.data.size(), static_cast<size_t>(cols * rows * 3));
    std::vector<uint8_t> src(200 * 3);
    for (int r = 0; r < rows; ++r) {
        int sy = static_cast<int>((a.y / 1200.0 + (r + 0.5) / a.ry) * 100);
        sheet->Row(sy, src.data());
        for (int c = 0; c < cols; ++c) {
            int sx = static_cast<int>((a.x / 1200.0 + (c + 0.5) / a.rx) * 100);
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(rgb.data[(r * cols + c) * 3 + k], src[sx * 3 + k]) << r << "," << c;
        }
    }
}

TEST(ImageFormation, CentredSheetHasWhiteMarginsOnBothSides) {
    // A 2-inch sheet centred on the 36-inch scan width begins at 17 inches.
    SheetPtr sheet = NoiseSheet(200, 50, 100);
    Area a{100, 100, 16 * 1200, 0, 4 * 1200, 600};
    Scan rgb = ScanSheet("gen5-color-36", sheet, 10, a, true);
    auto expected = ExpectedRgb(*sheet, 17 * 1200, a, 400, 50);
    EXPECT_EQ(rgb.data, expected);
    EXPECT_EQ(rgb.data[0], 255);
    EXPECT_EQ(rgb.data[(100 * 3)], expected[100 * 3]);
    EXPECT_EQ(rgb.data[(399 * 3)], 255);
}

TEST(ImageFormation, GammaTableIsAppliedPerChannel) {
    SheetPtr sheet = NoiseSheet(100, 40, 100);
    Area a{100, 100, 0, 0, 1200, 1200};
    const uint32_t n = 1024; // gen5-color-54's gamma length
    std::vector<uint8_t> table(3 * n);
    for (uint32_t i = 0; i < n; ++i) {
        table[i] = static_cast<uint8_t>(255 - i / 4);
        table[n + i] = static_cast<uint8_t>(i % 256);
        table[2 * n + i] = static_cast<uint8_t>(i / 8);
    }
    Scan rgb = ScanSheet("gen5-color-54", sheet, 10, a, false, &table);
    auto raw = ExpectedRgb(*sheet, 0, a, 100, 40);
    ASSERT_EQ(rgb.data.size(), raw.size());
    for (size_t i = 0; i < raw.size(); ++i)
        ASSERT_EQ(rgb.data[i], table[(i % 3) * n + raw[i] * n / 256]) << i;
}

TEST(ImageFormation, GrayScannerTakesItsCurveFromTheFirstChannel) {
    SheetPtr sheet = NoiseSheet(100, 20, 100);
    Area a{100, 100, 0, 0, 1200, 1200};
    const uint32_t n = 512; // gen5-gray's gamma length; a gray device gets the curve and 2N zeros
    std::vector<uint8_t> table(3 * n, 0);
    for (uint32_t i = 0; i < n; ++i)
        table[i] = static_cast<uint8_t>(255 - i / 2);
    Scan gray = ScanSheet("gen5-gray", sheet, 9, a, false, &table);
    auto raw = ExpectedRgb(*sheet, 0, a, 100, 20);
    const size_t stride = 100 + 9;
    ASSERT_EQ(gray.data.size(), stride * 20);
    for (size_t r = 0; r < 20; ++r)
        for (size_t c = 0; c < 100; ++c)
            ASSERT_EQ(gray.data[r * stride + c], table[GrayOf(&raw[(r * 100 + c) * 3]) * n / 256])
                << r << "," << c;
}

TEST(ImageFormation, GenerationFiveGrayRowsCarryNineTrailingBytes) {
    SheetPtr sheet = NoiseSheet(120, 30, 100);
    Area a{100, 100, 0, 0, 1200, 360};
    Scan gray = ScanSheet("gen5-gray", sheet, 9, a);
    auto raw = ExpectedRgb(*sheet, 0, a, 100, 30);
    const size_t stride = 100 + 9;
    ASSERT_EQ(gray.data.size(), stride * 30);
    for (size_t r = 0; r < 30; ++r) {
        for (size_t c = 0; c < 100; ++c)
            ASSERT_EQ(gray.data[r * stride + c], GrayOf(&raw[(r * 100 + c) * 3]));
        for (size_t c = 100; c < stride; ++c)
            ASSERT_EQ(gray.data[r * stride + c], 255);
    }
    // Camera A (3 cameras of 14 inches) holds all 100 pixels plus the nine bytes.
    EXPECT_EQ(gray.cameras, (std::array<uint16_t, 4>{109, 0, 0, 0}));
}

TEST(ImageFormation, BitmapModesThresholdAndRunLengthCode) {
    SheetPtr sheet = NoiseSheet(300, 60, 100);
    Area a{200, 100, 0, 0, 3600, 720};
    auto raw = ExpectedRgb(*sheet, 0, a, 600, 60);
    for (int gen : {4, 5}) {
        for (int mode : {1, 3}) {
            SCOPED_TRACE(testing::Message() << "generation " << gen << " mode " << mode);
            Scan bw = ScanSheet(gen == 4 ? "gen4-gray" : "gen5-gray", sheet, mode, a, false, nullptr, 90);
            auto rows = DecodeRuns(bw.data);
            ASSERT_EQ(rows.size(), 60u);
            const int threshold = mode == 1 ? 90 : 128;
            for (size_t r = 0; r < rows.size(); ++r) {
                ASSERT_EQ(rows[r].size(), 600u);
                for (size_t c = 0; c < 600; ++c)
                    ASSERT_EQ(rows[r][c], GrayOf(&raw[(r * 600 + c) * 3]) < threshold) << r << "," << c;
            }
        }
    }
}

TEST(ImageFormation, SheetEndsTheScanUnlessTheWholeWindowIsAsked) {
    SheetPtr sheet = NoiseSheet(100, 100, 100); // 1 inch long
    Area a{100, 100, 0, 600, 1200, 2400};       // from half an inch, two inches asked
    Scan cut = ScanSheet("gen4-gray", sheet, 9, a);
    EXPECT_EQ(cut.data.size(), 50u * 100u);

    DeviceSetup d = DeviceWith("gen4-gray", sheet);
    d.sheets[0].fullWindow = true;
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);
    StartScan(lib, h, d.profile, 9, a);
    auto whole = ReadAll(lib, h, 100000);
    ASSERT_EQ(whole.size(), 200u * 100u);
    EXPECT_TRUE(std::all_of(whole.begin() + 5000, whole.end(), [](uint8_t v) { return v == 255; }));
}

TEST(ImageFormation, ClassThreeColourScannerCapsHorizontalResolution) {
    SheetPtr sheet = NoiseSheet(400, 20, 400);
    Area a{1200, 400, 0, 0, 1200, 60};
    Scan rgb = ScanSheet("class3-780", sheet, 10, a);
    Area capped = a;
    capped.rx = 780;
    EXPECT_EQ(rgb.data, ExpectedRgb(*sheet, 0, capped, 780, 20));
    EXPECT_EQ(rgb.cameras[0], 780 * 3);
}

TEST(CameraSplit, SharesFollowPixelCentresAcrossEqualCameraSpans) {
    Profile p = BuiltInProfile("gen5-color-54"); // 4 cameras of 13.5 inches
    WindowParams w;
    w.rx = w.ry = 100;
    w.xOffset = 12 * 1200;
    w.width = 30 * 1200;
    w.height = 1200;
    w.kind = Kind::Rgb;
    // Pixels 0..149 lie in A (up to 13.5 in), 150..1499 in B and C, the rest in D.
    EXPECT_EQ(CameraWidths(p, w), (std::array<uint16_t, 4>{450, 4050, 4050, 450}));
    w.kind = Kind::BwThreshold;
    EXPECT_EQ(CameraWidths(p, w), (std::array<uint16_t, 4>{150, 1350, 1350, 150}));
    w.kind = Kind::Gray;
    w.xOffset = 20 * 1200; // starts in camera B: the nine bytes go to B
    w.width = 1200;
    EXPECT_EQ(CameraWidths(p, w), (std::array<uint16_t, 4>{0, 109, 0, 0}));
    // A window wider than the scanner gives its overhang to the last camera.
    w.xOffset = 0;
    w.width = 60 * 1200;
    w.kind = Kind::BwMidpoint;
    EXPECT_EQ(CameraWidths(p, w), (std::array<uint16_t, 4>{1350, 1350, 1350, 1950}));
}

TEST(RunLength, LongRunsSplitAndRowsEndWithZero) {
    std::vector<uint8_t> black(300, 0);
    std::fill(black.begin() + 10, black.begin() + 140, 1); // 130 black
    std::vector<uint8_t> out(MaxEncodedRow(black.size()));
    size_t n = EncodeRuns(black.data(), black.size(), out.data());
    out.resize(n);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x8A, 0x7F, 0x03, 0xFF, 0xA1, 0x00}));
    auto rows = DecodeRuns(out);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 300u);
    for (size_t i = 0; i < 300; ++i)
        EXPECT_EQ(rows[0][i], black[i] == 1);

    // Five black and three white pixels: what a module unpacks to 0xF8.
    std::vector<uint8_t> eight = {1, 1, 1, 1, 1, 0, 0, 0};
    n = EncodeRuns(eight.data(), eight.size(), out.data());
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + static_cast<long>(n)),
              (std::vector<uint8_t>{0x05, 0x83, 0x00}));
}

TEST(RunLength, WorstCaseFitsTheBound) {
    std::vector<uint8_t> alternating(257);
    for (size_t i = 0; i < alternating.size(); ++i)
        alternating[i] = i % 2;
    std::vector<uint8_t> out(MaxEncodedRow(alternating.size()));
    EXPECT_EQ(EncodeRuns(alternating.data(), alternating.size(), out.data()), out.size());
}

} // namespace
