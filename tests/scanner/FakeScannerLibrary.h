// A scripted stand-in for the scanner library: devices with their inquiry pages,
// statuses answered from per-function queues, and a record of every call with the
// bytes it carried.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/ScannerLibrary.h"
#include "FakeClock.h"
#include "sim/Profile.h"

namespace qv::test {

struct FakeDevice {
    uint32_t handle = 0;
    int32_t hardwareType = 1;
    int32_t openStatus = 0;
    std::vector<uint8_t> inquiry;
    std::map<uint8_t, std::vector<uint8_t>> pages;
};

struct Call {
    std::string name;
    uint32_t handle = 0;
    std::vector<uint8_t> bytes; // what was sent
    std::array<int32_t, 4> args{};
};

struct ScriptedRead {
    int32_t status = 0;
    std::vector<uint8_t> bytes;
    int32_t reportedCount = -1; // -1: the number of bytes copied
};

class FakeScannerLibrary : public ScannerLibrary {
  public:
    std::vector<FakeDevice> devices;
    std::vector<Call> calls;
    int32_t missingPageStatus = 0x2400;
    int32_t unknownHandleStatus = -153;
    int32_t lastAsc = 0;
    std::vector<uint8_t> colorMatrices; // buffer 7

    // Statuses for the next calls of a function, consumed in order; then its default.
    void Answer(const std::string& function, std::initializer_list<int32_t> statuses);
    void SetDefault(const std::string& function, int32_t status) { m_defaults[function] = status; }
    // Answers for the next reads of a data type; an empty queue reads zeros with status 0.
    void QueueRead(int32_t dataType, ScriptedRead read) { m_reads[dataType].push_back(std::move(read)); }
    // What reads of a data type answer once their queue is empty.
    void SetDefaultRead(int32_t dataType, ScriptedRead read) { m_readDefaults[dataType] = std::move(read); }

    std::vector<Call> CallsOf(const std::string& name) const;
    size_t Count(const std::string& name) const { return CallsOf(name).size(); }
    void ClearCalls() { calls.clear(); }

    int32_t scanOpenLib() override;
    int32_t scanGetNextScanner(uint32_t* handle, uint32_t* reserved, int32_t first) override;
    int32_t scanOpenScanner(uint32_t handle) override;
    int32_t scanCloseScanner(uint32_t handle) override;
    int32_t scanCloseLib() override;
    int32_t scanGetHardwareType(uint32_t handle) override;
    int32_t scanInquiry(uint32_t handle, uint8_t* buffer, int32_t length) override;
    int32_t scanInquiryPage(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page) override;
    int32_t scanTestUnitReady(uint32_t handle) override;
    int32_t scanObjectPosition(uint32_t handle, int32_t function, int32_t reserved) override;
    int32_t scanSetWindow(uint32_t handle, const uint8_t* block, int32_t length) override;
    int32_t scanSend(uint32_t handle, const uint8_t* buffer, int32_t length, int32_t dataType,
                     int32_t qualifier) override;
    int32_t scanScan(uint32_t handle, const uint8_t* windowList, int32_t length) override;
    int32_t scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType, int32_t qualifier,
                     int32_t* received) override;
    int32_t scanReadBuffer(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId, int32_t offset,
                           int32_t length) override;
    int32_t scanReceiveDiagnostic(uint32_t handle, uint8_t* buffer, int32_t length) override;
    int32_t scanGetLastAsc(uint32_t handle) override;

  private:
    int32_t Next(const std::string& function, int32_t fallback);
    Call& Record(const std::string& name, uint32_t handle, std::array<int32_t, 4> args = {});
    const FakeDevice* Find(uint32_t handle) const;

    std::map<std::string, std::deque<int32_t>> m_answers;
    std::map<std::string, int32_t> m_defaults;
    std::map<int32_t, std::deque<ScriptedRead>> m_reads;
    std::map<int32_t, ScriptedRead> m_readDefaults;
    size_t m_nextDevice = 0;
};

// The device the scanner tests start from: generation 5, colour, every page long
// enough for every field.
struct Profile : qv::sim::Profile {
    Profile();
};
// Inquiry and pages built by the simulated scanner's own builder.
FakeDevice MakeDevice(uint32_t handle, const qv::sim::Profile& profile = Profile());

} // namespace qv::test
