// The settings dialog run through its own loop, for tests: a user that plays one event per
// turn, each a function of the dialog and the user; a fixture that opens the dialog on the
// simulated scanner in a settings folder of its own, with a clock that costs no time and
// the boxes recorded; and the diagnostic log's lines.
#pragma once

#include "dialog/SettingsDialog.h"
#include "platform/DialogWindow.h"
#include "platform/MessageBox.h"
#include "platform/SettingsLocation.h"
#include "scanner/ReadRing.h"
#include "scanner/Scanner.h"
#include "sim/SimulatedLibrary.h"
#include "tests/scanner/FakeClock.h"
#include "tests/scanner/LogLines.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace qv::testing {

using Event = std::function<void(DialogControls&, DialogUser&)>;

class Script final : public UserEventSource {
  public:
    bool PlayNext(DialogControls& dialog, DialogUser& user) override {
        if (events_.empty())
            return false;
        Event next = std::move(events_.front());
        events_.pop_front();
        next(dialog, user);
        return true;
    }
    void Add(Event event) { events_.push_back(std::move(event)); }
    void Click(int id) {
        Add([id](DialogControls&, DialogUser& user) { EXPECT_TRUE(user.Click(id)) << "click " << id; });
    }
    size_t Left() const { return events_.size(); }

  private:
    std::deque<Event> events_;
};

class DialogRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("qv-dialog-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_);
        SetSettingsFolder(folder_.string());
        SetScannerClock(&clock_);
        RecordMessageBoxes();
        SetUserEventSource(&script_);
        ReleaseReadRing();
    }
    void TearDown() override {
        SettingsDialog_Destroy();
        SetUserEventSource(nullptr);
        SetMessageBoxSink(nullptr);
        SetScannerClock(nullptr);
        scanner_.reset();
        SetScannerLibrary(nullptr);
        ReleaseReadRing();
        SetSettingsFolder("");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Attaches `library` as the scanner library and opens the dialog over `host` (a window,
    // or none).
    bool Open(std::unique_ptr<sim::SimulatedLibrary> library, void* host = nullptr) {
        library_ = std::move(library);
        SetScannerLibrary(library_.get());
        scanner_ = std::make_unique<CScanner>();
        return SettingsDialog_Create(host, *scanner_);
    }

    Script script_;
    test::FakeClock clock_;
    std::unique_ptr<sim::SimulatedLibrary> library_;
    std::unique_ptr<CScanner> scanner_;
    std::filesystem::path folder_;
};

} // namespace qv::testing
