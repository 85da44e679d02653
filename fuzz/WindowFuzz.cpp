// The simulated device's set-window parser. Input: a built-in profile (byte 0), how the
// sheet lies (byte 1), overrides of the camera count (byte 2) and scan width (bytes 3..6,
// big-endian), then the block. An accepted window must give a picture size that adds up
// to the rows the device then forms, since a reader takes those rows apart by it.
#include "sim/Imaging.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace {

constexpr size_t kHeader = 7;

const qv::sim::SheetPtr& Chart(size_t index) {
    static const std::vector<qv::sim::SheetPtr> charts = [] {
        std::vector<qv::sim::SheetPtr> all;
        std::string error;
        for (const auto& name : qv::sim::ChartNames())
            all.push_back(qv::sim::MakeChart(name, 2, 1.5, 100, error));
        return all;
    }();
    return charts[index % charts.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader || size - kHeader > 4096)
        return 0;
    const auto& names = qv::sim::BuiltInProfileNames();
    qv::sim::Profile profile = qv::sim::BuiltInProfile(names[data[0] % names.size()]);
    const uint8_t lie = data[1];
    if (data[2] != 0)
        profile.cameras = 1 + data[2] % 4;
    const uint32_t width =
        uint32_t(data[3]) << 24 | uint32_t(data[4]) << 16 | uint32_t(data[5]) << 8 | data[6];
    if (width != 0)
        profile.maxScanWidth = std::clamp<uint32_t>(width, 1200, 0xFFFFFFF); // what a profile file may set

    qv::sim::WindowParams window;
    if (qv::sim::ParseWindow(profile, data + kHeader, static_cast<int>(size - kHeader), window) != 0)
        return 0;

    const auto widths = qv::sim::CameraWidths(profile, window);
    const qv::sim::SheetPtr sheet = (lie & 4) ? nullptr : Chart(lie >> 3);
    qv::sim::ImageFormer former(profile, window, sheet, lie & 1, lie & 2, qv::sim::IdentityTone());
    const int64_t reported = std::accumulate(widths.begin(), widths.end(), int64_t{0});
    const int64_t formed =
        former.FixedRowBytes() ? static_cast<int64_t>(former.FixedRowBytes()) : former.Pixels();
    if (reported != formed) {
        std::fprintf(stderr, "camera widths add up to %lld, rows hold %lld\n",
                     static_cast<long long>(reported), static_cast<long long>(formed));
        std::abort();
    }
    // Room for two of the largest rows must take two rows.
    std::vector<uint8_t> rows(2 * former.LargestRow());
    int64_t row = 0;
    former.Fill(row, 2, rows.data(), rows.size());
    if (row != std::min<int64_t>(2, former.Rows())) {
        std::fprintf(stderr, "room for two rows took %lld\n", static_cast<long long>(row));
        std::abort();
    }
    return 0;
}
