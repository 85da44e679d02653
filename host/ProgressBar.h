// What a person sees while a document arrives: rows done of the total and the rate, on
// one line redrawn in place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv::host {

struct ImageProgress {
    int image = 0;
    int32_t rowsDone = 0; // of every plane, averaged
    int32_t rows = 0;
    uint64_t bytes = 0;
    double seconds = 0;
    bool hidden = false; // the bar leaves its line: the image ended, or the host prints a line
};

class ProgressBar {
  public:
    using Write = std::function<void(const std::string&)>;
    // Redraws at most every interval seconds of the image's own time, and at once after it
    // was hidden.
    explicit ProgressBar(Write write, double interval = 0.1);
    void Update(const ImageProgress& p);

  private:
    Write write_;
    double interval_;
    int image_ = 0;
    double last_ = -1;
    size_t drawn_ = 0;
};

} // namespace qv::host
