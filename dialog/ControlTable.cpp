#include "dialog/ControlTable.h"

#include "dialog/DialogTemplate.h"

namespace qv {
namespace {

struct Option {
    bool defaultButton, rightAligned, noBorder, groupStart;
};

constexpr ControlKind QV_KIND_PUSH = ControlKind::PushButton;
constexpr ControlKind QV_KIND_LABEL = ControlKind::Label;
constexpr ControlKind QV_KIND_CENTRED = ControlKind::CentredLabel;
constexpr ControlKind QV_KIND_GROUPBOX = ControlKind::GroupBox;
constexpr ControlKind QV_KIND_EDIT = ControlKind::Edit;
constexpr ControlKind QV_KIND_LIST = ControlKind::DropDownList;
constexpr ControlKind QV_KIND_RADIO = ControlKind::Radio;
constexpr bool QV_HIDDEN_SHOWN = false;
constexpr bool QV_HIDDEN_HIDDEN = true;
constexpr Option QV_OPTION_PLAIN{false, false, false, false};
constexpr Option QV_OPTION_DEFAULT{true, false, false, false};
constexpr Option QV_OPTION_RIGHT{false, true, false, false};
constexpr Option QV_OPTION_NOBORDER{false, false, true, false};
constexpr Option QV_OPTION_GROUP{false, false, false, true};

constexpr ControlLayout Control(int id, ControlKind kind, const char* text, DialogUnitRect area, bool hidden,
                                Option option) {
    return ControlLayout{id,
                         kind,
                         text,
                         area,
                         hidden,
                         option.defaultButton,
                         option.rightAligned,
                         option.noBorder,
                         option.groupStart,
                         0,
                         0,
                         0};
}

constexpr ControlLayout Spin(int id, int buddy, DialogUnitRect area, int32_t lower, int32_t upper) {
    return ControlLayout{id,   ControlKind::Spin, "", area, false, false, false, false, false, buddy, lower,
                         upper};
}

#define QV_CONTROL(id, kind, text, x, y, width, height, shown, option)                                       \
    Control(id, QV_KIND_##kind, text, DialogUnitRect{x, y, width, height}, QV_HIDDEN_##shown,                \
            QV_OPTION_##option),
#define QV_SPIN(id, buddy, x, y, width, height, lower, upper)                                                \
    Spin(id, buddy, DialogUnitRect{x, y, width, height}, lower, upper),

constexpr ControlLayout kControls[] = {
#include "dialog/Controls.def"
};

#undef QV_CONTROL
#undef QV_SPIN

} // namespace

const DialogLayout& SettingsDialogLayout() {
    static const DialogLayout layout{QV_DIALOG_CAPTION, QV_DIALOG_WIDTH, QV_DIALOG_HEIGHT, kControls};
    return layout;
}

const ControlLayout* FindControlLayout(const DialogLayout& dialog, int id) {
    for (const ControlLayout& control : dialog.controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

void ApplySpinRanges(DialogControls& controls, const DialogLayout& dialog) {
    for (const ControlLayout& control : dialog.controls)
        if (control.kind == ControlKind::Spin)
            controls.SetSpinRange(control.id, control.lower, control.upper);
}

} // namespace qv
