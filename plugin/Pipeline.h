// The import pipeline: the second half of the start phase and the transfer. Until it reads
// the scanner, the geometry step leaves the host's defaults and the transfer delivers no rows.
#pragma once

#include "plugin/Globals.h"

#include <atomic>

void DoStartGeometry(Globals* globals);
void DoContinue(Globals* globals);

// Set when the reader thread has ended or must end; no reader runs before the first transfer.
extern std::atomic<bool> readerStop;
