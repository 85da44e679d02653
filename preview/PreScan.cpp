#include "preview/PreScan.h"

PreScanState PreScan;
std::atomic<bool> bUserClicked{false};

std::recursive_mutex& PreScanLock() {
    static std::recursive_mutex lock;
    return lock;
}
