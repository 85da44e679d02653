// The control table is consistent in itself and names every control the dialog's code uses.
#include "dialog/ControlIds.h"
#include "dialog/ControlTable.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

TEST(ControlTable, IdsAreUniqueAndCoverTheNamedOnes) {
    const DialogLayout& layout = SettingsDialogLayout();
    std::set<int> ids;
    for (const ControlLayout& control : layout.controls)
        EXPECT_TRUE(ids.insert(control.id).second) << control.id;
    for (int named = 0; named <= kIdScanner4; ++named) {
        // Every id from 1 on has a name in ControlIds.h except the gaps of the template.
        bool gap = named == 0 || named == 4 || (named >= 6 && named <= 14) || (named >= 16 && named <= 19) ||
                   (named >= 77 && named <= 80) || (named >= 84 && named <= 89) ||
                   (named >= 92 && named <= 109);
        EXPECT_EQ(ids.count(named), gap ? 0u : 1u) << named;
    }
    EXPECT_EQ(ids.size(), 72u);
    EXPECT_STREQ(layout.caption, "Vellumix for Photoshop");
    EXPECT_EQ(layout.width, 487);
    EXPECT_EQ(layout.height, 226);
}

// The template attaches a spin to the control created just before it.
TEST(ControlTable, EverySpinFollowsItsBuddyEdit) {
    const DialogLayout& layout = SettingsDialogLayout();
    int spins = 0;
    for (size_t at = 0; at < layout.controls.size(); ++at) {
        const ControlLayout& control = layout.controls[at];
        if (control.kind != ControlKind::Spin)
            continue;
        ++spins;
        ASSERT_GT(at, 0u);
        EXPECT_EQ(layout.controls[at - 1].id, control.buddy) << control.id;
        EXPECT_EQ(layout.controls[at - 1].kind, ControlKind::Edit) << control.id;
        EXPECT_LT(control.lower, control.upper) << control.id;
    }
    EXPECT_EQ(spins, 5);
    EXPECT_EQ(FindControlLayout(layout, kIdGammaSpin)->buddy, kIdGamma10);
    EXPECT_EQ(FindControlLayout(layout, kIdGammaSpin)->upper, 90);
    EXPECT_EQ(FindControlLayout(layout, kIdLevelSpin)->lower, -3);
    EXPECT_EQ(FindControlLayout(layout, 999), nullptr);
}

} // namespace
} // namespace qv
