// The Prescan and Close Prescan commands and the prescan's own thread. The thread is started,
// stopped and joined from the dialog thread only: before the next prescan starts, before
// the preview is removed and before the dialog goes.
#pragma once

#include "platform/DialogControls.h"

class CScanner;

namespace preview {

// Prescan in the dialog's normal state: the preview is shown, the controls that could send
// scanner commands are disabled and the prescan starts on its thread with `scanner`.
void PreScan_Button(qv::DialogControls& dialog, CScanner& scanner);
// The same with the dialog's scanner.
void PreScan_Button(qv::DialogControls& dialog);
// Close Prescan: the dialog goes compact and the preview is removed.
void PreScan_CloseButton(qv::DialogControls& dialog);
// Asks a running prescan to stop and waits for its thread to end.
void PreScan_Stop();
// Waits for a running prescan to end by itself.
void PreScan_WaitEnd();
// Whether a prescan thread has been started and has not ended.
bool PreScan_ThreadRunning();

} // namespace preview
