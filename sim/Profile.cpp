#include "sim/Profile.h"

#include "sim/Text.h"

#include <functional>
#include <map>

namespace qv::sim {

namespace {

constexpr std::array<int16_t, 9> kIdentityMatrix = {512, 0, 0, 0, 512, 0, 0, 0, 512};
constexpr int kNaturalPageLength[5] = {76, 67, 56, 0, 40};

std::string Fixed(std::string_view text, size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::vector<uint32_t> StandardResolutions(uint32_t highest) {
    std::vector<uint32_t> all = {50, 75, 100, 150, 200, 300, 400, 600, 800, 1200};
    std::vector<uint32_t> out;
    for (uint32_t r : all)
        if (r <= highest)
            out.push_back(r);
    return out;
}

Profile MakeBuiltIn(std::string_view name) {
    Profile p;
    p.name = std::string(name);
    if (name == "gen4-gray") {
        p.product = Fixed("SIM-G4 GRAY 36", 16);
        p.hardwareType = 2;
        p.firmwareRevision = 18;
        p.generation = 4;
        p.color = false;
        p.scannerClass = 0;
        p.bufferSize = 131072;
        p.maxScanWidth = 36 * 1200;
        p.resolutions = {25, 50, 75, 100, 150, 200, 300, 400};
        p.maxY = 400;
        p.cameras = 2;
        p.pageLength[1] = 60; // old firmware: no B/W mode mask, no window length
    } else if (name == "gen4-color") {
        p.product = Fixed("SIM-G4 COLOR 36", 16);
        p.hardwareType = 2;
        p.firmwareRevision = 19;
        p.generation = 4;
        p.gen4ColorAccepted = true;
        p.bufferSize = 196608;
        p.maxScanWidth = 36 * 1200;
        p.resolutions = StandardResolutions(400);
        p.maxY = 400;
        p.cameras = 3;
    } else if (name == "gen5-gray") {
        p.product = Fixed("SIM-G5 GRAY 42", 16);
        p.color = false;
        p.maxScanWidth = 42 * 1200;
        p.resolutions = StandardResolutions(600);
        p.gammaLength = 512;
        p.windowLength = 76;
        p.cameras = 3;
    } else if (name == "gen5-color-36") {
        p.product = Fixed("SIM-G5 COLOR 36", 16);
        p.bufferSize = 524288;
        p.maxScanWidth = 36 * 1200;
        p.resolutions = StandardResolutions(600);
        p.cameras = 2;
    } else if (name == "gen5-color-54") {
        p.product = Fixed("SIM-G5 COLOR 54", 16);
        p.bufferSize = 1048576;
        p.maxScanWidth = 54 * 1200;
        p.resolutions = StandardResolutions(1200);
        p.maxY = 600;
        p.windowLength = 77;
        p.gammaLength = 1024;
        p.cameras = 4;
        p.colorMatrix[1] = {560, -30, -18, -25, 550, -13, -10, -40, 562};
    } else if (name == "wide600") {
        p.product = Fixed("SIM-G5 WIDE 40", 16);
        p.bufferSize = 524288;
        p.maxScanWidth = 40 * 1200;
        p.resolutions = StandardResolutions(600);
        p.windowLength = 77;
        p.cameras = 3;
    } else if (name == "class3-780") {
        p.product = Fixed("SIM-G5 C3 42", 16);
        p.scannerClass = 3;
        p.bufferSize = 524288;
        p.maxScanWidth = 42 * 1200;
        p.resolutions = StandardResolutions(1200);
        p.maxY = 800;
        p.windowLength = 77;
        p.cameras = 3;
    } else if (name == "boot") {
        p.product = Fixed("SIM-G5 BOOT", 16);
        p.firmwareRevision = 19;
        p.windowLength = 67; // what the module falls back to for firmware below 20
        p.maxScanWidth = 24 * 1200;
        p.resolutions = {100, 200, 300};
        p.cameras = 1;
        p.state = 2;
        p.pageLength = {64, 58, 48, 0, 40}; // too short for FPGA, sharpen, B/W masks, max Y
    } else {
        p.name.clear();
    }
    return p;
}

using Setter = std::function<bool(Profile&, std::string_view)>;

bool ToInt(std::string_view v, int64_t lo, int64_t hi, int64_t& out) {
    return ParseInt(v, out) && out >= lo && out <= hi;
}

template <class T> Setter IntField(T Profile::*field, int64_t lo, int64_t hi) {
    return [=](Profile& p, std::string_view v) {
        int64_t n;
        if (!ToInt(v, lo, hi, n))
            return false;
        p.*field = static_cast<T>(n);
        return true;
    };
}

Setter TextField(std::string Profile::*field, size_t width) {
    return [=](Profile& p, std::string_view v) {
        if (v.size() > width)
            return false;
        p.*field = Fixed(v, width);
        return true;
    };
}

Setter DoubleField(double Profile::*field) {
    return [=](Profile& p, std::string_view v) {
        double d;
        if (!ParseDouble(v, d) || d < 0)
            return false;
        p.*field = d;
        return true;
    };
}

Setter MatrixEntry(int entry) {
    return [=](Profile& p, std::string_view v) {
        auto items = SplitList(v);
        if (items.size() != 9)
            return false;
        for (size_t i = 0; i < 9; ++i) {
            int64_t n;
            if (!ToInt(items[i], -32768, 32767, n))
                return false;
            p.colorMatrix[entry][i] = static_cast<int16_t>(n);
        }
        return true;
    };
}

Setter PageLength(int index) {
    return [=](Profile& p, std::string_view v) {
        int64_t n;
        if (!ToInt(v, 4, 255, n))
            return false;
        p.pageLength[index] = static_cast<int>(n);
        return true;
    };
}

const std::map<std::string, Setter, std::less<>>& Setters() {
    static const std::map<std::string, Setter, std::less<>> setters = {
        {"vendor", TextField(&Profile::vendor, 8)},
        {"product", TextField(&Profile::product, 16)},
        {"firmware", IntField(&Profile::firmwareRevision, 0, 9999)},
        {"executable-revision", IntField(&Profile::executableRevision, 0, 9999)},
        {"fpga-revision", IntField(&Profile::fpgaRevision, 0, 9999)},
        {"release-date", TextField(&Profile::releaseDate, 16)},
        {"hardware-type", IntField(&Profile::hardwareType, -1000, 1000)},
        {"generation", IntField(&Profile::generation, 0, 9999)},
        {"color", IntField(&Profile::color, 0, 1)},
        {"class", IntField(&Profile::scannerClass, 0, 255)},
        {"gen4-color-accepted", IntField(&Profile::gen4ColorAccepted, 0, 1)},
        {"buffer-size", IntField(&Profile::bufferSize, 1, 0x7FFFFFFF)},
        {"max-scan-width", IntField(&Profile::maxScanWidth, 1200, 0xFFFFFFF)},
        {"resolutions",
         [](Profile& p, std::string_view v) {
             auto items = SplitList(v);
             if (items.size() > 60)
                 return false;
             std::vector<uint32_t> list;
             for (auto item : items) {
                 int64_t n;
                 if (!ToInt(item, 1, 100000, n))
                     return false;
                 list.push_back(static_cast<uint32_t>(n));
             }
             p.resolutions = list;
             return true;
         }},
        {"reduced-range", IntField(&Profile::reducedRange, 0, 1)},
        {"reduced-min", IntField(&Profile::reducedMin, 0, 100000)},
        {"reduced-max", IntField(&Profile::reducedMax, 0, 100000)},
        {"max-y", IntField(&Profile::maxY, 0, 100000)},
        {"bw-modes", IntField(&Profile::bwModes, 0, 0xFFFFFFFF)},
        {"bw-modes-limited", IntField(&Profile::bwModesLimited, 0, 0xFFFFFFFF)},
        {"sharpen-min", IntField(&Profile::sharpenMin, -128, 127)},
        {"sharpen-max", IntField(&Profile::sharpenMax, 0, 255)},
        {"window-length", IntField(&Profile::windowLength, 62, 255)},
        {"gamma-length", IntField(&Profile::gammaLength, 0, 65536)},
        {"color-matrix", MatrixEntry(1)},
        {"color-matrix-1", MatrixEntry(0)},
        {"color-matrix-2", MatrixEntry(1)},
        {"color-matrix-3", MatrixEntry(2)},
        {"cameras", IntField(&Profile::cameras, 1, 4)},
        {"page-c0-length", PageLength(0)},
        {"page-c1-length", PageLength(1)},
        {"page-c2-length", PageLength(2)},
        {"page-c3-length", PageLength(3)},
        {"page-c4-length", PageLength(4)},
        {"throughput", DoubleField(&Profile::throughput)},
        {"latency-ms", DoubleField(&Profile::latencyMs)},
        {"state", IntField(&Profile::state, 0, 255)},
    };
    return setters;
}

} // namespace

Profile::Profile() {
    colorMatrix = {kIdentityMatrix, kIdentityMatrix, kIdentityMatrix};
}

int Profile::PageLength(int index) const {
    if (pageLength[index] != 0)
        return pageLength[index];
    if (index == 3)
        return std::min<int>(255, 12 + 4 * static_cast<int>(resolutions.size()));
    return kNaturalPageLength[index];
}

const std::vector<std::string>& BuiltInProfileNames() {
    static const std::vector<std::string> names = {"gen4-gray",     "gen4-color",    "gen5-gray",
                                                   "gen5-color-36", "gen5-color-54", "wide600",
                                                   "class3-780",    "boot"};
    return names;
}

bool IsBuiltInProfile(std::string_view name) {
    for (const auto& n : BuiltInProfileNames())
        if (n == name)
            return true;
    return false;
}

Profile BuiltInProfile(std::string_view name) {
    return MakeBuiltIn(name);
}

bool SetProfileKey(Profile& profile, std::string_view key, std::string_view value, std::string& error) {
    if (key == "base") {
        if (!IsBuiltInProfile(value)) {
            error = "unknown profile '" + std::string(value) + "'";
            return false;
        }
        profile = BuiltInProfile(value);
        return true;
    }
    if (key == "name") {
        profile.name = std::string(value);
        return true;
    }
    auto it = Setters().find(key);
    if (it == Setters().end()) {
        error = "unknown key '" + std::string(key) + "'";
        return false;
    }
    if (!it->second(profile, value)) {
        error = "bad value for '" + std::string(key) + "': " + std::string(value);
        return false;
    }
    return true;
}

bool ParseProfile(std::string_view text, Profile& profile, std::string& error) {
    return ForEachLine(
        text, error,
        [&](int number, std::string_view) {
            error = "line " + std::to_string(number) + ": a profile has no sections";
            return false;
        },
        [&](int number, std::string_view key, std::string_view value) {
            std::string why;
            if (SetProfileKey(profile, key, value, why))
                return true;
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        });
}

} // namespace qv::sim
