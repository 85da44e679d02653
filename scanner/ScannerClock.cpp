#include "scanner/ScannerClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace qv {

namespace {

class SystemClock : public ScannerClock {
  public:
    void Sleep(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    int64_t NowMs() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

std::atomic<ScannerClock*> installedClock{nullptr};

} // namespace

ScannerClock& GetScannerClock() {
    static SystemClock system;
    ScannerClock* clock = installedClock.load(std::memory_order_acquire);
    return clock ? *clock : system;
}

void SetScannerClock(ScannerClock* clock) {
    installedClock.store(clock, std::memory_order_release);
}

} // namespace qv
