// Movable process memory behind an opaque handle, for hosts without handle services.
#pragma once

#include <cstddef>

namespace qv {

// Zero-filled; nullptr when the memory is not there.
void* ProcessMemoryNew(size_t size);
void ProcessMemoryDispose(void* handle);
// nullptr for a null handle.
char* ProcessMemoryLock(void* handle);
void ProcessMemoryUnlock(void* handle);

} // namespace qv
