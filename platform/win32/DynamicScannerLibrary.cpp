// Binds the scanner maker's library at first use. A missing library or export is a
// library status (-118), never a crash.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/ScannerLibrary.h"
#include "platform/orv_scan_abi.h"

namespace qv::platform {

class DynamicScannerLibrary : public ScannerLibrary {
  public:
    explicit DynamicScannerLibrary(std::string dllName) : m_dllName(std::move(dllName)) {}
    ~DynamicScannerLibrary() override {
        if (m_module)
            FreeLibrary(m_module);
    }
    DynamicScannerLibrary(const DynamicScannerLibrary&) = delete;
    DynamicScannerLibrary& operator=(const DynamicScannerLibrary&) = delete;

    int32_t scanOpenLib() override {
        auto f = Bind<scanOpenLib_t>(&Exports::openLib);
        return f ? f() : kStatusNoDriver;
    }
    // Without the library there is no scanner to list: the listing ends at once.
    int32_t scanGetNextScanner(uint32_t* handle, uint32_t* reserved, int32_t first) override {
        if (auto f = Bind<scanGetNextScanner_t>(&Exports::getNextScanner))
            return f(handle, reserved, first);
        if (handle)
            *handle = 0;
        return kStatusNoScanner;
    }
    int32_t scanOpenScanner(uint32_t handle) override {
        auto f = Bind<scanOpenScanner_t>(&Exports::openScanner);
        return f ? f(handle) : kStatusNoDriver;
    }
    int32_t scanCloseScanner(uint32_t handle) override {
        auto f = Bind<scanCloseScanner_t>(&Exports::closeScanner);
        return f ? f(handle) : kStatusNoDriver;
    }
    int32_t scanCloseLib() override {
        auto f = Bind<scanCloseLib_t>(&Exports::closeLib);
        return f ? f() : kStatusNoDriver;
    }
    // Hardware type 0 reads as an unknown connection.
    int32_t scanGetHardwareType(uint32_t handle) override {
        auto f = Bind<scanGetHardwareType_t>(&Exports::getHardwareType);
        return f ? f(handle) : 0;
    }
    int32_t scanInquiry(uint32_t handle, uint8_t* buffer, int32_t length) override {
        auto f = Bind<scanInquiry_t>(&Exports::inquiry);
        return f ? f(handle, buffer, length) : kStatusNoDriver;
    }
    int32_t scanInquiryPage(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page) override {
        auto f = Bind<scanInquiryPage_t>(&Exports::inquiryPage);
        return f ? f(handle, buffer, length, page) : kStatusNoDriver;
    }
    int32_t scanTestUnitReady(uint32_t handle) override {
        auto f = Bind<scanTestUnitReady_t>(&Exports::testUnitReady);
        return f ? f(handle) : kStatusNoDriver;
    }
    int32_t scanObjectPosition(uint32_t handle, int32_t function, int32_t reserved) override {
        auto f = Bind<scanObjectPosition_t>(&Exports::objectPosition);
        return f ? f(handle, function, reserved) : kStatusNoDriver;
    }
    int32_t scanSetWindow(uint32_t handle, const uint8_t* block, int32_t length) override {
        auto f = Bind<scanSetWindow_t>(&Exports::setWindow);
        return f ? f(handle, block, length) : kStatusNoDriver;
    }
    int32_t scanSend(uint32_t handle, const uint8_t* buffer, int32_t length, int32_t dataType,
                     int32_t qualifier) override {
        auto f = Bind<scanSend_t>(&Exports::send);
        return f ? f(handle, buffer, length, dataType, qualifier) : kStatusNoDriver;
    }
    int32_t scanScan(uint32_t handle, const uint8_t* windowList, int32_t length) override {
        auto f = Bind<scanScan_t>(&Exports::scan);
        return f ? f(handle, windowList, length) : kStatusNoDriver;
    }
    int32_t scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType, int32_t qualifier,
                     int32_t* received) override {
        if (auto f = Bind<scanRead_t>(&Exports::read))
            return f(handle, buffer, length, dataType, qualifier, received);
        if (received)
            *received = 0;
        return kStatusNoDriver;
    }
    int32_t scanReadBuffer(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId, int32_t offset,
                           int32_t length) override {
        auto f = Bind<scanReadBuffer_t>(&Exports::readBuffer);
        return f ? f(handle, buffer, mode, bufferId, offset, length) : kStatusNoDriver;
    }
    int32_t scanReceiveDiagnostic(uint32_t handle, uint8_t* buffer, int32_t length) override {
        auto f = Bind<scanReceiveDiagnostic_t>(&Exports::receiveDiagnostic);
        return f ? f(handle, buffer, length) : kStatusNoDriver;
    }
    int32_t scanGetLastAsc(uint32_t handle) override {
        // Without the sense code a CHECK CONDITION must still read as a failure.
        auto f = Bind<scanGetLastAsc_t>(&Exports::getLastAsc);
        return f ? f(handle) : kStatusNoDriver;
    }

  private:
    struct Exports {
        FARPROC openLib, getNextScanner, openScanner, closeScanner, closeLib, getHardwareType, inquiry,
            inquiryPage, testUnitReady, objectPosition, setWindow, send, scan, read, readBuffer,
            receiveDiagnostic, getLastAsc;
    };

    // The library is loaded and every export looked up once, on the first call from any
    // thread; an export that is missing stays null.
    void Load() {
        m_module = LoadLibraryA(m_dllName.c_str());
        if (!m_module)
            return;
        const auto find = [this](const char* name) { return GetProcAddress(m_module, name); };
        m_exports = Exports{find("scanOpenLib"),       find("scanGetNextScanner"),
                            find("scanOpenScanner"),   find("scanCloseScanner"),
                            find("scanCloseLib"),      find("scanGetHardwareType"),
                            find("scanInquiry"),       find("scanInquiryPage"),
                            find("scanTestUnitReady"), find("scanObjectPosition"),
                            find("scanSetWindow"),     find("scanSend"),
                            find("scanScan"),          find("scanRead"),
                            find("scanReadBuffer"),    find("scanReceiveDiagnostic"),
                            find("scanGetLastAsc")};
    }

    template <typename Function> Function Bind(FARPROC Exports::*slot) {
        std::call_once(m_loaded, [this] { Load(); });
        // Through the generic function pointer type, which converts to any other.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(m_exports.*slot));
    }

    std::string m_dllName;
    std::once_flag m_loaded;
    HMODULE m_module = nullptr;
    Exports m_exports{};
};

std::unique_ptr<ScannerLibrary> MakeDynamicScannerLibrary(const char* dllName) {
    return std::make_unique<DynamicScannerLibrary>(dllName);
}

ScannerLibrary& DefaultScannerLibrary() {
    // Never destroyed: unloading a library while this module itself is being unloaded
    // is not safe, and the process releases it anyway.
    static DynamicScannerLibrary* library = new DynamicScannerLibrary("orv_scan_2000.dll");
    return *library;
}

} // namespace qv::platform
