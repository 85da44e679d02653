#include "dialog/PaperControls.h"

#include "dialog/ControlIds.h"
#include "dialog/DialogUtilities.h"
#include "dialog/PreviewSeams.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr int kDefaultPaperRow = 8;
constexpr int32_t kHostPixelLimit = 30000;
constexpr int32_t kScannerUnitsPerInch = 1200;
// Scanner widths when none is open to ask, in inches.
constexpr int32_t kGen4Width = 36;
constexpr int32_t kLaterWidth = 50;

constexpr PaperUnit kInch{1.0, 1.0, "Inch"};
constexpr PaperUnit kCentimetre{2.54, 0.39370078740157477, "cm"};
constexpr PaperUnit kScannerUnit{0.23584905660377356, 4.24, "Scanner Units"};
constexpr PaperUnit kNoUnit{1.0, 1.0, "Default"};

struct PaperField {
    int id;
    const char* name;
    double PaperRow::*inches;
};
constexpr PaperField kPaperFields[] = {
    {kIdPaperX, "X-Offset", &PaperRow::dXOffset},
    {kIdPaperY, "Y-Offset", &PaperRow::dYOffset},
    {kIdPaperWidth, "Width", &PaperRow::dWidth},
    {kIdPaperHeight, "Height", &PaperRow::dHeight},
};

int ValidRow(int32_t row) {
    return row >= 0 && row < kPaperRows ? row : kDefaultPaperRow;
}

PaperRow& UserRow() {
    const int32_t row = g_DialogSettings.iUserPaperIndex;
    return PaperTable[row >= 0 && row < kPaperRows ? row : kUserPaperRow];
}

void RedrawSelection(bool standardPaper) {
    if (g_DialogSettings.bCompact)
        return;
    PreScan_ReDoSelectRect();
    PreScan_SelectRect_CalculateCoordinates();
    PreScan_InverseSelectRect();
    bStandardPaper = standardPaper;
}

// The widest image the host can take at this resolution, in pixels.
int64_t WidestPixels(CScanner& scanner, int32_t dpi) {
    int64_t pixels = 0;
    if (scanner.IsOpen())
        pixels = int64_t{scanner.GetMaxScanWidth()} * dpi / kScannerUnitsPerInch;
    else
        pixels = int64_t{dpi} * (UsesGeneration4Rules() ? kGen4Width : kLaterWidth);
    return pixels < kHostPixelLimit ? pixels : kHostPixelLimit;
}

} // namespace

PaperUnit CheckedPaperUnit(qv::DialogControls& dialog) {
    switch (GetCheckedRadio(dialog, kIdUnitInch, kIdUnitScanner)) {
    case kIdUnitInch:
        return kInch;
    case kIdUnitCm:
        return kCentimetre;
    case kIdUnitScanner:
        return kScannerUnit;
    default:
        return kNoUnit;
    }
}

void Init_PaperList(qv::DialogControls& dialog) {
    DialogSettings& s = g_DialogSettings;
    s.iPaperIndex = kDefaultPaperRow;
    dialog.ListReset(kIdPaper);
    for (int row = 0; row < kPaperRows; ++row) {
        const char* name = PaperTable[row].name;
        dialog.ListAdd(kIdPaper, name);
        if (std::strncmp(name, s.szPaperName, kPaperNameLength) == 0)
            s.iPaperIndex = row;
        if (std::strcmp(name, "User Defined") == 0) {
            s.iUserPaperIndex = row;
            break;
        }
    }
    if (s.iPaperIndex > s.iUserPaperIndex)
        s.iPaperIndex = kDefaultPaperRow;
    dialog.ListSelect(kIdPaper, s.iPaperIndex);
}

void CheckPaperRadios(qv::DialogControls& dialog) {
    DialogSettings& s = g_DialogSettings;
    // A unit no radio stands for is shown, and kept, as inches.
    if (s.iPaperUnit < 0 || s.iPaperUnit > kIdUnitScanner - kIdUnitInch)
        s.iPaperUnit = 0;
    dialog.CheckRadio(kIdUnitInch, kIdUnitScanner, kIdUnitInch + s.iPaperUnit);
    dialog.CheckRadio(kIdSideLoad, kIdCenterLoad, s.bCenterLoad ? kIdCenterLoad : kIdSideLoad);
}

void ShowPaperAttributes(qv::DialogControls& dialog) {
    DialogSettings& s = g_DialogSettings;
    if (const int unit = GetCheckedRadio(dialog, kIdUnitInch, kIdUnitScanner))
        s.iPaperUnit = unit - kIdUnitInch;
    const double factor = CheckedPaperUnit(dialog).showFactor;
    const PaperRow& row = PaperTable[ValidRow(s.iPaperIndex)];
    SetItemText(dialog, kIdXOffsetValue, FormatText("%3.1f", row.dXOffset * factor));
    SetItemText(dialog, kIdYOffsetValue, FormatText("%3.1f", row.dYOffset * factor));
    SetItemText(dialog, kIdWidthValue, FormatText("%3.1f", row.dWidth * factor));
    SetItemText(dialog, kIdHeightValue, FormatText("%3.1f", row.dHeight * factor));
}

void OnPaperChoice(qv::DialogControls& dialog, CScanner& scanner) {
    const int row = dialog.ListSelected(kIdPaper);
    if (row < 0 || row >= kPaperRows)
        return;
    if (dialog.ListRowText(kIdPaper, row).rfind('U', 0) != 0) {
        g_DialogSettings.iPaperIndex = row;
        ShowPaperAttributes(dialog);
        RedrawSelection(true);
        return;
    }
    dialogState = DIALOG_STATE_INPUT_PAPER_SIZE;
    ShowHideRange(dialog, kIdPaperXLabel, kIdPaperSizeGroup, true);
    ShowAdjustments(dialog, false);
    HideRange(dialog, kIdNewResolutionLabel, kIdNewResolution);
    HideItem(dialog, kIdInterval);
    HideRange(dialog, kIdBackgroundLabel, kIdBackground);
    SetInputButtons(dialog, scanner, true);
    const double inchesPerUnit = CheckedPaperUnit(dialog).inchesPerUnit;
    for (const PaperField& field : kPaperFields)
        SetItemDecimal(dialog, field.id, UserRow().*field.inches / inchesPerUnit, 1);
    SelectItemText(dialog, kIdPaperX);
}

bool CheckPaperField(qv::DialogControls& dialog, int id, double minimum, double maximum,
                     const char* unitName) {
    const char* name = "";
    for (const PaperField& field : kPaperFields) {
        if (field.id == id)
            name = field.name;
    }
    SelectItemText(dialog, id);
    double value = 0.0;
    std::string message;
    switch (GetItemDecimal(dialog, id, minimum, maximum, &value)) {
    case kNumberInRange:
        return true;
    case kNotANumber:
        message = FormatText("%s is not a number", name);
        break;
    case kNumberOutOfRange:
        message = value < minimum
                      ? FormatText("The value in %s is less than the allowed value (%3.1f %s).", name,
                                   minimum, unitName)
                      : FormatText("The value in %s is greater than the allowed value (%3.1f %s).", name,
                                   maximum, unitName);
        break;
    }
    qv::ShowMessageBox(dialog.Window(), message, "Input Paper Size", qv::MsgIcon::Exclamation);
    return false;
}

void ConfirmPaperSize(qv::DialogControls& dialog, CScanner& scanner) {
    const PaperUnit unit = CheckedPaperUnit(dialog);
    const int32_t dpi = m_Set.iResolution;
    // A settings file can leave 0 dpi in the user-defined row: no largest size exists then.
    if (dpi <= 0) {
        ShowResolutionMessage(dialog, false);
        return;
    }
    const double perUnit = dpi * unit.inchesPerUnit;
    const double widest = static_cast<double>(WidestPixels(scanner, dpi)) / perUnit;
    const double tallest = kHostPixelLimit / perUnit;
    if (!CheckPaperField(dialog, kIdPaperX, 0.0, widest, unit.name) ||
        !CheckPaperField(dialog, kIdPaperWidth, 0.0, widest, unit.name) ||
        !CheckPaperField(dialog, kIdPaperHeight, 0.0, tallest, unit.name))
        return;

    constexpr double kAny = std::numeric_limits<double>::max();
    for (const PaperField& field : kPaperFields) {
        double value = 0.0;
        GetItemDecimal(dialog, field.id, -kAny, kAny, &value);
        UserRow().*field.inches = value * unit.inchesPerUnit;
    }
    DialogSettings& s = g_DialogSettings;
    s.iPaperIndex = s.iUserPaperIndex;
    dialog.ListSelect(kIdPaper, ValidRow(s.iPaperIndex));
    NormalLook(dialog);
    SetInputButtons(dialog, scanner, false);
    HideRange(dialog, kIdPaperXLabel, kIdPaperSizeGroup);
    dialogState = DIALOG_STATE_NORMAL;
    ShowPaperAttributes(dialog);
    RedrawSelection(false);
    dialog.SetFocus(kIdPaper);
}

void CancelPaperSizeInput(qv::DialogControls& dialog, CScanner& scanner) {
    dialogState = DIALOG_STATE_NORMAL;
    SetInputButtons(dialog, scanner, false);
    NormalLook(dialog);
    ShowPaperAttributes(dialog);
    dialog.ListSelect(kIdPaper, ValidRow(g_DialogSettings.iPaperIndex));
    dialog.SetFocus(kIdPaper);
}

void OnLoadClick(qv::DialogControls& dialog) {
    g_DialogSettings.bCenterLoad = dialog.IsChecked(kIdCenterLoad);
}
