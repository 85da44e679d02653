#include "dialog/SettingsFile.h"

#include "dialog/ControlIds.h"
#include "dialog/Settings.h"
#include "platform/DialogControls.h"
#include "platform/SettingsLocation.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Leading blanks, an optional sign, digits up to the first other character; no digits is 0.
// Too many digits stop at the nearest 32-bit value rather than wrap.
int32_t ReadInteger(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        magnitude = std::min<int64_t>(magnitude * 10 + (text[at] - '0'), int64_t{INT32_MAX} + 1);
    return static_cast<int32_t>(std::clamp<int64_t>(negative ? -magnitude : magnitude, INT32_MIN, INT32_MAX));
}

// The integer rule with a fraction after a point; reads from *at and leaves *at after the number.
double ReadDecimal(std::string_view text, size_t* at) {
    while (*at < text.size() && IsBlank(text[*at]))
        ++*at;
    bool negative = false;
    if (*at < text.size() && (text[*at] == '-' || text[*at] == '+'))
        negative = text[(*at)++] == '-';
    const size_t start = *at;
    auto isDigit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    while (isDigit(*at))
        ++*at;
    if (*at < text.size() && text[*at] == '.')
        for (++*at; isDigit(*at);)
            ++*at;
    double value = 0.0;
    // Digits and one point only: no exponent, no locale, and "." alone stays 0.
    std::from_chars(text.data() + start, text.data() + *at, value, std::chars_format::fixed);
    return negative ? -value : value;
}

void CopyName(char* name, std::string_view value) {
    const size_t length = std::min(value.size(), static_cast<size_t>(kPaperNameLength - 1));
    std::memcpy(name, value.data(), length);
    name[length] = '\0';
}

std::string_view NameOf(const char* name) {
    return {name, static_cast<size_t>(std::find(name, name + kPaperNameLength - 1, '\0') - name)};
}

// The first and third characters as digits; anything shorter or not a digit there gives 0,
// which lies outside 1..90 like every gamma the dialog will not take.
int32_t ReadGamma(std::string_view value) {
    auto digit = [&](size_t i) { return i < value.size() && value[i] >= '0' && value[i] <= '9'; };
    if (!digit(0) || !digit(2))
        return 0;
    return (value[0] - '0') * 10 + (value[2] - '0');
}

void ReadUserPaperSize(std::string_view value) {
    PaperRow& row = PaperTable[kUserPaperRow];
    double* fields[] = {&row.dXOffset, &row.dYOffset, &row.dWidth, &row.dHeight};
    size_t at = 0;
    for (double* field : fields) {
        *field = ReadDecimal(value, &at);
        // What follows a number up to the next blank is not part of the next one.
        while (at < value.size() && !IsBlank(value[at]))
            ++at;
    }
}

std::string Number(int32_t value) {
    return std::to_string(value);
}
std::string OnOff(bool on) {
    return on ? "ON" : "OFF";
}
std::string TrueFalse(bool on) {
    return on ? "TRUE" : "FALSE";
}

const char* const kUnitNames[] = {"INCH", "CM", "SCANNER UNIT"};

std::string UserPaperSizeText() {
    const PaperRow& row = PaperTable[kUserPaperRow];
    const std::string_view name = NameOf(row.name);
    char text[1024];
    std::snprintf(text, sizeof text, "%3.2f %3.2f %3.2f %3.2f %.*s", row.dXOffset, row.dYOffset, row.dWidth,
                  row.dHeight, static_cast<int>(name.size()), name.data());
    return text;
}

int32_t UserResolution() {
    const int32_t count = m_Set.resolutionCount;
    return count >= 1 && count <= kListCapacity ? m_Set.ResolutionList[count - 1] : m_Set.iUserResolution;
}

struct SettingsKey {
    const char* key;
    void (*read)(const std::string& value);
    std::string (*write)();
};

DialogSettings& record = g_DialogSettings;

// In the order of the file: a short key must come before every longer key that contains it.
const SettingsKey kKeys[] = {
    {"Mode", [](const std::string& v) { m_Set.enumMode = ReadInteger(v); },
     [] { return Number(m_Set.enumMode); }},
    {"Resolution", [](const std::string& v) { m_Set.iResolution = ReadInteger(v); },
     [] { return Number(m_Set.iResolution); }},
    {"PaperSizeName", [](const std::string& v) { CopyName(record.szPaperName, v); },
     [] { return std::string(NameOf(record.szPaperName)); }},
    {"Brightness", [](const std::string& v) { record.iBrightness = ReadInteger(v); },
     [] { return Number(record.iBrightness); }},
    {"Contrast", [](const std::string& v) { record.iContrast = ReadInteger(v); },
     [] { return Number(record.iContrast); }},
    {"Gamma", [](const std::string& v) { record.iGamma10 = ReadGamma(v); },
     [] { return Number(record.iGamma10 / 10) + "." + Number(record.iGamma10 % 10); }},
    {"Blur", [](const std::string& v) { record.g_iBlur = ReadInteger(v); },
     [] { return Number(record.g_iBlur); }},
    {"Threshold", [](const std::string& v) { record.g_iThreshold = ReadInteger(v); },
     [] { return Number(record.g_iThreshold); }},
    {"Level", [](const std::string& v) { record.iLevel = ReadInteger(v); },
     [] { return Number(record.iLevel); }},
    {"BackgroundLevel", [](const std::string& v) { m_Set.iBackgroundLevel = ReadInteger(v); },
     [] { return Number(m_Set.iBackgroundLevel); }},
    {"SharpenSoften", [](const std::string& v) { m_Set.iSharpenSoften = ReadInteger(v); },
     [] { return Number(m_Set.iSharpenSoften); }},
    {"PaperUnit",
     [](const std::string& v) {
         for (int32_t unit = 0; unit < 3; ++unit)
             if (v == kUnitNames[unit])
                 record.iPaperUnit = unit;
     },
     [] {
         const int32_t unit = record.iPaperUnit;
         return std::string(kUnitNames[unit >= 0 && unit < 3 ? unit : 0]);
     }},
    {"CenterLoad", [](const std::string& v) { record.bCenterLoad = v == "ON"; },
     [] { return OnOff(record.bCenterLoad); }},
    {"User Defined Resolution", [](const std::string& v) { m_Set.iUserResolution = ReadInteger(v); },
     [] { return Number(UserResolution()); }},
    {"User Defined PaperSize", [](const std::string& v) { ReadUserPaperSize(v); }, UserPaperSizeText},
    {"Generation", [](const std::string& v) { m_Set.iGeneration = ReadInteger(v); },
     [] { return Number(m_Set.iGeneration); }},
    {"Stitch", [](const std::string& v) { record.stitchMarks = v == "ON"; },
     [] { return OnOff(record.stitchMarks); }},
    {"DebugLog", [](const std::string& v) { record.bDebugLog = v == "ON"; },
     [] { return OnOff(record.bDebugLog); }},
    {"MaxPreScanLength",
     [](const std::string& v) { record.iMaxPreScanLength = std::max(ReadInteger(v), 200); },
     [] { return Number(record.iMaxPreScanLength); }},
    {"PixelBorderLimit",
     [](const std::string& v) { record.PixelBorderLimit = std::clamp(ReadInteger(v), 1, 4); },
     [] { return Number(record.PixelBorderLimit); }},
    {"ShowCoordinates", [](const std::string& v) { record.ShowCoordinates = v == "TRUE"; },
     [] { return TrueFalse(record.ShowCoordinates); }},
    {"NTSC_Selected", [](const std::string& v) { m_Set.bNtscSelected = v != "FALSE"; },
     [] { return TrueFalse(m_Set.bNtscSelected); }},
};

// The file's whole text, or nothing when it is missing, empty or cannot be held.
std::unique_ptr<char[]> LoadText(const std::string& path, size_t* size) {
    if (path.empty())
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return nullptr;
    std::unique_ptr<char[]> text;
    long length = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    if (length > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        text.reset(new (std::nothrow) char[static_cast<size_t>(length)]);
        if (text)
            *size = std::fread(text.get(), 1, static_cast<size_t>(length), file);
    }
    std::fclose(file);
    return text;
}

} // namespace

void SetDefaultSettings() {
    m_Set.enumMode = 10;
    m_Set.iResolution = 300;
    record.iPaperIndex = 8;
    record.iBrightness = 0;
    record.iContrast = 0;
    record.iGamma10 = 22;
    m_Set.bNtscSelected = false;
    if (qv::DialogControls* controls = qv::ActiveDialogControls())
        controls->CheckRadio(kIdNtsc, kIdSrgb, kIdSrgb);
    record.g_iBlur = 1;
    record.g_iThreshold = 151;
    record.iLevel = 0;
    m_Set.iSharpenSoften = 0;
    record.iPaperUnit = 0;
    record.bCenterLoad = false;
    m_Set.iGeneration = 4;
    record.stitchMarks = false;
    record.bDebugLog = false;
    record.iMaxPreScanLength = 200;
    record.PixelBorderLimit = 1;
    record.ShowCoordinates = false;
}

std::optional<std::string> FindSettingsValue(std::string_view text, const char* key) {
    const size_t keyLength = std::strlen(key);
    // The key must leave room for the one character skipped after it.
    if (text.size() < keyLength + 1)
        return std::nullopt;
    const size_t found = text.substr(0, text.size() - 1).find(key);
    if (found == std::string_view::npos)
        return std::nullopt;
    const size_t start = found + keyLength + 1;
    size_t end = std::min(text.find('\n', start), text.size());
    if (end > start && text[end - 1] == '\r')
        --end;
    return std::string(text.substr(start, std::min(end - start, kMaxSettingsValue)));
}

void ApplySettingsText(std::string_view text) {
    record.szPaperName[0] = '\0';
    for (const SettingsKey& entry : kKeys)
        if (std::optional<std::string> value = FindSettingsValue(text, entry.key))
            entry.read(*value);
}

std::string ComposeSettingsText() {
    std::string text;
    for (const SettingsKey& entry : kKeys)
        text += std::string(entry.key) + "=" + entry.write() + "\n";
    return text;
}

bool ReadSettingsFile() {
    SetDefaultSettings();
    size_t size = 0;
    std::unique_ptr<char[]> text = LoadText(qv::SettingsFilePath(), &size);
    if (!text || size == 0)
        return false;
    ApplySettingsText(std::string_view(text.get(), size));
    return true;
}

bool WriteSettingsFile() {
    const std::string path = qv::SettingsFilePath();
    if (path.empty())
        return false;
    // Text mode: the platform's line end, CR LF on Windows.
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    const std::string text = ComposeSettingsText();
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}
