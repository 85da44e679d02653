#include "dialog/DialogUtilities.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

struct IntegerText {
    bool number = false;
    bool negative = false;
    int32_t value = 0;
    int digits = 0;
};

constexpr int kMaxDigits = 9;

IntegerText ReadIntegerText(std::string_view text) {
    IntegerText read;
    bool ended = false;
    int64_t magnitude = 0;
    for (char c : text) {
        if (c == ' ') {
            ended = read.digits > 0;
            continue;
        }
        if (ended)
            return {};
        if (c == '-' && read.digits == 0 && !read.negative) {
            read.negative = true;
            continue;
        }
        if (c < '0' || c > '9')
            return {};
        ++read.digits;
        if (read.digits <= kMaxDigits)
            magnitude = magnitude * 10 + (c - '0');
    }
    if (read.digits == 0 && !read.negative)
        return {};
    if (read.digits > kMaxDigits)
        magnitude = INT32_MAX;
    read.number = true;
    read.value = static_cast<int32_t>(read.negative ? -magnitude : magnitude);
    return read;
}

} // namespace

NumberResult ParseIntegerText(const std::string& text, int32_t minimum, int32_t maximum, int32_t* value) {
    IntegerText read = ReadIntegerText(text);
    *value = read.value;
    if (!read.number)
        return kNotANumber;
    return read.value < minimum || read.value > maximum ? kNumberOutOfRange : kNumberInRange;
}

NumberResult ParseDecimalText(const std::string& text, double minimum, double maximum, double* value) {
    const size_t point = text.find_last_of(".,");
    const std::string_view all(text);
    IntegerText whole = ReadIntegerText(all.substr(0, point));
    IntegerText fraction;
    if (point != std::string::npos)
        fraction = ReadIntegerText(all.substr(point + 1));
    // A sign belongs to the whole number; a fraction that carries one is no fraction.
    if (fraction.negative)
        fraction = {};
    *value = 0.0;
    if (!whole.number && !fraction.number)
        return kNotANumber;
    double magnitude = std::fabs(static_cast<double>(whole.value));
    if (fraction.number)
        magnitude += fraction.value / std::pow(10.0, fraction.digits);
    *value = whole.negative ? -magnitude : magnitude;
    return *value < minimum || *value > maximum ? kNumberOutOfRange : kNumberInRange;
}

std::string DecimalText(double value, int places) {
    if (!std::isfinite(value))
        value = 0.0;
    places = std::clamp(places, 0, 15);
    const double scale = std::pow(10.0, places);
    double magnitude = std::fabs(value);
    std::string text = value < 0 ? "-" : "";
    const double scaled = std::floor(magnitude * scale + 0.5);
    if (scaled >= 9.0e15) {
        // Beyond a double's whole digits there is no fraction left to show.
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, "%.0f.0", std::floor(magnitude));
        return text + buffer;
    }
    const auto units = static_cast<int64_t>(scaled);
    const auto divisor = static_cast<int64_t>(scale);
    text += std::to_string(units / divisor) + ".";
    std::string fraction = std::to_string(units % divisor);
    fraction.insert(0, static_cast<size_t>(places) - std::min(fraction.size(), static_cast<size_t>(places)),
                    '0');
    while (fraction.size() > 1 && fraction.back() == '0')
        fraction.pop_back();
    return text + (fraction.empty() ? "0" : fraction);
}

NumberResult GetItemInteger(qv::DialogControls& dialog, int id, int32_t minimum, int32_t maximum,
                            int32_t* value) {
    return ParseIntegerText(GetItemText(dialog, id), minimum, maximum, value);
}

NumberResult GetItemDecimal(qv::DialogControls& dialog, int id, double minimum, double maximum,
                            double* value) {
    return ParseDecimalText(GetItemText(dialog, id), minimum, maximum, value);
}

void SetItemDecimal(qv::DialogControls& dialog, int id, double value, int places) {
    SetItemText(dialog, id, DecimalText(value, places));
}

std::string GetItemText(qv::DialogControls& dialog, int id) {
    std::string text = dialog.GetText(id);
    if (text.size() > qv::kMaxControlText)
        text.resize(qv::kMaxControlText);
    return text;
}

void SetItemText(qv::DialogControls& dialog, int id, const std::string& text) {
    dialog.SetText(id, text.substr(0, qv::kMaxControlText));
}

int GetCheckedRadio(qv::DialogControls& dialog, int first, int last) {
    for (int id = first; id <= last; ++id)
        if (dialog.IsChecked(id))
            return id;
    return 0;
}

void SelectItemText(qv::DialogControls& dialog, int id) {
    dialog.SelectAllText(id);
    dialog.SetFocus(id);
}

void SetDefaultButton(qv::DialogControls& dialog, int id) {
    dialog.SetDefaultButton(id);
    dialog.SetFocus(id);
}

void ShowHideItem(qv::DialogControls& dialog, int id, bool show) {
    dialog.Show(id, show);
}
void HideItem(qv::DialogControls& dialog, int id) {
    dialog.Show(id, false);
}
void EnableItem(qv::DialogControls& dialog, int id) {
    dialog.Enable(id, true);
}
void DisableItem(qv::DialogControls& dialog, int id) {
    dialog.Enable(id, false);
}

void ShowHideRange(qv::DialogControls& dialog, int first, int last, bool show) {
    for (int id = first; id <= last; ++id)
        dialog.Show(id, show);
}

void HideRange(qv::DialogControls& dialog, int first, int last) {
    ShowHideRange(dialog, first, last, false);
}

void EnableRange(qv::DialogControls& dialog, int first, int last) {
    for (int id = first; id <= last; ++id)
        dialog.Enable(id, true);
}

void DisableRange(qv::DialogControls& dialog, int first, int last) {
    for (int id = first; id <= last; ++id)
        dialog.Enable(id, false);
}

bool PointInRect(const Rect16& rect, int32_t x, int32_t y) {
    return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

void CenterOverParent(qv::DialogControls& dialog) {
    const qv::PixelRect window = dialog.Placement();
    const qv::PixelRect reference = dialog.ParentArea();
    const qv::ScreenMetrics screen = dialog.Screen();
    const int32_t width = window.Width();
    const int32_t height = window.Height();
    const int32_t button =
        dialog.HasSystemMenu() ? screen.captionButtonWidth : screen.captionButtonWidth * 2 / 3;

    int32_t x = reference.left + std::max(reference.Width() - width, 0) / 2 - button;
    int32_t y = reference.top + std::max(reference.Height() - height, 0) / 3;
    if (x + width > screen.width)
        x = std::max(screen.width - width, 0);
    if (y + height > screen.height)
        y = std::max(screen.height - height, 0);
    dialog.Move(x, y);
}

int32_t FixedRatio(int16_t a, int16_t b) {
    if (b == 0)
        return a < 0 ? static_cast<int32_t>(0x80000001) : 0x7FFFFFFF;
    // -32768 / -1 is one past the largest 16.16 number.
    const int64_t ratio = static_cast<int64_t>(a) * 65536 / b;
    return static_cast<int32_t>(std::min<int64_t>(ratio, INT32_MAX));
}

std::string IntegerToText(int32_t value) {
    return std::to_string(value);
}
