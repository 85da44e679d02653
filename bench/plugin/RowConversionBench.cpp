// The row conversions against a memcpy of the same bytes, on the blocks a scan of a 36-inch
// sheet at 400 dpi gives: a line drawing in run-length bitmap, and colour rows split into
// planes the way strips go to the host, from blocks of 12 and 24 rows (the scanners' 512 KiB
// and 1 MiB reads).
#include "plugin/RowConversion.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace qv;

namespace {

constexpr int kPixels = 36 * 400;
constexpr int kBitmapRows = 600;

// A grid: 4-pixel lines every 200 pixels across and down, white between.
std::vector<uint8_t> LineDrawing() {
    std::vector<uint8_t> block;
    for (int y = 0; y < kBitmapRows; ++y) {
        int x = 0;
        while (x < kPixels) {
            const bool black = y % 200 < 4 || x % 200 < 4;
            int run = 0;
            while (x + run < kPixels && (y % 200 < 4 || (x + run) % 200 < 4) == black)
                ++run;
            x += run;
            for (; run > 0; run -= 127)
                block.push_back(static_cast<uint8_t>((black ? 0 : 0x80) | (run > 127 ? 127 : run)));
        }
        block.push_back(0);
    }
    return block;
}

void Decode(benchmark::State& state, int32_t ratio) {
    const std::vector<uint8_t> block = LineDrawing();
    // Room for the stretch by ratio 1, which doubles every row.
    std::vector<uint8_t> out(static_cast<size_t>((2 * kPixels + 7) / 8) * kBitmapRows);
    size_t length = 0;
    for (auto _ : state) {
        length = ratio ? DecodeRunLengthStretched(block.data(), block.size(), out.data(), out.size(), ratio)
                       : DecodeRunLength(block.data(), block.size(), out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(length) * state.iterations());
    state.counters["input_bytes"] = static_cast<double>(block.size());
}

void BM_DecodeLineDrawing(benchmark::State& state) {
    Decode(state, 0);
}
void BM_DecodeLineDrawingStretched(benchmark::State& state) {
    Decode(state, static_cast<int32_t>(state.range(0)));
}

void Memcpy(benchmark::State& state, size_t bytes) {
    std::vector<uint8_t> from(bytes, 7), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

// The plain decoder's output of the line drawing; the stretched one gives 1/39 or twice more.
void BM_MemcpyDecoded(benchmark::State& state) {
    Memcpy(state, static_cast<size_t>((kPixels + 7) / 8) * kBitmapRows);
}

// A block of `rows` colour rows taken apart into the three planes of one strip, as the
// transfer does: copy(block, strip) fills every plane. Counts the block's bytes.
template <typename Copy> void Planes(benchmark::State& state, Copy copy) {
    const size_t rows = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> block(3 * kPixels * rows);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 13);
    std::vector<uint8_t> strip(block.size());
    for (auto _ : state) {
        copy(block, strip);
        benchmark::DoNotOptimize(strip.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(block.size()) * state.iterations());
}

RowFormat RgbFormat() {
    RowFormat format;
    format.enumMode = kScanTypeRgb;
    format.imageMode = 3;
    format.iByteWidth = 3 * kPixels;
    format.iPixelWidth = kPixels;
    return format;
}

// All three planes of a row in one pass.
void BM_RgbRowsIntoPlanes(benchmark::State& state) {
    const RowFormat format = RgbFormat();
    Planes(state, [&](const std::vector<uint8_t>& block, std::vector<uint8_t>& strip) {
        const size_t plane = strip.size() / 3;
        for (size_t row = 0; row * kPixels < plane; ++row) {
            uint8_t* out[3] = {&strip[row * kPixels], &strip[plane + row * kPixels],
                               &strip[2 * plane + row * kPixels]};
            CopyStripRowPlanes(format, block.data(), block.size(), 0, static_cast<int32_t>(row), out, 3,
                               kPixels);
        }
    });
}

// The same bytes from the same block into the same strip.
void BM_MemcpyRgbPlanes(benchmark::State& state) {
    Planes(state, [](const std::vector<uint8_t>& block, std::vector<uint8_t>& strip) {
        std::memcpy(strip.data(), block.data(), strip.size());
    });
}

} // namespace

BENCHMARK(BM_MemcpyDecoded);
BENCHMARK(BM_DecodeLineDrawing);
BENCHMARK(BM_DecodeLineDrawingStretched)->Arg(39)->Arg(1);
BENCHMARK(BM_MemcpyRgbPlanes)->Arg(12)->Arg(24);
BENCHMARK(BM_RgbRowsIntoPlanes)->Arg(12)->Arg(24);
BENCHMARK_MAIN();
