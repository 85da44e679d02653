#include "dialog/ProductInfo.h"

#include "platform/ProductInfoStore.h"

#include <cstdio>
#include <cstring>

namespace {

void ReadOrFallback(qv::ProductInfoStore& store, bool present, const char* value,
                    char (&buffer)[kProductInfoLength], const char* fallback) {
    char read[kProductInfoLength] = {};
    // A value that fills the buffer without its terminator did not fit.
    if (present && store.ReadValue(value, read, sizeof read) && std::memchr(read, 0, sizeof read)) {
        std::memcpy(buffer, read, sizeof read);
        return;
    }
    std::snprintf(buffer, sizeof buffer, "%s", fallback);
}

std::string Format(const char* format, const ProductInfo& info) {
    char text[256];
    std::snprintf(text, sizeof text, format, info.szProductName, info.szProductVersion, info.szInstallBuild);
    return text;
}

} // namespace

void ReadProductInfo(char (&name)[kProductInfoLength], char (&version)[kProductInfoLength],
                     char (&build)[kProductInfoLength]) {
    qv::ProductInfoStore& store = qv::GetProductInfoStore();
    const bool present = store.IsPresent();
    ReadOrFallback(store, present, "Name", name, "Vellumix for Photoshop");
    ReadOrFallback(store, present, "Version", version, "???");
    ReadOrFallback(store, present, "InstallBuild", build, "???");
}

ProductInfo ReadProductInfo() {
    ProductInfo info{};
    ReadProductInfo(info.szProductName, info.szProductVersion, info.szInstallBuild);
    return info;
}

std::string ComposeAboutText(const ProductInfo& info) {
    return Format("%s\n\nVersion %s\n\nBuild %s", info);
}

std::string ComposeDialogTitle(const ProductInfo& info) {
    return Format("%s %s (%s)", info);
}
