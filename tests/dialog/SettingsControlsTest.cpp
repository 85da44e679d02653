// The mode, resolution, adjustment and paper controls, driven as a user drives them. The
// scanner is the simulated one, linked into the test; the dialog is whatever the fixture
// gives (the headless model, or the real dialog under Wine).
#include "tests/dialog/DialogFixture.h"

#include "dialog/ControlIds.h"
#include "dialog/PaperControls.h"
#include "dialog/Settings.h"
#include "dialog/SettingsControls.h"
#include "platform/DebugLog.h"
#include "platform/MessageBox.h"
#include "scanner/Scanner.h"
#include "sim/SimulatedLibrary.h"
#include "tests/scanner/LogLines.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using qv::Notification;
using qv::sim::BuiltInProfile;
using qv::sim::Profile;
using qv::testing::LogLines;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// What the settings file's defaults leave before the dialog fills its controls.
void ResetSettings() {
    m_Set = ScanSettings{};
    g_DialogSettings = DialogSettings{};
    DialogSettings& s = g_DialogSettings;
    s.iGamma10 = 22;
    s.g_iBlur = 1;
    s.g_iThreshold = 151;
    s.iPaperIndex = 8;
    s.bCompact = true;
    PaperTable[kUserPaperRow] = PaperRow{"User Defined", 0.0, 0.0, 0.0, 0.0};
    dialogState = DIALOG_STATE_NORMAL;
    bInitDone = false;
}

struct Box {
    std::string text, caption;
    bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << '"' << box.caption << "\": \"" << box.text << '"';
}

class SettingsControls : public qv::testing::DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        ResetSettings();
        qv::RecordMessageBoxes();
        qv::TakeMessageBoxes();
        qv::LogReset();
        NoScanner();
        // The dialog procedure's share: every notification goes to the settings controls.
        OnNotification([this](int id, Notification notification) {
            HandleSettingsCommand(Controls(), *scanner_, id, notification);
        });
    }
    void TearDown() override {
        OnNotification(nullptr);
        DialogFixture::TearDown();
        qv::SetMessageBoxSink(nullptr);
    }

    void Attach(const Profile& profile) {
        qv::sim::Scenario scenario;
        qv::sim::DeviceSetup device;
        device.profile = profile;
        scenario.devices.push_back(device);
        Use(scenario);
        ASSERT_TRUE(scanner_->IsOpen());
    }
    void Attach(const char* profile) { Attach(BuiltInProfile(profile)); }
    void NoScanner() { Use(qv::sim::Scenario{}); }

    // As the dialog's scanner selection does: generation and wide-600 flag, then the controls.
    void Fill() {
        if (scanner_->IsOpen()) {
            m_Set.iGeneration = scanner_->GetGeneration();
            m_Set.bWide600 = scanner_->IsWide600Model();
        } else {
            m_Set.bWide600 = false;
        }
        FillSettingsControls(Controls(), *scanner_);
        Init_ColorChoice(Controls(), *scanner_);
    }
    template <typename P> void Fill(const P& profile) {
        Attach(profile);
        Fill();
    }

    // A fresh start with `profile`, or with none and the settings' `generation`.
    void Start(const char* profile, int32_t generation = 4) {
        ResetSettings();
        m_Set.iGeneration = generation;
        if (profile)
            Attach(profile);
        else
            NoScanner();
        Fill();
    }

    std::vector<std::string> Rows(int id) {
        std::vector<std::string> rows;
        for (int i = 0; i < Controls().ListCount(id); ++i)
            rows.push_back(Controls().ListRowText(id, i));
        return rows;
    }
    std::string Chosen(int id) { return Controls().ListRowText(id, Controls().ListSelected(id)); }
    int RowOf(int id, const std::string& text) {
        for (int i = 0; i < Controls().ListCount(id); ++i) {
            if (Controls().ListRowText(id, i) == text)
                return i;
        }
        ADD_FAILURE() << "no row " << text << " in list " << id;
        return -1;
    }
    bool Choose(int id, const std::string& text) { return User().ChooseRow(id, RowOf(id, text)); }
    std::string Text(int id) { return Controls().GetText(id); }
    // Opens the resolution input from the user row, types and ends with OK or Cancel.
    void TypeResolution(const std::string& typed, int button = kIdScan) {
        ASSERT_TRUE(User().ChooseRow(kIdResolution, Controls().ListCount(kIdResolution) - 1));
        ASSERT_EQ(dialogState, DIALOG_STATE_INPUT_RESOLUTION);
        ASSERT_TRUE(User().Type(kIdNewResolution, typed));
        ASSERT_TRUE(User().Click(button));
    }

    // Left an input state: the normal controls, Scan and Done, and the focus on `list`.
    void ExpectNormalLook(int list) {
        EXPECT_EQ(dialogState, DIALOG_STATE_NORMAL);
        EXPECT_EQ(Text(kIdScan), "&Scan");
        EXPECT_EQ(Text(kIdDone), "&Done");
        for (int id : {kIdMode, kIdResolution, kIdPaper, kIdAdjustments})
            EXPECT_TRUE(Controls().IsVisible(id)) << id;
        for (int id = kIdPaperXLabel; id <= kIdPaperSizeGroup; ++id)
            EXPECT_FALSE(Controls().IsVisible(id)) << id;
        for (int id : {kIdNewResolutionLabel, kIdNewResolution, kIdInterval})
            EXPECT_FALSE(Controls().IsVisible(id)) << id;
        EXPECT_EQ(Controls().Focus(), list);
    }

    // The adjustment groups of which every control shows; a group half shown is marked.
    std::string VisibleGroups() {
        struct Group {
            const char* name;
            int first, last;
        };
        static const Group groups[] = {
            {"tone", kIdBrightnessLabel, kIdGamma},
            {"blur", kIdBlurLabel, kIdBlur},
            {"threshold", kIdThresholdLabel, kIdThresholdSpin},
            {"level", kIdLevelLabel, kIdLevelSpin},
            {"sharpen", kIdSharpenLabel, kIdSharpen},
            {"background", kIdBackgroundLabel, kIdBackground},
        };
        std::string shown;
        for (const Group& group : groups) {
            int visible = 0;
            for (int id = group.first; id <= group.last; ++id)
                visible += Controls().IsVisible(id);
            if (visible == 0)
                continue;
            shown += shown.empty() ? "" : " ";
            shown += group.name;
            if (visible != group.last - group.first + 1)
                shown += "(partly)";
        }
        return shown;
    }

    std::vector<Box> Boxes() {
        std::vector<Box> boxes;
        for (const qv::MessageBoxRecord& box : qv::TakeMessageBoxes()) {
            EXPECT_EQ(box.owner, Controls().Window()) << box.text;
            EXPECT_EQ(box.icon, qv::MsgIcon::Exclamation) << box.text;
            boxes.push_back({box.text, box.caption});
        }
        return boxes;
    }

    std::unique_ptr<qv::sim::SimulatedLibrary> library_;
    std::unique_ptr<CScanner> scanner_;

  private:
    void Use(const qv::sim::Scenario& scenario) {
        scanner_.reset();
        library_ = std::make_unique<qv::sim::SimulatedLibrary>(scenario);
        scanner_ = std::make_unique<CScanner>(library_.get());
        scanner_->EnumerateScanners();
        if (!scenario.devices.empty())
            scanner_->OpenScanner(0);
    }
};

// ---- scanner identification ---------------------------------------------------------

TEST_F(SettingsControls, AcceptsTheGenerationsItDrives) {
    struct Case {
        const char* profile;
        bool accepted;
    };
    for (const Case& c : {Case{"gen4-gray", true}, Case{"gen4-color", true}, Case{"gen5-color-54", true},
                          Case{"wide600", true}}) {
        SCOPED_TRACE(c.profile);
        Attach(c.profile);
        EXPECT_EQ(IdentifyScanner(*scanner_, "B17"), c.accepted);
    }
    Profile refused = BuiltInProfile("gen4-color");
    refused.gen4ColorAccepted = false;
    Attach(refused);
    EXPECT_FALSE(IdentifyScanner(*scanner_, "B17"));
    Profile old = BuiltInProfile("gen4-gray");
    old.generation = 3;
    Attach(old);
    EXPECT_FALSE(IdentifyScanner(*scanner_, "B17"));
    NoScanner();
    EXPECT_FALSE(IdentifyScanner(*scanner_, "B17"));
}

TEST_F(SettingsControls, RefusesAScannerInItsBootLoaderAndTakesGenerationFive) {
    Profile boot = BuiltInProfile("gen4-gray");
    boot.product = "Scanner boot    ";
    Attach(boot);
    ASSERT_EQ(m_Set.iGeneration, 4);
    EXPECT_FALSE(IdentifyScanner(*scanner_, "B17"));
    EXPECT_EQ(m_Set.iGeneration, 5);
}

TEST_F(SettingsControls, LogsTheIdentificationOfTheOpenScanner) {
    Attach("gen5-color-54");
    IdentifyScanner(*scanner_, "B17");
    EXPECT_THAT(LogLines(),
                ElementsAre("Init", "PlugIn Bld : B17", "Scanner    : SIM-G5 COLOR 54 ", "Firmware   : 20",
                            "ReleaseDate: 2026-11-30 12:00", "FW Build   : 512"));
}

// ---- modes --------------------------------------------------------------------------

struct ModeCase {
    const char* profile; // nullptr: no scanner
    int32_t generation;  // from the settings when no scanner is open
    std::vector<std::string> rows;
    std::vector<int32_t> codes;
    const char* chosen;
};

const std::vector<std::string> kAllBwRows = {"B/W Threshold",      "B/W Adaptive",    "B/W Adaptive Gray",
                                             "B/W Adaptive Photo", "B/W Copy Normal", "B/W Copy Photo",
                                             "B/W Copy Adaptive",  "Gray Tone",       "RGB"};
const std::vector<std::string> kGen4Rows = {"B/W Threshold", "B/W Adaptive", "Gray Tone", "RGB"};
// Modes 1, 2 and 5 to 7 (mask 0x73).
const std::vector<std::string> kUnopenedGen5Rows = {
    "B/W Threshold", "B/W Adaptive", "B/W Copy Normal", "B/W Copy Photo", "B/W Copy Adaptive",
    "Gray Tone",     "RGB"};

TEST_F(SettingsControls, OffersTheModesOfEachScanner) {
    const ModeCase cases[] = {
        {"gen4-gray", 4, {"B/W Threshold", "B/W Adaptive", "Gray Tone"}, {1, 2, 9}, "Gray Tone"},
        {"gen4-color", 4, kGen4Rows, {1, 2, 9, 10}, "RGB"},
        {"gen5-color-54", 5, kAllBwRows, {1, 8, 3, 4, 5, 6, 7, 9, 10}, "RGB"},
        {"wide600", 5, kAllBwRows, {1, 8, 3, 4, 5, 6, 7, 9, 10}, "RGB"},
        {nullptr, 4, kGen4Rows, {1, 2, 9, 10}, "RGB"},
        {nullptr, 5, kUnopenedGen5Rows, {1, 2, 5, 6, 7, 9, 10}, "RGB"},
        // Only a settings file brings these in; they follow their neighbours.
        {nullptr, 0, kGen4Rows, {1, 2, 9, 10}, "RGB"},
        {nullptr, 3, kGen4Rows, {1, 2, 9, 10}, "RGB"},
        {nullptr, 7, kUnopenedGen5Rows, {1, 2, 5, 6, 7, 9, 10}, "RGB"},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.profile ? c.profile : "no scanner, generation " + std::to_string(c.generation));
        Start(c.profile, c.generation);
        EXPECT_THAT(Rows(kIdMode), ElementsAreArray(c.rows));
        std::vector<int32_t> codes;
        for (int i = 0; i < m_Set.modeCount; ++i)
            codes.push_back(m_Set.ModeList[i].code);
        EXPECT_THAT(codes, ElementsAreArray(c.codes));
        EXPECT_EQ(Chosen(kIdMode), c.chosen);
        EXPECT_TRUE(Controls().IsVisible(kIdMode));
    }
}

TEST_F(SettingsControls, MarksTheModesOfTheReducedRangeAndLogsTheMasks) {
    Profile profile = BuiltInProfile("gen5-color-54");
    profile.bwModes = 0x7E;
    profile.bwModesLimited = 0x44;
    Fill(profile);
    EXPECT_THAT(Rows(kIdMode),
                ElementsAre("B/W Adaptive", "B/W Adaptive Gray", "B/W Adaptive Photo", "B/W Copy Normal",
                            "B/W Copy Photo", "B/W Copy Adaptive", "Gray Tone", "RGB"));
    std::vector<bool> marks;
    for (int i = 0; i < m_Set.modeCount; ++i)
        marks.push_back(m_Set.ModeList[i].reducedRange);
    EXPECT_THAT(marks, ElementsAre(false, true, false, false, false, true, false, false));
    EXPECT_FALSE(m_Set.bAdaptiveBackground);
    EXPECT_THAT(LogLines(), Contains("dwSupportedBWModes = 0x7E"));
    EXPECT_THAT(LogLines(), Contains("dwSupportedBWModes_WihtLimitedRange = 0x44"));
}

TEST_F(SettingsControls, AGenerationFiveScannerWithoutBwModesOffersTheTwoBasicOnes) {
    Profile profile = BuiltInProfile("gen5-color-54");
    profile.bwModes = 0;
    Fill(profile);
    EXPECT_THAT(Rows(kIdMode), ElementsAre("B/W Threshold", "B/W Adaptive", "Gray Tone", "RGB"));
    EXPECT_FALSE(m_Set.ModeList[0].reducedRange);
    EXPECT_FALSE(m_Set.ModeList[1].reducedRange);
    EXPECT_THAT(LogLines(), Contains("Fixed : dwSupportedBWModes = 0x3"));
    EXPECT_THAT(LogLines(), Contains("Fixed : dwSupportedBWModes_WihtLimitedRange = 0x0"));
}

TEST_F(SettingsControls, AGrayScannerOffersNoRgbAndKeepsAChosenMode) {
    m_Set.enumMode = 2;
    Fill("gen4-gray");
    EXPECT_EQ(Chosen(kIdMode), "B/W Adaptive");
    EXPECT_EQ(m_Set.enumMode, 2);
    Profile gray = BuiltInProfile("gen5-color-54");
    gray.color = false;
    Attach(gray);
    m_Set.enumMode = 10;
    Fill();
    EXPECT_EQ(Rows(kIdMode).back(), "Gray Tone");
    EXPECT_EQ(m_Set.enumMode, 9);
}

// ---- resolutions --------------------------------------------------------------------

TEST_F(SettingsControls, ListsTheScannersResolutionsWithoutTwentyFiveAndTheUserRowLast) {
    Fill("gen4-gray");
    EXPECT_THAT(Rows(kIdResolution),
                ElementsAre("50", "75", "100", "150", "200", "300", "400", "User Defined (0)"));
    EXPECT_EQ(Chosen(kIdResolution), "300");
    EXPECT_EQ(m_Set.iResolution_Min, 50);
    EXPECT_EQ(m_Set.iResolution_Max, 400);
    const std::vector<std::string> log = LogLines();
    EXPECT_THAT(log, Contains("Init_Resolution: Scanner open"));
    EXPECT_THAT(log, Contains("iResolution_Min = 50"));
    EXPECT_THAT(log, Contains("iResolution_Max = 400"));
    EXPECT_THAT(log, Contains("iResolution_MaxY = 400"));
}

TEST_F(SettingsControls, EachProfileGetsItsOwnResolutions) {
    Fill("gen5-color-54");
    EXPECT_THAT(Rows(kIdResolution), ElementsAre("50", "75", "100", "150", "200", "300", "400", "600", "800",
                                                 "1200", "User Defined (0)"));
    Fill("wide600");
    EXPECT_THAT(Rows(kIdResolution),
                ElementsAre("50", "75", "100", "150", "200", "300", "400", "600", "User Defined (0)"));
    EXPECT_EQ(m_Set.iResolution_Max, 600);
}

TEST_F(SettingsControls, TheChosenResolutionDecidesTheRow) {
    struct Case {
        int32_t resolution, user;
        const char* chosen;
        int32_t taken;
    };
    // gen4-gray reports eight resolutions, 25 among them: its middle is row 4.
    for (const Case& c :
         {Case{300, 0, "300", 300}, Case{250, 0, "200", 200}, Case{333, 333, "User Defined (333)", 333},
          Case{300, 300, "User Defined (300)", 300}}) {
        SCOPED_TRACE(c.chosen);
        ResetSettings();
        m_Set.iResolution = c.resolution;
        m_Set.iUserResolution = c.user;
        Fill("gen4-gray");
        EXPECT_EQ(Chosen(kIdResolution), c.chosen);
        EXPECT_EQ(m_Set.iResolution, c.taken);
    }
}

TEST_F(SettingsControls, WithoutAScannerOffersFiftyAndEightHundred) {
    m_Set.iUserResolution = 2000;
    Fill();
    EXPECT_THAT(Rows(kIdResolution), ElementsAre("50", "800", "User Defined (800)"));
    EXPECT_EQ(Chosen(kIdResolution), "800");
    EXPECT_EQ(m_Set.iResolution, 800);
    EXPECT_THAT(LogLines(), Contains("Init_Resolution: Scanner not open"));
    EXPECT_THAT(LogLines(), Contains("iResolution_MaxY = 400"));
    ResetSettings();
    Fill();
    EXPECT_EQ(Rows(kIdResolution).back(), "User Defined (50)");
}

TEST_F(SettingsControls, AReducedModeOffersOnlyItsRange) {
    m_Set.enumMode = 1; // marked on this profile
    m_Set.iResolution = 600;
    Fill("gen5-color-54");
    EXPECT_THAT(Rows(kIdResolution), ElementsAre("150", "200", "300", "400", "User Defined (150)"));
    EXPECT_EQ(Chosen(kIdResolution), "400");
    EXPECT_EQ(m_Set.iResolution, 400);
    EXPECT_EQ(m_Set.iResolution_Min, 50);
    EXPECT_EQ(m_Set.iResolution_Max, 1200);
    EXPECT_EQ(m_Set.iResolution_MaxY, 200);
    EXPECT_THAT(LogLines(), Contains("Init_Resolution_Reduced_DPI"));
    ASSERT_TRUE(Choose(kIdMode, "RGB"));
    EXPECT_EQ(Rows(kIdResolution).size(), 11u);
    EXPECT_EQ(Chosen(kIdResolution), "400");
}

TEST_F(SettingsControls, AReducedRangeOfTheScannerBoundsTheList) {
    Profile profile = BuiltInProfile("gen5-color-54");
    profile.reducedRange = true;
    profile.reducedMin = 100;
    profile.reducedMax = 300;
    m_Set.enumMode = 1;
    m_Set.iResolution = 250;
    m_Set.iUserResolution = 250;
    Fill(profile);
    // 250 lies in the range but is not listed: the user row holds it.
    EXPECT_THAT(Rows(kIdResolution), ElementsAre("100", "150", "200", "300", "User Defined (250)"));
    EXPECT_EQ(Chosen(kIdResolution), "User Defined (250)");
    EXPECT_EQ(m_Set.iResolution_MaxY, 600);
    // Otherwise the middle row of the full list (row 5) lies past the four rows: the last one.
    ResetSettings();
    m_Set.enumMode = 1;
    m_Set.iResolution = 250;
    Fill();
    EXPECT_EQ(Chosen(kIdResolution), "300");
    EXPECT_EQ(Rows(kIdResolution).back(), "User Defined (100)");
}

// ---- blur, sharpen/soften, background level -----------------------------------------

TEST_F(SettingsControls, BlurRowsFollowTheGeneration) {
    g_DialogSettings.g_iBlur = 4;
    Fill("gen4-color");
    EXPECT_THAT(Rows(kIdBlur), ElementsAre("Off (1)", "2", "4", "8"));
    EXPECT_EQ(Chosen(kIdBlur), "4");
    g_DialogSettings.g_iBlur = 3;
    Fill();
    EXPECT_EQ(Chosen(kIdBlur), "Off (1)");

    Attach("gen5-color-54");
    g_DialogSettings.g_iBlur = 15;
    Fill();
    ASSERT_EQ(Rows(kIdBlur).size(), 16u);
    EXPECT_EQ(Rows(kIdBlur)[0], "Off");
    EXPECT_EQ(Chosen(kIdBlur), "15");
    g_DialogSettings.g_iBlur = 16;
    Fill();
    EXPECT_EQ(Chosen(kIdBlur), "Off");
}

TEST_F(SettingsControls, SharpenLevelsFollowTheModeAndTheScannersRange) {
    m_Set.iSharpenSoften = 9;
    Fill("gen5-color-54");
    EXPECT_THAT(Rows(kIdSharpen), ElementsAre("Soften", "Off", "Sharpen 1", "Sharpen 2", "Sharpen 3",
                                              "Sharpen 4", "Sharpen 5", "Sharpen 6"));
    EXPECT_EQ(Chosen(kIdSharpen), "Sharpen 6");
    EXPECT_EQ(m_Set.iSharpenSoften, 6);
    // Clamped into the scanner's range, not the mode's: B/W has no row for 6.
    ASSERT_TRUE(Choose(kIdMode, "B/W Threshold"));
    EXPECT_THAT(Rows(kIdSharpen), ElementsAre("Soften", "Off", "Sharpen 1"));
    EXPECT_EQ(Chosen(kIdSharpen), "Off");
    ASSERT_TRUE(Choose(kIdSharpen, "Soften"));
    EXPECT_EQ(m_Set.iSharpenSoften, -1);

    Profile noSoften = BuiltInProfile("gen5-color-54");
    noSoften.sharpenMin = 0;
    noSoften.sharpenMax = 2;
    ResetSettings();
    m_Set.iSharpenSoften = -1;
    Fill(noSoften);
    EXPECT_THAT(Rows(kIdSharpen), ElementsAre("Off", "Sharpen 1", "Sharpen 2"));
    EXPECT_EQ(Chosen(kIdSharpen), "Off");

    Fill("gen4-color");
    EXPECT_THAT(Rows(kIdSharpen), IsEmpty());
}

TEST_F(SettingsControls, BackgroundLevelsOnlyWithTheAdaptiveBackgroundMode) {
    m_Set.iBackgroundLevel = 9;
    Fill("gen5-color-54");
    EXPECT_THAT(Rows(kIdBackground),
                ElementsAre(" -3", " -2", " -1", " Auto", " 1", " 2", " 3", " 4", " 5", " 6"));
    EXPECT_EQ(Chosen(kIdBackground), " 6");
    ASSERT_TRUE(Choose(kIdMode, "B/W Adaptive"));
    ASSERT_TRUE(Choose(kIdBackground, " -2"));
    EXPECT_EQ(m_Set.iBackgroundLevel, -2);

    Fill("gen4-color");
    EXPECT_THAT(Rows(kIdBackground), IsEmpty());
}

// ---- which adjustments show ---------------------------------------------------------

TEST_F(SettingsControls, EachModeShowsItsAdjustments) {
    struct Case {
        const char* profile;
        std::vector<std::pair<std::string, std::string>> modes;
    };
    const Case cases[] = {
        {"gen4-gray", {{"B/W Threshold", "threshold"}, {"B/W Adaptive", "level"}, {"Gray Tone", "tone"}}},
        {"gen4-color",
         {{"B/W Threshold", "threshold"}, {"B/W Adaptive", "level"}, {"Gray Tone", "tone"}, {"RGB", "tone"}}},
        {"gen5-color-54",
         {{"B/W Threshold", "blur threshold sharpen"},
          {"B/W Adaptive", "blur level sharpen background"},
          {"B/W Adaptive Gray", "blur level sharpen"},
          {"B/W Copy Adaptive", "blur level sharpen"},
          {"Gray Tone", "tone blur sharpen"},
          {"RGB", "tone blur sharpen"}}},
        {"wide600",
         {{"B/W Threshold", "threshold"},
          {"B/W Adaptive", "level background"},
          {"B/W Adaptive Photo", "blur level"},
          {"B/W Copy Normal", "blur level"},
          {"Gray Tone", "tone blur"},
          {"RGB", "tone blur"}}},
        {nullptr, {{"B/W Threshold", "threshold"}, {"B/W Adaptive", "level"}, {"RGB", "tone"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile ? c.profile : "no scanner");
        Start(c.profile);
        EXPECT_TRUE(Controls().IsVisible(kIdAdjustments));
        for (const auto& [mode, groups] : c.modes) {
            SCOPED_TRACE(mode);
            ASSERT_TRUE(Choose(kIdMode, mode));
            EXPECT_EQ(VisibleGroups(), groups);
        }
    }
}

TEST_F(SettingsControls, AGenerationFiveScannerWithoutBackgroundModeShowsNoBackgroundLevel) {
    Profile profile = BuiltInProfile("gen5-color-54");
    profile.bwModes = 0x7F;
    Fill(profile);
    ASSERT_TRUE(Choose(kIdMode, "B/W Adaptive"));
    EXPECT_EQ(m_Set.enumMode, 2);
    EXPECT_EQ(VisibleGroups(), "blur level sharpen");
}

// ---- the numeric fields while the user types ----------------------------------------

struct Typed {
    std::string typed, shown;
};

TEST_F(SettingsControls, NumericFieldsCorrectWhatIsTyped) {
    Fill("gen5-color-54");
    const std::vector<Typed> percent = {{"42", "42"},   {"-100", "-100"}, {"-101", "-100"},
                                        {"250", "100"}, {"abc", "0"},     {" 7 ", " 7 "}};
    struct Field {
        const char* mode; // that shows the field
        int id;
        std::vector<Typed> typed;
    };
    const Field fields[] = {
        {"Gray Tone", kIdBrightness, percent},
        {"Gray Tone", kIdContrast, percent},
        {"B/W Threshold",
         kIdThreshold,
         {{"0", "0"}, {"255", "255"}, {"300", "255"}, {"-1", "0"}, {"abc", "151"}}},
        {"B/W Adaptive Gray", kIdLevel, {{"-3", "-3"}, {"6", "6"}, {"7", "6"}, {"-4", "-3"}, {"x1", "0"}}},
    };
    for (const Field& field : fields) {
        ASSERT_TRUE(Choose(kIdMode, field.mode));
        for (const Typed& t : field.typed) {
            SCOPED_TRACE(std::to_string(field.id) + " " + t.typed);
            ASSERT_TRUE(User().Type(field.id, t.typed));
            EXPECT_EQ(Text(field.id), t.shown);
        }
    }
    // The fields do not store; reading the controls does.
    EXPECT_EQ(g_DialogSettings.iBrightness, 0);
    EXPECT_EQ(g_DialogSettings.g_iThreshold, 151);
}

TEST_F(SettingsControls, GammaTimesTenStoresAndShowsTheDecimal) {
    Fill("gen5-color-54");
    ASSERT_EQ(Text(kIdGamma10), "22");
    ASSERT_EQ(Text(kIdGamma), "2.2");
    struct Case {
        std::string typed, shown, decimal;
        int32_t stored;
    };
    for (const Case& c : {Case{"15", "15", "1.5", 15}, Case{"0", "1", "0.1", 1}, Case{"95", "90", "9.0", 90},
                          Case{"abc", "1", "0.1", 1}, Case{"90", "90", "9.0", 90}}) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(User().Type(kIdGamma10, c.typed));
        EXPECT_EQ(Text(kIdGamma10), c.shown);
        EXPECT_EQ(Text(kIdGamma), c.decimal);
        EXPECT_EQ(g_DialogSettings.iGamma10, c.stored);
        EXPECT_EQ(Controls().Focus(), kIdGamma);
        EXPECT_EQ(User().TextSelection(kIdGamma), std::make_pair(0, int(c.decimal.size())));
    }
}

TEST_F(SettingsControls, GammaDecimalSetsGammaTimesTen) {
    Fill("gen5-color-54");
    struct Case {
        std::string typed, decimal, times10;
    };
    for (const Case& c :
         {Case{"1.5", "1.5", "15"}, Case{"0.05", "0.1", "1"}, Case{"12", "9.0", "90"}, Case{"x", "1.0", "10"},
          Case{"3,7", "3.7", "37"}, Case{"0.7", "0.7", "7"}, Case{"2.25", "2.2", "22"}}) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(User().Type(kIdGamma, c.typed));
        EXPECT_EQ(Text(kIdGamma), c.decimal);
        EXPECT_EQ(Text(kIdGamma10), c.times10);
        EXPECT_EQ(std::to_string(g_DialogSettings.iGamma10), c.times10);
    }
    // Half-typed texts are left for the user to finish.
    for (const std::string& typed : {std::string("."), std::string()}) {
        ASSERT_TRUE(User().Type(kIdGamma, typed));
        EXPECT_EQ(Text(kIdGamma), typed);
        EXPECT_EQ(Text(kIdGamma10), "22");
    }
}

TEST_F(SettingsControls, EveryOneDecimalGammaKeepsItsTenths) {
    Fill("gen5-color-54");
    for (int tenths = 1; tenths <= 90; ++tenths) {
        const std::string typed = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
        ASSERT_TRUE(User().Type(kIdGamma, typed));
        ASSERT_EQ(Text(kIdGamma10), std::to_string(tenths)) << typed;
    }
}

TEST_F(SettingsControls, NothingIsCheckedBeforeTheControlsAreFilled) {
    Fill("gen5-color-54");
    bInitDone = false;
    ASSERT_TRUE(User().Type(kIdBrightness, "abc"));
    EXPECT_EQ(Text(kIdBrightness), "abc");
    ASSERT_TRUE(Choose(kIdMode, "B/W Threshold"));
    EXPECT_EQ(m_Set.enumMode, 10);
    EXPECT_EQ(VisibleGroups(), "tone blur sharpen");
}

TEST_F(SettingsControls, FieldsShowTheSettingsOrTheirFallbacks) {
    DialogSettings& s = g_DialogSettings;
    s.iBrightness = -20;
    s.iContrast = 35;
    s.iGamma10 = 95;
    s.g_iThreshold = 300;
    s.iLevel = 8;
    Fill("gen5-color-54");
    EXPECT_EQ(Text(kIdBrightness), "-20");
    EXPECT_EQ(Text(kIdContrast), "35");
    EXPECT_EQ(Text(kIdGamma10), "10");
    EXPECT_EQ(Text(kIdGamma), "1.0");
    EXPECT_EQ(Text(kIdThreshold), "151");
    EXPECT_EQ(Text(kIdLevel), "0");
    // The spins hold the same ranges as the checks.
    ASSERT_TRUE(User().Spin(kIdBrightnessSpin, 1000));
    EXPECT_EQ(Text(kIdBrightness), "100");
    ASSERT_TRUE(User().Spin(kIdGammaSpin, -1000));
    EXPECT_EQ(Text(kIdGamma10), "1");
    EXPECT_EQ(Text(kIdGamma), "0.1");
}

// ---- mode change and the colour presets ---------------------------------------------

TEST_F(SettingsControls, RgbResetsTheGammaToSrgbAndOtherModesToOne) {
    m_Set.bNtscSelected = true;
    Fill("gen5-color-54");
    EXPECT_TRUE(m_Set.bColorChoice);
    EXPECT_TRUE(Controls().IsVisible(kIdNtsc));
    EXPECT_TRUE(Controls().IsChecked(kIdNtsc));

    ASSERT_TRUE(Choose(kIdMode, "Gray Tone"));
    EXPECT_EQ(Text(kIdGamma), "1.0");
    EXPECT_EQ(Text(kIdGamma10), "10");
    EXPECT_FALSE(Controls().IsVisible(kIdNtsc));
    EXPECT_FALSE(Controls().IsVisible(kIdSrgb));

    ASSERT_TRUE(Choose(kIdMode, "RGB"));
    EXPECT_EQ(Text(kIdGamma), "2.2");
    EXPECT_EQ(g_DialogSettings.iGamma10, 22);
    EXPECT_FALSE(m_Set.bNtscSelected);
    EXPECT_TRUE(Controls().IsChecked(kIdSrgb));
    EXPECT_FALSE(Controls().IsChecked(kIdNtsc));
    EXPECT_TRUE(Controls().IsVisible(kIdNtsc));

    ASSERT_TRUE(User().Click(kIdNtsc));
    EXPECT_TRUE(m_Set.bNtscSelected);
    EXPECT_EQ(Text(kIdGamma), "1.0");
    EXPECT_EQ(Text(kIdGamma10), "10");
    EXPECT_EQ(Controls().Focus(), kIdGamma);
    ASSERT_TRUE(User().Click(kIdSrgb));
    EXPECT_FALSE(m_Set.bNtscSelected);
    EXPECT_EQ(Text(kIdGamma), "2.2");
    EXPECT_EQ(g_DialogSettings.iGamma10, 22);
}

TEST_F(SettingsControls, AScannerWithoutItsOwnMatrixOffersNoColourChoice) {
    Fill("gen4-color");
    EXPECT_FALSE(m_Set.bColorChoice);
    EXPECT_TRUE(m_Set.bNtscSelected);
    ASSERT_TRUE(Choose(kIdMode, "Gray Tone"));
    ASSERT_TRUE(Choose(kIdMode, "RGB"));
    EXPECT_EQ(Text(kIdGamma), "2.2");
    EXPECT_FALSE(Controls().IsVisible(kIdNtsc));
    EXPECT_FALSE(Controls().IsVisible(kIdSrgb));
}

// ---- resolution input ---------------------------------------------------------------

TEST_F(SettingsControls, TheUserRowOpensTheResolutionInput) {
    m_Set.iUserResolution = 700;
    Fill("gen5-color-54");
    ASSERT_TRUE(Choose(kIdResolution, "User Defined (700)"));
    EXPECT_EQ(dialogState, DIALOG_STATE_INPUT_RESOLUTION);
    EXPECT_EQ(Text(kIdScan), "&OK");
    EXPECT_EQ(Text(kIdDone), "&Cancel");
    EXPECT_TRUE(Controls().IsVisible(kIdNewResolutionLabel));
    EXPECT_TRUE(Controls().IsVisible(kIdNewResolution));
    EXPECT_EQ(Text(kIdNewResolution), "700");
    EXPECT_TRUE(Controls().IsVisible(kIdInterval));
    EXPECT_EQ(Text(kIdInterval), "[50,1200]");
    EXPECT_EQ(Controls().Focus(), kIdNewResolution);
    EXPECT_EQ(User().TextSelection(kIdNewResolution), std::make_pair(0, 3));
    for (int id : {kIdMode, kIdResolution, kIdPaper, kIdAdjustments})
        EXPECT_FALSE(Controls().IsVisible(id)) << id;
    EXPECT_EQ(VisibleGroups(), "");
}

TEST_F(SettingsControls, AListedRowSetsTheResolutionAndTheLabel) {
    Fill("gen5-color-54");
    ASSERT_TRUE(Choose(kIdResolution, "600"));
    EXPECT_EQ(m_Set.iResolution, 600);
    EXPECT_EQ(Text(kIdResolutionLabel), "Resolution:");
    EXPECT_EQ(dialogState, DIALOG_STATE_NORMAL);
}

TEST_F(SettingsControls, ConfirmResolutionReportsBadValuesAndStays) {
    Fill("gen5-color-54");
    ASSERT_TRUE(Choose(kIdResolution, "User Defined (0)"));
    const Box outOfRange{"Value out of range\nValue must be between [50,1200]", "Resolution"};
    const Box notLegal{"Not a legal value\nValue must be between [50,1200]", "Resolution"};
    struct Case {
        std::string typed;
        Box box;
    };
    for (const Case& c : {Case{"5000", outOfRange}, Case{"49", outOfRange}, Case{"0", outOfRange},
                          Case{"abc", notLegal}, Case{"6 0", notLegal}}) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(User().Type(kIdNewResolution, c.typed));
        ASSERT_TRUE(User().Click(kIdScan));
        EXPECT_THAT(Boxes(), ElementsAre(c.box));
        EXPECT_EQ(dialogState, DIALOG_STATE_INPUT_RESOLUTION);
        EXPECT_EQ(Controls().Focus(), kIdNewResolution);
        EXPECT_TRUE(Controls().IsVisible(kIdNewResolution));
    }
    EXPECT_EQ(m_Set.iResolution, 300);
}

TEST_F(SettingsControls, ConfirmResolutionTakesAListedValueAsItsRow) {
    Fill("gen5-color-54");
    TypeResolution("600");
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(Chosen(kIdResolution), "600");
    EXPECT_EQ(m_Set.iResolution, 600);
    EXPECT_EQ(m_Set.iUserResolution, 0);
    EXPECT_EQ(Rows(kIdResolution).back(), "User Defined (0)");
    ExpectNormalLook(kIdResolution);
    EXPECT_EQ(VisibleGroups(), "tone blur sharpen");
}

TEST_F(SettingsControls, ConfirmResolutionKeepsANewValueInTheUserRow) {
    Fill("gen5-color-54");
    TypeResolution("500");
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(Rows(kIdResolution).size(), 11u);
    EXPECT_EQ(Chosen(kIdResolution), "User Defined (500)");
    EXPECT_EQ(m_Set.iResolution, 500);
    EXPECT_EQ(m_Set.iUserResolution, 500);
    EXPECT_EQ(m_Set.ResolutionList[m_Set.resolutionCount - 1], 500);
}

TEST_F(SettingsControls, AReducedModeShowsItsRangeButAcceptsTheFullOne) {
    m_Set.enumMode = 1;
    Fill("gen5-color-54");
    ASSERT_TRUE(Choose(kIdResolution, "User Defined (150)"));
    EXPECT_EQ(Text(kIdInterval), "[150,400]");
    ASSERT_TRUE(User().Type(kIdNewResolution, "1000"));
    ASSERT_TRUE(User().Click(kIdScan));
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(Chosen(kIdResolution), "User Defined (1000)");
    EXPECT_EQ(m_Set.iResolution, 1000);
}

TEST_F(SettingsControls, CancelResolutionInputRestoresTheChoice) {
    Fill("gen5-color-54");
    TypeResolution("500", kIdDone);
    ExpectNormalLook(kIdResolution);
    EXPECT_EQ(Chosen(kIdResolution), "300");
    EXPECT_EQ(m_Set.iResolution, 300);
    EXPECT_EQ(Text(kIdResolutionLabel), "Resolution:");

    // A user resolution in use: the user row with the value in the label.
    TypeResolution("500");
    ASSERT_TRUE(Choose(kIdResolution, "User Defined (500)"));
    ASSERT_TRUE(User().Click(kIdDone));
    EXPECT_EQ(Chosen(kIdResolution), "User Defined (500)");
    EXPECT_EQ(Text(kIdResolutionLabel), "&Res: 500 DPI");
}

TEST_F(SettingsControls, WithoutAScannerScanStaysDisabledAfterTheInput) {
    Fill();
    Controls().Enable(kIdScan, false);
    ASSERT_TRUE(Choose(kIdResolution, "User Defined (50)"));
    EXPECT_TRUE(Controls().IsEnabled(kIdScan));
    EXPECT_EQ(Text(kIdInterval), "[50,800]");
    ASSERT_TRUE(User().Type(kIdNewResolution, "600"));
    ASSERT_TRUE(User().Click(kIdScan));
    EXPECT_EQ(Chosen(kIdResolution), "User Defined (600)");
    EXPECT_FALSE(Controls().IsEnabled(kIdScan));
    EXPECT_EQ(Text(kIdScan), "&Scan");
    EXPECT_EQ(Controls().Focus(), kIdResolution);
}

TEST_F(SettingsControls, AScannerWithoutResolutionsNeverTakesZeroDpi) {
    Profile profile = BuiltInProfile("gen5-color-54");
    profile.resolutions.clear();
    Fill(profile);
    EXPECT_THAT(Rows(kIdResolution), ElementsAre("User Defined (0)"));
    TypeResolution("0");
    EXPECT_THAT(Boxes(), ElementsAre(Box{"Value out of range\nValue must be between [0,0]", "Resolution"}));
    EXPECT_EQ(dialogState, DIALOG_STATE_INPUT_RESOLUTION);
}

// ---- paper --------------------------------------------------------------------------

TEST_F(SettingsControls, PaperListHoldsTheTableAndSelectsTheSavedName) {
    std::snprintf(g_DialogSettings.szPaperName, kPaperNameLength, "%s", "Legal-L");
    Fill();
    const std::vector<std::string> rows = Rows(kIdPaper);
    ASSERT_EQ(rows.size(), 25u);
    EXPECT_EQ(rows.front(), "A0-P");
    EXPECT_EQ(rows[8], "A4-L");
    EXPECT_EQ(rows.back(), "User Defined");
    EXPECT_EQ(Chosen(kIdPaper), "Legal-L");
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 21);
    EXPECT_EQ(g_DialogSettings.iUserPaperIndex, 24);
    EXPECT_EQ(Text(kIdWidthValue), "14.0");
    EXPECT_EQ(Text(kIdHeightValue), "8.5");

    for (const char* name : {"Tabloid", ""}) {
        SCOPED_TRACE(name);
        std::snprintf(g_DialogSettings.szPaperName, kPaperNameLength, "%s", name);
        Fill();
        EXPECT_EQ(Chosen(kIdPaper), "A4-L");
        EXPECT_EQ(g_DialogSettings.iPaperIndex, 8);
    }
}

TEST_F(SettingsControls, PaperAttributesShowInTheChosenUnit) {
    Fill("gen4-gray");
    EXPECT_TRUE(Controls().IsChecked(kIdUnitInch));
    EXPECT_EQ(Text(kIdXOffsetValue), "0.0");
    EXPECT_EQ(Text(kIdYOffsetValue), "0.0");
    EXPECT_EQ(Text(kIdWidthValue), "11.7");
    EXPECT_EQ(Text(kIdHeightValue), "8.3");

    ASSERT_TRUE(User().Click(kIdUnitCm));
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 1);
    EXPECT_EQ(Text(kIdWidthValue), "29.7");
    ASSERT_TRUE(Choose(kIdPaper, "A4-P"));
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 7);
    EXPECT_EQ(Text(kIdWidthValue), "21.1");
    EXPECT_EQ(Text(kIdHeightValue), "29.7");

    ASSERT_TRUE(User().Click(kIdUnitScanner));
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 2);
    ASSERT_TRUE(Choose(kIdPaper, "A0-P"));
    EXPECT_EQ(Text(kIdWidthValue), "7.8");
    EXPECT_EQ(Text(kIdHeightValue), "11.0");

    ASSERT_TRUE(User().Click(kIdUnitInch));
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 0);
    EXPECT_EQ(Text(kIdHeightValue), "46.8");
}

TEST_F(SettingsControls, UnitAndLoadComeFromTheSettings) {
    g_DialogSettings.iPaperUnit = 1;
    g_DialogSettings.bCenterLoad = true;
    Fill();
    EXPECT_TRUE(Controls().IsChecked(kIdUnitCm));
    EXPECT_FALSE(Controls().IsChecked(kIdUnitInch));
    EXPECT_TRUE(Controls().IsChecked(kIdCenterLoad));
    EXPECT_EQ(Text(kIdHeightValue), "21.1");

    ASSERT_TRUE(User().Click(kIdSideLoad));
    EXPECT_FALSE(g_DialogSettings.bCenterLoad);
    ASSERT_TRUE(User().Click(kIdCenterLoad));
    EXPECT_TRUE(g_DialogSettings.bCenterLoad);

    ResetSettings();
    g_DialogSettings.iPaperUnit = 7;
    Fill();
    EXPECT_TRUE(Controls().IsChecked(kIdUnitInch));
    EXPECT_EQ(g_DialogSettings.iPaperUnit, 0);
}

class PaperInput : public SettingsControls {
  protected:
    // Opens the paper size input at `dpi` (a listed resolution) in `unit`.
    void Open(int unit, const std::string& dpi) {
        ASSERT_TRUE(User().Click(unit));
        if (!dpi.empty()) {
            ASSERT_TRUE(Choose(kIdResolution, dpi));
        }
        ASSERT_TRUE(Choose(kIdPaper, "User Defined"));
        ASSERT_EQ(dialogState, DIALOG_STATE_INPUT_PAPER_SIZE);
    }
    void Enter(const std::string& x, const std::string& y, const std::string& width,
               const std::string& height) {
        ASSERT_TRUE(User().Type(kIdPaperX, x));
        ASSERT_TRUE(User().Type(kIdPaperY, y));
        ASSERT_TRUE(User().Type(kIdPaperWidth, width));
        ASSERT_TRUE(User().Type(kIdPaperHeight, height));
        ASSERT_TRUE(User().Click(kIdScan));
    }
    void ExpectStillOpen(int focus) {
        EXPECT_EQ(dialogState, DIALOG_STATE_INPUT_PAPER_SIZE);
        EXPECT_EQ(Controls().Focus(), focus);
        EXPECT_TRUE(Controls().IsVisible(kIdPaperX));
        EXPECT_EQ(PaperTable[kUserPaperRow].dWidth, 0.0);
    }
};

TEST_F(PaperInput, TheUserRowOpensTheInputWithTheRowInTheUnit) {
    PaperTable[kUserPaperRow] = PaperRow{"User Defined", 1.0, 2.0, 10.0, 20.0};
    Fill("gen5-color-54");
    Open(kIdUnitCm, "");
    for (int id = kIdPaperXLabel; id <= kIdPaperSizeGroup; ++id)
        EXPECT_TRUE(Controls().IsVisible(id)) << id;
    EXPECT_EQ(Text(kIdPaperX), "2.5");
    EXPECT_EQ(Text(kIdPaperY), "5.1");
    EXPECT_EQ(Text(kIdPaperWidth), "25.4");
    EXPECT_EQ(Text(kIdPaperHeight), "50.8");
    EXPECT_EQ(Controls().Focus(), kIdPaperX);
    EXPECT_EQ(Text(kIdScan), "&OK");
    EXPECT_EQ(Text(kIdDone), "&Cancel");
    EXPECT_FALSE(Controls().IsVisible(kIdPaper));
    EXPECT_FALSE(Controls().IsVisible(kIdNewResolution));
    EXPECT_EQ(VisibleGroups(), "");
}

TEST_F(PaperInput, TheLargestSizeFollowsResolutionAndScanner) {
    struct Case {
        const char* profile;
        int32_t generation;
        std::string dpi;
        std::string limit;
    };
    for (const Case& c : {Case{"gen5-color-54", 5, "600", "50.0"}, Case{"gen5-color-54", 5, "1200", "25.0"},
                          Case{"gen5-color-54", 5, "300", "54.0"}, Case{"gen4-gray", 4, "400", "36.0"},
                          Case{nullptr, 5, "800", "37.5"}, Case{nullptr, 4, "800", "36.0"}}) {
        SCOPED_TRACE(std::string(c.profile ? c.profile : "no scanner") + " at " + c.dpi);
        Start(c.profile, c.generation);
        Open(kIdUnitInch, c.dpi);
        Enter("0", "0", "99", "1");
        EXPECT_THAT(Boxes(), ElementsAre(Box{"The value in Width is greater than the allowed value (" +
                                                 c.limit + " Inch).",
                                             "Input Paper Size"}));
        ExpectStillOpen(kIdPaperWidth);
        User().Click(kIdDone);
    }
}

TEST_F(PaperInput, WithoutAScannerAGenerationFiveTakesFiftyInchesAtSixHundred) {
    m_Set.iGeneration = 5;
    Fill();
    TypeResolution("600");
    ASSERT_EQ(m_Set.iResolution, 600);
    Open(kIdUnitInch, "");
    Enter("0", "0", "50", "51");
    EXPECT_THAT(Boxes(), ElementsAre(Box{"The value in Height is greater than the allowed value (50.0 Inch).",
                                         "Input Paper Size"}));
    ExpectStillOpen(kIdPaperHeight);
}

TEST_F(PaperInput, EachFieldIsReportedInTurn) {
    Fill("gen5-color-54");
    Open(kIdUnitInch, "600");
    struct Case {
        std::string x, width, height;
        Box box;
        int focus;
    };
    const Case cases[] = {
        {"-1",
         "abc",
         "1",
         {"The value in X-Offset is less than the allowed value (0.0 Inch).", "Input Paper Size"},
         kIdPaperX},
        {"51",
         "1",
         "1",
         {"The value in X-Offset is greater than the allowed value (50.0 Inch).", "Input Paper Size"},
         kIdPaperX},
        {"x", "1", "1", {"X-Offset is not a number", "Input Paper Size"}, kIdPaperX},
        {"0", "abc", "1", {"Width is not a number", "Input Paper Size"}, kIdPaperWidth},
        {"0",
         "-0.5",
         "1",
         {"The value in Width is less than the allowed value (0.0 Inch).", "Input Paper Size"},
         kIdPaperWidth},
        {"0", "1", "", {"Height is not a number", "Input Paper Size"}, kIdPaperHeight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box.text);
        Enter(c.x, "0", c.width, c.height);
        EXPECT_THAT(Boxes(), ElementsAre(c.box));
        ExpectStillOpen(c.focus);
    }
}

TEST_F(PaperInput, AGoodRectangleBecomesTheUserPaper) {
    Fill("gen5-color-54");
    Open(kIdUnitCm, "600");
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 8);
    Enter("2.54", "-2", "25.4", "50.8");
    EXPECT_THAT(Boxes(), IsEmpty());
    const PaperRow& row = PaperTable[kUserPaperRow];
    EXPECT_NEAR(row.dXOffset, 1.0, 1e-9);
    EXPECT_NEAR(row.dYOffset, -2 / 2.54, 1e-9);
    EXPECT_NEAR(row.dWidth, 10.0, 1e-9);
    EXPECT_NEAR(row.dHeight, 20.0, 1e-9);
    EXPECT_EQ(Chosen(kIdPaper), "User Defined");
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 24);
    EXPECT_EQ(Text(kIdXOffsetValue), "2.5");
    EXPECT_EQ(Text(kIdYOffsetValue), "-2.0");
    EXPECT_EQ(Text(kIdWidthValue), "25.4");
    EXPECT_EQ(Text(kIdHeightValue), "50.8");
    ExpectNormalLook(kIdPaper);
    EXPECT_EQ(VisibleGroups(), "tone blur sharpen");
}

TEST_F(PaperInput, TheYOffsetIsTakenAsTyped) {
    Fill("gen5-color-54");
    Open(kIdUnitInch, "300");
    Enter("1", "no number", "5", "5");
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(PaperTable[kUserPaperRow].dYOffset, 0.0);
    EXPECT_EQ(PaperTable[kUserPaperRow].dXOffset, 1.0);
}

TEST_F(PaperInput, CancelKeepsThePaperThatWasChosen) {
    Fill("gen5-color-54");
    ASSERT_TRUE(Choose(kIdPaper, "B-L"));
    Open(kIdUnitInch, "");
    ASSERT_TRUE(User().Type(kIdPaperWidth, "5"));
    ASSERT_TRUE(User().Click(kIdDone));
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(Chosen(kIdPaper), "B-L");
    EXPECT_EQ(g_DialogSettings.iPaperIndex, 15);
    EXPECT_EQ(PaperTable[kUserPaperRow].dWidth, 0.0);
    EXPECT_EQ(Text(kIdWidthValue), "17.0");
    ExpectNormalLook(kIdPaper);
}

TEST_F(PaperInput, ZeroDpiFromTheSettingsReportsTheResolutionRange) {
    m_Set.iResolution = 0;
    m_Set.iUserResolution = 0;
    Fill("gen5-color-54");
    ASSERT_EQ(Chosen(kIdResolution), "User Defined (0)");
    Open(kIdUnitInch, "");
    Enter("0", "0", "10", "10");
    EXPECT_THAT(Boxes(),
                ElementsAre(Box{"Value out of range\nValue must be between [50,1200]", "Resolution"}));
    EXPECT_EQ(dialogState, DIALOG_STATE_INPUT_PAPER_SIZE);
    EXPECT_EQ(PaperTable[kUserPaperRow].dWidth, 0.0);
}

// ---- reading the controls back ------------------------------------------------------

TEST_F(SettingsControls, ReadDialogControlsTakesEveryControl) {
    Fill("gen5-color-54");
    ASSERT_TRUE(Choose(kIdMode, "B/W Adaptive"));
    ASSERT_TRUE(Choose(kIdResolution, "600"));
    ASSERT_TRUE(Choose(kIdPaper, "C-L"));
    ASSERT_TRUE(Choose(kIdBlur, "3"));
    ASSERT_TRUE(Choose(kIdSharpen, "Sharpen 1"));
    ASSERT_TRUE(Choose(kIdBackground, " Auto"));
    ASSERT_TRUE(User().Type(kIdLevel, "5"));
    ASSERT_TRUE(User().Click(kIdUnitScanner));
    ASSERT_TRUE(User().Click(kIdCenterLoad));
    ReadDialogControls(Controls());
    const DialogSettings& s = g_DialogSettings;
    EXPECT_EQ(m_Set.enumMode, 8);
    EXPECT_EQ(m_Set.iResolution, 600);
    EXPECT_EQ(s.iPaperIndex, 13);
    EXPECT_STREQ(s.szPaperName, "C-L");
    EXPECT_EQ(s.g_iBlur, 3);
    EXPECT_EQ(m_Set.iSharpenSoften, 1);
    EXPECT_EQ(m_Set.iBackgroundLevel, 0);
    EXPECT_EQ(s.iLevel, 5);
    EXPECT_EQ(s.iGamma10, 10);
    EXPECT_EQ(s.iPaperUnit, 2);
    EXPECT_TRUE(s.bCenterLoad);
}

TEST_F(SettingsControls, ReadDialogControlsOnAGenerationFourScanner) {
    g_DialogSettings.g_iBlur = 8;
    Fill("gen4-color");
    ASSERT_EQ(Chosen(kIdBlur), "8");
    g_DialogSettings.g_iBlur = 0;
    ASSERT_TRUE(User().Type(kIdBrightness, "-35"));
    ASSERT_TRUE(User().Type(kIdContrast, "12"));
    ReadDialogControls(Controls());
    EXPECT_EQ(g_DialogSettings.g_iBlur, 8);
    EXPECT_EQ(g_DialogSettings.iBrightness, -35);
    EXPECT_EQ(g_DialogSettings.iContrast, 12);
    EXPECT_EQ(g_DialogSettings.iGamma10, 22);
    // No background level is offered, and the sharpen/soften list is empty.
    EXPECT_EQ(m_Set.iBackgroundLevel, -4);
    m_Set.iSharpenSoften = 3;
    ReadDialogControls(Controls());
    EXPECT_EQ(m_Set.iSharpenSoften, 3);
}

TEST_F(SettingsControls, OnlyItsOwnNotificationsAreTaken) {
    Fill();
    for (int id : {kIdPrescan, kIdScan, kIdDone, kIdScanner0})
        EXPECT_FALSE(HandleSettingsCommand(Controls(), *scanner_, id, Notification::Click)) << id;
    EXPECT_TRUE(HandleSettingsCommand(Controls(), *scanner_, kIdMode, Notification::ListChange));
    EXPECT_TRUE(HandleSettingsCommand(Controls(), *scanner_, kIdGamma, Notification::EditChange));
    dialogState = DIALOG_STATE_INPUT_PAPER_SIZE;
    EXPECT_TRUE(HandleSettingsCommand(Controls(), *scanner_, kIdDone, Notification::Click));
    EXPECT_EQ(dialogState, DIALOG_STATE_NORMAL);
}

} // namespace
