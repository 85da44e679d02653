// The settings dialog's controls as data, expanded from Controls.def: the headless model is
// built from it and the resource template is generated from the same list.
#pragma once

#include "platform/DialogControls.h"

namespace qv {

// The "UIPARAM" template: caption, size and every control in creation order.
const DialogLayout& SettingsDialogLayout();

// The control with this id, or nullptr.
const ControlLayout* FindControlLayout(const DialogLayout& dialog, int id);

// Gives every spin its range from the table; a window's template cannot carry it.
void ApplySpinRanges(DialogControls& controls, const DialogLayout& dialog);

} // namespace qv
