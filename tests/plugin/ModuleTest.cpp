// The built module as a host sees it: exports, registration and terminology resources,
// string table and version block.
#include "MiniHost.h"

#include "plugin/HostUtilities.h"
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Little-endian writer for the expected resource bytes.
struct Bytes {
    std::vector<uint8_t> b;
    void u8(uint8_t v) { b.push_back(v); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void code(const char (&four)[5]) { u32(MakeOSType(four[0], four[1], four[2], four[3])); }
    void pstr(const std::string& text) {
        u8(uint8_t(text.size()));
        b.insert(b.end(), text.begin(), text.end());
    }
    void cstr(const std::string& text) {
        b.insert(b.end(), text.begin(), text.end());
        u8(0);
    }
    void pad4() {
        while (b.size() % 4)
            u8(0);
    }
    void property(const char (&key)[5], const Bytes& data) {
        Bytes padded = data;
        padded.pad4();
        code("8BIM");
        code(key);
        u32(0);
        u32(uint32_t(padded.b.size()));
        b.insert(b.end(), padded.b.begin(), padded.b.end());
    }
};

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

TEST_F(ModuleTest, RegistrationResource) {
    ASSERT_NE(module, nullptr);
    Bytes expected;
    expected.u16(1);
    expected.u32(0);
    expected.u32(5);
    Bytes kind, name, vers, wx86, hstm;
    kind.code("8BAM");
    name.pstr("Vellumix for Photoshop...");
    vers.u32(0x00040000);
    wx86.cstr("ENTRYPOINT");
    hstm.u32(0);
    hstm.code("OrvV");
    hstm.code("null");
    hstm.u16(16000);
    hstm.cstr("");
    expected.property("kind", kind);
    expected.property("name", name);
    expected.property("vers", vers);
    expected.property("wx86", wx86);
    expected.property("hstm", hstm);
    EXPECT_EQ(Resource("PiPL"), expected.b);
    // A host that reads the menu name at its fixed place finds it there.
    std::vector<uint8_t> pipl = Resource("PIPL");
    ASSERT_GT(pipl.size(), 72u);
    EXPECT_EQ(std::string(pipl.begin() + 47, pipl.begin() + 72), "Vellumix for Photoshop...");
}

TEST_F(ModuleTest, TerminologyResource) {
    ASSERT_NE(module, nullptr);
    Bytes e;
    e.u16(1);
    e.u8(1);
    e.u8(0);
    e.u16(0);
    e.u16(0);
    e.u16(1);
    e.pstr("Orv");
    e.pstr("Orv import modules");
    e.code("OrvS");
    e.u16(1);
    e.u16(1);
    e.u16(0);
    e.u16(2);
    auto property = [&](const char* name, const char(&key)[5], const char(&type)[5], const char* text,
                        uint16_t flags) {
        e.pstr(name);
        e.code(key);
        e.code(type);
        e.pstr(text);
        e.u16(flags);
    };
    e.pstr("Vellumix");
    e.code("OrvV");
    e.pstr("Vellumix scanner import");
    e.u16(2);
    property("<Inheritance>", "c@#^", "Impr", "", 0x1000);
    property("multi-import", "mulK", "mulS", "multiple import info structure", 0x5000);
    e.u16(0);
    e.pstr("import info");
    e.code("mulS");
    e.pstr("class import info");
    e.u16(5);
    property("rows", "Hrzn", "#Pxl", "number of rows", 0x1000);
    property("columns", "Vrtc", "#Pxl", "number of columns", 0x1000);
    property("mode", "Md  ", "grmT", "color mode", 0x3000);
    property("invert", "Invr", "bool", "invert image", 0x1000);
    property("alpha2transparency", "alpT", "bool", "alpha is transparency", 0x1000);
    e.u16(0);
    e.u16(0);
    e.u16(1);
    e.code("grmT");
    e.u16(4);
    auto value = [&](const char* name, const char(&id)[5], const char* text) {
        e.pstr(name);
        e.code(id);
        e.pstr(text);
    };
    value("bitmap", "bitM", "bitmap mode");
    value("grayscale", "gryS", "grayscale mode");
    value("indexed color", "indX", "indexed color mode");
    value("rgb color", "rgbC", "rgb color mode");
    std::vector<uint8_t> aete = Resource("AETE");
    EXPECT_EQ(aete, e.b);
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
