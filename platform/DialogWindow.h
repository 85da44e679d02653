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
// nullptr when it cannot be created. `layout` is the template (headless builds from it).
DialogControls* CreateDialogWindow(void* parent, const DialogLayout& layout, DialogHandlers handlers);
void DestroyDialogWindow(DialogControls* dialog);
// Brings an existing dialog to the front and activates it.
void ActivateDialogWindow(DialogControls* dialog);

// Runs the dialog's loop on the calling thread until `finished` answers true (returns true),
// or a quit comes (returns false). `finished` is asked after every message. Headless: each
// turn delivers what was posted to the dialog, else plays the next user event of the
// installed source; none left counts as a quit. Windows: messages first; when none waits
// and a source is installed, its next event (none left is a quit), else wait for one.
bool RunDialogLoop(DialogControls* dialog, const std::function<bool()>& finished);

// What the window system tells the dialog when the user turns to another window (`active`
// false, `other` the window turned to) or back to it; a host playing the user sends it.
void DeliverActivation(DialogControls* dialog, bool active, void* other);

// What the window system tells the dialog of the mouse: a move, or the left button pressed
// or released, at (x, y) in client pixels; a host playing the user sends it.
void DeliverMouse(DialogControls* dialog, MouseAction action, int32_t x, int32_t y, bool leftButton);
// The cursor the dialog shows, by its number (platform/Cursors.h); -1 when it set none of them.
int ShownCursor(DialogControls* dialog);

// User events a host plays at the dialog, one per call; false when there are none left.
class UserEventSource {
  public:
    virtual ~UserEventSource() = default;
    virtual bool PlayNext(DialogControls& dialog, DialogUser& user) = 0;
};
// The loop pulls from this source (nullptr: none; headless, every loop then ends at once).
// The caller keeps ownership.
void SetUserEventSource(UserEventSource* source);
UserEventSource* InstalledUserEventSource();

} // namespace qv
