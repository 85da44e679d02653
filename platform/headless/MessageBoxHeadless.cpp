#include "platform/MessageBox.h"

namespace qv::platform {

int RecordBox(const MessageBoxRecord& box);

int ShowPlatformMessageBox(const MessageBoxRecord& box) {
    return RecordBox(box);
}

} // namespace qv::platform
