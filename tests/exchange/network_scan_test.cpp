#include "../support/configurator_rig.h"

#include "exchange/network_scan.h"
#include "protocol/requests.h"

#include <gtest/gtest.h>

namespace {
// Identity reply: serial 12345, firmware code `version`, variant byte.
QByteArray identity(int version, int variant = 0) {
    QByteArray b = hex("3E05FC39300000");
    b.append(char(version)).append(char(variant));
    return Control_summ(b);
}

struct ScanRig : ConfiguratorRig {
    ScanRig() {
        open();
        select(5);
    }
};
} // namespace

TEST(NetworkScan, ScanRequestAndAnswer) {
    ScanRig r;
    r.c.exchange.settings_refreshed();
    Opros_Click(r.c);
    EXPECT_EQ(r.c.exchange.pending(), hex("31FFDC"));
    EXPECT_TRUE(r.c.exchange.scan_waiting());
    EXPECT_TRUE(r.c.exchange.settings_refresh_due());
    EXPECT_EQ(r.log_lines().last(), "Cmd Ask Net ");
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("31FFDC"));

    const uint32_t soon = r.f.TMRComm.soon_requests();
    r.receive(hex("050C"));
    // The sensor found is asked who it is on the next turn, not a second later.
    EXPECT_EQ(r.f.TMRComm.soon_requests(), soon + 1);
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"5", "12"}));
    EXPECT_EQ(r.f.CmbNet.list_index(), 0);
    EXPECT_EQ(r.f.netdev.text(), "5 12 ");
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Произошел опрос сети."));
    EXPECT_FALSE(r.c.exchange.scan_waiting());
    EXPECT_TRUE(r.log_lines().contains(QStringLiteral("Устройства в сети 5 12 ")));
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("3105FC5D"));
}

TEST(NetworkScan, DuplicatesAndLateAnswers) {
    ScanRig r;
    Opros_Click(r.c);
    r.tick();
    r.tick(); // no answer: the scan stays pending
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Нет ответа от датчика с адресом 5"));
    EXPECT_TRUE(r.c.exchange.scan_waiting());
    r.receive(hex("0707"));
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"7", "7"}));
    EXPECT_EQ(r.f.netdev.text(), "7 7 ");
    // One address found twice is said, in red, in the history and the log.
    const QString twice = QStringLiteral("Адрес 7 найден дважды: два датчика с одним адресом "
                                         "мешают друг другу. Оставьте на линии один из них и "
                                         "смените ему адрес.");
    EXPECT_EQ(r.f.MsgCom.text(), twice);
    EXPECT_EQ(r.f.MsgCom.fore_colour(), kRed);
    EXPECT_EQ(r.log_lines().last(), twice);
    EXPECT_EQ(r.c.messages.entries().front().text, twice);
}

// The state request the tick reading the search's answer sends still goes to
// the old address; its silence is not the new address's.
TEST(NetworkScan, SilenceOfTheOldAddressIsNotReportedForTheNewOne) {
    ScanRig r;
    r.select(0);
    Opros_Click(r.c);
    r.tick();
    r.receive(hex("01050C")); // this tick also sends 31 00 F0 01
    EXPECT_EQ(r.port.last_write(), hex("3100F001"));
    r.tick(); // silence answers the old address: nothing said
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Произошел опрос сети."));
    EXPECT_FALSE(r.log_lines().contains(QStringLiteral("Нет ответа от датчика с адресом 1")));
    EXPECT_EQ(r.port.last_write(), request::read_id(1));
    r.tick(); // the new address's own silence is
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Нет ответа от датчика с адресом 1"));
}

TEST(NetworkScan, SelectingAnAddressAsksForItsIdentity) {
    ScanRig r;
    r.f.CmbNet.add_item("12");
    r.c.exchange.settings_refreshed();
    r.f.CmbNet.set_list_index(1);
    EXPECT_EQ(r.c.exchange.pending(), frame("310CFC"));
    EXPECT_TRUE(r.c.exchange.settings_refresh_due());
    r.f.CmbNet.set_list_index(-1);
    EXPECT_TRUE(r.c.exchange.pending().isEmpty());
    EXPECT_TRUE(Zapros_ser_num(r.f).isEmpty());
}

TEST(Identity, SerialNumberAndVersionText) {
    struct Case {
        int version, variant;
        const char* vv;
    };
    for (const Case& k : {Case{176, 0, "1.7.6."}, Case{176, 2, "21.7.6."}, Case{95, 0, "9.5.."}}) {
        SCOPED_TRACE(k.vv);
        ScanRig r;
        r.c.exchange.settings_refreshed();
        const qsizetype before = r.log_lines().size();
        r.receive(identity(k.version, k.variant));
        EXPECT_EQ(r.f.sn.text(), "12345");
        EXPECT_EQ(r.f.vv.text(), k.vv);
        EXPECT_EQ(r.f.firmware_version, k.version);
        EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Получен С/Н и вер. прошивки"));
        EXPECT_TRUE(r.c.exchange.settings_refresh_due());
        EXPECT_EQ(r.log_lines().mid(before),
                  QStringList({QStringLiteral("Device: 12345  Ver Soft: ") + k.vv}));
    }
}

TEST(Identity, ShortReplies) {
    ScanRig r;
    r.receive(identity(176));
    for (int length : {5, 6}) {
        const qsizetype before = r.log_lines().size();
        r.receive(Control_summ(identity(163).left(length - 1)));
        EXPECT_EQ(r.f.sn.text(), "????????") << length;
        EXPECT_TRUE(r.log_lines().mid(before).isEmpty()) << length;
    }
    // Serial number complete, version missing: shown and logged, version kept.
    const qsizetype before = r.log_lines().size();
    r.receive(Control_summ(hex("3E05FC3A300000")));
    EXPECT_EQ(r.f.sn.text(), "12346");
    EXPECT_EQ(r.f.firmware_version, 176);
    EXPECT_EQ(r.log_lines().mid(before),
              QStringList({QStringLiteral("Device: 12346  Ver Soft: 1.7.6.")}));
}

TEST(Identity, GatingFollowsTheVersion) {
    {
        ScanRig r;
        r.receive(identity(130));
        EXPECT_TRUE(r.f.R_a.enabled());
        EXPECT_FALSE(r.f.R_p.enabled());
        EXPECT_FALSE(r.f.Kalibr_warning.visible());
    }
    {
        ScanRig r;
        r.receive(identity(163));
        EXPECT_TRUE(r.f.Vvod_PWD.enabled());
        EXPECT_TRUE(r.f.Chg_pass.enabled());
        EXPECT_TRUE(r.f.rs_232.enabled());
        EXPECT_TRUE(r.f.R_p.enabled());
        EXPECT_FALSE(r.f.lamp_level_caption.visible()); // alarm level from 170
        EXPECT_FALSE(r.f.lamp_level.visible());
        EXPECT_FALSE(r.f.set_hi_data.enabled());
        EXPECT_TRUE(r.f.Kalibr_warning.visible());
    }
    {
        ScanRig r;
        r.receive(identity(172));
        EXPECT_EQ(r.f.range256, 1);
        EXPECT_TRUE(r.f.set_hi_data.enabled());
        EXPECT_TRUE(r.f.lamp_level.visible());
        EXPECT_FALSE(r.f.tartab1.enabled());
    }
    {
        ScanRig r;
        r.receive(identity(175));
        EXPECT_EQ(r.f.range256, 0);
        EXPECT_TRUE(r.f.set_lo_data.enabled());
        EXPECT_FALSE(r.f.smoothing_slider.visible());
        EXPECT_FALSE(r.f.smoothing_slider.enabled());
        EXPECT_TRUE(r.f.usredn.visible());
    }
    {
        ScanRig r;
        r.receive(identity(176));
        EXPECT_TRUE(r.f.smoothing_slider.visible());
        EXPECT_TRUE(r.f.Termokompens.enabled());
        EXPECT_FALSE(r.f.usredn.visible());
        EXPECT_FALSE(r.f.naklon.visible());
        // An older sensor afterwards is offered only what it understands.
        r.receive(identity(130));
        EXPECT_EQ(r.f.vv.text(), "1.3.0.");
        EXPECT_FALSE(r.f.smoothing_slider.visible());
        EXPECT_FALSE(r.f.smoothing_slider.enabled());
        EXPECT_FALSE(r.f.lamp_level.visible());
        EXPECT_FALSE(r.f.set_hi_data.enabled());
        EXPECT_FALSE(r.f.Vvod_PWD.enabled());
        EXPECT_TRUE(r.f.usredn.visible() && r.f.usredn.enabled());
        EXPECT_TRUE(r.f.R_a.enabled());
        EXPECT_FALSE(r.f.Kalibr_warning.visible());
    }
    {
        ScanRig r;
        r.receive(identity(200));
        EXPECT_TRUE(r.f.naklon.visible());
        EXPECT_TRUE(r.f.dr_quality.visible());
    }
}

TEST(Identity, ReplayShowsButNeitherGatesNorLogs) {
    ConfiguratorRig r;
    const QStringList before = r.log_lines();
    r.replay(identity(176));
    EXPECT_EQ(r.f.sn.text(), "12345");
    EXPECT_EQ(r.f.vv.text(), "1.7.6.");
    EXPECT_FALSE(r.f.smoothing_slider.visible());
    EXPECT_FALSE(r.f.Vvod_PWD.enabled());
    EXPECT_EQ(r.log_lines(), before);
}
