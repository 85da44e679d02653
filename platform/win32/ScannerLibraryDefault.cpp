#include "platform/ScannerLibrary.h"

namespace qv::platform {

// Replaced by the DLL binding.
ScannerLibrary& DefaultScannerLibrary() {
    static AbsentScannerLibrary absent;
    return absent;
}

} // namespace qv::platform
