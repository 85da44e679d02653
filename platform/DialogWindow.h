// The settings dialog's window: made from its template, its messages turned into calls of
// portable handlers, its own message loop. Windows creates the real dialog from "UIPARAM" and
// runs GetMessage; headless builds the model from the control table and plays the user
// events a host installed.
#pragma once

#include "platform/DialogControls.h"

#include <functional>

namespace qv {

enum class MouseAction { Move, ButtonDown, ButtonUp };

// What the dialog's procedure does per window message. Unset handlers are skipped.
struct DialogHandlers {
    // Creation; `dialog` is ready to use. The focus is set by the handler.
    std::function<void(DialogControls& dialog)> init;
    std::function<void(int id, Notification notification)> command;
    // `active` false: the dialog loses activation to `other` (a window, or nullptr).
    std::function<void(bool active, void* other)> activate;
    std::function<void()> paint;
    std::function<void()> setCursor;
    // Client pixels of the dialog; `leftButton` tells whether the left button is down.
    std::function<void(MouseAction action, int32_t x, int32_t y, bool leftButton)> mouse;
};

// Creates the dialog as a child of `parent` (a window, or nullptr), shows and paints it.
// nullptr when it cannot be created. `spec` is the template (headless builds from it).
DialogControls* CreateDialogWindow(void* parent, const DialogSpec& spec, DialogHandlers handlers);
void DestroyDialogWindow(DialogControls* dialog);
// Brings an existing dialog to the front and activates it.
void ActivateDialogWindow(DialogControls* dialog);

// Runs the dialog's loop on the calling thread until `finished` answers true (returns true),
// or a quit comes (returns false). Headless: each turn plays the next user event of the
// installed source; none left counts as a quit.
bool RunDialogLoop(DialogControls* dialog, const std::function<bool()>& finished);

// User events a host plays at the dialog, one per call; false when there are none left.
class UserEventSource {
  public:
    virtual ~UserEventSource() = default;
    virtual bool PlayNext(DialogControls& dialog, DialogUser& user) = 0;
};
// Headless only: the loop pulls from this source (nullptr: none, every loop ends at once).
void SetUserEventSource(UserEventSource* source);

} // namespace qv
