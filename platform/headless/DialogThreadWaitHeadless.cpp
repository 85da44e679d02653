#include "platform/DialogThreadWait.h"

namespace qv {

void ServeDialogUntil(const std::function<bool()>&) {}

} // namespace qv
