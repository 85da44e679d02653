#include "SimTestUtil.h"

#include "sim/Imaging.h"
#include "sim/Pages.h"

#include <gtest/gtest.h>

using namespace qv::sim;
using namespace qv::sim::test;

namespace {

uint32_t Be32At(const std::vector<uint8_t>& p, size_t at) {
    return uint32_t{p[at]} << 24 | uint32_t{p[at + 1]} << 16 | uint32_t{p[at + 2]} << 8 | p[at + 3];
}

std::string TextAt(const std::vector<uint8_t>& p, size_t at, size_t n) {
    return std::string(p.begin() + static_cast<long>(at), p.begin() + static_cast<long>(at + n));
}

// Fetches a page the way a module does: 6 bytes first, then the length byte 3 announces.
std::vector<uint8_t> FetchPage(SimulatedLibrary& lib, uint32_t h, uint8_t code) {
    std::vector<uint8_t> head(6);
    EXPECT_EQ(lib.scanInquiryPage(h, head.data(), 6, code), 0);
    std::vector<uint8_t> page(head[3] + 4u);
    EXPECT_EQ(lib.scanInquiryPage(h, page.data(), static_cast<uint8_t>(page.size()), code), 0);
    return page;
}

Profile Custom() {
    Profile p = BuiltInProfile("gen5-color-54");
    p.vendor = "ACMEIMG ";
    p.product = "WIDE FORMAT 5400";
    p.firmwareRevision = 23;
    p.executableRevision = 1042;
    p.fpgaRevision = 9;
    p.releaseDate = "2026-06-01 08:30";
    p.scannerClass = 3;
    p.gen4ColorAccepted = true;
    p.reducedRange = true;
    p.reducedMin = 150;
    p.reducedMax = 400;
    p.maxY = 800;
    p.bwModes = 0x8F;
    p.bwModesLimited = 0x05;
    p.sharpenMin = -2;
    p.sharpenMax = 5;
    p.gammaLength = 4096;
    p.resolutions = {25, 100, 600, 1200};
    return p;
}

TEST(Pages, InquiryAndEveryVendorPageAtTheirOffsets) {
    Profile p = Custom();
    DeviceSetup d;
    d.profile = p;
    SimulatedLibrary lib(OneDevice(d));
    uint32_t h = OpenFirst(lib);

    std::vector<uint8_t> inquiry(36);
    ASSERT_EQ(lib.scanInquiry(h, inquiry.data(), 36), 0);
    EXPECT_EQ(inquiry[0], 0x06);
    EXPECT_EQ(TextAt(inquiry, 8, 8), "ACMEIMG ");
    EXPECT_EQ(TextAt(inquiry, 16, 16), "WIDE FORMAT 5400");
    EXPECT_EQ(TextAt(inquiry, 32, 4), "0023");

    auto c0 = FetchPage(lib, h, 0xC0);
    ASSERT_EQ(c0.size(), 76u);
    EXPECT_EQ(c0[1], 0xC0);
    EXPECT_EQ(c0[3], 72);
    EXPECT_EQ(TextAt(c0, 28, 4), "1042");
    EXPECT_EQ(TextAt(c0, 36, 16), "2026-06-01 08:30");
    EXPECT_EQ(std::vector<uint8_t>(c0.begin() + 60, c0.begin() + 64), (std::vector<uint8_t>{0, 0, 0, 5}));
    EXPECT_EQ(TextAt(c0, 72, 4), "0009");

    auto c1 = FetchPage(lib, h, 0xC1);
    ASSERT_EQ(c1.size(), 67u);
    EXPECT_EQ(c1[3], 63);
    EXPECT_EQ(c1[8], 1);
    EXPECT_EQ(c1[12], 1);
    EXPECT_EQ(c1[19], 3);
    EXPECT_EQ(Be32At(c1, 24), 1048576u);
    EXPECT_EQ(Be32At(c1, 28), 64800u);
    EXPECT_EQ(c1[50], 1);
    EXPECT_EQ(Be32At(c1, 51), 0x8Fu);
    EXPECT_EQ(static_cast<int8_t>(c1[55]), -2);
    EXPECT_EQ(c1[56], 5);
    EXPECT_EQ(c1[66], 77);

    auto c2 = FetchPage(lib, h, 0xC2);
    ASSERT_EQ(c2.size(), 56u);
    EXPECT_EQ(Be32At(c2, 36), 0x05u);
    EXPECT_EQ(Be32At(c2, 40), 150u);
    EXPECT_EQ(Be32At(c2, 44), 400u);
    EXPECT_EQ(Be32At(c2, 52), 800u);

    auto c3 = FetchPage(lib, h, 0xC3);
    ASSERT_EQ(c3.size(), 12u + 16u);
    EXPECT_EQ(Be32At(c3, 4), 4u);
    EXPECT_EQ(Be32At(c3, 12), 25u);
    EXPECT_EQ(Be32At(c3, 24), 1200u);

    auto c4 = FetchPage(lib, h, 0xC4);
    ASSERT_EQ(c4.size(), 40u);
    EXPECT_EQ(Be32At(c4, 36), 4096u);

    std::vector<uint8_t> none(8);
    EXPECT_EQ(lib.scanInquiryPage(h, none.data(), 8, 0xC5), 2);
    EXPECT_EQ(lib.scanGetLastAsc(h), 0x2400);
}

TEST(Pages, ShortenedPagesStopBeforeTheirFields) {
    Profile p = Custom();
    p.pageLength = {64, 60, 52, 16, 36};
    auto c0 = BuildPage(p, 0xC0);
    ASSERT_EQ(c0.size(), 64u);
    EXPECT_EQ(c0[3], 60) << "byte 3 is the length less 4";
    EXPECT_EQ(c0[63], 5) << "the generation still fits";
    auto c1 = BuildPage(p, 0xC1);
    ASSERT_EQ(c1.size(), 60u);
    EXPECT_EQ(c1[3], 56); // below 61: no B/W mask, but the sharpen range fits
    EXPECT_EQ(BuildPage(p, 0xC2).size(), 52u);
    auto c3 = BuildPage(p, 0xC3);
    ASSERT_EQ(c3.size(), 16u);
    EXPECT_EQ(Be32At(c3, 4), 4u) << "the count still says four";
    EXPECT_EQ(BuildPage(p, 0xC4).size(), 36u);
    EXPECT_TRUE(BuildPage(p, 0xBF).empty());

    Profile boot = BuiltInProfile("boot");
    EXPECT_LT(BuildPage(boot, 0xC1)[3], 55) << "too short for the sharpen range";
    EXPECT_LT(BuildPage(boot, 0xC2).size(), 56u) << "no highest vertical resolution";
}

TEST(Pages, ColourMatrixBufferHoldsThreeSignedEntries) {
    Profile p = BuiltInProfile("gen5-color-36");
    p.colorMatrix[2] = {-1, 2, -3, 4, -32768, 32767, 0, 0, 7};
    auto buffer = BuildColorMatrixBuffer(p);
    ASSERT_EQ(buffer.size(), 54u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 4), (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 36, buffer.begin() + 40),
              (std::vector<uint8_t>{0xFF, 0xFF, 0, 2}));
    EXPECT_EQ(buffer[44], 0x80);
    EXPECT_EQ(buffer[46], 0x7F);
}

TEST(Profiles, BuiltInsCoverBothGenerationsAndTheirQuirks) {
    for (const auto& name : BuiltInProfileNames()) {
        Profile p = BuiltInProfile(name);
        SCOPED_TRACE(name);
        EXPECT_EQ(p.name, name);
        EXPECT_EQ(p.product.size(), 16u);
        EXPECT_FALSE(p.resolutions.empty());
        EXPECT_TRUE(p.generation == 4 || p.generation == 5);
        // The widest row per camera still fits the 16-bit picture-size fields.
        const uint64_t dpi = EffectiveResolutionX(p, p.resolutions.back());
        EXPECT_LE(uint64_t{p.maxScanWidth} * dpi / 1200 / p.cameras * 3, 65535u);
    }
    EXPECT_EQ(BuiltInProfile("gen4-gray").resolutions.front(), 25u);
    EXPECT_FALSE(BuiltInProfile("gen4-gray").color);
    EXPECT_TRUE(BuiltInProfile("gen4-color").gen4ColorAccepted);
    Profile wide = BuiltInProfile("wide600");
    EXPECT_EQ(wide.maxScanWidth, 48000u);
    EXPECT_EQ(wide.resolutions.back(), 600u);
    EXPECT_EQ(BuiltInProfile("class3-780").scannerClass, 3);
    EXPECT_GT(BuiltInProfile("class3-780").resolutions.back(), 780u);
    EXPECT_EQ(BuiltInProfile("gen5-color-54").cameras, 4);
    EXPECT_EQ(BuiltInProfile("gen5-color-36").windowLength, 68) << "too short for the colour-space byte";
    EXPECT_TRUE(BuiltInProfile("no-such").name.empty());
}

TEST(Profiles, TextOverridesKeysOnABase) {
    Profile p;
    std::string error;
    ASSERT_TRUE(ParseProfile("base = gen4-gray\n# a comment\nproduct = MY SCANNER\n"
                             "resolutions = 100, 200 300\ncolor-matrix = 1 2 3 4 5 6 7 8 9\n"
                             "page-c1-length = 59\nthroughput = 2.5e6\nbw-modes = 0x1F\n",
                             p, error))
        << error;
    EXPECT_EQ(p.generation, 4);
    EXPECT_EQ(p.product, "MY SCANNER      ");
    EXPECT_EQ(p.resolutions, (std::vector<uint32_t>{100, 200, 300}));
    EXPECT_EQ(p.colorMatrix[1][8], 9);
    EXPECT_EQ(p.PageLength(1), 59);
    EXPECT_EQ(p.PageLength(3), 24);
    EXPECT_DOUBLE_EQ(p.throughput, 2.5e6);
    EXPECT_EQ(p.bwModes, 0x1Fu);

    for (const char* bad : {"colour = 1", "cameras = 5", "product = SEVENTEEN CHARS 17", "base = nothing",
                            "page-c2-length = 300", "resolutions = 100 x", "[device]", "generation"}) {
        Profile q;
        EXPECT_FALSE(ParseProfile(std::string("firmware = 20\n") + bad, q, error)) << bad;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

} // namespace
