#include "plugin/Scripting.h"

void ReadScriptParams(Globals*) {}
void ReadNextImport(Globals*) {}
void EndScriptRead(Globals*) {}
void RecordImportInfo(Globals*) {}
void WriteScriptParams(Globals*) {}
