#include "dialog/AboutBox.h"

#include "dialog/ProductInfo.h"
#include "platform/MessageBox.h"

void ShowAboutBox(const AboutRecord* about) {
    const ProductInfo info = ReadProductInfo();
    void* owner = nullptr;
    if (about && about->platformData)
        owner = reinterpret_cast<void*>(static_cast<const PlatformData*>(about->platformData)->hwnd);
    qv::ShowMessageBox(owner, ComposeAboutText(info), info.szProductName, qv::MsgIcon::Information);
}
