#include "sim/Scenario.h"

#include "sim/Text.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qv::sim {

namespace {

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    out = content.str();
    return true;
}

std::string Resolve(const std::string& baseDir, std::string_view name) {
    std::string path(name);
    bool absolute =
        !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
    if (absolute || baseDir.empty())
        return path;
    return baseDir + "/" + path;
}

bool Number(std::string_view text, int64_t lo, int64_t hi, int64_t& out) {
    return ParseInt(text, out) && out >= lo && out <= hi;
}

bool ParseFault(std::string_view text, Fault& fault) {
    auto items = SplitList(text);
    if (items.size() < 3 || items.size() > 5)
        return false;
    const auto& names = LibraryFunctionNames();
    if (std::find(names.begin(), names.end(), items[0]) == names.end())
        return false;
    int64_t call, status, asc = 0, count = 1;
    if (!Number(items[1], 1, INT32_MAX, call) || !Number(items[2], INT32_MIN, INT32_MAX, status) ||
        (items.size() > 3 && !Number(items[3], 0, 0xFFFF, asc)) ||
        (items.size() > 4 && !Number(items[4], 1, INT32_MAX, count)))
        return false;
    fault = {std::string(items[0]), call, count, static_cast<int32_t>(status), static_cast<uint16_t>(asc)};
    return true;
}

struct SheetDraft {
    std::string chart, file;
    double width = 8.5, height = 11.0;
    int64_t dpi = 0;
    SheetSetup setup;
};

class Parser {
  public:
    Parser(Scenario& scenario, std::string& error, const std::string& baseDir)
        : scenario_(scenario), error_(error), baseDir_(baseDir) {}

    bool Section(int number, std::string_view name) {
        if (name == "sheet") {
            if (where_ != Where::Device && where_ != Where::Sheet)
                return Fail(number, "a [sheet] belongs to a [device]");
            if (!FlushSheet())
                return false;
            where_ = Where::Sheet;
            sheet_ = SheetDraft{};
            return true;
        }
        if (!Flush())
            return false;
        if (name == "library") {
            where_ = Where::Library;
        } else if (name == "device") {
            where_ = Where::Device;
            device_ = DeviceSetup{};
            device_.profile = BuiltInProfile("gen5-color-54");
            copies_ = 1;
        } else {
            return Fail(number, "unknown section [" + std::string(name) + "]");
        }
        return true;
    }

    bool Line(int number, std::string_view key, std::string_view value) {
        std::string why;
        bool ok = false;
        switch (where_) {
        case Where::Top:
            why = "key outside a section";
            break;
        case Where::Library:
            ok = LibraryKey(key, value, why);
            break;
        case Where::Device:
            ok = DeviceKey(key, value, why);
            break;
        case Where::Sheet:
            ok = SheetKey(key, value, why);
            break;
        }
        return ok || Fail(number, why);
    }

    bool Finish() { return Flush(); }

  private:
    enum class Where { Top, Library, Device, Sheet };

    bool Fail(int number, const std::string& why) {
        error_ = "line " + std::to_string(number) + ": " + why;
        return false;
    }

    bool LibraryKey(std::string_view key, std::string_view value, std::string& why) {
        int64_t n;
        if (key == "open-status" && Number(value, INT32_MIN, INT32_MAX, n)) {
            scenario_.openLibStatus = static_cast<int32_t>(n);
            return true;
        }
        Fault fault;
        if (key == "fault" && ParseFault(value, fault)) {
            scenario_.libraryFaults.push_back(fault);
            return true;
        }
        why = "bad library key or value '" + std::string(key) + "'";
        return false;
    }

    bool DeviceKey(std::string_view key, std::string_view value, std::string& why) {
        DeviceSetup& d = device_;
        int64_t n;
        auto bad = [&] {
            why = "bad value for '" + std::string(key) + "': " + std::string(value);
            return false;
        };
        if (key == "profile") {
            if (!IsBuiltInProfile(value))
                return bad();
            d.profile = BuiltInProfile(value);
        } else if (key == "profile-file") {
            std::string text, path = Resolve(baseDir_, value);
            if (!ReadFile(path, text)) {
                why = "cannot read " + path;
                return false;
            }
            if (!ParseProfile(text, d.profile, why)) {
                why = path + ": " + why;
                return false;
            }
        } else if (key == "copies") {
            if (!Number(value, 0, kMaxDevices, n))
                return bad();
            copies_ = static_cast<size_t>(n);
        } else if (key == "open-status") {
            if (!Number(value, INT32_MIN, INT32_MAX, n))
                return bad();
            d.openStatus = static_cast<int32_t>(n);
        } else if (key == "diagnostic") {
            d.diagnostics.emplace_back(value);
        } else if (key == "paper-stuck") {
            if (!Number(value, 0, 1, n))
                return bad();
            d.paperStuck = n != 0;
        } else if (key == "adjust-failed" || key == "stitch-failed") {
            if (!Number(value, 0, 255, n))
                return bad();
            (key == "adjust-failed" ? d.adjustFailed : d.stitchFailed) = static_cast<uint8_t>(n);
        } else if (key == "seconds-since-adjust") {
            if (!Number(value, 0, UINT32_MAX, n))
                return bad();
            d.secondsSinceAdjust = static_cast<uint32_t>(n);
        } else if (key == "load-polls" || key == "move-polls") {
            if (!Number(value, 0, 1000000, n))
                return bad();
            (key == "load-polls" ? d.loadPolls : d.movePolls) = static_cast<int>(n);
        } else if (key == "stuck") {
            if (value == "none")
                d.stuck = Stuck::None;
            else if (value == "load")
                d.stuck = Stuck::Load;
            else if (value == "window")
                d.stuck = Stuck::Window;
            else
                return bad();
        } else if (key == "scan-status") {
            if (!Number(value, INT32_MIN, INT32_MAX, n))
                return bad();
            d.scanStatus = static_cast<int32_t>(n);
        } else if (key == "fault") {
            Fault fault;
            if (!ParseFault(value, fault))
                return bad();
            d.faults.push_back(fault);
        } else if (key == "read-fail") {
            auto items = SplitList(value);
            int64_t row, status, asc = 0;
            if (items.size() < 2 || items.size() > 3 || !Number(items[0], 0, INT64_MAX / 4, row) ||
                !Number(items[1], INT32_MIN, INT32_MAX, status) ||
                (items.size() == 3 && !Number(items[2], 0, 0xFFFF, asc)))
                return bad();
            d.readFailRow = row;
            d.readFailStatus = static_cast<int32_t>(status);
            d.readFailAsc = static_cast<uint16_t>(asc);
        } else {
            return SetProfileKey(d.profile, key, value, why);
        }
        return true;
    }

    bool SheetKey(std::string_view key, std::string_view value, std::string& why) {
        SheetDraft& s = sheet_;
        int64_t n;
        bool ok = true;
        if (key == "chart")
            s.chart = std::string(value);
        else if (key == "file")
            s.file = Resolve(baseDir_, value);
        else if (key == "width")
            ok = ParseDouble(value, s.width) && s.width > 0;
        else if (key == "height")
            ok = ParseDouble(value, s.height) && s.height > 0;
        else if (key == "dpi")
            ok = Number(value, 1, 4800, s.dpi);
        else if (key == "load")
            ok = (value == "side" || value == "center") && ((s.setup.centred = value == "center"), true);
        else if (key == "scans")
            ok = Number(value, 0, INT32_MAX, n) && ((s.setup.scans = static_cast<int>(n)), true);
        else if (key == "full-window")
            ok = Number(value, 0, 1, n) && ((s.setup.fullWindow = n != 0), true);
        else
            ok = false;
        if (!ok)
            why = "bad sheet key or value '" + std::string(key) + "'";
        return ok;
    }

    bool Flush() { return FlushSheet() && FlushDevice(); }

    bool FlushSheet() {
        if (where_ == Where::Sheet) {
            SheetDraft& s = sheet_;
            if (s.chart.empty() == s.file.empty()) {
                error_ = "a sheet needs exactly one of chart and file";
                return false;
            }
            s.setup.sheet = s.file.empty()
                                ? MakeChart(s.chart, s.width, s.height, s.dpi ? int(s.dpi) : 200, error_)
                                : LoadImageFile(s.file, int(s.dpi), error_);
            if (!s.setup.sheet)
                return false;
            device_.sheets.push_back(s.setup);
            where_ = Where::Device;
        }
        return true;
    }

    bool FlushDevice() {
        if (where_ == Where::Device) {
            if (scenario_.devices.size() + copies_ > kMaxDevices) {
                error_ = "more than " + std::to_string(kMaxDevices) + " devices";
                return false;
            }
            for (size_t i = 0; i < copies_; ++i)
                scenario_.devices.push_back(device_);
        }
        where_ = Where::Top;
        return true;
    }

    Scenario& scenario_;
    std::string& error_;
    std::string baseDir_;
    Where where_ = Where::Top;
    DeviceSetup device_;
    size_t copies_ = 1;
    SheetDraft sheet_;
};

} // namespace

const std::vector<std::string>& LibraryFunctionNames() {
    static const std::vector<std::string> names = {"scanOpenLib",       "scanGetNextScanner",
                                                   "scanOpenScanner",   "scanCloseScanner",
                                                   "scanCloseLib",      "scanGetHardwareType",
                                                   "scanInquiry",       "scanInquiryPage",
                                                   "scanTestUnitReady", "scanObjectPosition",
                                                   "scanSetWindow",     "scanSend",
                                                   "scanScan",          "scanRead",
                                                   "scanReadBuffer",    "scanReceiveDiagnostic",
                                                   "scanGetLastAsc"};
    return names;
}

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error,
                   const std::string& baseDir) {
    Scenario parsed;
    Parser parser(parsed, error, baseDir);
    bool ok = ForEachLine(
        text, error, [&](int number, std::string_view name) { return parser.Section(number, name); },
        [&](int number, std::string_view key, std::string_view value) {
            return parser.Line(number, key, value);
        });
    if (!ok || !parser.Finish())
        return false;
    scenario = std::move(parsed);
    return true;
}

bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
    std::string text;
    if (!ReadFile(path, text)) {
        error = "cannot read " + path;
        return false;
    }
    size_t slash = path.find_last_of("/\\");
    std::string baseDir = slash == std::string::npos ? "" : path.substr(0, slash);
    if (!ParseScenario(text, scenario, error, baseDir)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

Scenario DefaultScenario() {
    Scenario scenario;
    DeviceSetup device;
    device.profile = BuiltInProfile("gen5-color-54");
    std::string error;
    device.sheets.push_back({MakeChart("gray-ramp", 36, 24, 200, error), false, 0, false});
    scenario.devices.push_back(device);
    return scenario;
}

} // namespace qv::sim
