// The stand-in library as the module meets it: loaded by name from the executable's
// folder, bound with GetProcAddress, its scenario taken from the environment or its folder.
#include <windows.h>

#include "platform/orv_scan_abi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

void SetScenario(const std::string& path) {
    std::string entry = "QV_SIM_SCENARIO=" + path;
    _putenv(entry.c_str());
    SetEnvironmentVariableA("QV_SIM_SCENARIO", path.empty() ? nullptr : path.c_str());
}

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/"));
}

struct Library {
    HMODULE module = nullptr;
    scanOpenLib_t openLib = nullptr;
    scanGetNextScanner_t getNext = nullptr;
    scanOpenScanner_t openScanner = nullptr;
    scanCloseScanner_t closeScanner = nullptr;
    scanCloseLib_t closeLib = nullptr;
    scanGetHardwareType_t hardwareType = nullptr;
    scanInquiry_t inquiry = nullptr;
    scanInquiryPage_t inquiryPage = nullptr;
    scanTestUnitReady_t testUnitReady = nullptr;
    scanObjectPosition_t objectPosition = nullptr;
    scanSetWindow_t setWindow = nullptr;
    scanSend_t send = nullptr;
    scanScan_t scan = nullptr;
    scanRead_t read = nullptr;
    scanReadBuffer_t readBuffer = nullptr;
    scanReceiveDiagnostic_t receiveDiagnostic = nullptr;
    scanGetLastAsc_t lastAsc = nullptr;

    explicit Library(const char* name) {
        module = LoadLibraryA(name);
        if (!module)
            return;
        auto bind = [&](auto& slot, const char* symbol) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
                reinterpret_cast<void*>(GetProcAddress(module, symbol)));
            EXPECT_NE(slot, nullptr) << symbol;
        };
        bind(openLib, "scanOpenLib");
        bind(getNext, "scanGetNextScanner");
        bind(openScanner, "scanOpenScanner");
        bind(closeScanner, "scanCloseScanner");
        bind(closeLib, "scanCloseLib");
        bind(hardwareType, "scanGetHardwareType");
        bind(inquiry, "scanInquiry");
        bind(inquiryPage, "scanInquiryPage");
        bind(testUnitReady, "scanTestUnitReady");
        bind(objectPosition, "scanObjectPosition");
        bind(setWindow, "scanSetWindow");
        bind(send, "scanSend");
        bind(scan, "scanScan");
        bind(read, "scanRead");
        bind(readBuffer, "scanReadBuffer");
        bind(receiveDiagnostic, "scanReceiveDiagnostic");
        bind(lastAsc, "scanGetLastAsc");
    }
    ~Library() {
        if (module)
            FreeLibrary(module);
    }
    std::vector<uint32_t> List() {
        std::vector<uint32_t> handles;
        uint32_t handle = 0, reserved = 0;
        for (int32_t first = 1; getNext(&handle, &reserved, first) == 0; first = 0)
            handles.push_back(handle);
        return handles;
    }
};

std::vector<uint8_t> Window(uint32_t rx, uint32_t width, uint32_t height) {
    std::vector<uint8_t> b(77, 0);
    b[7] = 69;
    b[10] = static_cast<uint8_t>(rx >> 8), b[11] = static_cast<uint8_t>(rx);
    b[12] = b[10], b[13] = b[11];
    for (int i = 0; i < 4; ++i) {
        b[22 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        b[26 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    b[33] = 5, b[34] = 24, b[60] = 4, b[76] = 1;
    return b;
}

TEST(StandInLibrary, DefaultDeviceScansItsRamp) {
    SetScenario("");
    Library lib("orv_scan_2000.dll");
    ASSERT_NE(lib.module, nullptr);
    ASSERT_EQ(lib.openLib(), 0);
    auto handles = lib.List();
    ASSERT_EQ(handles.size(), 1u);
    uint32_t h = handles[0];
    ASSERT_EQ(lib.openScanner(h), 0);
    EXPECT_EQ(lib.hardwareType(h), 1);
    uint8_t inquiry[36];
    ASSERT_EQ(lib.inquiry(h, inquiry, 36), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 16), 16), "SIM-G5 COLOR 54 ");

    ASSERT_EQ(lib.objectPosition(h, 1, 0), 0);
    int guard = 0;
    while (lib.testUnitReady(h) == 2 && lib.lastAsc(h) == 0x3A82)
        ASSERT_LT(++guard, 100);
    auto window = Window(100, 4 * 1200, 1200); // 4 x 1 inch at 100 dpi
    ASSERT_EQ(lib.setWindow(h, window.data(), 77), 0);
    ASSERT_EQ(lib.objectPosition(h, 2, 0), 0);
    uint8_t status[21];
    int32_t got = 0;
    do {
        ASSERT_EQ(lib.read(h, status, 21, 0x80, 0, &got), 0);
        ASSERT_LT(++guard, 100);
    } while (status[1] != '1');
    uint8_t list[2] = {};
    ASSERT_EQ(lib.scan(h, list, 1), 0);
    uint8_t size[8];
    ASSERT_EQ(lib.read(h, size, 8, 0xFF, 2, &got), 0);
    EXPECT_EQ(size[0] << 8 | size[1], 1200);

    std::vector<uint8_t> rows(1200 * 100);
    ASSERT_EQ(lib.read(h, rows.data(), static_cast<int32_t>(rows.size()), 0, 0, &got), 0);
    ASSERT_EQ(got, 1200 * 100);
    // The ramp over 36 inches: pixel c of a 100-dpi row samples sheet column 2c+1.
    for (int c : {0, 150, 399})
        EXPECT_EQ(rows[3 * c], (2 * c + 1) * 256 / 7200) << c;
    EXPECT_EQ(lib.read(h, rows.data(), 1200, 0, 0, &got), 2);
    EXPECT_EQ(lib.lastAsc(h), 0x3B09);
    EXPECT_EQ(lib.closeScanner(h), 0);
    EXPECT_EQ(lib.closeLib(), 0);
}

TEST(StandInLibrary, ScenarioFromTheEnvironment) {
    std::ofstream("two.ini") << "[device]\nprofile = gen4-gray\n\n[device]\nprofile = gen5-gray\n"
                                "open-status = -150\nstate = 3\n";
    SetScenario("two.ini");
    Library lib("orv_scan_2000.dll");
    ASSERT_NE(lib.module, nullptr);
    ASSERT_EQ(lib.openLib(), 0);
    auto handles = lib.List();
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_EQ(lib.hardwareType(handles[0]), 2);
    EXPECT_EQ(lib.openScanner(handles[1]), -150);
    ASSERT_EQ(lib.openScanner(handles[0]), 0);
    EXPECT_EQ(lib.objectPosition(handles[0], 1, 0), 2) << "no sheet in this device";
    EXPECT_EQ(lib.lastAsc(handles[0]), 0x3A00);
    uint8_t page[6];
    ASSERT_EQ(lib.inquiryPage(handles[0], page, 6, 0xC0), 0);
    EXPECT_EQ(page[1], 0xC0);
    SetScenario("");
}

TEST(StandInLibrary, UnreadableScenarioIsAMissingDriver) {
    SetScenario("no-such-scenario.ini");
    Library lib("orv_scan_2000.dll");
    ASSERT_NE(lib.module, nullptr);
    EXPECT_EQ(lib.openLib(), -118);
    uint32_t handle = 7, reserved = 0;
    EXPECT_EQ(lib.getNext(&handle, &reserved, 1), -117);
    EXPECT_EQ(handle, 0u);
    SetScenario("");
}

TEST(StandInLibrary, ScenarioBesideTheLibrary) {
    SetScenario("");
    CreateDirectoryA("beside", nullptr);
    std::string source = ExeFolder() + "\\orv_scan_2000.dll";
    ASSERT_TRUE(CopyFileA(source.c_str(), "beside\\orv_scan_2000.dll", FALSE));
    std::ofstream("beside\\orv_scan_2000.ini") << "# nothing attached\n[library]\n";
    char full[MAX_PATH];
    GetFullPathNameA("beside\\orv_scan_2000.dll", MAX_PATH, full, nullptr);
    {
        Library lib(full);
        ASSERT_NE(lib.module, nullptr);
        ASSERT_EQ(lib.openLib(), 0);
        EXPECT_TRUE(lib.List().empty());
    }
    DeleteFileA("beside\\orv_scan_2000.ini");
    DeleteFileA("beside\\orv_scan_2000.dll");
}

} // namespace
