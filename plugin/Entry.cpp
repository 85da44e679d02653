#include "dialog/AboutBox.h"
#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "plugin/Globals.h"
#include "plugin/HostUtilities.h"
#include "plugin/Module.h"
#include "plugin/Pipeline.h"
#include "plugin/Scripting.h"
#include "plugin/SettingsDialogPhase.h"

#include <cstring>

using qv::LogText;

std::atomic<int32_t> activeSelector{0};
std::atomic<int32_t> lastScanResult{0};

namespace {

void Alert(const char* text, const char* caption) {
    qv::ReportFailure(nullptr, text, caption);
}

// Takes the record out of the host's handle, creating it on the first call.
Globals* ObtainGlobals(AcquireRecord* stuff, intptr_t* data, int16_t* result) {
    if (*data != 0) {
        auto* globals =
            reinterpret_cast<Globals*>(HostLockHandle(stuff, reinterpret_cast<HostHandle>(*data), true));
        if (globals) {
            globals->result = result;
            globals->gStuff = stuff;
            *result = noErr;
        }
        return globals;
    }
    HostHandle handle = HostNewHandle(stuff, sizeof(Globals));
    if (!handle)
        return nullptr;
    auto* globals = reinterpret_cast<Globals*>(HostLockHandle(stuff, handle, true));
    if (!globals) {
        HostDisposeHandle(stuff, handle);
        return nullptr;
    }
    *data = reinterpret_cast<intptr_t>(handle);
    // The host's memory may hold anything; no field is left to chance.
    std::memset(static_cast<void*>(globals), 0, sizeof(Globals));
    globals->result = result;
    globals->gStuff = stuff;
    *result = noErr;
    InitializeGlobals(globals);
    return globals;
}

} // namespace

bool TakesTransparency(uint32_t hostVersion) {
    return (hostVersion & 0x04000100u) != 0 || (hostVersion & 0x05000100u) != 0;
}

bool HostTakesTransparency() {
    return TakesTransparency(HostVersion(MakeOSType('8', 'B', 'I', 'M')));
}

void InitializeGlobals(Globals* globals) {
    globals->queryForParameters = true;
    globals->needDefaults = true;
    ApplyDefaults(globals);
}

void ApplyDefaults(Globals* globals) {
    if (!globals->needDefaults)
        return;
    globals->dialogWindow = nullptr;
    globals->importCount = 0;
    globals->gLastRows = 300;
    globals->gLastCols = 300;
    globals->gLastMode = plugInModeGrayScale;
    globals->lastInvert = false;
    globals->lastAlphaIsTransparency = false;
    globals->hostTakesTransparency = HostTakesTransparency();
    globals->gContinueImport = false;
    globals->remainingImports = 0;
    globals->readToken = nullptr;
    for (PIDescriptorHandle& descriptor : globals->importDescriptors)
        descriptor = nullptr;
    globals->gDPI = 300;
    globals->needDefaults = false;
}

void DoPrepare(Globals* globals) {
    AcquireRecord* stuff = globals->gStuff;
    activeSelector = 1;
    LogText("DoPrepare");
    stuff->maxData = 0;
    if (!WarnBufferProcsAvailable(stuff))
        *globals->result = userCanceledErr;
    stuff->wantFinalize = 1;
    ApplyDefaults(globals);
    ReadScriptParams(globals);
}

void DoStart(Globals* globals) {
    AcquireRecord* stuff = globals->gStuff;
    activeSelector = 2;
    LogText("DoStart");
    if (!WarnBufferProcsAvailable(stuff)) {
        *globals->result = userCanceledErr;
        Alert("No WarnBufferProcsAvailable", "DoStart");
        return;
    }
    globals->gContinueImport = false;
    stuff->acquireAgain = 0;
    ApplyDefaults(globals);
    ReadNextImport(globals);

    if (globals->queryForParameters) {
        if (!CreateSettingsDialog(globals)) {
            globals->queryForParameters = false;
            EndScriptRead(globals);
            *globals->result = memFullErr;
            Alert("memFullErr", "DoStart");
            return;
        }
        if (!RunSettingsDialog(globals)) {
            globals->queryForParameters = false;
            DestroySettingsDialog(globals);
            EndScriptRead(globals);
            *globals->result = userCanceledErr;
            return;
        }
        LogText("gContinueImport == true");
        globals->gContinueImport = true;
        LogText("test 1");
        if (!stuff->canFinalize) {
            globals->queryForParameters = false;
            DestroySettingsDialog(globals);
            EndScriptRead(globals);
            Alert("not gStuff->canFinalize", "DoStart");
        }
        LogText("test 2");
    }
    DoStartGeometry(globals);
}

void DoFinish(Globals* globals) {
    AcquireRecord* stuff = globals->gStuff;
    if (activeSelector != 3) {
        const char* text = "Scanning not performed.\n\nScratchDisk probably too small.";
        if (globals->gLastRows + globals->gLastCols > 5)
            Alert(text, "Error");
    }
    activeSelector = 4;
    LogText("DoFinish");
    // A reader still running is told to stop and waited for, so it lets go of the device.
    StopReader();
    stuff->acquireAgain = globals->gContinueImport ? 1 : 0;
    RecordImportInfo(globals);
    if (!stuff->canFinalize)
        WriteScriptParams(globals);
    m_Scanner.MovePaperToStart();
    LogText("DoFinish Done");
}

void DoFinalize(Globals* globals) {
    globals->queryForParameters = false;
    DestroySettingsDialog(globals);
    WriteScriptParams(globals);
    *globals->result = userCanceledErr;
}

extern "C" void HOSTAPI ENTRYPOINT(int16_t selector, void* stuff, intptr_t* data, int16_t* result) {
    LogText("ENTRYPOINT START");
    // A host that gives no result word still gets a well-defined run.
    int16_t spare = noErr;
    if (!result)
        result = &spare;

    if (selector == acquireSelectorAbout) {
        *result = noErr;
        ShowAboutBox(static_cast<const AboutRecord*>(stuff));
        LogText("ENTRYPOINT STOP");
        return;
    }
    // Without a record or a place for its handle no phase can run.
    if (!stuff || !data) {
        LogText("ENTRYPOINT - BadParameters");
        *result = acquireBadParameters;
        LogText("ENTRYPOINT STOP");
        return;
    }

    auto* record = static_cast<AcquireRecord*>(stuff);
    Globals* globals = ObtainGlobals(record, data, result);
    if (!globals) {
        *result = memFullErr;
        Alert("memFullErr\nglobalPtr == NULL", "DoStart");
        return;
    }

    switch (selector) {
    case acquireSelectorStart:
        LogText("ENTRYPOINT - DoStart");
        DoStart(globals);
        break;
    case acquireSelectorContinue:
        LogText("ENTRYPOINT - DoContinue");
        DoContinue(globals);
        break;
    case acquireSelectorFinish:
        LogText("ENTRYPOINT - DoFinish");
        DoFinish(globals);
        break;
    case acquireSelectorPrepare:
        LogText("ENTRYPOINT - DoPrepare");
        DoPrepare(globals);
        break;
    case acquireSelectorFinalize:
        LogText("ENTRYPOINT - DoFinalize");
        DoFinalize(globals);
        break;
    default:
        LogText("ENTRYPOINT - BadParameters");
        *result = acquireBadParameters;
        break;
    }

    // The spare word dies with this call; nothing may write through it later.
    if (globals->result == &spare)
        globals->result = nullptr;
    if (*data != 0)
        HostUnlockHandle(record, reinterpret_cast<HostHandle>(*data));
    LogText("ENTRYPOINT STOP");
}
