// A clock for tests, to install with qv::SetScannerClock: polls and waits cost no real time.
#pragma once

#include <cstdint>
#include <vector>

#include "scanner/ScannerClock.h"

namespace qv::test {

// A clock that only moves when slept on, or by `tickMs` each time it is read.
class FakeClock : public qv::ScannerClock {
  public:
    void Sleep(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    }
    int64_t NowMs() override {
        now += tickMs;
        return now;
    }
    int64_t now = 0;
    // Time passes on every reading, so a poll that never ends still meets its deadline.
    int64_t tickMs = 1;
    std::vector<uint32_t> sleeps;
};

} // namespace qv::test
