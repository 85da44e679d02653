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
    EXPECT_EQ(Parsed("wait prescan").verb, UserVerb::WaitPreScan);
    EXPECT_EQ(Parsed("save preview out dir/p.ppm").text, "out dir/p.ppm");
    const UserEvent mouse = Parsed("mouse down -25 310");
    EXPECT_EQ(mouse.verb, UserVerb::Mouse);
    EXPECT_EQ(mouse.action, qv::MouseAction::ButtonDown);
    EXPECT_EQ(mouse.x, -25);
    EXPECT_EQ(mouse.y, 310);
    EXPECT_EQ(Parsed("mouse move 1 2").action, qv::MouseAction::Move);
    EXPECT_EQ(Parsed("mouse up 1 2").action, qv::MouseAction::ButtonUp);
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
    EXPECT_EQ(Parsed("expect cursor IDC_CURSOR_TOP_LEFT").verb, UserVerb::ExpectCursor);
}

TEST(UserScript, RefusesLinesThatAreNoEvent) {
    for (const char* bad : {"press scan",
                            "click",
                            "click nothing",
                            "click 0",
                            "click 65536",
                            "click scan twice",
                            "select mode",
                            "spin brightness sideways",
                            "wait",
                            "wait -1",
                            "wait 1s",
                            "dump all",
                            "screenshot",
                            "expect box no bar",
                            "expect mode",
                            "expect mode colour red",
                            "expect scan enabled maybe",
                            "mouse",
                            "mouse press 1 2",
                            "mouse down 1",
                            "mouse down 1 2 3",
                            "mouse up x 2",
                            "expect cursor ARROW",
                            "expect cursor",
                            "save preview",
                            "save screen x.ppm",
                            "wait prescans"}) {
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
    static qv::ControlLayout Control(int id, qv::ControlKind kind, bool hidden = false, int buddy = 0) {
        qv::ControlLayout control;
        control.id = id;
        control.kind = kind;
        control.hidden = hidden;
        control.buddy = buddy;
        control.lower = -100;
        control.upper = 100;
        return control;
    }
    using Kind = qv::ControlKind;
    const std::vector<qv::ControlLayout> controls{
        Control(1, Kind::PushButton), Control(21, Kind::DropDownList),    Control(23, Kind::DropDownList),
        Control(28, Kind::Edit),      Control(29, Kind::Spin, false, 28), Control(67, Kind::Edit),
        Control(69, Kind::Edit, true)};
    const qv::DialogLayout layout{"Test", 100, 100, controls};

    ScriptPlayerTest() : dialog(layout, [this](int id, qv::Notification) { notified.push_back(id); }) {
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
        player = std::make_unique<ScriptPlayer>(events, layout,
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
    ScriptPlayer player(events, layout, [this](const std::string& line) { printed.push_back(line); });
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
    ScriptPlayer unfinished(events, layout, [](const std::string&) {});
    ASSERT_TRUE(unfinished.PlayNext(dialog, dialog));
    EXPECT_EQ(unfinished.UnreachedExpectations(),
              (std::vector<std::string>{"expect mode row RGB", "expect title Test"}));
}

// The picture-area events on a dialog window whose mouse handler records what reaches it.
class PreviewEventsTest : public ::testing::Test {
  protected:
    static constexpr qv::DialogUnitRect kArea{100, 8, 60, 40};
    static std::vector<qv::ControlLayout> Controls() {
        std::vector<qv::ControlLayout> controls;
        for (auto [id, kind] :
             {std::pair{2, qv::ControlKind::PushButton}, std::pair{46, qv::ControlKind::DropDownList},
              std::pair{82, qv::ControlKind::Label}}) {
            qv::ControlLayout& control = controls.emplace_back();
            control.id = id;
            control.kind = kind;
        }
        controls[2].area = kArea;
        return controls;
    }
    PreviewEventsTest() {
        qv::DialogHandlers handlers;
        handlers.mouse = [this](qv::MouseAction action, int32_t x, int32_t y, bool held) {
            const char* names[] = {"move", "down", "up"};
            mice.push_back(std::string(names[int(action)]) + " " + std::to_string(x) + " " +
                           std::to_string(y) + (held ? " held" : ""));
            if (action == qv::MouseAction::ButtonDown)
                dialog->SetCursor(3);
        };
        dialog = qv::CreateDialogWindow(nullptr, layout, handlers);
    }
    ~PreviewEventsTest() override { qv::DestroyDialogWindow(dialog); }

    ScriptPlayer Player(const std::string& script) {
        std::vector<UserEvent> events;
        std::string error;
        EXPECT_TRUE(ParseUserScript(script, events, error)) << error;
        return ScriptPlayer(events, layout, [this](const std::string& line) { printed.push_back(line); });
    }
    bool Turn(ScriptPlayer& player) {
        return player.PlayNext(*dialog, dynamic_cast<qv::DialogUser&>(*dialog));
    }

    const std::vector<qv::ControlLayout> controls = Controls();
    const qv::DialogLayout layout{"Test", 200, 100, controls};
    qv::DialogControls* dialog = nullptr;
    std::vector<std::string> mice, printed;
};

TEST_F(PreviewEventsTest, WaitPrescanHoldsWhileDoneSaysStopOrSharpenIsHeld) {
    std::vector<int> paced;
    ScriptPlayer player = Player("wait prescan\nexpect 2 text &Done\n");
    player.SetPacer([&paced](int ms) { paced.push_back(ms); });
    dialog->SetText(2, "Stop");
    dialog->Enable(46, false);
    ASSERT_TRUE(Turn(player));
    dialog->SetText(2, "&Done"); // given back before the sharpen list
    ASSERT_TRUE(Turn(player));
    EXPECT_EQ(paced.size(), 1u);
    dialog->Enable(46, true);
    ASSERT_TRUE(Turn(player)); // the wait ends
    ASSERT_TRUE(Turn(player)); // the expectation after it is played
    EXPECT_FALSE(Turn(player));
    EXPECT_EQ(paced.size(), 2u);
    EXPECT_TRUE(printed.empty()) << printed.front();
}

TEST_F(PreviewEventsTest, MouseEventsAndADragThatStartsANewSelection) {
    ScriptPlayer mouse = Player("mouse move 5 6\nmouse down 5 6\nmouse move 7 8\nmouse up 7 9\n"
                                "expect cursor IDC_CURSOR_TOP_RIGHT\nmouse move 1 1\n");
    while (Turn(mouse))
        ;
    EXPECT_EQ(mice,
              (std::vector<std::string>{"move 5 6", "down 5 6 held", "move 7 8 held", "up 7 9", "move 1 1"}));
    EXPECT_TRUE(printed.empty()) << printed.front();

    mice.clear();
    UserEvent drag;
    drag.verb = UserVerb::Drag;
    drag.x = 3;
    drag.y = 4;
    drag.width = 10;
    drag.height = 1;
    ScriptPlayer player({drag}, layout, [](const std::string&) {});
    while (Turn(player))
        ;
    const qv::PixelRect area = qv::HeadlessPixels(kArea);
    auto at = [](const char* action, int32_t x, int32_t y, bool held) {
        return std::string(action) + " " + std::to_string(x) + " " + std::to_string(y) +
               (held ? " held" : "");
    };
    // Two presses left of the area, in its last row since the drag starts in its upper half.
    const int32_t aside = area.bottom - 1;
    EXPECT_EQ(mice, (std::vector<std::string>{
                        at("down", area.left - 20, aside, true), at("up", area.left - 20, aside, false),
                        at("down", area.left - 20, aside, true), at("up", area.left - 20, aside, false),
                        at("down", area.left + 3, area.top + 4, true),
                        at("move", area.left + 12, area.top + 4, true),
                        at("up", area.left + 12, area.top + 4, false)}));
}
#endif
