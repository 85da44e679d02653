#include <gtest/gtest.h>

#include "FakeScannerLibrary.h"
#include "scanner/ErrorText.h"
#include "scanner/Scanner.h"

namespace {

using qv::test::FakeDevice;
using qv::test::FakeScannerLibrary;
using qv::test::MakeDevice;
using qv::test::Profile;

constexpr uint32_t kHandle = 0x42;

class Capabilities : public ::testing::Test {
  protected:
    FakeDevice& Attach(const Profile& profile = {}) {
        library.devices.push_back(MakeDevice(kHandle, profile));
        scanner.SetHandle(kHandle);
        return library.devices.back();
    }
    // Keeps the first `length` bytes of a page and makes its length byte say so.
    void Cut(uint8_t code, size_t length) {
        auto& page = library.devices.back().pages[code];
        page.resize(length);
        page[3] = static_cast<uint8_t>(length - 4);
    }
    FakeScannerLibrary library;
    CScanner scanner{&library};
};

TEST_F(Capabilities, FullPagesAnswerEveryGetter) {
    Attach();
    EXPECT_EQ(scanner.GetProductId(), "WIDE SCAN 5000  ");
    EXPECT_EQ(scanner.GetFirmwareRevision(), 21);
    EXPECT_EQ(scanner.GetExecutableRevision(), 123);
    EXPECT_EQ(scanner.GetReleaseDate(), "2004-06-15 rev.A");
    EXPECT_EQ(scanner.GetGeneration(), 5);
    EXPECT_EQ(scanner.GetFpgaRevision(), 42);
    EXPECT_TRUE(scanner.IsColor());
    EXPECT_TRUE(scanner.HasReducedDpiRange());
    EXPECT_EQ(scanner.GetScannerClass(), 0);
    EXPECT_EQ(scanner.GetBufferSize(), 0x100000u);
    EXPECT_EQ(scanner.GetMaxScanWidth(), 48000u);
    EXPECT_TRUE(scanner.IsGen4ColorAccepted());
    EXPECT_EQ(scanner.GetSupportedBWModes(), 0xFFu);
    int32_t lowest = 99;
    int32_t highest = 99;
    EXPECT_EQ(scanner.GetSharpenRange(lowest, highest), 0);
    EXPECT_EQ(lowest, -1);
    EXPECT_EQ(highest, 6);
    EXPECT_EQ(scanner.GetWindowLength(), 76);
    EXPECT_EQ(scanner.GetSupportedBWModesLimited(), 0x0Fu);
    EXPECT_EQ(scanner.GetReducedDpiMin(), 150u);
    EXPECT_EQ(scanner.GetReducedDpiMax(), 400u);
    EXPECT_EQ(scanner.GetResolutionMaxY(), 600u);
    EXPECT_EQ(scanner.GetResolutionCount(), 7u);
    EXPECT_EQ(scanner.GetResolution(0), 25u);
    EXPECT_EQ(scanner.GetResolution(1), 50u);
    EXPECT_EQ(scanner.GetResolution(6), 600u);
    EXPECT_EQ(scanner.GetMaxResolution(), 600u);
    EXPECT_EQ(scanner.GetGammaLength(), 256u);
}

TEST_F(Capabilities, ResolutionIndexOutsideTheListReadsZero) {
    Attach();
    EXPECT_EQ(scanner.GetResolution(7), 0u);
    EXPECT_EQ(scanner.GetResolution(-1), 0u);
    Profile empty;
    empty.resolutions.clear();
    library.devices.clear();
    Attach(empty);
    scanner.ClearInquiryCache();
    EXPECT_EQ(scanner.GetResolutionCount(), 0u);
    EXPECT_EQ(scanner.GetMaxResolution(), 0u);
}

TEST_F(Capabilities, WithoutPagesEveryGetterFallsBack) {
    FakeDevice& device = Attach();
    device.pages.clear();
    device.inquiry.clear();
    EXPECT_EQ(scanner.GetProductId(), "");
    EXPECT_EQ(scanner.GetFirmwareRevision(), 0);
    EXPECT_EQ(scanner.GetExecutableRevision(), 0);
    EXPECT_EQ(scanner.GetReleaseDate(), "No Release Date");
    EXPECT_EQ(scanner.GetGeneration(), 0);
    EXPECT_EQ(scanner.GetFpgaRevision(), 0);
    EXPECT_FALSE(scanner.IsColor());
    EXPECT_FALSE(scanner.HasReducedDpiRange());
    EXPECT_EQ(scanner.GetScannerClass(), 0);
    EXPECT_EQ(scanner.GetBufferSize(), 0u);
    EXPECT_EQ(scanner.GetMaxScanWidth(), 0u);
    EXPECT_FALSE(scanner.IsGen4ColorAccepted());
    EXPECT_EQ(scanner.GetSupportedBWModes(), 0u);
    int32_t lowest = 99;
    int32_t highest = 99;
    EXPECT_EQ(scanner.GetSharpenRange(lowest, highest), library.missingPageStatus);
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 0);
    // Not generation 4 and firmware 0: the short block.
    EXPECT_EQ(scanner.GetWindowLength(), 67);
    EXPECT_EQ(scanner.GetSupportedBWModesLimited(), 0u);
    EXPECT_EQ(scanner.GetReducedDpiMin(), 0u);
    EXPECT_EQ(scanner.GetReducedDpiMax(), 0u);
    EXPECT_EQ(scanner.GetResolutionMaxY(), 0u);
    EXPECT_EQ(scanner.GetResolutionCount(), 0u);
    EXPECT_EQ(scanner.GetResolution(0), 0u);
    EXPECT_EQ(scanner.GetMaxResolution(), 0u);
    EXPECT_EQ(scanner.GetGammaLength(), 0u);
    EXPECT_FALSE(scanner.IsWide600Model());
    EXPECT_FALSE(scanner.HasCustomColorMatrix());
}

TEST_F(Capabilities, FieldsGatedByThePageLength) {
    Attach();
    // 0xC1 length byte 60: below the B/W mode threshold of 61, above the sharpen one of 55.
    Cut(0xC1, 64);
    EXPECT_EQ(scanner.GetSupportedBWModes(), 0u);
    int32_t lowest = 0;
    int32_t highest = 0;
    EXPECT_EQ(scanner.GetSharpenRange(lowest, highest), 0);
    EXPECT_EQ(lowest, -1);
    EXPECT_EQ(highest, 6);
    EXPECT_EQ(scanner.GetWindowLength(), 68);

    scanner.ClearInquiryCache();
    Cut(0xC1, 58);
    EXPECT_EQ(scanner.GetSharpenRange(lowest, highest), kStatusPageTooShort);
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 0);
    EXPECT_EQ(GetErrorText(kStatusPageTooShort, 0), "ERROR_PARNNOTSUPP");

    // 0xC2 of 55 bytes is one short of the limited B/W mask's 56.
    Cut(0xC2, 55);
    EXPECT_EQ(scanner.GetSupportedBWModesLimited(), 0u);
    EXPECT_EQ(scanner.GetReducedDpiMin(), 150u);
}

TEST_F(Capabilities, FieldsBeyondTheReceivedPageReadZero) {
    Attach();
    Cut(0xC0, 62);
    Cut(0xC1, 30);
    Cut(0xC2, 50);
    Cut(0xC3, 20);
    Cut(0xC4, 38);
    // Generation bytes 62 and 63 are missing; FPGA at 72 lies beyond.
    EXPECT_EQ(scanner.GetGeneration(), 0);
    EXPECT_EQ(scanner.GetFpgaRevision(), 0);
    EXPECT_EQ(scanner.GetExecutableRevision(), 123);
    EXPECT_EQ(scanner.GetBufferSize(), 0x100000u);
    EXPECT_EQ(scanner.GetMaxScanWidth(), 0u);
    EXPECT_FALSE(scanner.IsGen4ColorAccepted());
    EXPECT_EQ(scanner.GetReducedDpiMax(), 400u);
    EXPECT_EQ(scanner.GetResolutionMaxY(), 0u);
    // The count says 7 but only two entries arrived.
    EXPECT_EQ(scanner.GetResolution(1), 50u);
    EXPECT_EQ(scanner.GetResolution(2), 0u);
    EXPECT_EQ(scanner.GetMaxResolution(), 0u);
    EXPECT_EQ(scanner.GetGammaLength(), 0u);
}

TEST_F(Capabilities, WindowLengthFallbacks) {
    Profile gen4;
    gen4.generation = 4;
    Attach(gen4);
    Cut(0xC1, 66);
    EXPECT_EQ(scanner.GetWindowLength(), 63);

    for (const auto& [firmware, length] : {std::pair{19, 67}, std::pair{20, 68}}) {
        library.devices.clear();
        Profile gen5;
        gen5.firmwareRevision = firmware;
        Attach(gen5);
        Cut(0xC1, 66);
        scanner.ClearInquiryCache();
        EXPECT_EQ(scanner.GetWindowLength(), length) << firmware;
    }
}

TEST_F(Capabilities, PagesAreFetchedInTwoStepsAndCached) {
    Attach();
    EXPECT_EQ(scanner.GetGeneration(), 5);
    auto fetches = library.CallsOf("scanInquiryPage");
    ASSERT_EQ(fetches.size(), 2u);
    EXPECT_EQ(fetches[0].args[0], 6);
    EXPECT_EQ(fetches[0].args[1], 0xC0);
    EXPECT_EQ(fetches[1].args[0], 76);
    EXPECT_EQ(fetches[1].args[1], 0xC0);
    EXPECT_EQ(scanner.GetFpgaRevision(), 42);
    EXPECT_EQ(scanner.GetReleaseDate(), "2004-06-15 rev.A");
    EXPECT_EQ(library.Count("scanInquiryPage"), 2u);
    scanner.ClearInquiryCache();
    EXPECT_EQ(scanner.GetGeneration(), 5);
    EXPECT_EQ(library.Count("scanInquiryPage"), 4u);
}

TEST_F(Capabilities, FailedFetchesAreNotCached) {
    Attach();
    library.Answer("scanInquiryPage", {0, -112});
    EXPECT_FALSE(scanner.IsColor());
    EXPECT_EQ(scanner.GetLastStatus(), -112);
    EXPECT_TRUE(scanner.IsColor());
    EXPECT_EQ(library.Count("scanInquiryPage"), 4u);

    library.Answer("scanInquiry", {-113});
    EXPECT_EQ(scanner.GetFirmwareRevision(), 0);
    EXPECT_EQ(scanner.GetFirmwareRevision(), 21);
}

TEST_F(Capabilities, PageLongerThan255BytesStaysWithinItsBuffer) {
    Profile profile;
    profile.pageLength[3] = 255;
    FakeDevice& device = Attach(profile);
    device.pages[0xC3][3] = 252; // says 256 bytes, asked for with the length cut to 0
    EXPECT_EQ(scanner.GetResolutionCount(), 0u);
    EXPECT_EQ(scanner.GetResolution(0), 0u);
    EXPECT_EQ(library.CallsOf("scanInquiryPage").back().args[0], 0);
}

TEST_F(Capabilities, Wide600Model) {
    struct Case {
        int32_t generation;
        bool color;
        uint32_t width;
        uint8_t scannerClass;
        uint32_t lastResolution;
        bool wide;
    };
    const Case cases[] = {
        {5, true, 48000, 0, 600, true},  {5, true, 43200, 0, 600, false},  {5, true, 43200, 3, 600, true},
        {5, true, 54000, 0, 600, false}, {5, true, 54001, 0, 600, true},   {5, true, 72000, 0, 600, true},
        {4, true, 48000, 0, 600, false}, {5, false, 48000, 0, 600, false}, {5, true, 48000, 0, 800, false},
    };
    for (const Case& c : cases) {
        Profile profile;
        profile.generation = c.generation;
        profile.color = c.color;
        profile.maxScanWidth = c.width;
        profile.scannerClass = c.scannerClass;
        profile.resolutions = {100, 200, c.lastResolution};
        library.devices.clear();
        Attach(profile);
        scanner.ClearInquiryCache();
        EXPECT_EQ(scanner.IsWide600Model(), c.wide)
            << c.generation << " " << c.width << " " << int(c.scannerClass);
    }
}

std::vector<uint8_t> Matrices(std::initializer_list<int16_t> second) {
    std::vector<uint8_t> bytes(54, 0);
    size_t offset = 18;
    for (int16_t v : second) {
        bytes[offset++] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
        bytes[offset++] = static_cast<uint8_t>(v);
    }
    return bytes;
}

TEST_F(Capabilities, CustomColorMatrixIsAnyButTheTwoNeutralOnes) {
    Attach();
    library.colorMatrices = Matrices({512, 0, 0, 0, 512, 0, 0, 0, 512});
    EXPECT_FALSE(scanner.HasCustomColorMatrix());
    auto reads = library.CallsOf("scanReadBuffer");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].args, (std::array<int32_t, 4>{1, 7, 18, 18}));

    library.colorMatrices = Matrices({256, 256, 0, 256, 0, 256, 0, 256, 256});
    EXPECT_FALSE(scanner.HasCustomColorMatrix());
    library.colorMatrices = Matrices({600, -50, -38, -20, 560, -28, 0, -90, 602});
    EXPECT_TRUE(scanner.HasCustomColorMatrix());
    std::array<int16_t, 9> values{};
    EXPECT_EQ(scanner.ReadColorMatrixEntry(2, values), 0);
    EXPECT_EQ(values[1], -50);
    EXPECT_EQ(values[8], 602);

    library.Answer("scanReadBuffer", {-112});
    EXPECT_FALSE(scanner.HasCustomColorMatrix());
}

TEST_F(Capabilities, ColorMatrixEntryOutsideOneToThreeIsRefusedWithoutACall) {
    Attach();
    std::array<int16_t, 9> values{};
    EXPECT_EQ(scanner.ReadColorMatrixEntry(0, values), kStatusParameterInvalid);
    EXPECT_EQ(scanner.ReadColorMatrixEntry(4, values), kStatusParameterInvalid);
    EXPECT_EQ(library.Count("scanReadBuffer"), 0u);
    EXPECT_EQ(scanner.ReadColorMatrixEntry(3, values), 0);
    EXPECT_EQ(library.CallsOf("scanReadBuffer")[0].args[2], 36);
    EXPECT_EQ(GetErrorText(kStatusParameterInvalid, 0), "Parameter value invalid.");
}

TEST_F(Capabilities, GenerationFourHasNoColorMatrix) {
    Profile gen4;
    gen4.generation = 4;
    Attach(gen4);
    library.colorMatrices = Matrices({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_FALSE(scanner.HasCustomColorMatrix());
    EXPECT_EQ(library.Count("scanReadBuffer"), 0u);
}

} // namespace
