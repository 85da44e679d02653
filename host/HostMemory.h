// The host's own memory behind the buffer and handle services. Every block carries guard
// bytes on both sides and every id stays known after it is released, so that a module's
// overruns, double releases, unbalanced locks and leaks are caught instead of corrupting
// the host.
#pragma once

#include "plugin/HostInterface.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qv::host {

using ViolationSink = std::function<void(const std::string&)>;

class GuardedBlock {
  public:
    static constexpr size_t kGuard = 32;
    static constexpr unsigned char kFill = 0xA5;

    explicit GuardedBlock(size_t size);
    char* data() { return bytes_.data() + kGuard; }
    const char* data() const { return bytes_.data() + kGuard; }
    size_t size() const { return size_; }
    bool Intact() const;
    void Resize(size_t size);

  private:
    void Seal();
    std::vector<char> bytes_;
    size_t size_;
};

// Where a range of memory lies with respect to the live blocks of a pool.
enum class Span { Foreign, Inside, Overrun };

struct SpanInfo {
    Span span = Span::Foreign;
    bool locked = false;
    size_t past = 0; // bytes beyond the block's end for Overrun
};

class BufferPool {
  public:
    BufferPool(int32_t capacity, ViolationSink report);

    OSErr Allocate(int32_t size, BufferID* id);
    char* Lock(BufferID id, bool moveHigh);
    void Unlock(BufferID id);
    void Free(BufferID id);
    int32_t Space() const { return capacity_ - inUse_; }

    SpanInfo Locate(const void* p, size_t length) const;
    void CheckGuards();
    // Reports every buffer still allocated; returns how many there were.
    int ReportLeaks();
    int Live() const;
    int Allocations() const { return allocations_; }

  private:
    struct Entry {
        std::unique_ptr<GuardedBlock> block;
        int32_t size = 0;
        int locks = 0;
        bool freed = false;
        bool overrunReported = false;
    };
    Entry* Find(BufferID id, const char* operation);

    int32_t capacity_;
    int32_t inUse_ = 0;
    int allocations_ = 0;
    uintptr_t next_ = 1;
    std::map<uintptr_t, Entry> entries_;
    ViolationSink report_;
};

class HandlePool {
  public:
    explicit HandlePool(ViolationSink report);
    ~HandlePool();

    HostHandle New(int32_t size);
    void Dispose(HostHandle handle);
    int32_t GetSize(HostHandle handle);
    OSErr SetSize(HostHandle handle, int32_t size);
    char* Lock(HostHandle handle, bool moveHigh);
    void Unlock(HostHandle handle);

    // Size of a live handle without the checks a module's query gets; 0 otherwise.
    size_t SizeOf(HostHandle handle) const;
    bool Owns(HostHandle handle) const;
    bool IsLive(HostHandle handle) const;
    int LockCount(HostHandle handle) const;
    // Handles whose lock count is not 0, reported once each time this is asked.
    int ReportLocked();
    void CheckGuards();
    int ReportLeaks();
    int Live() const;
    int Allocations() const { return allocations_; }

  private:
    struct Entry {
        char* master = nullptr; // the handle points here
        std::unique_ptr<GuardedBlock> block;
        int locks = 0;
        bool disposed = false;
        bool overrunReported = false;
    };
    Entry* Find(HostHandle handle, const char* operation);

    int allocations_ = 0;
    std::map<HostHandle, std::unique_ptr<Entry>> entries_;
    ViolationSink report_;
};

} // namespace qv::host
