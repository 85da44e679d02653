// The registry store as the installer leaves it, in the test's own Wine prefix.
#include "dialog/ProductInfo.h"
#include "platform/ProductInfoStore.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

class ProductRegistry : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, qv::kProductInfoKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, qv::kProductInfoKey); }
    bool Write(const char* name, const std::string& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, qv::kProductInfoKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     DWORD(value.size() + 1));
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }
};

TEST_F(ProductRegistry, AbsentKeyGivesFallbacks) {
    ProductInfo info = ReadProductInfo();
    EXPECT_STREQ(info.szProductName, "Vellumix for Photoshop");
    EXPECT_STREQ(info.szProductVersion, "???");
    EXPECT_STREQ(info.szInstallBuild, "???");
}

TEST_F(ProductRegistry, ValuesAreReadAndOverlongOnesRefused) {
    ASSERT_TRUE(Write("Name", "Wide Sheet Import"));
    ASSERT_TRUE(Write("Version", std::string(31, '9')));
    ASSERT_TRUE(Write("InstallBuild", std::string(32, '7')));
    ProductInfo info = ReadProductInfo();
    EXPECT_STREQ(info.szProductName, "Wide Sheet Import");
    EXPECT_EQ(std::string(info.szProductVersion), std::string(31, '9'));
    EXPECT_STREQ(info.szInstallBuild, "???");
    EXPECT_EQ(ComposeDialogTitle(info), "Wide Sheet Import " + std::string(31, '9') + " (?\?\?)");
}

} // namespace
