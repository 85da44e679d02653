#include "FakeScannerLibrary.h"

#include <algorithm>
#include <cstring>

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

std::vector<uint8_t> MakePage(uint8_t code, size_t length) {
    std::vector<uint8_t> page(length, 0);
    page[1] = code;
    page[3] = static_cast<uint8_t>(length - 4);
    return page;
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void PutText(std::vector<uint8_t>& bytes, size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::vector<uint8_t> MakeInquiry(const std::string& productId, const std::string& firmware) {
    std::vector<uint8_t> inquiry(36, 0);
    PutText(inquiry, 8, "VENDOR  ");
    PutText(inquiry, 16, productId.substr(0, 16));
    PutText(inquiry, 32, firmware.substr(0, 4));
    return inquiry;
}

FakeDevice MakeDevice(uint32_t handle, const Profile& profile) {
    FakeDevice device;
    device.handle = handle;
    device.inquiry = MakeInquiry(profile.productId, profile.firmware);

    auto c0 = MakePage(0xC0, 76);
    PutText(c0, 28, "0123");
    PutText(c0, 36, "2004-06-15 rev.A");
    c0[63] = static_cast<uint8_t>(profile.generation);
    PutText(c0, 72, "0042");
    device.pages[0xC0] = c0;

    auto c1 = MakePage(0xC1, 67);
    c1[8] = profile.color ? 1 : 0;
    c1[12] = 1;
    c1[19] = profile.scannerClass;
    PutU32(c1, 24, 0x100000);
    PutU32(c1, 28, profile.maxScanWidth);
    c1[50] = 1;
    PutU32(c1, 51, 0xFF);
    c1[55] = 0xFF;
    c1[56] = 6;
    c1[66] = profile.windowLength;
    device.pages[0xC1] = c1;

    auto c2 = MakePage(0xC2, 56);
    PutU32(c2, 36, 0x0F);
    PutU32(c2, 40, 150);
    PutU32(c2, 44, 400);
    PutU32(c2, 52, 600);
    device.pages[0xC2] = c2;

    auto c3 = MakePage(0xC3, 12 + 4 * profile.resolutions.size());
    PutU32(c3, 4, static_cast<uint32_t>(profile.resolutions.size()));
    for (size_t i = 0; i < profile.resolutions.size(); ++i)
        PutU32(c3, 12 + 4 * i, profile.resolutions[i]);
    device.pages[0xC3] = c3;

    auto c4 = MakePage(0xC4, 40);
    PutU32(c4, 36, profile.gammaLength);
    device.pages[0xC4] = c4;
    return device;
}

} // namespace qv::test
