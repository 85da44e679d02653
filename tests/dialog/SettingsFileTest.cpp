#include "dialog/ControlIds.h"
#include "dialog/Settings.h"
#include "dialog/SettingsFile.h"
#include "platform/SettingsLocation.h"

#include "tests/dialog/DialogFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("qv-settings-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        qv::SetSettingsFolder(folder.string());
        m_Set = ScanSettings{};
        g_DialogSettings = DialogSettings{};
        PaperTable[kUserPaperRow] = {"User Defined", 0.0, 0.0, 0.0, 0.0};
        qv::SetActiveDialogControls(nullptr);
    }
    void TearDown() override {
        qv::SetActiveDialogControls(nullptr);
        qv::SetSettingsFolder("");
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    void WriteFile(const std::string& bytes) { std::ofstream(folder / "QVL.ini", std::ios::binary) << bytes; }
    std::string FileBytes() {
        std::ifstream file(folder / "QVL.ini", std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    // Reads the text as the whole file would be read, from a buffer with nothing after it.
    void ReadText(const std::string& text) {
        std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        SetDefaultSettings();
        ApplySettingsText(std::string_view(exact.get(), text.size()));
    }
    fs::path folder;
};

// Every value away from its default, so that a value read into the wrong field shows.
void SetUnusualSettings() {
    m_Set.enumMode = 2;
    m_Set.iResolution = 600;
    std::strcpy(g_DialogSettings.szPaperName, "Legal-L");
    g_DialogSettings.iBrightness = -35;
    g_DialogSettings.iContrast = 40;
    g_DialogSettings.iGamma10 = 15;
    g_DialogSettings.g_iBlur = 8;
    g_DialogSettings.g_iThreshold = 99;
    g_DialogSettings.iLevel = -2;
    m_Set.iBackgroundLevel = 5;
    m_Set.iSharpenSoften = -1;
    g_DialogSettings.iPaperUnit = 2;
    g_DialogSettings.bCenterLoad = true;
    m_Set.ResolutionList[0] = 300;
    m_Set.ResolutionList[1] = 450;
    m_Set.resolutionCount = 2;
    PaperTable[kUserPaperRow] = {"User Defined", 1.0, 2.5, 30.4, 40.0};
    m_Set.iGeneration = 5;
    g_DialogSettings.stitchMarks = true;
    g_DialogSettings.bDebugLog = true;
    g_DialogSettings.iMaxPreScanLength = 320;
    g_DialogSettings.PixelBorderLimit = 3;
    g_DialogSettings.ShowCoordinates = true;
    m_Set.bNtscSelected = true;
}

TEST_F(SettingsFileTest, WrittenInTableOrderWithThePlatformsLineEnd) {
    SetUnusualSettings();
    ASSERT_TRUE(WriteSettingsFile());
    const char* lines[] = {"Mode=2",
                           "Resolution=600",
                           "PaperSizeName=Legal-L",
                           "Brightness=-35",
                           "Contrast=40",
                           "Gamma=1.5",
                           "Blur=8",
                           "Threshold=99",
                           "Level=-2",
                           "BackgroundLevel=5",
                           "SharpenSoften=-1",
                           "PaperUnit=SCANNER UNIT",
                           "CenterLoad=ON",
                           "User Defined Resolution=450",
                           "User Defined PaperSize=1.00 2.50 30.40 40.00 User Defined",
                           "Generation=5",
                           "Stitch=ON",
                           "DebugLog=ON",
                           "MaxPreScanLength=320",
                           "PixelBorderLimit=3",
                           "ShowCoordinates=TRUE",
                           "NTSC_Selected=TRUE"};
    std::string expected;
    for (const char* line : lines)
        expected += std::string(line) + kLineEnd;
    EXPECT_EQ(FileBytes(), expected);
}

// Every value differs from its default and from the others, so a value read into the wrong
// field, or not read, writes a different file.
TEST_F(SettingsFileTest, ReadBackGivesWhatWasWritten) {
    SetUnusualSettings();
    ASSERT_TRUE(WriteSettingsFile());
    const std::string written = FileBytes();
    m_Set = ScanSettings{};
    g_DialogSettings = DialogSettings{};
    PaperTable[kUserPaperRow] = {"User Defined", 0.0, 0.0, 0.0, 0.0};

    ASSERT_TRUE(ReadSettingsFile());
    EXPECT_EQ(m_Set.iUserResolution, 450);
    EXPECT_DOUBLE_EQ(PaperTable[kUserPaperRow].dWidth, 30.4);
    ASSERT_TRUE(WriteSettingsFile());
    EXPECT_EQ(FileBytes(), written);
}

void ExpectDefaults() {
    EXPECT_EQ(m_Set.enumMode, 10);
    EXPECT_EQ(m_Set.iResolution, 300);
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 8);
    EXPECT_EQ(g_DialogSettings.iBrightness, 0);
    EXPECT_EQ(g_DialogSettings.iContrast, 0);
    EXPECT_EQ(g_DialogSettings.iGamma10, 22);
    EXPECT_FALSE(m_Set.bNtscSelected);
    EXPECT_EQ(g_DialogSettings.g_iBlur, 1);
    EXPECT_EQ(g_DialogSettings.g_iThreshold, 151);
    EXPECT_EQ(g_DialogSettings.iLevel, 0);
    EXPECT_EQ(m_Set.iSharpenSoften, 0);
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 0);
    EXPECT_FALSE(g_DialogSettings.bCenterLoad);
    EXPECT_EQ(m_Set.iGeneration, 4);
    EXPECT_FALSE(g_DialogSettings.stitchMarks);
    EXPECT_FALSE(g_DialogSettings.bDebugLog);
    EXPECT_EQ(g_DialogSettings.iMaxPreScanLength, 200);
    EXPECT_EQ(g_DialogSettings.PixelBorderLimit, 1);
    EXPECT_FALSE(g_DialogSettings.ShowCoordinates);
}

TEST_F(SettingsFileTest, MissingOrEmptyFileKeepsDefaultsAndThePaperName) {
    SetUnusualSettings();
    EXPECT_FALSE(ReadSettingsFile());
    ExpectDefaults();
    EXPECT_STREQ(g_DialogSettings.szPaperName, "Legal-L");
    // Not defaults: only a file changes these.
    EXPECT_EQ(m_Set.iBackgroundLevel, 5);
    EXPECT_DOUBLE_EQ(PaperTable[kUserPaperRow].dWidth, 30.4);

    SetUnusualSettings();
    WriteFile("");
    EXPECT_FALSE(ReadSettingsFile());
    ExpectDefaults();
    EXPECT_STREQ(g_DialogSettings.szPaperName, "Legal-L");
}

TEST_F(SettingsFileTest, KeysMissingFromTheFileTakeDefaultsAndTheNameIsCleared) {
    SetUnusualSettings();
    WriteFile("Blur=4\n");
    ASSERT_TRUE(ReadSettingsFile());
    EXPECT_EQ(g_DialogSettings.g_iBlur, 4);
    g_DialogSettings.g_iBlur = 1;
    ExpectDefaults();
    EXPECT_STREQ(g_DialogSettings.szPaperName, "");
    EXPECT_EQ(m_Set.iBackgroundLevel, 5);
    EXPECT_EQ(m_Set.iUserResolution, 0);
    EXPECT_DOUBLE_EQ(PaperTable[kUserPaperRow].dHeight, 40.0);
}

class SettingsDefaultsTest : public qv::testing::DialogFixture {};

TEST_F(SettingsDefaultsTest, DefaultsCheckTheSrgbRadioOfTheActiveDialog) {
    Controls().CheckRadio(kIdNtsc, kIdSrgb, kIdNtsc);
    m_Set.bNtscSelected = true;
    SetDefaultSettings();
    EXPECT_FALSE(m_Set.bNtscSelected);
    EXPECT_TRUE(Controls().IsChecked(kIdSrgb));
    EXPECT_FALSE(Controls().IsChecked(kIdNtsc));

    qv::SetActiveDialogControls(nullptr);
    Controls().CheckRadio(kIdNtsc, kIdSrgb, kIdNtsc);
    SetDefaultSettings();
    EXPECT_TRUE(Controls().IsChecked(kIdNtsc));
}

TEST_F(SettingsFileTest, CrLfLinesGiveValuesWithoutTheLineEnd) {
    WriteFile("PaperSizeName=A3-L\r\nPaperUnit=CM\r\nCenterLoad=ON\r\nShowCoordinates=TRUE\r\n"
              "NTSC_Selected=FALSE\r\nGamma=1.8\r\n");
    ASSERT_TRUE(ReadSettingsFile());
    EXPECT_STREQ(g_DialogSettings.szPaperName, "A3-L");
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 1);
    EXPECT_TRUE(g_DialogSettings.bCenterLoad);
    EXPECT_TRUE(g_DialogSettings.ShowCoordinates);
    EXPECT_FALSE(m_Set.bNtscSelected);
    EXPECT_EQ(g_DialogSettings.iGamma10, 18);
}

TEST_F(SettingsFileTest, FirstOccurrenceAnywhereWins) {
    ReadText("BackgroundLevel=3\nLevel=-2\n");
    EXPECT_EQ(g_DialogSettings.iLevel, 3);
    EXPECT_EQ(m_Set.iBackgroundLevel, 3);

    ReadText("User Defined Resolution=450\nResolution=600\n");
    EXPECT_EQ(m_Set.iResolution, 450);

    ReadText("; old Mode=3\nMode=9\n");
    EXPECT_EQ(m_Set.enumMode, 3);
}

TEST_F(SettingsFileTest, TheCharacterAfterTheKeyIsSkippedUnchecked) {
    ReadText("Mode =9\n");
    EXPECT_EQ(m_Set.enumMode, 0);
    ReadText("Mode:9\n");
    EXPECT_EQ(m_Set.enumMode, 9);
    // Case matters.
    ReadText("mode=9\n");
    EXPECT_EQ(m_Set.enumMode, 10);
}

TEST_F(SettingsFileTest, IntegersReadLikeDecimalText) {
    ReadText("Brightness=  -42x\nContrast=+17\nThreshold=abc\nBlur=\nGeneration=99999999999\n"
             "SharpenSoften=-99999999999\n");
    EXPECT_EQ(g_DialogSettings.iBrightness, -42);
    EXPECT_EQ(g_DialogSettings.iContrast, 17);
    EXPECT_EQ(g_DialogSettings.g_iThreshold, 0);
    EXPECT_EQ(g_DialogSettings.g_iBlur, 0);
    EXPECT_EQ(m_Set.iGeneration, INT32_MAX);
    EXPECT_EQ(m_Set.iSharpenSoften, INT32_MIN);
}

TEST_F(SettingsFileTest, PrescanLengthAndBorderLimitAreBounded) {
    ReadText("MaxPreScanLength=50\nPixelBorderLimit=10\n");
    EXPECT_EQ(g_DialogSettings.iMaxPreScanLength, 200);
    EXPECT_EQ(g_DialogSettings.PixelBorderLimit, 4);
    ReadText("MaxPreScanLength=250\nPixelBorderLimit=0\n");
    EXPECT_EQ(g_DialogSettings.iMaxPreScanLength, 250);
    EXPECT_EQ(g_DialogSettings.PixelBorderLimit, 1);
    ReadText("PixelBorderLimit=2\n");
    EXPECT_EQ(g_DialogSettings.PixelBorderLimit, 2);
}

TEST_F(SettingsFileTest, GammaIsTheFirstAndThirdCharacter) {
    ReadText("Gamma=1.5\n");
    EXPECT_EQ(g_DialogSettings.iGamma10, 15);
    ReadText("Gamma=2,25\n");
    EXPECT_EQ(g_DialogSettings.iGamma10, 22);
    for (const char* outside : {"Gamma=10\n", "Gamma=x.y\n", "Gamma=.5\n", "Gamma=\n"}) {
        ReadText(outside);
        const int32_t gamma = g_DialogSettings.iGamma10;
        EXPECT_TRUE(gamma < 1 || gamma > 90) << outside << " gave " << gamma;
    }
}

TEST_F(SettingsFileTest, WordValues) {
    ReadText(
        "PaperUnit=cm\nCenterLoad=on\nStitch=ON\nDebugLog=OFF\nShowCoordinates=true\nNTSC_Selected=no\n");
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 0);
    EXPECT_FALSE(g_DialogSettings.bCenterLoad);
    EXPECT_TRUE(g_DialogSettings.stitchMarks);
    EXPECT_FALSE(g_DialogSettings.bDebugLog);
    EXPECT_FALSE(g_DialogSettings.ShowCoordinates);
    EXPECT_TRUE(m_Set.bNtscSelected);

    ReadText("PaperUnit=SCANNER UNIT\nNTSC_Selected=FALSE\n");
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 2);
    EXPECT_FALSE(m_Set.bNtscSelected);
    // A unit value the file cannot name is written as inch.
    g_DialogSettings.iPaperUnit = 7;
    EXPECT_NE(ComposeSettingsText().find("\nPaperUnit=INCH\n"), std::string::npos);
}

TEST_F(SettingsFileTest, UserDefinedPaperSizeTakesFourNumbers) {
    ReadText("User Defined PaperSize=-1.5 2.25 30 40.5 User Defined\n");
    const PaperRow& user = PaperTable[kUserPaperRow];
    EXPECT_DOUBLE_EQ(user.dXOffset, -1.5);
    EXPECT_DOUBLE_EQ(user.dYOffset, 2.25);
    EXPECT_DOUBLE_EQ(user.dWidth, 30.0);
    EXPECT_DOUBLE_EQ(user.dHeight, 40.5);
    EXPECT_STREQ(user.name, "User Defined");

    ReadText("User Defined PaperSize=3.5 x 7.25\n");
    EXPECT_DOUBLE_EQ(user.dXOffset, 3.5);
    EXPECT_DOUBLE_EQ(user.dYOffset, 0.0);
    EXPECT_DOUBLE_EQ(user.dWidth, 7.25);
    EXPECT_DOUBLE_EQ(user.dHeight, 0.0);
}

TEST_F(SettingsFileTest, ValuesStopAt99Characters) {
    ReadText("Mode=" + std::string(98, '0') + "7\n");
    EXPECT_EQ(m_Set.enumMode, 7);
    ReadText("Mode=" + std::string(99, '0') + "7\n");
    EXPECT_EQ(m_Set.enumMode, 0);
    EXPECT_EQ(FindSettingsValue("Key=" + std::string(500, 'v'), "Key")->size(), kMaxSettingsValue);
    // The cut comes after the line end is taken off.
    EXPECT_EQ(*FindSettingsValue("Key=" + std::string(99, 'v') + "\r\n", "Key"), std::string(99, 'v'));
}

TEST_F(SettingsFileTest, LongPaperNameStaysInsideItsField) {
    g_DialogSettings.iUserPaperIndex = 0x5A5A5A5A;
    ReadText("PaperSizeName=" + std::string(40, 'N') + "\n");
    EXPECT_EQ(std::string(g_DialogSettings.szPaperName), std::string(23, 'N'));
    EXPECT_EQ(g_DialogSettings.iUserPaperIndex, 0x5A5A5A5A);

    // A name that fills its field without a terminator is written cut, not run on.
    std::memset(g_DialogSettings.szPaperName, 'M', sizeof g_DialogSettings.szPaperName);
    EXPECT_NE(ComposeSettingsText().find("PaperSizeName=" + std::string(23, 'M') + "\n"), std::string::npos);
}

TEST_F(SettingsFileTest, NothingIsReadPastTheTextsEnd) {
    // A key at the very end has no character to skip: missing.
    EXPECT_FALSE(FindSettingsValue("Mode", "Mode"));
    EXPECT_FALSE(FindSettingsValue("Mod", "Mode"));
    EXPECT_FALSE(FindSettingsValue("", "Mode"));
    EXPECT_EQ(*FindSettingsValue("Mode=", "Mode"), "");
    EXPECT_EQ(*FindSettingsValue("Mode=\r", "Mode"), "");
    EXPECT_EQ(*FindSettingsValue("Mode=4", "Mode"), "4");

    ReadText("Gamma=1");
    EXPECT_TRUE(g_DialogSettings.iGamma10 < 1 || g_DialogSettings.iGamma10 > 90);
    ReadText("Gamma");
    EXPECT_EQ(g_DialogSettings.iGamma10, 22);
    ReadText("User Defined PaperSize=1.5 2");
    EXPECT_DOUBLE_EQ(PaperTable[kUserPaperRow].dYOffset, 2.0);

    WriteFile("Threshold=12");
    ASSERT_TRUE(ReadSettingsFile());
    EXPECT_EQ(g_DialogSettings.g_iThreshold, 12);
}

TEST_F(SettingsFileTest, UserDefinedResolutionWithoutAListIsTheStoredOne) {
    m_Set.iUserResolution = 275;
    EXPECT_NE(ComposeSettingsText().find("\nUser Defined Resolution=275\n"), std::string::npos);
}

TEST_F(SettingsFileTest, NoFileWhereItCannotBeCreated) {
    qv::SetSettingsFolder((folder / "missing" / "deeper").string());
    EXPECT_FALSE(WriteSettingsFile());
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST_F(SettingsFileTest, PathsLongerThan259CharactersAreRefused) {
    const std::string base = folder.string() + "/";
    const std::string fits = base + std::string(qv::kMaxSettingsPath - base.size() - 8, 'f');
    qv::SetSettingsFolder(fits);
    EXPECT_EQ(qv::SettingsFilePath(), fits + "/QVL.ini");
    qv::SetSettingsFolder(fits + "g");
    EXPECT_EQ(qv::SettingsFilePath(), "");
    EXPECT_FALSE(WriteSettingsFile());
    SetUnusualSettings();
    EXPECT_FALSE(ReadSettingsFile());
    ExpectDefaults();
}

TEST(SettingsLocation, BesideTheRunningProgramWhateverItsName) {
    qv::SetSettingsFolder("");
    const fs::path path = qv::SettingsFilePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.filename(), "QVL.ini");
    const fs::path folder = path.parent_path();
    EXPECT_TRUE(fs::exists(folder / "dialog_settings_tests") ||
                fs::exists(folder / "dialog_settings_tests.exe"))
        << folder;
}

} // namespace
