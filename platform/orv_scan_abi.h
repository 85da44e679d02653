/* The scanner library's exported C functions, as the module binds them on Windows
   and as the stand-in library exports them. Plain C: no platform header. */
#ifndef QV_ORV_SCAN_ABI_H
#define QV_ORV_SCAN_ABI_H

#include <stdint.h>

#if defined(_WIN32)
#define ORV_CALL __cdecl
#else
#define ORV_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t(ORV_CALL* scanOpenLib_t)(void);
typedef int32_t(ORV_CALL* scanGetNextScanner_t)(uint32_t* handle, uint32_t* reserved, int32_t first);
typedef int32_t(ORV_CALL* scanOpenScanner_t)(uint32_t handle);
typedef int32_t(ORV_CALL* scanCloseScanner_t)(uint32_t handle);
typedef int32_t(ORV_CALL* scanCloseLib_t)(void);
typedef int32_t(ORV_CALL* scanGetHardwareType_t)(uint32_t handle);
typedef int32_t(ORV_CALL* scanInquiry_t)(uint32_t handle, uint8_t* buffer, int32_t length);
typedef int32_t(ORV_CALL* scanInquiryPage_t)(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page);
typedef int32_t(ORV_CALL* scanTestUnitReady_t)(uint32_t handle);
typedef int32_t(ORV_CALL* scanObjectPosition_t)(uint32_t handle, int32_t function, int32_t reserved);
typedef int32_t(ORV_CALL* scanSetWindow_t)(uint32_t handle, const uint8_t* block, int32_t length);
typedef int32_t(ORV_CALL* scanSend_t)(uint32_t handle, const uint8_t* buffer, int32_t length,
                                      int32_t dataType, int32_t qualifier);
typedef int32_t(ORV_CALL* scanScan_t)(uint32_t handle, const uint8_t* windowList, int32_t length);
typedef int32_t(ORV_CALL* scanRead_t)(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType,
                                      int32_t qualifier, int32_t* received);
typedef int32_t(ORV_CALL* scanReadBuffer_t)(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId,
                                            int32_t offset, int32_t length);
typedef int32_t(ORV_CALL* scanReceiveDiagnostic_t)(uint32_t handle, uint8_t* buffer, int32_t length);
typedef int32_t(ORV_CALL* scanGetLastAsc_t)(uint32_t handle);

#ifdef __cplusplus
}
#endif

#endif
