#include "dialog/AboutBox.h"
#include "dialog/ProductInfo.h"
#include "platform/MessageBox.h"
#include "platform/ProductInfoStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

namespace {

class TableStore : public qv::ProductInfoStore {
  public:
    bool present = true;
    std::map<std::string, std::string> values;
    bool IsPresent() override { return present; }
    bool ReadValue(const char* name, char* buffer, uint32_t size) override {
        auto found = values.find(name);
        if (found == values.end())
            return false;
        // Copies what fits, as a store that truncates would; the reader must notice.
        std::strncpy(buffer, found->second.c_str(), size);
        return true;
    }
};

class ProductInfoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::SetProductInfoStore(&store);
        qv::RecordMessageBoxes();
        qv::TakeMessageBoxes();
    }
    void TearDown() override { qv::SetProductInfoStore(nullptr); }
    TableStore store;
};

TEST_F(ProductInfoTest, MissingKeyShowsEveryFallback) {
    store.present = false;
    store.values = {{"Name", "Scanner Suite"}};
    ProductInfo info = ReadProductInfo();
    EXPECT_STREQ(info.szProductName, "Vellumix for Photoshop");
    EXPECT_EQ(ComposeDialogTitle(info), "Vellumix for Photoshop ??? (?\?\?)");

    AboutRecord about{};
    ShowAboutBox(&about);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Vellumix for Photoshop");
    EXPECT_EQ(boxes[0].text, "Vellumix for Photoshop\n\nVersion ???\n\nBuild ???");
    EXPECT_EQ(boxes[0].icon, qv::MsgIcon::Information);
    EXPECT_EQ(boxes[0].owner, nullptr);
}

TEST_F(ProductInfoTest, ValuesAreTakenOneByOne) {
    store.values = {{"Name", "Wide Import"}, {"InstallBuild", "b417"}};
    ProductInfo info = ReadProductInfo();
    EXPECT_EQ(ComposeAboutText(info), "Wide Import\n\nVersion ???\n\nBuild b417");
    EXPECT_EQ(ComposeDialogTitle(info), "Wide Import ??? (b417)");
}

TEST_F(ProductInfoTest, ValueLongerThanItsBufferTakesItsFallback) {
    const std::string fits(31, 'v');
    store.values = {
        {"Name", std::string(32, 'n')}, {"Version", fits}, {"InstallBuild", std::string(40, 'b')}};
    ProductInfo info = ReadProductInfo();
    EXPECT_STREQ(info.szProductName, "Vellumix for Photoshop");
    EXPECT_EQ(info.szProductVersion, fits);
    EXPECT_STREQ(info.szInstallBuild, "???");
}

TEST_F(ProductInfoTest, AboutBoxIsOwnedByTheHostWindow) {
    store.values = {{"Name", "N"}, {"Version", "2.1"}, {"InstallBuild", "7"}};
    PlatformData window{0x4242};
    AboutRecord about{};
    about.platformData = &window;
    ShowAboutBox(&about);
    ShowAboutBox(nullptr);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, reinterpret_cast<void*>(0x4242));
    EXPECT_EQ(boxes[0].caption, "N");
    EXPECT_EQ(boxes[0].text, "N\n\nVersion 2.1\n\nBuild 7");
    EXPECT_EQ(boxes[1].owner, nullptr);
}

TEST(KeyValueFile, ReadsLinesAndRefusesWhatDoesNotFit) {
    const char* path = "product-info-test.txt";
    std::remove(path);
    qv::KeyValueFileStore store(path);
    EXPECT_FALSE(store.IsPresent());
    {
        std::ofstream file(path);
        file << "Version=4.0.1\r\nName=Plotter Pro\nNameless\nInstallBuild=" << std::string(31, 'x') << "\n";
    }
    EXPECT_TRUE(store.IsPresent());
    char buffer[32];
    ASSERT_TRUE(store.ReadValue("Name", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "Plotter Pro");
    ASSERT_TRUE(store.ReadValue("Version", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "4.0.1");
    EXPECT_TRUE(store.ReadValue("InstallBuild", buffer, 32));
    EXPECT_FALSE(store.ReadValue("InstallBuild", buffer, 31));
    EXPECT_FALSE(store.ReadValue("Nameless", buffer, sizeof buffer));
    std::remove(path);
}

} // namespace
