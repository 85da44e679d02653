#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scanner/GammaCurve.h"

namespace {

std::vector<uint8_t> Curve(int32_t entries, double gamma, int32_t brightness, int32_t contrast) {
    CGammaCurve curve(entries);
    curve.SetGamma(gamma);
    std::vector<uint8_t> out(static_cast<size_t>(entries), 0xAA);
    curve.Apply(out.data(), brightness, contrast);
    return out;
}

TEST(GammaCurve, IdentityScalesToTheTableLength) {
    const auto identity = Curve(256, 1.0, 0, 0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(identity[i], i);
    const auto wide = Curve(1024, 1.0, 0, 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[3], 0);
    EXPECT_EQ(wide[4], 1);
    EXPECT_EQ(wide[1023], 255);
}

TEST(GammaCurve, PowerCurveIsTruncated) {
    const auto curve = Curve(256, 2.0, 0, 0);
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[64], 127);
    EXPECT_EQ(curve[255], 255);
    // A gamma within 1e-5 of 1 is the identity, not a power curve.
    EXPECT_EQ(Curve(256, 1.000001, 0, 0), Curve(256, 1.0, 0, 0));
    // Not a number is no gamma at all: the identity.
    EXPECT_EQ(Curve(256, std::nan(""), 0, 0), Curve(256, 1.0, 0, 0));
}

TEST(GammaCurve, GammaIsClampedToItsRange) {
    CGammaCurve low(256);
    low.SetGamma(0.0);
    EXPECT_DOUBLE_EQ(low.Gamma(), 0.1);
    EXPECT_EQ(Curve(256, 0.0, 0, 0), Curve(256, 0.1, 0, 0));
    EXPECT_EQ(Curve(256, 10.0, 0, 0), Curve(256, 9.0, 0, 0));
    // 0.1 leaves almost everything black: (128/255)^10 x 255 = 0.25.
    EXPECT_EQ(Curve(256, 0.1, 0, 0)[128], 0);
    EXPECT_EQ(Curve(256, 9.0, 0, 0)[1], 137);
}

TEST(GammaCurve, ContrastStretchesAboutTheMiddle) {
    const auto steep = Curve(256, 1.0, 0, 64);
    EXPECT_EQ(steep[0], 0);
    EXPECT_EQ(steep[63], 0);
    EXPECT_EQ(steep[64], 0);
    EXPECT_EQ(steep[191], 255);
    EXPECT_EQ(steep[255], 255);
    EXPECT_EQ(steep[128], 128);
    // Negative contrast flattens: 0 -> 64 x 255 / 383.
    const auto flat = Curve(256, 1.0, 0, -64);
    EXPECT_EQ(flat[0], 42);
    EXPECT_EQ(flat[255], 212);
}

TEST(GammaCurve, BrightnessSaturates) {
    for (uint8_t v : Curve(256, 1.0, 300, 0))
        EXPECT_EQ(v, 255);
    for (uint8_t v : Curve(256, 2.0, -300, 0))
        EXPECT_EQ(v, 0);
    EXPECT_EQ(Curve(256, 1.0, 10, 0)[100], 110);
}

TEST(GammaCurve, ShortAndEmptyTablesStaySafe) {
    const auto shortTable = Curve(16, 1.0, 0, 0);
    EXPECT_EQ(shortTable[15], 15);
    const auto single = Curve(1, 2.0, 0, 0);
    EXPECT_EQ(single[0], 0);

    CGammaCurve empty(0);
    EXPECT_TRUE(empty.IsEmpty());
    empty.SetGamma(2.0);
    uint8_t untouched = 0x5A;
    empty.Apply(&untouched, 100, 0);
    EXPECT_EQ(untouched, 0x5A);
}

} // namespace
