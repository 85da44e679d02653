#include "host/Document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
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

TEST(Document, AssemblesGrayStripsAndTracksCoverage) {
    Document doc(Gray(5, 4));
    std::vector<uint8_t> top(3 * 6), rest(2 * 4);
    std::iota(top.begin(), top.end(), 0);
    std::iota(rest.begin(), rest.end(), 100);
    doc.Store(StripOf(top, 0, 0, 3, 4, 6)); // rows padded to 6 bytes
    EXPECT_FALSE(doc.Complete());
    EXPECT_EQ(doc.RowsCovered(0), 3);
    doc.Store(StripOf(rest, 3, 0, 5, 4, 4));
    EXPECT_TRUE(doc.Complete());
    EXPECT_EQ(doc.Row(0, 1)[0], 6);
    EXPECT_EQ(doc.Row(0, 2)[3], 15);
    EXPECT_EQ(doc.Row(0, 4)[3], 107);
}

TEST(Document, TakesPlanarAndInterleavedColour) {
    Geometry g = Gray(2, 3);
    g.mode = plugInModeRGBColor;
    g.planes = 3;
    Document planar(g), interleaved(g);
    for (int16_t p = 0; p < 3; ++p) {
        std::vector<uint8_t> plane(6);
        for (size_t i = 0; i < plane.size(); ++i)
            plane[i] = static_cast<uint8_t>(p * 10 + i);
        Strip s = StripOf(plane, 0, 0, 2, 3, 3);
        s.loPlane = s.hiPlane = p;
        planar.Store(s);
    }
    std::vector<uint8_t> rgb(18);
    for (int i = 0; i < 6; ++i)
        for (int p = 0; p < 3; ++p)
            rgb[static_cast<size_t>(i * 3 + p)] = static_cast<uint8_t>(p * 10 + i);
    Strip s = StripOf(rgb, 0, 0, 2, 3, 9);
    s.hiPlane = 2;
    s.colBytes = 3;
    s.planeBytes = 1;
    interleaved.Store(s);
    EXPECT_TRUE(planar.Complete());
    EXPECT_TRUE(interleaved.Complete());
    EXPECT_EQ(planar.FilePixels(), interleaved.FilePixels());
    EXPECT_EQ(planar.FilePixels()[3 * 4 + 2], 24); // pixel 4, blue
}

TEST(Document, BitmapStripsKeepBitsOutsideTheirColumns) {
    Geometry g = Gray(1, 20);
    g.mode = plugInModeBitmap;
    g.depth = 1;
    Document doc(g);
    std::vector<uint8_t> left{0xFF, 0xFF}, right{0xAA, 0xFF};
    doc.Store(StripOf(left, 0, 0, 1, 12, 2));   // columns 0..11
    doc.Store(StripOf(right, 0, 16, 1, 20, 2)); // columns 16..19
    EXPECT_EQ(doc.Row(0, 0)[0], 0xFF);
    EXPECT_EQ(doc.Row(0, 0)[1], 0xF0); // 12..15 untouched
    EXPECT_EQ(doc.Row(0, 0)[2], 0xA0);
}

TEST(Document, WritesFilesThatReadBack) {
    const std::string base = std::string("doc_");
    Geometry g = Gray(2, 3);
    Document gray(g);
    std::vector<uint8_t> px{1, 2, 3, 4, 5, 6};
    gray.Store(StripOf(px, 0, 0, 2, 3, 3));
    std::string error;
    ASSERT_TRUE(gray.WritePnm(base + "g.pgm", error)) << error;
    auto back = ReadPnm(base + "g.pgm");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, '5');
    EXPECT_EQ(back->width, 3);
    EXPECT_EQ(back->height, 2);
    EXPECT_EQ(back->pixels, px);

    Geometry ig = g;
    ig.mode = plugInModeIndexedColor;
    for (int k = 0; k < 3; ++k) {
        ig.lut[k].resize(256);
        for (int i = 0; i < 256; ++i)
            ig.lut[k][static_cast<size_t>(i)] = static_cast<uint8_t>(k == 1 ? 255 - i : i);
    }
    Document indexed(ig);
    indexed.Store(StripOf(px, 0, 0, 2, 3, 3));
    ASSERT_TRUE(indexed.WritePnm(base + "i.ppm", error));
    auto ib = ReadPnm(base + "i.ppm");
    ASSERT_TRUE(ib);
    EXPECT_EQ(ib->kind, '6');
    ASSERT_EQ(ib->pixels.size(), 18u);
    EXPECT_EQ(ib->pixels[0], 1);
    EXPECT_EQ(ib->pixels[1], 254);
    EXPECT_EQ(ib->pixels[17], 6);

    Geometry bg = Gray(2, 9);
    bg.mode = plugInModeBitmap;
    bg.depth = 1;
    Document bits(bg);
    std::vector<uint8_t> b{0x81, 0x80, 0x7F, 0x00};
    bits.Store(StripOf(b, 0, 0, 2, 9, 2));
    ASSERT_TRUE(bits.WritePnm(base + "b.pbm", error));
    auto bb = ReadPnm(base + "b.pbm");
    ASSERT_TRUE(bb);
    EXPECT_EQ(bb->kind, '4');
    EXPECT_EQ(bb->pixels, b);
    for (const char* f : {"g.pgm", "i.ppm", "b.pbm"})
        std::remove((base + f).c_str());
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

TEST(DocumentTiff, KeepsPixelsResolutionAndMeaningOfBits) {
    Geometry g = Gray(2, 3);
    g.hRes = 600 << 16;
    g.vRes = 150 << 16;
    Document gray(g);
    std::vector<uint8_t> px{1, 2, 3, 4, 5, 6};
    gray.Store(StripOf(px, 0, 0, 2, 3, 3));
    std::string error;
    ASSERT_TRUE(WriteTiff(gray, "g.tif", error)) << error;
    auto back = ReadTiff("g.tif");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 3u);
    EXPECT_EQ(back->samples, 1);
    EXPECT_EQ(back->pixels, px);
    EXPECT_FLOAT_EQ(back->xRes, 600);
    EXPECT_FLOAT_EQ(back->yRes, 150);

    Geometry rg = g;
    rg.mode = plugInModeRGBColor;
    rg.planes = 3;
    Document rgb(rg);
    for (int16_t p = 0; p < 3; ++p) {
        Strip s = StripOf(px, 0, 0, 2, 3, 3);
        s.loPlane = s.hiPlane = p;
        rgb.Store(s);
    }
    ASSERT_TRUE(WriteTiff(rgb, "c.tif", error));
    auto cb = ReadTiff("c.tif");
    ASSERT_TRUE(cb);
    EXPECT_EQ(cb->samples, 3);
    EXPECT_EQ(cb->pixels, rgb.FilePixels());

    Geometry bg = Gray(1, 9);
    bg.mode = plugInModeBitmap;
    bg.depth = 1;
    Document bits(bg);
    std::vector<uint8_t> b{0x81, 0x80};
    bits.Store(StripOf(b, 0, 0, 1, 9, 2));
    ASSERT_TRUE(WriteTiff(bits, "b.tif", error));
    auto bb = ReadTiff("b.tif");
    ASSERT_TRUE(bb);
    EXPECT_EQ(bb->bits, 1);
    EXPECT_EQ(bb->photometric, 0) << "min-is-white: a set bit stays black";
    EXPECT_EQ(bb->pixels, b);
    EXPECT_FALSE(WriteTiff(bits, "no-such-folder/b.tif", error));
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
