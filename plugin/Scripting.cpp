#include "plugin/Scripting.h"

#include "plugin/HostUtilities.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr OSErr coercedParamErr = 2;
constexpr double kMinPixels = 1.0;
constexpr double kMaxPixels = 30000.0;

PIDescriptorParameters* Services(const Globals* globals) {
    const AcquireRecord* stuff = globals->gStuff;
    return DescriptorParametersAvailable(stuff) ? stuff->descriptorParameters : nullptr;
}

// Modes 0 to 2 by their codes; any other mode is recorded as RGB, any other code plays as RGB.
constexpr DescriptorEnumID kModeCodes[] = {enumBitmap, enumGrayscale, enumIndexedColor};

DescriptorEnumID ModeCode(int16_t mode) {
    return mode >= 0 && mode < 3 ? kModeCodes[mode] : enumRGBColor;
}

int16_t ModeOfCode(DescriptorEnumID code) {
    for (int16_t mode = 0; mode < 3; ++mode)
        if (kModeCodes[mode] == code)
            return mode;
    return plugInModeRGBColor;
}

// -1715 only says that a listed key was not in the entry.
void ReportClose(Globals* globals, OSErr code) {
    if (code != noErr && code != errMissingParameter && globals->result)
        *globals->result = code;
}

void ReadPixels(const ReadDescriptorProcs* read, PIReadDescriptor token, int16_t& pixels) {
    DescriptorUnitID unit = unitPixels;
    double value = 0;
    const OSErr error = read->getPinnedUnitFloatProc(token, &kMinPixels, &kMaxPixels, &unit, &value);
    if ((error != noErr && error != coercedParamErr) || std::isnan(value))
        return;
    // A host may only report a value outside the range; the field holds 16 bits.
    pixels = static_cast<int16_t>(std::clamp(value, kMinPixels, kMaxPixels));
}

void ReadFlag(const ReadDescriptorProcs* read, PIReadDescriptor token, bool& flag) {
    HostBoolean value = 0;
    if (read->getBooleanProc(token, &value) == noErr)
        flag = value != 0;
}

void ReadEntry(Globals* globals, const ReadDescriptorProcs* read, PIReadDescriptor token) {
    DescriptorKeyID key = 0;
    DescriptorTypeID type = 0;
    int32_t flags = 0;
    while (read->getKeyProc(token, &key, &type, &flags)) {
        switch (key) {
        case keyRows:
            ReadPixels(read, token, globals->gLastRows);
            break;
        case keyColumns:
            ReadPixels(read, token, globals->gLastCols);
            break;
        case keyMode: {
            DescriptorEnumID code = enumRGBColor;
            if (read->getEnumeratedProc(token, &code) != noErr)
                code = enumRGBColor;
            globals->gLastMode = ModeOfCode(code);
            break;
        }
        case keyInvert:
            ReadFlag(read, token, globals->lastInvert);
            break;
        case keyAlphaIsTransparency:
            ReadFlag(read, token, globals->lastAlphaIsTransparency);
            break;
        default:
            break;
        }
    }
}

} // namespace

void ReadScriptParams(Globals* globals) {
    PIDescriptorParameters* params = Services(globals);
    if (!params)
        return;
    // Prepare comes before every image: a list being played goes on. A prepare that failed
    // gets no start, which would be the one to close it.
    const bool failed = globals->result && *globals->result != noErr;
    if (!globals->readToken && params->descriptor && !failed) {
        const ReadDescriptorProcs* read = params->readDescriptorProcs;
        globals->remainingImports = 0;
        globals->readToken = read->openReadDescriptorProc(params->descriptor, nullptr);
        DescriptorKeyID key = 0;
        DescriptorTypeID type = 0;
        int32_t flags = 0;
        while (globals->readToken && read->getKeyProc(globals->readToken, &key, &type, &flags)) {
            if (key != keyImportList)
                continue;
            uint32_t count = 0;
            if (read->getCountProc(globals->readToken, &count) == noErr)
                globals->remainingImports = count;
            break;
        }
    }
    globals->queryForParameters = params->playInfo == plugInDialogDisplay;
}

void ReadNextImport(Globals* globals) {
    PIDescriptorParameters* params = Services(globals);
    if (!params || !globals->readToken)
        return;
    const ReadDescriptorProcs* read = params->readDescriptorProcs;
    if (globals->remainingImports > 0) {
        globals->lastInvert = false;
        DescriptorTypeID type = classImportInfo;
        PIDescriptorHandle entry = nullptr;
        if (read->getObjectProc(globals->readToken, &type, &entry) == noErr && entry) {
            DescriptorKeyID keys[] = {keyRows, keyColumns, keyMode, 0};
            if (PIReadDescriptor token = read->openReadDescriptorProc(entry, keys)) {
                ReadEntry(globals, read, token);
                ReportClose(globals, read->closeReadDescriptorProc(token));
            }
            // Also when the entry could not be opened: the handle is ours now.
            HostDisposeHandle(globals->gStuff, entry);
            globals->gContinueImport = true;
            --globals->remainingImports;
        } else {
            // The count promised more entries than the list holds.
            globals->remainingImports = 0;
        }
    }
    if (globals->remainingImports == 0)
        EndScriptRead(globals);
}

void EndScriptRead(Globals* globals) {
    PIDescriptorParameters* params = Services(globals);
    if (!params)
        return;
    if (globals->readToken) {
        const OSErr closed = params->readDescriptorProcs->closeReadDescriptorProc(globals->readToken);
        globals->readToken = nullptr;
        HostDisposeHandle(globals->gStuff, params->descriptor);
        params->descriptor = nullptr;
        ReportClose(globals, closed);
    }
    globals->remainingImports = 0;
    globals->gContinueImport = false;
}

void RecordImportInfo(Globals* globals) {
    PIDescriptorParameters* params = Services(globals);
    if (!params)
        return;
    const WriteDescriptorProcs* write = params->writeDescriptorProcs;
    PIWriteDescriptor token = write->openWriteDescriptorProc();
    if (!token)
        return;
    const double rows = globals->gLastRows;
    const double cols = globals->gLastCols;
    write->putUnitFloatProc(token, keyRows, unitPixels, &rows);
    write->putUnitFloatProc(token, keyColumns, unitPixels, &cols);
    write->putEnumeratedProc(token, keyMode, typeColorMode, ModeCode(globals->gLastMode));
    if (globals->lastInvert)
        write->putBooleanProc(token, keyInvert, 1);
    if (globals->lastAlphaIsTransparency)
        write->putBooleanProc(token, keyAlphaIsTransparency, 1);
    PIDescriptorHandle entry = nullptr;
    if (write->closeWriteDescriptorProc(token, &entry) != noErr || !entry)
        return;
    int16_t& count = globals->importCount;
    count = std::clamp<int16_t>(count, 0, kMaxImportDescriptors);
    if (count == kMaxImportDescriptors) {
        --count;
        HostDisposeHandle(globals->gStuff, globals->importDescriptors[count]);
    }
    globals->importDescriptors[count++] = entry;
}

void WriteScriptParams(Globals* globals) {
    PIDescriptorParameters* params = Services(globals);
    if (!params)
        return;
    // The played list is the host's descriptor until its read ends; the read ends before
    // that descriptor is replaced, and at the latest when the series is over.
    if (globals->readToken)
        EndScriptRead(globals);
    const int16_t count = std::clamp<int16_t>(globals->importCount, 0, kMaxImportDescriptors);
    if (count == 0)
        return;
    const WriteDescriptorProcs* write = params->writeDescriptorProcs;
    PIWriteDescriptor token = write->openWriteDescriptorProc();
    if (!token)
        return;
    write->putCountProc(token, keyImportList, static_cast<uint32_t>(count));
    for (int16_t i = 0; i < count; ++i) {
        PIDescriptorHandle& entry = globals->importDescriptors[i];
        if (entry)
            write->putObjectProc(token, keyImportList, classImportInfo, entry);
        // The host copies what it is given; an entry it refused is lost with the count reset.
        HostDisposeHandle(globals->gStuff, entry);
        entry = nullptr;
    }
    globals->importCount = 0;
    HostDisposeHandle(globals->gStuff, params->descriptor);
    PIDescriptorHandle list = nullptr;
    write->closeWriteDescriptorProc(token, &list);
    params->descriptor = list;
    params->recordInfo = 0;
}
