// The prescan's data turned into preview rows, held against a direct computation of which
// lines and pixels each preview pixel comes from.
#include "preview/LineDecoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Rows = std::vector<std::vector<uint8_t>>;

Rows Decode(preview::LineDecoding& d, const std::vector<uint8_t>& chunk, int32_t mode, int32_t previewWidth) {
    Rows rows;
    preview::DecodeLines(d, chunk, mode, previewWidth,
                         [&](std::span<const uint8_t> rgb) { rows.emplace_back(rgb.begin(), rgb.end()); });
    return rows;
}

TEST(LineWidthTest, FollowsFromTheFirstChunkOrFailsWhenNothingFollows) {
    // 485 = 5 x 97: the only divisor within 100 +- 30.
    EXPECT_EQ(preview::GrayLineWidth(100, 485), 97);
    EXPECT_EQ(preview::GrayLineWidth(100, 262), 0);
    EXPECT_EQ(preview::GrayLineWidth(10, 7), 1); // the search starts at 1
    EXPECT_EQ(preview::BitonalLineWidth(std::vector<uint8_t>{0x83, 0x05, 0xFF, 0, 0x90}), 3 + 5 + 127);

    preview::LineDecoding gray;
    // guess = 150 dpi x 0.5 inch = 75; 485 bytes have no divisor from 45 to 105 but 97.
    ASSERT_TRUE(preview::FixLineWidth(gray, std::vector<uint8_t>(485), 9, 150, 600, 40));
    EXPECT_EQ(gray.iScannedPixelWidth, 97);
    EXPECT_DOUBLE_EQ(gray.dXStep, 97 / 40.0);
    EXPECT_DOUBLE_EQ(gray.dYStep, gray.dXStep);
    EXPECT_FALSE(preview::FixLineWidth(gray = {}, std::vector<uint8_t>(262), 9, 150, 800, 40));

    preview::LineDecoding colour;
    EXPECT_FALSE(preview::FixLineWidth(colour, std::vector<uint8_t>(300), 10, 150, 800, 40));
    colour.iA = 30;
    colour.iC = 33;
    ASSERT_TRUE(preview::FixLineWidth(colour, std::vector<uint8_t>(300), 10, 150, 800, 40));
    EXPECT_EQ(colour.iScannedPixelWidth, 21);
    EXPECT_EQ(colour.iW3, 63);
    EXPECT_DOUBLE_EQ(colour.dXStep, 1.0); // never below one

    preview::LineDecoding bitonal;
    EXPECT_FALSE(preview::FixLineWidth(bitonal, std::vector<uint8_t>{0, 0x85}, 1, 150, 800, 40));
}

// Gray 40 pixels wide into 20 columns: every second line, pixels 1, 3, 5, ...
TEST(LineDecodingTest, GrayLinesAreSampledFromTheMiddleOfEachStep) {
    preview::LineDecoding d;
    d.iA = 40;
    std::vector<uint8_t> chunk(40 * 7);
    for (size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = uint8_t(i * 7 + i / 40);
    ASSERT_TRUE(preview::FixLineWidth(d, chunk, 9, 150, 800, 20));
    const Rows rows = Decode(d, chunk, 9, 20);
    ASSERT_EQ(rows.size(), 4u);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t x = 0; x < 20; ++x)
            for (size_t c = 0; c < 3; ++c)
                ASSERT_EQ(rows[r][x * 3 + c], chunk[r * 2 * 40 + 1 + 2 * x]) << r << ',' << x;
    EXPECT_EQ(d.iSourceLine, 7);
}

// Colour 20 pixels in 60 bytes into 8 columns: steps of 2.5, each from one pixel on.
TEST(LineDecodingTest, ColourLinesKeepTheirThreeBytesPerPixel) {
    preview::LineDecoding d;
    d.iA = 30;
    d.iB = 30;
    std::vector<uint8_t> chunk(60 * 11);
    for (size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = uint8_t(i * 13 + 5);
    ASSERT_TRUE(preview::FixLineWidth(d, chunk, 10, 150, 800, 8));
    // A chunk may end in a partial line; it is dropped.
    chunk.resize(chunk.size() + 17, 0xEE);
    const Rows rows = Decode(d, chunk, 10, 8);
    const std::vector<size_t> lines{0, 2, 5, 7, 10};
    const std::vector<size_t> pixels{0, 2, 5, 7, 10, 12, 15, 17};
    ASSERT_EQ(rows.size(), lines.size());
    for (size_t r = 0; r < lines.size(); ++r)
        for (size_t x = 0; x < 8; ++x)
            for (size_t c = 0; c < 3; ++c)
                ASSERT_EQ(rows[r][x * 3 + c], chunk[lines[r] * 60 + (1 + pixels[x]) * 3 + c])
                    << r << ',' << x;
}

// Runs of one line as pixels, 1 for white.
std::vector<uint8_t> Pixels(const std::vector<uint8_t>& runs) {
    std::vector<uint8_t> pixels;
    for (uint8_t run : runs)
        pixels.insert(pixels.end(), run & 0x7F, (run & 0x80) ? 1 : 0);
    return pixels;
}

// Bitonal 20 pixels into 8 columns: spans of 2.5 pixels, each the share of white in it.
TEST(LineDecodingTest, BitonalLinesBecomeTheShareOfWhiteInEachSpan) {
    std::vector<std::vector<uint8_t>> lines;
    for (uint8_t i = 0; i < 9; ++i)
        lines.push_back({uint8_t(0x80 | (i + 1)), uint8_t(3), uint8_t(0x80 | (16 - i))});
    lines[4] = {0x80 | 20};
    std::vector<uint8_t> chunk;
    for (const auto& runs : lines) {
        chunk.insert(chunk.end(), runs.begin(), runs.end());
        chunk.push_back(0);
    }
    preview::LineDecoding d;
    ASSERT_TRUE(preview::FixLineWidth(d, chunk, 3, 150, 800, 8));
    ASSERT_EQ(d.iScannedPixelWidth, 20);
    const Rows rows = Decode(d, chunk, 3, 8);

    const std::vector<size_t> shown{0, 2, 5, 7};
    ASSERT_EQ(rows.size(), shown.size());
    for (size_t r = 0; r < shown.size(); ++r) {
        const std::vector<uint8_t> pixels = Pixels(lines[shown[r]]);
        for (int32_t x = 0; x < 8; ++x) {
            const int32_t from = x * 5 / 2, to = std::min((x + 1) * 5 / 2, 20);
            const int32_t ones = int32_t(std::count(pixels.begin() + from, pixels.begin() + to, 1));
            const auto expected = uint8_t(ones * 255 / (to - from));
            for (size_t c = 0; c < 3; ++c)
                ASSERT_EQ(rows[r][size_t(x) * 3 + c], expected) << r << ',' << x;
        }
    }
    EXPECT_EQ(d.iSourceLine, 9);
}

TEST(LineDecodingTest, BitonalLinesOutgrowingTheirBufferStayInside) {
    preview::LineDecoding d;
    ASSERT_TRUE(preview::FixLineWidth(d, std::vector<uint8_t>{0x88, 0}, 3, 150, 800, 8));
    std::vector<uint8_t> chunk(2000, 0xFF);
    chunk.push_back(0);
    chunk.push_back(0x84);
    chunk.push_back(4);
    chunk.push_back(0);
    const Rows rows = Decode(d, chunk, 3, 8);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::vector<uint8_t>(24, 255));
    EXPECT_EQ(rows[1], (std::vector<uint8_t>{255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                             0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0}));
}

} // namespace
