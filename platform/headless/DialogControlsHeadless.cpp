#include "platform/headless/HeadlessDialog.h"

#include <algorithm>
#include <charconv>

namespace qv {
namespace {

// a * b / c rounded half away from zero, as the dialog manager scales units.
int32_t Scale(int32_t a, int32_t b, int32_t c) {
    int64_t product = int64_t(a) * b;
    int64_t half = c / 2;
    return int32_t(product >= 0 ? (product + half) / c : (product - half) / c);
}

std::string Cut(const std::string& text) {
    return text.substr(0, std::min(text.size(), kMaxControlText));
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::Radio;
}

// The spin reads its buddy back only when it holds a plain integer.
std::optional<int32_t> ParseInteger(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

PixelRect HeadlessPixels(const DialogUnitRect& area) {
    PixelRect rect;
    rect.left = Scale(area.x, kHeadlessBaseUnitX, 4);
    rect.top = Scale(area.y, kHeadlessBaseUnitY, 8);
    rect.right = rect.left + Scale(area.width, kHeadlessBaseUnitX, 4);
    rect.bottom = rect.top + Scale(area.height, kHeadlessBaseUnitY, 8);
    return rect;
}

HeadlessDialog::HeadlessDialog(const DialogLayout& layout, NotificationHandler handler)
    : handler_(std::move(handler)), title_(layout.caption) {
    controls_.reserve(layout.controls.size());
    for (const ControlLayout& control : layout.controls) {
        index_[control.id] = controls_.size();
        Control& added = controls_.emplace_back();
        added.layout = control;
        added.text = control.text;
        added.visible = !control.hidden;
        added.lower = control.lower;
        added.upper = control.upper;
        if (control.defaultButton)
            defaultButton_ = control.id;
    }
    PixelRect client = HeadlessPixels(DialogUnitRect{0, 0, layout.width, layout.height});
    placement_.right = client.right + 2 * kHeadlessFrame;
    placement_.bottom = client.bottom + 2 * kHeadlessFrame + kHeadlessCaption;
}

HeadlessDialog::Control* HeadlessDialog::Find(int id) {
    auto found = index_.find(id);
    return found == index_.end() ? nullptr : &controls_[found->second];
}

bool HeadlessDialog::Reachable(const Control* control) const {
    return control && control->visible && control->enabled;
}

void HeadlessDialog::SetState(int id, bool Control::*state, bool on) {
    std::lock_guard lock(mutex_);
    if (Control* control = Find(id)) {
        control->*state = on;
        // A window that is hidden or disabled loses the focus.
        if (!on && focus_ == id)
            focus_ = 0;
    }
}

bool HeadlessDialog::State(int id, bool Control::*state) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    return control && control->*state;
}

void HeadlessDialog::Notify(int id, Notification notification) {
    if (handler_)
        handler_(id, notification);
}

void HeadlessDialog::Show(int id, bool show) {
    SetState(id, &Control::visible, show);
}
bool HeadlessDialog::IsVisible(int id) {
    return State(id, &Control::visible);
}
void HeadlessDialog::Enable(int id, bool enable) {
    SetState(id, &Control::enabled, enable);
}
bool HeadlessDialog::IsEnabled(int id) {
    return State(id, &Control::enabled);
}

std::string HeadlessDialog::GetText(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (!control)
        return {};
    // A drop-down list shows its selected row.
    if (control->layout.kind == ControlKind::DropDownList)
        return control->selected < 0 ? std::string() : Cut(control->rows[size_t(control->selected)]);
    return Cut(control->text);
}

bool HeadlessDialog::StoreEditText(int id, const std::string& text) {
    Control* control = Find(id);
    if (!control || control->layout.kind != ControlKind::Edit)
        return false;
    control->text = text;
    control->selection = {0, 0};
    return true;
}

void HeadlessDialog::SetText(int id, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        Control* control = Find(id);
        if (!control || control->layout.kind == ControlKind::DropDownList ||
            control->layout.kind == ControlKind::Spin)
            return;
        if (!StoreEditText(id, Cut(text))) {
            control->text = Cut(text);
            return;
        }
    }
    // As a window does: the edit reports the change before the call returns.
    Notify(id, Notification::EditChange);
}

void HeadlessDialog::ListReset(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (control && control->layout.kind == ControlKind::DropDownList) {
        control->rows.clear();
        control->selected = -1;
    }
}

void HeadlessDialog::ListAdd(int id, const std::string& text) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (control && control->layout.kind == ControlKind::DropDownList)
        control->rows.push_back(Cut(text));
}

void HeadlessDialog::ListSelect(int id, int row) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (control && control->layout.kind == ControlKind::DropDownList)
        control->selected = row >= 0 && size_t(row) < control->rows.size() ? row : -1;
}

int HeadlessDialog::ListSelected(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    return control ? control->selected : -1;
}

std::string HeadlessDialog::ListRowText(int id, int row) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (!control || row < 0 || size_t(row) >= control->rows.size())
        return {};
    return control->rows[size_t(row)];
}

int HeadlessDialog::ListCount(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    return control ? int(control->rows.size()) : 0;
}

void HeadlessDialog::CheckRadio(int first, int last, int id) {
    std::lock_guard lock(mutex_);
    for (int each = first; each <= last; ++each) {
        Control* control = Find(each);
        if (control && control->layout.kind == ControlKind::Radio)
            control->checked = each == id;
    }
}

bool HeadlessDialog::IsChecked(int id) {
    return State(id, &Control::checked);
}

void HeadlessDialog::SetFocus(int id) {
    std::lock_guard lock(mutex_);
    if (Find(id))
        focus_ = id;
}

int HeadlessDialog::Focus() {
    return Read(focus_);
}

void HeadlessDialog::SelectAllText(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (!control)
        return;
    focus_ = id;
    if (control->layout.kind == ControlKind::Edit)
        control->selection = {0, int(control->text.size())};
}

void HeadlessDialog::SetDefaultButton(int id) {
    Write(defaultButton_, id);
}

void HeadlessDialog::SetSpinRange(int id, int32_t lower, int32_t upper) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    if (control && control->layout.kind == ControlKind::Spin) {
        control->lower = lower;
        control->upper = upper;
    }
}

void HeadlessDialog::SetTitle(const std::string& title) {
    std::lock_guard lock(mutex_);
    title_ = Cut(title);
}

PixelRect HeadlessDialog::ItemRect(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    return control ? HeadlessPixels(control->layout.area) : PixelRect{};
}

PixelRect HeadlessDialog::Placement() {
    return Read(placement_);
}

PixelRect HeadlessDialog::ParentArea() {
    std::lock_guard lock(mutex_);
    return parentArea_ ? *parentArea_ : PixelRect{0, 0, screen_.width, screen_.height};
}

bool HeadlessDialog::HasSystemMenu() {
    return Read(systemMenu_);
}

void HeadlessDialog::Move(int32_t x, int32_t y) {
    std::lock_guard lock(mutex_);
    placement_ = PixelRect{x, y, x + placement_.Width(), y + placement_.Height()};
}

void HeadlessDialog::Resize(int32_t width, int32_t height) {
    std::lock_guard lock(mutex_);
    placement_.right = placement_.left + width;
    placement_.bottom = placement_.top + height;
}

ScreenMetrics HeadlessDialog::Screen() {
    return Read(screen_);
}

void HeadlessDialog::Redraw() {
    std::lock_guard lock(mutex_);
    ++redraws_;
}

void HeadlessDialog::CaptureMouse(bool capture) {
    Write(captured_, capture);
}

void HeadlessDialog::SetCursor(int cursor) {
    Write(cursor_, cursor);
}

void HeadlessDialog::Beep() {
    std::lock_guard lock(mutex_);
    ++beeps_;
}

void* HeadlessDialog::Window() {
    return this;
}

void* HeadlessDialog::FocusWindow() {
    return reinterpret_cast<void*>(intptr_t{Read(focus_)});
}

void HeadlessDialog::RestoreFocusWindow(void* window) {
    SetFocus(int(reinterpret_cast<intptr_t>(window)));
}

void HeadlessDialog::PostReactivation(void* hostWindow) {
    std::lock_guard lock(mutex_);
    ++reactivations_;
    postedActivations_.push_back(hostWindow);
}

bool HeadlessDialog::Click(int id) {
    {
        std::lock_guard lock(mutex_);
        Control* control = Find(id);
        if (!Reachable(control) || !IsButton(control->layout.kind))
            return false;
        focus_ = id;
        if (control->layout.kind == ControlKind::Radio) {
            // The group runs from its first button to the next control that is not one of it.
            size_t at = size_t(control - controls_.data()), first = at, end = at + 1;
            while (!controls_[first].layout.groupStart && first > 0 &&
                   controls_[first - 1].layout.kind == ControlKind::Radio)
                --first;
            while (end < controls_.size() && controls_[end].layout.kind == ControlKind::Radio &&
                   !controls_[end].layout.groupStart)
                ++end;
            for (size_t each = first; each < end; ++each)
                controls_[each].checked = each == at;
        }
    }
    Notify(id, Notification::Click);
    return true;
}

bool HeadlessDialog::ChooseRow(int id, int row) {
    {
        std::lock_guard lock(mutex_);
        Control* control = Find(id);
        if (!Reachable(control) || control->layout.kind != ControlKind::DropDownList || row < 0 ||
            size_t(row) >= control->rows.size())
            return false;
        focus_ = id;
        control->selected = row;
    }
    Notify(id, Notification::ListChange);
    return true;
}

bool HeadlessDialog::Type(int id, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        Control* control = Find(id);
        if (!Reachable(control))
            return false;
        // Typed text is not cut: only what is read back is.
        if (!StoreEditText(id, text))
            return false;
        focus_ = id;
    }
    Notify(id, Notification::EditChange);
    return true;
}

bool HeadlessDialog::Spin(int id, int steps) {
    int buddy = 0;
    {
        std::lock_guard lock(mutex_);
        Control* control = Find(id);
        if (!Reachable(control) || control->layout.kind != ControlKind::Spin)
            return false;
        Control* edit = Find(control->layout.buddy);
        if (!edit)
            return false;
        int32_t low = std::min(control->lower, control->upper),
                high = std::max(control->lower, control->upper);
        if (std::optional<int32_t> typed = ParseInteger(edit->text); typed && *typed >= low && *typed <= high)
            control->position = *typed;
        control->position = int32_t(std::clamp<int64_t>(int64_t(control->position) + steps, low, high));
        buddy = edit->layout.id;
        focus_ = buddy;
        // The buddy is written, and so notifies, only when its text changes.
        std::string shown = std::to_string(control->position);
        if (shown == edit->text)
            return true;
        StoreEditText(buddy, shown);
    }
    Notify(buddy, Notification::EditChange);
    return true;
}

int HeadlessDialog::DefaultButton() {
    return Read(defaultButton_);
}

std::string HeadlessDialog::Title() {
    return Read(title_);
}

std::pair<int, int> HeadlessDialog::TextSelection(int id) {
    std::lock_guard lock(mutex_);
    Control* control = Find(id);
    return control ? control->selection : std::pair<int, int>{0, 0};
}

void HeadlessDialog::SetParentArea(std::optional<PixelRect> area) {
    Write(parentArea_, area);
}

void HeadlessDialog::SetScreen(const ScreenMetrics& screen) {
    Write(screen_, screen);
}

void HeadlessDialog::SetSystemMenu(bool present) {
    Write(systemMenu_, present);
}

int HeadlessDialog::Cursor() {
    return Read(cursor_);
}

bool HeadlessDialog::Captured() {
    return Read(captured_);
}

int HeadlessDialog::Beeps() {
    return Read(beeps_);
}

int HeadlessDialog::Redraws() {
    return Read(redraws_);
}

int HeadlessDialog::Reactivations() {
    return Read(reactivations_);
}

bool HeadlessDialog::TakePostedActivation(void** other) {
    std::lock_guard lock(mutex_);
    if (postedActivations_.empty())
        return false;
    *other = postedActivations_.front();
    postedActivations_.erase(postedActivations_.begin());
    return true;
}

} // namespace qv
