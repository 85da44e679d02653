// Time as the scanner commands see it: their pauses and the bound on progress polls.
// Tests install a clock of their own so that polls run instantly.
#pragma once

#include <cstdint>

namespace qv {

class ScannerClock {
  public:
    virtual ~ScannerClock() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
    // Milliseconds from an arbitrary fixed origin, never going back.
    virtual int64_t NowMs() = 0;
};

// The installed clock, else the steady system clock.
ScannerClock& GetScannerClock();
// Installs a clock (nullptr returns to the system clock). The caller keeps ownership.
void SetScannerClock(ScannerClock* clock);

// A device that keeps reporting progress is given up on after this long.
constexpr int64_t kProgressPollLimitMs = 120000;

class ProgressDeadline {
  public:
    explicit ProgressDeadline(int64_t limitMs = kProgressPollLimitMs)
        : m_End(GetScannerClock().NowMs() + limitMs) {}
    bool Expired() const { return GetScannerClock().NowMs() >= m_End; }

  private:
    int64_t m_End;
};

} // namespace qv
