// The module's Windows face: attachment to the process. The dialog procedure `UIProc` is the
// dialog window's adapter.
// Kept free of platform headers; the signatures are the system's own.
#include "platform/ModuleStrings.h"

#include <cstdint>

extern "C" __stdcall int DllMain(void* instance, unsigned long reason, void*) {
    constexpr unsigned long kProcessAttach = 1;
    if (reason == kProcessAttach)
        qv::SetModuleInstance(instance);
    return 1;
}
