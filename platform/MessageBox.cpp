#include "platform/MessageBox.h"

#include "platform/DebugLog.h"

#include <mutex>

namespace qv {

namespace {

struct BoxState {
    std::mutex mutex;
    MessageBoxSink sink;
    std::vector<MessageBoxRecord> recorded;
};

BoxState& State() {
    static BoxState state;
    return state;
}

} // namespace

int ShowMessageBox(void* owner, const std::string& text, const char* caption, MsgIcon icon) {
    MessageBoxRecord box{owner, text, caption ? caption : "", icon};
    MessageBoxSink sink;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        sink = State().sink;
    }
    return sink ? sink(box) : platform::ShowPlatformMessageBox(box);
}

int ReportFailure(void* owner, const std::string& text, const char* caption, MsgIcon icon) {
    if (caption && *caption)
        LogText(caption);
    return ShowMessageBox(owner, text, caption, icon);
}

void SetMessageBoxSink(MessageBoxSink sink) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().sink = std::move(sink);
}

std::vector<MessageBoxRecord> TakeMessageBoxes() {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::vector<MessageBoxRecord> taken;
    taken.swap(State().recorded);
    return taken;
}

namespace platform {
// Used by the headless adapter and by the recording sink.
int RecordBox(const MessageBoxRecord& box) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().recorded.push_back(box);
    return kMessageBoxOk;
}
} // namespace platform

void RecordMessageBoxes() {
    SetMessageBoxSink([](const MessageBoxRecord& box) { return platform::RecordBox(box); });
}

} // namespace qv
