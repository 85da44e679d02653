#include "platform/ProcessMemory.h"

#include <new>
#include <vector>

namespace qv {

namespace {
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
