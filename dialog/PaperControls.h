// The paper list, the paper attributes in the chosen unit, the paper size input and its
// checks, and the load choice.
#pragma once

#include "platform/DialogControls.h"
#include "scanner/Scanner.h"

struct PaperUnit {
    double showFactor;    // shown value per inch
    double inchesPerUnit; // for typed values
    const char* name;     // in messages
};
// The unit of the checked unit radio; inches when none is checked.
PaperUnit CheckedPaperUnit(qv::DialogControls& dialog);

void Init_PaperList(qv::DialogControls& dialog);
// The unit and load radios from the settings; done after every other control is filled.
void CheckPaperRadios(qv::DialogControls& dialog);
void ShowPaperAttributes(qv::DialogControls& dialog);

void OnPaperChoice(qv::DialogControls& dialog, CScanner& scanner);
void ConfirmPaperSize(qv::DialogControls& dialog, CScanner& scanner);
void CancelPaperSizeInput(qv::DialogControls& dialog, CScanner& scanner);
// Reports a field (69, 71, 73, 75) that is no number or lies outside minimum..maximum;
// the field keeps the focus either way.
bool CheckPaperField(qv::DialogControls& dialog, int id, double minimum, double maximum,
                     const char* unitName);
void OnLoadClick(qv::DialogControls& dialog);
