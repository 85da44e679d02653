#include "MiniHost.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

MiniHost::Counts MiniHost::counts;
bool MiniHost::failNew = false;
bool MiniHost::failLock = false;

namespace {

// A handle is a pointer to the block's master pointer, as hosts hand them out.
struct Block {
    char* master;
    std::vector<char> bytes;
};
std::map<HostHandle, std::unique_ptr<Block>>& Blocks() {
    static std::map<HostHandle, std::unique_ptr<Block>> blocks;
    return blocks;
}

HostHandle HOSTAPI NewHandle(int32_t size) {
    ++MiniHost::counts.news;
    if (MiniHost::failNew)
        return nullptr;
    auto block = std::make_unique<Block>();
    // Filled with garbage so that a field left unset shows.
    block->bytes.assign(static_cast<size_t>(size), char(0xA5));
    block->master = block->bytes.data();
    HostHandle handle = &block->master;
    Blocks()[handle] = std::move(block);
    return handle;
}
void HOSTAPI DisposeHandle(HostHandle handle) {
    ++MiniHost::counts.disposes;
    Blocks().erase(handle);
}
int32_t HOSTAPI GetSize(HostHandle handle) {
    return static_cast<int32_t>(Blocks().at(handle)->bytes.size());
}
OSErr HOSTAPI SetSize(HostHandle, int32_t) {
    return memFullErr;
}
char* HOSTAPI LockHandle(HostHandle handle, HostBoolean) {
    ++MiniHost::counts.locks;
    return MiniHost::failLock ? nullptr : *handle;
}
void HOSTAPI UnlockHandle(HostHandle) {
    ++MiniHost::counts.unlocks;
}
void HOSTAPI RecoverSpace(int32_t) {}

OSErr HOSTAPI AllocateBuffer(int32_t, BufferID* id) {
    *id = nullptr;
    return memFullErr;
}
char* HOSTAPI LockBuffer(BufferID, HostBoolean) {
    return nullptr;
}
void HOSTAPI UnlockBuffer(BufferID) {}
void HOSTAPI FreeBuffer(BufferID) {}
int32_t HOSTAPI BufferSpace() {
    return 1 << 20;
}

} // namespace

MiniHost::MiniHost() {
    counts = {};
    failNew = false;
    failLock = false;
    handleProcs = {kCurrentHandleProcsVersion,
                   kCurrentHandleProcsCount,
                   NewHandle,
                   DisposeHandle,
                   GetSize,
                   SetSize,
                   LockHandle,
                   UnlockHandle,
                   RecoverSpace};
    bufferProcs = {kCurrentBufferProcsVersion,
                   kCurrentBufferProcsCount,
                   AllocateBuffer,
                   LockBuffer,
                   UnlockBuffer,
                   FreeBuffer,
                   BufferSpace};
    record.handleProcs = &handleProcs;
    record.bufferProcs = &bufferProcs;
    record.hostSig = MakeOSType('8', 'B', 'I', 'M');
    record.canFinalize = 1;
}

MiniHost::~MiniHost() {
    Blocks().clear();
}

int16_t MiniHost::Call(int16_t selector, int16_t presetResult) {
    result = presetResult;
    ENTRYPOINT(selector, &record, &data, &result);
    return result;
}

void MiniHost::RemoveAllServices() {
    record.handleProcs = nullptr;
    record.bufferProcs = nullptr;
    record.descriptorParameters = nullptr;
    record.advanceState = nullptr;
    record.abortProc = nullptr;
    record.progressProc = nullptr;
    record.resourceProcs = nullptr;
    record.propertyProcs = nullptr;
    record.imageServicesProcs = nullptr;
    record.platformData = nullptr;
}

int MiniHost::LiveHandles() const {
    return static_cast<int>(Blocks().size());
}

std::string ReadLog() {
    std::ifstream file("QVL.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void ClearLog() {
    std::remove("QVL.log");
}
