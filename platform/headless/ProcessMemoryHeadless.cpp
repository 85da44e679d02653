#include "platform/ProcessMemory.h"

#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace qv {

namespace {

struct MemoryBlock {
    std::vector<char> bytes;
};

// Blocks stay owned here until disposed of, so that a record a host never gives back
// is released with the process instead of being lost.
struct Blocks {
    std::mutex mutex;
    std::map<void*, std::unique_ptr<MemoryBlock>> live;
};

Blocks& AllBlocks() {
    static Blocks blocks;
    return blocks;
}

} // namespace

void* ProcessMemoryNew(size_t size) {
    auto block = std::unique_ptr<MemoryBlock>(new (std::nothrow) MemoryBlock);
    if (!block)
        return nullptr;
    try {
        block->bytes.assign(size ? size : 1, 0);
        std::lock_guard<std::mutex> lock(AllBlocks().mutex);
        void* handle = block.get();
        AllBlocks().live[handle] = std::move(block);
        return handle;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void ProcessMemoryDispose(void* handle) {
    std::lock_guard<std::mutex> lock(AllBlocks().mutex);
    AllBlocks().live.erase(handle);
}

char* ProcessMemoryLock(void* handle) {
    return handle ? static_cast<MemoryBlock*>(handle)->bytes.data() : nullptr;
}

void ProcessMemoryUnlock(void*) {}

} // namespace qv
