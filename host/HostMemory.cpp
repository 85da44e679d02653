#include "host/HostMemory.h"

#include <algorithm>
#include <cstring>

namespace qv::host {

GuardedBlock::GuardedBlock(size_t size) : bytes_(size + 2 * kGuard), size_(size) {
    Seal();
}

void GuardedBlock::Seal() {
    std::memset(bytes_.data(), kFill, kGuard);
    std::memset(bytes_.data() + kGuard + size_, kFill, kGuard);
}

bool GuardedBlock::Intact() const {
    auto clean = [](const char* p) {
        return std::all_of(p, p + kGuard, [](char c) { return static_cast<unsigned char>(c) == kFill; });
    };
    return clean(bytes_.data()) && clean(bytes_.data() + kGuard + size_);
}

void GuardedBlock::Resize(size_t size) {
    std::vector<char> grown(size + 2 * kGuard, 0);
    std::memcpy(grown.data() + kGuard, data(), std::min(size, size_));
    bytes_.swap(grown);
    size_ = size;
    Seal();
}

namespace {

BufferID ToId(uintptr_t n) {
    return reinterpret_cast<BufferID>(n);
}
uintptr_t FromId(BufferID id) {
    return reinterpret_cast<uintptr_t>(id);
}

SpanInfo Place(const GuardedBlock& block, bool locked, const char* p, size_t length) {
    const char* begin = block.data();
    const char* end = begin + block.size();
    if (p < begin || p >= end)
        return {};
    size_t room = static_cast<size_t>(end - p);
    if (length <= room)
        return {Span::Inside, locked, 0};
    return {Span::Overrun, locked, length - room};
}

} // namespace

BufferPool::BufferPool(int32_t capacity, ViolationSink report)
    : capacity_(capacity), report_(std::move(report)) {}

BufferPool::Entry* BufferPool::Find(BufferID id, const char* operation) {
    auto it = entries_.find(FromId(id));
    if (it == entries_.end()) {
        report_(std::string(operation) + " of an unknown buffer id");
        return nullptr;
    }
    if (it->second.freed) {
        report_(std::string(operation) + " of buffer " + std::to_string(it->first) + " after it was freed");
        return nullptr;
    }
    return &it->second;
}

OSErr BufferPool::Allocate(int32_t size, BufferID* id) {
    if (!id) {
        report_("buffer allocation without a place for the id");
        return paramErr;
    }
    *id = nullptr;
    if (size < 0) {
        report_("buffer allocation of a negative size " + std::to_string(size));
        return paramErr;
    }
    if (size > Space())
        return memFullErr;
    uintptr_t n = next_++;
    Entry& e = entries_[n];
    e.block = std::make_unique<GuardedBlock>(static_cast<size_t>(size));
    e.size = size;
    inUse_ += size;
    ++allocations_;
    *id = ToId(n);
    return noErr;
}

char* BufferPool::Lock(BufferID id, bool) {
    Entry* e = Find(id, "lock");
    if (!e)
        return nullptr;
    ++e->locks;
    return e->block->data();
}

void BufferPool::Unlock(BufferID id) {
    Entry* e = Find(id, "unlock");
    if (!e)
        return;
    if (e->locks == 0) {
        report_("unlock of buffer " + std::to_string(FromId(id)) + " that is not locked");
        return;
    }
    --e->locks;
}

void BufferPool::Free(BufferID id) {
    auto it = entries_.find(FromId(id));
    if (it == entries_.end()) {
        report_("free of an unknown buffer id");
        return;
    }
    Entry& e = it->second;
    if (e.freed) {
        report_("buffer " + std::to_string(it->first) + " freed twice");
        return;
    }
    if (!e.block->Intact() && !e.overrunReported)
        report_("buffer " + std::to_string(it->first) + " was written outside its " + std::to_string(e.size) +
                " bytes");
    // Freeing a locked buffer is allowed: the host drops the lock with it.
    e.freed = true;
    e.locks = 0;
    e.block.reset();
    inUse_ -= e.size;
}

SpanInfo BufferPool::Locate(const void* p, size_t length) const {
    for (const auto& [n, e] : entries_) {
        if (e.freed)
            continue;
        SpanInfo info = Place(*e.block, e.locks > 0, static_cast<const char*>(p), length);
        if (info.span != Span::Foreign)
            return info;
    }
    return {};
}

void BufferPool::CheckGuards() {
    for (auto& [n, e] : entries_) {
        if (!e.freed && !e.overrunReported && !e.block->Intact()) {
            e.overrunReported = true;
            report_("buffer " + std::to_string(n) + " was written outside its " + std::to_string(e.size) +
                    " bytes");
        }
    }
}

int BufferPool::ReportLeaks() {
    int leaks = 0;
    for (const auto& [n, e] : entries_) {
        if (!e.freed) {
            ++leaks;
            report_("buffer " + std::to_string(n) + " of " + std::to_string(e.size) + " bytes never freed");
        }
    }
    return leaks;
}

int BufferPool::Live() const {
    return static_cast<int>(
        std::count_if(entries_.begin(), entries_.end(), [](const auto& kv) { return !kv.second.freed; }));
}

HandlePool::HandlePool(ViolationSink report) : report_(std::move(report)) {}
HandlePool::~HandlePool() = default;

HandlePool::Entry* HandlePool::Find(HostHandle handle, const char* operation) {
    auto it = entries_.find(handle);
    if (it == entries_.end()) {
        report_(std::string(operation) + " of an unknown handle");
        return nullptr;
    }
    if (it->second->disposed) {
        report_(std::string(operation) + " of a handle after it was disposed");
        return nullptr;
    }
    return it->second.get();
}

HostHandle HandlePool::New(int32_t size) {
    if (size < 0) {
        report_("new handle of a negative size " + std::to_string(size));
        return nullptr;
    }
    auto e = std::make_unique<Entry>();
    e->block = std::make_unique<GuardedBlock>(static_cast<size_t>(size));
    e->master = e->block->data();
    HostHandle handle = &e->master;
    entries_[handle] = std::move(e);
    ++allocations_;
    return handle;
}

void HandlePool::Dispose(HostHandle handle) {
    if (!handle)
        return;
    auto it = entries_.find(handle);
    if (it == entries_.end()) {
        report_("dispose of an unknown handle");
        return;
    }
    Entry& e = *it->second;
    if (e.disposed) {
        report_("handle disposed twice");
        return;
    }
    if (!e.block->Intact() && !e.overrunReported)
        report_("handle of " + std::to_string(e.block->size()) + " bytes was written outside its memory");
    e.disposed = true;
    e.locks = 0;
    e.block.reset();
    e.master = nullptr;
}

int32_t HandlePool::GetSize(HostHandle handle) {
    Entry* e = Find(handle, "size query");
    return e ? static_cast<int32_t>(e->block->size()) : 0;
}

OSErr HandlePool::SetSize(HostHandle handle, int32_t size) {
    Entry* e = Find(handle, "resize");
    if (!e)
        return paramErr;
    if (size < 0) {
        report_("resize of a handle to a negative size " + std::to_string(size));
        return paramErr;
    }
    // A locked block may not move.
    if (e->locks > 0 && static_cast<size_t>(size) > e->block->size())
        return memFullErr;
    e->block->Resize(static_cast<size_t>(size));
    e->master = e->block->data();
    return noErr;
}

char* HandlePool::Lock(HostHandle handle, bool) {
    Entry* e = Find(handle, "lock");
    if (!e)
        return nullptr;
    ++e->locks;
    return e->master;
}

void HandlePool::Unlock(HostHandle handle) {
    Entry* e = Find(handle, "unlock");
    if (!e)
        return;
    if (e->locks == 0) {
        report_("unlock of a handle that is not locked");
        return;
    }
    --e->locks;
}

size_t HandlePool::SizeOf(HostHandle handle) const {
    auto it = entries_.find(handle);
    return it == entries_.end() || it->second->disposed ? 0 : it->second->block->size();
}

bool HandlePool::Owns(HostHandle handle) const {
    return entries_.count(handle) != 0;
}

bool HandlePool::IsLive(HostHandle handle) const {
    auto it = entries_.find(handle);
    return it != entries_.end() && !it->second->disposed;
}

int HandlePool::LockCount(HostHandle handle) const {
    auto it = entries_.find(handle);
    return it == entries_.end() ? 0 : it->second->locks;
}

int HandlePool::ReportLocked() {
    int locked = 0;
    for (const auto& [h, e] : entries_) {
        if (!e->disposed && e->locks != 0) {
            ++locked;
            report_("handle of " + std::to_string(e->block->size()) + " bytes left locked " +
                    std::to_string(e->locks) + " time(s)");
        }
    }
    return locked;
}

void HandlePool::CheckGuards() {
    for (auto& [h, e] : entries_) {
        if (!e->disposed && !e->overrunReported && !e->block->Intact()) {
            e->overrunReported = true;
            report_("handle of " + std::to_string(e->block->size()) +
                    " bytes was written outside its memory");
        }
    }
}

int HandlePool::ReportLeaks() {
    int leaks = 0;
    for (const auto& [h, e] : entries_) {
        if (!e->disposed) {
            ++leaks;
            report_("handle of " + std::to_string(e->block->size()) + " bytes never disposed");
        }
    }
    return leaks;
}

int HandlePool::Live() const {
    return static_cast<int>(
        std::count_if(entries_.begin(), entries_.end(), [](const auto& kv) { return !kv.second->disposed; }));
}

} // namespace qv::host
