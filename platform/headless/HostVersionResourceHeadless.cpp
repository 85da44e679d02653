#include "platform/HostVersionResource.h"

namespace qv {

std::unique_ptr<VersionResource> ReadHostVersionResource() {
    return nullptr;
}

} // namespace qv
