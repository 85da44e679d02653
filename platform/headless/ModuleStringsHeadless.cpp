#include "platform/ModuleStrings.h"

#include "resources/strings.h"

namespace qv {

bool LoadModuleString(void*, unsigned id, std::string& text) {
    switch (id) {
    case IDS_REQUIRES_VERSION:
        text = TEXT_REQUIRES_VERSION;
        return true;
    case IDS_INCOMPATIBLE_HOST:
        text = TEXT_INCOMPATIBLE_HOST;
        return true;
    default:
        return false;
    }
}

} // namespace qv
