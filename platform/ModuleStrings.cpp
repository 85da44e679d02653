#include "platform/ModuleStrings.h"

#include <atomic>

namespace qv {

namespace {
std::atomic<void*> moduleInstance{nullptr};
}

void SetModuleInstance(void* instance) {
    moduleInstance.store(instance);
}

void* GetModuleInstance() {
    return moduleInstance.load();
}

} // namespace qv
