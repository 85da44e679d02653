// The import pipeline: the second half of the start phase (the image's geometry) and the
// transfer, in which a reader thread fills the ring of read buffers while the host's thread
// turns block after block into strips for the host.
#pragma once

#include "plugin/Globals.h"

#include <atomic>
#include <cstdint>

void DoStartGeometry(Globals* globals);
void DoContinue(Globals* globals);
// Ends a running reader and waits for it: the finish phase, and every exit of the transfer.
void StopReader();

// Set when the reader thread has ended or must end; no reader runs before the first transfer.
extern std::atomic<bool> readerStop;
// Blocks read and not yet released by the transfer. The reader counts a slot after writing
// it (release); the transfer reads the count before the slot (acquire).
extern std::atomic<int32_t> filledBlocks;
// Bytes asked for per read.
extern int32_t blockSize;

// Strip buffers from the host's buffer services: the rows obtained and the buffer, or the
// host's code (memFullErr when not even the minimum fits).
OSErr AllocateStripBuffer(const AcquireRecord* stuff, int32_t rowBytes, int32_t minimumRows,
                          int32_t maximumRows, int32_t* rowsObtained, BufferID* buffer);
// One strip to the host through advanceState; the host's code.
OSErr StoreData(AcquireRecord* stuff, void* strip, const HostRect& rect, int16_t loPlane, int16_t hiPlane,
                int32_t rowBytes, int16_t colBytes, int32_t planeBytes);
