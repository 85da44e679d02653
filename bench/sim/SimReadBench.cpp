// Image-read throughput of the simulated scanner against a plain copy of the same size:
// the device must outpace the pipeline it feeds.
#include "sim/Pages.h"
#include "sim/SimulatedLibrary.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace qv::sim;

namespace {

constexpr int32_t kBlock = 1 << 20;

std::vector<uint8_t> WindowBlock(const Profile& p, bool rgb, uint32_t dpi, uint32_t width, uint32_t height) {
    std::vector<uint8_t> b(static_cast<size_t>(p.windowLength), 0);
    b[7] = static_cast<uint8_t>(b.size() - 8);
    PutBe16(&b[10], dpi);
    PutBe16(&b[12], dpi);
    PutBe32(&b[22], width);
    PutBe32(&b[26], height);
    b[33] = rgb ? 5 : 2;
    b[34] = rgb ? 24 : 8;
    return b;
}

SheetPtr Noise(int w, int h, int dpi) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    uint32_t state = 1;
    for (auto& v : rgb) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<uint8_t>(state >> 24);
    }
    return MakeImageSheet(w, h, dpi, std::move(rgb));
}

// One device scanning a 40-inch wide sheet at `dpi`; reads 1 MiB blocks, restarting
// the scan at the end of the sheet.
void ReadBlocks(benchmark::State& state, SheetPtr sheet, bool rgb, uint32_t dpi) {
    DeviceSetup d;
    d.profile = BuiltInProfile("gen5-color-54");
    d.loadPolls = d.movePolls = 0;
    d.sheets.push_back({sheet, false, 0, false});
    Scenario scenario;
    scenario.devices.push_back(d);
    SimulatedLibrary lib(scenario);
    uint32_t h = 0, reserved = 0;
    lib.scanOpenLib();
    lib.scanGetNextScanner(&h, &reserved, 1);
    lib.scanOpenScanner(h);
    auto window = WindowBlock(d.profile, rgb, dpi, 40 * 1200, 1200 * 1200 / 12);
    lib.scanSetWindow(h, window.data(), static_cast<int32_t>(window.size()));
    lib.scanObjectPosition(h, 1, 0);
    lib.scanTestUnitReady(h);
    lib.scanObjectPosition(h, 2, 0);
    lib.scanTestUnitReady(h);
    uint8_t list[1] = {};
    if (lib.scanScan(h, list, 1) != 0) {
        state.SkipWithError("scan refused");
        return;
    }
    std::vector<uint8_t> buffer(kBlock);
    int64_t bytes = 0;
    for (auto _ : state) {
        int32_t got = 0;
        if (lib.scanRead(h, buffer.data(), kBlock, 0, 0, &got) != 0)
            lib.scanScan(h, list, 1);
        bytes += got;
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(bytes);
}

SheetPtr Ramp() {
    std::string error;
    return MakeChart("gray-ramp", 40, 100, 300, error);
}

void BM_ReadGrayChart(benchmark::State& state) {
    ReadBlocks(state, Ramp(), false, static_cast<uint32_t>(state.range(0)));
}
void BM_ReadRgbChart(benchmark::State& state) {
    ReadBlocks(state, Ramp(), true, static_cast<uint32_t>(state.range(0)));
}
void BM_ReadGrayPhoto(benchmark::State& state) {
    ReadBlocks(state, Noise(12000, 600, 300), false, static_cast<uint32_t>(state.range(0)));
}
void BM_ReadRgbPhoto(benchmark::State& state) {
    ReadBlocks(state, Noise(12000, 600, 300), true, static_cast<uint32_t>(state.range(0)));
}

void BM_MemcpyBaseline(benchmark::State& state) {
    std::vector<uint8_t> from(kBlock, 7), to(kBlock);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kBlock);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t{kBlock} * state.iterations());
}

} // namespace

BENCHMARK(BM_MemcpyBaseline);
BENCHMARK(BM_ReadGrayChart)->Arg(300)->Arg(600);
BENCHMARK(BM_ReadRgbChart)->Arg(300)->Arg(600);
BENCHMARK(BM_ReadGrayPhoto)->Arg(300)->Arg(600);
BENCHMARK(BM_ReadRgbPhoto)->Arg(300)->Arg(600);
BENCHMARK_MAIN();
