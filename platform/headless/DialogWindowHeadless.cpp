#include "platform/DialogWindow.h"
#include "platform/headless/HeadlessDialog.h"

#include <map>
#include <memory>
#include <mutex>

namespace qv {
namespace {

struct HeadlessWindow {
    HeadlessWindow(const DialogLayout& layout, DialogHandlers&& with)
        : handlers(std::move(with)), dialog(layout, handlers.command) {}
    DialogHandlers handlers;
    HeadlessDialog dialog;
};

std::mutex windowsMutex;
std::map<DialogControls*, std::unique_ptr<HeadlessWindow>> windows;

HeadlessWindow* Find(DialogControls* dialog) {
    std::lock_guard lock(windowsMutex);
    auto found = windows.find(dialog);
    return found == windows.end() ? nullptr : found->second.get();
}

void Activate(HeadlessWindow& window, bool active, void* other) {
    if (window.handlers.activate)
        window.handlers.activate(active, other);
}

} // namespace

DialogControls* CreateDialogWindow(void*, const DialogLayout& layout, DialogHandlers handlers) {
    auto window = std::make_unique<HeadlessWindow>(layout, std::move(handlers));
    HeadlessWindow& made = *window;
    {
        std::lock_guard lock(windowsMutex);
        windows.emplace(&made.dialog, std::move(window));
    }
    if (made.handlers.init)
        made.handlers.init(made.dialog);
    if (made.handlers.paint)
        made.handlers.paint();
    return &made.dialog;
}

void DestroyDialogWindow(DialogControls* dialog) {
    std::unique_ptr<HeadlessWindow> gone;
    std::lock_guard lock(windowsMutex);
    if (auto found = windows.find(dialog); found != windows.end()) {
        gone = std::move(found->second);
        windows.erase(found);
    }
}

void ActivateDialogWindow(DialogControls* dialog) {
    if (HeadlessWindow* window = Find(dialog))
        Activate(*window, true, nullptr);
}

void DeliverActivation(DialogControls* dialog, bool active, void* other) {
    if (HeadlessWindow* window = Find(dialog))
        Activate(*window, active, other);
}

void DeliverMouse(DialogControls* dialog, MouseAction action, int32_t x, int32_t y, bool leftButton) {
    if (HeadlessWindow* window = Find(dialog); window && window->handlers.mouse)
        window->handlers.mouse(action, x, y, leftButton);
}

int ShownCursor(DialogControls* dialog) {
    auto* model = dynamic_cast<HeadlessDialog*>(dialog);
    return model ? model->Cursor() : -1;
}

bool RunDialogLoop(DialogControls* dialog, const std::function<bool()>& finished) {
    HeadlessWindow* window = Find(dialog);
    if (!window)
        return false;
    while (!finished()) {
        void* other = nullptr;
        if (window->dialog.TakePostedActivation(&other)) {
            Activate(*window, true, other);
            continue;
        }
        UserEventSource* source = InstalledUserEventSource();
        if (!source || !source->PlayNext(window->dialog, window->dialog))
            return false;
    }
    return true;
}

} // namespace qv
