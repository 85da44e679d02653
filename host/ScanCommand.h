// `scan`: a series whose dialog is played by events compiled from options, in a fixed order:
// scanner, mode, resolution, paper or area, the adjustments, colour preset, paper load, units,
// the --actions events, then per sheet a prescan with its selection (--prescan, --select)
// and Scan, and Done. Also the simulated scanner of --profile and --sheet.
#pragma once

#include "host/UserScript.h"

#include <string>
#include <vector>

namespace qv::host {

// Option values as given; CompileScan judges them.
struct ScanSettings {
    std::string scanner, mode, resolution, paper, area;
    std::string brightness, contrast, gamma, threshold, level;
    std::string blur, sharpen, background;
    bool ntsc = false, srgb = false, centerLoad = false, sideLoad = false;
    bool prescan = false;
    std::string select; // X,Y,W,H in preview pixels, dragged after each prescan
    std::string units;
    std::string sheets; // empty: one Scan per --sheet, or one
    std::string profile;
    std::vector<std::string> sheetTexts;
};

// Takes the scan option at args[at] and its value; how many arguments it took, 0 when
// args[at] is no scan option or its value is missing.
int TakeScanOption(const std::vector<std::string>& args, size_t at, ScanSettings& settings);

// `actions` are played after the settings and before the first Scan.
bool CompileScan(const ScanSettings& settings, const std::vector<UserEvent>& actions,
                 std::vector<UserEvent>& events, std::string& error);

// The scenario text of --profile and --sheet (a picture's name made absolute, so the text
// may be kept anywhere); empty when neither was given. Every sheet but the last leaves after
// its scan (and its prescan), so that a series moves on from sheet to sheet.
bool ScanScenarioText(const ScanSettings& settings, std::string& text, std::string& error);

} // namespace qv::host
