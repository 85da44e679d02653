// The dialog's number texts on any input: the first byte picks the decimal places, the rest is
// an edit's text, and its first eight bytes also a double to write. A text read as a number
// writes back to a text that reads as the same number; every result agrees with its range.
#include "dialog/DialogUtilities.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, text.c_str());
    std::abort();
}

void CheckInteger(const std::string& text) {
    int32_t value = 1;
    const NumberResult result = ParseIntegerText(text, INT32_MIN, INT32_MAX, &value);
    if (result == kNumberOutOfRange || (result == kNotANumber && value != 0))
        Fail("integer result", text);
    if (result == kNotANumber)
        return;
    if (value == INT32_MIN)
        Fail("integer beyond the nine-digit bound", text);
    int32_t again = 0;
    if (ParseIntegerText(IntegerToText(value), INT32_MIN, INT32_MAX, &again) != kNumberInRange ||
        again != value)
        Fail("integer does not read back", text);
    int32_t bounded = 0;
    const NumberResult inRange = ParseIntegerText(text, -100, 100, &bounded);
    if (bounded != value || inRange != (value < -100 || value > 100 ? kNumberOutOfRange : kNumberInRange))
        Fail("integer range", text);
}

// The text of a value rounded to `places` reads back within half a unit of the last place,
// give or take the double's own rounding, while its whole part has the nine digits a text may
// carry.
void CheckWritten(double value, int places, const std::string& input) {
    const std::string written = DecimalText(value, places);
    if (!(std::fabs(value) < 999999999.0))
        return;
    double again = 0.0;
    if (ParseDecimalText(written, -1e300, 1e300, &again) != kNumberInRange)
        Fail("written decimal is not a number", input + "\" -> \"" + written);
    const double tolerance = 0.5 * std::pow(10.0, -places) * (1 + 1e-9) + std::fabs(value) * 1e-15;
    if (std::fabs(again - value) > tolerance)
        Fail("written decimal is not the value rounded", input + "\" -> \"" + written);
}

void CheckDecimal(const std::string& text, int places) {
    double value = 1.0;
    const NumberResult result = ParseDecimalText(text, -1e300, 1e300, &value);
    if (result == kNotANumber) {
        if (value != 0.0)
            Fail("decimal not a number but not 0", text);
        return;
    }
    if (result != kNumberInRange || !std::isfinite(value))
        Fail("decimal result", text);
    CheckWritten(value, places, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int places = data[0] % 4;
    // An edit never hands over more than this.
    const std::string text(reinterpret_cast<const char*>(data + 1), std::min<size_t>(size - 1, 255));
    CheckInteger(text);
    CheckDecimal(text, places);
    double raw = 0.0;
    if (size >= 1 + sizeof raw) {
        std::memcpy(&raw, data + 1, sizeof raw);
        CheckWritten(raw, places, text);
    }
    return 0;
}
