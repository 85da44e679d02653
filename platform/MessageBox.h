// Message-box port. Windows shows MessageBoxA; headless records every box and
// answers OK. A sink, when installed, takes the boxes instead (tests, hosts without a screen).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qv {

enum class MsgIcon { Exclamation, Information, Warning, None };

struct MessageBoxRecord {
    void* owner = nullptr;
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::Exclamation;
};

constexpr int kMessageBoxOk = 1;

// owner is a window handle or nullptr; caption nullptr means no caption.
int ShowMessageBox(void* owner, const std::string& text, const char* caption, MsgIcon icon);

// Every failure the user is shown goes through here: the caption, which names the step that
// failed, is written to the diagnostic log, then the box is shown.
int ReportFailure(void* owner, const std::string& text, const char* caption,
                  MsgIcon icon = MsgIcon::Exclamation);

using MessageBoxSink = std::function<int(const MessageBoxRecord&)>;
void SetMessageBoxSink(MessageBoxSink sink);

// Boxes recorded since the last call (headless default, or the recording sink below).
std::vector<MessageBoxRecord> TakeMessageBoxes();
// Installs a sink that records and answers OK, in either build.
void RecordMessageBoxes();

namespace platform {
int ShowPlatformMessageBox(const MessageBoxRecord& box);
} // namespace platform

} // namespace qv
