// The product's name, version and build as the installer recorded them.
#pragma once

#include <string>

constexpr int kProductInfoLength = 32;

struct ProductInfo {
    char szProductName[kProductInfoLength];
    char szProductVersion[kProductInfoLength];
    char szInstallBuild[kProductInfoLength];
};

// Missing, unreadable or too long values take their fallbacks; this never fails.
void ReadProductInfo(char (&name)[kProductInfoLength], char (&version)[kProductInfoLength],
                     char (&build)[kProductInfoLength]);
ProductInfo ReadProductInfo();

std::string ComposeAboutText(const ProductInfo& info);
std::string ComposeDialogTitle(const ProductInfo& info);
