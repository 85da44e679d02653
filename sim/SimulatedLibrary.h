// The simulated scanner behind the scanner-library port: a model of each device of a
// scenario that answers every library function with its arguments and statuses, and
// records what it was sent.
#pragma once

#include "platform/ScannerLibrary.h"
#include "sim/Imaging.h"
#include "sim/Scenario.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qv::sim {

struct RecordedCall {
    std::string function;
    uint32_t handle = 0;
    std::vector<int32_t> args;
    std::vector<uint8_t> data; // blocks sent: window, gamma, white levels, window list
    int32_t status = 0;
};

// Paper positions as the status block reports them (byte 1).
constexpr uint8_t kPaperNone = 0x00;
constexpr uint8_t kPaperLoading = 0x20;
constexpr uint8_t kPaperMoving = 0x21;
constexpr uint8_t kPaperAtStart = '0';
constexpr uint8_t kPaperInWindow = '1';
constexpr uint8_t kPaperStuck = 0x14;
constexpr size_t kStatusBlockLength = 21;
constexpr size_t kPictureSizeLength = 8;

class SimulatedLibrary : public ScannerLibrary {
  public:
    explicit SimulatedLibrary(Scenario scenario = DefaultScenario());
    ~SimulatedLibrary() override;

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

    size_t DeviceCount() const;
    // Handle of the index-th device in listing order (0 when there is none).
    uint32_t HandleOf(size_t index) const;

    std::vector<RecordedCall> Calls() const;
    // Function names in call order; handle 0 lists every call.
    std::vector<std::string> CallNames(uint32_t handle = 0) const;
    std::vector<std::vector<uint8_t>> WindowBlocks(uint32_t handle) const;
    std::vector<std::vector<uint8_t>> GammaTables(uint32_t handle) const;
    std::vector<std::vector<uint8_t>> WhiteLevelBlocks(uint32_t handle) const;
    void ClearRecord();
    // Image rows delivered since the last scan command.
    int64_t RowsDelivered(uint32_t handle) const;

  private:
    enum class Paper { None, Inserted, Loading, Loaded, Moving, InWindow };
    struct Device {
        DeviceSetup setup;
        uint32_t handle = 0;
        bool open = false;
        std::map<std::string, int64_t, std::less<>> calls;
        std::deque<SheetSetup> sheets;
        int scansOnSheet = 0;
        Paper paper = Paper::None;
        int progress = 0;
        bool windowSet = false;
        WindowParams window;
        ToneMaps tone = IdentityTone();
        uint16_t asc = 0;
        std::unique_ptr<ImageFormer> former;
        bool scanning = false;
        bool readFailed = false;
        int64_t nextRow = 0;
    };

    Device* Find(uint32_t handle);
    const Device* Find(uint32_t handle) const;
    // Counts the call; true with the status when a fault answers it.
    bool Faulted(std::vector<Fault>& faults, std::map<std::string, int64_t, std::less<>>& calls,
                 const char* function, int32_t& status, uint16_t* asc);
    // Common entry of the per-device functions: unknown handle, fault, closed scanner.
    bool Enter(const char* function, uint32_t handle, Device*& device, int32_t& status, bool needOpen = true);
    static int32_t Check(Device& d, uint16_t asc);
    bool InProgress(Device& d);
    void StatusBlock(Device& d, uint8_t* block);
    int32_t ReadImage(Device& d, uint8_t* buffer, int32_t length, int32_t* received, double& seconds);
    int32_t Record(const char* function, uint32_t handle, std::vector<int32_t> args, int32_t status,
                   const uint8_t* data = nullptr, size_t size = 0);
    std::vector<std::vector<uint8_t>> SentBlocks(uint32_t handle, const char* function,
                                                 int32_t dataType) const;

    mutable std::mutex mutex_;
    Scenario scenario_;
    std::vector<Device> devices_;
    std::map<std::string, int64_t, std::less<>> libraryCalls_;
    bool libraryOpen_ = false;
    size_t cursor_ = 0;
    std::vector<RecordedCall> record_;
};

} // namespace qv::sim
