#include "host/UserScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#if !defined(_WIN32)
#include "platform/headless/HeadlessDialog.h"
#endif

using namespace qv::host;

namespace {

UserEvent Parsed(const std::string& line) {
    UserEvent event;
    std::string error;
    EXPECT_TRUE(ParseUserEventLine(line, event, error)) << line << ": " << error;
    return event;
}

} // namespace

TEST(UserScript, ControlsByNameOrNumberAndTextsToTheEndOfTheLine) {
    EXPECT_EQ(Parsed("click scan").control, 1);
    EXPECT_EQ(Parsed("click scanner4").control, 114);
    EXPECT_EQ(Parsed("  click   110 ").control, 110);
    UserEvent select = Parsed("select mode   B/W Adaptive  Gray ");
    EXPECT_EQ(select.verb, UserVerb::Select);
    EXPECT_EQ(select.text, "B/W Adaptive  Gray") << "inner blanks are the row's own";
    EXPECT_EQ(Parsed("type xoff").text, "") << "typing nothing clears the field";
    EXPECT_EQ(Parsed("spin brightness down").number, -1);
    EXPECT_EQ(Parsed("wait 250").number, 250);
    EXPECT_EQ(Parsed("screenshot out dir/start.bmp").text, "out dir/start.bmp");
}

TEST(UserScript, CommentsStartAtTheLineOrAfterABlank) {
    UserEvent event;
    std::string error;
    EXPECT_FALSE(ParseUserEventLine("   # a note", event, error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(ParseUserEventLine("", event, error));
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(Parsed("click done   # leave").line, "click done");
    EXPECT_EQ(Parsed("expect status text Scanner#2").text, "Scanner#2");
}

TEST(UserScript, Expectations) {
    UserEvent box = Parsed("expect box Load Paper | Paper jam\\nTry again | twice");
    EXPECT_EQ(box.verb, UserVerb::ExpectBox);
    EXPECT_EQ(box.text, "Load Paper");
    EXPECT_EQ(box.boxText, "Paper jam\\nTry again | twice") << "only the first bar divides";
    EXPECT_EQ(Parsed("expect resolution rows 100 | 200|User Defined*").rows,
              (std::vector<std::string>{"100", "200", "User Defined*"}));
    EXPECT_TRUE(Parsed("expect paper rows").rows.empty());
    EXPECT_EQ(Parsed("expect paper rows a||").rows, (std::vector<std::string>{"a", "", ""}));
    EXPECT_TRUE(Parsed("expect test visible").state);
    EXPECT_FALSE(Parsed("expect test visible no").state);
    EXPECT_EQ(Parsed("expect title Vellumix for Photoshop 4.0 (x)").text, "Vellumix for Photoshop 4.0 (x)");
    EXPECT_EQ(Parsed("expect 83 text").text, "");
}

TEST(UserScript, RefusesLinesThatAreNoEvent) {
    for (const char* bad :
         {"press scan", "click", "click nothing", "click 0", "click 65536", "click scan twice", "select mode",
          "spin brightness sideways", "wait", "wait -1", "wait 1s", "dump all", "screenshot",
          "expect box no bar", "expect mode", "expect mode colour red", "expect scan enabled maybe"}) {
        UserEvent event;
        std::string error;
        EXPECT_FALSE(ParseUserEventLine(bad, event, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    std::vector<UserEvent> events;
    std::string error;
    EXPECT_FALSE(ParseUserScript("# start\nclick scan\n\nclik done\n", events, error));
    EXPECT_EQ(error.rfind("line 4: ", 0), 0u) << error;
}

#if !defined(_WIN32)
// The player on the headless model of a small dialog.
class ScriptPlayerTest : public ::testing::Test {
  protected:
    static qv::ControlSpec Control(int id, qv::ControlKind kind, bool hidden = false, int buddy = 0) {
        qv::ControlSpec control;
        control.id = id;
        control.kind = kind;
        control.hidden = hidden;
        control.buddy = buddy;
        control.lower = -100;
        control.upper = 100;
        return control;
    }
    using Kind = qv::ControlKind;
    const std::vector<qv::ControlSpec> controls{
        Control(1, Kind::PushButton), Control(21, Kind::DropDownList),    Control(23, Kind::DropDownList),
        Control(28, Kind::Edit),      Control(29, Kind::Spin, false, 28), Control(67, Kind::Edit),
        Control(69, Kind::Edit, true)};
    const qv::DialogSpec spec{"Test", 100, 100, controls};

    ScriptPlayerTest() : dialog(spec, [this](int id, qv::Notification) { notified.push_back(id); }) {
        for (const char* row : {"B/W Threshold", " Gray Tone", "RGB"})
            dialog.ListAdd(21, row);
        for (const char* row : {"100", "300", "User Defined (600)"})
            dialog.ListAdd(23, row);
    }

    // Plays the script to its end; what the player printed.
    std::vector<std::string> Play(const std::string& script, ScriptPlayer** kept = nullptr) {
        std::vector<UserEvent> events;
        std::string error;
        EXPECT_TRUE(ParseUserScript(script, events, error)) << error;
        player = std::make_unique<ScriptPlayer>(events, spec,
                                                [this](const std::string& line) { printed.push_back(line); });
        if (kept)
            *kept = player.get();
        for (const auto& [caption, text] : boxes)
            player->BoxShown(caption, text);
        while (player->PlayNext(dialog, dialog))
            ;
        return printed;
    }

    qv::HeadlessDialog dialog;
    std::vector<int> notified;
    std::vector<std::pair<std::string, std::string>> boxes;
    std::vector<std::string> printed;
    std::unique_ptr<ScriptPlayer> player;
};

TEST_F(ScriptPlayerTest, ChoosesRowsByTrimmedTextOrPrefix) {
    Play("select mode Gray Tone\nexpect mode row Gray*\nselect mode R*\nexpect mode text RGB\n");
    EXPECT_TRUE(printed.empty()) << printed.front();
    EXPECT_EQ(dialog.ListSelected(21), 2);
    EXPECT_EQ(notified, (std::vector<int>{21, 21}));
}

TEST_F(ScriptPlayerTest, AFailureEndsThePlayWithWhatWasFound) {
    Play("select mode Colour\nclick scan\n");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0],
              "action failed: select mode Colour: no such row among \"B/W Threshold|Gray Tone|RGB\"");
    EXPECT_TRUE(player->Failed());
    EXPECT_TRUE(notified.empty()) << "nothing after the failure is played";

    printed.clear();
    Play("type 69 1.0\n");
    EXPECT_EQ(printed.at(0), "action failed: type 69 1.0: control 69 is hidden or missing");

    printed.clear();
    Play("expect mode rows B/W Threshold|Gray Tone\n");
    EXPECT_EQ(
        printed.at(0),
        "expect failed: expect mode rows B/W Threshold|Gray Tone: rows \"B/W Threshold|Gray Tone|RGB\"");
}

TEST_F(ScriptPlayerTest, AResolutionNotListedGoesThroughTheInput) {
    std::vector<UserEvent> events(2);
    events[0].verb = events[1].verb = UserVerb::Resolution;
    events[0].number = 333;
    events[1].number = 300;
    ScriptPlayer player(events, spec, [this](const std::string& line) { printed.push_back(line); });
    while (player.PlayNext(dialog, dialog))
        ;
    EXPECT_TRUE(printed.empty()) << printed.front();
    EXPECT_EQ(notified, (std::vector<int>{23, 67, 1, 23}));
    EXPECT_EQ(dialog.ListSelected(23), 1);
    EXPECT_EQ(dialog.GetText(67), "333");
}

TEST_F(ScriptPlayerTest, BoxesAreExpectedInTheOrderShownAsTheHostPrintsThem) {
    boxes = {{"Load Paper", "No paper\n\"A\""}, {"Set Window", "x"}};
    Play("expect box Load Paper | No paper\\n\\\"A\\\"\nexpect box Set Window | y\n");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0], "expect failed: expect box Set Window | y: message box \"Set Window\": \"x\"");
    boxes.clear();
    printed.clear();
    Play("expect box Load Paper | *\n");
    EXPECT_EQ(printed.at(0), "expect failed: expect box Load Paper | *: no message box");
}

TEST_F(ScriptPlayerTest, SpinsByTheirEditAndReportsExpectationsNeverReached) {
    ScriptPlayer* played = nullptr;
    dialog.SetText(28, "7");
    notified.clear();
    Play("spin brightness up\nexpect brightness text 8\nwait 5\n", &played);
    EXPECT_TRUE(printed.empty()) << printed.front();
    EXPECT_EQ(played->TakeWait(), 5);
    EXPECT_EQ(played->TakeWait(), 0);

    std::vector<UserEvent> events;
    std::string error;
    ASSERT_TRUE(
        ParseUserScript("click scan\nexpect mode row RGB\nclick scan\nexpect title Test\n", events, error));
    ScriptPlayer unfinished(events, spec, [](const std::string&) {});
    ASSERT_TRUE(unfinished.PlayNext(dialog, dialog));
    EXPECT_EQ(unfinished.UnreachedExpectations(),
              (std::vector<std::string>{"expect mode row RGB", "expect title Test"}));
}
#endif
