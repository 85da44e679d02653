#include "host/UserScript.h"

#include "dialog/ControlIds.h"
#include "host/Host.h"
#include "platform/Cursors.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace qv::host {

namespace {

struct NamedControl {
    const char* name;
    int id;
};

const NamedControl kNames[] = {
    {"scan", kIdScan},
    {"done", kIdDone},
    {"prescan", kIdPrescan},
    {"test", kIdTest},
    {"status", kIdStatus},
    {"mode", kIdMode},
    {"resolution", kIdResolution},
    {"paper", kIdPaper},
    {"brightness", kIdBrightness},
    {"contrast", kIdContrast},
    {"gamma10", kIdGamma10},
    {"gamma", kIdGamma},
    {"blur", kIdBlur},
    {"threshold", kIdThreshold},
    {"level", kIdLevel},
    {"sharpen", kIdSharpen},
    {"background", kIdBackground},
    {"inch", kIdUnitInch},
    {"cm", kIdUnitCm},
    {"scanner-units", kIdUnitScanner},
    {"side", kIdSideLoad},
    {"center", kIdCenterLoad},
    {"newres", kIdNewResolution},
    {"xoff", kIdPaperX},
    {"yoff", kIdPaperY},
    {"width", kIdPaperWidth},
    {"height", kIdPaperHeight},
    {"coords", kIdCoordinates},
    {"ntsc", kIdNtsc},
    {"srgb", kIdSrgb},
    {"scanner0", kIdScanner0},
    {"scanner1", kIdScanner0 + 1},
    {"scanner2", kIdScanner0 + 2},
    {"scanner3", kIdScanner0 + 3},
    {"scanner4", kIdScanner4},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The first word of `rest`, which keeps what follows without its leading blanks.
std::string Word(std::string& rest) {
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    std::string word = rest.substr(0, end);
    while (end < rest.size() && IsBlank(rest[end]))
        ++end;
    rest.erase(0, end);
    return word;
}

bool ParseNumber(const std::string& text, int lower, int upper, int& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end && value >= lower && value <= upper;
}

bool ParseControl(const std::string& word, int& id, std::string& error) {
    id = ControlByName(word);
    if (id || ParseNumber(word, 1, 65535, id))
        return true;
    error = word.empty() ? "a control is missing" : "unknown control \"" + word + "\"";
    return false;
}

// A '#' at the start, or after a blank, begins a comment.
std::string WithoutComment(const std::string& line) {
    for (size_t at = 0; at < line.size(); ++at)
        if (line[at] == '#' && (at == 0 || IsBlank(line[at - 1])))
            return line.substr(0, at);
    return line;
}

bool ParseExpectation(std::string& rest, UserEvent& event, std::string& error) {
    const std::string target = Word(rest);
    if (target == "box") {
        const size_t bar = rest.find('|');
        if (bar == std::string::npos) {
            error = "expect box needs CAPTION | TEXT";
            return false;
        }
        event.verb = UserVerb::ExpectBox;
        event.text = Trim(rest.substr(0, bar));
        event.boxText = Trim(rest.substr(bar + 1));
        return true;
    }
    if (target == "title") {
        event.verb = UserVerb::ExpectTitle;
        event.text = rest;
        return true;
    }
    if (target == "cursor") {
        event.verb = UserVerb::ExpectCursor;
        event.text = rest;
        if (qv::CursorByName(rest) >= 0)
            return true;
        error = "expect cursor takes a cursor's name (IDC_CURSOR_...), not \"" + rest + "\"";
        return false;
    }
    if (!ParseControl(target, event.control, error))
        return false;
    const std::string what = Word(rest);
    if (what == "text" || what == "row") {
        event.verb = what == "text" ? UserVerb::ExpectText : UserVerb::ExpectRow;
        event.text = rest;
        return true;
    }
    if (what == "rows") {
        event.verb = UserVerb::ExpectRows;
        if (!rest.empty())
            for (const std::string& row : SplitAt(rest, '|'))
                event.rows.push_back(Trim(row));
        return true;
    }
    if (what == "visible" || what == "enabled" || what == "checked") {
        event.verb = what == "visible"   ? UserVerb::ExpectVisible
                     : what == "enabled" ? UserVerb::ExpectEnabled
                                         : UserVerb::ExpectChecked;
        if (rest == "no")
            event.state = false;
        else if (!rest.empty() && rest != "yes") {
            error = "expect " + what + " takes yes or no, not \"" + rest + "\"";
            return false;
        }
        return true;
    }
    error = "expect what? \"" + what + "\" is none of text, visible, enabled, checked, row, rows";
    return false;
}

// The control's text as the host prints texts, without the quotes.
std::string Printed(const std::string& text) {
    const std::string quoted = Quoted(text);
    return quoted.substr(1, quoted.size() - 2);
}

// `pattern` is written as printed; a trailing '*' stands for any rest.
bool Matches(const std::string& actual, const std::string& pattern) {
    const std::string printed = Printed(actual);
    if (!pattern.empty() && pattern.back() == '*')
        return printed.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return printed == pattern;
}

std::vector<std::string> Rows(qv::DialogControls& dialog, int id) {
    std::vector<std::string> rows;
    for (int row = 0, count = dialog.ListCount(id); row < count; ++row)
        rows.push_back(Trim(dialog.ListRowText(id, row)));
    return rows;
}

std::string Joined(const std::vector<std::string>& rows) {
    std::string joined;
    for (const std::string& row : rows)
        joined += (joined.empty() ? "" : "|") + row;
    return joined;
}

bool ParseMouse(std::string rest, UserEvent& event) {
    const std::string action = Word(rest);
    const std::string x = Word(rest);
    event.verb = UserVerb::Mouse;
    event.action = action == "down" ? qv::MouseAction::ButtonDown
                   : action == "up" ? qv::MouseAction::ButtonUp
                                    : qv::MouseAction::Move;
    return (action == "down" || action == "up" || action == "move") &&
           ParseNumber(x, -32768, 32767, event.x) && ParseNumber(rest, -32768, 32767, event.y);
}

// A running prescan shows Stop on Done and holds the sharpen list, which it gives back last.
bool PreScanRunning(qv::DialogControls& dialog) {
    return dialog.GetText(kIdDone) == "Stop" || !dialog.IsEnabled(kIdSharpen);
}

// The pause between looks at a running prescan.
constexpr int kPreScanLookMs = 10;
// A press this far left of the picture area starts a new selection wherever the last one is.
constexpr int32_t kLeftOfArea = 20;

// In the order of ControlKind.
const char* const kKindNames[] = {"button", "label", "label", "group", "edit", "list", "radio", "spin"};

} // namespace

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (size_t from = 0;;) {
        const size_t to = text.find(separator, from);
        parts.push_back(text.substr(from, to - from));
        if (to == std::string::npos)
            return parts;
        from = to + 1;
    }
}

int ControlByName(const std::string& name) {
    for (const NamedControl& named : kNames)
        if (name == named.name)
            return named.id;
    return 0;
}

std::string ControlName(int id) {
    for (const NamedControl& named : kNames)
        if (id == named.id)
            return named.name;
    return {};
}

bool ParseUserEventLine(const std::string& line, UserEvent& event, std::string& error) {
    error.clear();
    std::string rest = Trim(WithoutComment(line));
    if (rest.empty())
        return false;
    event = UserEvent{};
    event.line = rest;
    const std::string verb = Word(rest);
    bool done = true;
    if (verb == "click" || verb == "select" || verb == "type" || verb == "spin") {
        if (!ParseControl(Word(rest), event.control, error))
            return false;
        if (verb == "click") {
            event.verb = UserVerb::Click;
            done = rest.empty();
        } else if (verb == "spin") {
            event.verb = UserVerb::Spin;
            event.number = rest == "up" ? 1 : -1;
            done = rest == "up" || rest == "down";
        } else {
            event.verb = verb == "select" ? UserVerb::Select : UserVerb::Type;
            event.text = rest;
            done = verb == "type" || !rest.empty();
        }
    } else if (verb == "wait" && rest == "prescan") {
        event.verb = UserVerb::WaitPreScan;
    } else if (verb == "wait") {
        event.verb = UserVerb::Wait;
        done = ParseNumber(rest, 0, 600000, event.number);
    } else if (verb == "mouse") {
        done = ParseMouse(rest, event);
    } else if (verb == "save" && Word(rest) == "preview") {
        event.verb = UserVerb::SavePreview;
        event.text = rest;
        done = !rest.empty();
    } else if (verb == "expect") {
        return ParseExpectation(rest, event, error);
    } else if (verb == "dump") {
        event.verb = UserVerb::Dump;
        done = rest.empty();
    } else if (verb == "screenshot") {
        event.verb = UserVerb::Screenshot;
        event.text = rest;
        done = !rest.empty();
    } else {
        error = "unknown verb \"" + verb + "\"";
        return false;
    }
    if (!done)
        error = "\"" + event.line + "\" is not " +
                (verb == "click"    ? "click CONTROL"
                 : verb == "spin"   ? "spin CONTROL up|down"
                 : verb == "select" ? "select CONTROL TEXT"
                 : verb == "wait"   ? "wait MILLISECONDS|prescan"
                 : verb == "mouse"  ? "mouse down|move|up X Y"
                 : verb == "save"   ? "save preview FILE"
                 : verb == "dump"   ? "dump"
                                    : "screenshot FILE");
    return done;
}

bool ParseUserScript(const std::string& text, std::vector<UserEvent>& events, std::string& error) {
    std::stringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        UserEvent event;
        if (ParseUserEventLine(line, event, error))
            events.push_back(std::move(event));
        else if (!error.empty()) {
            error = "line " + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

ScriptPlayer::ScriptPlayer(std::vector<UserEvent> events, const qv::DialogLayout& dialog, Output out)
    : events_(events.begin(), events.end()), dialog_(dialog), out_(std::move(out)) {}

bool ScriptPlayer::PlayNext(qv::DialogControls& dialog, qv::DialogUser& user) {
    if (failed_ || events_.empty())
        return false;
    if (pacer_)
        if (const int wait = TakeWait())
            pacer_(wait);
    UserEvent event = std::move(events_.front());
    events_.pop_front();
    return Play(event, dialog, user);
}

void ScriptPlayer::BoxShown(const std::string& caption, const std::string& text) {
    std::lock_guard hold(boxesLock_);
    boxes_.emplace_back(caption, text);
}

int ScriptPlayer::TakeWait() {
    return std::exchange(wait_, 0);
}

std::vector<std::string> ScriptPlayer::UnreachedExpectations() const {
    std::vector<std::string> lines;
    for (const UserEvent& event : events_)
        if (event.verb >= UserVerb::ExpectText && event.verb <= UserVerb::ExpectTitle)
            lines.push_back(event.line);
    return lines;
}

bool ScriptPlayer::Fail(const UserEvent& event, const std::string& found) {
    const bool expectation = event.verb >= UserVerb::ExpectText && event.verb <= UserVerb::ExpectTitle;
    out_(std::string(expectation ? "expect" : "action") + " failed: " + event.line + ": " + found);
    failed_ = true;
    return false;
}

bool ScriptPlayer::Play(const UserEvent& event, qv::DialogControls& dialog, qv::DialogUser& user) {
    const int id = event.control;
    auto unreachable = [&] {
        return Fail(event, "control " + std::to_string(id) + " is " +
                               (!dialog.IsVisible(id)   ? "hidden or missing"
                                : !dialog.IsEnabled(id) ? "disabled"
                                                        : "not one that takes this action"));
    };
    auto state = [&](bool actual, const char* yes, const char* no) {
        return actual == event.state ? true : Fail(event, actual ? yes : no);
    };
    switch (event.verb) {
    case UserVerb::Click:
        return user.Click(id) ? true : unreachable();
    case UserVerb::Type:
        return user.Type(id, event.text) ? true : unreachable();
    case UserVerb::Select: {
        const std::vector<std::string> rows = Rows(dialog, id);
        for (size_t row = 0; row < rows.size(); ++row)
            if (Matches(rows[row], event.text))
                return user.ChooseRow(id, int(row)) ? true : unreachable();
        return Fail(event, "no such row among " + Quoted(Joined(rows)));
    }
    case UserVerb::Spin: {
        int spin = 0;
        for (const ControlLayout& control : dialog_.controls)
            if (control.kind == ControlKind::Spin && (control.id == id || control.buddy == id))
                spin = control.id;
        return spin && user.Spin(spin, event.number) ? true : unreachable();
    }
    case UserVerb::Wait:
        wait_ = event.number;
        return true;
    case UserVerb::WaitPreScan:
        if (PreScanRunning(dialog)) {
            events_.push_front(event);
            wait_ = kPreScanLookMs;
        }
        return true;
    case UserVerb::Mouse: {
        const bool down = event.action == qv::MouseAction::ButtonDown ||
                          (event.action == qv::MouseAction::Move && buttonHeld_);
        buttonHeld_ = down;
        qv::DeliverMouse(&dialog, event.action, event.x, event.y, down);
        return true;
    }
    case UserVerb::Drag: {
        // Two presses left of the area leave a one-pixel selection at its left edge (the first
        // may only move a selection wider than the preview into it), far from the drag's start
        // row, so that the drag starts a new selection rather than moving the one shown.
        const qv::PixelRect area = dialog.ItemRect(kIdPictureArea);
        const int32_t asideY = area.top + (event.y >= area.Height() / 2 ? 0 : area.Height() - 1);
        const int32_t x0 = area.left + event.x, y0 = area.top + event.y;
        const int32_t x1 = x0 + event.width - 1, y1 = y0 + event.height - 1;
        std::vector<std::string> lines;
        for (int press = 0; press < 2; ++press)
            for (const char* action : {"down", "up"})
                lines.push_back("mouse " + std::string(action) + " " +
                                std::to_string(area.left - kLeftOfArea) + " " + std::to_string(asideY));
        const std::string start = std::to_string(x0) + " " + std::to_string(y0);
        const std::string end = std::to_string(x1) + " " + std::to_string(y1);
        for (const std::string& line : {"mouse down " + start, "mouse move " + end, "mouse up " + end})
            lines.push_back(line);
        return PlayFirstOf(lines, dialog, user);
    }
    case UserVerb::Resolution: {
        // A listed resolution is a row; any other goes through the input the last row opens.
        const std::string dpi = std::to_string(event.number);
        std::vector<std::string> lines;
        for (const std::string& row : Rows(dialog, kIdResolution))
            if (row == dpi)
                lines = {"select resolution " + dpi};
        if (lines.empty())
            lines = {"select resolution User Defined*", "type newres " + dpi, "click scan"};
        return PlayFirstOf(lines, dialog, user);
    }
    case UserVerb::ExpectText: {
        const std::string text = dialog.GetText(id);
        return Matches(text, event.text) ? true : Fail(event, "text " + Quoted(text));
    }
    case UserVerb::ExpectVisible:
        return state(dialog.IsVisible(id), "visible", "hidden");
    case UserVerb::ExpectEnabled:
        return state(dialog.IsEnabled(id), "enabled", "disabled");
    case UserVerb::ExpectChecked:
        return state(dialog.IsChecked(id), "checked", "not checked");
    case UserVerb::ExpectRow: {
        const int selected = dialog.ListSelected(id);
        const std::string row = selected < 0 ? std::string() : Trim(dialog.ListRowText(id, selected));
        return Matches(row, event.text) ? true : Fail(event, "row " + Quoted(row));
    }
    case UserVerb::ExpectRows: {
        const std::vector<std::string> rows = Rows(dialog, id);
        bool same = rows.size() == event.rows.size();
        for (size_t row = 0; same && row < rows.size(); ++row)
            same = Matches(rows[row], event.rows[row]);
        return same ? true : Fail(event, "rows " + Quoted(Joined(rows)));
    }
    case UserVerb::ExpectBox: {
        std::unique_lock hold(boxesLock_);
        if (boxes_.empty()) {
            hold.unlock();
            return Fail(event, "no message box");
        }
        auto [caption, text] = boxes_.front();
        boxes_.pop_front();
        hold.unlock();
        if (Matches(caption, event.text) && Matches(text, event.boxText))
            return true;
        return Fail(event, "message box " + Quoted(caption) + ": " + Quoted(text));
    }
    case UserVerb::ExpectCursor: {
        const int shown = qv::ShownCursor(&dialog);
        const std::string name = shown >= 0 && shown < qv::kCursorCount ? qv::kCursorNames[shown] : "none";
        return name == event.text ? true : Fail(event, "cursor " + name);
    }
    case UserVerb::ExpectTitle: {
        const std::string title = user.Title();
        return Matches(title, event.text) ? true : Fail(event, "title " + Quoted(title));
    }
    case UserVerb::Dump:
        for (const std::string& line : Dump(dialog, user))
            out_(line);
        return true;
    case UserVerb::Screenshot: {
        std::string error;
        if (screenshot_) {
            if (!screenshot_(dialog, event.text, error))
                return Fail(event, error);
            out_("screenshot " + event.text);
            return true;
        }
        const std::string file = event.text + ".txt";
        std::ofstream written(file, std::ios::binary);
        for (const std::string& line : Dump(dialog, user))
            written << line << '\n';
        if (!written.flush())
            return Fail(event, "cannot write " + file);
        out_("screenshot " + file + " (the controls: no window to capture)");
        return true;
    }
    case UserVerb::SavePreview: {
        std::string error = "this host cannot save the preview";
        if (!previewSaver_ || !previewSaver_(dialog, event.text, error))
            return Fail(event, error);
        out_("preview " + event.text);
        return true;
    }
    }
    return Fail(event, "an event this player does not know");
}

bool ScriptPlayer::PlayFirstOf(const std::vector<std::string>& lines, qv::DialogControls& dialog,
                               qv::DialogUser& user) {
    std::vector<UserEvent> steps(lines.size());
    std::string error;
    for (size_t step = 0; step < lines.size(); ++step)
        ParseUserEventLine(lines[step], steps[step], error);
    events_.insert(events_.begin(), steps.begin() + 1, steps.end());
    return Play(steps.front(), dialog, user);
}

std::vector<std::string> ScriptPlayer::Dump(qv::DialogControls& dialog, qv::DialogUser& user) {
    std::vector<std::string> lines{"dump title " + Quoted(user.Title()) + " default " +
                                   std::to_string(user.DefaultButton()) + " focus " +
                                   std::to_string(dialog.Focus())};
    for (const ControlLayout& control : dialog_.controls) {
        const int id = control.id;
        const std::string name = ControlName(id);
        std::string line = "dump " + std::to_string(id) + (name.empty() ? "" : " " + name) + " " +
                           kKindNames[size_t(control.kind)] + ": " + Quoted(dialog.GetText(id)) +
                           (dialog.IsVisible(id) ? " shown" : " hidden") +
                           (dialog.IsEnabled(id) ? " enabled" : " disabled");
        if (control.kind == ControlKind::Radio)
            line += dialog.IsChecked(id) ? " checked" : " unchecked";
        if (control.kind == ControlKind::DropDownList)
            line += " rows " + Quoted(Joined(Rows(dialog, id))) + " selected " +
                    std::to_string(dialog.ListSelected(id));
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace qv::host
