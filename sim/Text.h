// Small parsing helpers shared by the profile and scenario readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

std::string_view Trim(std::string_view text);
// Decimal, or hexadecimal with 0x; an optional leading minus.
bool ParseInt(std::string_view text, int64_t& value);
bool ParseDouble(std::string_view text, double& value);
// Values separated by commas and/or blanks.
std::vector<std::string_view> SplitList(std::string_view text);

// Calls `line(number, key, value)` for each "key = value" line and `section(number, name)`
// for each "[name]" line; '#' and ';' start comments. Stops at the first false.
template <class Section, class Line>
bool ForEachLine(std::string_view text, std::string& error, Section section, Line line) {
    int number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        size_t hash = raw.find_first_of("#;");
        std::string_view content = Trim(raw.substr(0, hash));
        if (content.empty())
            continue;
        if (content.front() == '[') {
            if (content.back() != ']') {
                error = "line " + std::to_string(number) + ": unterminated section";
                return false;
            }
            if (!section(number, Trim(content.substr(1, content.size() - 2))))
                return false;
            continue;
        }
        size_t eq = content.find('=');
        if (eq == std::string_view::npos) {
            error = "line " + std::to_string(number) + ": expected key = value";
            return false;
        }
        if (!line(number, Trim(content.substr(0, eq)), Trim(content.substr(eq + 1))))
            return false;
    }
    return true;
}

} // namespace qv::sim
