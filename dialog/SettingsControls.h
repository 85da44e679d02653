// The mode, resolution and adjustment controls: which modes and resolutions the scanner
// offers, which adjustments a mode shows, the live checks of the numeric fields and the
// resolution input. State lives in m_Set and g_DialogSettings (dialog/Settings.h), never
// in the global record: these run between the host's calls.
#pragma once

#include "platform/DialogControls.h"
#include "scanner/Scanner.h"

#include <string>

// printf into a string, for control texts and messages.
std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Every generation below 5 (only a settings file can bring one in) follows the
// generation-4 rules, so the mode list is never empty.
bool UsesGeneration4Rules();

// Whether the opened scanner is one this module drives; logs its identification.
bool IdentifyScanner(CScanner& scanner, const std::string& installBuild);

void Init_Mode(qv::DialogControls& dialog, CScanner& scanner);
// Hands over to Init_Resolution_Reduced_DPI when the chosen mode is marked reduced.
void Init_Resolution(qv::DialogControls& dialog, CScanner& scanner);
void Init_Resolution_Reduced_DPI(qv::DialogControls& dialog, CScanner& scanner);
void Init_Blur(qv::DialogControls& dialog);
void Init_SharpenSoften(qv::DialogControls& dialog, CScanner& scanner);
void Init_BackgroundLevel(qv::DialogControls& dialog);
// Brightness, contrast, gamma, threshold and level fields with their spin ranges.
void Init_AdjustmentEdits(qv::DialogControls& dialog);
// The NTSC/sRGB choice (radios 90, 91) for the chosen scanner.
void Init_ColorChoice(qv::DialogControls& dialog, CScanner& scanner);

// Fills every settings control for the chosen scanner, in the order the dialog's start-up
// wants, and ends with bInitDone set. The generation and the wide-600 flag must be set.
void FillSettingsControls(qv::DialogControls& dialog, CScanner& scanner);

void ShowAdjustments(qv::DialogControls& dialog, bool show);
void NormalLook(qv::DialogControls& dialog);
// OK/Cancel while a value is typed in, Scan/Done otherwise.
void SetInputButtons(qv::DialogControls& dialog, CScanner& scanner, bool on);

void OnModeChange(qv::DialogControls& dialog, CScanner& scanner);
void OnResolutionChoice(qv::DialogControls& dialog, CScanner& scanner);
// The resolution's range message, "Resolution" box.
void ShowResolutionMessage(qv::DialogControls& dialog, bool notANumber);
void ConfirmResolution(qv::DialogControls& dialog, CScanner& scanner);
void CancelResolutionInput(qv::DialogControls& dialog, CScanner& scanner);
void SetGammaPreset(qv::DialogControls& dialog, int32_t gamma10);
// The check of a numeric field (28, 31, 34, 36, 40, 43) after each change of its text.
void CheckAdjustmentEdit(qv::DialogControls& dialog, int id);

// Copies every control into the settings.
void ReadDialogControls(qv::DialogControls& dialog);

// The settings controls' share of the command table: the mode, resolution, paper,
// adjustment, unit, load and colour controls, and OK/Cancel while a value is typed in.
// Answers whether the notification was theirs. A Done/Cancel click while a prescan runs
// stops the prescan and must not come here.
bool HandleSettingsCommand(qv::DialogControls& dialog, CScanner& scanner, int id,
                           qv::Notification notification);
