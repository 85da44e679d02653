#include "SimTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#ifdef QV_SIM_HAVE_TIFF
#include <tiffio.h>
#endif

using namespace qv::sim;
using namespace qv::sim::test;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<uint8_t> RowOf(const Sheet& sheet, int y) {
    std::vector<uint8_t> row(static_cast<size_t>(sheet.Width()) * 3);
    sheet.Row(y, row.data());
    return row;
}

TEST(Scenario, SectionsBuildDevicesSheetsAndFaults) {
    WriteFile("custom.profile", "base = gen4-color\nproduct = FILE PROFILE\n");
    WriteFile("tiny.pgm", std::string("P5 2 1 255\n") + char(10) + char(200));
    const char* text = R"(
[library]
open-status = 0
fault = scanOpenLib 3 -118

[device]
profile = gen5-gray
copies = 2
firmware = 21            ; any profile key overrides
open-status = -150
state = 9
diagnostic = first message
diagnostic = second message
paper-stuck = 1
adjust-failed = 0x05
stitch-failed = 2
seconds-since-adjust = 9000
load-polls = 4
move-polls = 0
stuck = window
scan-status = 14981
fault = scanSetWindow 2 2 0x1A00 3
read-fail = 120 2 0x9001

[sheet]
chart = color-bars
width = 10
height = 5.5
dpi = 150
load = center
scans = 2
full-window = 1

[sheet]
file = tiny.pgm
dpi = 50

[device]
profile-file = custom.profile
)";
    Scenario s;
    std::string error;
    ASSERT_TRUE(ParseScenario(text, s, error, ".")) << error;
    ASSERT_EQ(s.devices.size(), 3u);
    ASSERT_EQ(s.libraryFaults.size(), 1u);
    EXPECT_EQ(s.libraryFaults[0].call, 3);
    EXPECT_EQ(s.libraryFaults[0].status, -118);
    const DeviceSetup& d = s.devices[1];
    EXPECT_EQ(d.profile.name, "gen5-gray");
    EXPECT_EQ(d.profile.firmwareRevision, 21);
    EXPECT_EQ(d.openStatus, -150);
    EXPECT_EQ(d.profile.state, 9);
    EXPECT_EQ(d.diagnostics, (std::vector<std::string>{"first message", "second message"}));
    EXPECT_TRUE(d.paperStuck);
    EXPECT_EQ(d.adjustFailed, 5);
    EXPECT_EQ(d.stitchFailed, 2);
    EXPECT_EQ(d.secondsSinceAdjust, 9000u);
    EXPECT_EQ(d.loadPolls, 4);
    EXPECT_EQ(d.movePolls, 0);
    EXPECT_EQ(d.stuck, Stuck::Window);
    EXPECT_EQ(d.scanStatus, 14981);
    ASSERT_EQ(d.faults.size(), 1u);
    EXPECT_EQ(d.faults[0].function, "scanSetWindow");
    EXPECT_EQ(d.faults[0].asc, 0x1A00);
    EXPECT_EQ(d.faults[0].count, 3);
    EXPECT_EQ(d.readFailRow, 120);
    ASSERT_EQ(d.sheets.size(), 2u);
    EXPECT_EQ(d.sheets[0].sheet->Width(), 1500);
    EXPECT_EQ(d.sheets[0].sheet->Height(), 825);
    EXPECT_TRUE(d.sheets[0].centred);
    EXPECT_EQ(d.sheets[0].scans, 2);
    EXPECT_TRUE(d.sheets[0].fullWindow);
    EXPECT_EQ(d.sheets[1].sheet->Dpi(), 50);
    EXPECT_EQ(RowOf(*d.sheets[1].sheet, 0), (std::vector<uint8_t>{10, 10, 10, 200, 200, 200}));
    EXPECT_EQ(s.devices[2].profile.product, "FILE PROFILE    ");
    EXPECT_EQ(s.devices[2].profile.generation, 4);
}

TEST(Scenario, ErrorsNameTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"[device]\nprofile = gen9\n", "line 2"},
        {"[sheet]\nchart = grid\n", "line 1"},
        {"[device]\n[sheet]\nchart = grid\nfile = x.ppm\n", "exactly one"},
        {"[device]\n[sheet]\nchart = circles\n", "unknown chart"},
        {"[device]\nfault = scanFly 1 2\n", "line 2"},
        {"[device]\nfault = scanRead 0 2\n", "line 2"},
        {"[device]\nstuck = forever\n", "line 2"},
        {"[device]\ncopies = 32\n", "line 2"},
        {"[device]\ncopies = 20\n[device]\ncopies = 12\n", "more than 31"},
        {"[devices]\n", "line 1"},
        {"key = value\n", "line 1"},
        {"[device]\n[sheet]\nfile = missing.ppm\n", "cannot open"},
    };
    for (auto [text, expected] : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(ParseScenario(text, s, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
    }
    Scenario empty;
    std::string error;
    ASSERT_TRUE(ParseScenario("# nothing attached\n[library]\n", empty, error));
    EXPECT_TRUE(empty.devices.empty());
    EXPECT_FALSE(LoadScenarioFile("no-such-file.ini", empty, error));
}

TEST(Scenario, DefaultIsOneWideColourDeviceWithTheRamp) {
    Scenario s = DefaultScenario();
    ASSERT_EQ(s.devices.size(), 1u);
    EXPECT_EQ(s.devices[0].profile.name, "gen5-color-54");
    ASSERT_EQ(s.devices[0].sheets.size(), 1u);
    const Sheet& ramp = *s.devices[0].sheets[0].sheet;
    EXPECT_EQ(ramp.Width(), 36 * 200);
    EXPECT_EQ(ramp.Height(), 24 * 200);
}

TEST(Sheets, ChartsFollowTheirDefinitions) {
    std::string error;
    SheetPtr ramp = MakeChart("gray-ramp", 1, 1, 64, error); // 64 x 64, bands of 4 rows
    auto top = RowOf(*ramp, 0), band = RowOf(*ramp, 4);
    EXPECT_EQ(top[3 * 1], 4);
    EXPECT_EQ(top[3 * 63], 252);
    EXPECT_EQ(band[3 * 1], 251);

    SheetPtr bars = MakeChart("color-bars", 8, 4, 1, error); // one pixel a bar
    EXPECT_EQ(RowOf(*bars, 0), (std::vector<uint8_t>{255, 255, 255, 255, 255, 0, 0, 255, 255, 0, 255, 0,
                                                     255, 0,   255, 255, 0,   0, 0, 0,   255, 0, 0,   0}));
    auto reversed = RowOf(*bars, 3);
    EXPECT_EQ(std::vector<uint8_t>(reversed.begin(), reversed.begin() + 3), (std::vector<uint8_t>{0, 0, 0}));

    SheetPtr pairs = MakeChart("line-pairs", 160, 2, 1, error); // groups of 20 columns, periods 2, 4, ...
    auto lines = RowOf(*pairs, 0);
    EXPECT_EQ(lines[0], 0);
    EXPECT_EQ(lines[3], 255);
    EXPECT_EQ(lines[3 * 150], 0); // period 16: x 150 is 6 into it, in the black half
    EXPECT_EQ(lines[3 * 158], 255);
    auto across = RowOf(*pairs, 1); // lower half: lines run across
    EXPECT_EQ(across[0], 255);      // y 1, period 2

    SheetPtr grid = MakeChart("grid", 2, 2, 100, error); // lines every 50 pixels, one wide
    auto first = RowOf(*grid, 0), inner = RowOf(*grid, 10);
    EXPECT_EQ(first[3 * 20], 0);
    EXPECT_EQ(inner[3 * 50], 0);
    EXPECT_EQ(inner[3 * 10], 255);
    EXPECT_EQ(std::vector<uint8_t>(inner.begin() + 3 * 60, inner.begin() + 3 * 61),
              (std::vector<uint8_t>{255, 224, 192}));

    EXPECT_EQ(MakeChart("grid", 0, 1, 100, error), nullptr);
    EXPECT_EQ(MakeChart("grid", 1, 1, 0, error), nullptr);
}

TEST(Sheets, PnmDecodesBitmapGrayColourAndWideSamples) {
    std::string error;
    // P4: 10 pixels, 1 = black, padded to two bytes.
    std::string p4 = "P4\n# comment\n10 1\n";
    p4 += char(0xA0);
    p4 += char(0x40);
    SheetPtr bits = DecodePnm(p4, 0, error);
    ASSERT_TRUE(bits) << error;
    EXPECT_EQ(bits->Dpi(), 200);
    auto row = RowOf(*bits, 0);
    std::vector<uint8_t> gray;
    for (size_t i = 0; i < row.size(); i += 3)
        gray.push_back(row[i]);
    EXPECT_EQ(gray, (std::vector<uint8_t>{0, 255, 0, 255, 255, 255, 255, 255, 255, 0}));

    std::string p6 = "P6 1 2 15\n";
    p6 += std::string{char(15), char(0), char(5), char(1), char(2), char(3)};
    SheetPtr colour = DecodePnm(p6, 300, error);
    ASSERT_TRUE(colour) << error;
    EXPECT_EQ(RowOf(*colour, 0), (std::vector<uint8_t>{255, 0, 85}));
    EXPECT_EQ(RowOf(*colour, 1), (std::vector<uint8_t>{17, 34, 51}));

    std::string p5 = "P5 1 1 65535\n";
    p5 += std::string{char(0x80), char(0x00)};
    SheetPtr wide = DecodePnm(p5, 0, error);
    ASSERT_TRUE(wide) << error;
    EXPECT_EQ(RowOf(*wide, 0)[0], 128);

    for (const char* bad : {"P3 1 1 255\n", "P5 2 2 255\n\x01", "P6 0 1 255\n", "P5 1 1 70000\n\x01\x01"})
        EXPECT_EQ(DecodePnm(bad, 0, error), nullptr) << bad;
}

#ifdef QV_SIM_HAVE_TIFF
TEST(Sheets, TiffCarriesItsOwnResolution) {
    TIFF* tif = TIFFOpen("sheet.tif", "w");
    ASSERT_TRUE(tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 3);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 150.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 150.0f);
    uint8_t rows[2][9] = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 20, 30, 40, 50, 60, 70, 80, 90}};
    for (uint32_t y = 0; y < 2; ++y)
        ASSERT_EQ(TIFFWriteScanline(tif, rows[y], y, 0), 1);
    TIFFClose(tif);

    std::string error;
    SheetPtr sheet = LoadImageFile("sheet.tif", 0, error);
    ASSERT_TRUE(sheet) << error;
    EXPECT_EQ(sheet->Dpi(), 150);
    EXPECT_EQ(RowOf(*sheet, 1), std::vector<uint8_t>(rows[1], rows[1] + 9));
    EXPECT_EQ(LoadImageFile("sheet.tif", 300, error)->Dpi(), 300);
    EXPECT_EQ(LoadImageFile("absent.tif", 0, error), nullptr);
}
#endif

} // namespace
