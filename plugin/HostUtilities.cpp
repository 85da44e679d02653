#include "plugin/HostUtilities.h"

#include "platform/MessageBox.h"
#include "platform/ModuleStrings.h"
#include "platform/ProcessMemory.h"
#include "resources/strings.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace {

// A suite is usable at exactly the version this module was written for.
bool VersionFits(int16_t version, int16_t expected, bool* newer) {
    if (newer)
        *newer = version > expected;
    return version == expected;
}

void WarnHostInsufficient(bool newer, double requiredVersion) {
    // Digits by hand: the host's locale may have made the decimal point a comma.
    const int tenths = static_cast<int>(requiredVersion * 10.0 + 0.5);
    char version[16];
    std::snprintf(version, sizeof version, "%d.%d", tenths / 10, tenths % 10);
    ShowStringAlert(qv::GetModuleInstance(), nullptr, true,
                    newer ? IDS_INCOMPATIBLE_HOST : IDS_REQUIRES_VERSION, version, nullptr);
}

} // namespace

bool BufferProcsAvailable(const AcquireRecord* stuff, bool* newer) {
    if (newer)
        *newer = false;
    const BufferProcs* procs = stuff ? stuff->bufferProcs : nullptr;
    if (!procs || !VersionFits(procs->bufferProcsVersion, kCurrentBufferProcsVersion, newer))
        return false;
    return procs->numBufferProcs >= kCurrentBufferProcsCount && procs->allocateProc && procs->lockProc &&
           procs->unlockProc && procs->freeProc && procs->spaceProc;
}

bool HandleProcsAvailable(const AcquireRecord* stuff, bool* newer) {
    if (newer)
        *newer = false;
    const HandleProcs* procs = stuff ? stuff->handleProcs : nullptr;
    if (!procs || !VersionFits(procs->handleProcsVersion, kCurrentHandleProcsVersion, newer))
        return false;
    // Lock and unlock are used on every call; a table without them cannot hold the record.
    return procs->numHandleProcs >= kCurrentHandleProcsCount && procs->newProc && procs->disposeProc &&
           procs->getSizeProc && procs->setSizeProc && procs->lockProc && procs->unlockProc;
}

bool AdvanceStateAvailable(const AcquireRecord* stuff) {
    return stuff && stuff->advanceState;
}

namespace {

// The entries of a suite follow one another as an array of pointers.
bool AllEntriesPresent(const void* firstEntry, int16_t count) {
    const auto* first = static_cast<const char*>(firstEntry);
    for (int16_t i = 0; i < count; ++i) {
        void* entry = nullptr;
        std::memcpy(&entry, first + i * sizeof(void*), sizeof(void*));
        if (!entry)
            return false;
    }
    return true;
}

} // namespace

bool DescriptorParametersAvailable(const AcquireRecord* stuff, bool* newer) {
    if (newer)
        *newer = false;
    const PIDescriptorParameters* parameters = stuff ? stuff->descriptorParameters : nullptr;
    if (!parameters || !VersionFits(parameters->descriptorParametersVersion, 0, newer))
        return false;
    const ReadDescriptorProcs* read = parameters->readDescriptorProcs;
    const WriteDescriptorProcs* write = parameters->writeDescriptorProcs;
    if (!read || !write)
        return false;
    if (!VersionFits(read->readDescriptorProcsVersion, kCurrentReadDescriptorProcsVersion, newer) ||
        !VersionFits(write->writeDescriptorProcsVersion, kCurrentWriteDescriptorProcsVersion, newer))
        return false;
    return read->numReadDescriptorProcs >= kCurrentReadDescriptorProcsCount &&
           write->numWriteDescriptorProcs >= kCurrentWriteDescriptorProcsCount &&
           AllEntriesPresent(&read->openReadDescriptorProc, kCurrentReadDescriptorProcsCount) &&
           AllEntriesPresent(&write->openWriteDescriptorProc, kCurrentWriteDescriptorProcsCount);
}

bool WarnBufferProcsAvailable(const AcquireRecord* stuff) {
    bool newer = false;
    if (BufferProcsAvailable(stuff, &newer))
        return true;
    WarnHostInsufficient(newer, 2.5);
    return false;
}

bool WarnAdvanceStateAvailable(const AcquireRecord* stuff) {
    if (AdvanceStateAvailable(stuff))
        return true;
    WarnHostInsufficient(false, 3.0);
    return false;
}

int ShowStringAlert(void* module, void*, bool show, unsigned id, const char* text1, const char* text2) {
    if (!show)
        return 0;
    std::string pattern;
    qv::LoadModuleString(module, id, pattern);
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '^' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            const char* insert = pattern[i + 1] == '1' ? text1 : text2;
            text += insert ? insert : "";
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return qv::ShowMessageBox(nullptr, text, nullptr, qv::MsgIcon::Exclamation);
}

namespace {

// Handles made from process memory. A host whose handle services come and go between
// calls must never have its handles taken by the other allocator, nor ours by its.
struct ProcessHandles {
    std::mutex mutex;
    std::set<HostHandle> live;

    bool Contains(HostHandle handle) {
        std::lock_guard<std::mutex> lock(mutex);
        return live.count(handle) != 0;
    }
};

ProcessHandles& OwnHandles() {
    static ProcessHandles handles;
    return handles;
}

} // namespace

HostHandle HostNewHandle(const AcquireRecord* stuff, int32_t size, OSErr* error) {
    HostHandle handle = nullptr;
    if (HandleProcsAvailable(stuff)) {
        handle = stuff->handleProcs->newProc(size);
    } else if (size >= 0) {
        handle = static_cast<HostHandle>(qv::ProcessMemoryNew(static_cast<size_t>(size)));
        if (handle) {
            std::lock_guard<std::mutex> lock(OwnHandles().mutex);
            OwnHandles().live.insert(handle);
        }
    }
    if (error)
        *error = handle ? noErr : memFullErr;
    return handle;
}

void HostDisposeHandle(const AcquireRecord* stuff, HostHandle handle) {
    if (!handle)
        return;
    if (OwnHandles().Contains(handle)) {
        {
            std::lock_guard<std::mutex> lock(OwnHandles().mutex);
            OwnHandles().live.erase(handle);
        }
        qv::ProcessMemoryDispose(handle);
    } else if (HandleProcsAvailable(stuff)) {
        stuff->handleProcs->disposeProc(handle);
    }
}

char* HostLockHandle(const AcquireRecord* stuff, HostHandle handle, bool moveHigh) {
    if (!handle)
        return nullptr;
    if (OwnHandles().Contains(handle))
        return qv::ProcessMemoryLock(handle);
    if (HandleProcsAvailable(stuff))
        return stuff->handleProcs->lockProc(handle, moveHigh ? 1 : 0);
    return nullptr;
}

void HostUnlockHandle(const AcquireRecord* stuff, HostHandle handle) {
    if (!handle)
        return;
    if (OwnHandles().Contains(handle))
        qv::ProcessMemoryUnlock(handle);
    else if (HandleProcsAvailable(stuff))
        stuff->handleProcs->unlockProc(handle);
}
