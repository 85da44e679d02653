#include "platform/DialogThreadWait.h"

#include <windows.h>

namespace qv {

namespace {
// How long one wait lasts when nothing is sent: the other thread's end is only seen then.
constexpr DWORD kServeSliceMs = 10;
} // namespace

void ServeDialogUntil(const std::function<bool()>& done) {
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kServeSliceMs, QS_SENDMESSAGE);
        // Peeking delivers the messages sent to this thread's windows; posted ones stay queued.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace qv
