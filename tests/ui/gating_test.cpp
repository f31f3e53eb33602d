// Which controls each firmware generation unlocks is checked against the
// snapshots in tests/ui/golden/gating.txt; here the generator's own switch.
#include "ui/gating.h"
#include "ui/main_form.h"

#include <gtest/gtest.h>

TEST(Gating, GeneratorOptionsFollowChVerAndSurviveTabSwitches) {
    MainForm f;
    const std::vector<Control*> six = {&f.relay_smoothing_slider,
                                       &f.relay_smoothing_caption,
                                       &f.sglad,
                                       &f.Termokompensd,
                                       &f.tartab1d,
                                       &f.per_sentsd};
    for (Control* c : six) EXPECT_FALSE(c->visible());

    f.ch_ver.set_value(1);
    ch_ver_Click(f);
    for (Control* c : six) EXPECT_TRUE(c->visible()) << c->name().toStdString();

    f.tabs.set_current(3);
    tab_switched(f);
    EXPECT_TRUE(f.relay_smoothing_slider.visible());
    EXPECT_TRUE(f.relay_smoothing_caption.visible());
    EXPECT_TRUE(f.sglad.visible());

    // Something else hid the slider: a tab switch brings it back from ch_ver.
    f.relay_smoothing_slider.set_visible(false);
    tab_switched(f);
    EXPECT_TRUE(f.relay_smoothing_slider.visible());

    f.ch_ver.set_value(0);
    ch_ver_Click(f);
    for (Control* c : six) EXPECT_FALSE(c->visible()) << c->name().toStdString();

    // A tab switch touches only the slider, its caption and its value.
    f.Termokompensd.set_visible(true);
    f.sglad.set_visible(true);
    tab_switched(f);
    EXPECT_FALSE(f.sglad.visible());
    EXPECT_TRUE(f.Termokompensd.visible());
}
