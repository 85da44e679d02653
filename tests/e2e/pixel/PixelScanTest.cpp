// Whole scans through the test host, the real module and its settings dialog played by a user,
// and the simulated scanner; every document is held pixel by pixel against the reference,
// computed from the window and tone table the module sent and the blocks it was given.
#include "tests/e2e/pixel/Reference.h"

#include "dialog/ControlTable.h"
#include "host/Host.h"
#include "host/ScanCommand.h"
#include "host/UserScript.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/ScannerLibrary.h"
#include "platform/SettingsLocation.h"
#include "scanner/ReadRing.h"
#include "sim/SimulatedLibrary.h"
#include "tests/scanner/FakeClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <unistd.h>

namespace {

using namespace qv::e2e;
namespace fs = std::filesystem;

struct Scanner {
    std::string profile;
    Device device;
    int32_t bufferSize = 0; // 0: the profile's
};

// As the simulated scanner's profile table gives them.
Scanner BuiltIn(const std::string& name) {
    static const std::map<std::string, Device> profiles{
        {"gen4-gray", {4, false, 0, 36 * 1200, 2}}, {"gen4-color", {4, true, 1, 36 * 1200, 3}},
        {"gen5-gray", {5, false, 1, 42 * 1200, 3}}, {"gen5-color-36", {5, true, 1, 36 * 1200, 2}},
        {"class3-780", {5, true, 3, 42 * 1200, 3}}, {"gen5-color-54", {5, true, 1, 54 * 1200, 4}}};
    const auto found = profiles.find(name);
    if (found != profiles.end())
        return {name, found->second};
    ADD_FAILURE() << "a profile the suite does not know: " << name;
    return {"gen5-color-54", profiles.at("gen5-color-54")};
}

// Four cameras of about 1.2 inches: the narrowest window of a generation-5 scanner crosses
// every seam, and at 100 dpi the centres of pixels 119 and 358 lie on the first and last.
// Small blocks, so a sheet takes many.
Scanner FourCameras(const std::string& name = "gen5-color-54") {
    Scanner s = BuiltIn(name);
    s.device.cameras = 4;
    s.device.maxScanWidth = 5736;
    s.bufferSize = 32768;
    return s;
}

Scanner Cameras(Scanner s, int32_t cameras) {
    s.device.cameras = cameras;
    return s;
}

Scanner Buffer(Scanner s, int32_t bytes) {
    s.bufferSize = bytes;
    return s;
}

// In the order the table of exact scans gives them.
struct Case {
    Scanner scanner = FourCameras();
    std::vector<Sheet> sheets{{"gray-ramp", 2, 1.5, 100}};
    std::string mode = "Gray Tone";
    int32_t dpi = 100;
    double area[4] = {0, 0, 1, 1}; // inches: x, y, width, height
    std::string threshold{};
    std::string gamma{};
    bool stitch = false;
    qv::host::HostOptions host{};
    std::string deviceLines{}; // faults

    int32_t Cols() const { return int32_t(std::lround(area[2] * dpi)); }
    int32_t Rows() const { return int32_t(std::lround(area[3] * dpi)); }
};

// What one scan command was given, from the device's record.
struct ScanRecord {
    std::vector<uint8_t> window;
    std::vector<uint8_t> gamma;
    std::vector<int64_t> received; // every image read
};

struct Outcome {
    std::vector<qv::host::ImageRecord> images;
    std::vector<qv::host::CallRecord> calls;
    int32_t advanceCalls = 0;
    std::vector<std::string> violations;
    std::vector<qv::MessageBoxRecord> boxes;
    std::vector<ScanRecord> scans;
};

std::vector<ScanRecord> ScansOf(const std::vector<qv::sim::RecordedCall>& calls) {
    std::vector<ScanRecord> scans;
    std::vector<uint8_t> window, gamma;
    for (const auto& call : calls) {
        if (call.status != 0 && call.function != "scanRead")
            continue;
        if (call.function == "scanSetWindow")
            window = call.data;
        else if (call.function == "scanSend" && call.args.size() > 1 && call.args[1] == 3)
            gamma = call.data;
        else if (call.function == "scanScan")
            scans.push_back({window, gamma, {}});
        else if (call.function == "scanRead" && call.args.size() == 4 && call.args[1] == 0 &&
                 call.args[2] == 0 && !scans.empty())
            scans.back().received.push_back(call.args[3]);
    }
    return scans;
}

std::string Decimal(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

std::vector<std::string> Captions(const Outcome& o) {
    std::vector<std::string> captions;
    for (const auto& box : o.boxes)
        captions.push_back(box.caption);
    return captions;
}

class PixelScan : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        std::replace(name.begin(), name.end(), '/', '.');
        folder_ = fs::temp_directory_path() / ("qv-pixel-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        qv::SetScannerClock(&clock_);
    }
    void TearDown() override {
        qv::SetUserEventSource(nullptr);
        qv::SetMessageBoxSink(nullptr);
        qv::SetScannerLibrary(nullptr);
        qv::SetScannerClock(nullptr);
        qv::SetSettingsFolder("");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    Outcome Run(const Case& c) {
        // Every run meets the module as a host that has just loaded it: the ring is made for
        // this run's scanner.
        ReleaseReadRing();
        Outcome out;
        const Device& d = c.scanner.device;
        std::string text = "[device]\nprofile = " + c.scanner.profile +
                           "\ncameras = " + std::to_string(d.cameras) +
                           "\nmax-scan-width = " + std::to_string(d.maxScanWidth) + "\n" + c.deviceLines;
        if (c.scanner.bufferSize)
            text += "buffer-size = " + std::to_string(c.scanner.bufferSize) + "\n";
        for (const Sheet& s : c.sheets)
            text += "[sheet]\nchart = " + s.chart + "\nwidth = " + Decimal(s.width) +
                    "\nheight = " + Decimal(s.height) + "\ndpi = " + std::to_string(s.dpi) + "\nscans = 1\n";
        qv::sim::Scenario scenario;
        std::string error;
        EXPECT_TRUE(qv::sim::ParseScenario(text, scenario, error)) << error;
        qv::sim::SimulatedLibrary library(scenario);
        qv::SetScannerLibrary(&library);

        // Settings and documents of their own: the dialog saves its settings at Done.
        const fs::path folder = folder_ / ("run-" + std::to_string(++runs_));
        fs::create_directories(folder);
        if (c.stitch)
            std::ofstream(folder / qv::kSettingsFileName) << "Stitch=ON\n";
        qv::SetSettingsFolder(folder.string());

        qv::host::ScanSettings settings;
        settings.mode = c.mode;
        settings.resolution = std::to_string(c.dpi);
        settings.area = Decimal(c.area[0]) + "," + Decimal(c.area[1]) + "," + Decimal(c.area[2]) + "," +
                        Decimal(c.area[3]);
        settings.threshold = c.threshold;
        settings.gamma = c.gamma;
        settings.sheets = std::to_string(c.sheets.size());
        std::vector<qv::host::UserEvent> events;
        EXPECT_TRUE(qv::host::CompileScan(settings, {}, events, error)) << error;
        qv::host::ScriptPlayer player(std::move(events), qv::SettingsDialogLayout(),
                                      [](const std::string&) {});
        qv::SetUserEventSource(&player);
        qv::SetMessageBoxSink([&](const qv::MessageBoxRecord& box) {
            out.boxes.push_back(box);
            player.BoxShown(box.caption, box.text);
            return qv::kMessageBoxOk;
        });

        qv::host::HostOptions options = c.host;
        options.outDir = folder.string();
        {
            qv::host::Host host(&ENTRYPOINT, options);
            host.RunSeries();
            host.End();
            out.images = host.images();
            out.calls = host.calls();
            out.advanceCalls = host.advanceCalls();
            out.violations = host.violations();
        }
        qv::SetUserEventSource(nullptr);
        qv::SetMessageBoxSink(nullptr);
        qv::SetScannerLibrary(nullptr);
        EXPECT_FALSE(player.Failed());
        out.scans = ScansOf(library.Calls());
        return out;
    }

    // The document image `index` must be, made from `sheet`; the device's rows that the reads
    // took must be the first `deliveredRows` (-1: all before the sheet's end).
    Image Expected(const Case& c, const Outcome& o, size_t index, const Sheet& sheet,
                   int64_t deliveredRows = -1) {
        const ScanRecord& scan = o.scans.at(index);
        const Device& device = c.scanner.device;
        Window window;
        EXPECT_TRUE(ReadWindow(scan.window, device, window));
        EXPECT_EQ(window.x, std::lround(c.area[0] * 1200));
        EXPECT_EQ(window.y, std::lround(c.area[1] * 1200));
        const DeviceRows rows = FormRows(device, sheet, window, scan.gamma);
        const int64_t bytes = std::accumulate(scan.received.begin(), scan.received.end(), int64_t{0});
        EXPECT_EQ(RowsIn(rows, bytes), deliveredRows < 0 ? rows.rows : deliveredRows)
            << "the reads took " << bytes << " bytes";

        Transfer t;
        t.rows = c.Rows();
        t.cols = int32_t(std::min<int64_t>(c.Cols(), rows.pixels));
        t.dpi = c.dpi;
        t.stitch = c.stitch;
        // A strip row holds every plane's row.
        const int32_t rowBytes = rows.mode == Mode::Bitmap ? (t.cols + 7) / 8
                                 : rows.mode == Mode::Rgb  ? 3 * t.cols
                                                           : t.cols;
        t.stripRows = StripRows(c.host.freeSpace, rowBytes, t.rows);
        t.received = scan.received;
        std::string error;
        Image doc = Document(device, window, rows, t, error);
        EXPECT_EQ(error, "");
        return doc;
    }

    static Image Read(const std::string& file) {
        std::string error;
        auto pnm = qv::host::ReadPnm(file, error);
        EXPECT_TRUE(pnm) << error;
        if (!pnm)
            return {};
        return {pnm->kind, pnm->width, pnm->height, std::move(pnm->pixels)};
    }
    static Image Written(const Outcome& o, size_t index) { return Read(o.images.at(index).file); }

    // Every sheet of the case became one exact document.
    void ExpectSeriesExact(const Case& c, const Outcome& o) {
        EXPECT_EQ(o.violations, std::vector<std::string>{});
        EXPECT_EQ(Captions(o), std::vector<std::string>{});
        ASSERT_EQ(o.images.size(), c.sheets.size());
        ASSERT_EQ(o.scans.size(), c.sheets.size());
        for (size_t i = 0; i < c.sheets.size(); ++i) {
            SCOPED_TRACE("image " + std::to_string(i + 1) + " of " + c.sheets[i].chart);
            EXPECT_FALSE(o.images[i].failed);
            EXPECT_EQ(FirstDifference(Expected(c, o, i, c.sheets[i]), Written(o, i)), "");
        }
    }

    fs::path folder_;
    int runs_ = 0;
    qv::test::FakeClock clock_;
};

// "chart:NAME:WxH@DPI", as the host's --sheet takes it.
Sheet SheetOf(const std::string& layout) {
    const auto at = qv::host::SplitAt(layout, '@');
    const auto parts = qv::host::SplitAt(at.at(0), ':');
    const auto size = qv::host::SplitAt(parts.at(2), 'x');
    return {parts.at(1), std::stod(size.at(0)), std::stod(size.at(1)), std::stoi(at.at(1))};
}

// A line of the kept scans: NAME|QVL.ini text|scan arguments.
Case CaseOf(const std::vector<std::string>& fields) {
    Case c;
    c.stitch = fields.at(1) == "Stitch=ON";
    for (size_t i = 2; i + 1 < fields.size(); i += 2) {
        const std::string &key = fields[i], &value = fields[i + 1];
        if (key == "--profile") {
            c.scanner = BuiltIn(value);
        } else if (key == "--sheet") {
            c.sheets = {SheetOf(value)};
        } else if (key == "--mode") {
            c.mode = value;
        } else if (key == "--resolution") {
            c.dpi = std::stoi(value);
        } else if (key == "--area") {
            const auto parts = qv::host::SplitAt(value, ',');
            for (size_t k = 0; k < 4; ++k)
                c.area[k] = std::stod(parts.at(k));
        } else if (key == "--gamma") {
            c.gamma = value;
        } else if (key == "--threshold") {
            c.threshold = value;
        } else {
            ADD_FAILURE() << "an option the suite does not know: " << key;
        }
    }
    return c;
}

// Scans whose every document must be the reference's, and nothing else happens.
struct ExactScan {
    const char* name;
    Case c;
    int32_t rowsDelivered = -1; // of the first image, where chunk ends could lose rows
    int32_t freeSpace = 0;      // the host's, when not 0
};

void PrintTo(const ExactScan& scan, std::ostream* out) {
    *out << scan.name;
}

std::vector<ExactScan> ExactScans() {
    const std::vector<Sheet> gray{{"gray-ramp", 2, 1.5, 100}}, bars{{"color-bars", 2, 1.5, 100}},
        pairs{{"line-pairs", 2, 1.5, 100}}, grid{{"grid", 2, 1.5, 100}}, tall{{"line-pairs", 2, 3.5, 100}},
        wideGray{{"gray-ramp", 2.5, 1.5, 120}};
    const Scanner four = FourCameras(), one = Cameras(four, 1), gen54 = BuiltIn("gen5-color-54");
    // Blocks of 301 gray rows: chunks of 200 and 101 source rows.
    const Scanner class3 = Buffer(BuiltIn("class3-780"), 301 * 3331);
    const std::vector<Sheet> class3Bars{{"color-bars", 1, 0.6, 200}},
        class3Gray{{"gray-ramp", 1.5, 0.55, 200}};
    Scanner gen4Cameras = Cameras(BuiltIn("gen4-color"), 4);
    gen4Cameras.device.maxScanWidth = 5736;
    const char *grayTone = "Gray Tone", *bw = "B/W Threshold";
    return {
        {"GrayAcrossFourCameras", {four, wideGray, grayTone, 100, {0.37, 0.21, 1.5, 1}, "", "1.8"}},
        {"GrayOnOneCamera", {one, wideGray, grayTone, 150, {0.37, 0.21, 1.5, 1}, "", "1.8"}},
        // A gray scanner takes its curve in the first of three channels.
        {"GrayScanner", {FourCameras("gen5-gray"), wideGray, grayTone, 150, {0.37, 0.21, 1.5, 1}, "", "1.8"}},
        {"RgbAcrossFourCameras", {four, bars, "RGB", 150, {0, 0, 1.5, 1}}},
        {"RgbOnOneCamera", {one, {{"grid", 2, 1.5, 200}}, "RGB", 150, {0, 0, 1.5, 1}}},
        // Blocks of a few run-length rows each; 426 pixels a row, documents of 150 and 200
        // columns, then 408 pixels, 400 columns: whole bytes.
        {"BitmapOf150Columns", {Buffer(four, 600), gray, bw, 100, {0, 0, 1.5, 1}, "100"}},
        {"BitmapOf200Columns", {Buffer(four, 600), pairs, bw, 100, {0, 0, 2, 1}, "100"}},
        {"BitmapOfWholeBytes", {Buffer(four, 600), pairs, bw, 200, {0, 0, 2, 1}, "100"}},
        // No threshold: black below 128.
        {"BitmapAdaptive", {Buffer(four, 600), gray, "B/W Adaptive", 200, {0, 0, 2, 1}}},
        // One block of 900 rows, decoded 300 at a time; and of 400 rows at 1200 on 600 dpi, 150
        // at a time.
        {"BitmapBlockOf900Rows", {Buffer(four, 1 << 20), tall, bw, 300, {0, 0, 2, 3}}},
        {"BitmapBlockOf400RowsStretched", {gen54, tall, bw, 1200, {0, 0, 0.65, 0.65}}},
        // 114 pixels a row: neither a multiple of 8 nor of the documents' 110 columns.
        {"Generation4Gray", {Buffer(BuiltIn("gen4-gray"), 16384), gray, grayTone, 100, {0, 0, 1.1, 1}}},
        {"Generation4Bitmap", {Buffer(BuiltIn("gen4-gray"), 600), pairs, bw, 100, {0, 0, 1.1, 1}}},
        {"Generation4Rgb", {Buffer(BuiltIn("gen4-color"), 16384), bars, "RGB", 100, {0, 0, 1.1, 1}}},
        {"RgbSeries", {four, {gray[0], bars[0], grid[0]}, "RGB"}},
        {"GraySeries", {four, {gray[0], bars[0], grid[0]}, grayTone}},
        {"BitmapSeries", {Buffer(four, 256), {pairs[0], grid[0], gray[0]}, bw}},
        // 1200 dpi on a scanner whose rows go to 600: every row twice, in chunks of at most 150
        // source rows; then blocks that hold fewer rows than a chunk, and a sheet that ends
        // after 150 source rows.
        {"VerticalStretch", {gen54, {{"grid", 1, 1, 200}}, grayTone, 1200, {0, 0, 0.5, 0.5}}},
        {"VerticalStretchInSmallBlocks",
         {Buffer(gen54, 65536), {{"gray-ramp", 1, 0.25, 200}}, grayTone, 1200, {0, 0, 0.5, 0.5}},
         300},
        // 1200 dpi scanned at 780 across and 800 down: each row widened from 780-dpi samples,
        // three rows made of every two; at 800 dpi one mean sample after every 39.
        {"ChromaStretchRgb", {class3, class3Bars, "RGB", 1200, {0, 0, 0.5, 0.5}}},
        {"ChromaStretchGray", {class3, class3Bars, grayTone, 1200, {0, 0, 0.5, 0.5}}},
        {"ChromaStretchBitmap", {class3, class3Bars, bw, 1200, {0, 0, 0.5, 0.5}}},
        {"ChromaStretchAt800Rgb", {class3, class3Gray, "RGB", 800, {0, 0, 1, 0.5}}},
        {"ChromaStretchAt800Gray", {class3, class3Gray, grayTone, 800, {0, 0, 1, 0.5}}},
        // Strips of 20 rows at 1.5: chunks of 13 source rows, which give 19 and 20 rows in
        // turn; no half row may be lost where a chunk ends.
        {"StretchedIntoStripsOfFewRows",
         {BuiltIn("class3-780"), {{"gray-ramp", 1, 0.6, 200}}, grayTone, 1200, {0, 0, 0.5, 0.5}},
         600,
         600 * (300 + 20)},
        // Generation 4 has no stitch marks.
        {"Generation4WithoutStitchMarks",
         {gen4Cameras, {{"gray-ramp", 4.5, 1, 100}}, "RGB", 100, {0, 0, 4, 0.6}, "", "", true}},
        // Chunks of 25 rows: the marks of the rows at a chunk's end stop short on the right.
        {"StitchMarksOverStripsOfFewRows",
         {four, {{"grid", 4.5, 1, 100}}, "RGB", 100, {0, 0, 4, 0.6}, "", "", true},
         -1,
         3 * 400 * 325},
    };
}

class Exact : public PixelScan, public ::testing::WithParamInterface<ExactScan> {};

TEST_P(Exact, EveryDocumentIsTheReference) {
    Case c = GetParam().c;
    if (GetParam().freeSpace)
        c.host.freeSpace = GetParam().freeSpace;
    const Outcome o = Run(c);
    ExpectSeriesExact(c, o);
    if (GetParam().rowsDelivered >= 0 && !o.images.empty()) {
        EXPECT_EQ(o.images[0].rowsDelivered, GetParam().rowsDelivered);
    }
}

INSTANTIATE_TEST_SUITE_P(PixelScan, Exact, ::testing::ValuesIn(ExactScans()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PixelScan, StitchMarksAtEverySeamOfTheFirstRows) {
    Case c;
    c.stitch = true;
    c.area[2] = 4;
    c.area[3] = 0.6;
    c.sheets = {{"gray-ramp", 4.5, 1, 100}};
    for (const char* mode : {"RGB", "Gray Tone", "B/W Threshold"}) {
        SCOPED_TRACE(mode);
        c.mode = mode;
        const Outcome o = Run(c);
        ExpectSeriesExact(c, o);
        Case plain = c;
        plain.stitch = false;
        EXPECT_NE(FirstDifference(Expected(plain, o, 0, c.sheets[0]), Written(o, 0)), "") << "no marks";
    }
}

TEST_F(PixelScan, HostWithLittleFreeBufferSpace) {
    Case c;
    c.area[3] = 1.4;
    c.sheets = {{"grid", 2, 1.5, 100}};
    for (int32_t strip : {37, 1}) {
        SCOPED_TRACE(strip);
        c.host.freeSpace = 100 * (300 + strip);
        const Outcome o = Run(c);
        ExpectSeriesExact(c, o);
        EXPECT_GE(o.advanceCalls, (140 + strip - 1) / strip);
    }
    // Not even one row.
    c.host.freeSpace = 99;
    const Outcome o = Run(c);
    ASSERT_EQ(o.images.size(), 1u);
    EXPECT_TRUE(o.images[0].failed);
    EXPECT_EQ(Captions(o), std::vector<std::string>{"AllocateStripBuffer"});
}

// Near the right end of the scan width the narrowest window of generation 5 does not fit: it
// starts iNarrowPixels further left (1808 pixels on a 36-inch scanner), and those pixels must
// be dropped from every row, or the document starts 18.08 inches left of the area.
TEST_F(PixelScan, ANarrowScanShowsTheChosenArea) {
    Case c;
    c.scanner = BuiltIn("gen5-color-54");
    c.area[0] = 33;
    c.sheets = {{"gray-ramp", 36, 1.5, 100}};
    const Outcome wide = Run(c);
    ExpectSeriesExact(c, wide);

    c.scanner = BuiltIn("gen5-color-36");
    const Outcome narrow = Run(c);
    ASSERT_EQ(narrow.images.size(), 1u);
    EXPECT_EQ(FirstDifference(Written(wide, 0), Written(narrow, 0)), "");
}

TEST_F(PixelScan, AReadThatFailsMidSheet) {
    Case c;
    c.scanner.bufferSize = 8192;
    c.area[3] = 1.4;
    c.sheets = {{"gray-ramp", 2, 1.5, 100}};
    // Reads of 18 rows; the one that would cross row 100 stops before it, the next fails.
    c.deviceLines = "read-fail = 100 2 0x9001\n";
    const Outcome o = Run(c);
    ASSERT_EQ(o.images.size(), 1u);
    EXPECT_FALSE(o.images[0].failed);
    EXPECT_EQ(o.images[0].rowsDelivered, 100);
    const Image expected = Expected(c, o, 0, c.sheets[0], 100);
    EXPECT_EQ(FirstDifference(expected, Written(o, 0)), "");
    EXPECT_EQ(expected.Sample(0, 100, 0), 255) << "undelivered rows are white";
    ASSERT_EQ(Captions(o), std::vector<std::string>{"Scan 2"});
    EXPECT_EQ(o.boxes[0].text, "Unknown internal scanner Error");
}

TEST_F(PixelScan, AnAbortEndsTheImageQuietly) {
    Case c;
    c.mode = "RGB";
    c.host.abortAfter = 40;
    const Outcome o = Run(c);
    ASSERT_EQ(o.images.size(), 1u);
    EXPECT_TRUE(o.images[0].failed);
    EXPECT_EQ(o.images[0].file, "");
    EXPECT_EQ(Captions(o), std::vector<std::string>{});
    bool cancelled = false;
    for (const auto& call : o.calls)
        cancelled |= call.selector == 2 && call.result == -128;
    EXPECT_TRUE(cancelled);
}

TEST_F(PixelScan, AHostThatCannotStoreFailsOnlyThatImage) {
    Case c;
    c.mode = "RGB";
    c.sheets = {{"color-bars", 2, 1.5, 100}, {"gray-ramp", 2, 1.5, 100}};
    c.host.failAdvanceAt = 1;
    const Outcome o = Run(c);
    ASSERT_EQ(o.images.size(), 2u);
    EXPECT_TRUE(o.images[0].failed);
    ASSERT_EQ(Captions(o), std::vector<std::string>{"StoreData"});
    EXPECT_EQ(o.boxes[0].text, "Error Storing data in Photoshop\n-36");
    EXPECT_EQ(FirstDifference(Expected(c, o, 1, c.sheets[1]), Written(o, 1)), "");
}

// The documents kept for the hosts of both builds to match are the reference's.
TEST_F(PixelScan, KeptDocumentsAreTheReference) {
    const std::string folder = QV_PIXEL_EXPECT_DIR;
    std::ifstream list(folder + "/scans.txt");
    ASSERT_TRUE(list);
    int kept = 0;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto fields = qv::host::SplitAt(line, '|');
        SCOPED_TRACE(fields.at(0));
        const Case c = CaseOf(fields);
        const Outcome o = Run(c);
        ExpectSeriesExact(c, o);
        ASSERT_EQ(o.images.size(), 1u);
        const std::string written = o.images[0].file;
        const std::string file = folder + "/" + fields[0] + written.substr(written.rfind('.'));
        EXPECT_EQ(FirstDifference(Expected(c, o, 0, c.sheets[0]), Read(file)), "");
        ++kept;
    }
    EXPECT_GT(kept, 0);
}

} // namespace
