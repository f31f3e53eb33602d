#include "../support/configurator_rig.h"

#include "commands/operating_mode.h"
#include "protocol/codes.h"

#include <gtest/gtest.h>

namespace {
struct ModeRig : ConfiguratorRig {
    ModeRig() {
        open();
        select(5);
        f.tek.set_text("1000"); // a sensor has answered
        f.R485.set_value(true);
    }
    QByteArray send(bool yes = true) {
        dialogs.answers.assign(1, yes);
        c.exchange.drop_pending();
        Set_mode_Click(c);
        return c.exchange.pending();
    }
};
} // namespace

TEST(OperatingMode, ModeByteFromTheControls) {
    ModeRig r;
    r.f.R485.set_value(false);
    r.f.R_f.set_value(true);
    r.f.iinv.set_value(1);
    r.f.D_4096.set_value(2); // a greyed box counts as ticked in the mode byte
    r.c.exchange.settings_refreshed();
    EXPECT_EQ(r.send(), frame("3105F285"));
    EXPECT_EQ(r.log_lines().last(), "Cmd Change mode to 133 sgla 0");
    EXPECT_TRUE(r.c.exchange.settings_refresh_due());
    // Frequency output: the question says the sensor stops answering here.
    const QString question =
        QStringLiteral("Сейчас будет изменен режим работы датчика. Вы уверены что это нужно?");
    EXPECT_EQ(r.dialogs.questions, QStringList({QString::fromUtf8(kFrequencyModeWarning).arg(question)}));
    EXPECT_TRUE(QString::fromUtf8(kFrequencyModeWarning).contains(QStringLiteral("перестаёт отвечать по RS-485")));

    ModeRig p;
    p.f.R_p485.set_value(true); // the last chosen in the list wins
    p.f.usredn.set_value(1);
    p.c.table_window.tartab.set_value(1); // litres follow the table window
    EXPECT_EQ(p.send(), frame("3105F258"));
    EXPECT_EQ(p.f.tartab1.value(), 1);
    EXPECT_EQ(p.dialogs.questions, QStringList({question}));
}

TEST(OperatingMode, ExtendedByteAndTrailerByVersion) {
    ModeRig r;
    r.f.firmware_version = 176;
    r.f.sgla.set_text("7");
    r.f.Termokompens.set_value(1);
    r.f.dr_quality.set_value(1);
    r.f.naklon.set_value(1); // with quality only 0x20 goes
    EXPECT_EQ(r.send(), Control_summ(hex("3105F2") + write_trailer() + hex("00A7")));
    r.f.Termokompens.set_value(2); // greyed counts as not ticked here
    EXPECT_EQ(r.send(), Control_summ(hex("3105F2") + write_trailer() + hex("0027")));

    r.f.firmware_version = 175;
    EXPECT_EQ(r.send(), Control_summ(hex("3105F2") + write_trailer() + hex("00")));
    r.f.firmware_version = 174;
    EXPECT_EQ(r.send(), frame("3105F200"));
}

TEST(OperatingMode, RefusalsAndNo) {
    ModeRig r;
    r.f.tek.set_text(kNoData);
    r.c.table_window.per_sents.set_value(1);
    EXPECT_TRUE(r.send().isEmpty());
    EXPECT_EQ(r.dialogs.texts(), QStringList({QStringLiteral("Датчик не подключен!")}));
    EXPECT_EQ(r.log_lines().last(), QStringLiteral("Cmd Change mode to: Датчик не подключен!"));
    EXPECT_EQ(r.f.per_sents.value(), 1); // the copy happens before any check

    r.f.tek.set_text("1000");
    EXPECT_TRUE(r.send(false).isEmpty());
    r.f.CmbNet.set_list_index(-1);
    const int asked = int(r.dialogs.questions.size());
    EXPECT_TRUE(r.send().isEmpty());
    EXPECT_EQ(r.dialogs.questions.size(), asked);
}
