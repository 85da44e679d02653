#include "plugin/RowConversion.h"
#include "tests/plugin/RunLengthReference.h"

#include "platform/DebugLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace qv;

namespace {

using Bytes = std::vector<uint8_t>;

std::string LogText() {
    std::ifstream log("QVL.log");
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
}

RowFormat Format(int32_t imageMode, int32_t generation, int32_t rawWidth) {
    RowFormat f;
    f.imageMode = imageMode;
    f.enumMode = imageMode == 0 ? 1 : imageMode == 1 ? kScanTypeGray : kScanTypeRgb;
    f.generation = generation;
    f.rawWidth = rawWidth;
    return f;
}

const PictureWidthReader kNoPictureWidth = [](int32_t&) { return false; };

size_t Decode(const Bytes& block, Bytes& out, int32_t ratio = 0) {
    return ratio ? DecodeRunLengthStretched(block.data(), block.size(), out.data(), out.size(), ratio)
                 : DecodeRunLength(block.data(), block.size(), out.data(), out.size());
}

} // namespace

TEST(ChromaRatio, ThousandColumnsAt800DpiInsertOneSampleAfterEvery39) {
    for (const int32_t mode : {0, 1}) {
        RowFormat f = Format(mode, 5, 975);
        f.gLastCols = 1000;
        f.resolution = 800;
        EXPECT_EQ(SetChromaRatio(f), RowStatus::Ok);
        EXPECT_EQ(f.chromaRatio, 39);
        EXPECT_EQ(f.rawWidth, mode == 0 ? 1000 : 975) << "only bitmap rows widen by base / ratio";
    }
}

TEST(ChromaRatio, WithoutAUsableRatioTheTransferGoesOnUnstretched) {
    struct Case {
        int32_t cols, dpi;
        RowStatus status;
    };
    for (const Case c :
         {Case{1000, 780, RowStatus::ChromaDenominator}, Case{1000, 600, RowStatus::ChromaDenominator},
          Case{1, 800, RowStatus::ChromaRatioBelowOne}, Case{1000, 2400, RowStatus::ChromaRatioBelowOne},
          Case{1000, 0, RowStatus::ChromaNoResolution}}) {
        RowFormat f = Format(0, 5, 500);
        f.gLastCols = c.cols;
        f.resolution = c.dpi;
        EXPECT_EQ(SetChromaRatio(f), c.status) << c.cols << " at " << c.dpi;
        EXPECT_EQ(f.chromaRatio, 0);
        EXPECT_EQ(f.rawWidth, 500);
    }
}

TEST(RowWidth, Generation4RepairFindsTheDivisorNearTheReportedWidth) {
    LogReset();
    RowFormat f = Format(1, 4, 2504);
    f.gLastCols = 2504;
    f.resolution = 300;
    Bytes block(10000, 0x80);
    EXPECT_EQ(FindRowWidth(f, block.data(), block.size(), kNoPictureWidth), RowStatus::Ok);
    EXPECT_EQ(f.iByteWidth, 2500);
    EXPECT_EQ(f.iPixelWidth, 2500);
    EXPECT_EQ(LogText(), "Init\niWidth = 2504\nif( ( iReceived%iByteWidth ) )\n"
                         "iReceived 10000  iByteWidth 2504\niReceived 10000  iByteWidth 2504\n");

    // RGB above the cap: 800 columns at 240 dpi allow 810 bytes, and 810 divides 8100.
    f = Format(3, 4, 3000);
    f.gLastCols = 800;
    f.resolution = 240;
    Bytes rgb(8100);
    EXPECT_EQ(FindRowWidth(f, rgb.data(), rgb.size(), kNoPictureWidth), RowStatus::Ok);
    EXPECT_EQ(f.iByteWidth, 810);
    EXPECT_EQ(f.iPixelWidth, 270);
}

TEST(RowWidth, EachModeAndTheFallbacksWhenCamerasReportNothing) {
    const Bytes rows(6000, 0x80);
    RowFormat gray5 = Format(1, 5, 1009);
    EXPECT_EQ(FindRowWidth(gray5, rows.data(), rows.size(), nullptr), RowStatus::Ok);
    EXPECT_EQ(gray5.iByteWidth, 1000);

    RowFormat rgb = Format(3, 5, 3000);
    FindRowWidth(rgb, rows.data(), rows.size(), nullptr);
    EXPECT_EQ(rgb.iPixelWidth, 1000);
    EXPECT_EQ(rgb.iByteWidth, 3000);

    const Bytes block{0x05, 0x83, 0x00, 0x7F};
    RowFormat bitmap = Format(0, 5, 4000);
    FindRowWidth(bitmap, block.data(), block.size(), nullptr);
    EXPECT_EQ(bitmap.iPixelWidth, 8); // the block's first row, not the cameras
    EXPECT_EQ(bitmap.iByteWidth, 1);
    bitmap.chromaRatio = 3;
    FindRowWidth(bitmap, block.data(), block.size(), nullptr);
    EXPECT_EQ(bitmap.iPixelWidth, 10);
    EXPECT_EQ(bitmap.iByteWidth, 2);

    RowFormat asked = Format(1, 5, 0);
    FindRowWidth(asked, rows.data(), rows.size(), [](int32_t& w) { return w = 2009, true; });
    EXPECT_EQ(asked.iByteWidth, 2000);

    // Generation-4 gray sums its first row's runs; a block without a zero byte ends the sum.
    RowFormat summed = Format(1, 4, 0);
    Bytes noRowEnd{10, 10, 10, 10};
    FindRowWidth(summed, noRowEnd.data(), noRowEnd.size(), kNoPictureWidth);
    EXPECT_EQ(summed.rawWidth, 40);
    EXPECT_EQ(summed.iByteWidth, 40);
}

TEST(RowWidth, NoWidthGivesNoRowsAndNoDivisionByZero) {
    Bytes block(1000, 0x80);
    RowFormat colour = Format(1, 4, 0); // a colour scanner does not sum the runs
    colour.colorScanner = true;
    EXPECT_EQ(FindRowWidth(colour, block.data(), block.size(), kNoPictureWidth), RowStatus::ZeroWidth);
    EXPECT_EQ(RowsInBlock(colour, block.size()), 0);

    RowFormat nine = Format(1, 5, 9); // generation-5 gray rows of nothing but the nine bytes
    EXPECT_EQ(FindRowWidth(nine, block.data(), block.size(), nullptr), RowStatus::ZeroWidth);
    RowFormat indexed = Format(2, 5, 900);
    EXPECT_EQ(FindRowWidth(indexed, block.data(), block.size(), nullptr), RowStatus::ZeroWidth);
    EXPECT_EQ(indexed.iByteWidth, 0);
}

TEST(RunLength, RowsArePackedFromTheTopBitWithBlackAsOne) {
    Bytes out(4, 0xAA);
    EXPECT_EQ(Decode({0x05, 0x83, 0x00}, out), 1u);
    EXPECT_EQ(out[0], 0xF8);

    // 127 black, 127 white, 2 black: whole bytes in the middle, masks at the ends.
    Bytes wide(32, 0xAA);
    EXPECT_EQ(Decode({0x7F, 0xFF, 0x02, 0x00}, wide), 32u);
    EXPECT_EQ(Bytes(wide.begin(), wide.begin() + 15), Bytes(15, 0xFF));
    EXPECT_EQ(wide[15], 0xFE);
    EXPECT_EQ(Bytes(wide.begin() + 16, wide.begin() + 31), Bytes(15, 0x00));
    EXPECT_EQ(wide[31], 0x03);
}

TEST(RunLength, TheBlocksLastZeroByteEndsItsRow) {
    Bytes out(4);
    EXPECT_EQ(Decode({0x02, 0x83, 0x00, 0x82, 0x03, 0x00}, out), 2u);
    EXPECT_EQ(out[0], 0xC0);
    EXPECT_EQ(out[1], 0x38);
}

TEST(RunLength, StretchedRowsGainOnePixelAfterEveryRatioPixelsCountedPerRow) {
    Bytes out(2);
    EXPECT_EQ(Decode({0x06, 0x00}, out, 3), 1u);
    EXPECT_EQ(out[0], 0xFF); // six black become eight
    EXPECT_EQ(Decode({0x02, 0x00, 0x02, 0x00}, out, 3), 2u);
    EXPECT_EQ(out, (Bytes{0xC0, 0xC0}));
}

TEST(RunLength, AFullOutputEndsTheDecodingWithoutWritingPastIt) {
    Bytes out(3, 0xAA);
    EXPECT_EQ(DecodeRunLength(Bytes{0x05, 0x00, 0x05, 0x00}.data(), 4, out.data(), 1), 1u);
    EXPECT_EQ(out[1], 0xAA);
    EXPECT_EQ(DecodeRunLengthStretched(Bytes{0x7F, 0x7F}.data(), 2, out.data(), 2, 1), 2u);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFF, 0xAA}));
    EXPECT_EQ(DecodeRunLength(Bytes{0x05, 0x00}.data(), 2, out.data(), 0), 0u);
    EXPECT_EQ(out[0], 0xFF);
}

TEST(RunLength, EqualsThePixelByPixelRuleOnRandomBlocks) {
    std::mt19937 random(7);
    const int32_t ratios[] = {0, 1, 2, 3, 39, 126, 127, 1000};
    for (int round = 0; round < 3000; ++round) {
        Bytes block(random() % 300);
        size_t pixels = 0;
        for (auto& code : block) {
            const uint32_t kind = random() % 10;
            code = kind < 2 ? 0 : static_cast<uint8_t>((kind < 6 ? 0x80 : 0) | random() % 128);
            pixels += (code & 0x7F) + 7;
        }
        const int32_t ratio = ratios[random() % 8];
        const size_t size = random() % 4 ? pixels / 4 + 8 : random() % 40;
        Bytes fast(size + 16, 0xAA), plain(size, 0x55);
        const size_t length =
            ratio ? DecodeRunLengthStretched(block.data(), block.size(), fast.data(), size, ratio)
                  : DecodeRunLength(block.data(), block.size(), fast.data(), size);
        ASSERT_EQ(length, test::ReferenceDecode(block.data(), block.size(), plain.data(), size, ratio))
            << "round " << round;
        ASSERT_TRUE(std::equal(plain.begin(), plain.begin() + length, fast.begin())) << "round " << round;
        ASSERT_EQ(Bytes(fast.begin() + size, fast.end()), Bytes(16, 0xAA)) << "round " << round;
    }
}

TEST(RowCopy, PlanesOfGrayRgbAndBitmapRows) {
    RowFormat gray = Format(1, 5, 8);
    gray.iByteWidth = 8;
    Bytes block(16);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i);
    Bytes out(8);
    CopyStripRow(gray, block.data(), block.size(), 8, 0, 0, out.data(), 8);
    EXPECT_EQ(out, Bytes(block.begin() + 8, block.end()));

    // RGB rows long enough for the sixteen-at-a-time gathers and their tails, one plane at a
    // time and all three in one pass; with a left skip, and with the block ending inside the
    // row's last pixel.
    for (const size_t pixels : {1, 16, 17, 33, 1001}) {
        for (const int32_t skip : {0, 5}) {
            for (const size_t cut : {0, 1, 2}) {
                RowFormat rgb = Format(3, 5, 0);
                rgb.iByteWidth = static_cast<int32_t>(3 * pixels);
                rgb.leftSkipPixels = skip;
                Bytes rows(2 * 3 * pixels);
                for (size_t i = 0; i < rows.size(); ++i)
                    rows[i] = static_cast<uint8_t>(i * 7 + i / 251);
                const size_t size = rows.size() - cut;
                Bytes planes[3];
                uint8_t* out[3];
                for (int32_t plane = 0; plane < 3; ++plane) {
                    Bytes strip(pixels), expected(pixels, 0xFF);
                    for (size_t i = 0; i + skip < pixels; ++i)
                        if (const size_t at = 3 * (pixels + skip + i) + plane; at < size)
                            expected[i] = rows[at];
                    CopyStripRow(rgb, rows.data(), size, 0, 1, plane, strip.data(), pixels);
                    EXPECT_EQ(strip, expected) << pixels << " pixels, plane " << plane << ", cut " << cut;
                    planes[plane] = Bytes(pixels, 0xAA);
                    out[plane] = planes[plane].data();
                }
                CopyStripRowPlanes(rgb, rows.data(), size, 0, 1, out, 3, pixels);
                for (int32_t plane = 0; plane < 3; ++plane) {
                    Bytes strip(pixels);
                    CopyStripRow(rgb, rows.data(), size, 0, 1, plane, strip.data(), pixels);
                    EXPECT_EQ(planes[plane], strip) << pixels << " pixels, skip " << skip << ", cut " << cut;
                }
            }
        }
    }
}

TEST(VerticalStretch, ImageRowsFollowSourceRowsWhereverChunksEnd) {
    for (int64_t row = 0; row < 6; ++row)
        EXPECT_EQ(SourceRowOf(row, 2.0), row / 2);
    EXPECT_EQ(StretchedRows(3, 2.0), 6);
    // Two chunks of 13 rows at 1.5 make 39 image rows, not twice 19.
    EXPECT_EQ(StretchedRows(13, 1.5), 20);
    EXPECT_EQ(StretchedRows(26, 1.5), 39);
    EXPECT_EQ(StretchedRows(7, 1.0), 7);
    EXPECT_EQ(SourceRowOf(7, 0.5), 7);
    // Every chosen resolution over every highest vertical one: source row s makes image rows
    // StretchedRows(s) to StretchedRows(s + 1) - 1, at least one each, none skipped.
    const int32_t dpis[] = {50, 75, 100, 150, 200, 300, 400, 600, 800, 1200};
    for (const int32_t chosen : dpis) {
        for (const int32_t highest : dpis) {
            if (chosen <= highest)
                continue;
            const double factor = static_cast<double>(chosen) / highest;
            for (int64_t s = 0; s < 3000; ++s) {
                const int64_t first = StretchedRows(s, factor), next = StretchedRows(s + 1, factor);
                ASSERT_EQ(first, (s * chosen + highest - 1) / highest) << chosen << " on " << highest;
                ASSERT_GT(next, first);
                ASSERT_EQ(SourceRowOf(first, factor), s) << chosen << " on " << highest;
                ASSERT_EQ(SourceRowOf(next - 1, factor), s) << chosen << " on " << highest;
            }
        }
    }
}

TEST(RowCopy, LeftSkipDropsPixelsAndWhatTheRowLacksIsWhite) {
    RowFormat gray = Format(1, 5, 0);
    gray.iByteWidth = 4;
    gray.leftSkipPixels = 3;
    const Bytes block{1, 2, 3, 4, 5, 6, 7, 8}; // the last row ends the block
    Bytes out(4);
    CopyStripRow(gray, block.data(), block.size(), 0, 1, 0, out.data(), 4);
    EXPECT_EQ(out, (Bytes{8, 255, 255, 255}));

    RowFormat rgb = Format(3, 5, 0);
    rgb.iByteWidth = 6;
    rgb.leftSkipPixels = 1;
    CopyStripRow(rgb, block.data(), 6, 0, 0, 2, out.data(), 2);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), (Bytes{6, 255}));

    RowFormat bitmap = Format(0, 5, 0);
    bitmap.iByteWidth = 2;
    bitmap.leftSkipPixels = 12; // whole bytes only
    CopyStripRow(bitmap, block.data(), block.size(), 4, 1, 0, out.data(), 2);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), (Bytes{8, 0}));
}

TEST(RowCopy, ChromaStretchInsertsMeansAndRepeatsTheRowsLastSample) {
    RowFormat gray = Format(1, 5, 0);
    gray.iByteWidth = 6;
    gray.chromaRatio = 2;
    const Bytes block{10, 20, 30, 40, 50, 60};
    Bytes out(8);
    CopyStripRow(gray, block.data(), block.size(), 0, 0, 0, out.data(), out.size());
    EXPECT_EQ(out, (Bytes{10, 20, 25, 30, 40, 45, 50, 60}));

    gray.iByteWidth = 3;
    gray.chromaRatio = 3;
    Bytes end(6);
    CopyStripRow(gray, block.data() + 3, 3, 0, 0, 0, end.data(), end.size());
    EXPECT_EQ(end, (Bytes{40, 50, 60, 60, 255, 255}));

    RowFormat rgb = Format(3, 5, 0);
    rgb.iByteWidth = 6;
    rgb.chromaRatio = 1;
    CopyStripRow(rgb, block.data(), block.size(), 0, 0, 1, end.data(), 4);
    EXPECT_EQ(Bytes(end.begin(), end.begin() + 4), (Bytes{20, 35, 50, 50}));
}

TEST(StitchMarks, AChunkFromRow30MarksTenRowsNarrowingToOne) {
    const int32_t width = 200;
    Bytes block(15 * width, 0x40);
    PaintStitchMarksGray(block.data(), block.size(), {100, 100, 0, 0}, width, 4, 30, 44);
    for (int32_t row = 0; row < 15; ++row) {
        const int32_t half = row < 10 ? 10 - row : 0;
        for (int32_t x = 0; x < width; ++x)
            ASSERT_EQ(block[row * width + x], x >= 100 - half && x < 100 + half ? 0xBF : 0x40)
                << "row " << row << " x " << x;
    }
}

TEST(StitchMarks, RgbRedPixelsGray5SeamsNineLeftAndBitmapBitsInverted) {
    // Rows 38 and 39; the chunk's last row is marked left of its seams only.
    Bytes rgb(2 * 90, 9);
    PaintStitchMarksRgb(rgb.data(), rgb.size(), {30, 30, 30, 0}, 90, 38, 39);
    std::vector<int> red;
    for (int i = 0; i < 180; i += 3)
        if (rgb[i] == 255 && rgb[i + 1] == 0 && rgb[i + 2] == 0)
            red.push_back(i);
    EXPECT_EQ(red, (std::vector<int>{24, 27, 30, 33, 54, 57, 60, 63, 117, 147}));

    Bytes gray(2 * 200, 0);
    PaintStitchMarksGray(gray.data(), gray.size(), {109, 100, 0, 0}, 209, 5, 39, 40);
    EXPECT_EQ(gray[99], 255);
    EXPECT_EQ(gray[100], 255);
    EXPECT_EQ(std::count(gray.begin(), gray.end(), 255), 2);

    Bytes bits(2 * 4, 0);
    PaintStitchMarksBitmap(bits.data(), bits.size(), {16, 16, 0, 0}, 4, 39, 40);
    EXPECT_EQ(bits, (Bytes{0, 0x01, 0x80, 0, 0, 0, 0, 0}));
}

TEST(StitchMarks, ABlockShorterThanTheChunkIsNeverWrittenPast) {
    Bytes rgb(100 + 8, 7);
    PaintStitchMarksRgb(rgb.data(), 100, {45, 45, 0, 0}, 90, 0, 9);
    EXPECT_EQ(Bytes(rgb.begin() + 99, rgb.end()), Bytes(9, 7));
    Bytes bits(3 + 8, 0);
    PaintStitchMarksBitmap(bits.data(), 3, {20, 20, 0, 0}, 4, 0, 9);
    EXPECT_EQ(Bytes(bits.begin() + 3, bits.end()), Bytes(8, 0));
}
