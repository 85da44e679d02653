// host_sheet INCHES [--width INCHES] [--dpi N] [--mode bitmap|gray|rgb] [--out DIR] [--tiff] [--discard]
// One sheet sent by the fake module in bands of 300 rows, every plane of a band in turn, as
// the import module sends them; the host checks and writes it. Peak memory is read from
// outside (/usr/bin/time -v); the host's own lines give the rate.
#include "FakeModule.h"
#include "host/Host.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace qv::host;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: host_sheet INCHES [--width INCHES] [--dpi N] [--mode bitmap|gray|rgb] [--out DIR] "
                   "[--tiff] [--discard]\n",
                   stderr);
        return 2;
    }
    double length = std::atof(argv[1]), width = 36;
    int dpi = 300;
    std::string mode = "rgb";
    HostOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--width" && more)
            width = std::atof(argv[++i]);
        else if (arg == "--dpi" && more)
            dpi = std::atoi(argv[++i]);
        else if (arg == "--mode" && more)
            mode = argv[++i];
        else if (arg == "--out" && more)
            options.outDir = argv[++i];
        else if (arg == "--tiff")
            options.tiff = true;
        else if (arg == "--discard")
            options.discard = true;
        else {
            std::fprintf(stderr, "host_sheet: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    fake::Reset();
    fake::Config& c = fake::config();
    c.rows = static_cast<int16_t>(length * dpi);
    c.cols = static_cast<int16_t>(width * dpi);
    c.res = dpi << 16;
    c.stripRows = 300;
    c.bandOrder = true;
    if (mode == "rgb") {
        c.mode = plugInModeRGBColor;
        c.planes = 3;
    } else if (mode == "bitmap") {
        c.mode = plugInModeBitmap;
        c.depth = 1;
    }
    Host host(fake::Entry, options, [](const std::string& line) { std::puts(line.c_str()); });
    host.RunSeries();
    return host.Passed() ? 0 : 1;
}
