// Where the phases meet the parts that are built later: the settings dialog, the
// scripting parameters, the import pipeline and the scanner. Each hook does today what
// the module honestly can without that part; the part that arrives gives it its body.
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

// Scripting: without it nothing is played or recorded.
void ReadScriptParams(Globals* globals);
void ReadNextImport(Globals* globals);
void EndScriptRead(Globals* globals);
void RecordImportInfo(Globals* globals);
void WriteScriptParams(Globals* globals);

// Pipeline: the second half of the start phase and the transfer. Without a pipeline the
// geometry step leaves the host's defaults and the transfer delivers no rows.
void DoStartGeometry(Globals* globals);
void DoContinue(Globals* globals);

// Set when the reader thread has ended or must end; no reader runs before the first transfer.
extern std::atomic<bool> readerStop;
