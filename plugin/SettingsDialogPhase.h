// The start and finalize phases' side of the settings dialog. The dialog lives in module
// memory between the host's calls; these exchange its settings and the prepared scan with
// the global record inside the calls.
#pragma once

#include "plugin/Globals.h"

bool CreateSettingsDialog(Globals* globals);
// True once a scan has been started, false when the user leaves.
bool RunSettingsDialog(Globals* globals);
void DestroySettingsDialog(Globals* globals);
