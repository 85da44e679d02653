// The scripting parameters the host records and plays back: every finished image leaves a
// small descriptor, the series is handed to the host as one list 'mulK' of 'mulS' objects,
// and a played list gives one entry to each start. Nothing happens without the host's
// scripting services, and nothing is shown about their absence.
//
// A played series whose dialog is suppressed (play mode other than 1) takes its entry and
// goes straight to the image's geometry. The scanner was never prepared by the dialog, so
// the geometry step fails with its "Get Picture Width" box, ends the read and cancels: of
// the played list only the first entry is taken, and the host gets the list back.
#pragma once

#include "plugin/Globals.h"
#include "plugin/ScriptingTerms.h"

// Prepare: opens the played list, unless one is being played already, and learns its length;
// the host's play mode decides whether start shows the dialog.
void ReadScriptParams(Globals* globals);
// Start: plays the next entry into the image's rows, columns, mode and flags, and asks the
// host for another image; after the last entry, or when the host has none left, the read ends.
void ReadNextImport(Globals* globals);
// Closes the played list and gives its handle back to the host.
void EndScriptRead(Globals* globals);
// Finish: this image's descriptor; at most 50 are kept, a later one takes the last place.
void RecordImportInfo(Globals* globals);
// Finalize, or every finish of a host that cannot finalize: the recorded list becomes the
// host's descriptor.
void WriteScriptParams(Globals* globals);
