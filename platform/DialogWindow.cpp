#include "platform/DialogWindow.h"

#include <atomic>

namespace qv {
namespace {
std::atomic<UserEventSource*> installedSource{nullptr};
}

void SetUserEventSource(UserEventSource* source) {
    installedSource.store(source);
}

UserEventSource* InstalledUserEventSource() {
    return installedSource.load();
}

} // namespace qv
