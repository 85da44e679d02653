#include "FakeScannerLibrary.h"

#include <algorithm>
#include <cstring>

#include "sim/Pages.h"

namespace qv::test {

void FakeScannerLibrary::Answer(const std::string& function, std::initializer_list<int32_t> statuses) {
    auto& queue = m_answers[function];
    queue.insert(queue.end(), statuses.begin(), statuses.end());
}

int32_t FakeScannerLibrary::Next(const std::string& function, int32_t fallback) {
    auto& queue = m_answers[function];
    if (queue.empty()) {
        auto found = m_defaults.find(function);
        return found != m_defaults.end() ? found->second : fallback;
    }
    const int32_t status = queue.front();
    queue.pop_front();
    return status;
}

Call& FakeScannerLibrary::Record(const std::string& name, uint32_t handle, std::array<int32_t, 4> args) {
    calls.push_back(Call{name, handle, {}, args});
    return calls.back();
}

std::vector<Call> FakeScannerLibrary::CallsOf(const std::string& name) const {
    std::vector<Call> matching;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(matching),
                 [&](const Call& call) { return call.name == name; });
    return matching;
}

const FakeDevice* FakeScannerLibrary::Find(uint32_t handle) const {
    auto found = std::find_if(devices.begin(), devices.end(), [&](const FakeDevice& device) {
        return device.handle == handle && handle != 0;
    });
    return found != devices.end() ? &*found : nullptr;
}

int32_t FakeScannerLibrary::scanOpenLib() {
    Record("scanOpenLib", 0);
    m_nextDevice = 0;
    return Next("scanOpenLib", 0);
}

int32_t FakeScannerLibrary::scanGetNextScanner(uint32_t* handle, uint32_t*, int32_t first) {
    Record("scanGetNextScanner", 0, {first});
    if (first)
        m_nextDevice = 0;
    if (m_nextDevice >= devices.size()) {
        *handle = 0;
        return kStatusNoScanner;
    }
    *handle = devices[m_nextDevice++].handle;
    return Next("scanGetNextScanner", 0);
}

int32_t FakeScannerLibrary::scanOpenScanner(uint32_t handle) {
    Record("scanOpenScanner", handle);
    const FakeDevice* device = Find(handle);
    return Next("scanOpenScanner", device ? device->openStatus : unknownHandleStatus);
}

int32_t FakeScannerLibrary::scanCloseScanner(uint32_t handle) {
    Record("scanCloseScanner", handle);
    return Next("scanCloseScanner", 0);
}

int32_t FakeScannerLibrary::scanCloseLib() {
    Record("scanCloseLib", 0);
    return Next("scanCloseLib", 0);
}

int32_t FakeScannerLibrary::scanGetHardwareType(uint32_t handle) {
    Record("scanGetHardwareType", handle);
    const FakeDevice* device = Find(handle);
    return device ? device->hardwareType : 0;
}

int32_t FakeScannerLibrary::scanInquiry(uint32_t handle, uint8_t* buffer, int32_t length) {
    Record("scanInquiry", handle, {length});
    const FakeDevice* device = Find(handle);
    if (!device)
        return unknownHandleStatus;
    if (device->inquiry.empty())
        return missingPageStatus;
    const int32_t status = Next("scanInquiry", 0);
    if (status == 0)
        std::memcpy(buffer, device->inquiry.data(), std::min<size_t>(length, device->inquiry.size()));
    return status;
}

int32_t FakeScannerLibrary::scanInquiryPage(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page) {
    Record("scanInquiryPage", handle, {length, page});
    const FakeDevice* device = Find(handle);
    if (!device)
        return unknownHandleStatus;
    auto found = device->pages.find(page);
    if (found == device->pages.end())
        return missingPageStatus;
    const int32_t status = Next("scanInquiryPage", 0);
    if (status == 0)
        std::memcpy(buffer, found->second.data(), std::min<size_t>(length, found->second.size()));
    return status;
}

int32_t FakeScannerLibrary::scanTestUnitReady(uint32_t handle) {
    Record("scanTestUnitReady", handle);
    return Next("scanTestUnitReady", 0);
}

int32_t FakeScannerLibrary::scanObjectPosition(uint32_t handle, int32_t function, int32_t reserved) {
    Record("scanObjectPosition", handle, {function, reserved});
    return Next("scanObjectPosition", 0);
}

int32_t FakeScannerLibrary::scanSetWindow(uint32_t handle, const uint8_t* block, int32_t length) {
    Record("scanSetWindow", handle, {length}).bytes.assign(block, block + length);
    return Next("scanSetWindow", 0);
}

int32_t FakeScannerLibrary::scanSend(uint32_t handle, const uint8_t* buffer, int32_t length, int32_t dataType,
                                     int32_t qualifier) {
    Record("scanSend", handle, {length, dataType, qualifier}).bytes.assign(buffer, buffer + length);
    return Next("scanSend", 0);
}

int32_t FakeScannerLibrary::scanScan(uint32_t handle, const uint8_t* windowList, int32_t length) {
    Record("scanScan", handle, {length}).bytes.assign(windowList, windowList + length);
    return Next("scanScan", 0);
}

int32_t FakeScannerLibrary::scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType,
                                     int32_t qualifier, int32_t* received) {
    Record("scanRead", handle, {length, dataType, qualifier});
    auto& queue = m_reads[dataType];
    ScriptedRead read = m_readDefaults[dataType];
    if (!queue.empty()) {
        read = std::move(queue.front());
        queue.pop_front();
    }
    const size_t copied = std::min<size_t>(length, read.bytes.size());
    if (copied > 0)
        std::memcpy(buffer, read.bytes.data(), copied);
    *received = read.reportedCount >= 0 ? read.reportedCount : static_cast<int32_t>(copied);
    return read.status;
}

int32_t FakeScannerLibrary::scanReadBuffer(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId,
                                           int32_t offset, int32_t length) {
    Record("scanReadBuffer", handle, {mode, bufferId, offset, length});
    const int32_t status = Next("scanReadBuffer", 0);
    if (status == 0 && offset >= 0 && static_cast<size_t>(offset) + length <= colorMatrices.size())
        std::memcpy(buffer, colorMatrices.data() + offset, length);
    return status;
}

int32_t FakeScannerLibrary::scanReceiveDiagnostic(uint32_t handle, uint8_t*, int32_t length) {
    Record("scanReceiveDiagnostic", handle, {length});
    return Next("scanReceiveDiagnostic", 0);
}

int32_t FakeScannerLibrary::scanGetLastAsc(uint32_t handle) {
    Record("scanGetLastAsc", handle);
    return Next("scanGetLastAsc", lastAsc);
}

Profile::Profile() {
    vendor = "VENDOR  ";
    product = "WIDE SCAN 5000  ";
    firmwareRevision = 21;
    executableRevision = 123;
    fpgaRevision = 42;
    releaseDate = "2004-06-15 rev.A";
    scannerClass = 0;
    gen4ColorAccepted = true;
    bufferSize = 0x100000;
    maxScanWidth = 48000;
    resolutions = {25, 50, 100, 200, 300, 400, 600};
    reducedRange = true;
    reducedMin = 150;
    reducedMax = 400;
    bwModesLimited = 0x0F;
    windowLength = 76;
}

FakeDevice MakeDevice(uint32_t handle, const qv::sim::Profile& profile) {
    FakeDevice device;
    device.handle = handle;
    device.hardwareType = profile.hardwareType;
    device.inquiry = qv::sim::BuildInquiry(profile);
    for (uint8_t code = qv::sim::kFirstPage; code <= qv::sim::kLastPage; ++code)
        device.pages[code] = qv::sim::BuildPage(profile, code);
    return device;
}

} // namespace qv::test
