// The scripting parameters the host records and plays back. Until they are read and
// written, nothing is played and nothing is recorded.
#pragma once

#include "plugin/Globals.h"

void ReadScriptParams(Globals* globals);
void ReadNextImport(Globals* globals);
void EndScriptRead(Globals* globals);
void RecordImportInfo(Globals* globals);
void WriteScriptParams(Globals* globals);
