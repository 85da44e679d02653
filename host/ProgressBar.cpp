#include "host/ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace qv::host {

ProgressBar::ProgressBar(Write write, double interval) : write_(std::move(write)), interval_(interval) {}

void ProgressBar::Update(const ImageProgress& p) {
    if (p.hidden) {
        if (drawn_) {
            std::string blank(drawn_ + 2, ' ');
            blank.front() = blank.back() = '\r';
            write_(blank);
        }
        drawn_ = 0;
        image_ = 0;
        return;
    }
    if (p.image != image_) {
        image_ = p.image;
        last_ = -1;
    }
    if (last_ >= 0 && p.seconds - last_ < interval_)
        return;
    last_ = p.seconds;
    constexpr int kWidth = 24;
    const int filled =
        p.rows > 0 ? static_cast<int>(int64_t{kWidth} * std::clamp(p.rowsDone, 0, p.rows) / p.rows) : 0;
    const double rate = p.seconds > 0 ? static_cast<double>(p.bytes) / 1e6 / p.seconds : 0;
    char text[128];
    std::snprintf(text, sizeof text, "image %d [%s%s] %d/%d rows %.1f MB/s", p.image,
                  std::string(static_cast<size_t>(filled), '#').c_str(),
                  std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), p.rowsDone, p.rows, rate);
    std::string line = "\r";
    line += text;
    const size_t width = line.size() - 1;
    if (drawn_ > width)
        line.append(drawn_ - width, ' ');
    write_(line);
    drawn_ = width;
}

} // namespace qv::host
