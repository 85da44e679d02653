// The diagnostic log "QVL.log" in the current directory, as the tests read it back.
#pragma once

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace qv::testing {

inline std::vector<std::string> LogLines() {
    std::ifstream file("QVL.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

inline bool Logged(const std::string& line) {
    const std::vector<std::string> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace qv::testing
