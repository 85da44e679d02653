// The module's Windows face: attachment to the process and the dialog procedure.
// Kept free of platform headers; the signatures are the system's own.
#include "platform/ModuleStrings.h"

#include <cstdint>

extern "C" __stdcall int DllMain(void* instance, unsigned long reason, void*) {
    constexpr unsigned long kProcessAttach = 1;
    if (reason == kProcessAttach)
        qv::SetModuleInstance(instance);
    return 1;
}

// The settings dialog's procedure. The dialog has not been built yet, so it leaves every
// message to the system.
extern "C" __stdcall intptr_t UIProc(void*, unsigned, uintptr_t, intptr_t) {
    return 0;
}
