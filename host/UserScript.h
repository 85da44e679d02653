// A user at the settings dialog, as a script of events: one per line, played one per turn
// of the dialog's loop. Controls go by number or by name ("mode", "scan", ...); texts the
// script expects are written as the host prints them (\n for a line break, see Quoted).
#pragma once

#include "platform/DialogWindow.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qv::host {

enum class UserVerb {
    Click,
    Select, // the row whose text is `text`; a trailing '*' matches a prefix
    Type,
    Spin,        // `number` steps, up positive
    Wait,        // `number` milliseconds
    WaitPreScan, // until no prescan runs
    Mouse,       // `action` at `x`, `y`, dialog client pixels; the left button is the one pressed
    Resolution,  // a listed row "DPI", else the user-defined input with OK (compiled from options only)
    Drag,        // a new selection `x`, `y`, `width`, `height` in preview pixels (compiled from options only)
    ExpectText,
    ExpectVisible,
    ExpectEnabled,
    ExpectChecked,
    ExpectRow,
    ExpectRows,
    ExpectBox,
    ExpectCursor, // `text`: a cursor's resource name
    ExpectTitle,
    Dump,
    Screenshot,
    SavePreview // the preview's memory image, to the file `text`
};

struct UserEvent {
    UserVerb verb = UserVerb::Click;
    int control = 0;
    std::string text;              // row, typed text, expected text, box caption, file
    std::string boxText;           // expect box: the box's text
    std::vector<std::string> rows; // expect rows
    int number = 0;                // spin steps, wait milliseconds, resolution
    bool state = true;             // expect visible|enabled|checked: yes or no
    qv::MouseAction action = qv::MouseAction::Move;
    int32_t x = 0, y = 0, width = 0, height = 0; // mouse and drag
    std::string line;                            // as written, for the reports
};

// The texts between separators, empty ones included.
std::vector<std::string> SplitAt(const std::string& text, char separator);

// The control names scripts may use; 0 when the name is none of them.
int ControlByName(const std::string& name);
// The name of a control, or empty when it has none.
std::string ControlName(int id);

// Parses one line into `event`; false with `error` for a line that is not an event. Blank
// and comment lines give false with an empty error.
bool ParseUserEventLine(const std::string& line, UserEvent& event, std::string& error);
// The whole text; errors name the line number.
bool ParseUserScript(const std::string& text, std::vector<UserEvent>& events, std::string& error);

// Plays the events at the dialog, one per PlayNext. A failed expectation, or an action the
// user cannot perform (a hidden control, a row that is not listed), ends the play.
class ScriptPlayer final : public qv::UserEventSource {
  public:
    using Output = std::function<void(const std::string&)>;
    // Writes an image of the dialog to the file; false with `error` when it cannot.
    using Screenshot = std::function<bool(qv::DialogControls&, const std::string& file, std::string& error)>;

    // `dialog` lists every control, for dumps and to find a spin by its edit.
    ScriptPlayer(std::vector<UserEvent> events, const qv::DialogLayout& dialog, Output out);

    bool PlayNext(qv::DialogControls& dialog, qv::DialogUser& user) override;

    // Every message box the module shows, in order; from any thread.
    void BoxShown(const std::string& caption, const std::string& text);
    // The default writes the controls' dump, as a screen without windows has nothing else.
    void SetScreenshot(Screenshot screenshot) { screenshot_ = std::move(screenshot); }
    // Writes the preview as the dialog shows it; without one "save preview" fails.
    void SetPreviewSaver(Screenshot saver) { previewSaver_ = std::move(saver); }
    // Where nothing else waits between turns (natively), the wait the last event asked for is
    // slept through this before the next event is played.
    void SetPacer(std::function<void(int milliseconds)> pacer) { pacer_ = std::move(pacer); }
    // Milliseconds the last event asked to wait before the next; 0 once taken.
    int TakeWait();

    bool Failed() const { return failed_; }
    // Expectations the run never reached: what they check was never shown.
    std::vector<std::string> UnreachedExpectations() const;

  private:
    bool Play(const UserEvent& event, qv::DialogControls& dialog, qv::DialogUser& user);
    bool Fail(const UserEvent& event, const std::string& found);
    // Plays the first of these lines now and the rest as the next events.
    bool PlayFirstOf(const std::vector<std::string>& lines, qv::DialogControls& dialog, qv::DialogUser& user);
    std::vector<std::string> Dump(qv::DialogControls& dialog, qv::DialogUser& user);

    std::deque<UserEvent> events_;
    const qv::DialogLayout& dialog_;
    Output out_;
    Screenshot screenshot_;
    Screenshot previewSaver_;
    std::function<void(int)> pacer_;
    bool buttonHeld_ = false;
    std::mutex boxesLock_;
    std::deque<std::pair<std::string, std::string>> boxes_;
    int wait_ = 0;
    bool failed_ = false;
};

} // namespace qv::host
