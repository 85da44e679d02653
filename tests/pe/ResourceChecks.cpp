// The module's resources read straight from the file, on any machine: the same facts the
// Windows loader would find, without running a Windows process.
#include "ExpectedResources.h"
#include "PeResources.h"
#include "dialog/ControlTable.h"
#include "platform/Cursors.h"
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

// What each kind of control must be in the template: its class, as the predefined atom or by
// name (either is a valid template), and the style bits that make it that kind.
struct TemplateKind {
    uint16_t atom;
    const char* windowClass;
    uint32_t style, mask;
};

TemplateKind Expected(const qv::ControlLayout& control) {
    switch (control.kind) {
    case qv::ControlKind::PushButton:
        return {0x80, "Button", control.defaultButton ? 0x1u : 0x0u, 0xFu};
    case qv::ControlKind::GroupBox:
        return {0x80, "Button", 0x7u, 0xFu};
    case qv::ControlKind::Radio: // automatic radio button; a group starts with WS_GROUP
        return {0x80, "Button", 0x9u | (control.groupStart ? 0x20000u : 0u), 0x2000Fu};
    case qv::ControlKind::Label:
        return {0x82, "Static", 0x0u, 0x1Fu};
    case qv::ControlKind::CentredLabel:
        return {0x82, "Static", 0x1u, 0x1Fu};
    case qv::ControlKind::DropDownList:
        return {0x85, "ComboBox", 0x3u, 0x3u};
    case qv::ControlKind::Edit: // ES_RIGHT, WS_BORDER, no multi-line
        return {0x81, "Edit", (control.rightAligned ? 0x2u : 0u) | (control.noBorder ? 0u : 0x800000u),
                0x800007u};
    case qv::ControlKind::Spin: // UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY
        return {0, "msctls_updown32", 0x16u, 0x16u};
    }
    return {0, "", 0, 0};
}

// The template the module carries, control by control, against the table the headless
// dialog is built from.
TEST_F(ModuleFile, SettingsDialogTemplateIsTheControlTable) {
    auto dialog = image->FindDialog("UIPARAM");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->cx, 487);
    EXPECT_EQ(dialog->cy, 226);
    EXPECT_EQ(dialog->title, "Vellumix for Photoshop");
    EXPECT_EQ(dialog->font, "Helv");
    EXPECT_EQ(dialog->pointSize, 8);
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT, nothing that makes it a child or modal frame.
    EXPECT_EQ(dialog->style, 0x80C80040u);

    const qv::DialogLayout& table = qv::SettingsDialogLayout();
    ASSERT_EQ(dialog->items.size(), table.controls.size());
    for (size_t at = 0; at < table.controls.size(); ++at) {
        const qv::ControlLayout& control = table.controls[at];
        const pe::DialogItem& item = dialog->items[at];
        SCOPED_TRACE("control " + std::to_string(control.id));
        EXPECT_EQ(item.id, uint32_t(control.id));
        EXPECT_EQ(item.text, control.text);
        EXPECT_EQ(item.x, control.area.x);
        EXPECT_EQ(item.y, control.area.y);
        EXPECT_EQ(item.cx, control.area.width);
        EXPECT_EQ(item.cy, control.area.height);
        TemplateKind kind = Expected(control);
        EXPECT_TRUE(item.windowClass.Matches(kind.windowClass) ||
                    (kind.atom && item.windowClass.Matches(kind.atom)))
            << item.windowClass.Text();
        EXPECT_EQ(item.style & kind.mask, kind.style);
        EXPECT_EQ((item.style & 0x10000000u) != 0, !control.hidden); // WS_VISIBLE
        EXPECT_NE(item.style & 0x40000000u, 0u);                     // WS_CHILD
        // A spin attaches itself to the control created just before it.
        if (control.kind == qv::ControlKind::Spin) {
            EXPECT_EQ(dialog->items[at - 1].id, uint32_t(control.buddy));
        }
    }
}

// The selection's cursors, by the names the dialog loads them with: monochrome, 32 x 32, the
// hot spot at the top left corner.
TEST_F(ModuleFile, SelectionCursors) {
    for (const char* name : qv::kCursorNames) {
        SCOPED_TRACE(name);
        const std::optional<pe::Cursor> cursor = image->FindCursor(name);
        ASSERT_TRUE(cursor);
        EXPECT_EQ(cursor->width, 32);
        EXPECT_EQ(cursor->height, 32);
        EXPECT_EQ(cursor->bitCount, 1);
        EXPECT_EQ(cursor->hotX, 0);
        EXPECT_EQ(cursor->hotY, 0);
    }
    EXPECT_FALSE(image->FindCursor("IDC_CURSOR_NONE"));
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
