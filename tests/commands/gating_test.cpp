#include "commands/gating.h"
#include "ui/main_form.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

// The window as start-up leaves it: everything tagged disabled, then the
// open-port button enabled again.
void start_up(MainForm& f) {
    CloseAllTags(f);
    f.BTNOpenCom.set_enabled(true);
}

void open_port(MainForm& f) {
    start_up(f);
    SwitchTags(f);
}

// The identity reply's gating, in the order the identity handling runs it.
void identify(MainForm& f, int v) {
    if (v > 129) swtag130(f);
    if (v > 130) swtag131(f);
    if (v > 133) swtag134(f);
    if (v > 162) swtag163(f);
    if (v > 169) swtag170(f);
    if (v > 170) swtag171(f);
    if (v == 172) {
        swtag171(f);
        swtag172(f);
    }
    if (v > 175) swtag176(f);
}

bool usable(const Control& c) {
    return c.enabled() && c.visible();
}

QSet<QString> names_with_tag(const MainForm& f, int tag) {
    QSet<QString> names;
    for (const Control* c : f.controls())
        if (c->tag() == tag) names.insert(c->name());
    return names;
}

} // namespace

TEST(Gating, TagCatalogueOfTheMainWindow) {
    MainForm f;
    const QStringList port = {
        "horizont", "Opros",      "start",     "Frame3",     "Pelgar",      "Zorvik",
        "EEPROM",   "Command8",   "Frame4",    "dr_quality", "naklon",      "Set_mode",
        "D_4096",   "usredn",     "iinv",      "R485",       "Label6",      "usred",
        "invers",   "R_485",      "Command14", "ch_portion", "Command12",   "Command11",
        "shift",    "low",        "hig",       "net",        "MSFlexGrid1", "tar_file_name",
        "Label17",  "step_zapr",  "Label15",   "Label7",     "Label5",      "Kalibr_warning",
        "CmbNet",   "BTNOpenCom", "Label11",   "l",          "lo",          "ne",
        "nz",       "hi",         "h",         "temp",       "te",          "Uroven",
        "ur",       "tek",        "tek_l",     "Label8",     "vv",          "MsgCom",
        "sn",       "Label4",     "Label3",    "netdev"};
    EXPECT_EQ(names_with_tag(f, kPortTag), QSet<QString>(port.begin(), port.end()));
    EXPECT_EQ(names_with_tag(f, 130), (QSet<QString>{"R_a", "R_analog", "R_f", "R_fr", "Label33"}));
    EXPECT_EQ(names_with_tag(f, 131), (QSet<QString>{"R_p", "R_per"}));
    EXPECT_EQ(names_with_tag(f, 163),
              (QSet<QString>{"R_p485", "Label2", "rs_232", "Label12", "Vvod_PWD", "Chg_pass"}));
    EXPECT_EQ(names_with_tag(f, 170),
              (QSet<QString>{"tartab1", "Command6", "Command1", "lamp_level", "Label9"}));
    EXPECT_EQ(names_with_tag(f, 171),
              (QSet<QString>{"hi_data", "set_hi_data", "lo_data", "set_lo_data"}));
    EXPECT_EQ(names_with_tag(f, 176),
              (QSet<QString>{"Slider1", "sgla", "Label22", "Termokompens"}));
    EXPECT_EQ(names_with_tag(f, 200), (QSet<QString>{"per_sents"}));
}

TEST(Gating, StartUpDisablesEveryTaggedControlAndHidesTheLaterGroups) {
    MainForm f;
    start_up(f);
    for (const Control* c : f.controls()) {
        if (c->tag() > 8 && c != &f.BTNOpenCom) {
            EXPECT_FALSE(c->enabled()) << c->name().toStdString();
        }
        const int t = c->tag();
        if (t == 170 || t == 176 || t == 200) {
            EXPECT_FALSE(c->visible()) << c->name().toStdString();
        }
        if (t == 171) {
            EXPECT_TRUE(c->visible()) << c->name().toStdString();
        }
    }
    EXPECT_TRUE(f.BTNOpenCom.enabled());
    // Untagged controls are never touched.
    EXPECT_TRUE(f.CmbPort.enabled());
    EXPECT_TRUE(f.gen_zapr.enabled());
    EXPECT_TRUE(f.Label33.visible());
    EXPECT_FALSE(f.Label33.enabled());
}

TEST(Gating, OpenPortWithoutIdentityOffersOnlyThePortGroup) {
    MainForm f;
    open_port(f);
    for (Control* c : {static_cast<Control*>(&f.R485), static_cast<Control*>(&f.iinv),
                       static_cast<Control*>(&f.usredn), static_cast<Control*>(&f.D_4096),
                       static_cast<Control*>(&f.Set_mode), static_cast<Control*>(&f.Frame4),
                       static_cast<Control*>(&f.CmbNet), static_cast<Control*>(&f.Opros)})
        EXPECT_TRUE(usable(*c)) << c->name().toStdString();
    for (Control* c : {static_cast<Control*>(&f.R_a), static_cast<Control*>(&f.R_f),
                       static_cast<Control*>(&f.R_p), static_cast<Control*>(&f.R_p485),
                       static_cast<Control*>(&f.rs_232), static_cast<Control*>(&f.Vvod_PWD),
                       static_cast<Control*>(&f.hi_data)})
        EXPECT_FALSE(c->enabled()) << c->name().toStdString();
    EXPECT_FALSE(f.BTNOpenCom.enabled());
}

TEST(Gating, FirmwareGroupsFollowTheVersionCode) {
    {
        MainForm f;
        open_port(f);
        identify(f, 163);
        EXPECT_TRUE(usable(f.Vvod_PWD));
        EXPECT_TRUE(usable(f.Chg_pass));
        EXPECT_TRUE(usable(f.rs_232));
        EXPECT_TRUE(usable(f.R_p485));
        EXPECT_TRUE(usable(f.R_a));
        EXPECT_TRUE(usable(f.R_p));
        // The alarm level stays hidden, the direct entry disabled.
        EXPECT_FALSE(f.Label9.visible());
        EXPECT_FALSE(f.lamp_level.visible());
        EXPECT_FALSE(f.Command1.visible());
        EXPECT_FALSE(f.hi_data.enabled());
        EXPECT_FALSE(f.set_lo_data.enabled());
    }
    {
        MainForm f;
        open_port(f);
        identify(f, 172);
        for (Control* c :
             {static_cast<Control*>(&f.hi_data), static_cast<Control*>(&f.set_hi_data),
              static_cast<Control*>(&f.lo_data), static_cast<Control*>(&f.set_lo_data),
              static_cast<Control*>(&f.Command6), static_cast<Control*>(&f.lamp_level)})
            EXPECT_TRUE(usable(*c)) << c->name().toStdString();
        // Mirrors of the table window's boxes: shown but never editable here.
        EXPECT_TRUE(f.tartab1.visible());
        EXPECT_FALSE(f.tartab1.enabled());
        EXPECT_FALSE(f.per_sents.visible());
        EXPECT_FALSE(f.per_sents.enabled());
        EXPECT_FALSE(f.Slider1.visible());
        EXPECT_TRUE(usable(f.usredn));
    }
    {
        MainForm f;
        open_port(f);
        identify(f, 175);
        EXPECT_TRUE(usable(f.set_hi_data));
        EXPECT_FALSE(f.Slider1.visible());
        EXPECT_FALSE(f.Termokompens.visible());
    }
}

TEST(Gating, Version176SwapsTheSmoothingBoxForTheSlider) {
    MainForm f;
    open_port(f);
    identify(f, 176);
    for (Control* c : {static_cast<Control*>(&f.Slider1), static_cast<Control*>(&f.sgla),
                       static_cast<Control*>(&f.Label22), static_cast<Control*>(&f.Termokompens)})
        EXPECT_TRUE(usable(*c)) << c->name().toStdString();
    EXPECT_FALSE(f.usredn.visible());
    EXPECT_FALSE(f.usredn.enabled());
    EXPECT_FALSE(f.usred.visible());

    // An older sensor on the same line takes nothing away ...
    identify(f, 130);
    EXPECT_TRUE(usable(f.Slider1));
    EXPECT_TRUE(usable(f.Termokompens));
    EXPECT_TRUE(usable(f.Vvod_PWD));
    EXPECT_FALSE(f.usredn.visible());

    // ... only closing the port does.
    CloseAllTags(f);
    EXPECT_FALSE(f.Slider1.visible());
    EXPECT_FALSE(f.Termokompens.visible());
    EXPECT_FALSE(f.Slider1.enabled());
    EXPECT_FALSE(f.Vvod_PWD.enabled());
    EXPECT_FALSE(f.hi_data.enabled());
    EXPECT_FALSE(f.R485.enabled());
}

TEST(Gating, Swtag134HasNothingToSwitchInTheMainWindow) {
    MainForm f;
    open_port(f);
    std::vector<std::pair<bool, bool>> before;
    for (const Control* c : f.controls()) before.emplace_back(c->enabled(), c->visible());
    swtag134(f);
    swtag172(f);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(f.controls()[i]->enabled(), before[i].first);
        EXPECT_EQ(f.controls()[i]->visible(), before[i].second);
    }
}

TEST(Gating, GeneratorOptionsFollowChVerAndSurviveTabSwitches) {
    MainForm f;
    const std::vector<Control*> six = {&f.Slider1d,      &f.Label25,  &f.sglad,
                                       &f.Termokompensd, &f.tartab1d, &f.per_sentsd};
    for (Control* c : six) EXPECT_FALSE(c->visible());

    f.ch_ver.set_value(1);
    ch_ver_Click(f);
    for (Control* c : six) EXPECT_TRUE(c->visible()) << c->name().toStdString();

    f.SSTab1.set_current(3);
    SSTab1_Click(f);
    EXPECT_TRUE(f.Slider1d.visible());
    EXPECT_TRUE(f.Label25.visible());
    EXPECT_TRUE(f.sglad.visible());

    // Something else hid the slider: a tab switch brings it back from ch_ver.
    f.Slider1d.set_visible(false);
    SSTab1_Click(f);
    EXPECT_TRUE(f.Slider1d.visible());

    f.ch_ver.set_value(0);
    ch_ver_Click(f);
    for (Control* c : six) EXPECT_FALSE(c->visible()) << c->name().toStdString();

    // A tab switch touches only the slider, its caption and its value.
    f.Termokompensd.set_visible(true);
    f.sglad.set_visible(true);
    SSTab1_Click(f);
    EXPECT_FALSE(f.sglad.visible());
    EXPECT_TRUE(f.Termokompensd.visible());
}
