// The settings dialog for behaviour tests, with a user to drive it. Natively it is the
// headless model built from the control table; in the win32 build it is the real dialog made
// from the module's "UIPARAM" template, so one suite checks both.
//
//   class PaperTest : public qv::testing::DialogFixture {};
//   TEST_F(PaperTest, ...) { OnNotification(...); User().ChooseRow(25, 3); Controls().GetText(52); }
#pragma once

#include "platform/DialogControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <ostream>
#include <utility>
#include <vector>

namespace qv::testing {

class TestDialog {
  public:
    virtual ~TestDialog() = default;
    virtual DialogControls& Controls() = 0;
    virtual DialogUser& User() = 0;
    // Where an area of the template lands, in client pixels of this dialog.
    virtual PixelRect Pixels(const DialogUnitRect& area) = 0;
    virtual bool Headless() const = 0;
};

// Every notification goes to `handler`, on the thread that caused it.
std::unique_ptr<TestDialog> MakeSettingsDialog(NotificationHandler handler);

struct Notified {
    int id;
    Notification notification;
    bool operator==(const Notified&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notified& notified) {
    static const char* const names[] = {"Click", "ListChange", "EditChange"};
    return out << notified.id << ' ' << names[int(notified.notification)];
}

// Gives each test a fresh dialog, made the active one, and records its notifications.
class DialogFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog_ = MakeSettingsDialog([this](int id, Notification notification) {
            NotificationHandler then;
            {
                std::lock_guard lock(mutex_);
                notified_.push_back({id, notification});
                then = handler_;
            }
            if (then)
                then(id, notification);
        });
        ASSERT_TRUE(dialog_);
        SetActiveDialogControls(&dialog_->Controls());
    }
    void TearDown() override {
        SetActiveDialogControls(nullptr);
        dialog_.reset();
    }

    DialogControls& Controls() { return dialog_->Controls(); }
    DialogUser& User() { return dialog_->User(); }
    PixelRect Pixels(const DialogUnitRect& area) { return dialog_->Pixels(area); }
    bool Headless() const { return dialog_->Headless(); }

    // The test's stand-in for the dialog procedure: called after each notification is recorded.
    void OnNotification(NotificationHandler handler) {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }
    // Notifications since the last call, in the order they came.
    std::vector<Notified> TakeNotifications() {
        std::lock_guard lock(mutex_);
        return std::exchange(notified_, {});
    }

  private:
    std::mutex mutex_;
    NotificationHandler handler_;
    std::vector<Notified> notified_;
    std::unique_ptr<TestDialog> dialog_;
};

} // namespace qv::testing
