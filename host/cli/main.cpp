// quorvel-host / QuorvelHost.exe: runs an import module the way a host does and prints
// every call, result and message box in a stable form, one line each.
#include "dialog/ControlTable.h"
#include "host/ScanCommand.h"
#include "host/cli/CliPlatform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace qv::host;

void Print(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Whether a written document holds the pixels of a reference image.
int Compare(const char* a, const char* b) {
    std::string error;
    auto first = ReadPnm(a, error);
    auto second = first ? ReadPnm(b, error) : std::nullopt;
    if (!second) {
        std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
        return 2;
    }
    if (auto difference = ComparePnm(*first, *second)) {
        Print("differ: " + *difference);
        return 1;
    }
    Print("same pixels");
    return 0;
}

int Usage() {
    std::fputs(
        "usage: quorvel-host about\n"
        "       quorvel-host series [options]\n"
        "       quorvel-host scan [scan options] [options]   (a series played at the dialog)\n"
        "       quorvel-host run SELECTOR... [options]\n"
        "       quorvel-host compare IMAGE IMAGE   (PBM, PGM or PPM)\n"
        "options: --out DIR  --tiff  --discard  --free-space BYTES  --buffer-version N  --can-finalize 0|1\n"
        "         --no-buffer-procs  --no-handle-procs  --no-scripting  --no-advance-state\n"
        "         --can-read-back  --play-info N  --abort-after N  --fail-advance-at N\n"
        "         --max-images N  --hostile  --scenario FILE\n"
        "         --play ROWSxCOLS[:MODE][:invert][:alpha],... | FILE  (a recorded series to play)\n"
        "         --record FILE  (save the series the module hands over, for --play)\n"
        "         --actions FILE  (user events at the dialog)  --settings-dir DIR  (where QVL.ini is)\n"
        "scan options, played in this order: --scanner N  --mode NAME  --resolution DPI\n"
        "         --paper NAME | --area X,Y,W,H (inches)  --brightness N  --contrast N  --gamma G\n"
        "         --threshold N  --level N  --blur ROW  --sharpen ROW  --background ROW\n"
        "         --ntsc | --srgb  --center-load | --side-load  --units inch|cm|scanner\n"
        "         (the --actions events)  --sheets N (Scan clicks; default one per --sheet, or 1)\n"
        "         --prescan (before each Scan)  --select X,Y,W,H (then a new selection dragged on the\n"
        "         preview, in preview pixels)\n"
        "         --profile NAME  --sheet chart:NAME[:WxH][@DPI] | FILE[@DPI]  (repeatable)\n",
        stderr);
    return 2;
}

bool ParseInt(const char* text, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 0);
    return end && end != text && *end == '\0';
}

bool ReadActions(const std::string& path, std::vector<UserEvent>& events, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    if (!in || !(text << in.rdbuf())) {
        error = "cannot read actions " + path;
        return false;
    }
    if (ParseUserScript(text.str(), events, error))
        return true;
    error = path + ": " + error;
    return false;
}

struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove(path, ignored);
    }
};

// The simulated scanner of --profile and --sheet, kept in a file of its own while the run lasts
// (on Windows the stand-in library reads it from there).
std::string WriteScenario(const std::string& text, std::string& error) {
    std::error_code failed;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(failed);
    const std::string path =
        (folder / ("quorvel-host-" + std::to_string(std::random_device{}()) + ".ini")).string();
    std::ofstream out(path, std::ios::binary);
    if (failed || !(out << text) || !out.flush()) {
        error = "cannot write the scenario " + path;
        return {};
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "compare")
        return argc == 4 ? Compare(argv[2], argv[3]) : Usage();
    if (command != "about" && command != "series" && command != "run" && command != "scan")
        return Usage();

    HostOptions options;
    std::vector<int16_t> selectors;
    std::string scenario, actions, settingsDir, record;
    ScanSettings scan;
    const std::vector<std::string> args(argv, argv + argc);
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        long n = 0;
        auto number = [&](long& out) { return i + 1 < argc && ParseInt(argv[++i], out); };
        if (int took = command == "scan" ? TakeScanOption(args, size_t(i), scan) : 0) {
            i += took - 1;
        } else if (arg == "--actions" && command != "about" && i + 1 < argc) {
            actions = argv[++i];
        } else if (arg == "--settings-dir" && i + 1 < argc) {
            settingsDir = argv[++i];
        } else if (arg == "--out" && i + 1 < argc) {
            options.outDir = argv[++i];
        } else if (arg == "--scenario" && i + 1 < argc) {
            scenario = argv[++i];
        } else if (arg == "--play" && i + 1 < argc) {
            std::string error;
            if (!ReadImportScript(argv[++i], options.play, error)) {
                std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
                return 2;
            }
        } else if (arg == "--record" && i + 1 < argc) {
            record = argv[++i];
        } else if (arg == "--free-space" && number(n)) {
            options.freeSpace = static_cast<int32_t>(n);
        } else if (arg == "--buffer-version" && number(n)) {
            options.bufferProcsVersion = static_cast<int16_t>(n);
        } else if (arg == "--can-finalize" && number(n)) {
            options.canFinalize = n != 0;
        } else if (arg == "--play-info" && number(n)) {
            options.playInfo = static_cast<int16_t>(n);
        } else if (arg == "--abort-after" && number(n)) {
            options.abortAfter = static_cast<int32_t>(n);
        } else if (arg == "--fail-advance-at" && number(n)) {
            options.failAdvanceAt = static_cast<int32_t>(n);
        } else if (arg == "--max-images" && number(n)) {
            options.maxImages = static_cast<int>(n);
        } else if (arg == "--no-buffer-procs") {
            options.withholdBufferProcs = true;
        } else if (arg == "--no-handle-procs") {
            options.withholdHandleProcs = true;
        } else if (arg == "--no-scripting") {
            options.withholdScripting = true;
        } else if (arg == "--no-advance-state") {
            options.withholdAdvanceState = true;
        } else if (arg == "--can-read-back") {
            options.canReadBack = true;
        } else if (arg == "--tiff") {
#if defined(QV_HOST_HAVE_TIFF)
            options.tiff = true;
#else
            std::fputs("quorvel-host: this build writes no TIFF\n", stderr);
            return 2;
#endif
        } else if (arg == "--discard") {
            options.discard = true;
        } else if (arg == "--hostile") {
            options.hostile = true;
        } else if (command == "run" && ParseInt(argv[i], n)) {
            selectors.push_back(static_cast<int16_t>(n));
        } else {
            std::fprintf(stderr, "quorvel-host: unknown or incomplete option %s\n", arg.c_str());
            return Usage();
        }
    }
    if (command == "run" && selectors.empty())
        return Usage();

    std::string error;
    std::vector<UserEvent> events;
    if (!actions.empty() && !ReadActions(actions, events, error)) {
        std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
        return 2;
    }
    std::string built;
    RemovedAtEnd builtScenario;
    if (command == "scan") {
        std::vector<UserEvent> played;
        if (!CompileScan(scan, events, played, error) || !ScanScenarioText(scan, built, error)) {
            std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
            return 2;
        }
        events = std::move(played);
    }
    if (!built.empty()) {
        if (!scenario.empty()) {
            std::fputs("quorvel-host: --scenario and --profile or --sheet both name the scanner\n", stderr);
            return 2;
        }
        if ((builtScenario.path = scenario = WriteScenario(built, error)).empty()) {
            std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
            return 2;
        }
    }
    if (!settingsDir.empty()) {
        std::error_code failed;
        const std::string folder = std::filesystem::absolute(settingsDir, failed).string();
        if (failed || !cli::UseSettingsFolder(folder, error)) {
            std::fprintf(stderr, "quorvel-host: settings folder %s: %s\n", settingsDir.c_str(),
                         error.c_str());
            return 2;
        }
    }
    if (!scenario.empty() && !std::ifstream(scenario)) {
        std::fprintf(stderr, "quorvel-host: cannot read scenario %s\n", scenario.c_str());
        return 2;
    }
    if (!scenario.empty() && !cli::UseScenario(scenario, error)) {
        std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
        return 2;
    }
    EntryFn entry = cli::BindModule(error);
    if (!entry) {
        std::fprintf(stderr, "quorvel-host: %s\n", error.c_str());
        return 2;
    }
    // Without events too: on Windows the dialog's loop would otherwise wait for a person, where
    // natively it ends at once.
    auto player = std::make_unique<ScriptPlayer>(std::move(events), qv::SettingsDialogLayout(), Print);
    cli::InstallBoxPrinter([&player](const std::string& caption, const std::string& text) {
        Print("message box " + Quoted(caption) + ": " + Quoted(text));
        player->BoxShown(caption, text);
    });
    options.window = cli::HostWindow();
    static std::atomic<bool> interrupted{false};
    cli::CatchInterrupt(interrupted);
    options.interrupt = &interrupted;
    ProgressBar bar([](const std::string& text) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    });
    if (cli::StderrIsTerminal())
        options.meter = [&bar](const ImageProgress& p) { bar.Update(p); };
    cli::PlayUserEvents(player.get());

    bool passed = false;
    {
        Host host(entry, options, Print);
        if (options.hostile) {
            if (EntryCaller caller = cli::StdcallCaller(Print))
                host.SetEntryCaller(std::move(caller));
            else
                Print("stdcall: this platform has a single calling convention");
        }
        if (command == "about")
            host.RunSequence({acquireSelectorAbout});
        else if (command == "run")
            host.RunSequence(selectors);
        else
            host.RunSeries();
        passed = host.Passed();
        std::string failed;
        if (!record.empty() &&
            !SaveImportScript(record, ImportsOf(host.descriptors().handedOver()), failed)) {
            std::fprintf(stderr, "quorvel-host: %s\n", failed.c_str());
            passed = false;
        }
    }
    cli::PlayUserEvents(nullptr);
    if (!player->Failed()) {
        for (const std::string& line : player->UnreachedExpectations())
            Print("expect not reached: " + line);
        passed = passed && player->UnreachedExpectations().empty();
    }
    cli::Shutdown();
    return passed && !player->Failed() ? 0 : 1;
}
