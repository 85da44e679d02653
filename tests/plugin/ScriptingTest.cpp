// The scripting parameters against the test host's descriptor services: what a played list
// gives the record, what a recorded series hands over, and the host's strict checks on
// every handle and token on the way.
#include "host/Host.h"
#include "host/ImportScript.h"
#include "plugin/Scripting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qh = qv::host;

namespace {

Globals* g_globals = nullptr;
std::function<void(Globals*)> g_body;

// Runs the test's body inside a call of the module, as a phase would.
void HOSTAPI Entry(int16_t, void* stuff, intptr_t*, int16_t* result) {
    g_globals->gStuff = static_cast<AcquireRecord*>(stuff);
    g_globals->result = result;
    g_body(g_globals);
}

qh::DescItem Value(DescriptorKeyID key, qh::DescItem::Kind kind, double number = 0, int32_t integer = 0) {
    qh::DescItem item;
    item.key = key;
    item.kind = kind;
    item.number = number;
    item.integer = integer;
    item.unit = unitPixels;
    return item;
}

qh::DescItem ListEntry(const std::vector<qh::DescItem>& values) {
    qh::DescItem item = Value(keyImportList, qh::DescItem::Kind::Object);
    item.type = classImportInfo;
    item.object = qh::EncodeDescriptor(values);
    return item;
}

qh::DescItem Count(int32_t count) {
    return Value(keyImportList, qh::DescItem::Kind::Count, 0, count);
}

class Scripting : public ::testing::Test {
  protected:
    Scripting() {
        g_globals = &globals;
        globals.gLastRows = 300;
        globals.gLastCols = 300;
        globals.gLastMode = plugInModeGrayScale;
    }
    ~Scripting() override {
        host.reset();
        g_globals = nullptr;
    }

    void Open(const std::string& played = "", int16_t playInfo = plugInDialogDisplay) {
        host.reset();
        qh::HostOptions options;
        options.playInfo = playInfo;
        std::string error;
        if (!played.empty()) {
            EXPECT_TRUE(qh::ParseImportScript(played, options.play, error)) << error;
        }
        host =
            std::make_unique<qh::Host>(Entry, options, [this](const std::string& l) { lines.push_back(l); });
    }
    // A list as a host may hold it, right or wrong.
    void OpenList(const std::vector<qh::DescItem>& list) {
        Open();
        params().descriptor = host->descriptors().HandleOf(list);
    }

    int16_t In(std::function<void(Globals*)> body) {
        g_body = std::move(body);
        return host->Call(acquireSelectorPrepare);
    }

    PIDescriptorParameters& params() { return host->descriptorParameters(); }
    ReadDescriptorProcs& read() { return *host->descriptors().read(); }

    // Every import the module handed over so far.
    std::vector<qh::PlayedImport> HandedOver() { return qh::ImportsOf(host->descriptors().handedOver()); }

    // The host's checks at the end: no handle left, no token open, nothing disposed twice.
    void ExpectClean(const std::vector<std::string>& expected = {}) {
        host->End();
        EXPECT_EQ(host->violations(), expected);
    }

    Globals globals{};
    std::vector<std::string> lines;
    std::unique_ptr<qh::Host> host;
};

std::vector<OSErr> g_closeCodes;
OSErr (*g_close)(PIReadDescriptor) = nullptr;
OSErr g_entryCloseCode = noErr;

// Answers g_entryCloseCode for the entries, whose lists name the keys they want.
OSErr HOSTAPI SpyClose(PIReadDescriptor token) {
    OSErr code = g_close(token);
    g_closeCodes.push_back(code);
    return code == errMissingParameter && g_entryCloseCode != noErr ? g_entryCloseCode : code;
}

double g_unpinned = 0;
OSErr HOSTAPI UnpinnedRead(PIReadDescriptor, const double*, const double*, DescriptorUnitID*, double* value) {
    *value = g_unpinned;
    return noErr;
}

} // namespace

TEST_F(Scripting, PlayedEntriesGiveTheImageAndTheLastEndsTheSeries) {
    Open("2999.9x640.7:indX:invert:alpha,10x20:bitM");
    ASSERT_EQ(In(ReadScriptParams), noErr);
    EXPECT_NE(globals.readToken, nullptr);
    EXPECT_EQ(globals.remainingImports, 2u);
    EXPECT_TRUE(globals.queryForParameters);

    ASSERT_EQ(In(ReadNextImport), noErr);
    EXPECT_EQ(globals.gLastRows, 2999) << "truncated, not rounded";
    EXPECT_EQ(globals.gLastCols, 640);
    EXPECT_EQ(globals.gLastMode, plugInModeIndexedColor);
    EXPECT_TRUE(globals.lastInvert);
    EXPECT_TRUE(globals.lastAlphaIsTransparency);
    EXPECT_TRUE(globals.gContinueImport);
    EXPECT_EQ(globals.remainingImports, 1u);
    EXPECT_NE(params().descriptor, nullptr);

    // Prepare comes again before the next image: the list goes on where it was.
    PIReadDescriptor token = globals.readToken;
    ASSERT_EQ(In(ReadScriptParams), noErr);
    EXPECT_EQ(globals.readToken, token);
    EXPECT_EQ(globals.remainingImports, 1u);

    ASSERT_EQ(In(ReadNextImport), noErr);
    EXPECT_EQ(globals.gLastRows, 10);
    EXPECT_EQ(globals.gLastCols, 20);
    EXPECT_EQ(globals.gLastMode, plugInModeBitmap);
    EXPECT_FALSE(globals.lastInvert);
    EXPECT_FALSE(globals.gContinueImport) << "the last entry ends the series";
    EXPECT_EQ(globals.readToken, nullptr);
    EXPECT_EQ(params().descriptor, nullptr) << "the played list is given back";
    ExpectClean();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "played list: 2 of 2 entries taken"), lines.end());
}

TEST_F(Scripting, PlayModeDecidesTheDialog) {
    for (int16_t playInfo : {plugInDialogDontDisplay, plugInDialogDisplay, plugInDialogSilent}) {
        Open("", playInfo);
        globals.queryForParameters = playInfo != plugInDialogDisplay;
        In(ReadScriptParams);
        EXPECT_EQ(globals.queryForParameters, playInfo == plugInDialogDisplay) << playInfo;
        EXPECT_EQ(globals.readToken, nullptr) << "nothing to play";
    }
}

TEST_F(Scripting, CloseCodesOfTheHost) {
    Open("100x200:nomode,100x200:nomode");
    g_close = read().closeReadDescriptorProc;
    read().closeReadDescriptorProc = SpyClose;
    g_closeCodes.clear();
    g_entryCloseCode = noErr;
    globals.gLastMode = plugInModeBitmap;
    In(ReadScriptParams);
    EXPECT_EQ(In(ReadNextImport), noErr) << "a missing key is not reported";
    EXPECT_EQ(g_closeCodes, std::vector<OSErr>{errMissingParameter});
    EXPECT_EQ(globals.gLastMode, plugInModeBitmap) << "no mode key, no mode";
    EXPECT_EQ(globals.gLastRows, 100);

    g_entryCloseCode = -36;
    EXPECT_EQ(In(ReadNextImport), -36) << "any other close code is the host's result";
    EXPECT_EQ(g_closeCodes.size(), 3u) << "the entry, then the list";
    EXPECT_EQ(globals.readToken, nullptr);
    ExpectClean();
}

TEST_F(Scripting, RecordedSeriesIsHandedOverOnceAndKeepsFifty) {
    Open();
    for (int i = 1; i <= 51; ++i) {
        globals.gLastRows = static_cast<int16_t>(i);
        globals.gLastCols = 7;
        globals.gLastMode = static_cast<int16_t>(i % 4);
        globals.lastInvert = i == 2;
        globals.lastAlphaIsTransparency = i == 3;
        In(RecordImportInfo);
    }
    EXPECT_EQ(globals.importCount, 50);
    EXPECT_TRUE(host->descriptors().handedOver().empty()) << "nothing before the series ends";

    In(WriteScriptParams);
    EXPECT_EQ(globals.importCount, 0);
    EXPECT_EQ(params().recordInfo, 0);
    ASSERT_EQ(host->descriptors().handedOver().size(), 1u);
    const std::vector<qh::DescItem>& list = host->descriptors().handedOver()[0];
    ASSERT_EQ(list.size(), 51u);
    EXPECT_EQ(list[0].kind, qh::DescItem::Kind::Count);
    EXPECT_EQ(list[0].integer, 50);
    std::vector<qh::PlayedImport> imports = HandedOver();
    ASSERT_EQ(imports.size(), 50u);
    for (int i = 0; i < 49; ++i)
        EXPECT_EQ(imports[i].rows, i + 1) << "the first 49 stay";
    EXPECT_EQ(imports[49].rows, 51) << "the 51st takes the 50th place";
    EXPECT_EQ(imports[0].cols, 7);
    EXPECT_EQ(imports[1].mode, MakeOSType('i', 'n', 'd', 'X'));
    EXPECT_EQ(imports[2].mode, MakeOSType('r', 'g', 'b', 'C'));
    EXPECT_EQ(imports[3].mode, MakeOSType('b', 'i', 't', 'M'));
    EXPECT_TRUE(imports[1].invert);
    EXPECT_TRUE(imports[2].alphaIsTransparency);
    // Flags are written only when set.
    auto first = qh::DecodeDescriptor(list[1].object.data(), list[1].object.size());
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 3u);

    In(WriteScriptParams);
    EXPECT_EQ(host->descriptors().handedOver().size(), 1u) << "an empty series hands nothing over";
    ExpectClean();
}

TEST_F(Scripting, NothingRecordedLeavesTheHostsDescriptor) {
    Open("5x5");
    PIDescriptorHandle given = params().descriptor;
    In(WriteScriptParams);
    EXPECT_EQ(params().descriptor, given);
    EXPECT_TRUE(host->handles().IsLive(given));
    EXPECT_TRUE(host->descriptors().handedOver().empty());
    ExpectClean();
}

TEST_F(Scripting, ModesRoundTripAndUnknownCodesPlayAsRgb) {
    Open();
    for (int16_t mode : {plugInModeIndexedColor, plugInModeBitmap, int16_t(9)}) {
        globals.gLastMode = mode;
        In(RecordImportInfo);
    }
    In(WriteScriptParams);
    std::vector<qh::PlayedImport> played = HandedOver();
    qh::PlayedImport unknown;
    unknown.mode = MakeOSType('c', 'm', 'y', 'K');
    played.push_back(unknown);
    host->End();

    Open();
    params().descriptor = host->descriptors().HandleOf(qh::ImportList(played));
    In(ReadScriptParams);
    std::vector<int16_t> modes;
    for (int i = 0; i < 4; ++i) {
        globals.gLastMode = -1;
        In(ReadNextImport);
        modes.push_back(globals.gLastMode);
    }
    EXPECT_EQ(modes, (std::vector<int16_t>{plugInModeIndexedColor, plugInModeBitmap, plugInModeRGBColor,
                                           plugInModeRGBColor}));
    ExpectClean();
}

TEST_F(Scripting, WronglyTypedKeysChangeNothingTheyCannotRead) {
    using Kind = qh::DescItem::Kind;
    OpenList({Count(1), ListEntry({Value(keyRows, Kind::Boolean, 0, 1), Value(keyColumns, Kind::Integer),
                                   Value(keyMode, Kind::UnitFloat, 1), Value(keyInvert, Kind::UnitFloat)})});
    globals.gLastMode = plugInModeGrayScale;
    In(ReadScriptParams);
    EXPECT_EQ(In(ReadNextImport), noErr);
    EXPECT_EQ(globals.gLastRows, 300);
    EXPECT_EQ(globals.gLastCols, 300);
    EXPECT_EQ(globals.gLastMode, plugInModeRGBColor) << "a mode key without a code plays as RGB";
    EXPECT_FALSE(globals.lastInvert);
    ExpectClean();

    // A list length that is no count plays nothing, and the list is still closed.
    OpenList({Value(keyImportList, Kind::Integer, 0, 2), ListEntry({Value(keyRows, Kind::UnitFloat, 9)})});
    In(ReadScriptParams);
    EXPECT_EQ(globals.remainingImports, 0u);
    In(ReadNextImport);
    EXPECT_EQ(globals.gLastRows, 300);
    EXPECT_EQ(globals.readToken, nullptr);
    EXPECT_FALSE(globals.gContinueImport);
    ExpectClean();
}

TEST_F(Scripting, CountBeyondTheEntriesEndsWithTheList) {
    OpenList({Count(1000), ListEntry({Value(keyRows, qh::DescItem::Kind::UnitFloat, 42)})});
    In(ReadScriptParams);
    In(ReadNextImport);
    EXPECT_EQ(globals.gLastRows, 42);
    EXPECT_TRUE(globals.gContinueImport);
    In(ReadNextImport);
    EXPECT_EQ(globals.readToken, nullptr) << "no entry left: the read ends";
    EXPECT_FALSE(globals.gContinueImport);
    EXPECT_EQ(params().descriptor, nullptr);
    In(ReadNextImport);
    ExpectClean();
}

TEST_F(Scripting, EntryThatCannotBeOpenedIsSkippedAndGivenBack) {
    qh::DescItem broken = ListEntry({});
    broken.object = {1, 2, 3};
    OpenList({Count(2), broken, ListEntry({Value(keyRows, qh::DescItem::Kind::UnitFloat, 77)})});
    In(ReadScriptParams);
    In(ReadNextImport);
    EXPECT_EQ(globals.gLastRows, 300);
    EXPECT_TRUE(globals.gContinueImport);
    EXPECT_EQ(globals.remainingImports, 1u);
    In(ReadNextImport);
    EXPECT_EQ(globals.gLastRows, 77);
    // The host tells of the open; no handle is left behind.
    ExpectClean({"read descriptor opened on a handle that holds no descriptor"});
}

TEST_F(Scripting, PixelsStayInsideTheirRange) {
    Open("40000x0.2");
    In(ReadScriptParams);
    In(ReadNextImport);
    EXPECT_EQ(globals.gLastRows, 30000) << "pinned by the host";
    EXPECT_EQ(globals.gLastCols, 1);
    ExpectClean();

    // A host that does not pin still gives the record a value inside the range.
    for (double value : {1e12, -5.0, std::nan("")}) {
        Open("1x1");
        read().getPinnedUnitFloatProc = UnpinnedRead;
        g_unpinned = value;
        globals.gLastRows = 123;
        In(ReadScriptParams);
        In(ReadNextImport);
        EXPECT_EQ(globals.gLastRows, std::isnan(value) ? 123 : value > 0 ? 30000 : 1) << value;
        ExpectClean();
    }
}

TEST_F(Scripting, MissingServicesLeaveEverythingAlone) {
    Open("10x10");
    params().readDescriptorProcs->getPinnedUnitFloatProc = nullptr;
    globals.queryForParameters = true;
    In(ReadScriptParams);
    EXPECT_EQ(globals.readToken, nullptr);
    EXPECT_TRUE(globals.queryForParameters);
    In(RecordImportInfo);
    EXPECT_EQ(globals.importCount, 0);

    Open("10x10", plugInDialogDontDisplay);
    params().descriptorParametersVersion = 1;
    In(ReadScriptParams);
    EXPECT_EQ(globals.readToken, nullptr);
    EXPECT_TRUE(globals.queryForParameters);
    ExpectClean();
}

TEST_F(Scripting, FailedPrepareOpensNothing) {
    Open("10x10");
    In([](Globals* g) {
        *g->result = userCanceledErr;
        ReadScriptParams(g);
    });
    EXPECT_EQ(globals.readToken, nullptr) << "no start would come to close it";
    ExpectClean();
}

TEST_F(Scripting, WritingEndsAPlayedListFirst) {
    Open("1x1,2x2,3x3");
    In(ReadScriptParams);
    In(ReadNextImport);
    In(RecordImportInfo);
    In(WriteScriptParams);
    EXPECT_EQ(globals.readToken, nullptr);
    EXPECT_FALSE(globals.gContinueImport);
    ASSERT_EQ(HandedOver().size(), 1u);
    EXPECT_EQ(HandedOver()[0].rows, 1);
    ExpectClean();
}
