// The built module as the Windows loader sees it: exports, registration and terminology
// resources, string table and version block.
#include "MiniHost.h"

#include "plugin/HostUtilities.h"
#include "resources/strings.h"
#include "tests/pe/ExpectedResources.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override { module = LoadLibraryA("Quorvel.8ba"); }
    void TearDown() override {
        if (module)
            FreeLibrary(module);
    }
    std::vector<uint8_t> Resource(const char* type) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(16000), type);
        if (!found)
            return {};
        auto* first = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
        return std::vector<uint8_t>(first, first + SizeofResource(module, found));
    }
    HMODULE module = nullptr;
};

TEST_F(ModuleTest, ExportsBothEntries) {
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "ENTRYPOINT"), nullptr);
    FARPROC uiProc = GetProcAddress(module, "UIProc");
    ASSERT_NE(uiProc, nullptr);
    EXPECT_EQ(GetProcAddress(module, "UIProc@16"), nullptr);
    EXPECT_EQ(reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(uiProc))(nullptr, WM_INITDIALOG, 0, 0),
              FALSE);
}

TEST_F(ModuleTest, RegistrationAndTerminologyAsTheLoaderSeesThem) {
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(Resource("PiPL"), expected::Registration());
    std::vector<uint8_t> aete = Resource("AETE");
    EXPECT_EQ(aete, expected::Terminology());
    // The codes sit in the resource as little-endian numbers: 'Hrzn' reads 0x48727A6E.
    const std::string rows = "\x04rows";
    auto at = std::search(aete.begin(), aete.end(), rows.begin(), rows.end());
    ASSERT_NE(at, aete.end());
    uint32_t key = 0;
    std::memcpy(&key, &*(at + rows.size()), 4);
    EXPECT_EQ(key, 0x48727A6Eu);
}

TEST_F(ModuleTest, StringTableAndVersionBlock) {
    ASSERT_NE(module, nullptr);
    char text[256];
    ASSERT_GT(LoadStringA(module, IDS_REQUIRES_VERSION, text, sizeof text), 0);
    EXPECT_STREQ(text, TEXT_REQUIRES_VERSION);
    ASSERT_GT(LoadStringA(module, IDS_INCOMPATIBLE_HOST, text, sizeof text), 0);
    EXPECT_STREQ(text, TEXT_INCOMPATIBLE_HOST);

    char file[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module, file, sizeof file), 0u);
    DWORD unused = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(file, &unused));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(file, 0, DWORD(info.size()), info.data()));
    char* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904e4\\FileVersion",
                               reinterpret_cast<void**>(&value), &length));
    EXPECT_STREQ(value, "4.0");
}

// The test program carries the same version block, so it can stand for a host.
TEST(RunningHost, IdentityComesFromTheExecutable) {
    const HostInfo& info = RunningHostInfo();
    EXPECT_EQ(info.hostCode, 0u); // "Quorvel" is no known host
    EXPECT_EQ(info.major, 4);
    EXPECT_EQ(info.minor, 0);
    EXPECT_EQ(info.platform, kPlatformWindowsNT);
    EXPECT_EQ(info.stage, kStageFinal);
    EXPECT_EQ(HostVersion(MakeOSType('8', 'B', 'I', 'M')), 0u);
}

} // namespace
