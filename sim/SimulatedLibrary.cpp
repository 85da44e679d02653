#include "sim/SimulatedLibrary.h"

#include "sim/Pages.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace qv::sim {

namespace {

constexpr uint32_t kHandleBase = 0x51A00000;
constexpr int32_t kStatusCheck = 2;
constexpr int32_t kStatusParameterError = -100;
constexpr int32_t kStatusNotOpen = -151;
constexpr int32_t kStatusClosedScanner = -152;
constexpr int32_t kStatusUnknownHandle = -153;
constexpr uint16_t kSenseNotReady = 0x3A00;
constexpr uint16_t kSenseNotLoaded = 0x3A80;
constexpr uint16_t kSenseLoadProgress = 0x3A82;
constexpr uint16_t kSensePositionProgress = 0x3A83;
constexpr uint16_t kSenseSequence = 0x2C00;
constexpr uint16_t kSenseEndOfMedium = 0x3B09;
constexpr size_t kRecordLimit = 1000000;
constexpr int kDiagnosticRecord = 64;

} // namespace

SimulatedLibrary::SimulatedLibrary(Scenario scenario) : scenario_(std::move(scenario)) {
    devices_.resize(scenario_.devices.size());
    for (size_t i = 0; i < devices_.size(); ++i) {
        Device& d = devices_[i];
        d.setup = scenario_.devices[i];
        d.handle = kHandleBase + static_cast<uint32_t>(i + 1) * 0x10;
        for (const SheetSetup& s : d.setup.sheets)
            if (s.sheet)
                d.sheets.push_back(s);
        d.paper = d.sheets.empty() ? Paper::None : Paper::Inserted;
    }
}

SimulatedLibrary::~SimulatedLibrary() = default;

SimulatedLibrary::Device* SimulatedLibrary::Find(uint32_t handle) {
    for (Device& d : devices_)
        if (d.handle == handle)
            return &d;
    return nullptr;
}

const SimulatedLibrary::Device* SimulatedLibrary::Find(uint32_t handle) const {
    return const_cast<SimulatedLibrary*>(this)->Find(handle);
}

int32_t SimulatedLibrary::Record(const char* function, uint32_t handle, std::vector<int32_t> args,
                                 int32_t status, const uint8_t* data, size_t size) {
    if (record_.size() < kRecordLimit) {
        RecordedCall call{function, handle, std::move(args), {}, status};
        if (data)
            call.data.assign(data, data + size);
        record_.push_back(std::move(call));
    }
    return status;
}

bool SimulatedLibrary::Faulted(std::vector<Fault>& faults, std::map<std::string, int64_t, std::less<>>& calls,
                               const char* function, int32_t& status, uint16_t* asc) {
    int64_t n = ++calls[function];
    for (const Fault& f : faults) {
        if (f.function == function && n >= f.call && n < f.call + f.count) {
            status = f.status;
            if (asc && status == kStatusCheck)
                *asc = f.asc;
            return true;
        }
    }
    return false;
}

bool SimulatedLibrary::Enter(const char* function, uint32_t handle, Device*& device, int32_t& status,
                             bool needOpen) {
    device = Find(handle);
    if (!device) {
        status = kStatusUnknownHandle;
        return false;
    }
    if (Faulted(device->setup.faults, device->calls, function, status, &device->asc))
        return false;
    if (needOpen && !device->open) {
        status = kStatusClosedScanner;
        return false;
    }
    return true;
}

int32_t SimulatedLibrary::Check(Device& d, uint16_t asc) {
    d.asc = asc;
    return kStatusCheck;
}

int32_t SimulatedLibrary::scanOpenLib() {
    std::lock_guard lock(mutex_);
    int32_t status = 0;
    if (!Faulted(scenario_.libraryFaults, libraryCalls_, "scanOpenLib", status, nullptr)) {
        status = scenario_.openLibStatus;
        libraryOpen_ = status == 0;
    }
    return Record("scanOpenLib", 0, {}, status);
}

int32_t SimulatedLibrary::scanGetNextScanner(uint32_t* handle, uint32_t* reserved, int32_t first) {
    std::lock_guard lock(mutex_);
    (void)reserved;
    int32_t status = 0;
    if (!handle) {
        status = kStatusParameterError;
    } else if (!Faulted(scenario_.libraryFaults, libraryCalls_, "scanGetNextScanner", status, nullptr)) {
        if (!libraryOpen_) {
            status = kStatusNotOpen;
        } else {
            if (first)
                cursor_ = 0;
            if (cursor_ < devices_.size()) {
                *handle = devices_[cursor_++].handle;
            } else {
                *handle = 0;
                status = kStatusNoScanner;
            }
        }
    }
    return Record("scanGetNextScanner", handle ? *handle : 0, {first}, status);
}

int32_t SimulatedLibrary::scanOpenScanner(uint32_t handle) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanOpenScanner", handle, d, status, false)) {
        status = libraryOpen_ ? d->setup.openStatus : kStatusNotOpen;
        d->open = status == 0;
    }
    return Record("scanOpenScanner", handle, {}, status);
}

int32_t SimulatedLibrary::scanCloseScanner(uint32_t handle) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanCloseScanner", handle, d, status, false)) {
        d->open = false;
        d->scanning = false;
    }
    return Record("scanCloseScanner", handle, {}, status);
}

int32_t SimulatedLibrary::scanCloseLib() {
    std::lock_guard lock(mutex_);
    int32_t status = 0;
    if (!Faulted(scenario_.libraryFaults, libraryCalls_, "scanCloseLib", status, nullptr)) {
        libraryOpen_ = false;
        for (Device& d : devices_) {
            d.open = false;
            d.scanning = false;
        }
    }
    return Record("scanCloseLib", 0, {}, status);
}

int32_t SimulatedLibrary::scanGetHardwareType(uint32_t handle) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanGetHardwareType", handle, d, status, false))
        status = d->setup.profile.hardwareType;
    else if (!d)
        status = 0;
    return Record("scanGetHardwareType", handle, {}, status);
}

int32_t SimulatedLibrary::scanInquiry(uint32_t handle, uint8_t* buffer, int32_t length) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanInquiry", handle, d, status)) {
        if (!buffer || length < 0) {
            status = kStatusParameterError;
        } else {
            auto data = BuildInquiry(d->setup.profile);
            std::memcpy(buffer, data.data(), std::min<size_t>(data.size(), static_cast<size_t>(length)));
        }
    }
    return Record("scanInquiry", handle, {length}, status);
}

int32_t SimulatedLibrary::scanInquiryPage(uint32_t handle, uint8_t* buffer, uint8_t length, uint8_t page) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanInquiryPage", handle, d, status)) {
        auto data = BuildPage(d->setup.profile, page);
        if (!buffer)
            status = kStatusParameterError;
        else if (data.empty())
            status = Check(*d, kSenseInvalidCdb);
        else
            std::memcpy(buffer, data.data(), std::min<size_t>(data.size(), length));
    }
    return Record("scanInquiryPage", handle, {length, page}, status);
}

bool SimulatedLibrary::InProgress(Device& d) {
    if (d.paper != Paper::Loading && d.paper != Paper::Moving)
        return false;
    const bool stuck = (d.paper == Paper::Loading && d.setup.stuck == Stuck::Load) ||
                       (d.paper == Paper::Moving && d.setup.stuck == Stuck::Window);
    if (stuck)
        return true;
    if (d.progress > 0) {
        --d.progress;
        return true;
    }
    d.paper = d.paper == Paper::Loading ? Paper::Loaded : Paper::InWindow;
    return false;
}

int32_t SimulatedLibrary::scanTestUnitReady(uint32_t handle) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanTestUnitReady", handle, d, status)) {
        Paper before = d->paper;
        if (InProgress(*d))
            status = Check(*d, before == Paper::Loading ? kSenseLoadProgress : kSensePositionProgress);
        else if (d->paper == Paper::None)
            status = Check(*d, kSenseNotReady);
    }
    return Record("scanTestUnitReady", handle, {}, status);
}

int32_t SimulatedLibrary::scanObjectPosition(uint32_t handle, int32_t function, int32_t reserved) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanObjectPosition", handle, d, status)) {
        if (function == 1) {
            d->scanning = false;
            const bool spent = !d->sheets.empty() && d->sheets.front().scans > 0 &&
                               d->scansOnSheet >= d->sheets.front().scans;
            if (spent) {
                // The sheet leaves the device; the next one waits at the entry.
                d->sheets.pop_front();
                d->scansOnSheet = 0;
                d->paper = d->sheets.empty() ? Paper::None : Paper::Inserted;
            } else if (d->sheets.empty()) {
                status = Check(*d, kSenseNotReady);
            } else {
                d->paper = Paper::Loading;
                d->progress = d->setup.loadPolls;
            }
        } else if (function == 2) {
            if (d->paper == Paper::Loaded) {
                d->paper = Paper::Moving;
                d->progress = d->setup.movePolls;
            } else if (d->paper == Paper::Loading || d->paper == Paper::Moving) {
                status = Check(*d, kSenseSequence);
            } else if (d->paper != Paper::InWindow) {
                status = Check(*d, kSenseNotLoaded);
            }
        } else {
            status = Check(*d, kSenseInvalidCdb);
        }
    }
    return Record("scanObjectPosition", handle, {function, reserved}, status);
}

int32_t SimulatedLibrary::scanSetWindow(uint32_t handle, const uint8_t* block, int32_t length) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanSetWindow", handle, d, status)) {
        WindowParams window;
        uint16_t sense = ParseWindow(d->setup.profile, block, length, window);
        d->scanning = false;
        d->windowSet = sense == 0;
        if (sense)
            status = Check(*d, sense);
        else
            d->window = window;
    }
    return Record("scanSetWindow", handle, {length}, status, block, block && length > 0 ? size_t(length) : 0);
}

int32_t SimulatedLibrary::scanSend(uint32_t handle, const uint8_t* buffer, int32_t length, int32_t dataType,
                                   int32_t qualifier) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanSend", handle, d, status)) {
        const Profile& p = d->setup.profile;
        if (!buffer || length < 0) {
            status = kStatusParameterError;
        } else if (dataType == 3) {
            if (qualifier != 0 || p.gammaLength == 0)
                status = Check(*d, kSenseInvalidCdb);
            else if (static_cast<uint32_t>(length) != 3 * p.gammaLength)
                status = Check(*d, kSenseParameterLength);
            else
                d->tone = ToneFromTable(std::vector<uint8_t>(buffer, buffer + length), p.gammaLength);
        } else if (dataType == 0xFA) {
            const bool gen4 = p.generation == 4;
            if (qualifier != (gen4 ? 0 : 2))
                status = Check(*d, kSenseInvalidCdb);
            else if (length != (gen4 ? 6 : 24))
                status = Check(*d, kSenseParameterLength);
        } else {
            status = Check(*d, kSenseInvalidCdb);
        }
    }
    return Record("scanSend", handle, {length, dataType, qualifier}, status, buffer,
                  buffer && length > 0 ? size_t(length) : 0);
}

int32_t SimulatedLibrary::scanScan(uint32_t handle, const uint8_t* windowList, int32_t length) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanScan", handle, d, status)) {
        const int expected = d->setup.profile.generation == 4 ? 2 : 1;
        if (!windowList || length != expected) {
            status = Check(*d, kSenseParameterLength);
        } else if (!d->windowSet || d->paper == Paper::Loading || d->paper == Paper::Moving) {
            status = Check(*d, kSenseSequence);
        } else if (d->paper != Paper::Loaded && d->paper != Paper::InWindow) {
            status = Check(*d, kSenseNotLoaded);
        } else {
            const SheetSetup& sheet = d->sheets.front();
            d->former = std::make_unique<ImageFormer>(d->setup.profile, d->window, sheet.sheet, sheet.centred,
                                                      sheet.fullWindow, d->tone);
            d->scanning = true;
            d->readFailed = false;
            d->nextRow = 0;
            ++d->scansOnSheet;
            status = d->setup.scanStatus;
        }
    }
    return Record("scanScan", handle, {length}, status, windowList,
                  windowList && length > 0 ? size_t(length) : 0);
}

void SimulatedLibrary::StatusBlock(Device& d, uint8_t* block) {
    std::memset(block, 0, kStatusBlockLength);
    InProgress(d);
    block[0] = d.setup.profile.state;
    switch (d.paper) {
    case Paper::None:
        block[1] = kPaperNone;
        break;
    case Paper::Loading:
        block[1] = kPaperLoading;
        break;
    case Paper::Moving:
        block[1] = kPaperMoving;
        break;
    case Paper::InWindow:
        block[1] = kPaperInWindow;
        block[6] = 0x08;
        break;
    default:
        block[1] = kPaperAtStart;
        break;
    }
    if (d.setup.paperStuck)
        block[1] = kPaperStuck;
    block[7] = d.setup.adjustFailed;
    block[8] = d.setup.stitchFailed;
    PutBe32(block + 9, d.setup.secondsSinceAdjust);
}

int32_t SimulatedLibrary::ReadImage(Device& d, uint8_t* buffer, int32_t length, int32_t* received,
                                    double& seconds) {
    if (!d.scanning)
        return Check(d, kSenseSequence);
    if (d.readFailed ||
        (d.setup.readFailRow >= 0 && d.nextRow >= d.setup.readFailRow && d.nextRow < d.former->Rows())) {
        d.readFailed = true;
        return d.setup.readFailStatus == kStatusCheck ? Check(d, d.setup.readFailAsc)
                                                      : d.setup.readFailStatus;
    }
    if (length == 0)
        return 0;
    if (d.nextRow >= d.former->Rows())
        return Check(d, kSenseEndOfMedium);
    const int64_t limit = d.setup.readFailRow >= 0 ? d.setup.readFailRow : INT64_MAX;
    size_t bytes = d.former->Fill(d.nextRow, limit, buffer, static_cast<size_t>(length));
    if (bytes == 0)
        return Check(d, kSenseParameterLength); // not even one row fits
    *received = static_cast<int32_t>(bytes);
    const Profile& p = d.setup.profile;
    seconds = p.latencyMs / 1000.0 + (p.throughput > 0 ? static_cast<double>(bytes) / p.throughput : 0.0);
    return 0;
}

int32_t SimulatedLibrary::scanRead(uint32_t handle, uint8_t* buffer, int32_t length, int32_t dataType,
                                   int32_t qualifier, int32_t* received) {
    std::unique_lock lock(mutex_);
    Device* d;
    int32_t status = 0;
    int32_t got = 0;
    double seconds = 0;
    if (Enter("scanRead", handle, d, status)) {
        if (!buffer || length < 0) {
            status = kStatusParameterError;
        } else if (dataType == 0 && qualifier == 0) {
            status = ReadImage(*d, buffer, length, &got, seconds);
        } else if (dataType == 0x80 && qualifier == 0) {
            uint8_t block[kStatusBlockLength];
            StatusBlock(*d, block);
            got = std::min<int32_t>(length, kStatusBlockLength);
            std::memcpy(buffer, block, static_cast<size_t>(got));
        } else if (dataType == 0xFF && qualifier == 2) {
            uint8_t block[kPictureSizeLength] = {};
            if (d->windowSet) {
                auto widths = CameraWidths(d->setup.profile, d->window);
                for (size_t i = 0; i < 4; ++i)
                    PutBe16(block + 2 * i, widths[i]);
            }
            got = std::min<int32_t>(length, kPictureSizeLength);
            std::memcpy(buffer, block, static_cast<size_t>(got));
        } else {
            status = Check(*d, kSenseInvalidCdb);
        }
    }
    if (received)
        *received = got;
    Record("scanRead", handle, {length, dataType, qualifier, got}, status);
    lock.unlock();
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return status;
}

int32_t SimulatedLibrary::scanReadBuffer(uint32_t handle, uint8_t* buffer, int32_t mode, int32_t bufferId,
                                         int32_t offset, int32_t length) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanReadBuffer", handle, d, status)) {
        auto data = BuildColorMatrixBuffer(d->setup.profile);
        if (!buffer)
            status = kStatusParameterError;
        else if (d->setup.profile.generation == 4 || mode != 1 || bufferId != 7 || offset < 0 || length < 0 ||
                 static_cast<size_t>(offset) + static_cast<size_t>(length) > data.size())
            status = Check(*d, kSenseInvalidCdb);
        else
            std::memcpy(buffer, data.data() + offset, static_cast<size_t>(length));
    }
    return Record("scanReadBuffer", handle, {mode, bufferId, offset, length}, status);
}

int32_t SimulatedLibrary::scanReceiveDiagnostic(uint32_t handle, uint8_t* buffer, int32_t length) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanReceiveDiagnostic", handle, d, status)) {
        if (!buffer || length < 0) {
            status = kStatusParameterError;
        } else {
            const auto& texts = d->setup.diagnostics;
            std::vector<uint8_t> data(4 + kDiagnosticRecord * texts.size(), 0);
            PutBe16(&data[2], static_cast<uint32_t>(kDiagnosticRecord * texts.size()));
            for (size_t i = 0; i < texts.size(); ++i) {
                uint8_t* record = &data[4 + kDiagnosticRecord * i];
                PutBe16(record, static_cast<uint32_t>(i + 1));
                std::memcpy(record + 2, texts[i].data(),
                            std::min<size_t>(texts[i].size(), kDiagnosticRecord - 2));
            }
            std::memcpy(buffer, data.data(), std::min(data.size(), static_cast<size_t>(length)));
        }
    }
    return Record("scanReceiveDiagnostic", handle, {length}, status);
}

int32_t SimulatedLibrary::scanGetLastAsc(uint32_t handle) {
    std::lock_guard lock(mutex_);
    Device* d;
    int32_t status = 0;
    if (Enter("scanGetLastAsc", handle, d, status, false))
        status = d->asc;
    else if (!d)
        status = 0;
    return Record("scanGetLastAsc", handle, {}, status);
}

size_t SimulatedLibrary::DeviceCount() const {
    return devices_.size();
}

uint32_t SimulatedLibrary::HandleOf(size_t index) const {
    return index < devices_.size() ? devices_[index].handle : 0;
}

std::vector<RecordedCall> SimulatedLibrary::Calls() const {
    std::lock_guard lock(mutex_);
    return record_;
}

std::vector<std::string> SimulatedLibrary::CallNames(uint32_t handle) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& call : record_)
        if (handle == 0 || call.handle == handle)
            names.push_back(call.function);
    return names;
}

std::vector<std::vector<uint8_t>> SimulatedLibrary::SentBlocks(uint32_t handle, const char* function,
                                                               int32_t dataType) const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<uint8_t>> blocks;
    for (const auto& call : record_)
        if (call.handle == handle && call.function == function &&
            (dataType < 0 || call.args.at(1) == dataType))
            blocks.push_back(call.data);
    return blocks;
}

std::vector<std::vector<uint8_t>> SimulatedLibrary::WindowBlocks(uint32_t handle) const {
    return SentBlocks(handle, "scanSetWindow", -1);
}

std::vector<std::vector<uint8_t>> SimulatedLibrary::GammaTables(uint32_t handle) const {
    return SentBlocks(handle, "scanSend", 3);
}

std::vector<std::vector<uint8_t>> SimulatedLibrary::WhiteLevelBlocks(uint32_t handle) const {
    return SentBlocks(handle, "scanSend", 0xFA);
}

void SimulatedLibrary::ClearRecord() {
    std::lock_guard lock(mutex_);
    record_.clear();
}

int64_t SimulatedLibrary::RowsDelivered(uint32_t handle) const {
    std::lock_guard lock(mutex_);
    const Device* d = Find(handle);
    return d && d->former ? d->nextRow : 0;
}

} // namespace qv::sim
