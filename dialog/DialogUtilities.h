// Small operations on the dialog's controls, written once over the controls port.
#pragma once

#include "platform/DialogControls.h"

#include <cstdint>
#include <string>

// Results of the number readers.
enum NumberResult : int16_t { kNumberInRange = 0, kNumberOutOfRange = 1, kNotANumber = 2 };

// The text rules alone, for the readers below and the settings file.
NumberResult ParseIntegerText(const std::string& text, int32_t minimum, int32_t maximum, int32_t* value);
NumberResult ParseDecimalText(const std::string& text, double minimum, double maximum, double* value);
std::string DecimalText(double value, int places);

NumberResult GetItemInteger(qv::DialogControls& dialog, int id, int32_t minimum, int32_t maximum,
                            int32_t* value);
NumberResult GetItemDecimal(qv::DialogControls& dialog, int id, double minimum, double maximum,
                            double* value);
void SetItemDecimal(qv::DialogControls& dialog, int id, double value, int places);
std::string GetItemText(qv::DialogControls& dialog, int id);
void SetItemText(qv::DialogControls& dialog, int id, const std::string& text);
// Id of the first checked button in first..last, 0 when none.
int GetCheckedRadio(qv::DialogControls& dialog, int first, int last);
void SelectItemText(qv::DialogControls& dialog, int id);
void SetDefaultButton(qv::DialogControls& dialog, int id);
void ShowHideItem(qv::DialogControls& dialog, int id, bool show);
void HideItem(qv::DialogControls& dialog, int id);
void EnableItem(qv::DialogControls& dialog, int id);
void DisableItem(qv::DialogControls& dialog, int id);
void ShowHideRange(qv::DialogControls& dialog, int first, int last, bool show);
void HideRange(qv::DialogControls& dialog, int first, int last);
void EnableRange(qv::DialogControls& dialog, int first, int last);
void DisableRange(qv::DialogControls& dialog, int first, int last);

// Rectangles for hit tests, in this order.
struct Rect16 {
    int16_t top, left, bottom, right;
};
bool PointInRect(const Rect16& rect, int32_t x, int32_t y);
void CenterOverParent(qv::DialogControls& dialog);
int32_t FixedRatio(int16_t a, int16_t b);
std::string IntegerToText(int32_t value);
