// English texts for the statuses of the scanner library, SCSI status bytes and device
// sense codes (additional sense code in the high byte, qualifier in the low byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ScannerLibrary.h"

// CHECK CONDITION: the device's sense code tells what went wrong.
constexpr int32_t kStatusCheckCondition = 2;

// Sense codes and statuses the device layer and its callers test for by value.
constexpr int32_t kSenseMediaLoadProgress = 0x3A82;
constexpr int32_t kSenseObjectPositionProgress = 0x3A83;
constexpr int32_t kSenseScanAccepted = 0x3A85;
constexpr int32_t kSenseEndOfMedium = 0x3B09;
constexpr int32_t kStatusPageTooShort = 0x2601;
constexpr int32_t kStatusParameterInvalid = 0x2602;

// The text of the table for exactly this status, or nullptr when the table lacks it.
const char* FindErrorText(int32_t status);

// Replaces a CHECK CONDITION by the sense code of the handle (a handle of 0 leaves it).
void ResolveStatus(int32_t& status, uint32_t handle, qv::ScannerLibrary& library = qv::GetScannerLibrary());

// The text for a status after resolving a CHECK CONDITION; unlisted statuses give
// "Error not in 'GetErrorText' \r0x%x".
std::string GetErrorText(int32_t status, uint32_t handle,
                         qv::ScannerLibrary& library = qv::GetScannerLibrary());

// The same text copied into a caller's buffer of `size` bytes, cut to fit and always
// terminated (nothing is written when size is 0).
void GetErrorText(int32_t status, uint32_t handle, char* text, size_t size,
                  qv::ScannerLibrary& library = qv::GetScannerLibrary());
