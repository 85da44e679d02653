// A dialog of controls that exist as soon as they are named: enough of the port for the
// utilities and the settings file, which need no template.
#pragma once

#include "platform/DialogControls.h"

#include <map>

namespace qv::test {

class FakeControls : public DialogControls {
  public:
    struct Control {
        std::string text;
        bool visible = true, enabled = true, checked = false;
    };
    std::map<int, Control> controls;
    int focus = 0, selectedAll = 0, defaultButton = 0;
    PixelRect placement, parent;
    ScreenMetrics screen;
    bool systemMenu = true;

    void Show(int id, bool show) override { controls[id].visible = show; }
    bool IsVisible(int id) override { return controls[id].visible; }
    void Enable(int id, bool enable) override { controls[id].enabled = enable; }
    bool IsEnabled(int id) override { return controls[id].enabled; }
    std::string GetText(int id) override { return controls[id].text; }
    void SetText(int id, const std::string& text) override { controls[id].text = text; }
    void ListReset(int) override {}
    void ListAdd(int, const std::string&) override {}
    void ListSelect(int, int) override {}
    int ListSelected(int) override { return -1; }
    std::string ListRowText(int, int) override { return {}; }
    int ListCount(int) override { return 0; }
    void CheckRadio(int first, int last, int id) override {
        for (int radio = first; radio <= last; ++radio)
            controls[radio].checked = radio == id;
    }
    bool IsChecked(int id) override { return controls[id].checked; }
    void SetFocus(int id) override { focus = id; }
    int Focus() override { return focus; }
    void SelectAllText(int id) override { selectedAll = id; }
    void SetDefaultButton(int id) override { defaultButton = id; }
    void SetSpinRange(int, int32_t, int32_t) override {}
    void SetTitle(const std::string&) override {}
    PixelRect ItemRect(int) override { return {}; }
    PixelRect Placement() override { return placement; }
    PixelRect ParentArea() override { return parent; }
    bool HasSystemMenu() override { return systemMenu; }
    void Move(int32_t x, int32_t y) override {
        placement = {x, y, x + placement.Width(), y + placement.Height()};
    }
    void Resize(int32_t width, int32_t height) override {
        placement.right = placement.left + width;
        placement.bottom = placement.top + height;
    }
    ScreenMetrics Screen() override { return screen; }
    void Redraw() override {}
    void CaptureMouse(bool) override {}
    void SetCursor(int) override {}
    void Beep() override {}
    void* Window() override { return nullptr; }
};

} // namespace qv::test
