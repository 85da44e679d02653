// Waiting on the dialog's thread for another thread that may itself still wait for the
// dialog: on Windows a thread that sets a control's text, enables a control, shows a box the
// dialog owns or repaints the dialog waits until the dialog's thread answers. Headless
// controls answer from any thread, so nothing is served there.
#pragma once

#include <functional>

namespace qv {

// Windows: answers what other threads send to this thread's windows until `done` answers
// true. Headless: returns at once.
void ServeDialogUntil(const std::function<bool()>& done);

} // namespace qv
