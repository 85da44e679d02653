#include "platform/DialogControls.h"

#include <atomic>

namespace qv {
namespace {
std::atomic<DialogControls*> active{nullptr};
}

DialogControls* ActiveDialogControls() {
    return active.load(std::memory_order_acquire);
}
void SetActiveDialogControls(DialogControls* controls) {
    active.store(controls, std::memory_order_release);
}

} // namespace qv
