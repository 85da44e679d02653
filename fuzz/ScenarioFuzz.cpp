// Scenario text as the stand-in library reads it, with its file names taken from a scratch
// folder that holds a few sheets and a profile. An accepted scenario is then listed and
// identified the way a module starts: every device opened, inquired and asked for its pages.
#include "ScratchFiles.h"
#include "sim/Pages.h"
#include "sim/SimulatedLibrary.h"

#include <cstdlib>
#include <string_view>

namespace {

void WriteText(const std::string& name, std::string_view text) {
    qv::fuzz::WriteScratchFile(qv::fuzz::ScratchFolder() + "/" + name, text.data(), text.size());
}

void ReadSheetEdges(const qv::sim::Sheet& sheet) {
    // Charts compute any width; rows of very wide ones would only slow the search down.
    if (sheet.Width() > 4096)
        return;
    std::vector<uint8_t> rgb(static_cast<size_t>(sheet.Width()) * 3);
    uint8_t gray[4096];
    for (int y : {0, sheet.Height() - 1}) {
        sheet.Row(y, rgb.data());
        (void)sheet.GrayRow(y, gray);
        (void)sheet.RowKey(y);
    }
}

void Identify(const qv::sim::Scenario& scenario) {
    qv::sim::SimulatedLibrary library(scenario);
    if (library.scanOpenLib() != 0)
        return;
    uint32_t handle = 0, reserved = 0;
    for (int32_t first = 1; library.scanGetNextScanner(&handle, &reserved, first) == 0 && handle; first = 0) {
        if (library.scanOpenScanner(handle) != 0)
            continue;
        uint8_t buffer[256];
        (void)library.scanGetHardwareType(handle);
        (void)library.scanInquiry(handle, buffer, qv::sim::kInquiryLength);
        for (uint8_t page = qv::sim::kFirstPage; page <= qv::sim::kLastPage; ++page)
            (void)library.scanInquiryPage(handle, buffer, 255, page);
        (void)library.scanReceiveDiagnostic(handle, buffer, sizeof buffer);
        (void)library.scanTestUnitReady(handle);
        (void)library.scanGetLastAsc(handle);
        (void)library.scanCloseScanner(handle);
    }
    (void)library.scanCloseLib();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WriteText("gray.pgm", std::string_view("P5\n3 2\n255\n\x00\x80\xFF\x10\x20\x30", 17));
    WriteText("bits.pbm", std::string_view("P4\n9 2\n\xA5\x80\x5A\x00", 11));
    WriteText("wide.ppm",
              std::string_view("P6\n2 1\n65535\n\x00\x01\x02\x03\x04\x05\xFF\xFE\xFD\xFC\xFB\xFA", 25));
    WriteText("gen4.profile", "base = gen4-gray\ncameras = 3\nresolutions = 50 100 200\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // A name with a separator could reach any file of the machine, a device that never ends.
    if (text.find_first_of("/\\") != std::string_view::npos)
        return 0;
    qv::sim::Scenario scenario;
    std::string error;
    if (!qv::sim::ParseScenario(text, scenario, error, qv::fuzz::ScratchFolder())) {
        if (error.empty())
            std::abort();
        return 0;
    }
    for (const auto& device : scenario.devices)
        for (const auto& sheet : device.sheets)
            ReadSheetEdges(*sheet.sheet);
    Identify(scenario);
    return 0;
}
