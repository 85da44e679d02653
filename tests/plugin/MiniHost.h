// A small host for driving the entry: handle services that count what they are asked,
// buffer services with version and count knobs, and a record that can be emptied to
// play a hostile host.
#pragma once

#include "plugin/HostInterface.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class MiniHost {
  public:
    MiniHost();
    ~MiniHost();

    AcquireRecord record{};
    HandleProcs handleProcs{};
    BufferProcs bufferProcs{};
    intptr_t data = 0;
    int16_t result = 0;

    // Counters of the handle services of the current host.
    struct Counts {
        int news = 0;
        int disposes = 0;
        int locks = 0;
        int unlocks = 0;
    };
    static Counts counts;
    // Knobs: refuse new, or lock, from the next call on.
    static bool failNew;
    static bool failLock;

    // Calls the entry with this host's record, its handle word and its result word.
    int16_t Call(int16_t selector, int16_t presetResult = 0);
    // Every service table gone.
    void RemoveAllServices();
    int LiveHandles() const;
};

// Reads the log file the module writes in the current directory.
std::string ReadLog();
void ClearLog();
