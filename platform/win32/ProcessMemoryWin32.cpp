#include "platform/ProcessMemory.h"

#include <windows.h>

namespace qv {

void* ProcessMemoryNew(size_t size) {
    return GlobalAlloc(GHND, size);
}

void ProcessMemoryDispose(void* handle) {
    if (handle)
        GlobalFree(static_cast<HGLOBAL>(handle));
}

char* ProcessMemoryLock(void* handle) {
    return handle ? static_cast<char*>(GlobalLock(static_cast<HGLOBAL>(handle))) : nullptr;
}

void ProcessMemoryUnlock(void* handle) {
    if (handle)
        GlobalUnlock(static_cast<HGLOBAL>(handle));
}

} // namespace qv
