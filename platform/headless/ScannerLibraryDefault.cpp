#include "platform/ScannerLibrary.h"

namespace qv::platform {

ScannerLibrary& DefaultScannerLibrary() {
    static AbsentScannerLibrary absent;
    return absent;
}

} // namespace qv::platform
