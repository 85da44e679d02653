/* A scanner library that exports only two of its functions. */
#include "platform/orv_scan_abi.h"

__declspec(dllexport) int32_t ORV_CALL scanOpenLib(void) {
    return 0;
}

__declspec(dllexport) int32_t ORV_CALL scanGetHardwareType(uint32_t handle) {
    return handle == 0 ? 0 : 2;
}
