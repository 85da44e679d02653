#include "scanner/ScanPreparation.h"

#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "scanner/Scanner.h"
#include "scanner/ScannerClock.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

using qv::LogLine;
using qv::LogText;

namespace {

constexpr double kUnitsPerInch = 1200.0;
constexpr int32_t kGen4PaperProgress = 0x3A82;
constexpr uint32_t kPaperPollMs = 200;
constexpr int kDiagnosticRecord = 64;

// Lengths in 1/1200 inch. A negative or absurd length cannot become a device window.
uint32_t Units(double inches) {
    const double units = inches * kUnitsPerInch;
    if (!(units > 0))
        return 0;
    return units >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(units);
}

int64_t Pixels(uint32_t units, int32_t resolution) {
    return static_cast<int64_t>(units / kUnitsPerInch * resolution);
}

std::string Format(const char* format, int64_t value) {
    char text[160];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return text;
}

uint32_t Be32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// Boxes of the scanner-state check: no owner, warning icon.
void Warn(const std::string& text, const char* caption) {
    qv::ReportFailure(nullptr, text, caption, qv::MsgIcon::Warning);
}

// Step 11: false when the scanner's state forbids the scan.
bool ScannerStateAllowsScan(CScanner& scanner) {
    ScannerStatusBlock block{};
    scanner.ReadScannerStatus(block);
    switch (block[0]) {
    case 2:
        Warn("Warning", "Scanner is initializing.");
        return false;
    case 3:
        Warn("Warning", "Scanner is warming up.");
        return false;
    case 5: {
        uint8_t header[4] = {};
        scanner.ReceiveDiagnostic(header, sizeof header);
        const int32_t length = header[2] << 8 | header[3];
        LogLine("scanReceiveDiagnostic::Length = %d", length);
        const int32_t records = length / kDiagnosticRecord;
        if (records > 0) {
            std::vector<uint8_t> data(size_t(length) + 4, 0);
            scanner.ReceiveDiagnostic(data.data(), int32_t(data.size()));
            for (int32_t i = 0; i < records; ++i) {
                const char* text =
                    reinterpret_cast<const char*>(&data[4 + size_t(i) * kDiagnosticRecord + 2]);
                std::string record(text, kDiagnosticRecord - 2);
                record.resize(record.find('\0') == std::string::npos ? record.size() : record.find('\0'));
                Warn(record, record.c_str());
            }
        }
        return false;
    }
    case 9:
        Warn("Scanner is adjusting.", "Warning");
        break;
    default:
        break;
    }
    if (block[1] == 0x14) {
        Warn("Warning", "Not ready, original is stuck\nPlease re-insert original.");
        return false;
    }
    int adjusting = 1;
    for (int bit = 0; bit < 4; ++bit, ++adjusting)
        if (block[7] & (1u << bit)) {
            Warn(scanner.GetErrorText(0x91F1 + bit), "Adjusting");
            LogLine("Adjusting%d", adjusting);
        }
    for (int bit = 0; bit < 3; ++bit, ++adjusting)
        if (block[8] & (1u << bit)) {
            Warn(scanner.GetErrorText(0x9121 + bit), "Adjusting");
            LogLine("Adjusting%d", adjusting);
        }
    const uint32_t seconds = Be32(&block[9]);
    LogLine("Sec since last adjust = %d", static_cast<int>(seconds));
    if (seconds > 7200 && (block[6] & 0x08)) {
        Warn("Warning", "Scanner has not adjusted in over 2 houres. Lover guide plate and wait 2 minutes "
                        "before trying again.");
        return false;
    }
    return true;
}

// Steps 14, 16, 19 to 21: a failing command is shown with the step's caption.
bool Succeeded(CScanner& scanner, int32_t status, const char* caption, void* owner) {
    scanner.ResolveStatus(status);
    if (status == 0)
        return true;
    qv::ReportFailure(owner, scanner.GetErrorText(status), caption, qv::MsgIcon::Warning);
    return false;
}

} // namespace

// Step 12: the device answers "paper moving" until the sheet is in. A device still moving
// it at the deadline is reported with that progress code.
bool Gen4PaperReady(CScanner& scanner) {
    const char* caption = "4Gen Paper Check";
    int32_t status = scanner.TestUnitReady();
    scanner.ResolveStatus(status);
    if (status != 0 && status != kGen4PaperProgress) {
        qv::ReportFailure(nullptr, scanner.GetErrorText(status), caption);
        return false;
    }
    const qv::ProgressDeadline deadline;
    while (status == kGen4PaperProgress) {
        if (deadline.Expired()) {
            qv::ReportFailure(nullptr, scanner.GetErrorText(status), caption);
            return false;
        }
        status = scanner.TestUnitReady();
        scanner.ResolveStatus(status);
        qv::GetScannerClock().Sleep(kPaperPollMs);
    }
    return true;
}

// Step 13: states 0x20 to 0x23 mean the paper is still moving; bounded.
bool Gen5PaperSettled(CScanner& scanner) {
    const qv::ProgressDeadline deadline;
    for (;;) {
        const uint8_t state = scanner.GetPaperState();
        qv::GetScannerClock().Sleep(kPaperPollMs);
        if (state < 0x20 || state > 0x23)
            return true;
        if (deadline.Expired()) {
            char text[96];
            std::snprintf(text, sizeof text, "The paper did not come to rest (paper state 0x%X).", state);
            qv::ReportFailure(nullptr, text, "5Gen Paper Wait");
            return false;
        }
    }
}

int16_t HostModeFor(int32_t enumMode) {
    if (enumMode == 9)
        return 1;
    return enumMode == 10 ? 3 : 0;
}

int32_t PrepareScan(CScanner& scanner, const ScanRequest& r, ScanGeometry* geometry, int16_t* dialogResult,
                    void* owner) {
    int16_t ignored = 0;
    int16_t& result = dialogResult ? *dialogResult : ignored;
    auto abort = [&]() {
        result = 0;
        return 0;
    };
    result = 1;

    uint32_t x, y;
    if (r.bCompact || !(r.dPixelsPerInch > 0)) {
        x = Units(r.dPaperXOffset);
        y = Units(r.dPaperYOffset);
    } else {
        x = Units(r.iSelectionX / r.dPixelsPerInch);
        y = Units(r.iSelectionY / r.dPixelsPerInch);
    }
    uint32_t width = Units(r.dPaperWidth);
    uint32_t height = Units(r.dPaperHeight);

    const int64_t pixelWidth = Pixels(width, r.iResolution);
    const int64_t pixelHeight = Pixels(height, r.iResolution);
    const char* limit = "\nPhotoshop is limited to 30.000 * 30.000 pixels";
    if (pixelWidth > kHostPixelLimit) {
        qv::ReportFailure(owner, Format((std::string("Image width: %i pixels") + limit).c_str(), pixelWidth),
                          "Error Settings");
        return abort();
    }
    if (pixelHeight > kHostPixelLimit) {
        qv::ReportFailure(owner,
                          Format((std::string("Image height: %i pixels") + limit).c_str(), pixelHeight),
                          "Error Settings");
        return abort();
    }
    if (pixelWidth < 1) {
        qv::ReportFailure(owner, "Width is too small for scanning", "Error Settings");
        return abort();
    }
    if (pixelHeight < 1) {
        qv::ReportFailure(owner, "Height is too small for scanning", "Error Settings");
        return abort();
    }
    ScanGeometry out;
    out.hostMode = HostModeFor(r.enumMode);
    out.resolution = r.iResolution;
    out.pixelWidth = static_cast<int16_t>(pixelWidth);
    out.pixelHeight = static_cast<int16_t>(pixelHeight);

    const uint32_t widest = scanner.GetMaxScanWidth();
    if (!r.bCenterLoad && uint64_t(x) + width > widest)
        qv::ReportFailure(owner, "The combination of Width and X-Offset\nis too large.", "Preparescan");
    if (r.bCenterLoad && r.bCompact) {
        x = (widest - width) / 2;
        LogText("Center Load Correction");
    }
    // The device wants a little room past the area, except where it ends at the scan width.
    uint32_t excess = x + width - widest;
    if (excess > 50)
        width += 50;
    height += 1200;

    if (r.iGeneration >= 5) {
        const uint32_t before = width;
        if ((width / 1200) * uint32_t(r.iResolution) <= 212) {
            width = 5112;
            if (uint64_t(x) + width > widest) {
                out.bNarrowScan = true;
                out.iNarrowPixels = (static_cast<int32_t>(widest / kUnitsPerInch * 50) / 8) * 8 + 8;
                const uint32_t d =
                    static_cast<uint32_t>(double(out.iNarrowPixels) / r.iResolution * kUnitsPerInch);
                width = before + d;
                x = x >= d ? x - d : 0;
                excess = x + width - widest;
                if (excess > 100)
                    width += 100;
            }
        }
        if (!ScannerStateAllowsScan(scanner))
            return abort();
    } else if (!Gen4PaperReady(scanner)) {
        return abort();
    }
    if (r.iGeneration >= 5 && !Gen5PaperSettled(scanner))
        return abort();

    if ((scanner.IsColor() || r.iGeneration >= 5) &&
        !Succeeded(scanner, scanner.GammaCurve(r.iGamma10 / 10.0, r.iBrightness, r.iContrast),
                   "Set Gamma Curve", owner))
        return abort();
    if (r.iGeneration >= 5) {
        const double level = r.bNtscSelected ? 214.0 : 232.0;
        const int32_t white = static_cast<int32_t>(214.0 / level * 255.0 + 0.5);
        scanner.SendWhiteLevels({white, white, white, 0, 0, 0}, 0);
    }
    if (!Succeeded(scanner, scanner.LoadPaper(), "Load Paper", owner))
        return abort();

    const uint8_t dspLevel = static_cast<uint8_t>(r.iLevel);
    const uint8_t background = r.iGeneration == 4 ? 0 : static_cast<uint8_t>(r.iBackgroundLevel);
    const uint8_t sharpen = r.iGeneration == 4 ? 0 : static_cast<uint8_t>(r.iSharpenSoften);
    int32_t resolutionX = r.iResolution;
    int32_t resolutionY = r.iResolution;
    // A device that states no vertical maximum is taken to scan every resolution itself.
    if (r.iResolution_MaxY > 0 && r.iResolution > r.iResolution_MaxY) {
        resolutionY = r.iResolution_MaxY;
        out.bVerticalReduction = true;
        out.dVerticalRatio = double(r.iResolution) / r.iResolution_MaxY;
    }
    if (r.iGeneration >= 5 && scanner.GetScannerClass() == 3 && scanner.IsColor() && resolutionX > 780) {
        resolutionX = 780;
        out.b780Dpi = true;
    }
    const int32_t bufferWord = r.g_iBufferSize * 4 / 5;

    LogText("---- Send Window Parameters ----");
    LogText("----          Scan          ----");
    LogLine("dwXOffset = %d", static_cast<int>(x));
    LogLine("dwYOffset = %d", static_cast<int>(y));
    LogLine("dwWidth = %d", static_cast<int>(width));
    LogLine("dwHeight = %d", static_cast<int>(height));
    LogLine("m_Set.enumMode = %d", r.enumMode);
    LogLine("iResolution_x = %d", resolutionX);
    LogLine("iResolution_y = %d", resolutionY);
    LogLine("g_iThreshold = %d", r.g_iThreshold);
    LogLine("byteDSPAdaptiveLevel = %d", dspLevel);
    LogLine("m_Set.iBackgroundLevel = %d", r.iBackgroundLevel);
    LogLine("g_iBlur = %d", r.g_iBlur);
    LogLine("byteSharpenSoften = %d", sharpen);
    LogLine("g_iBufferSize*4/5 = %d", bufferWord);
    LogLine("Scan Speed = %d", 0);
    LogText("---- Send Window Parameters ----");

    scanner.ClearWindowParameters();
    scanner.SetScanArea(x, y, width, height);
    scanner.SetMode(r.enumMode);
    scanner.SetResolutionX(uint32_t(resolutionX));
    scanner.SetResolutionY(uint32_t(resolutionY));
    scanner.SetThreshold(static_cast<uint8_t>(r.g_iThreshold));
    scanner.SetWord52(300);
    scanner.SetDSPAdaptiveLevel(dspLevel);
    scanner.SetBackgroundLevel(background);
    const bool bitonalOnWide600 = r.bWide600 && (r.enumMode == 1 || r.enumMode == 2 || r.enumMode == 8);
    scanner.SetBlur(bitonalOnWide600 ? 0 : static_cast<uint8_t>(r.g_iBlur));
    scanner.SetSharpenSoften(sharpen);
    scanner.SetBufferWord(uint32_t(bufferWord));
    scanner.SetScanSpeed(0);
    if (r.bNtscSelected)
        scanner.SetColorSpaceNtsc();
    else
        scanner.SetColorSpaceSrgb();
    if (!Succeeded(scanner, scanner.SetWindow(), "Set Window", owner) ||
        !Succeeded(scanner, scanner.MovePaperToWindow(), "Move Paper to Window", owner) ||
        !Succeeded(scanner, scanner.SendScanCommand(), "Scan Command", owner))
        return abort();
    LogText("----     Ready for scan     ----");
    if (geometry)
        *geometry = out;
    return 1;
}
