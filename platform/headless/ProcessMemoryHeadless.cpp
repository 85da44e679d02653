#include "platform/ProcessMemory.h"

#include <new>
#include <vector>

namespace qv {

namespace {

// Like global memory on Windows, a block nobody disposes of stays until the process
// ends; it is not tracked here, so a leak checker still sees a block that was forgotten.
struct MemoryBlock {
    std::vector<char> bytes;
};

} // namespace

void* ProcessMemoryNew(size_t size) {
    auto* block = new (std::nothrow) MemoryBlock;
    if (!block)
        return nullptr;
    try {
        block->bytes.assign(size ? size : 1, 0);
    } catch (const std::bad_alloc&) {
        delete block;
        return nullptr;
    }
    return block;
}

void ProcessMemoryDispose(void* handle) {
    delete static_cast<MemoryBlock*>(handle);
}

char* ProcessMemoryLock(void* handle) {
    return handle ? static_cast<MemoryBlock*>(handle)->bytes.data() : nullptr;
}

void ProcessMemoryUnlock(void*) {}

} // namespace qv
