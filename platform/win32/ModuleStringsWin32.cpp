#include "platform/ModuleStrings.h"

#include <windows.h>

namespace qv {

bool LoadModuleString(void* module, unsigned id, std::string& text) {
    char buffer[1024];
    int length = LoadStringA(static_cast<HINSTANCE>(module), id, buffer, sizeof buffer);
    if (length <= 0)
        return false;
    text.assign(buffer, static_cast<size_t>(length));
    return true;
}

} // namespace qv
