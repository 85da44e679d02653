// Every preview row of a prescan, kept in the idle ring slots, so that a prescan longer than
// the area can be shown whole at its end. Only the prescan thread stores and fetches; the
// bookkeeping in PreScan is read under PreScanLock().
#pragma once

#include "platform/DialogControls.h"

#include <cstdint>
#include <span>

namespace preview {

// At the start of each prescan: lines of `lineBytes` bytes, none stored. A line that fits
// no slot (or a ring that is not there) leaves no room at all.
bool PreScan_LineManager_Init(int32_t lineBytes);
// Index -1 appends. A line without room is dropped and logged; the user hears of it once
// per prescan, in a box owned by `owner`.
bool PreScan_LineManager_SetLine(void* owner, std::span<const uint8_t> line, int32_t index);
// Points at the stored line (no copy); index iStoredLines itself is accepted.
bool PreScan_LineManager_GetLine(void* owner, const uint8_t*& pointer, int32_t index);
// Shows every stored line, shrunk to the area's height, redrawing the dialog as it goes.
void PreScan_MakeDCFormLineManager(qv::DialogControls& dialog);

} // namespace preview
