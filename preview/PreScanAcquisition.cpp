#include "preview/PreScanAcquisition.h"

#include "dialog/ControlIds.h"
#include "dialog/DialogUtilities.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "dialog/SettingsDialog.h"
#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "preview/LineDecoding.h"
#include "preview/LineManager.h"
#include "preview/PreScan.h"
#include "preview/PreviewImage.h"
#include "preview/Rendering.h"
#include "preview/SelectRect.h"
#include "scanner/ErrorText.h"
#include "scanner/ReadRing.h"
#include "scanner/ScanPreparation.h"
#include "scanner/Scanner.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>
#include <span>
#include <vector>

using qv::LogLine;
using qv::LogText;

namespace preview {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr int32_t kBaseResolution = 150;
constexpr int64_t kUnitsPerInch = 1200;
constexpr int32_t kHighestBackgroundLevel = 6;
// Rows of the image beyond the area, for rows that rounding adds.
constexpr int32_t kSpareRows = 25;
constexpr uint8_t kUnscanned = 127;
constexpr qv::Rgb kSeam{255, 0, 0};

// A failing scanner step: its text in a box with the step's caption, owned by the dialog.
int32_t Failed(CScanner& scanner, void* owner, int32_t status, const char* caption) {
    qv::ReportFailure(owner, scanner.GetErrorText(status), caption);
    return 0;
}

// The adjustment bits of a generation-5 scanner's status block are warnings only.
void WarnAdjustments(CScanner& scanner) {
    ScannerStatusBlock block{};
    scanner.ReadScannerStatus(block);
    struct Warning {
        size_t byte;
        uint8_t bit;
        int32_t code;
    };
    static constexpr Warning kWarnings[] = {{7, 0x01, 0x91F1}, {7, 0x02, 0x91F2}, {7, 0x04, 0x91F3},
                                            {7, 0x08, 0x91F4}, {8, 0x01, 0x9121}, {8, 0x02, 0x9122},
                                            {8, 0x04, 0x9123}};
    int number = 10;
    for (const Warning& w : kWarnings) {
        if (block[w.byte] & w.bit) {
            qv::ShowMessageBox(nullptr, scanner.GetErrorText(w.code), "Adjusting", qv::MsgIcon::Exclamation);
            LogLine("Adjusting %d", number);
        }
        ++number;
    }
}

// Readiness, the neutral curve and white levels, the paper and the window: the real scan's
// sequence with the prescan's own window. 0 after a failure's box.
int32_t PrepareScanner(CScanner& scanner, void* owner, const PreScanSettings& p, int32_t iPreRes,
                       uint32_t width, uint32_t height, int32_t& scanMode) {
    const bool gen5 = scanner.GetGeneration() >= 5;
    if (gen5) {
        WarnAdjustments(scanner);
    } else if (!Gen4PaperReady(scanner)) {
        LogText("4Gen Paper Check 2");
        return 0;
    }
    if (gen5 && !Gen5PaperSettled(scanner))
        return 0;

    LogText("Prescan 1");
    // The scanner gets a neutral curve: the user's adjustments act on the screen only.
    if (scanner.IsColor() || gen5) {
        LogText("m_Scanner.GammaCurve");
        int32_t status = scanner.GammaCurve(1.0, 0, 0);
        scanner.ResolveStatus(status);
        if (status != 0)
            return Failed(scanner, owner, status, "Set Gamma Curve");
        const double level = p.bNtscSelected ? 214.0 : 232.0;
        const auto white = int32_t(214.0 / level * 255.0 + 0.5);
        scanner.SendWhiteLevels({white, white, white, 0, 0, 0}, 0);
    }
    LogText("Prescan 2");
    LogText("m_Scanner.LoadPaper");
    if (int32_t status = scanner.LoadPaper(); status != 0) {
        scanner.ResolveStatus(status);
        return Failed(scanner, owner, status, "Load Paper");
    }

    const auto level = uint8_t(p.iLevel);
    const bool later = p.iGeneration >= 5;
    const auto background = later ? uint8_t(p.iBackgroundLevel) : uint8_t(0);
    const auto sharpen = later ? uint8_t(p.iSharpenSoften) : uint8_t(0);
    scanMode = scanner.IsColor() ? p.enumMode : kModeGray;
    const int32_t bufferWord = p.g_iBufferSize * 4 / 5;
    LogText("---- Send Window Parameters ----");
    LogText("----        Pre Scan        ----");
    LogLine("dwXOffset = %d", 0);
    LogLine("dwYOffset = %d", 0);
    LogLine("dwWidth = %d", int(width));
    LogLine("dwHeight = %d", int(height));
    LogLine("PreScan_ScanMode = %d", scanMode);
    LogLine("iPreResolution = %d", iPreRes);
    LogLine("g_iThreshold = %d", p.g_iThreshold);
    LogLine("byteDSPAdaptiveLevel = %d", level);
    LogLine("m_Set.iBackgroundLevel = %d", p.iBackgroundLevel);
    LogLine("g_iBlur = %d", p.g_iBlur);
    LogLine("byteSharpenSoften = %d", sharpen);
    LogLine("g_iBufferSize*4/5 = %d", bufferWord);
    LogLine("Scan Speed = %d", 0);
    LogText("---- Send Window Parameters ----");

    scanner.ClearWindowParameters();
    scanner.SetScanArea(0, 0, width, height);
    scanner.SetMode(scanMode);
    scanner.SetResolution(uint32_t(iPreRes));
    scanner.SetThreshold(uint8_t(p.g_iThreshold));
    scanner.SetWord52(300);
    scanner.SetDSPAdaptiveLevel(level);
    scanner.SetBackgroundLevel(background);
    const bool bitonalOnWide600 = p.bWide600 && (p.enumMode == 1 || p.enumMode == 2 || p.enumMode == 8);
    scanner.SetBlur(bitonalOnWide600 ? 0 : uint8_t(p.g_iBlur));
    scanner.SetSharpenSoften(p.bWide600 ? 0 : sharpen);
    scanner.SetBufferWord(uint32_t(bufferWord));
    scanner.SetScanSpeed(0);

    LogText("Prescan 3");
    if (int32_t status = scanner.SetWindow(); status != 0) {
        scanner.ResolveStatus(status);
        return Failed(scanner, owner, status, "Set Window");
    }
    LogText("m_Scanner.MovePaperToWindow");
    if (const int32_t status = scanner.MovePaperToWindow(); status != 0)
        return Failed(scanner, owner, status, "Move Paper to Window");
    LogText("m_Scanner.SendScanCommand");
    if (const int32_t status = scanner.SendScanCommand(); status != 0)
        return Failed(scanner, owner, status, "Scan Command");
    LogText("Prescan 4");
    return 1;
}

// The image as scanned, mid gray, kept between prescans; false when it cannot be had.
bool PrepareImage(int32_t areaWidth, int32_t areaHeight) {
    const int64_t size = int64_t(std::max(areaWidth, 0)) * (std::max(areaHeight, 0) + kSpareRows) * 9;
    Lock lock(PreScanLock());
    PreScanState& s = PreScan;
    try {
        if (int64_t(s.ptr_byteImage.size()) != size)
            s.ptr_byteImage.assign(size_t(size), kUnscanned);
    } catch (const std::bad_alloc&) {
        return false;
    }
    s.iImageBufferSize = int32_t(size);
    std::fill(s.ptr_byteImage.begin(), s.ptr_byteImage.end(), kUnscanned);
    s.iPreviewRows = 0;
    return true;
}

// Chunk after chunk into the preview until the data end, a failure or a stop.
int32_t ReadLoop(qv::DialogControls& dialog, CScanner& scanner, LineDecoding& decoding,
                 const PrescanWindow& window, int32_t readSize) {
    void* owner = dialog.Window();
    std::vector<uint8_t> chunk;
    try {
        chunk.resize(size_t(readSize));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (;;) {
        int32_t received = 0;
        const int32_t status = scanner.ReadImageUnresolved(chunk.data(), readSize, received);
        if (status == kStatusCheckCondition) {
            const int32_t sense = scanner.GetLastAsc();
            if (sense == kSenseEndOfMedium)
                return 1;
            return Failed(scanner, owner, sense, "scanRead 1");
        }
        if (status != 0)
            return Failed(scanner, owner, status, "scanRead 2");
        if (received > 0) {
            if (!PreScan_DecodeChunk(dialog, scanner, decoding, std::span(chunk.data(), size_t(received)),
                                     window))
                return 0;
            dialog.Redraw();
        }
        if (bStopPreScan)
            return 1;
    }
}

// The preview's width once the data are in: the columns that hold them. A line narrower than
// the area leaves the columns beyond it out, so that the selection's scale is the data's.
void SettleWidth(qv::DialogControls& dialog, const LineDecoding& d, int32_t areaWidth, int32_t areaHeight) {
    int32_t dataColumns = areaWidth, stored = 0;
    {
        Lock lock(PreScanLock());
        if (d.iScannedPixelWidth > 0 && PreScan.iPreviewWidth > 0)
            dataColumns = std::min(PreScan.iPreviewWidth, areaWidth);
        PreScan.iPreviewWidth = dataColumns;
        stored = PreScan.iStoredLines;
    }
    if (stored <= areaHeight)
        return;
    PreScan_MakeDCFormLineManager(dialog);
    const double ratio = double(stored) / areaHeight;
    Lock lock(PreScanLock());
    PreScan.iPreviewWidth = std::min(PreScan.iPreviewWidth, int32_t(dataColumns / ratio));
}

// The columns where one camera's pixels meet the next's, red in every row but the first.
void MarkSeams(const LineDecoding& d, bool colour, double xStep) {
    if (!(xStep > 0.0))
        return;
    const std::array<int32_t, 4> widths{d.iA, d.iB, d.iC, d.iD};
    Lock lock(PreScanLock());
    PreScanState& s = PreScan;
    int32_t sum = 0;
    for (size_t seam = 0; seam < 3; ++seam) {
        sum += widths[seam];
        if (widths[seam] <= 0 || widths[seam + 1] <= 0)
            continue;
        const auto column = int32_t((colour ? sum / 3 : sum) / xStep);
        for (int32_t y = 1; y < s.iPreviewRows; ++y)
            if (uint8_t* pixel = ImagePixel(s, column, y)) {
                pixel[0] = kSeam.r;
                pixel[1] = kSeam.g;
                pixel[2] = kSeam.b;
            }
    }
}

void Finish(qv::DialogControls& dialog, CScanner& scanner, LineDecoding& d, const PreScanSettings& p,
            int32_t scanMode, int32_t areaWidth, int32_t areaHeight) {
    std::vector<uint8_t>().swap(d.runs);
    scanner.MovePaperToStart();
    LogText("m_Scanner.MovePaperToStart");
    SettleWidth(dialog, d, areaWidth, areaHeight);
    int32_t previewWidth = 0;
    {
        Lock lock(PreScanLock());
        previewWidth = PreScan.iPreviewWidth;
    }
    if (previewWidth > 0)
        d.dXStep = d.dYStep = double(d.iScannedPixelWidth) / previewWidth;
    LogText("Redraw to show Stitch lines");
    if (p.stitchMarks && p.iGeneration >= 5)
        MarkSeams(d, scanMode == kModeColour, d.dXStep);
    PreScan_PaintDC(dialog);
    LogText("Paper Size");
    PlaceSelectionAfterPreScan(dialog);
    if (p.bShowCoordinates) {
        int32_t rows = 0;
        {
            Lock lock(PreScanLock());
            previewWidth = PreScan.iPreviewWidth;
            rows = PreScan.iPreviewRows;
        }
        SetItemText(dialog, kIdCoordinates,
                    FormatText("PW = %d pH = %d iW3 = %d", previewWidth, rows, d.iW3));
    }
}

} // namespace

PreScanSettings TakePreScanSettings() {
    const DialogSettings& d = g_DialogSettings;
    PreScanSettings p;
    p.iBrightness = d.iBrightness;
    p.iContrast = d.iContrast;
    p.iGamma10 = d.iGamma10;
    p.g_iThreshold = d.g_iThreshold;
    p.g_iBlur = d.g_iBlur;
    p.iLevel = d.iLevel;
    p.iMaxPreScanLength = d.iMaxPreScanLength;
    p.stitchMarks = d.stitchMarks;
    p.bShowCoordinates = d.ShowCoordinates;
    p.enumMode = m_Set.enumMode;
    p.iGeneration = m_Set.iGeneration;
    if (p.iGeneration >= 5)
        m_Set.iBackgroundLevel = std::min(m_Set.iBackgroundLevel, kHighestBackgroundLevel);
    p.iBackgroundLevel = m_Set.iBackgroundLevel;
    p.iSharpenSoften = m_Set.iSharpenSoften;
    p.bNtscSelected = m_Set.bNtscSelected;
    p.bWide600 = m_Set.bWide600;
    p.iResolution_Max = m_Set.iResolution_Max;
    p.g_iBufferSize = g_iBufferSize;
    return p;
}

PreScanResolution ChoosePreScanResolution(uint32_t width, uint32_t height, int32_t areaWidth,
                                          int32_t areaHeight, int32_t iResolution_Max) {
    PreScanResolution r;
    auto pixels = [](int32_t dpi, uint32_t units) { return int32_t(int64_t(dpi) * units / kUnitsPerInch); };
    r.iPixW = pixels(r.iPreRes, width);
    r.iPixH = pixels(r.iPreRes, height);
    if (r.iPixW <= 0 || r.iPixH <= 0 || r.iPixW >= areaWidth || r.iPixH >= areaHeight)
        return r;
    const double rW = double(areaWidth) / r.iPixW, rH = double(areaHeight) / r.iPixH;
    r.iPreRes = int32_t(kBaseResolution * std::min(rW, rH));
    if (r.iPreRes > iResolution_Max)
        r.iPreRes = iResolution_Max;
    r.iPixW = pixels(r.iPreRes, width);
    r.iPixH = pixels(r.iPreRes, height);
    r.raised = true;
    return r;
}

int32_t PreScan_PreScan(qv::DialogControls& dialog, CScanner& scanner, const PreScanSettings& p) {
    void* owner = dialog.Window();
    if (scanner.IsOpen())
        LogLine("Executable Revision = %d\nFPGA Revision = %d", scanner.GetExecutableRevision(),
                scanner.GetFpgaRevision());
    LogText("PreScan_PreScan");
    int32_t areaWidth = 0, areaHeight = 0;
    {
        Lock lock(PreScanLock());
        areaWidth = PreScan.iAreaWidth;
        areaHeight = PreScan.iAreaHeight;
        PreScan.rectSelect = PreScan.rectDrawn = kNoRect;
    }
    PreScan_LineManager_Init(areaWidth * 3);
    PreScan_EraseDC();
    PreScan_MakeGammaCurve(p.iGamma10, p.iBrightness, p.iContrast);
    dialog.Redraw();

    // Checked before the resolution is worked out, which divides by both.
    const uint32_t width = scanner.GetMaxScanWidth();
    const auto height =
        uint32_t(std::clamp<int64_t>(int64_t(p.iMaxPreScanLength) * kUnitsPerInch, 0, 0xFFFFFFFF));
    if (width == 0) {
        qv::ReportFailure(owner, "Width is too small for scanning", "Error Settings");
        return 0;
    }
    if (height == 0) {
        qv::ReportFailure(owner, "Height is too small for scanning", "Error Settings");
        return 0;
    }
    const PreScanResolution resolution =
        ChoosePreScanResolution(width, height, areaWidth, areaHeight, p.iResolution_Max);
    if (resolution.raised && p.bShowCoordinates)
        SetItemText(dialog, kIdCoordinates, FormatText("iPreRes = %d", resolution.iPreRes));

    // Reads of no bytes would answer nothing for ever: refused before the device is started.
    const auto readSize = int32_t(std::min<int64_t>(int64_t(scanner.GetBufferSize()) * 10 / 8, INT32_MAX));
    if (readSize <= 0) {
        qv::ReportFailure(owner, "The scanner reports no buffer size to read with.", "PreScan_PreScan");
        return 0;
    }
    int32_t scanMode = kModeGray;
    if (!PrepareScanner(scanner, owner, p, resolution.iPreRes, width, height, scanMode))
        return 0;
    if (!PrepareImage(areaWidth, areaHeight))
        return 0;
    LineDecoding decoding = StartLineDecoding(resolution.iPixW, resolution.iPixH, areaWidth, areaHeight);
    LogText("scanRead");
    const PrescanWindow window{scanMode, resolution.iPreRes, width};
    if (!ReadLoop(dialog, scanner, decoding, window, readSize))
        return 0;
    Finish(dialog, scanner, decoding, p, scanMode, areaWidth, areaHeight);
    return 1;
}

} // namespace preview
