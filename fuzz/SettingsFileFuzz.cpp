// The settings file reader on any file content. Whatever it reads stays inside its fields and
// bounds, the text written from it has one line per key in the file's order, and reading
// what was written settles.
#include "ScratchFiles.h"
#include "dialog/Settings.h"
#include "dialog/SettingsFile.h"
#include "platform/SettingsLocation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

const char* const kKeys[] = {"Mode",
                             "Resolution",
                             "PaperSizeName",
                             "Brightness",
                             "Contrast",
                             "Gamma",
                             "Blur",
                             "Threshold",
                             "Level",
                             "BackgroundLevel",
                             "SharpenSoften",
                             "PaperUnit",
                             "CenterLoad",
                             "User Defined Resolution",
                             "User Defined PaperSize",
                             "Generation",
                             "Stitch",
                             "DebugLog",
                             "MaxPreScanLength",
                             "PixelBorderLimit",
                             "ShowCoordinates",
                             "NTSC_Selected"};

void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s\n---\n%s---\n", what, text.c_str());
    std::abort();
}

void CheckLines(const std::string& text) {
    size_t at = 0;
    for (const char* key : kKeys) {
        const std::string start = std::string(key) + "=";
        const size_t end = text.find('\n', at);
        if (text.compare(at, start.size(), start) != 0 || end == std::string::npos)
            Fail("line out of order or missing", text);
        at = end + 1;
    }
    if (at != text.size())
        Fail("text after the last key", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = [] {
        qv::SetSettingsFolder(qv::fuzz::ScratchFolder());
        return true;
    }();
    (void)once;
    qv::fuzz::WriteScratchFile(qv::SettingsFilePath(), data, size);

    m_Set = ScanSettings{};
    g_DialogSettings = DialogSettings{};
    PaperTable[kUserPaperRow] = {"User Defined", 0.0, 0.0, 0.0, 0.0};
    const bool read = ReadSettingsFile();
    if (read != (size > 0))
        Fail("a file with text was not read, or an empty one was", "");
    if (std::memchr(g_DialogSettings.szPaperName, '\0', kPaperNameLength) == nullptr)
        std::abort();
    if (g_DialogSettings.PixelBorderLimit < 1 || g_DialogSettings.PixelBorderLimit > 4 ||
        g_DialogSettings.iMaxPreScanLength < 200 || g_DialogSettings.iGamma10 < 0 ||
        g_DialogSettings.iGamma10 > 99)
        std::abort();
    if (std::strcmp(PaperTable[kUserPaperRow].name, "User Defined") != 0)
        std::abort();

    std::string written = ComposeSettingsText();
    CheckLines(written);
    // Each round may drop one carriage return that ends the paper name; nothing else changes
    // after the first.
    for (int round = 0;; ++round) {
        ApplySettingsText(written);
        std::string again = ComposeSettingsText();
        if (again == written)
            break;
        if (round == kPaperNameLength)
            Fail("written text does not settle", again);
        written = std::move(again);
    }
    return 0;
}
