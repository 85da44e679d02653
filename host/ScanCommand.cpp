#include "host/ScanCommand.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>

namespace qv::host {

namespace {

bool Integer(const std::string& text, long lower, long upper, long& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end && value >= lower && value <= upper;
}

bool Decimal(const std::string& text, double lower, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && value >= lower;
}

// Events are compiled as the lines a person would write.
bool Add(std::vector<UserEvent>& events, const std::string& line, std::string& error) {
    UserEvent event;
    if (!ParseUserEventLine(line, event, error)) {
        if (error.empty())
            error = "\"" + line + "\" is no event";
        return false;
    }
    events.push_back(std::move(event));
    return true;
}

// "chart:NAME[:WxH][@DPI]" or "FILE[@DPI]" as a [sheet] section.
bool SheetSection(const std::string& layout, std::string& section, std::string& error) {
    std::string body = layout, dpi;
    const size_t at = layout.rfind('@');
    long number = 0;
    if (at != std::string::npos && Integer(layout.substr(at + 1), 1, 4800, number)) {
        body = layout.substr(0, at);
        dpi = layout.substr(at + 1);
    }
    section = "[sheet]\n";
    if (body.rfind("chart:", 0) == 0) {
        const std::vector<std::string> parts = SplitAt(body.substr(6), ':');
        if (parts.empty() || parts[0].empty() || parts.size() > 2) {
            error = "sheet \"" + layout + "\" is not chart:NAME[:WxH][@DPI]";
            return false;
        }
        section += "chart = " + parts[0] + "\n";
        if (parts.size() == 2) {
            const size_t x = parts[1].find('x');
            double width = 0, height = 0;
            if (x == std::string::npos || !Decimal(parts[1].substr(0, x), 0.01, width) ||
                !Decimal(parts[1].substr(x + 1), 0.01, height)) {
                error = "sheet \"" + layout + "\": the size is not WIDTHxHEIGHT in inches";
                return false;
            }
            section += "width = " + parts[1].substr(0, x) + "\nheight = " + parts[1].substr(x + 1) + "\n";
        }
    } else if (body.empty()) {
        error = "sheet \"" + layout + "\" names no picture";
        return false;
    } else {
        std::error_code failed;
        const std::filesystem::path file = std::filesystem::absolute(body, failed);
        section += "file = " + (failed ? body : file.string()) + "\n";
    }
    if (!dpi.empty())
        section += "dpi = " + dpi + "\n";
    return true;
}

} // namespace

int TakeScanOption(const std::vector<std::string>& args, size_t at, ScanSettings& s) {
    const std::string& arg = args[at];
    const std::pair<const char*, bool ScanSettings::*> flags[] = {
        {"--ntsc", &ScanSettings::ntsc},
        {"--srgb", &ScanSettings::srgb},
        {"--center-load", &ScanSettings::centerLoad},
        {"--side-load", &ScanSettings::sideLoad},
        {"--prescan", &ScanSettings::prescan},
    };
    for (const auto& [name, flag] : flags)
        if (arg == name) {
            s.*flag = true;
            return 1;
        }
    const std::pair<const char*, std::string ScanSettings::*> values[] = {
        {"--scanner", &ScanSettings::scanner},
        {"--mode", &ScanSettings::mode},
        {"--resolution", &ScanSettings::resolution},
        {"--paper", &ScanSettings::paper},
        {"--area", &ScanSettings::area},
        {"--brightness", &ScanSettings::brightness},
        {"--contrast", &ScanSettings::contrast},
        {"--gamma", &ScanSettings::gamma},
        {"--threshold", &ScanSettings::threshold},
        {"--level", &ScanSettings::level},
        {"--blur", &ScanSettings::blur},
        {"--sharpen", &ScanSettings::sharpen},
        {"--background", &ScanSettings::background},
        {"--units", &ScanSettings::units},
        {"--sheets", &ScanSettings::sheets},
        {"--profile", &ScanSettings::profile},
        {"--select", &ScanSettings::select},
    };
    if (at + 1 >= args.size())
        return 0;
    for (const auto& [name, value] : values)
        if (arg == name) {
            s.*value = args[at + 1];
            return 2;
        }
    if (arg == "--sheet") {
        s.sheetTexts.push_back(args[at + 1]);
        return 2;
    }
    return 0;
}

bool CompileScan(const ScanSettings& s, const std::vector<UserEvent>& actions, std::vector<UserEvent>& events,
                 std::string& error) {
    events.clear();
    long number = 0;
    if (!s.scanner.empty()) {
        if (!Integer(s.scanner, 0, 4, number)) {
            error = "--scanner takes a chooser button, 0 to 4";
            return false;
        }
        Add(events, "click scanner" + s.scanner, error);
    }
    if (!s.mode.empty() && !Add(events, "select mode " + s.mode, error))
        return false;
    if (!s.resolution.empty()) {
        if (!Integer(s.resolution, 1, 99999, number)) {
            error = "--resolution takes dots per inch, not \"" + s.resolution + "\"";
            return false;
        }
        UserEvent resolution;
        resolution.verb = UserVerb::Resolution;
        resolution.number = int(number);
        resolution.line = "--resolution " + s.resolution;
        events.push_back(resolution);
    }
    if (!s.paper.empty() && !s.area.empty()) {
        error = "--paper and --area both choose the paper";
        return false;
    }
    if (!s.paper.empty() && !Add(events, "select paper " + s.paper, error))
        return false;
    if (!s.area.empty()) {
        const std::vector<std::string> parts = SplitAt(s.area, ',');
        double value = 0;
        bool numbers = parts.size() == 4;
        for (size_t part = 0; numbers && part < parts.size(); ++part)
            numbers = Decimal(parts[part], 0, value);
        if (!numbers) {
            error = "--area takes X,Y,WIDTH,HEIGHT in inches, not \"" + s.area + "\"";
            return false;
        }
        Add(events, "click inch", error);
        Add(events, "select paper User Defined", error);
        const char* const fields[] = {"xoff", "yoff", "width", "height"};
        for (size_t part = 0; part < 4; ++part)
            Add(events, std::string("type ") + fields[part] + " " + parts[part], error);
        Add(events, "click scan", error);
    }
    const std::pair<const char*, const std::string*> typed[] = {{"brightness", &s.brightness},
                                                                {"contrast", &s.contrast},
                                                                {"gamma", &s.gamma},
                                                                {"threshold", &s.threshold},
                                                                {"level", &s.level}};
    for (const auto& [field, value] : typed)
        if (!value->empty())
            Add(events, std::string("type ") + field + " " + *value, error);
    const std::pair<const char*, const std::string*> chosen[] = {
        {"blur", &s.blur}, {"sharpen", &s.sharpen}, {"background", &s.background}};
    for (const auto& [list, row] : chosen)
        if (!row->empty() && !Add(events, std::string("select ") + list + " " + *row, error))
            return false;
    if ((s.ntsc && s.srgb) || (s.centerLoad && s.sideLoad)) {
        error = s.ntsc && s.srgb ? "--ntsc and --srgb exclude each other"
                                 : "--center-load and --side-load exclude each other";
        return false;
    }
    if (s.ntsc || s.srgb)
        Add(events, s.ntsc ? "click ntsc" : "click srgb", error);
    if (s.centerLoad || s.sideLoad)
        Add(events, s.centerLoad ? "click center" : "click side", error);
    if (!s.units.empty()) {
        if (s.units != "inch" && s.units != "cm" && s.units != "scanner") {
            error = "--units takes inch, cm or scanner";
            return false;
        }
        Add(events, "click " + (s.units == "scanner" ? std::string("scanner-units") : s.units), error);
    }
    UserEvent drag;
    if (!s.select.empty()) {
        const std::vector<std::string> parts = SplitAt(s.select, ',');
        long v[4] = {};
        bool numbers = parts.size() == 4;
        for (size_t part = 0; numbers && part < parts.size(); ++part)
            numbers = Integer(parts[part], part < 2 ? 0 : 1, 32767, v[part]);
        if (!numbers || !s.prescan) {
            error = numbers ? "--select needs --prescan"
                            : "--select takes X,Y,WIDTH,HEIGHT in preview pixels, not \"" + s.select + "\"";
            return false;
        }
        drag.verb = UserVerb::Drag;
        drag.x = int32_t(v[0]);
        drag.y = int32_t(v[1]);
        drag.width = int32_t(v[2]);
        drag.height = int32_t(v[3]);
        drag.line = "--select " + s.select;
    }
    events.insert(events.end(), actions.begin(), actions.end());
    long sheets = long(std::max<size_t>(1, s.sheetTexts.size()));
    if (!s.sheets.empty() && !Integer(s.sheets, 0, 10000, sheets)) {
        error = "--sheets takes a count, not \"" + s.sheets + "\"";
        return false;
    }
    for (long sheet = 0; sheet < sheets; ++sheet) {
        if (s.prescan) {
            Add(events, "click prescan", error);
            Add(events, "wait prescan", error);
        }
        if (!s.select.empty())
            events.push_back(drag);
        Add(events, "click scan", error);
    }
    Add(events, "click done", error);
    error.clear();
    return true;
}

bool ScanScenarioText(const ScanSettings& s, std::string& text, std::string& error) {
    text.clear();
    if (s.profile.empty() && s.sheetTexts.empty())
        return true;
    std::string scenario = "[device]\n";
    if (!s.profile.empty())
        scenario += "profile = " + s.profile + "\n";
    for (size_t sheet = 0; sheet < s.sheetTexts.size(); ++sheet) {
        std::string section;
        if (!SheetSection(s.sheetTexts[sheet], section, error))
            return false;
        // A prescan is a scan command of its own.
        if (sheet + 1 < s.sheetTexts.size())
            section += s.prescan ? "scans = 2\n" : "scans = 1\n";
        scenario += section;
    }
    text = scenario;
    return true;
}

} // namespace qv::host
