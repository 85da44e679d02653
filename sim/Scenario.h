// What a simulated library holds: its devices (profile, sheets, status and faults) and
// the library's own replies. Read from a "key = value" text with sections.
#pragma once

#include "sim/Profile.h"
#include "sim/Sheet.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

struct SheetSetup {
    SheetPtr sheet;
    bool centred = false;
    int scans = 0; // scans this sheet serves before it is ejected; 0 = it stays
    bool fullWindow = false;
};

// The `call`-th call (counted from 1 per device and function) and the `count - 1` calls
// after it answer `status`; with status 2 the sense code becomes `asc`.
struct Fault {
    std::string function;
    int64_t call = 1;
    int64_t count = 1;
    int32_t status = 2;
    uint16_t asc = 0;
};

enum class Stuck { None, Load, Window };

struct DeviceSetup {
    Profile profile;
    int32_t openStatus = 0;
    std::vector<std::string> diagnostics;
    bool paperStuck = false;
    uint8_t adjustFailed = 0; // status byte 7, cameras A..D
    uint8_t stitchFailed = 0; // status byte 8, seams A|B, B|C, C|D
    uint32_t secondsSinceAdjust = 60;
    int loadPolls = 2;
    int movePolls = 2;
    Stuck stuck = Stuck::None;
    int32_t scanStatus = 0;
    std::vector<Fault> faults;
    int64_t readFailRow = -1;
    int32_t readFailStatus = 2;
    uint16_t readFailAsc = 0x9001;
    std::vector<SheetSetup> sheets;
};

struct Scenario {
    int32_t openLibStatus = 0;
    std::vector<Fault> libraryFaults;
    std::vector<DeviceSetup> devices;
};

constexpr size_t kMaxDevices = 31;

// The 17 library functions by name.
const std::vector<std::string>& LibraryFunctionNames();

// Relative file names (profile-file, file) are taken from baseDir.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error,
                   const std::string& baseDir = "");
bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);
// One gen5-color-54 device holding a 36 x 24 inch gray-ramp chart at 200 dpi.
Scenario DefaultScenario();

} // namespace qv::sim
