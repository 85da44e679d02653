#include "host/Descriptors.h"
#include "host/ImportScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qv::host;

namespace {

constexpr DescriptorEnumID kGray = MakeOSType('g', 'r', 'y', 'S');

class Descriptors : public ::testing::Test {
  protected:
    Descriptors()
        : handles([this](const std::string& s) { reports.push_back(s); }),
          suites(handles, [this](const std::string& s) { reports.push_back(s); }) {
        SetCurrentDescriptorSuites(&suites);
    }
    ~Descriptors() override { SetCurrentDescriptorSuites(nullptr); }

    // Writes one entry the way a module records an import.
    PIDescriptorHandle Entry(double rows, double cols, bool withMode, bool invert) {
        WriteDescriptorProcs* w = suites.write();
        PIWriteDescriptor t = w->openWriteDescriptorProc();
        EXPECT_EQ(w->putUnitFloatProc(t, keyRows, unitPixels, &rows), noErr);
        EXPECT_EQ(w->putUnitFloatProc(t, keyColumns, unitPixels, &cols), noErr);
        if (withMode) {
            EXPECT_EQ(w->putEnumeratedProc(t, keyMode, typeColorMode, kGray), noErr);
        }
        if (invert) {
            EXPECT_EQ(w->putBooleanProc(t, keyInvert, 1), noErr);
        }
        PIDescriptorHandle h = nullptr;
        EXPECT_EQ(w->closeWriteDescriptorProc(t, &h), noErr);
        return h;
    }

    std::vector<std::string> reports;
    HandlePool handles;
    DescriptorSuites suites;
};

} // namespace

TEST_F(Descriptors, TablesAreCompleteForTheirVersion) {
    const ReadDescriptorProcs* r = suites.read();
    EXPECT_EQ(r->readDescriptorProcsVersion, 0);
    EXPECT_EQ(r->numReadDescriptorProcs, 18);
    const auto* procs = reinterpret_cast<void* const*>(&r->openReadDescriptorProc);
    for (int i = 0; i < 18; ++i)
        EXPECT_NE(procs[i], nullptr) << i;
    const WriteDescriptorProcs* w = suites.write();
    EXPECT_EQ(w->numWriteDescriptorProcs, 16);
    const auto* wprocs = reinterpret_cast<void* const*>(&w->openWriteDescriptorProc);
    for (int i = 0; i < 16; ++i)
        EXPECT_NE(wprocs[i], nullptr) << i;
}

TEST_F(Descriptors, AnEntryReadsBackKeyByKey) {
    PIDescriptorHandle h = Entry(2999.9, 640, true, true);
    ReadDescriptorProcs* r = suites.read();
    DescriptorKeyID keys[] = {keyRows, keyColumns, keyMode, 0};
    PIReadDescriptor t = r->openReadDescriptorProc(h, keys);
    ASSERT_NE(t, nullptr);
    DescriptorKeyID key = 0;
    DescriptorTypeID type = 0;
    int32_t flags = 0;
    std::vector<DescriptorKeyID> order;
    double rows = 0;
    DescriptorEnumID mode = 0;
    HostBoolean invert = 0;
    while (r->getKeyProc(t, &key, &type, &flags)) {
        order.push_back(key);
        const double low = 1.0, high = 30000.0;
        DescriptorUnitID unit = 0;
        if (key == keyRows) {
            EXPECT_EQ(r->getPinnedUnitFloatProc(t, &low, &high, &unit, &rows), noErr);
            EXPECT_EQ(unit, unitPixels);
        } else if (key == keyMode) {
            EXPECT_EQ(type, typeColorMode);
            EXPECT_EQ(r->getEnumeratedProc(t, &mode), noErr);
        } else if (key == keyInvert) {
            EXPECT_EQ(r->getBooleanProc(t, &invert), noErr);
        }
    }
    EXPECT_EQ(order, (std::vector<DescriptorKeyID>{keyRows, keyColumns, keyMode, keyInvert}));
    EXPECT_DOUBLE_EQ(rows, 2999.9);
    EXPECT_EQ(mode, kGray);
    EXPECT_EQ(invert, 1);
    EXPECT_EQ(r->closeReadDescriptorProc(t), noErr);
    handles.Dispose(h);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Descriptors, MissingListedKeyAndWrongTypeAndPinning) {
    PIDescriptorHandle h = Entry(0.25, 40000, false, false);
    ReadDescriptorProcs* r = suites.read();
    DescriptorKeyID keys[] = {keyRows, keyColumns, keyMode, 0};
    PIReadDescriptor t = r->openReadDescriptorProc(h, keys);
    DescriptorKeyID key = 0;
    const double low = 1.0, high = 30000.0;
    double v = 0;
    DescriptorEnumID e = 0;
    ASSERT_TRUE(r->getKeyProc(t, &key, nullptr, nullptr));
    EXPECT_EQ(r->getEnumeratedProc(t, &e), paramErr) << "a float is no enumeration";
    EXPECT_EQ(r->getPinnedUnitFloatProc(t, &low, &high, nullptr, &v), coercedParamErr);
    EXPECT_DOUBLE_EQ(v, 1.0);
    ASSERT_TRUE(r->getKeyProc(t, &key, nullptr, nullptr));
    EXPECT_EQ(r->getPinnedUnitFloatProc(t, &low, &high, nullptr, &v), coercedParamErr);
    EXPECT_DOUBLE_EQ(v, 30000.0);
    EXPECT_FALSE(r->getKeyProc(t, &key, nullptr, nullptr));
    EXPECT_EQ(r->closeReadDescriptorProc(t), errMissingParameter);
    EXPECT_EQ(r->closeReadDescriptorProc(t), paramErr);
    EXPECT_EQ(reports.size(), 1u) << "closing twice is the module's fault";
    handles.Dispose(h);
}

TEST_F(Descriptors, AListOfObjectsRoundTrips) {
    WriteDescriptorProcs* w = suites.write();
    PIWriteDescriptor t = w->openWriteDescriptorProc();
    ASSERT_EQ(w->putCountProc(t, keyImportList, 2), noErr);
    for (int i = 0; i < 2; ++i) {
        PIDescriptorHandle e = Entry(100 + i, 200 + i, true, false);
        ASSERT_EQ(w->putObjectProc(t, keyImportList, classImportInfo, e), noErr);
        handles.Dispose(e);
    }
    PIDescriptorHandle list = nullptr;
    ASSERT_EQ(w->closeWriteDescriptorProc(t, &list), noErr);
    EXPECT_NE(DescribeDescriptor(*suites.ItemsOf(list)).find("'mulK' object 'mulS'"), std::string::npos);

    ReadDescriptorProcs* r = suites.read();
    PIReadDescriptor rt = r->openReadDescriptorProc(list, nullptr);
    DescriptorKeyID key = 0;
    ASSERT_TRUE(r->getKeyProc(rt, &key, nullptr, nullptr));
    EXPECT_EQ(key, keyImportList);
    uint32_t count = 0;
    ASSERT_EQ(r->getCountProc(rt, &count), noErr);
    EXPECT_EQ(count, 2u);
    for (int i = 0; i < 2; ++i) {
        DescriptorTypeID type = 0;
        PIDescriptorHandle entry = nullptr;
        ASSERT_EQ(r->getObjectProc(rt, &type, &entry), noErr);
        EXPECT_EQ(type, classImportInfo);
        auto items = suites.ItemsOf(entry);
        ASSERT_TRUE(items);
        EXPECT_DOUBLE_EQ((*items)[0].number, 100 + i);
        handles.Dispose(entry);
    }
    PIDescriptorHandle none = nullptr;
    EXPECT_NE(r->getObjectProc(rt, nullptr, &none), noErr);
    EXPECT_EQ(none, nullptr);
    EXPECT_FALSE(r->getKeyProc(rt, &key, nullptr, nullptr)) << "list members are not keys of their own";
    EXPECT_EQ(r->closeReadDescriptorProc(rt), noErr);
    handles.Dispose(list);
    EXPECT_EQ(handles.ReportLeaks(), 0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Descriptors, ModuleMistakesAreReported) {
    ReadDescriptorProcs* r = suites.read();
    WriteDescriptorProcs* w = suites.write();
    EXPECT_EQ(r->openReadDescriptorProc(nullptr, nullptr), nullptr) << "nothing to play";
    HostHandle junk = handles.New(3);
    EXPECT_EQ(r->openReadDescriptorProc(junk, nullptr), nullptr);
    PIWriteDescriptor t = w->openWriteDescriptorProc();
    HostHandle stray = reinterpret_cast<HostHandle>(&junk);
    EXPECT_EQ(w->putObjectProc(t, keyImportList, classImportInfo, stray), paramErr);
    r->openReadDescriptorProc(Entry(1, 1, true, false), nullptr);
    EXPECT_EQ(suites.ReportOpenTokens(), 2);
    EXPECT_EQ(reports.size(), 4u);
}

TEST(DescriptorCoding, RejectsTruncatedOrForeignBytes) {
    DescItem a;
    a.key = keyRows;
    a.kind = DescItem::Kind::Object;
    a.object = {1, 2, 3};
    std::vector<uint8_t> bytes = EncodeDescriptor({a});
    auto back = DecodeDescriptor(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)[0].object, a.object);
    EXPECT_FALSE(DecodeDescriptor(bytes.data(), bytes.size() - 1));
    bytes[0] ^= 1;
    EXPECT_FALSE(DecodeDescriptor(bytes.data(), bytes.size()));
    EXPECT_EQ(FourCC(keyMode), "Md  ");
}
