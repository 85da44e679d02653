#include "platform/DebugLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace qv {

namespace {

constexpr const char* kLogFile = "QVL.log";

std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

void WriteLine(const char* mode, const char* text) {
    std::lock_guard<std::mutex> lock(LogMutex());
    if (FILE* file = std::fopen(kLogFile, mode)) {
        std::fputs(text, file);
        std::fputc('\n', file);
        std::fclose(file);
    }
}

} // namespace

void LogLine(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(copy);
        WriteLine("a+", small);
        return;
    }
    std::vector<char> large(static_cast<size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    WriteLine("a+", large.data());
}

void LogText(const char* text) {
    WriteLine("a+", text ? text : "");
}

void LogReset() {
    WriteLine("w+", "Init");
}

} // namespace qv
