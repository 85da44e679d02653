#include "scanner/ReadRing.h"

#include <cstdlib>
#include <cstring>
#include <limits>

uint8_t* blockBuffer[kRingSlots] = {};
int32_t blockStatus[kRingSlots] = {};
int32_t blockReceived[kRingSlots] = {};
uint8_t* spareBuffer = nullptr;
int32_t g_iBufferSize = 0;

namespace {

bool tried = false;
RingAllocate allocate = std::malloc;
RingRelease release = std::free;

uint8_t* Take(uint64_t size) {
    // A device's block size is not trusted to fit the address space.
    if (size > std::numeric_limits<size_t>::max())
        return nullptr;
    auto* block = static_cast<uint8_t*>(allocate(static_cast<size_t>(size)));
    // Touched at once: the ring's memory is the module's from the start, rather than growing
    // with the slots a scan happens to fill.
    if (block)
        std::memset(block, 0, static_cast<size_t>(size));
    return block;
}

void Give(uint8_t*& block) {
    if (block)
        release(block);
    block = nullptr;
}

void GiveAll() {
    for (uint8_t*& slot : blockBuffer)
        Give(slot);
    Give(spareBuffer);
}

} // namespace

bool ReadRingTried() {
    return tried;
}

int AllocateReadRing(uint32_t bufferSize) {
    if (tried)
        return blockBuffer[0] ? kRingBlocks : 0;
    tried = true;
    g_iBufferSize = static_cast<int32_t>(bufferSize);
    int obtained = 0;
    for (int slot = 0; slot < kRingSlots; ++slot) {
        blockBuffer[slot] = Take(uint64_t{bufferSize} * 11 / 10);
        blockStatus[slot] = 0;
        blockReceived[slot] = 0;
        obtained += blockBuffer[slot] != nullptr;
    }
    spareBuffer = Take(kSpareBufferSize);
    obtained += spareBuffer != nullptr;
    if (obtained < kRingBlocks)
        GiveAll();
    return obtained;
}

void ReleaseReadRing() {
    GiveAll();
    tried = false;
}

void SetRingAllocator(RingAllocate allocateWith, RingRelease releaseWith) {
    allocate = allocateWith ? allocateWith : std::malloc;
    release = releaseWith ? releaseWith : std::free;
}
