#include "FakeModule.h"
#include "host/Host.h"
#include "host/ImportScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qv::host;

TEST(ImportScript, ParsesEntriesWithTheirParts) {
    std::vector<PlayedImport> imports;
    std::string error;
    ASSERT_TRUE(ParseImportScript("2999.9x640:0:invert,10x20,5x6:xxxx:nomode:alpha", imports, error))
        << error;
    ASSERT_EQ(imports.size(), 3u);
    EXPECT_DOUBLE_EQ(imports[0].rows, 2999.9);
    EXPECT_EQ(imports[0].mode, MakeOSType('b', 'i', 't', 'M'));
    EXPECT_TRUE(imports[0].invert);
    EXPECT_EQ(imports[1].mode, MakeOSType('g', 'r', 'y', 'S')) << "gray unless told";
    EXPECT_FALSE(imports[1].invert);
    EXPECT_EQ(imports[2].mode, MakeOSType('x', 'x', 'x', 'x'));
    EXPECT_FALSE(imports[2].hasMode);
    EXPECT_TRUE(imports[2].alphaIsTransparency);
}

TEST(ImportScript, RefusesWhatItCannotRead) {
    std::vector<PlayedImport> imports;
    std::string error;
    for (const char* bad : {"", "300", "300x", "x200", "300x200:4", "300x200:sideways", "300x2e"}) {
        EXPECT_FALSE(ParseImportScript(bad, imports, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(ImportScript, TheListNestsOneObjectPerImport) {
    std::vector<PlayedImport> imports;
    std::string error;
    ASSERT_TRUE(ParseImportScript("300x200:3:invert,40x50:nomode", imports, error));
    std::vector<DescItem> list = ImportList(imports);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].kind, DescItem::Kind::Count);
    EXPECT_EQ(list[0].integer, 2);
    auto first = DecodeDescriptor(list[1].object.data(), list[1].object.size());
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), 4u);
    EXPECT_EQ((*first)[1].key, keyColumns);
    EXPECT_DOUBLE_EQ((*first)[1].number, 200);
    EXPECT_EQ((*first)[2].unit, MakeOSType('r', 'g', 'b', 'C'));
    EXPECT_EQ((*first)[3].key, keyInvert);
    auto second = DecodeDescriptor(list[2].object.data(), list[2].object.size());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->size(), 2u);
}

TEST(ImportScript, TheHostHandsThePlayedSeriesToTheModule) {
    fake::Reset();
    static uint32_t count = 0;
    static int16_t playInfo = -1;
    count = 0;
    fake::config().hook = [](int16_t s, AcquireRecord* pb) {
        if (s != acquireSelectorPrepare)
            return;
        PIDescriptorParameters* dp = pb->descriptorParameters;
        playInfo = dp->playInfo;
        PIReadDescriptor t = dp->readDescriptorProcs->openReadDescriptorProc(dp->descriptor, nullptr);
        DescriptorKeyID key = 0;
        while (dp->readDescriptorProcs->getKeyProc(t, &key, nullptr, nullptr))
            if (key == keyImportList)
                dp->readDescriptorProcs->getCountProc(t, &count);
        dp->readDescriptorProcs->closeReadDescriptorProc(t);
    };
    HostOptions options;
    options.playInfo = plugInDialogDontDisplay;
    std::string error;
    ASSERT_TRUE(ParseImportScript("1x1,2x2,3x3", options.play, error));
    std::vector<std::string> lines;
    {
        Host host(fake::Entry, options, [&](const std::string& l) { lines.push_back(l); });
        host.RunSeries();
        EXPECT_TRUE(host.Passed()) << (host.violations().empty() ? "" : host.violations()[0]);
    }
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(playInfo, plugInDialogDontDisplay);
    bool reported = false;
    for (const auto& l : lines)
        reported = reported || l.find("'mulK' count 3") != std::string::npos;
    EXPECT_TRUE(reported) << "the descriptor the module left is shown";
}
