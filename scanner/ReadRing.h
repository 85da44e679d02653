// The import pipeline's ring of read buffers: ten slots of the scanner's block size plus a
// tenth, and one spare megabyte. Allocated once, the first time a scanner is open in the
// loaded module, and kept until the module goes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kRingSlots = 10;
// The ten slots and the spare.
constexpr int kRingBlocks = kRingSlots + 1;
constexpr size_t kSpareBufferSize = 0x100000;

extern uint8_t* blockBuffer[kRingSlots];
// Written by the reader before it counts the slot as filled.
extern int32_t blockStatus[kRingSlots];
extern int32_t blockReceived[kRingSlots];
// Read by nothing: kept as a reserve the host cannot take.
extern uint8_t* spareBuffer;
// Bytes per read from the scanner, as it reported them when the ring was made.
extern int32_t g_iBufferSize;

// Whether the allocation has been tried in this loaded module.
bool ReadRingTried();
// Allocates the eleven blocks for `bufferSize` byte reads, unless tried before. Answers how
// many of the eleven it obtained; below kRingBlocks it has given every one back and the
// pointers are empty. Tried either way.
int AllocateReadRing(uint32_t bufferSize);
// Gives the ring back; the next allocation is tried anew.
void ReleaseReadRing();

// The ring's memory, for tests that make it run short.
using RingAllocate = void* (*)(size_t size);
using RingRelease = void (*)(void* block);
// nullptr for either returns to the heap.
void SetRingAllocator(RingAllocate allocate, RingRelease release);
