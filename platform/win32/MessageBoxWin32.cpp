#include "platform/MessageBox.h"

#include <windows.h>

namespace qv::platform {

int ShowPlatformMessageBox(const MessageBoxRecord& box) {
    UINT style = MB_OK;
    switch (box.icon) {
    case MsgIcon::Exclamation:
        style |= MB_ICONEXCLAMATION;
        break;
    case MsgIcon::Information:
        style |= MB_ICONINFORMATION;
        break;
    case MsgIcon::Warning:
        style |= MB_ICONWARNING;
        break;
    case MsgIcon::None:
        break;
    }
    return MessageBoxA(static_cast<HWND>(box.owner), box.text.c_str(),
                       box.caption.empty() ? nullptr : box.caption.c_str(), style);
}

} // namespace qv::platform
