// A small scripted import module for driving the host without the real one: it records
// every call, and scans images of a configurable geometry through the host's services.
// Faults are switched on per test.
#pragma once

#include "plugin/HostInterface.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fake {

struct Config {
    int images = 1; // finish asks for another image until this many were scanned
    int16_t rows = 10;
    int16_t cols = 12;
    int16_t mode = plugInModeGrayScale;
    int16_t depth = 8;
    int16_t planes = 1;
    Fixed res = 300 << 16;
    int stripRows = 4;
    bool wantFinalize = true;
    OSErr prepareResult = noErr;
    OSErr startResult = noErr;
    OSErr continueResult = noErr;
    bool useHandle = true;     // keeps a small record in the host's handle, as a module does
    int32_t extraRowBytes = 0; // claims longer rows than the buffer holds
    int16_t rectShift = 0;     // moves every strip down
    bool leakBuffer = false;
    bool skipLock = false;      // hands over memory of a buffer it never locked
    bool pieceByRecord = false; // returns strips through the record, one per continue call
    bool bandOrder = false;     // every plane of a band before the next band, as a module streams
    int stopAfterRows = -1;     // rows of each plane sent before the image ends quietly
    std::function<void(int16_t selector, AcquireRecord*)> hook; // runs first on every call
};

struct Seen {
    int16_t selector;
    int16_t resultOnEntry;
    bool hadBufferProcs;
};

Config& config();
std::vector<Seen>& seen();
std::vector<int16_t> selectors();
OSErr lastAdvanceResult();
void Reset();

// The pixel the fake module writes at (plane, row, col); for bitmap, the byte at column byte col.
uint8_t Pixel(int plane, int row, int col);

void Entry(int16_t selector, void* stuff, intptr_t* data, int16_t* result);

} // namespace fake
