// The module's own instance and its string table. Windows loads the entries from the
// module's resources; headless builds carry the same texts compiled in.
#pragma once

#include <string>

namespace qv {

// Kept when the module is attached to the process; nullptr means the program itself.
void SetModuleInstance(void* instance);
void* GetModuleInstance();

// False when the module has no entry with that id.
bool LoadModuleString(void* module, unsigned id, std::string& text);

} // namespace qv
