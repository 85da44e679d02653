#include "platform/ScannerLibrary.h"

#include <atomic>

namespace qv {

namespace {
std::atomic<ScannerLibrary*> installedLibrary{nullptr};
}

ScannerLibrary& GetScannerLibrary() {
    ScannerLibrary* library = installedLibrary.load(std::memory_order_acquire);
    return library ? *library : platform::DefaultScannerLibrary();
}

void SetScannerLibrary(ScannerLibrary* library) {
    installedLibrary.store(library, std::memory_order_release);
}

} // namespace qv
