// The stand-in orv_scan_2000.dll: the library's C functions over one simulated library
// whose scenario comes from QV_SIM_SCENARIO, else orv_scan_2000.ini beside the DLL,
// else the default device.
#include <windows.h>

#include "platform/orv_scan_abi.h"
#include "sim/SimulatedLibrary.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::string ModuleFolder() {
    HMODULE self = nullptr;
    char path[MAX_PATH] = {};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleFolder), &self) ||
        GetModuleFileNameA(self, path, MAX_PATH) == 0)
        return {};
    std::string folder(path);
    size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

// Null when the scenario named cannot be read: the library then behaves as a missing driver.
std::unique_ptr<qv::ScannerLibrary> MakeLibrary() {
    qv::sim::Scenario scenario = qv::sim::DefaultScenario();
    std::string path;
    if (const char* named = std::getenv("QV_SIM_SCENARIO"); named && *named) {
        path = named;
    } else {
        std::string beside = ModuleFolder() + "\\orv_scan_2000.ini";
        if (std::ifstream(beside).good())
            path = beside;
    }
    std::string error;
    if (!path.empty() && !qv::sim::LoadScenarioFile(path, scenario, error)) {
        OutputDebugStringA(("orv_scan_2000: " + error + "\n").c_str());
        return std::make_unique<qv::AbsentScannerLibrary>();
    }
    return std::make_unique<qv::sim::SimulatedLibrary>(std::move(scenario));
}

qv::ScannerLibrary& Library() {
    static std::unique_ptr<qv::ScannerLibrary> library = MakeLibrary();
    return *library;
}

} // namespace

#define QV_EXPORT extern "C" __declspec(dllexport)

QV_EXPORT int32_t ORV_CALL scanOpenLib(void) {
    return Library().scanOpenLib();
}
QV_EXPORT int32_t ORV_CALL scanGetNextScanner(uint32_t* handle, uint32_t* reserved, int32_t first) {
    return Library().scanGetNextScanner(handle, reserved, first);
}
QV_EXPORT int32_t ORV_CALL scanOpenScanner(uint32_t handle) {
    return Library().scanOpenScanner(handle);
}
QV_EXPORT int32_t ORV_CALL scanCloseScanner(uint32_t handle) {
    return Library().scanCloseScanner(handle);
}
QV_EXPORT int32_t ORV_CALL scanCloseLib(void) {
    return Library().scanCloseLib();
}
QV_EXPORT int32_t ORV_CALL scanGetHardwareType(uint32_t handle) {
    return Library().scanGetHardwareType(handle);
}
QV_EXPORT int32_t ORV_CALL scanInquiry(uint32_t handle, uint8_t* buffer, int32_t length) {
    return Library().scanInquiry(handle, buffer, length);
}
QV_EXPORT int32_t ORV_CALL scanInquiryPage(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page) {
    return Library().scanInquiryPage(handle, buffer, length, page);
}
QV_EXPORT int32_t ORV_CALL scanTestUnitReady(uint32_t handle) {
    return Library().scanTestUnitReady(handle);
}
QV_EXPORT int32_t ORV_CALL scanObjectPosition(uint32_t handle, int32_t function, int32_t reserved) {
    return Library().scanObjectPosition(handle, function, reserved);
}
QV_EXPORT int32_t ORV_CALL scanSetWindow(uint32_t handle, const uint8_t* block, int32_t length) {
    return Library().scanSetWindow(handle, block, length);
}
QV_EXPORT int32_t ORV_CALL scanSend(uint32_t handle, const uint8_t* buffer, int32_t length, int32_t dataType,
                                    int32_t qualifier) {
    return Library().scanSend(handle, buffer, length, dataType, qualifier);
}
QV_EXPORT int32_t ORV_CALL scanScan(uint32_t handle, const uint8_t* windowList, int32_t length) {
    return Library().scanScan(handle, windowList, length);
}
QV_EXPORT int32_t ORV_CALL scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType,
                                    int32_t qualifier, int32_t* received) {
    return Library().scanRead(handle, buffer, length, dataType, qualifier, received);
}
QV_EXPORT int32_t ORV_CALL scanReadBuffer(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId,
                                          int32_t offset, int32_t length) {
    return Library().scanReadBuffer(handle, buffer, mode, bufferId, offset, length);
}
QV_EXPORT int32_t ORV_CALL scanReceiveDiagnostic(uint32_t handle, uint8_t* buffer, int32_t length) {
    return Library().scanReceiveDiagnostic(handle, buffer, length);
}
QV_EXPORT int32_t ORV_CALL scanGetLastAsc(uint32_t handle) {
    return Library().scanGetLastAsc(handle);
}

// Compile-time check that the exports keep the shapes the module binds.
static_assert(sizeof(scanRead_t) > 0);
namespace {
[[maybe_unused]] const scanOpenLib_t kOpenLib = &scanOpenLib;
[[maybe_unused]] const scanGetNextScanner_t kGetNext = &scanGetNextScanner;
[[maybe_unused]] const scanInquiryPage_t kInquiryPage = &scanInquiryPage;
[[maybe_unused]] const scanSend_t kSend = &scanSend;
[[maybe_unused]] const scanRead_t kRead = &scanRead;
[[maybe_unused]] const scanReadBuffer_t kReadBuffer = &scanReadBuffer;
} // namespace
