#include "host/ScanCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace qv::host;

namespace {

std::vector<std::string> Lines(const ScanSettings& settings, const std::vector<UserEvent>& actions = {}) {
    std::vector<UserEvent> events;
    std::string error;
    EXPECT_TRUE(CompileScan(settings, actions, events, error)) << error;
    std::vector<std::string> lines;
    for (const UserEvent& event : events)
        lines.push_back(event.line);
    return lines;
}

ScanSettings FromArguments(const std::vector<std::string>& args) {
    ScanSettings settings;
    for (size_t at = 0; at < args.size();) {
        const int took = TakeScanOption(args, at, settings);
        EXPECT_GT(took, 0) << args[at];
        at += took > 0 ? size_t(took) : args.size();
    }
    return settings;
}

} // namespace

TEST(ScanCommand, EventsFollowTheFixedOrderWhateverTheOptionsOrder) {
    const ScanSettings settings =
        FromArguments({"--units",      "cm",        "--srgb",    "--side-load", "--background", "Auto",
                       "--sharpen",    "Off",       "--blur",    "2",           "--level",      "-1",
                       "--threshold",  "100",       "--gamma",   "1.8",         "--contrast",   "5",
                       "--brightness", "-5",        "--paper",   "A4-L",        "--resolution", "300",
                       "--mode",       "Gray Tone", "--scanner", "1",           "--sheets",     "2"});
    std::vector<UserEvent> dump;
    std::string error;
    ASSERT_TRUE(ParseUserScript("dump", dump, error));
    EXPECT_EQ(Lines(settings, dump),
              (std::vector<std::string>{
                  "click scanner1", "select mode Gray Tone", "--resolution 300", "select paper A4-L",
                  "type brightness -5", "type contrast 5", "type gamma 1.8", "type threshold 100",
                  "type level -1", "select blur 2", "select sharpen Off", "select background Auto",
                  "click srgb", "click side", "click cm", "dump", "click scan", "click scan", "click done"}));
}

TEST(ScanCommand, AnAreaIsTypedInInchesAndConfirmed) {
    EXPECT_EQ(Lines(FromArguments({"--area", "0,0.5,8.5,11", "--units", "scanner"})),
              (std::vector<std::string>{"click inch", "select paper User Defined", "type xoff 0",
                                        "type yoff 0.5", "type width 8.5", "type height 11", "click scan",
                                        "click scanner-units", "click scan", "click done"}));
}

TEST(ScanCommand, SheetsDefaultToOneScanPerSheetAndZeroOnlyLeaves) {
    EXPECT_EQ(Lines({}), (std::vector<std::string>{"click scan", "click done"}));
    EXPECT_EQ(Lines(FromArguments({"--sheet", "chart:grid", "--sheet", "chart:gray-ramp"})).size(), 3u);
    EXPECT_EQ(Lines(FromArguments({"--sheet", "chart:grid", "--sheets", "0"})),
              (std::vector<std::string>{"click done"}));
}

TEST(ScanCommand, EachSheetIsPrescannedAndItsSelectionDraggedBeforeItsScan) {
    EXPECT_EQ(Lines(FromArguments({"--select", "5,6,70,80", "--sheets", "2", "--prescan"})),
              (std::vector<std::string>{"click prescan", "wait prescan", "--select 5,6,70,80", "click scan",
                                        "click prescan", "wait prescan", "--select 5,6,70,80", "click scan",
                                        "click done"}));
    std::vector<UserEvent> events;
    std::string error;
    ASSERT_TRUE(CompileScan(FromArguments({"--prescan", "--select", "5,6,70,80"}), {}, events, error));
    EXPECT_EQ(events.at(2).verb, UserVerb::Drag);
    EXPECT_EQ(events[2].x, 5);
    EXPECT_EQ(events[2].y, 6);
    EXPECT_EQ(events[2].width, 70);
    EXPECT_EQ(events[2].height, 80);
}

TEST(ScanCommand, RefusesValuesItCannotPlay) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--scanner", "5"},
                                               {"--resolution", "300dpi"},
                                               {"--resolution", "0"},
                                               {"--area", "1,2,3"},
                                               {"--area", "1,2,3,-4"},
                                               {"--area", "1,2,3,4,"},
                                               {"--paper", "A4", "--area", "0,0,1,1"},
                                               {"--ntsc", "--srgb"},
                                               {"--center-load", "--side-load"},
                                               {"--units", "mm"},
                                               {"--select", "1,2,3,4"},
                                               {"--prescan", "--select", "1,2,0,4"},
                                               {"--prescan", "--select", "-1,2,3,4"},
                                               {"--prescan", "--select", "1,2,3"},
                                               {"--sheets", "-1"}}) {
        std::vector<UserEvent> events;
        std::string error;
        EXPECT_FALSE(CompileScan(FromArguments(args), {}, events, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }

    ScanSettings settings;
    EXPECT_EQ(TakeScanOption({"--mode"}, 0, settings), 0) << "a value is missing";
    EXPECT_EQ(TakeScanOption({"--out", "x"}, 0, settings), 0);
    EXPECT_EQ(TakeScanOption({"--ntsc", "--mode"}, 0, settings), 1);
}

TEST(ScanCommand, SheetsBecomeTheScenarioOfOneDevice) {
    ScanSettings settings;
    std::string text, error;
    ASSERT_TRUE(ScanScenarioText(settings, text, error));
    EXPECT_EQ(text, "") << "no --profile, no --sheet: the scanner is left as it is";

    settings = FromArguments({"--profile", "gen4-gray", "--sheet", "chart:grid:8.5x11@150", "--sheet",
                              "chart:gray-ramp", "--sheet", "pictures/a@b.pgm@300"});
    ASSERT_TRUE(ScanScenarioText(settings, text, error)) << error;
    const std::string picture = (std::filesystem::current_path() / "pictures" / "a@b.pgm").string();
    // Every sheet but the last leaves after its scan, so that the series moves on.
    EXPECT_EQ(text, "[device]\nprofile = gen4-gray\n"
                    "[sheet]\nchart = grid\nwidth = 8.5\nheight = 11\ndpi = 150\nscans = 1\n"
                    "[sheet]\nchart = gray-ramp\nscans = 1\n"
                    "[sheet]\nfile = " +
                        picture + "\ndpi = 300\n");
    // A prescan is a scan command of its own.
    settings.prescan = true;
    ASSERT_TRUE(ScanScenarioText(settings, text, error)) << error;
    EXPECT_NE(text.find("dpi = 150\nscans = 2\n[sheet]\nchart = gray-ramp\nscans = 2\n[sheet]"),
              std::string::npos)
        << text;

    for (const char* bad : {"chart:", "chart:grid:8.5", "chart:grid:0x11", "chart:grid:1x2:3", "@300"}) {
        settings.sheetTexts = {bad};
        EXPECT_FALSE(ScanScenarioText(settings, text, error)) << bad;
    }
}
