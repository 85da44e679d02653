#include "dialog/SettingsControls.h"

#include "dialog/ControlIds.h"
#include "dialog/DialogUtilities.h"
#include "dialog/PaperControls.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "platform/DebugLog.h"
#include "platform/MessageBox.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// B/W modes 3 to 7 show the same adjustments.
constexpr int32_t kFirstOtherBwMode = 3;
constexpr int32_t kLastOtherBwMode = 7;

// B/W modes a generation-5 scanner reports nothing for, and those without a scanner.
constexpr uint32_t kFallbackBWModes = 0x03;
constexpr uint32_t kNoScannerBWModes = 0x73;

constexpr int32_t kUnscannedResolution = 25;
constexpr int32_t kNoScannerMin = 50;
constexpr int32_t kNoScannerMax = 800;
constexpr int32_t kNoScannerMaxY = 400;
constexpr int32_t kReducedMin = 150;
constexpr int32_t kReducedMax = 400;
constexpr int32_t kReducedMaxY = 200;

constexpr int32_t kLowestBackgroundLevel = -3;
constexpr int32_t kHighestBackgroundLevel = 6;
constexpr int32_t kGen4BlurValues[] = {1, 2, 4, 8};
constexpr int32_t kHighestBlur = 15;

constexpr int32_t kGammaNtsc = 10;
constexpr int32_t kGammaSrgb = 22;

int32_t Clamp(int32_t value, int32_t lowest, int32_t highest) {
    // Not std::clamp: a scanner may report bounds the wrong way round.
    if (value < lowest)
        return lowest;
    if (value > highest)
        return highest;
    return value;
}

std::string GammaText(int32_t gamma10) {
    return FormatText("%d.%d", gamma10 / 10, gamma10 % 10);
}

bool Compact() {
    return g_DialogSettings.bCompact;
}

// ---- modes -------------------------------------------------------------------------

void AddMode(int32_t code, const char* name, bool reduced) {
    if (m_Set.modeCount >= kListCapacity)
        return;
    ModeRow& row = m_Set.ModeList[m_Set.modeCount++];
    row.code = code;
    std::snprintf(row.name, sizeof row.name, "%s", name);
    row.reducedRange = reduced;
}

bool ChosenModeIsReduced() {
    const int32_t index = m_Set.modeIndex;
    return index >= 0 && index < m_Set.modeCount && m_Set.ModeList[index].reducedRange;
}

// ---- resolutions -------------------------------------------------------------------

// The last entry is the user-defined one; the rows before it come from the scanner.
void AddResolution(int32_t dpi) {
    if (m_Set.resolutionCount < kListCapacity)
        m_Set.ResolutionList[m_Set.resolutionCount++] = dpi;
}

bool RoomForScannerResolution() {
    return m_Set.resolutionCount < kListCapacity - 1;
}

void SelectResolutionRow(qv::DialogControls& dialog, int32_t row) {
    row = Clamp(row, 0, m_Set.resolutionCount - 1);
    m_Set.resolutionRow = m_Set.resolutionRowKept = row;
    dialog.ListSelect(kIdResolution, row);
    m_Set.iResolution = m_Set.ResolutionList[row];
}

void ShowResolutionRows(qv::DialogControls& dialog) {
    dialog.ListReset(kIdResolution);
    for (int32_t i = 0; i < m_Set.resolutionCount; ++i) {
        const int32_t dpi = m_Set.ResolutionList[i];
        dialog.ListAdd(kIdResolution, i + 1 < m_Set.resolutionCount ? FormatText("%d", dpi)
                                                                    : FormatText("User Defined (%d)", dpi));
    }
}

void LogResolutionBounds() {
    qv::LogLine("iResolution_Min = %d", m_Set.iResolution_Min);
    qv::LogLine("iResolution_Max = %d", m_Set.iResolution_Max);
    qv::LogLine("iResolution_MaxY = %d", m_Set.iResolution_MaxY);
}

// Bounds of the full list; answers the row the selection starts at.
int32_t TakeFullResolutionBounds(CScanner& scanner) {
    const auto count = static_cast<int32_t>(scanner.GetResolutionCount());
    const auto first = static_cast<int32_t>(scanner.GetResolution(0));
    m_Set.iResolution_Min =
        static_cast<int32_t>(scanner.GetResolution(first == kUnscannedResolution ? 1 : 0));
    m_Set.iResolution_Max = static_cast<int32_t>(scanner.GetResolution(count - 1));
    return count / 2;
}

int32_t RowOf(int32_t dpi, int32_t scannerRows, int32_t otherwise) {
    for (int32_t i = 0; i < scannerRows; ++i) {
        if (m_Set.ResolutionList[i] == dpi)
            return i;
    }
    return otherwise;
}

// ---- adjustment visibility ---------------------------------------------------------

enum Group : unsigned {
    kGroupTone = 1,
    kGroupBlur = 2,
    kGroupThreshold = 4,
    kGroupLevel = 8,
    kGroupSharpen = 16,
    kGroupBackground = 32,
};

struct GroupRange {
    Group group;
    int first, last;
};
constexpr GroupRange kGroups[] = {
    {kGroupTone, kIdBrightnessLabel, kIdGamma},
    {kGroupBlur, kIdBlurLabel, kIdBlur},
    {kGroupThreshold, kIdThresholdLabel, kIdThresholdSpin},
    {kGroupLevel, kIdLevelLabel, kIdLevelSpin},
    {kGroupSharpen, kIdSharpenLabel, kIdSharpen},
    {kGroupBackground, kIdBackgroundLabel, kIdBackground},
};

unsigned VisibleGroups(int32_t mode) {
    const unsigned main = mode == kModeBwThreshold                ? kGroupThreshold
                          : mode == kModeGray || mode == kModeRgb ? kGroupTone
                                                                  : kGroupLevel;
    if (UsesGeneration4Rules())
        return main;
    const unsigned background = mode == kModeBwBackground ? unsigned{kGroupBackground} : 0u;
    if (!m_Set.bWide600)
        return main | kGroupBlur | kGroupSharpen | background;
    // Wide 600 dpi models have no sharpen/soften, and blur only in modes 3 to 7, 9 and 10.
    const bool blur =
        (mode >= kFirstOtherBwMode && mode <= kLastOtherBwMode) || mode == kModeGray || mode == kModeRgb;
    return main | (blur ? unsigned{kGroupBlur} : 0u) | background;
}

// ---- live checks -------------------------------------------------------------------

struct IntegerField {
    int id;
    int32_t minimum, maximum, notANumber;
};
constexpr IntegerField kIntegerFields[] = {
    {kIdBrightness, -100, 100, 0},
    {kIdContrast, -100, 100, 0},
    {kIdThreshold, 0, 255, 151},
    {kIdLevel, kLowestBackgroundLevel, kHighestBackgroundLevel, 0},
};

// A corrected text comes back through the edit's change notification, which then finds
// it valid.
void CheckIntegerField(qv::DialogControls& dialog, const IntegerField& field) {
    int32_t value = 0;
    switch (GetItemInteger(dialog, field.id, field.minimum, field.maximum, &value)) {
    case kNumberInRange:
        if (!Compact())
            PreScan_MakeDCFromGamma();
        return;
    case kNumberOutOfRange:
        SetItemText(dialog, field.id, IntegerToText(value < field.minimum ? field.minimum : field.maximum));
        return;
    case kNotANumber:
        SetItemText(dialog, field.id, IntegerToText(field.notANumber));
        return;
    }
}

void CheckGamma10Field(qv::DialogControls& dialog) {
    int32_t value = 0;
    if (GetItemInteger(dialog, kIdGamma10, 1, 90, &value) != kNumberInRange) {
        SetItemText(dialog, kIdGamma10, value > 90 ? "90" : "1");
        return;
    }
    if (value == g_DialogSettings.iGamma10)
        return;
    g_DialogSettings.iGamma10 = value;
    SetItemText(dialog, kIdGamma, GammaText(value));
    SelectItemText(dialog, kIdGamma);
    if (!Compact()) {
        PreScan_MakeDCFromGamma();
        PreScan_InverseSelectRect();
    }
}

void CheckGammaField(qv::DialogControls& dialog) {
    double value = 0.0;
    switch (GetItemDecimal(dialog, kIdGamma, 0.1, 9.0, &value)) {
    case kNumberInRange:
        break;
    case kNumberOutOfRange: {
        const bool below = value < 1.0;
        value = below ? 0.1 : 9.0;
        // x87 arithmetic can read "0.1" itself as just below 0.1: writing it again would never end.
        const char* bound = below ? "0.1" : "9.0";
        if (GetItemText(dialog, kIdGamma) != bound)
            SetItemText(dialog, kIdGamma, bound);
        break;
    }
    case kNotANumber: {
        // What the user is about to complete.
        const std::string text = GetItemText(dialog, kIdGamma);
        if (text.empty() || text == ".")
            return;
        value = 1.0;
        SetItemText(dialog, kIdGamma, "1.0");
        break;
    }
    }
    // The margin keeps x87 arithmetic from truncating 0.7 x 10 to 6.
    SetItemText(dialog, kIdGamma10, IntegerToText(static_cast<int32_t>(value * 10.0 + 1e-9)));
}

void ShowGammaFields(qv::DialogControls& dialog) {
    SetItemText(dialog, kIdGamma10, IntegerToText(g_DialogSettings.iGamma10));
    SetItemText(dialog, kIdGamma, GammaText(g_DialogSettings.iGamma10));
}

} // namespace

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, copy);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(copy);
    return text;
}

bool UsesGeneration4Rules() {
    return m_Set.iGeneration < 5;
}

bool IdentifyScanner(CScanner& scanner, const std::string& installBuild) {
    if (!scanner.IsOpen())
        return false;
    const std::string product = scanner.GetProductId();
    qv::LogLine("PlugIn Bld : %s", installBuild.c_str());
    qv::LogLine("Scanner    : %s", product.c_str());
    qv::LogLine("Firmware   : %d", scanner.GetFirmwareRevision());
    qv::LogLine("ReleaseDate: %s", scanner.GetReleaseDate().c_str());
    qv::LogLine("FW Build   : %d", scanner.GetExecutableRevision());
    // A scanner still in its boot loader answers with this id and generation-5 pages.
    if (product == "Scanner boot    ") {
        m_Set.iGeneration = 5;
        return false;
    }
    const int32_t generation = scanner.GetGeneration();
    if (generation == 4)
        return !scanner.IsColor() || scanner.IsGen4ColorAccepted();
    return generation >= 5;
}

void Init_Mode(qv::DialogControls& dialog, CScanner& scanner) {
    qv::LogLine("Init_Mode");
    m_Set.modeCount = 0;
    for (ModeRow& row : m_Set.ModeList)
        row.reducedRange = false;
    m_Set.bAdaptiveBackground = false;
    const bool rgb = !scanner.IsOpen() || scanner.IsColor();

    if (UsesGeneration4Rules()) {
        AddMode(kModeBwThreshold, "B/W Threshold", false);
        AddMode(kModeBwAdaptive, "B/W Adaptive", false);
    } else {
        uint32_t modes = kNoScannerBWModes;
        uint32_t limited = 0;
        if (scanner.IsOpen()) {
            modes = scanner.GetSupportedBWModes();
            limited = scanner.GetSupportedBWModesLimited();
            qv::LogLine("dwSupportedBWModes = 0x%X", modes);
            qv::LogLine("dwSupportedBWModes_WihtLimitedRange = 0x%X", limited);
            if (modes == 0) {
                modes = kFallbackBWModes;
                limited = 0;
                qv::LogLine("Fixed : dwSupportedBWModes = 0x%X", modes);
                qv::LogLine("Fixed : dwSupportedBWModes_WihtLimitedRange = 0x%X", limited);
            }
        }
        auto add = [&](unsigned bit, int32_t code, const char* name) {
            if (modes & (1u << bit))
                AddMode(code, name, (limited & (1u << bit)) != 0);
        };
        add(0, kModeBwThreshold, "B/W Threshold");
        if (modes & 0x80u) {
            add(7, kModeBwBackground, "B/W Adaptive");
            m_Set.bAdaptiveBackground = true;
        } else {
            add(1, kModeBwAdaptive, "B/W Adaptive");
        }
        add(2, 3, "B/W Adaptive Gray");
        add(3, 4, "B/W Adaptive Photo");
        add(4, 5, "B/W Copy Normal");
        add(5, 6, "B/W Copy Photo");
        add(6, 7, "B/W Copy Adaptive");
    }
    AddMode(kModeGray, "Gray Tone", false);
    if (rgb)
        AddMode(kModeRgb, "RGB", false);

    dialog.ListReset(kIdMode);
    int32_t chosen = -1;
    for (int32_t i = 0; i < m_Set.modeCount; ++i) {
        dialog.ListAdd(kIdMode, m_Set.ModeList[i].name);
        if (m_Set.ModeList[i].code == m_Set.enumMode && chosen < 0)
            chosen = i;
    }
    if (chosen < 0)
        chosen = m_Set.modeCount - 1;
    m_Set.modeIndex = chosen;
    m_Set.enumMode = m_Set.ModeList[chosen].code;
    dialog.ListSelect(kIdMode, chosen);
}

void Init_Resolution(qv::DialogControls& dialog, CScanner& scanner) {
    qv::LogLine("Init_Resolution");
    if (ChosenModeIsReduced() && scanner.IsOpen()) {
        Init_Resolution_Reduced_DPI(dialog, scanner);
        return;
    }
    dialog.ListReset(kIdResolution);
    m_Set.resolutionCount = 0;
    int32_t row = 0;
    if (scanner.IsOpen()) {
        qv::LogLine("Init_Resolution: Scanner open");
        row = TakeFullResolutionBounds(scanner);
        m_Set.iResolution_MaxY = static_cast<int32_t>(scanner.GetResolutionMaxY());
        const auto count = static_cast<int32_t>(scanner.GetResolutionCount());
        for (int32_t i = 0; i < count && RoomForScannerResolution(); ++i) {
            const auto dpi = static_cast<int32_t>(scanner.GetResolution(i));
            if (dpi != kUnscannedResolution)
                AddResolution(dpi);
        }
        row = RowOf(m_Set.iResolution, m_Set.resolutionCount, row);
        AddResolution(m_Set.iUserResolution);
        if (m_Set.iUserResolution == m_Set.iResolution)
            row = m_Set.resolutionCount - 1;
    } else {
        qv::LogLine("Init_Resolution: Scanner not open");
        m_Set.iResolution_Min = kNoScannerMin;
        m_Set.iResolution_Max = kNoScannerMax;
        m_Set.iResolution_MaxY = kNoScannerMaxY;
        AddResolution(kNoScannerMin);
        AddResolution(kNoScannerMax);
        row = 1;
        m_Set.iResolution = kNoScannerMax;
        m_Set.iUserResolution = Clamp(m_Set.iUserResolution, kNoScannerMin, kNoScannerMax);
        AddResolution(m_Set.iUserResolution);
    }
    LogResolutionBounds();
    ShowResolutionRows(dialog);
    SelectResolutionRow(dialog, row);
}

void Init_Resolution_Reduced_DPI(qv::DialogControls& dialog, CScanner& scanner) {
    qv::LogLine("Init_Resolution_Reduced_DPI");
    dialog.ListReset(kIdResolution);
    m_Set.resolutionCount = 0;
    m_Set.iResolution_ReducedMin = kReducedMin;
    m_Set.iResolution_ReducedMax = kReducedMax;
    m_Set.iResolution_MaxY = kReducedMaxY;
    qv::LogLine("Init_Resolution: Scanner open");
    if (scanner.HasReducedDpiRange()) {
        const auto lowest = static_cast<int32_t>(scanner.GetReducedDpiMin());
        const auto highest = static_cast<int32_t>(scanner.GetReducedDpiMax());
        m_Set.iResolution_ReducedMin = lowest == 0 ? kReducedMin : lowest;
        m_Set.iResolution_ReducedMax = highest == 0 ? kReducedMax : highest;
        m_Set.iResolution_MaxY = static_cast<int32_t>(scanner.GetResolutionMaxY());
    }
    const int32_t lowest = m_Set.iResolution_ReducedMin;
    const int32_t highest = m_Set.iResolution_ReducedMax;
    m_Set.iResolution = Clamp(m_Set.iResolution, lowest, highest);
    int32_t row = TakeFullResolutionBounds(scanner);
    const auto count = static_cast<int32_t>(scanner.GetResolutionCount());
    for (int32_t i = 0; i < count && RoomForScannerResolution(); ++i) {
        const auto dpi = static_cast<int32_t>(scanner.GetResolution(i));
        if (dpi >= lowest && dpi <= highest)
            AddResolution(dpi);
    }
    const int32_t scannerRows = m_Set.resolutionCount;
    row = RowOf(m_Set.iResolution, scannerRows, row);
    if (row >= scannerRows)
        row = scannerRows > 0 ? scannerRows - 1 : 0;
    if (m_Set.iUserResolution == m_Set.iResolution)
        row = scannerRows;
    m_Set.iUserResolution = Clamp(m_Set.iUserResolution, lowest, highest);
    AddResolution(m_Set.iUserResolution);
    LogResolutionBounds();
    ShowResolutionRows(dialog);
    SelectResolutionRow(dialog, row);
}

void Init_Blur(qv::DialogControls& dialog) {
    const int32_t blur = g_DialogSettings.g_iBlur;
    dialog.ListReset(kIdBlur);
    int row = 0;
    if (UsesGeneration4Rules()) {
        dialog.ListAdd(kIdBlur, "Off (1)");
        for (int i = 1; i < 4; ++i) {
            dialog.ListAdd(kIdBlur, IntegerToText(kGen4BlurValues[i]));
            if (kGen4BlurValues[i] == blur)
                row = i;
        }
    } else {
        dialog.ListAdd(kIdBlur, "Off");
        for (int i = 1; i <= kHighestBlur; ++i)
            dialog.ListAdd(kIdBlur, FormatText("%d", i));
        if (blur >= 0 && blur <= kHighestBlur)
            row = blur;
    }
    dialog.ListSelect(kIdBlur, row);
}

void Init_SharpenSoften(qv::DialogControls& dialog, CScanner& scanner) {
    qv::LogLine("Init_SharpenSoften");
    dialog.ListReset(kIdSharpen);
    if (UsesGeneration4Rules())
        return;
    int32_t lowest = -1;
    int32_t highest = 6;
    if (scanner.IsOpen())
        scanner.GetSharpenRange(lowest, highest);
    m_Set.iSharpenMin = lowest;
    m_Set.iSharpenMax = highest;
    const bool tone = m_Set.enumMode == kModeGray || m_Set.enumMode == kModeRgb;
    // Rows beyond the list's capacity could not be told apart from the last.
    const int32_t offered = std::min(tone ? highest : std::min(highest, 1), kListCapacity - 2);
    m_Set.iSharpenSoften = Clamp(m_Set.iSharpenSoften, lowest, highest);

    int row = 0;
    if (lowest == -1) {
        m_Set.SharpenSoftenList[row++] = -1;
        dialog.ListAdd(kIdSharpen, "Soften");
    }
    const int offRow = row;
    m_Set.SharpenSoftenList[row++] = 0;
    dialog.ListAdd(kIdSharpen, "Off");
    for (int32_t level = 1; level <= offered; ++level) {
        m_Set.SharpenSoftenList[row++] = level;
        dialog.ListAdd(kIdSharpen, FormatText("Sharpen %d", level));
    }
    int chosen = offRow;
    for (int i = 0; i < row; ++i) {
        if (m_Set.SharpenSoftenList[i] == m_Set.iSharpenSoften)
            chosen = i;
    }
    dialog.ListSelect(kIdSharpen, chosen);
}

void Init_BackgroundLevel(qv::DialogControls& dialog) {
    qv::LogLine("Init_BackgroundLevel");
    // Left empty when not offered: reading it back then gives -4.
    dialog.ListReset(kIdBackground);
    if (!m_Set.bAdaptiveBackground)
        return;
    for (int32_t level = kLowestBackgroundLevel; level <= kHighestBackgroundLevel; ++level)
        dialog.ListAdd(kIdBackground, level == 0 ? std::string(" Auto") : FormatText(" %d", level));
    m_Set.iBackgroundLevel = Clamp(m_Set.iBackgroundLevel, kLowestBackgroundLevel, kHighestBackgroundLevel);
    dialog.ListSelect(kIdBackground, m_Set.iBackgroundLevel - kLowestBackgroundLevel);
}

void Init_AdjustmentEdits(qv::DialogControls& dialog) {
    DialogSettings& s = g_DialogSettings;
    if (s.iGamma10 < 1 || s.iGamma10 > 90)
        s.iGamma10 = 10;
    dialog.SetSpinRange(kIdBrightnessSpin, -100, 100);
    dialog.SetSpinRange(kIdContrastSpin, -100, 100);
    dialog.SetSpinRange(kIdGammaSpin, 1, 90);
    dialog.SetSpinRange(kIdThresholdSpin, 0, 255);
    dialog.SetSpinRange(kIdLevelSpin, kLowestBackgroundLevel, kHighestBackgroundLevel);
    SetItemText(dialog, kIdBrightness, IntegerToText(s.iBrightness));
    SetItemText(dialog, kIdContrast, IntegerToText(s.iContrast));
    ShowGammaFields(dialog);
    const bool thresholdGood = s.g_iThreshold >= 0 && s.g_iThreshold <= 255;
    SetItemText(dialog, kIdThreshold, IntegerToText(thresholdGood ? s.g_iThreshold : 151));
    const bool levelGood = s.iLevel >= kLowestBackgroundLevel && s.iLevel <= kHighestBackgroundLevel;
    SetItemText(dialog, kIdLevel, IntegerToText(levelGood ? s.iLevel : 0));
}

void Init_ColorChoice(qv::DialogControls& dialog, CScanner& scanner) {
    m_Set.bColorChoice = false;
    if (UsesGeneration4Rules()) {
        m_Set.bNtscSelected = true;
    } else if (scanner.IsOpen() && scanner.IsColor()) {
        if (scanner.HasCustomColorMatrix()) {
            m_Set.bColorChoice = true;
            dialog.CheckRadio(kIdNtsc, kIdSrgb, m_Set.bNtscSelected ? kIdNtsc : kIdSrgb);
        } else {
            m_Set.bNtscSelected = true;
        }
    }
    ShowHideRange(dialog, kIdNtsc, kIdSrgb, m_Set.bColorChoice && m_Set.enumMode == kModeRgb);
}

void FillSettingsControls(qv::DialogControls& dialog, CScanner& scanner) {
    // Filling sets texts, and the edits' change notifications must not act on half a dialog.
    bInitDone = false;
    Init_Mode(dialog, scanner);
    Init_Resolution(dialog, scanner);
    Init_PaperList(dialog);
    Init_AdjustmentEdits(dialog);
    Init_Blur(dialog);
    Init_BackgroundLevel(dialog);
    Init_SharpenSoften(dialog, scanner);
    bInitDone = true;
    qv::LogLine("bInitDone = 1;");
    CheckPaperRadios(dialog);
    NormalLook(dialog);
    ShowPaperAttributes(dialog);
}

void ShowAdjustments(qv::DialogControls& dialog, bool show) {
    qv::LogLine("ShowAdjustments");
    ShowHideRange(dialog, kIdModeLabel, kIdMode, show);
    ShowHideRange(dialog, kIdResolutionLabel, kIdResolution, show);
    ShowHideRange(dialog, kIdPaperLabel, kIdPaper, show);
    ShowHideItem(dialog, kIdAdjustments, show);
    const unsigned visible = show ? VisibleGroups(m_Set.enumMode) : 0;
    for (const GroupRange& group : kGroups)
        ShowHideRange(dialog, group.first, group.last, (visible & group.group) != 0);
}

void NormalLook(qv::DialogControls& dialog) {
    qv::LogLine("NormalLook");
    ShowAdjustments(dialog, true);
    HideRange(dialog, kIdPaperXLabel, kIdPaperSizeGroup);
    HideRange(dialog, kIdNewResolutionLabel, kIdNewResolution);
    HideItem(dialog, kIdInterval);
}

void SetInputButtons(qv::DialogControls& dialog, CScanner& scanner, bool on) {
    if (on) {
        SetItemText(dialog, kIdScan, "&OK");
        EnableItem(dialog, kIdScan);
        SetItemText(dialog, kIdDone, "&Cancel");
        return;
    }
    SetItemText(dialog, kIdScan, "&Scan");
    if (!scanner.IsOpen()) {
        DisableItem(dialog, kIdScan);
        SelectItemText(dialog, kIdMode);
    }
    SetItemText(dialog, kIdDone, "&Done");
}

void OnModeChange(qv::DialogControls& dialog, CScanner& scanner) {
    const int row = dialog.ListSelected(kIdMode);
    if (row < 0 || row >= m_Set.modeCount)
        return;
    m_Set.modeIndex = row;
    m_Set.enumMode = m_Set.ModeList[row].code;
    Init_Resolution(dialog, scanner);
    Init_SharpenSoften(dialog, scanner);
    ShowAdjustments(dialog, true);
    if (m_Set.enumMode == kModeRgb) {
        g_DialogSettings.iGamma10 = kGammaSrgb;
        m_Set.bNtscSelected = false;
        dialog.CheckRadio(kIdNtsc, kIdSrgb, kIdSrgb);
        // Only a scanner with a matrix of its own offers the choice.
        ShowHideRange(dialog, kIdNtsc, kIdSrgb, m_Set.bColorChoice);
    } else {
        g_DialogSettings.iGamma10 = kGammaNtsc;
        HideRange(dialog, kIdNtsc, kIdSrgb);
    }
    ShowGammaFields(dialog);
}

void OnResolutionChoice(qv::DialogControls& dialog, CScanner& scanner) {
    const int row = dialog.ListSelected(kIdResolution);
    if (row < 0 || row >= m_Set.resolutionCount)
        return;
    if (dialog.ListRowText(kIdResolution, row).rfind('U', 0) != 0) {
        SetItemText(dialog, kIdResolutionLabel, "Resolution:");
        m_Set.resolutionRow = m_Set.resolutionRowKept = row;
        m_Set.iResolution = m_Set.ResolutionList[row];
        return;
    }
    dialogState = DIALOG_STATE_INPUT_RESOLUTION;
    SetInputButtons(dialog, scanner, true);
    ShowAdjustments(dialog, false);
    HideRange(dialog, kIdPaperXLabel, kIdPaperSizeGroup);
    ShowHideRange(dialog, kIdNewResolutionLabel, kIdNewResolution, true);
    ShowHideItem(dialog, kIdInterval, true);
    HideRange(dialog, kIdBackgroundLabel, kIdBackground);
    SetItemText(dialog, kIdNewResolution, IntegerToText(m_Set.iUserResolution));
    const bool reduced = ChosenModeIsReduced();
    SetItemText(dialog, kIdInterval,
                FormatText("[%d,%d]", reduced ? m_Set.iResolution_ReducedMin : m_Set.iResolution_Min,
                           reduced ? m_Set.iResolution_ReducedMax : m_Set.iResolution_Max));
    SelectItemText(dialog, kIdNewResolution);
}

void ShowResolutionMessage(qv::DialogControls& dialog, bool notANumber) {
    const char* format = notANumber ? "Not a legal value\nValue must be between [%d,%d]"
                                    : "Value out of range\nValue must be between [%d,%d]";
    qv::ShowMessageBox(dialog.Window(), FormatText(format, m_Set.iResolution_Min, m_Set.iResolution_Max),
                       "Resolution", qv::MsgIcon::Exclamation);
}

void ConfirmResolution(qv::DialogControls& dialog, CScanner& scanner) {
    int32_t value = 0;
    NumberResult result =
        GetItemInteger(dialog, kIdNewResolution, m_Set.iResolution_Min, m_Set.iResolution_Max, &value);
    // A scanner without a resolution list has bounds 0..0; no size is ever divided by 0 dpi.
    if (result == kNumberInRange && value <= 0)
        result = kNumberOutOfRange;
    if (result != kNumberInRange) {
        ShowResolutionMessage(dialog, result == kNotANumber);
        SelectItemText(dialog, kIdNewResolution);
        return;
    }
    NormalLook(dialog);
    const int32_t last = m_Set.resolutionCount - 1;
    const int32_t listed = RowOf(value, last, -1);
    if (listed >= 0) {
        SelectResolutionRow(dialog, listed);
    } else {
        m_Set.ResolutionList[last] = value;
        m_Set.iUserResolution = value;
        ShowResolutionRows(dialog);
        SelectResolutionRow(dialog, last);
    }
    dialogState = DIALOG_STATE_NORMAL;
    SetInputButtons(dialog, scanner, false);
    dialog.SetFocus(kIdResolution);
}

void CancelResolutionInput(qv::DialogControls& dialog, CScanner& scanner) {
    dialogState = DIALOG_STATE_NORMAL;
    SetInputButtons(dialog, scanner, false);
    NormalLook(dialog);
    const int32_t last = m_Set.resolutionCount - 1;
    const int32_t listed = RowOf(m_Set.iResolution, last, -1);
    if (listed >= 0) {
        SetItemText(dialog, kIdResolutionLabel, "Resolution:");
        SelectResolutionRow(dialog, listed);
    } else {
        // The user row keeps the last typed value, which may not be the one in use.
        dialog.ListSelect(kIdResolution, last);
        m_Set.resolutionRow = m_Set.resolutionRowKept = last;
        SetItemText(dialog, kIdResolutionLabel, FormatText("&Res: %d DPI", m_Set.iUserResolution));
    }
    dialog.SetFocus(kIdResolution);
}

void SetGammaPreset(qv::DialogControls& dialog, int32_t gamma10) {
    g_DialogSettings.iGamma10 = gamma10;
    SetItemText(dialog, kIdGamma, GammaText(gamma10));
    SelectItemText(dialog, kIdGamma);
    SetItemText(dialog, kIdGamma10, IntegerToText(gamma10));
    if (!Compact()) {
        PreScan_MakeDCFromGamma();
        PreScan_InverseSelectRect();
    }
}

void CheckAdjustmentEdit(qv::DialogControls& dialog, int id) {
    if (id == kIdGamma10) {
        CheckGamma10Field(dialog);
        return;
    }
    if (id == kIdGamma) {
        CheckGammaField(dialog);
        return;
    }
    for (const IntegerField& field : kIntegerFields) {
        if (field.id == id)
            CheckIntegerField(dialog, field);
    }
}

void ReadDialogControls(qv::DialogControls& dialog) {
    DialogSettings& s = g_DialogSettings;
    const int mode = dialog.ListSelected(kIdMode);
    if (mode >= 0 && mode < m_Set.modeCount) {
        m_Set.modeIndex = mode;
        m_Set.enumMode = m_Set.ModeList[mode].code;
    }
    const int resolution = dialog.ListSelected(kIdResolution);
    if (resolution >= 0 && resolution < m_Set.resolutionCount)
        m_Set.iResolution = m_Set.ResolutionList[resolution];
    const int paper = dialog.ListSelected(kIdPaper);
    if (paper >= 0 && paper < kPaperRows) {
        s.iPaperIndex = paper;
        std::snprintf(s.szPaperName, sizeof s.szPaperName, "%s", PaperTable[paper].name);
    }
    constexpr int32_t kAny = std::numeric_limits<int32_t>::max();
    GetItemInteger(dialog, kIdBrightness, -kAny, kAny, &s.iBrightness);
    GetItemInteger(dialog, kIdContrast, -kAny, kAny, &s.iContrast);
    GetItemInteger(dialog, kIdGamma10, -kAny, kAny, &s.iGamma10);
    const int blur = dialog.ListSelected(kIdBlur);
    if (blur >= 0)
        s.g_iBlur = UsesGeneration4Rules() ? kGen4BlurValues[std::min(blur, 3)] : blur;
    GetItemInteger(dialog, kIdThreshold, -kAny, kAny, &s.g_iThreshold);
    GetItemInteger(dialog, kIdLevel, -kAny, kAny, &s.iLevel);
    m_Set.iBackgroundLevel = dialog.ListSelected(kIdBackground) + kLowestBackgroundLevel;
    const int sharpen = dialog.ListSelected(kIdSharpen);
    if (sharpen >= 0 && sharpen < kListCapacity)
        m_Set.iSharpenSoften = m_Set.SharpenSoftenList[sharpen];
    // With no unit checked the unit stays what it was.
    if (const int unit = GetCheckedRadio(dialog, kIdUnitInch, kIdUnitScanner))
        s.iPaperUnit = unit - kIdUnitInch;
    s.bCenterLoad = dialog.IsChecked(kIdCenterLoad);
}

bool HandleSettingsCommand(qv::DialogControls& dialog, CScanner& scanner, int id,
                           qv::Notification notification) {
    using qv::Notification;
    if (notification == Notification::Click) {
        switch (id) {
        case kIdScan:
            if (dialogState == DIALOG_STATE_INPUT_RESOLUTION)
                ConfirmResolution(dialog, scanner);
            else if (dialogState == DIALOG_STATE_INPUT_PAPER_SIZE)
                ConfirmPaperSize(dialog, scanner);
            else
                return false;
            return true;
        case kIdDone:
            if (dialogState == DIALOG_STATE_INPUT_RESOLUTION)
                CancelResolutionInput(dialog, scanner);
            else if (dialogState == DIALOG_STATE_INPUT_PAPER_SIZE)
                CancelPaperSizeInput(dialog, scanner);
            else
                return false;
            return true;
        case kIdUnitInch:
        case kIdUnitCm:
        case kIdUnitScanner:
            ShowPaperAttributes(dialog);
            return true;
        case kIdSideLoad:
        case kIdCenterLoad:
            OnLoadClick(dialog);
            return true;
        case kIdNtsc:
            m_Set.bNtscSelected = true;
            SetGammaPreset(dialog, kGammaNtsc);
            return true;
        case kIdSrgb:
            m_Set.bNtscSelected = false;
            SetGammaPreset(dialog, kGammaSrgb);
            return true;
        default:
            return false;
        }
    }

    const bool list = notification == Notification::ListChange;
    const bool ours = list ? (id == kIdMode || id == kIdResolution || id == kIdPaper || id == kIdSharpen ||
                              id == kIdBackground)
                           : (id == kIdBrightness || id == kIdContrast || id == kIdGamma10 ||
                              id == kIdGamma || id == kIdThreshold || id == kIdLevel);
    if (!ours)
        return false;
    if (!bInitDone)
        return true;
    if (!list) {
        CheckAdjustmentEdit(dialog, id);
        return true;
    }
    const int row = dialog.ListSelected(id);
    switch (id) {
    case kIdMode:
        OnModeChange(dialog, scanner);
        break;
    case kIdResolution:
        OnResolutionChoice(dialog, scanner);
        break;
    case kIdPaper:
        OnPaperChoice(dialog, scanner);
        break;
    case kIdSharpen:
        if (row >= 0 && row < kListCapacity)
            m_Set.iSharpenSoften = m_Set.SharpenSoftenList[row];
        break;
    case kIdBackground:
        if (row >= 0)
            m_Set.iBackgroundLevel = row + kLowestBackgroundLevel;
        break;
    }
    return true;
}
