#include "MiniHost.h"

#include "platform/HostVersionResource.h"
#include "platform/MessageBox.h"
#include "plugin/HostUtilities.h"
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <map>

namespace {

class ServiceChecks : public ::testing::Test {
  protected:
    void SetUp() override {
        qv::RecordMessageBoxes();
        qv::TakeMessageBoxes();
    }
    // The single box shown since the last look, or "" when none or several were shown.
    std::string OnlyBox() {
        auto boxes = qv::TakeMessageBoxes();
        return boxes.size() == 1 ? boxes[0].text : std::string();
    }
    MiniHost host;
};

TEST_F(ServiceChecks, BufferServices) {
    EXPECT_TRUE(WarnBufferProcsAvailable(&host.record));
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
    host.bufferProcs.numBufferProcs = 8; // more entries than known is fine
    EXPECT_TRUE(BufferProcsAvailable(&host.record));

    host.bufferProcs.bufferProcsVersion = 3;
    bool newer = false;
    EXPECT_FALSE(BufferProcsAvailable(&host.record, &newer));
    EXPECT_TRUE(newer);
    EXPECT_FALSE(WarnBufferProcsAvailable(&host.record));
    EXPECT_EQ(OnlyBox(), TEXT_INCOMPATIBLE_HOST);

    // Hosts that lack something are told they are too old.
    const std::function<void(MiniHost&)> lacking[] = {
        [](MiniHost& h) { h.bufferProcs.bufferProcsVersion = 1; },
        [](MiniHost& h) { h.bufferProcs.numBufferProcs = 4; },
        [](MiniHost& h) { h.bufferProcs.spaceProc = nullptr; },
        [](MiniHost& h) { h.record.bufferProcs = nullptr; },
    };
    for (size_t i = 0; i < std::size(lacking); ++i) {
        MiniHost old;
        lacking[i](old);
        EXPECT_FALSE(WarnBufferProcsAvailable(&old.record)) << i;
        EXPECT_EQ(OnlyBox(), "This plug-in requires Adobe Photoshop\xae 2.5 or later functionality.") << i;
    }
    EXPECT_FALSE(WarnBufferProcsAvailable(nullptr));
    EXPECT_EQ(OnlyBox(), "This plug-in requires Adobe Photoshop\xae 2.5 or later functionality.");
}

TEST_F(ServiceChecks, AdvanceStateAndHandleServices) {
    EXPECT_FALSE(WarnAdvanceStateAvailable(&host.record));
    EXPECT_EQ(OnlyBox(), "This plug-in requires Adobe Photoshop\xae 3.0 or later functionality.");
    host.record.advanceState = []() -> OSErr { return noErr; };
    EXPECT_TRUE(WarnAdvanceStateAvailable(&host.record));

    EXPECT_TRUE(HandleProcsAvailable(&host.record));
    host.handleProcs.setSizeProc = nullptr;
    EXPECT_FALSE(HandleProcsAvailable(&host.record));
    host.handleProcs = {};
    host.handleProcs.handleProcsVersion = 2;
    bool newer = false;
    EXPECT_FALSE(HandleProcsAvailable(&host.record, &newer));
    EXPECT_TRUE(newer);
    // Nobody is told: process memory stands in.
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
}

TEST_F(ServiceChecks, ScriptingServicesNeedEveryEntry) {
    ReadDescriptorProcs read{};
    WriteDescriptorProcs write{};
    read.numReadDescriptorProcs = kCurrentReadDescriptorProcsCount;
    write.numWriteDescriptorProcs = kCurrentWriteDescriptorProcsCount;
    // Any non-null value serves: the check never calls them.
    auto fill = [](auto& procs, auto& firstEntry) {
        char* first = reinterpret_cast<char*>(&firstEntry);
        std::memset(first, 0x11, sizeof procs - (first - reinterpret_cast<char*>(&procs)));
    };
    fill(read, read.openReadDescriptorProc);
    fill(write, write.openWriteDescriptorProc);
    PIDescriptorParameters parameters{0, plugInDialogDisplay, 0, nullptr, &write, &read};
    host.record.descriptorParameters = &parameters;
    EXPECT_TRUE(DescriptorParametersAvailable(&host.record));
    read.getPinnedUnitFloatProc = nullptr;
    EXPECT_FALSE(DescriptorParametersAvailable(&host.record));
    fill(read, read.openReadDescriptorProc);
    write.numWriteDescriptorProcs = 15;
    EXPECT_FALSE(DescriptorParametersAvailable(&host.record));
    write.numWriteDescriptorProcs = kCurrentWriteDescriptorProcsCount;
    parameters.descriptorParametersVersion = 1;
    bool newer = false;
    EXPECT_FALSE(DescriptorParametersAvailable(&host.record, &newer));
    EXPECT_TRUE(newer);
}

TEST_F(ServiceChecks, StringAlertFillsBothPlaceholders) {
    EXPECT_EQ(ShowStringAlert(nullptr, nullptr, false, IDS_REQUIRES_VERSION, "9.9", nullptr), 0);
    EXPECT_TRUE(qv::TakeMessageBoxes().empty());
    EXPECT_EQ(ShowStringAlert(nullptr, nullptr, true, IDS_REQUIRES_VERSION, "^2", "x"), qv::kMessageBoxOk);
    auto boxes = qv::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    // Text put in place is not scanned again.
    EXPECT_EQ(boxes[0].text, "This plug-in requires Adobe Photoshop\xae ^2 or later functionality.");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].icon, qv::MsgIcon::Exclamation);
}

TEST(HandleStorage, FallsBackToProcessMemory) {
    MiniHost host;
    host.record.handleProcs = nullptr;
    OSErr error = 1;
    HostHandle handle = HostNewHandle(&host.record, 64, &error);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(error, noErr);
    char* bytes = HostLockHandle(&host.record, handle, true);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[63], 0);
    std::strcpy(bytes, "kept");
    HostUnlockHandle(&host.record, handle);
    EXPECT_STREQ(HostLockHandle(&host.record, handle, false), "kept");
    HostUnlockHandle(&host.record, handle);
    HostDisposeHandle(&host.record, handle);
    EXPECT_EQ(MiniHost::counts.news, 0);

    EXPECT_EQ(HostNewHandle(&host.record, -1, &error), nullptr);
    EXPECT_EQ(error, memFullErr);
    EXPECT_EQ(HostLockHandle(&host.record, nullptr, true), nullptr);
}

TEST(HandleStorage, UsesTheHostWhenItCan) {
    MiniHost host;
    HostHandle handle = HostNewHandle(&host.record, 16);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(HostLockHandle(&host.record, handle, true), *handle);
    HostUnlockHandle(&host.record, handle);
    HostDisposeHandle(&host.record, handle);
    EXPECT_EQ(MiniHost::counts.news, 1);
    EXPECT_EQ(MiniHost::counts.locks, 1);
    EXPECT_EQ(MiniHost::counts.unlocks, 1);
    EXPECT_EQ(MiniHost::counts.disposes, 1);
}

TEST(HandleStorage, EachHandleStaysWithTheAllocatorThatMadeIt) {
    MiniHost host;
    // Made while the host had no handle services; the services turn up later.
    host.record.handleProcs = nullptr;
    HostHandle own = HostNewHandle(&host.record, 32);
    ASSERT_NE(own, nullptr);
    host.record.handleProcs = &host.handleProcs;
    char* bytes = HostLockHandle(&host.record, own, true);
    ASSERT_NE(bytes, nullptr);
    std::strcpy(bytes, "ours");
    HostUnlockHandle(&host.record, own);
    HostDisposeHandle(&host.record, own);
    EXPECT_EQ(MiniHost::counts.locks, 0);
    EXPECT_EQ(MiniHost::counts.disposes, 0);

    // Made by the host; its services then disappear: nothing of ours touches it.
    HostHandle hosts = HostNewHandle(&host.record, 16);
    ASSERT_NE(hosts, nullptr);
    host.record.handleProcs = nullptr;
    EXPECT_EQ(HostLockHandle(&host.record, hosts, true), nullptr);
    HostUnlockHandle(&host.record, hosts);
    host.record.handleProcs = &host.handleProcs;
    HostDisposeHandle(&host.record, hosts);
    EXPECT_EQ(MiniHost::counts.news, 1);
    EXPECT_EQ(MiniHost::counts.disposes, 1);
}

TEST(HostIdentity, VersionIntegers) {
    struct Case {
        const char* text;
        bool readable;
        int32_t value;
    };
    for (Case c : {Case{"5", true, 5}, Case{"  12 ", true, 12}, Case{"-3", true, -3}, Case{"0.2", false, 0},
                   Case{"", false, 0}, Case{"  ", false, 0}, Case{"-", false, 0}, Case{"1 2", false, 0},
                   Case{"7a", false, 0}, Case{"99999999999", false, 0}}) {
        int32_t value = 0;
        EXPECT_EQ(ParseVersionInteger(c.text, value), c.readable) << c.text;
        if (c.readable) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(HostIdentity, FileVersionSplitting) {
    struct Case {
        const char* text;
        int major, minor, fix;
    };
    for (Case c :
         {Case{"5.02", 5, 0, 2}, Case{"5.5", 5, 5, 0}, Case{"5.0.2", 0, 2, 0}, Case{"5,5", 5, 5, 0},
          Case{"6.01", 6, 0, 1}, Case{"5.52", 5, 5, 2}, Case{"7.10", 7, 0, 10}, Case{"7.11", 7, 1, 1},
          Case{"4", 4, 0, 0}, Case{"x.5", 0, 5, 0}, Case{"5.", 5, 0, 0}, Case{" 5 . 5 ", 5, 0, 5}}) {
        HostInfo info;
        SplitFileVersion(c.text, info);
        EXPECT_EQ(info.major, c.major) << c.text;
        EXPECT_EQ(info.minor, c.minor) << c.text;
        EXPECT_EQ(info.fix, c.fix) << c.text;
    }
}

TEST(HostIdentity, InternalNamesAndQueryGroups) {
    EXPECT_EQ(HostCodeFromInternalName("Photoshp"), MakeOSType('8', 'B', 'I', 'M'));
    EXPECT_EQ(HostCodeFromInternalName("PM65"), MakeOSType('A', 'D', '6', '5'));
    EXPECT_EQ(HostCodeFromInternalName("Adobe Illustrator"), MakeOSType('A', 'R', 'T', '5'));
    EXPECT_EQ(HostCodeFromInternalName("photoshp"), 0u);
    EXPECT_EQ(HostCodeFromInternalName(""), 0u);

    HostInfo info;
    info.hostCode = MakeOSType('A', 'L', 'D', '6');
    info.major = 6;
    info.minor = 5;
    info.fix = 1;
    info.platform = kPlatformWindowsNT;
    const uint32_t packed = 6u << 24 | 5u << 20 | 1u << 16 | 10u;
    EXPECT_EQ(PackHostVersion(info, MakeOSType('A', 'L', 'D', '5')), packed);
    // Only a group's first code asks for it.
    EXPECT_EQ(PackHostVersion(info, MakeOSType('A', 'D', '6', '5')), 0u);
    EXPECT_EQ(PackHostVersion(info, MakeOSType('8', 'B', 'I', 'M')), 0u);
    info.hostCode = MakeOSType('A', 'R', 'T', '5');
    EXPECT_EQ(PackHostVersion(info, MakeOSType('A', 'R', 'T', '3')), packed);
    EXPECT_EQ(PackHostVersion(info, MakeOSType('C', 'd', 'r', 'w')), 0u);
    EXPECT_EQ(PackHostVersion(info, MakeOSType('z', 'z', 'z', 'z')), 0u);
    info.platform = 0;
    EXPECT_EQ(PackHostVersion(info, MakeOSType('A', 'R', 'T', '3')), 0u);
    // A minor above 15 stays out of the major byte.
    info.platform = kPlatformWindowsOther;
    info.minor = 0x1F;
    EXPECT_EQ(PackHostVersion(info, MakeOSType('A', 'R', 'T', '3')) >> 24, 6u);
}

// A version resource given as its raw bytes and a table of what the system would answer.
class FakeResource : public qv::VersionResource {
  public:
    std::vector<uint8_t> bytes{0};
    std::map<std::string, std::vector<uint8_t>> values;
    const std::vector<uint8_t>& Bytes() const override { return bytes; }
    bool Query(const std::string& path, std::vector<uint8_t>& value) const override {
        auto found = values.find(path);
        if (found == values.end())
            return false;
        value = found->second;
        return true;
    }
    void SetText(const std::string& path, const std::string& text) {
        values[path] = std::vector<uint8_t>(text.begin(), text.end());
        values[path].push_back(0);
    }
    void SetFixed(uint32_t flagsMask, uint32_t flags, uint32_t os) {
        std::vector<uint8_t> fixed(52, 0);
        auto put = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                fixed[at + i] = uint8_t(v >> (8 * i));
        };
        put(0, 0xFEEF04BD);
        put(24, flagsMask);
        put(28, flags);
        put(32, os);
        values["\\"] = fixed;
    }
};

TEST(HostIdentity, ReadsTheResourceThroughItsTranslation) {
    EXPECT_EQ(ReadHostInfo(nullptr).hostCode, 0u);
    EXPECT_EQ(PackHostVersion(ReadHostInfo(nullptr), MakeOSType('8', 'B', 'I', 'M')), 0u);

    FakeResource resource;
    resource.SetFixed(0x3F, 0x2, 0x00040004);
    resource.values["\\VarFileInfo\\Translation"] = {0x07, 0x04, 0xe4, 0x04};
    resource.SetText("\\StringFileInfo\\040704e4\\InternalName", "Photoshp");
    resource.SetText("\\StringFileInfo\\040704e4\\FileVersion", "5.02");
    HostInfo info = ReadHostInfo(&resource);
    EXPECT_EQ(info.hostCode, MakeOSType('8', 'B', 'I', 'M'));
    EXPECT_EQ(info.stage, kStageBeta);
    EXPECT_EQ(info.platform, kPlatformWindowsNT);
    EXPECT_EQ(PackHostVersion(info, MakeOSType('8', 'B', 'I', 'M')), 5u << 24 | 2u << 16 | 10u);

    resource.SetFixed(0x3F, 0x0, 0x00010001);
    EXPECT_EQ(ReadHostInfo(&resource).platform, kPlatformWindows16);
    EXPECT_EQ(ReadHostInfo(&resource).stage, kStageFinal);
    resource.SetFixed(0x3F, 0x1, 0x00000004);
    EXPECT_EQ(ReadHostInfo(&resource).platform, kPlatformWindowsOther);
    EXPECT_EQ(ReadHostInfo(&resource).stage, kStageDevelopment);

    // Without a translation the US English path is asked.
    resource.values.erase("\\VarFileInfo\\Translation");
    resource.SetText("\\StringFileInfo\\04090000\\InternalName", "PM6");
    EXPECT_EQ(ReadHostInfo(&resource).hostCode, MakeOSType('A', 'L', 'D', '6'));
}

// Appends one string block as the resource stores it: key, padding, value.
void AppendWide(std::vector<uint8_t>& bytes, const std::string& key, const std::string& value) {
    auto wide = [&](const std::string& text) {
        for (char c : text) {
            bytes.push_back(uint8_t(c));
            bytes.push_back(0);
        }
        bytes.push_back(0);
        bytes.push_back(0);
    };
    bytes.insert(bytes.end(), {0x30, 0x00, 0x08, 0x00, 0x01, 0x00});
    wide(key);
    while (bytes.size() % 4)
        bytes.push_back(0);
    wide(value);
    while (bytes.size() % 4)
        bytes.push_back(0);
}

TEST(HostIdentity, SearchesTheRawBytesWhenTheTranslationPathFails) {
    FakeResource resource;
    resource.bytes.clear();
    resource.SetFixed(0x3F, 0, 0x00040004);
    AppendWide(resource.bytes, "FileVersion", "6.01");
    AppendWide(resource.bytes, "InternalName", "Photoshp");
    HostInfo info = ReadHostInfo(&resource);
    EXPECT_EQ(info.hostCode, MakeOSType('8', 'B', 'I', 'M'));
    EXPECT_EQ(info.major, 6);
    EXPECT_EQ(info.fix, 1);

    FakeResource narrow;
    narrow.bytes.clear();
    const std::string raw("InternalName\0\0\0\0PM5\0", 20);
    narrow.bytes.assign(raw.begin(), raw.end());
    EXPECT_EQ(ReadHostInfo(&narrow).hostCode, MakeOSType('A', 'L', 'D', '5'));
    // Without fixed information the platform is unknown and no version is given.
    EXPECT_EQ(PackHostVersion(ReadHostInfo(&narrow), MakeOSType('A', 'L', 'D', '5')), 0u);
}

} // namespace
