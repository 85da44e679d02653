// The module's resources read straight from the file, on any machine: the same facts the
// Windows loader would find, without running a Windows process.
#include "ExpectedResources.h"
#include "PeResources.h"
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

std::string g_module;

class ModuleFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        image = pe::Image::Load(g_module, &error);
        ASSERT_TRUE(image) << error;
    }
    std::optional<pe::Image> image;
};

TEST_F(ModuleFile, RegistrationAndTerminology) {
    EXPECT_EQ(image->Find("PIPL", uint16_t(16000)), expected::Registration());
    EXPECT_EQ(image->Find("AETE", uint16_t(16000)), expected::Terminology());
    auto pipl = image->Find("PiPL", uint16_t(16000));
    ASSERT_TRUE(pipl);
    ASSERT_GT(pipl->size(), expected::kMenuNameAt + 25);
    EXPECT_EQ(std::string(pipl->begin() + expected::kMenuNameAt, pipl->begin() + expected::kMenuNameAt + 25),
              "Vellumix for Photoshop...");
}

TEST_F(ModuleFile, StringTable) {
    EXPECT_EQ(image->String(IDS_REQUIRES_VERSION), TEXT_REQUIRES_VERSION);
    EXPECT_EQ(image->String(IDS_INCOMPATIBLE_HOST), TEXT_INCOMPATIBLE_HOST);
    EXPECT_FALSE(image->String(IDS_INCOMPATIBLE_HOST + 1));
}

TEST_F(ModuleFile, VersionBlock) {
    EXPECT_EQ(image->VersionValue("040904e4/FileVersion"), "4.0");
    EXPECT_EQ(image->VersionValue("040904e4/OriginalFilename"), "Quorvel.8ba");
    EXPECT_EQ(image->VersionValue("040904e4/FileDescription"), "Vellumix for Photoshop");
    EXPECT_FALSE(image->VersionValue("040904e4/NoSuchValue"));
}

// Every cut of the file is refused or read within its bounds, never read past.
TEST(PeReader, TruncatedFilesAreRefusedOrReadSafely) {
    std::ifstream in(g_module, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 4096u);
    const std::string cut = "truncated.bin";
    int refused = 0;
    for (size_t length : {size_t(0), size_t(2), size_t(0x40), size_t(0x100), size_t(0x400), bytes.size() / 2,
                          bytes.size() - 1}) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(length));
        std::string error;
        auto image = pe::Image::Load(cut, &error);
        if (!image) {
            EXPECT_FALSE(error.empty());
            ++refused;
            continue;
        }
        // Whatever survives the cut must still match or be absent.
        auto pipl = image->Find("PIPL", uint16_t(16000));
        if (pipl) {
            EXPECT_EQ(*pipl, expected::Registration());
        }
        image->String(IDS_REQUIRES_VERSION);
        image->VersionValue("040904e4/FileVersion");
    }
    EXPECT_GE(refused, 3);
    std::remove(cut.c_str());
    std::string error;
    EXPECT_FALSE(pe::Image::Load("no-such-module.8ba", &error));
    EXPECT_NE(error.find("cannot be opened"), std::string::npos);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MODULE\n", argv[0]);
        return 2;
    }
    g_module = argv[1];
    return RUN_ALL_TESTS();
}
