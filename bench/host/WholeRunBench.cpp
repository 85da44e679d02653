// Whole sheets through the test host, the module with its dialog played by a user, and the
// simulated scanner, in one process; documents are checked and discarded. The time counted is
// that of the host's start and continue calls: the dialog, the scan's preparation (its pauses
// cost nothing here, as the scanner clock does not wait), every read and every strip.
#include "dialog/ControlTable.h"
#include "host/Host.h"
#include "host/ScanCommand.h"
#include "host/UserScript.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/ScannerLibrary.h"
#include "platform/SettingsLocation.h"
#include "scanner/ReadRing.h"
#include "sim/SimulatedLibrary.h"
#include "tests/scanner/FakeClock.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Sheet {
    const char* mode;
    int dpi;
    double width, height; // inches
    double throughput;    // bytes per second of the device, 0 unthrottled
};

struct Run {
    uint64_t bytes = 0; // document bytes
    double seconds = 0; // start and continue calls
    double cpuSeconds = 0;
    bool complete = false;
};

double CpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

Run ScanSheet(const Sheet& sheet, const fs::path& folder) {
    ReleaseReadRing();
    std::string text = "[device]\nprofile = gen5-color-54\nthroughput = " + std::to_string(sheet.throughput) +
                       "\n[sheet]\nchart = color-bars\nwidth = " + std::to_string(sheet.width) +
                       "\nheight = " + std::to_string(sheet.height) + "\ndpi = 100\nscans = 1\n";
    qv::sim::Scenario scenario;
    std::string error;
    if (!qv::sim::ParseScenario(text, scenario, error))
        return {};
    qv::sim::SimulatedLibrary library(scenario);
    qv::SetScannerLibrary(&library);
    qv::test::FakeClock clock;
    qv::SetScannerClock(&clock);
    qv::SetSettingsFolder(folder.string());

    qv::host::ScanSettings settings;
    settings.mode = sheet.mode;
    settings.resolution = std::to_string(sheet.dpi);
    settings.area = "0,0," + std::to_string(sheet.width) + "," + std::to_string(sheet.height);
    std::vector<qv::host::UserEvent> events;
    if (!qv::host::CompileScan(settings, {}, events, error))
        return {};
    qv::host::ScriptPlayer player(std::move(events), qv::SettingsDialogLayout(), [](const std::string&) {});
    qv::SetUserEventSource(&player);
    qv::SetMessageBoxSink([](const qv::MessageBoxRecord&) { return qv::kMessageBoxOk; });

    Run run;
    qv::host::HostOptions options;
    options.discard = true;
    {
        qv::host::Host host(&ENTRYPOINT, options);
        host.SetEntryCaller(
            [&run](qv::host::EntryFn entry, int16_t selector, void* stuff, intptr_t* data, int16_t* result) {
                const bool timed = selector == acquireSelectorStart || selector == acquireSelectorContinue;
                const auto start = std::chrono::steady_clock::now();
                const double cpu = timed ? CpuSeconds() : 0;
                entry(selector, stuff, data, result);
                if (timed) {
                    run.seconds +=
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                    run.cpuSeconds += CpuSeconds() - cpu;
                }
            });
        host.RunSeries();
        host.End();
        if (host.Passed() && host.images().size() == 1) {
            const qv::host::ImageRecord& image = host.images()[0];
            run.bytes = image.bytes;
            run.complete = !image.failed && image.rowsDelivered == image.rows;
        }
    }
    qv::SetUserEventSource(nullptr);
    qv::SetMessageBoxSink(nullptr);
    qv::SetScannerClock(nullptr);
    qv::SetScannerLibrary(nullptr);
    return run;
}

fs::path Folder() {
    const fs::path folder = fs::temp_directory_path() / ("qv-whole-run-" + std::to_string(getpid()));
    fs::create_directories(folder);
    return folder;
}

void Scan(benchmark::State& state, const Sheet& sheet) {
    const fs::path folder = Folder();
    Run last;
    double device = 0, cpu = 0, wall = 0;
    for (auto _ : state) {
        last = ScanSheet(sheet, folder);
        if (!last.complete) {
            state.SkipWithError("the sheet did not arrive whole");
            break;
        }
        state.SetIterationTime(last.seconds);
        wall += last.seconds;
        cpu += last.cpuSeconds;
        if (sheet.throughput > 0)
            device += double(last.bytes) / sheet.throughput;
    }
    fs::remove_all(folder);
    state.SetBytesProcessed(int64_t(last.bytes) * state.iterations());
    state.counters["MB"] = double(last.bytes) / 1e6;
    state.counters["cpu_of_wall"] = wall > 0 ? cpu / wall : 0;
    if (device > 0)
        state.counters["wall_of_device"] = wall / device;
}

// A 36 x 48 inch sheet at 400 dpi: 830 MB in RGB.
void BM_WholeSheetRgb(benchmark::State& state) {
    Scan(state, {"RGB", 400, 36, 48, 0});
}
void BM_WholeSheetGray(benchmark::State& state) {
    Scan(state, {"Gray Tone", 400, 36, 48, 0});
}
void BM_WholeSheetBitmap(benchmark::State& state) {
    Scan(state, {"B/W Threshold", 400, 36, 48, 0});
}
// 207 MB from a device that gives 40 MB/s.
void BM_DeviceBoundRgb(benchmark::State& state) {
    Scan(state, {"RGB", 400, 36, 12, 40e6});
}

// The RGB sheet's bytes copied as the transfer moves them: 1 MiB blocks into a strip of 300
// rows of three planes.
void BM_MemcpyWholeSheetRgb(benchmark::State& state) {
    const size_t bytes = size_t(14400) * 3 * 19200, block = size_t(1) << 20, strip = size_t(14400) * 3 * 300;
    std::vector<uint8_t> from(block, 7), to(strip);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (size_t done = 0, at = 0; done < bytes; done += block) {
            const size_t n = std::min(block, bytes - done);
            if (at + n > strip)
                at = 0;
            std::memcpy(&to[at], from.data(), n);
            at += n;
        }
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetBytesProcessed(int64_t(bytes) * state.iterations());
}

} // namespace

BENCHMARK(BM_MemcpyWholeSheetRgb)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeSheetRgb)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WholeSheetGray)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WholeSheetBitmap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeviceBoundRgb)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
