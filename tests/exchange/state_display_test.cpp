#include "../support/configurator_rig.h"
#include "../support/snapshot.h"

#include "exchange/state_display.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {
struct State {
    uint8_t T = 21;
    int N = 812;
    uint32_t C = 1290433, E = 60000, F = 114000;
    int K = 16;
    uint8_t M = 0x26, A = 15, X = 0x05;
    int length = 24; // 21 to 24
};

QByteArray state_reply(const State& s) {
    QByteArray b = hex("3E05F0");
    auto le = [&b](uint32_t v, int width) {
        for (int k = 0; k < width; ++k, v >>= 8) b.append(char(v & 0xFF));
    };
    b.append(char(s.T));
    le(uint32_t(s.N), 2);
    le(s.C, 4);
    le(s.E, 4);
    le(s.F, 4);
    le(uint32_t(s.K), 2);
    b.append(char(s.M)).append(char(s.A)).append(char(s.X));
    b.truncate(s.length - 1);
    return Control_summ(b);
}

// Numbers on screen follow the default locale; these tests use a decimal comma.
struct DisplayRig : ConfiguratorRig {
    QLocale saved;
    DisplayRig() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    ~DisplayRig() { QLocale::setDefault(saved); }
    void show(const State& s) { all_data_to_form(c, state_reply(s)); }
};

const QString kBadData = QStringLiteral("Пришли ошибочные данные");
} // namespace

TEST(StateDisplay, WorkedExample) {
    DisplayRig r;
    r.open();
    r.select(5);
    r.c.exchange.refresh_settings_next();
    const QByteArray bytes = state_reply(State{});
    ASSERT_EQ(bytes, hex("3E05F0152C03C1B0130060EA000050BD01001000260F0560"));
    const qsizetype before = r.log_lines().size();
    const QString before_form = form_snapshot(r.f), before_table = form_snapshot(r.c.table_window);
    r.receive(bytes);

    // Every control the reply changed, with its new text, value and colours.
    EXPECT_TRUE(matches_golden(snapshot_changes(before_form, form_snapshot(r.f)) +
                                   snapshot_changes(before_table, form_snapshot(r.c.table_window)),
                               golden_path(__FILE__, "worked_example.txt")));
    EXPECT_EQ(r.f.Ur_progressBar, 1024);
    EXPECT_EQ(r.f.reported_mode, 0x26);
    EXPECT_EQ(r.f.mode_text, "38");
    EXPECT_FALSE(r.c.exchange.settings_refresh_due());
    EXPECT_TRUE(r.dialogs.messages.empty());
    EXPECT_EQ(r.log_lines().mid(before),
              QStringList({QStringLiteral("812, 1290433, 60000, 114000, 38, 21 °C")}));
}

TEST(StateDisplay, EmptyValueZeroFailsAtTheRatioCheck) {
    DisplayRig r;
    r.open();
    r.select(5);
    r.f.Kalibr_warning.set_text("before");
    State s;
    s.E = 0;
    const qsizetype before = r.log_lines().size();
    r.receive(state_reply(s));
    EXPECT_EQ(r.dialogs.texts(), QStringList({kBadData}));
    EXPECT_EQ(r.f.lo.text(), "0");
    EXPECT_EQ(r.f.hi.text(), "114000");
    EXPECT_EQ(r.f.lamp_level.text(), "15"); // configuration went in before the fault
    EXPECT_FALSE(r.c.exchange.settings_refresh_due());
    EXPECT_EQ(r.f.Kalibr_warning.text(), "before");
    EXPECT_TRUE(r.log_lines().mid(before).isEmpty());
    EXPECT_TRUE(r.f.err_shown);
    // Further faults stay silent until the user sends a request.
    r.receive(state_reply(s));
    EXPECT_EQ(r.dialogs.messages.size(), 1u);
    r.c.exchange.queue(frame("3105FA"));
    r.receive(state_reply(s));
    EXPECT_EQ(r.dialogs.messages.size(), 2u);
}

TEST(StateDisplay, CoefficientZeroFailsAtTheBalance) {
    DisplayRig r;
    r.c.exchange.refresh_settings_next();
    State s;
    s.K = 0;
    r.show(s);
    EXPECT_EQ(r.dialogs.texts(), QStringList({kBadData}));
    EXPECT_EQ(r.f.hi.text(), "114000");
    EXPECT_TRUE(r.c.exchange.settings_refresh_due());
    EXPECT_EQ(r.f.lamp_level.text(), "10");
    EXPECT_FALSE(r.f.R_p.value());
    // A long empty text skips the balance, so K = 0 does no harm.
    s.E = 123456;
    s.F = 234567;
    r.f.err_shown = false;
    r.show(s);
    EXPECT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_FALSE(r.c.exchange.settings_refresh_due());
}

TEST(StateDisplay, ShortRepliesTellWhichLevelToChange) {
    struct Case {
        int length;
        QStringList messages;
        QString lo;
    };
    const Case cases[] = {
        {9, {kBadData, QStringLiteral("Измените уровень пустого")}, kNoData},
        {13, {kBadData, QStringLiteral("Измените уровень пустого")}, kNoData},
        {17, {kBadData, QStringLiteral("Измените уровень полного")}, "60000"},
        {19, {kBadData}, "60000"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.length);
        DisplayRig r;
        r.f.lo.set_text(kNoData);
        State s;
        QByteArray bytes = state_reply(s).left(k.length);
        all_data_to_form(r.c, bytes);
        EXPECT_EQ(r.dialogs.texts(), k.messages);
        EXPECT_EQ(r.f.lo.text(), k.lo);
        EXPECT_EQ(r.f.tek.text(), k.length >= 10 ? "1290433" : kNoData);
    }
}

TEST(StateDisplay, TemperatureOffsetIs254) {
    DisplayRig r;
    r.c.exchange.settings_refreshed();
    for (auto [raw, text] : std::initializer_list<std::pair<uint8_t, const char*>>{
             {0x80, "-126 °C"}, {0x7F, "127 °C"}, {0xFF, "1 °C"}, {200, "-54 °C"}, {0, "0 °C"}}) {
        State s;
        s.T = raw;
        r.show(s);
        EXPECT_EQ(r.f.temp.text(), QString::fromUtf8(text));
    }
}

TEST(StateDisplay, AnalogVoltageAndFrequency) {
    DisplayRig r;
    r.c.exchange.settings_refreshed();
    State s;
    s.length = 21;
    auto volts_for = [&](int n) {
        s.N = n;
        r.show(s);
        return r.f.anal.text();
    };
    EXPECT_EQ(volts_for(1023), QStringLiteral("5 В"));
    EXPECT_EQ(volts_for(512), QStringLiteral("2,48 В"));
    EXPECT_EQ(volts_for(0), QStringLiteral("0 В"));
    EXPECT_EQ(r.f.freq.text(), QStringLiteral("300 Гц"));
    r.f.D_4096.set_value(1);
    EXPECT_EQ(volts_for(4095), QStringLiteral("5 В"));
    EXPECT_EQ(volts_for(2048), QStringLiteral("2,5 В"));
}

TEST(StateDisplay, RatioColours) {
    DisplayRig r;
    r.c.exchange.settings_refreshed();
    State s;
    s.E = 50000;
    for (auto [full, colour] : std::initializer_list<std::pair<uint32_t, Colour>>{
             {100000, kYellow}, {95000, kLightGreen}, {105000, kRed}, {85000, kYellow}}) {
        s.F = full;
        r.show(s);
        EXPECT_EQ(r.f.hi.back_colour(), colour) << full;
        EXPECT_EQ(r.f.full_empty_caption.back_colour(), colour) << full;
    }
    EXPECT_EQ(r.f.Kalibr_warning.text(),
              QStringLiteral("Внимание! Установка Пустой соотв. длине около 83 см."));
}

TEST(StateDisplay, RangeSwitchTakesEffectOneReplyLater) {
    DisplayRig r;
    r.c.exchange.refresh_settings_next();
    State s;
    s.N = 2048;
    s.M = 0x80;
    const int bar_before = r.f.level_bar.value();
    r.show(s);
    EXPECT_EQ(r.f.anal.text(), QStringLiteral("10 В")); // still the 1024 range
    EXPECT_EQ(r.f.level_bar.max(), 1024);
    EXPECT_EQ(r.f.level_bar.value(), bar_before); // beyond the bar: left as it was
    EXPECT_EQ(r.f.D_4096.value(), 1);
    r.show(s);
    EXPECT_EQ(r.f.anal.text(), QStringLiteral("2,5 В"));
    EXPECT_EQ(r.f.level_bar.max(), 4096);
    EXPECT_EQ(r.f.level_bar.value(), 2048);

    // Firmware 1.7.2 counts its range in 256 steps.
    DisplayRig old;
    old.f.range256 = 1;
    old.c.exchange.refresh_settings_next();
    old.show(s);
    EXPECT_EQ(old.f.Ur_progressBar, 256);
}

TEST(StateDisplay, ConfigurationOnlyWhenAskedAndByLength) {
    DisplayRig r;
    State s;
    s.M = 0x85; // frequency output, inversion, range 4096
    s.A = 33;
    s.X = 0x9A; // thermal compensation off, angle, smoothing 10
    s.length = 22;
    r.c.exchange.refresh_settings_next();
    r.show(s);
    EXPECT_TRUE(r.f.R_f.value());
    EXPECT_EQ(r.f.iinv.value(), 1);
    EXPECT_EQ(r.f.lamp_level.text(), "10");
    EXPECT_EQ(r.f.sgla.text(), "0");

    s.M = 0x48; // litres, smoothing
    s.length = 24;
    r.show(s); // not asked for: only the reported byte follows
    EXPECT_EQ(r.f.reported_mode, 0x48);
    EXPECT_TRUE(r.f.R_f.value());
    EXPECT_EQ(r.f.lamp_level.text(), "10");

    r.c.exchange.refresh_settings_next();
    r.show(s);
    EXPECT_TRUE(r.f.R485.value());
    EXPECT_FALSE(r.f.R_f.value());
    EXPECT_EQ(r.f.usredn.value(), 1);
    EXPECT_EQ(r.f.tartab1.value(), 1);
    EXPECT_EQ(r.c.table_window.tartab.value(), 1);
    EXPECT_EQ(r.f.lamp_level.text(), "33");
    EXPECT_EQ(r.f.sgla.text(), "10");
    EXPECT_EQ(r.f.Termokompens.value(), 1);
    EXPECT_EQ(r.f.naklon.value(), 1);
    EXPECT_EQ(r.f.dr_quality.value(), 0);

    // 0x14 is no output of ours: the choice stays as it was.
    s.M = 0x14;
    r.c.exchange.refresh_settings_next();
    r.show(s);
    EXPECT_TRUE(r.f.R485.value());
    EXPECT_EQ(r.f.mode_text, "20");
}

TEST(StateDisplay, StabilityIndicator) {
    DisplayRig r;
    r.c.exchange.settings_refreshed();
    State s;
    s.C = 1000000;
    r.show(s);
    EXPECT_EQ(r.f.ind_stab.fill_colour(), kRed); // the average starts far off
    int replies = 1;
    while (r.f.ind_stab.fill_colour() != kGreen && replies < 100) {
        r.show(s);
        ++replies;
    }
    EXPECT_EQ(r.f.ind_stab.fill_colour(), kGreen);
    EXPECT_EQ(r.f.stab_score, 5);
    EXPECT_GT(replies, 30);
    EXPECT_LT(replies, 60);
    s.C = 1001000; // a jump well beyond 1/5000
    r.show(s);
    EXPECT_EQ(r.f.ind_stab.fill_colour(), kYellow);
    EXPECT_EQ(r.f.stab_score, 4);
}

TEST(StateDisplay, ZeroReadingGoesGreenAfterAMinute) {
    DisplayRig r;
    r.open();
    r.select(5);
    r.c.exchange.settings_refreshed();
    State s;
    s.C = 0;
    // The first tick cannot lower the counter below 0, so it gains 2; each
    // later tick gains 1 net.
    for (int k = 1; k <= 59; ++k) r.receive(state_reply(s));
    EXPECT_EQ(r.f.still_count, 60);
    EXPECT_EQ(r.f.ind_stab.fill_colour(), kYellow);
    r.receive(state_reply(s));
    EXPECT_EQ(r.f.ind_stab.fill_colour(), kGreen);
    EXPECT_EQ(r.f.still_count, 60);
}
