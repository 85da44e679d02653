#include "sim/Text.h"

#include <charconv>
#include <cstdlib>

namespace qv::sim {

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool ParseInt(std::string_view text, int64_t& value) {
    text = Trim(text);
    bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size() || magnitude > (uint64_t{1} << 62))
        return false;
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    std::string copy(Trim(text));
    if (copy.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size();
}

std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> items;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = text.find_first_not_of(" \t,", pos);
        if (start == std::string_view::npos)
            break;
        size_t end = text.find_first_of(" \t,", start);
        if (end == std::string_view::npos)
            end = text.size();
        items.push_back(text.substr(start, end - start));
        pos = end;
    }
    return items;
}

} // namespace qv::sim
