#include "ui/gating.h"

#include "ui/main_form.h"

namespace {
constexpr int kV130 = tag_value(FirmwareTag::V130);
constexpr int kV163 = tag_value(FirmwareTag::V163);
constexpr int kV170 = tag_value(FirmwareTag::V170);
constexpr int kV176 = tag_value(FirmwareTag::V176);

template <typename Pred, typename Action> void for_tagged(MainForm& f, Pred pred, Action act) {
    for (Control* c : f.controls())
        if (pred(c->tag())) act(*c);
}

void enable_tag(MainForm& f, int tag) {
    for_tagged(
        f, [tag](int t) { return t == tag; }, [](Control& c) { c.set_enabled(true); });
}

void enable_and_show_tag(MainForm& f, int tag) {
    for_tagged(
        f, [tag](int t) { return t == tag; },
        [](Control& c) {
            c.set_enabled(true);
            c.set_visible(true);
        });
}
} // namespace

void CloseAllTags(MainForm& f) {
    for_tagged(
        f, [](int t) { return t > 8; },
        [](Control& c) {
            c.set_enabled(false);
            if (c.tag() == kV176) c.set_visible(false);
        });
}

void SwitchTags(MainForm& f) {
    for_tagged(
        f, [](int t) { return t > 8 && t < kV130; },
        [](Control& c) { c.set_enabled(!c.enabled()); });
}

void swtag130(MainForm& f) {
    enable_tag(f, kV130);
}
void swtag131(MainForm& f) {
    enable_tag(f, tag_value(FirmwareTag::V131));
}

void swtag134(MainForm& f) {
    for_tagged(
        f, [](int t) { return t > tag_value(FirmwareTag::V134) && t < kV163; },
        [](Control& c) { c.set_enabled(true); });
}

void swtag163(MainForm& f) {
    enable_tag(f, kV163);
}

void swtag170(MainForm& f) {
    enable_and_show_tag(f, kV170);
    // Both only mirror the table window's boxes.
    f.tartab1.set_enabled(false);
    f.per_sents.set_enabled(false);
}

void swtag171(MainForm& f) {
    enable_and_show_tag(f, tag_value(FirmwareTag::V171));
}

void swtag172(MainForm&) {}

void swtag176(MainForm& f) {
    enable_and_show_tag(f, kV176);
    // The smoothing slider replaces the on/off box.
    f.usredn.set_enabled(false);
    f.usredn.set_visible(false);
    f.usred.set_enabled(false);
    f.usred.set_visible(false);
}

void ch_ver_Click(MainForm& f) {
    const bool show = f.ch_ver.value() == 1;
    for (Control* c :
         std::initializer_list<Control*>{&f.relay_smoothing_slider, &f.relay_smoothing_caption,
                                         &f.sglad, &f.Termokompensd, &f.tartab1d, &f.per_sentsd})
        c->set_visible(show);
}

void tab_switched(MainForm& f) {
    const bool show = f.ch_ver.value() == 1;
    for (Control* c : std::initializer_list<Control*>{&f.relay_smoothing_slider,
                                                      &f.relay_smoothing_caption, &f.sglad})
        c->set_visible(show);
}

void restore_gated_visibility(MainForm& f) {
    // The 1.7.0 group and the percent box hidden, the 1.7.6 group hidden and
    // the on/off smoothing box back in its place, the 2.0.0 options hidden.
    for_tagged(
        f, [](int t) { return t == kV170 || t == kV176; },
        [](Control& c) { c.set_visible(false); });
    f.per_sents.set_visible(false);
    f.usredn.set_visible(true);
    f.usred.set_visible(true);
    f.naklon.set_visible(false);
    f.dr_quality.set_visible(false);
}

void reset_version_groups(MainForm& f) {
    for_tagged(
        f, [](int t) { return t >= kV130; }, [](Control& c) { c.set_enabled(false); });
    restore_gated_visibility(f);
    // The on/off smoothing box belongs to the port group again.
    f.usredn.set_enabled(true);
    f.usred.set_enabled(true);
    f.Kalibr_warning.set_visible(true);
    f.range256 = 0;
}

void gate_by_version(MainForm& f, int v) {
    const auto from = [v](FirmwareTag t) { return v >= tag_value(t); };
    if (from(FirmwareTag::V130)) {
        swtag130(f);
        f.Kalibr_warning.set_visible(false);
    }
    if (from(FirmwareTag::V131)) {
        swtag131(f);
        f.Kalibr_warning.set_visible(false);
    }
    if (from(FirmwareTag::V134)) {
        swtag134(f);
        f.Kalibr_warning.set_visible(false);
    }
    if (from(FirmwareTag::V163)) {
        swtag163(f);
        f.Kalibr_warning.set_visible(true);
    }
    if (from(FirmwareTag::V170)) {
        swtag170(f);
        f.Kalibr_warning.set_visible(true);
    }
    if (from(FirmwareTag::V171)) swtag171(f);
    if (level_in_256_steps(v)) {
        swtag171(f);
        swtag172(f);
        f.range256 = 1;
    }
    if (from(FirmwareTag::V176)) swtag176(f);
    if (from(FirmwareTag::V200)) {
        f.naklon.set_visible(true);
        f.dr_quality.set_visible(true);
    }
}
