// Where the phases meet the settings dialog.
#pragma once

#include "plugin/Globals.h"

#include <atomic>

namespace qv {

// The settings dialog as the phases drive it. Until the dialog exists none is installed,
// and the phases see a dialog in which the user never asks for a scan.
class SettingsDialogPort {
  public:
    virtual ~SettingsDialogPort() = default;
    virtual bool Create(Globals* globals) = 0;
    // True once a scan has been started, false when the user leaves.
    virtual bool Run(Globals* globals) = 0;
    virtual void Destroy(Globals* globals) = 0;
};

// nullptr returns to "no dialog". The caller keeps ownership.
void SetSettingsDialog(SettingsDialogPort* dialog);

} // namespace qv

bool CreateSettingsDialog(Globals* globals);
bool RunSettingsDialog(Globals* globals);
void DestroySettingsDialog(Globals* globals);
