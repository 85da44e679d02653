#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "FakeScannerLibrary.h"
#include "scanner/Scanner.h"

namespace {

using qv::test::FakeScannerLibrary;
using qv::test::MakeDevice;
using qv::test::Profile;

using Bytes = std::vector<std::pair<int, uint8_t>>;

// The expected block: zeros with the listed bytes, cut to the length sent.
std::vector<uint8_t> Block(int length, const Bytes& common, const Bytes& specific) {
    std::vector<uint8_t> block(static_cast<size_t>(length), 0);
    for (const Bytes* list : {&common, &specific})
        for (const auto& [offset, value] : *list)
            if (offset < length)
                block[static_cast<size_t>(offset)] = value;
    return block;
}

// The same parameters for every case; each value is distinct so a misplaced byte shows.
const Bytes kArea = {
    {10, 0x01}, {11, 0x2C},                         // x resolution 300
    {12, 0x00}, {13, 0xC8},                         // y resolution 200
    {14, 0x00}, {15, 0x00}, {16, 0x04}, {17, 0xB0}, // x offset 1200
    {18, 0x00}, {19, 0x00}, {20, 0x09}, {21, 0x60}, // y offset 2400
    {22, 0x00}, {23, 0x00}, {24, 0xBB}, {25, 0x80}, // width 48000
    {26, 0x00}, {27, 0x01}, {28, 0x23}, {29, 0x45}, // height 74565
    {52, 0x00}, {53, 0x00}, {54, 0x01}, {55, 0x2C}, // word 52: 300
    {56, 0x00}, {57, 0x0C}, {58, 0xCC}, {59, 0xCC}, // buffer word 838860
};

Bytes WithLengthByte(uint8_t descriptorLength) {
    Bytes bytes = kArea;
    bytes.emplace_back(7, descriptorLength);
    return bytes;
}

class WindowBlock : public ::testing::Test {
  protected:
    void Attach(int32_t generation, uint8_t windowLength) {
        Profile profile;
        profile.generation = generation;
        profile.windowLength = windowLength;
        library.devices = {MakeDevice(9, profile)};
        scanner.SetHandle(9);
        scanner.ClearInquiryCache();
        library.ClearCalls();
    }
    std::vector<uint8_t> Send(int32_t mode) {
        scanner.ClearWindowParameters();
        scanner.SetScanArea(1200, 2400, 48000, 74565);
        scanner.SetMode(mode);
        scanner.SetResolutionX(300);
        scanner.SetResolutionY(200);
        scanner.SetThreshold(0x80);
        scanner.SetWord52(300);
        scanner.SetDSPAdaptiveLevel(5);
        scanner.SetBackgroundLevel(7);
        scanner.SetBlur(2);
        scanner.SetSharpenSoften(0xFF);
        scanner.SetBufferWord(0x100000 * 4 / 5);
        scanner.SetScanSpeed(1);
        scanner.SetColorSpaceSrgb();
        EXPECT_EQ(scanner.SetWindow(), 0);
        auto sent = library.CallsOf("scanSetWindow");
        EXPECT_EQ(sent.size(), 1u);
        library.ClearCalls();
        if (sent.empty())
            return {};
        EXPECT_EQ(sent[0].args[0], static_cast<int32_t>(sent[0].bytes.size()));
        return sent[0].bytes;
    }
    FakeScannerLibrary library;
    CScanner scanner{&library};
};

TEST_F(WindowBlock, GenerationFourModes) {
    // Generation 4 sends 71 bytes whatever the device's own length byte says.
    Attach(4, 68);
    const Bytes common = WithLengthByte(63);
    EXPECT_EQ(Send(1), Block(71, common, {{31, 0x80}, {34, 1}, {40, 0x80}, {66, 3}}));
    EXPECT_EQ(Send(2), Block(71, common, {{34, 1}, {40, 0x80}, {51, 1}, {65, 5}, {66, 3}}));
    EXPECT_EQ(Send(3), Block(71, common, {{34, 1}, {40, 0x80}, {51, 1}, {65, 15}, {66, 3}}));
    EXPECT_EQ(Send(4), Block(71, common, {{34, 1}, {40, 0x80}, {51, 1}, {65, 25}, {66, 3}}));
    EXPECT_EQ(Send(9), Block(71, common, {{33, 2}, {34, 8}, {70, 2}}));
    EXPECT_EQ(Send(10), Block(71, common, {{33, 5}, {34, 24}, {60, 4}, {70, 2}}));
    // The later black-and-white variants carry no format or vendor bytes at all.
    EXPECT_EQ(Send(5), Block(71, common, {}));
    EXPECT_EQ(Send(8), Block(71, common, {}));
}

TEST_F(WindowBlock, GenerationFiveModesAtEachLength) {
    for (int length : {63, 67, 68, 76}) {
        SCOPED_TRACE(length);
        Attach(5, static_cast<uint8_t>(length));
        Bytes common = WithLengthByte(static_cast<uint8_t>(length - 8));
        for (auto vendor : Bytes{{68, 1}, {70, 2}, {74, 0xFF}})
            common.push_back(vendor);
        EXPECT_EQ(Send(1), Block(length, common, {{31, 0x80}, {34, 1}, {40, 0x80}}));
        EXPECT_EQ(Send(2), Block(length, common, {{34, 1}, {40, 0x80}, {72, 1}, {73, 5}}));
        EXPECT_EQ(Send(8), Block(length, common, {{34, 1}, {40, 0x80}, {72, 7}, {73, 5}, {75, 7}}));
        EXPECT_EQ(Send(9), Block(length, common, {{33, 2}, {34, 8}}));
        // The colour-space byte lies at offset 76: even the 76-byte block, whose descriptor
        // is long enough to ask for it, ends before it.
        EXPECT_EQ(Send(10), Block(length, common, {{33, 5}, {34, 24}, {60, 4}}));
    }
}

// The byte lies at offset 76, so only blocks of 77 bytes or more carry it to the device.
TEST_F(WindowBlock, ColourSpaceByteOnlyInBlocksThatHoldIt) {
    Attach(5, 68);
    EXPECT_EQ(Send(10).size(), 68u);
    Attach(5, 80);
    auto block = Send(10);
    ASSERT_EQ(block.size(), 80u);
    EXPECT_EQ(block[7], 72);
    EXPECT_EQ(block[76], 1);
    EXPECT_EQ(block[77], 0);
    Attach(5, 75);
    EXPECT_EQ(Send(10).size(), 75u);
}

TEST_F(WindowBlock, ParametersAreClearedEvenWhenTheCommandFails) {
    Attach(5, 68);
    scanner.SetMode(10);
    scanner.SetResolution(600);
    scanner.SetScanArea(1, 2, 3, 4);
    library.Answer("scanSetWindow", {0x2400});
    EXPECT_EQ(scanner.SetWindow(), 0x2400);
    EXPECT_EQ(scanner.GetLastStatus(), 0x2400);
    const WindowParameters& cleared = scanner.GetWindowParameters();
    EXPECT_EQ(cleared.enumMode, 0);
    EXPECT_EQ(cleared.dwResolutionX, 0u);
    EXPECT_EQ(cleared.dwResolutionY, 0u);
    EXPECT_EQ(cleared.dwHeight, 0u);

    // A retry without setting them again sends an empty window.
    EXPECT_EQ(scanner.SetWindow(), 0);
    EXPECT_EQ(library.CallsOf("scanSetWindow").back().bytes, Block(68, {{7, 60}}, {}));
}

TEST(WindowBlockBuilder, OddLengthsNeverOverrunTheBlock) {
    WindowParameters window;
    window.enumMode = 10;
    window.byteColorSpace = 1;
    EXPECT_TRUE(BuildWindowBlock(window, 5, 0).empty());
    EXPECT_EQ(BuildWindowBlock(window, 5, 5).size(), 5u);
    const auto longest = BuildWindowBlock(window, 5, 255);
    ASSERT_EQ(longest.size(), 255u);
    EXPECT_EQ(longest[7], 247);
    EXPECT_EQ(longest[76], 1);
}

} // namespace
