// Port to the scanner maker's library: one operation per exported function, same
// arguments, same statuses. Windows binds the DLL; natively the simulated scanner is
// installed here.
#pragma once

#include <cstdint>
#include <memory>

namespace qv {

// Statuses the module itself relies on.
constexpr int32_t kStatusNoScanner = -117;
constexpr int32_t kStatusNoDriver = -118;

class ScannerLibrary {
  public:
    virtual ~ScannerLibrary() = default;
    virtual int32_t scanOpenLib() = 0;
    virtual int32_t scanGetNextScanner(uint32_t* handle, uint32_t* reserved, int32_t first) = 0;
    virtual int32_t scanOpenScanner(uint32_t handle) = 0;
    virtual int32_t scanCloseScanner(uint32_t handle) = 0;
    virtual int32_t scanCloseLib() = 0;
    virtual int32_t scanGetHardwareType(uint32_t handle) = 0;
    virtual int32_t scanInquiry(uint32_t handle, uint8_t* buffer, int32_t length) = 0;
    virtual int32_t scanInquiryPage(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page) = 0;
    virtual int32_t scanTestUnitReady(uint32_t handle) = 0;
    virtual int32_t scanObjectPosition(uint32_t handle, int32_t function, int32_t reserved) = 0;
    virtual int32_t scanSetWindow(uint32_t handle, const uint8_t* block, int32_t length) = 0;
    virtual int32_t scanSend(uint32_t handle, const uint8_t* buffer, int32_t length, int32_t dataType,
                             int32_t qualifier) = 0;
    virtual int32_t scanScan(uint32_t handle, const uint8_t* windowList, int32_t length) = 0;
    virtual int32_t scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType,
                             int32_t qualifier, int32_t* received) = 0;
    virtual int32_t scanReadBuffer(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId,
                                   int32_t offset, int32_t length) = 0;
    virtual int32_t scanReceiveDiagnostic(uint32_t handle, uint8_t* buffer, int32_t length) = 0;
    virtual int32_t scanGetLastAsc(uint32_t handle) = 0;
};

// The library the module talks to: the one installed, else the platform's default
// (Windows: the DLL bound at first use; natively: an absent library).
ScannerLibrary& GetScannerLibrary();
// Installs a library (nullptr returns to the default). The caller keeps ownership.
void SetScannerLibrary(ScannerLibrary* library);

// A library that is not there: every call fails as a missing driver would.
class AbsentScannerLibrary : public ScannerLibrary {
  public:
    int32_t scanOpenLib() override { return kStatusNoDriver; }
    int32_t scanGetNextScanner(uint32_t* handle, uint32_t*, int32_t) override {
        if (handle)
            *handle = 0;
        return kStatusNoScanner;
    }
    int32_t scanOpenScanner(uint32_t) override { return kStatusNoDriver; }
    int32_t scanCloseScanner(uint32_t) override { return kStatusNoDriver; }
    int32_t scanCloseLib() override { return kStatusNoDriver; }
    int32_t scanGetHardwareType(uint32_t) override { return 0; }
    int32_t scanInquiry(uint32_t, uint8_t*, int32_t) override { return kStatusNoDriver; }
    int32_t scanInquiryPage(uint32_t, uint8_t*, uint8_t, uint8_t) override { return kStatusNoDriver; }
    int32_t scanTestUnitReady(uint32_t) override { return kStatusNoDriver; }
    int32_t scanObjectPosition(uint32_t, int32_t, int32_t) override { return kStatusNoDriver; }
    int32_t scanSetWindow(uint32_t, const uint8_t*, int32_t) override { return kStatusNoDriver; }
    int32_t scanSend(uint32_t, const uint8_t*, int32_t, int32_t, int32_t) override { return kStatusNoDriver; }
    int32_t scanScan(uint32_t, const uint8_t*, int32_t) override { return kStatusNoDriver; }
    int32_t scanRead(uint32_t, uint8_t*, int32_t, int32_t, int32_t, int32_t* received) override {
        if (received)
            *received = 0;
        return kStatusNoDriver;
    }
    int32_t scanReadBuffer(uint32_t, uint8_t*, int32_t, int32_t, int32_t, int32_t) override {
        return kStatusNoDriver;
    }
    int32_t scanReceiveDiagnostic(uint32_t, uint8_t*, int32_t) override { return kStatusNoDriver; }
    int32_t scanGetLastAsc(uint32_t) override { return kStatusNoDriver; }
};

namespace platform {
// Supplied by the adapter of the build.
ScannerLibrary& DefaultScannerLibrary();
#if defined(_WIN32)
// A binding of the named DLL, for tests; a missing DLL or export answers as a missing driver.
std::unique_ptr<ScannerLibrary> MakeDynamicScannerLibrary(const char* dllName);
#endif
} // namespace platform

} // namespace qv
