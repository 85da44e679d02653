#include "host/Document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace qv::host;

namespace {

Geometry Gray(int32_t rows, int32_t cols) {
    Geometry g;
    g.rows = rows;
    g.cols = cols;
    g.mode = plugInModeGrayScale;
    g.depth = 8;
    g.planes = 1;
    g.hRes = g.vRes = 300 << 16;
    return g;
}

Strip StripOf(const std::vector<uint8_t>& bytes, int16_t top, int16_t left, int16_t bottom, int16_t right,
              int32_t rowBytes) {
    Strip s;
    s.data = bytes.data();
    s.rect = {top, left, bottom, right};
    s.colBytes = 1;
    s.rowBytes = rowBytes;
    return s;
}

Geometry Rgb(int32_t rows, int32_t cols) {
    Geometry g = Gray(rows, cols);
    g.mode = plugInModeRGBColor;
    g.planes = 3;
    return g;
}

Geometry Bitmap(int32_t rows, int32_t cols) {
    Geometry g = Gray(rows, cols);
    g.mode = plugInModeBitmap;
    g.depth = 1;
    return g;
}

Geometry Indexed(int32_t rows, int32_t cols) {
    Geometry g = Gray(rows, cols);
    g.mode = plugInModeIndexedColor;
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 256; ++i)
            g.lut[k].push_back(static_cast<uint8_t>(k == 1 ? 255 - i : i / (k + 1)));
    return g;
}

// The sample a test strip carries; for bitmap the byte at that column byte.
uint8_t Value(int plane, int32_t row, int32_t col) {
    return static_cast<uint8_t>(plane * 71 + row * 5 + col * 3 + 2);
}

size_t BytesOf(const Geometry& g, int32_t cols) {
    return g.depth == 1 ? static_cast<size_t>((cols + 7) / 8) : static_cast<size_t>(cols);
}

// Strip bytes that stay put while the strip points at them.
struct Made {
    std::vector<uint8_t> bytes;
    Strip s;
    const Strip& strip() {
        s.data = bytes.data();
        return s;
    }
};

// Rows top..bottom-1 and columns left..right-1 of planes lo..hi, one plane after another,
// each row followed by pad bytes.
Made Planar(const Geometry& g, int16_t lo, int16_t hi, int32_t top, int32_t bottom, int32_t left = 0,
            int32_t right = -1, int32_t pad = 0) {
    if (right < 0)
        right = g.cols;
    Made m;
    const size_t span = BytesOf(g, right - left);
    m.s.rect = {static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                static_cast<int16_t>(right)};
    m.s.loPlane = lo;
    m.s.hiPlane = hi;
    m.s.colBytes = 1;
    m.s.rowBytes = static_cast<int32_t>(span) + pad;
    m.s.planeBytes = m.s.rowBytes * (bottom - top);
    m.bytes.resize(static_cast<size_t>(m.s.planeBytes * (hi - lo + 1)));
    const int32_t first = g.depth == 1 ? left / 8 : left;
    for (int p = lo; p <= hi; ++p)
        for (int32_t row = top; row < bottom; ++row)
            for (size_t i = 0; i < span; ++i)
                m.bytes[static_cast<size_t>((p - lo) * m.s.planeBytes + (row - top) * m.s.rowBytes) + i] =
                    Value(p, row, first + static_cast<int32_t>(i));
    return m;
}

Made Interleaved(const Geometry& g, int32_t top, int32_t bottom) {
    Made m;
    m.s.rect = {static_cast<int16_t>(top), 0, static_cast<int16_t>(bottom), static_cast<int16_t>(g.cols)};
    m.s.hiPlane = 2;
    m.s.colBytes = 3;
    m.s.rowBytes = g.cols * 3;
    m.s.planeBytes = 1;
    for (int32_t row = top; row < bottom; ++row)
        for (int32_t c = 0; c < g.cols; ++c)
            for (int p = 0; p < 3; ++p)
                m.bytes.push_back(Value(p, row, c));
    return m;
}

// Column bytes for bitmap.
using Missing = std::function<bool(int plane, int32_t row, int32_t col)>;

// What the file must hold: the test strips' samples, white where missing says.
PnmImage Expected(const Geometry& g, const Missing& missing = {}) {
    const bool colour = g.mode == plugInModeRGBColor || g.mode == plugInModeIndexedColor;
    PnmImage img{g.depth == 1 ? '4' : colour ? '6' : '5', g.cols, g.rows, {}};
    for (int32_t row = 0; row < g.rows; ++row) {
        for (int32_t c = 0; c < static_cast<int32_t>(BytesOf(g, g.cols)); ++c) {
            for (int k = 0; k < (colour ? 3 : 1); ++k) {
                const int plane = g.mode == plugInModeRGBColor ? k : 0;
                const uint8_t v = Value(plane, row, c);
                if (missing && missing(plane, row, c))
                    img.pixels.push_back(g.depth == 1 ? 0 : 255);
                else
                    img.pixels.push_back(g.mode == plugInModeIndexedColor ? g.lut[k][v] : v);
            }
        }
    }
    return img;
}

// Streams the strips into a PNM file; empty when it holds the expected image, else why not.
std::string Streamed(const Geometry& g, std::vector<Made>& strips, const Missing& missing = {},
                     int32_t* delivered = nullptr) {
    const std::string path = std::string("stream.") + PnmExtension(g.mode);
    Document doc(g, MakePnmWriter(path));
    std::string error;
    if (!doc.Begin(error))
        return error;
    for (Made& m : strips)
        if (!doc.Store(m.strip(), error))
            return error;
    if (delivered)
        *delivered = doc.RowsDelivered();
    if (!doc.Finish(error))
        return error;
    auto back = ReadPnm(path, error);
    std::remove(path.c_str());
    if (!back)
        return error;
    return ComparePnm(*back, Expected(g, missing)).value_or("");
}

struct CountingWriter : DocumentWriter {
    bool Open(const Geometry&, std::string&) override { return true; }
    bool WriteRow(const uint8_t*, std::string&) override {
        ++rows;
        return true;
    }
    bool Close(std::string&) override { return true; }
    void Remove() override {}
    int32_t rows = 0;
};

AcquireRecord RecordWith(int16_t mode, int16_t depth, int16_t planes, int16_t rows, int16_t cols, Fixed res) {
    AcquireRecord r{};
    r.imageMode = mode;
    r.depth = depth;
    r.planes = planes;
    r.imageSize = {rows, cols};
    r.imageHRes = r.imageVRes = res;
    return r;
}

} // namespace

TEST(Geometry, AcceptsWhatTheModesAllow) {
    std::vector<std::string> problems;
    EXPECT_TRUE(GeometryFromRecord(RecordWith(0, 1, 1, 10, 10, 300 << 16), problems));
    EXPECT_TRUE(GeometryFromRecord(RecordWith(1, 8, 1, 30000, 1, 1 << 16), problems));
    auto indexed = RecordWith(2, 8, 1, 5, 5, 72 << 16);
    indexed.greenLUT[7] = 200;
    auto g = GeometryFromRecord(indexed, problems);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->lut[1][7], 200);
    EXPECT_TRUE(GeometryFromRecord(RecordWith(3, 8, 3, 5, 5, 72 << 16), problems));
    EXPECT_TRUE(problems.empty());
}

TEST(Geometry, RefusesNonsenseWithEveryReason) {
    struct Case {
        AcquireRecord r;
        const char* reason;
    };
    const Case cases[] = {
        {RecordWith(4, 8, 1, 10, 10, 300 << 16), "image mode 4"},
        {RecordWith(3, 8, 1, 10, 10, 300 << 16), "planes 1 do not fit image mode 3"},
        {RecordWith(1, 16, 1, 10, 10, 300 << 16), "depth 16"},
        {RecordWith(0, 8, 1, 10, 10, 300 << 16), "depth 8 does not fit image mode 0"},
        {RecordWith(1, 8, 1, 0, 10, 300 << 16), "outside 1..30000"},
        {RecordWith(1, 8, 1, 10, -3, 300 << 16), "outside 1..30000"},
        {RecordWith(1, 8, 1, 10, 10, 0), "resolution"},
        {RecordWith(1, 8, 1, 10, 10, -(300 << 16)), "resolution"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> problems;
        EXPECT_FALSE(GeometryFromRecord(c.r, problems)) << c.reason;
        ASSERT_EQ(problems.size(), 1u) << c.reason;
        EXPECT_NE(problems[0].find(c.reason), std::string::npos) << problems[0];
    }
}

TEST(StripExtent, MeasuresTheBytesAStripReaches) {
    std::string why;
    std::vector<uint8_t> mem(1);
    Geometry g = Gray(100, 50);
    EXPECT_EQ(*StripExtent(g, StripOf(mem, 0, 0, 10, 50, 52), why), 9u * 52 + 50);
    Geometry rgb = g;
    rgb.mode = plugInModeRGBColor;
    rgb.planes = 3;
    Strip interleaved = StripOf(mem, 0, 0, 2, 50, 150);
    interleaved.hiPlane = 2;
    interleaved.colBytes = 3;
    interleaved.planeBytes = 1;
    EXPECT_EQ(*StripExtent(rgb, interleaved, why), 150u + 49 * 3 + 1 + 2);
    Geometry bits = g;
    bits.mode = plugInModeBitmap;
    bits.depth = 1;
    EXPECT_EQ(*StripExtent(bits, StripOf(mem, 0, 8, 3, 21, 7), why), 2u * 7 + 2);
}

TEST(StripExtent, RefusesStripsThatCannotBeMemoryOfTheImage) {
    std::vector<uint8_t> mem(1);
    Geometry g = Gray(100, 50);
    Geometry rgb = g;
    rgb.planes = 3;
    Geometry bits = g;
    bits.depth = 1;
    Strip noData = StripOf(mem, 0, 0, 1, 50, 50);
    noData.data = nullptr;
    Strip planeOverlap = StripOf(mem, 0, 0, 1, 50, 50);
    planeOverlap.hiPlane = 1;
    Strip badPlane = StripOf(mem, 0, 0, 1, 50, 50);
    badPlane.loPlane = badPlane.hiPlane = 1;
    Strip zeroCol = StripOf(mem, 0, 0, 1, 50, 50);
    zeroCol.colBytes = 0;
    struct Case {
        const Geometry& g;
        Strip s;
        const char* reason;
    } cases[] = {
        {g, noData, "without data"},
        {g, StripOf(mem, 5, 0, 5, 50, 50), "not inside"},
        {g, StripOf(mem, 95, 0, 101, 50, 50), "not inside"},
        {g, StripOf(mem, -1, 0, 3, 50, 50), "not inside"},
        {g, StripOf(mem, 0, 0, 3, 51, 51), "not inside"},
        {g, badPlane, "do not fit 1 plane"},
        {rgb, planeOverlap, "planeBytes 0"},
        {g, zeroCol, "cannot describe"},
        {g, StripOf(mem, 0, 0, 3, 50, 49), "rows overlap"},
        {bits, StripOf(mem, 0, 4, 3, 50, 7), "inside a byte"},
        {bits, StripOf(mem, 0, 0, 3, 50, 6), "less than the 7 bytes"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(StripExtent(c.g, c.s, why)) << c.reason;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
    std::string why;
    EXPECT_TRUE(StripExtent(g, StripOf(mem, 0, 0, 1, 50, 49), why)) << "one row has no stride to overlap";
}

TEST(Document, StreamedFilesHoldWhatTheStripsCarried) {
    const Geometry gray = Gray(7, 5), rgb = Rgb(7, 5), bits = Bitmap(3, 20);
    std::vector<Made> grayLaterRowsFirst{Planar(gray, 0, 0, 4, 7, 0, 5, 3),
                                         Planar(gray, 0, 0, 0, 4, 0, 5, 1)};
    std::vector<Made> rgbBands, rgbPlanes;
    for (int32_t top = 0; top < 7; top += 3)
        for (int16_t p = 0; p < 3; ++p)
            rgbBands.push_back(Planar(rgb, p, p, top, std::min(top + 3, 7)));
    for (int16_t p = 0; p < 3; ++p)
        for (int32_t top = 0; top < 7; top += 3)
            rgbPlanes.push_back(Planar(rgb, p, p, top, std::min(top + 3, 7)));
    std::vector<Made> rgbInterleaved{Interleaved(rgb, 0, 7)};
    std::vector<Made> rgbTwoPlanesThenOne{Planar(rgb, 0, 1, 0, 7), Planar(rgb, 2, 2, 0, 7)};
    // A piece ending inside a byte keeps the bits beside it.
    std::vector<Made> bitPieces{Planar(bits, 0, 0, 0, 3, 8, 20), Planar(bits, 0, 0, 0, 3, 0, 8)};
    std::vector<Made> indexedRows{Planar(Indexed(2, 4), 0, 0, 0, 2)};
    EXPECT_EQ(Streamed(gray, grayLaterRowsFirst), "");
    EXPECT_EQ(Streamed(rgb, rgbBands), "");
    EXPECT_EQ(Streamed(rgb, rgbPlanes), "");
    EXPECT_EQ(Streamed(rgb, rgbInterleaved), "");
    EXPECT_EQ(Streamed(rgb, rgbTwoPlanesThenOne), "");
    EXPECT_EQ(Streamed(bits, bitPieces), "");
    EXPECT_EQ(Streamed(Indexed(2, 4), indexedRows), "");
}

TEST(Document, RowsNeverDeliveredAreWrittenWhite) {
    const Geometry gray = Gray(6, 4), rgb = Rgb(4, 3), bits = Bitmap(4, 12), indexed = Indexed(3, 2);
    int32_t delivered = -1;
    std::vector<Made> grayGaps{Planar(gray, 0, 0, 4, 5), Planar(gray, 0, 0, 0, 3)};
    EXPECT_EQ(Streamed(
                  gray, grayGaps, [](int, int32_t row, int32_t) { return row == 3 || row == 5; }, &delivered),
              "");
    EXPECT_EQ(delivered, 4);
    std::vector<Made> rgbShortBlue{Planar(rgb, 0, 1, 0, 4), Planar(rgb, 2, 2, 0, 2)};
    EXPECT_EQ(
        Streamed(
            rgb, rgbShortBlue, [](int p, int32_t row, int32_t) { return p == 2 && row >= 2; }, &delivered),
        "");
    EXPECT_EQ(delivered, 2);
    std::vector<Made> bitsHalfRow{Planar(bits, 0, 0, 0, 2), Planar(bits, 0, 0, 2, 4, 8, 12)};
    EXPECT_EQ(Streamed(
                  bits, bitsHalfRow, [](int, int32_t row, int32_t col) { return row >= 2 && col == 0; },
                  &delivered),
              "")
        << "columns 0..7 of rows 2 and 3 are white; 8..11 were delivered";
    std::vector<Made> indexedOneRow{Planar(indexed, 0, 0, 1, 2)};
    EXPECT_EQ(Streamed(
                  indexed, indexedOneRow, [](int, int32_t row, int32_t) { return row != 1; }, &delivered),
              "");
    EXPECT_EQ(delivered, 1);
}

TEST(Document, TakesEachRowOfEachPlaneOnce) {
    const Geometry g = Gray(6, 4);
    Document doc(g, MakeDiscardWriter());
    std::string why;
    ASSERT_TRUE(doc.Begin(why));
    auto store = [&](Made m) { return doc.Store(m.strip(), why); };
    EXPECT_TRUE(store(Planar(g, 0, 0, 0, 3)));
    EXPECT_TRUE(store(Planar(g, 0, 0, 4, 6)));
    EXPECT_FALSE(store(Planar(g, 0, 0, 2, 4))) << "row 2 was written already";
    EXPECT_EQ(why, "strip delivers row 2 of plane 0 a second time");
    EXPECT_FALSE(store(Planar(g, 0, 0, 3, 6))) << "row 5 waits for row 3";
    EXPECT_EQ(why, "strip delivers row 4 of plane 0 a second time");
    EXPECT_TRUE(store(Planar(g, 0, 0, 3, 4))) << "refused strips claimed nothing";
    EXPECT_TRUE(doc.Complete());
    EXPECT_FALSE(doc.HostFailed());

    const Geometry bits = Bitmap(1, 24);
    Document pieces(bits, MakeDiscardWriter());
    ASSERT_TRUE(pieces.Begin(why));
    EXPECT_TRUE(pieces.Store(Planar(bits, 0, 0, 0, 1, 0, 16).strip(), why));
    EXPECT_FALSE(pieces.Store(Planar(bits, 0, 0, 0, 1, 8, 24).strip(), why)) << "columns 8..15 again";
    EXPECT_TRUE(pieces.Store(Planar(bits, 0, 0, 0, 1, 16, 24).strip(), why));
    EXPECT_EQ(pieces.RowsDelivered(), 1);

    const Geometry rgb = Rgb(2, 3);
    Document planes(rgb, MakeDiscardWriter());
    ASSERT_TRUE(planes.Begin(why));
    EXPECT_TRUE(planes.Store(Planar(rgb, 0, 1, 0, 2).strip(), why));
    EXPECT_FALSE(planes.Store(Planar(rgb, 1, 2, 0, 2).strip(), why));
    EXPECT_EQ(why, "strip delivers row 0 of plane 1 a second time");
    EXPECT_EQ(planes.RowsCovered(2), 0);
}

TEST(Document, HoldsOneBandWhateverTheSheetsHeight) {
    // Bands of 300 rows with each plane in turn, as a module streams them.
    for (int32_t rows : {300, 30000}) {
        const Geometry g = Rgb(rows, 16);
        auto counting = std::make_unique<CountingWriter>();
        CountingWriter& writer = *counting;
        Document doc(g, std::move(counting));
        std::string why;
        ASSERT_TRUE(doc.Begin(why));
        for (int32_t top = 0; top < rows; top += 300)
            for (int16_t p = 0; p < 3; ++p)
                ASSERT_TRUE(doc.Store(Planar(g, p, p, top, std::min(top + 300, rows)).strip(), why)) << why;
        EXPECT_EQ(writer.rows, rows) << "every band is written once its last plane is there";
        ASSERT_TRUE(doc.Finish(why));
        EXPECT_EQ(writer.rows, rows);
        EXPECT_LE(doc.PeakBufferedBytes(), 300u * 16 * 3) << rows << " rows";
        EXPECT_GT(doc.PeakBufferedBytes(), 0u);
    }
    const Geometry g = Gray(3000, 16);
    Document discarded(g, MakeDiscardWriter());
    std::string why;
    ASSERT_TRUE(discarded.Begin(why));
    ASSERT_TRUE(discarded.Store(Planar(g, 0, 0, 300, 3000).strip(), why));
    EXPECT_EQ(discarded.PeakBufferedBytes(), 0u) << "nothing kept for a document that is not written";
}

TEST(Document, AnUnfinishedDocumentLeavesNoFile) {
    const Geometry g = Gray(4, 4);
    auto exists = [](const char* path) {
        FILE* f = std::fopen(path, "rb");
        if (f)
            std::fclose(f);
        return f != nullptr;
    };
    std::string why;
    {
        Document cancelled(g, MakePnmWriter("cancelled.pgm"));
        ASSERT_TRUE(cancelled.Begin(why));
        ASSERT_TRUE(cancelled.Store(Planar(g, 0, 0, 0, 2).strip(), why));
        EXPECT_TRUE(exists("cancelled.pgm")) << "rows are written as they arrive";
        cancelled.Cancel();
        EXPECT_FALSE(exists("cancelled.pgm"));
        Document dropped(g, MakePnmWriter("dropped.pgm"));
        ASSERT_TRUE(dropped.Begin(why));
    }
    EXPECT_FALSE(exists("dropped.pgm"));
    Document nowhere(g, MakePnmWriter("no-such-folder/x.pgm"));
    EXPECT_FALSE(nowhere.Begin(why));
    EXPECT_EQ(why, "cannot create no-such-folder/x.pgm");
}

TEST(Document, ReadPnmRefusesBrokenFiles) {
    const std::string path = std::string("broken.pgm");
    auto write = [&](const std::string& text) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    };
    write("P5\n2 2\n255\n\x01\x02\x03");
    EXPECT_FALSE(ReadPnm(path)) << "short raster";
    write("P5\n2 2\n65535\n\x01\x02\x03\x04");
    EXPECT_FALSE(ReadPnm(path)) << "16-bit samples";
    write("P3\n1 1\n255\n1 2 3\n");
    EXPECT_FALSE(ReadPnm(path)) << "plain text form";
    write("P5\n# a comment\n2 1\n255\n\x09\x0A");
    auto ok = ReadPnm(path);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->pixels, (std::vector<uint8_t>{9, 10}));

    // Sizes no document has are refused before anything is computed or allocated from them.
    struct Case {
        std::string bytes, reason;
    };
    const Case oversized[] = {
        {"P4\n2147483647 1\n" + std::string(4, '\xFF'), "outside 1..30000"},
        // 3 x 1431655766 wraps to 2 in 32 bits.
        {"P6\n1431655766 1\n255\n\x01\x02", "outside 1..30000"},
        {"P5\n30001 1\n255\n" + std::string(30001, '\x07'), "outside 1..30000"},
        {"P5\n1 30001\n255\n" + std::string(30001, '\x07'), "outside 1..30000"},
        {"P5\n99999999999999999999 1\n255\n\x07", "damaged header"},
        {"P5\n-3 1\n255\n\x07\x07\x07", "outside 1..30000"},
        {"P6\n30000 30000\n255\n\x01\x02\x03", "holds 3 of the 2700000000 bytes"},
        {"P5\n1 1\n255", "damaged header"},
    };
    for (const Case& c : oversized) {
        write(c.bytes);
        std::string error;
        EXPECT_FALSE(ReadPnm(path, error)) << c.bytes.substr(0, 20);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind(path, 0), 0u) << "names the file: " << error;
    }
    write("P5\n30000 1\n255\n" + std::string(30000, '\x07'));
    auto widest = ReadPnm(path);
    ASSERT_TRUE(widest) << "the largest side a document has";
    EXPECT_EQ(widest->pixels.size(), 30000u);

    std::remove(path.c_str());
    std::string error;
    EXPECT_FALSE(ReadPnm(path, error)) << "missing file";
    EXPECT_EQ(error, "cannot open " + path);
}

#if defined(QV_HOST_HAVE_TIFF)
#include "host/DocumentTiff.h"

TEST(DocumentTiff, ReadsBackAsStreamedWithItsResolution) {
    struct Case {
        Geometry g;
        int32_t sent; // rows delivered; the rest is white
        char kind;
        uint16_t compression, photometric; // Group 4 is 4; min-is-white 0, min-is-black 1, RGB 2
    };
    Geometry gray = Gray(200, 3000); // several strips
    gray.hRes = 600 << 16;
    gray.vRes = 150 << 16;
    const Case cases[] = {
        {Bitmap(1200, 4001), 1100, '4', 4, 0},
        {gray, 200, '5', 1, 1},
        {Rgb(40, 50), 40, '6', 1, 2},
    };
    for (const Case& c : cases) {
        Document doc(c.g, MakeTiffWriter("t.tif"));
        std::string why;
        ASSERT_TRUE(doc.Begin(why)) << why;
        for (int32_t top = 0; top < c.sent; top += 300)
            for (int16_t p = 0; p < c.g.planes; ++p)
                ASSERT_TRUE(doc.Store(Planar(c.g, p, p, top, std::min(top + 300, c.sent)).strip(), why));
        ASSERT_TRUE(doc.Finish(why)) << why;
        auto back = ReadTiff("t.tif");
        ASSERT_TRUE(back) << c.kind;
        EXPECT_EQ(back->compression, c.compression) << c.kind;
        EXPECT_EQ(back->photometric, c.photometric) << c.kind;
        EXPECT_EQ(back->bits, c.kind == '4' ? 1 : 8);
        EXPECT_EQ(back->samples, c.kind == '6' ? 3 : 1);
        EXPECT_FLOAT_EQ(back->xRes, static_cast<float>(c.g.hRes / 65536.0));
        if (c.kind == '5') {
            EXPECT_LT(back->rowsPerStrip, 200u) << "written strip by strip";
        }
        EXPECT_FLOAT_EQ(back->yRes, static_cast<float>(c.g.vRes / 65536.0));
        const PnmImage pixels{c.kind, static_cast<int32_t>(back->width), static_cast<int32_t>(back->height),
                              back->pixels};
        const int32_t sent = c.sent;
        EXPECT_EQ(ComparePnm(pixels, Expected(c.g, [sent](int, int32_t row, int32_t) { return row >= sent; }))
                      .value_or(""),
                  "")
            << c.kind;
    }
    std::remove("t.tif");
    Document nowhere(gray, MakeTiffWriter("no-such-folder/t.tif"));
    std::string why;
    EXPECT_FALSE(nowhere.Begin(why));
}
#endif

TEST(ComparePnm, FindsTheFirstDifferentPixel) {
    PnmImage gray{'5', 3, 2, {1, 2, 3, 4, 5, 6}};
    EXPECT_FALSE(ComparePnm(gray, gray));
    PnmImage other = gray;
    other.pixels[4] = 9;
    EXPECT_EQ(*ComparePnm(gray, other), "row 1, column 1: 5 against 9");
    PnmImage wider{'5', 2, 3, gray.pixels};
    EXPECT_EQ(*ComparePnm(gray, wider), "P5 3 x 2 against P5 2 x 3");

    PnmImage colour{'6', 2, 1, {1, 2, 3, 4, 5, 6}};
    PnmImage blue = colour;
    blue.pixels[5] = 7;
    EXPECT_EQ(*ComparePnm(colour, blue), "row 0, column 1: 6 against 7");

    PnmImage bits{'4', 3, 1, {0xA0}};
    PnmImage padded{'4', 3, 1, {0xBF}}; // differs only beyond column 2
    EXPECT_FALSE(ComparePnm(bits, padded));
    padded.pixels[0] = 0xE0;
    EXPECT_EQ(*ComparePnm(bits, padded), "row 0, column 1: 0 against 1");
}

TEST(ComparePnm, NamesPixelsThatDoNotFillTheirShape) {
    // What a 32-bit reader once made of "P6 1431655766 1": two bytes for a huge row.
    PnmImage wrapped{'6', 1431655766, 1, {1, 2}};
    PnmImage shortRows{'5', 3, 2, {1, 2, 3}};
    PnmImage noRows{'5', 3, 0, {}};
    PnmImage good{'5', 3, 2, {1, 2, 3, 4, 5, 6}};
    EXPECT_EQ(*ComparePnm(wrapped, wrapped),
              "P6 1431655766 x 1: image size 1431655766 x 1 is outside 1..30000");
    EXPECT_EQ(*ComparePnm(good, shortRows), "P5 3 x 2 holds 3 bytes of pixels, not 6");
    EXPECT_EQ(*ComparePnm(shortRows, shortRows), "P5 3 x 2 holds 3 bytes of pixels, not 6");
    EXPECT_EQ(*ComparePnm(noRows, noRows), "P5 3 x 0: image size 3 x 0 is outside 1..30000");
    PnmImage bits{'4', 9, 1, {0xFF}}; // a 9-pixel row needs two bytes
    EXPECT_EQ(*ComparePnm(bits, bits), "P4 9 x 1 holds 1 bytes of pixels, not 2");
}
