#include "FakeModule.h"
#include "host/Host.h"
#include "host/ImportScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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

namespace {

void ExpectSame(const std::vector<PlayedImport>& a, const std::vector<PlayedImport>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].rows, b[i].rows) << i;
        EXPECT_EQ(a[i].cols, b[i].cols) << i;
        EXPECT_EQ(a[i].hasMode, b[i].hasMode) << i;
        if (a[i].hasMode) {
            EXPECT_EQ(a[i].mode, b[i].mode) << i;
        }
        EXPECT_EQ(a[i].invert, b[i].invert) << i;
        EXPECT_EQ(a[i].alphaIsTransparency, b[i].alphaIsTransparency) << i;
    }
}

} // namespace

TEST(ImportScript, ARecordedSeriesIsSavedAndPlayedAgain) {
    std::vector<PlayedImport> first, second;
    std::string error;
    ASSERT_TRUE(ParseImportScript("2999.9x640:indX:invert,10x20:nomode:alpha", first, error));
    ASSERT_TRUE(ParseImportScript("0.1x30000:cmyK", second, error));
    // Each list handed over adds its entries; the count item is no entry.
    std::vector<PlayedImport> series = ImportsOf({ImportList(first), ImportList(second)});
    std::vector<PlayedImport> all = first;
    all.push_back(second[0]);
    ExpectSame(series, all);

    const std::string path = testing::TempDir() + "recorded-series.txt";
    ASSERT_TRUE(SaveImportScript(path, series, error)) << error;
    std::vector<PlayedImport> played;
    ASSERT_TRUE(ReadImportScript(path, played, error)) << error;
    ExpectSame(played, series);

    // Notes, blank lines and Windows line ends in a file; a text that names no file is the list.
    {
        std::ofstream out(path, std::ios::binary);
        out << "# notes\r\n\r\n300x200:1\r\n# more\r\n40x50\r\n";
    }
    ASSERT_TRUE(ReadImportScript(path, played, error)) << error;
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1].rows, 40);
    ASSERT_TRUE(ReadImportScript("7x8", played, error));
    EXPECT_EQ(played[0].cols, 8);
    {
        std::ofstream out(path, std::ios::binary);
        out << "# nothing recorded\n";
    }
    EXPECT_FALSE(ReadImportScript(path, played, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    std::remove(path.c_str());
}

TEST(ImportScript, TheHostKeepsWhatTheModuleHandsOver) {
    fake::Reset();
    // Hands over a one-entry list at every finish and at finalize; the last time a handle
    // that holds no descriptor.
    fake::config().images = 2;
    fake::config().hook = [](int16_t s, AcquireRecord* pb) {
        if (s != acquireSelectorFinish && s != acquireSelectorFinalize)
            return;
        PIDescriptorParameters* dp = pb->descriptorParameters;
        if (s == acquireSelectorFinalize) {
            dp->descriptor = pb->handleProcs->newProc(4);
            return;
        }
        WriteDescriptorProcs* w = dp->writeDescriptorProcs;
        PIWriteDescriptor t = w->openWriteDescriptorProc();
        w->putCountProc(t, keyImportList, 1);
        PIWriteDescriptor e = w->openWriteDescriptorProc();
        const double rows = 11;
        w->putUnitFloatProc(e, keyRows, unitPixels, &rows);
        PIDescriptorHandle entry = nullptr;
        w->closeWriteDescriptorProc(e, &entry);
        w->putObjectProc(t, keyImportList, classImportInfo, entry);
        pb->handleProcs->disposeProc(entry);
        w->closeWriteDescriptorProc(t, &dp->descriptor);
    };
    std::vector<std::string> lines;
    Host host(fake::Entry, HostOptions{}, [&](const std::string& l) { lines.push_back(l); });
    host.RunSeries();
    EXPECT_EQ(host.descriptors().handedOver().size(), 2u);
    std::vector<PlayedImport> series = ImportsOf(host.descriptors().handedOver());
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[1].rows, 11);
    EXPECT_FALSE(series[1].hasMode);
    EXPECT_EQ(host.descriptorParameters().descriptor, nullptr) << "the host took it";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.rfind("descriptor handed over at finish:\n", 0) == 0;
                            }),
              2);
    EXPECT_EQ(host.violations(),
              std::vector<std::string>{"the module handed over a handle that holds no descriptor"})
        << "and no handle is left behind";
    fake::Reset();
}
