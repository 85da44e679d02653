// Hosts that declare the entry with the stdcall convention leave its 16 bytes of
// arguments on the stack after each call. This file keeps its frame pointer, as such a
// host does, and drives the entry that way.
#include "MiniHost.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using StdcallEntry = void(__stdcall*)(int16_t, void*, intptr_t*, int16_t*);

__attribute__((noinline)) int16_t CallAsStdcall(StdcallEntry entry, int16_t selector, MiniHost& host) {
    volatile uint32_t guard = 0xC0FFEE;
    host.result = 55;
    entry(selector, &host.record, &host.data, &host.result);
    return guard == 0xC0FFEE ? host.result : int16_t(-1);
}

// The entry linked into this program, and the module's as the host finds it.
TEST(StdcallHost, EntrySurvivesRepeatedCalls) {
    HMODULE module = LoadLibraryA("Quorvel.8ba");
    ASSERT_NE(module, nullptr);
    const auto exported = GetProcAddress(module, "ENTRYPOINT");
    ASSERT_NE(exported, nullptr);
    for (auto entry : {reinterpret_cast<StdcallEntry>(reinterpret_cast<void*>(&ENTRYPOINT)),
                       reinterpret_cast<StdcallEntry>(reinterpret_cast<void*>(exported))}) {
        MiniHost host;
        for (int i = 0; i < 200; ++i) {
            ASSERT_EQ(CallAsStdcall(entry, 7, host), acquireBadParameters);
            ASSERT_EQ(CallAsStdcall(entry, acquireSelectorFinalize, host), userCanceledErr);
        }
        EXPECT_EQ(MiniHost::counts.news, 1);
        EXPECT_EQ(MiniHost::counts.locks, MiniHost::counts.unlocks);
    }
    FreeLibrary(module);
}

} // namespace
