// What a simulated device is: identification, capabilities and the lengths of its
// inquiry pages. Built-in profiles cover both generations; a text file can start from
// one and override any key.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

struct Profile {
    std::string name;
    std::string vendor = "QUORVSIM";
    std::string product = "SIMULATED SCAN  ";
    int firmwareRevision = 20;
    int executableRevision = 512;
    int fpgaRevision = 7;
    std::string releaseDate = "2026-11-30 12:00";
    int hardwareType = 1; // 1 USB, 2 SCSI
    int generation = 5;
    bool color = true;
    uint8_t scannerClass = 1;
    bool gen4ColorAccepted = false;
    uint32_t bufferSize = 262144;
    uint32_t maxScanWidth = 43200; // 1/1200 inch
    std::vector<uint32_t> resolutions = {50, 75, 100, 150, 200, 300, 400, 600};
    bool reducedRange = false;
    uint32_t reducedMin = 0;
    uint32_t reducedMax = 0;
    uint32_t maxY = 600;
    uint32_t bwModes = 0xFF;
    uint32_t bwModesLimited = 0x03;
    int8_t sharpenMin = -1;
    uint8_t sharpenMax = 6;
    int windowLength = 68; // generation 5 and later; generation 4 always takes 71
    uint32_t gammaLength = 256;
    // Buffer 7: three entries of nine signed values.
    std::array<std::array<int16_t, 9>, 3> colorMatrix{};
    int cameras = 2;
    // Lengths of pages 0xC0..0xC4; 0 means the natural length.
    std::array<int, 5> pageLength{};
    double throughput = 0; // bytes per second, 0 unthrottled
    double latencyMs = 0;  // per image read
    uint8_t state = 0;     // scanner state byte of the status block

    Profile();
    // Length of page 0xC0 + index as the device reports it.
    int PageLength(int index) const;
};

// Names accepted by BuiltInProfile, in a stable order.
const std::vector<std::string>& BuiltInProfileNames();
// The named built-in profile; an unknown name gives the default profile with an empty name.
Profile BuiltInProfile(std::string_view name);
bool IsBuiltInProfile(std::string_view name);

// Applies "key = value" lines on top of `profile` ("base = NAME" first restarts from a
// built-in one). Returns false with a message naming the line on the first bad line.
bool ParseProfile(std::string_view text, Profile& profile, std::string& error);
// One key; false when the key is unknown or the value does not fit.
bool SetProfileKey(Profile& profile, std::string_view key, std::string_view value, std::string& error);

} // namespace qv::sim
