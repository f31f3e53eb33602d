#include "../support/configurator_rig.h"

#include "exchange/state_display.h"
#include "ui/tones.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {
const QString kMissing = QStringLiteral(" недоступен. Установите нужный порт.");

void expect_disconnected(const MainForm& f) {
    EXPECT_TRUE(f.presence_timer.enabled());
    EXPECT_FALSE(f.TMRComm.enabled());
    EXPECT_TRUE(f.BTNOpenCom.enabled());
    EXPECT_FALSE(f.BTNCloseCom.enabled());
    for (const Control* c :
         {static_cast<const Control*>(&f.gen_zapr), static_cast<const Control*>(&f.balance_caption),
          static_cast<const Control*>(&f.rdf), static_cast<const Control*>(&f.kko)}) {
        EXPECT_TRUE(c->visible()) << c->name().toStdString();
        EXPECT_TRUE(c->enabled()) << c->name().toStdString();
    }
    for (const Control* c :
         {static_cast<const Control*>(&f.lamp_level_caption),
          static_cast<const Control*>(&f.lamp_level), static_cast<const Control*>(&f.set_alarm),
          static_cast<const Control*>(&f.naklon), static_cast<const Control*>(&f.dr_quality)})
        EXPECT_FALSE(c->visible()) << c->name().toStdString();
    EXPECT_FALSE(f.Set_mode.enabled());
    EXPECT_FALSE(f.Opros.enabled());
}
} // namespace

TEST(Connection, OpenSwitchesToTheConnectedArrangement) {
    ConfiguratorRig r;
    r.f.BTNOpenCom.click();
    EXPECT_EQ(r.port.opened_device, "\\\\.\\COM3");
    EXPECT_EQ(r.port.opened_settings, "19200,n,8,1");
    EXPECT_EQ(r.log_lines(), QStringList({"Com Port \\\\.\\COM3 Open"}));
    EXPECT_EQ(r.tones.played, (std::vector<std::pair<int, int>>{{kConfirmHz, kConfirmMs}}));
    EXPECT_TRUE(r.f.TMRComm.enabled());
    EXPECT_EQ(r.f.TMRComm.soon_requests(), 1u); // the first request goes out at once
    EXPECT_FALSE(r.f.presence_timer.enabled());
    EXPECT_FALSE(r.f.BTNOpenCom.enabled());
    EXPECT_TRUE(r.f.BTNCloseCom.enabled());
    EXPECT_TRUE(r.f.Set_mode.enabled());
    EXPECT_TRUE(r.f.R485.enabled());
    EXPECT_FALSE(r.f.R_a.enabled()); // needs an identified sensor
    EXPECT_FALSE(r.f.gen_zapr.visible());
    EXPECT_FALSE(r.f.kko.visible());
    EXPECT_TRUE(r.dialogs.messages.empty());
}

TEST(Connection, ProgramMayMapPortItemsToDevices) {
    ConfiguratorRig r;
    r.c.device_for_item = [](const QString& item) { return "/dev/sim-" + item; };
    r.f.BTNOpenCom.click();
    EXPECT_EQ(r.port.opened_device, "/dev/sim-COM3");
    EXPECT_EQ(r.log_lines(), QStringList({"Com Port /dev/sim-COM3 Open"}));
}

TEST(Connection, MissingPortWarnsLogsAndStaysDisconnected) {
    ConfiguratorRig r;
    r.f.CmbPort.add_item("COM9");
    r.f.CmbPort.set_list_index(1);
    r.port.open_succeeds = false;
    r.f.BTNOpenCom.click();
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].text, "Com Port COM9" + kMissing);
    EXPECT_EQ(r.dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(r.log_lines(), QStringList({"Com Port COM9" + kMissing, "Com Port COM9 Closed"}));
    EXPECT_TRUE(r.tones.played.empty());
    expect_disconnected(r.f);

    // With no port at all the list holds "----".
    ConfiguratorRig none;
    none.f.CmbPort.clear();
    none.f.CmbPort.set_text("----");
    none.port.open_succeeds = false;
    none.f.BTNOpenCom.click();
    EXPECT_EQ(none.dialogs.texts(), QStringList({"Com Port ----" + kMissing}));
}

TEST(Connection, BusyOrForbiddenPortSaysWhy) {
    ConfiguratorRig r;
    r.port.open_succeeds = false;
    r.port.open_failure = OpenFailure::Busy;
    r.f.BTNOpenCom.click();
    EXPECT_EQ(r.dialogs.texts(), QStringList({"Com Port COM3" + kMissing + "\n" +
                                              QStringLiteral("Порт занят другой программой.")}));
    EXPECT_EQ(r.log_lines().first(), "Com Port COM3" + kMissing);

    // The access hint names the group owning the device node.
    const QString node = r.dir.filePath("ttyZ0");
    QFile file(node);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const struct group* own = getgrgid(getegid());
    ASSERT_NE(own, nullptr);
    const QString hint = open_failure_hint(OpenFailure::NoPermission, "\\\\.\\" + node);
    EXPECT_TRUE(hint.startsWith(QStringLiteral("Нет прав доступа к порту.")));
    if (QString::fromLocal8Bit(own->gr_name) != "root") {
        EXPECT_TRUE(hint.contains(QStringLiteral("группу ") + own->gr_name)) << hint.toStdString();
    }
    // A node we cannot look at gets the usual serial group, and the command
    // that puts this user in it.
    const struct passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(open_failure_hint(OpenFailure::NoPermission, "\\\\.\\ttyNONE9"),
              QStringLiteral("Нет прав доступа к порту. Добавьте пользователя в группу dialout "
                             "(sudo usermod -aG dialout %1) и войдите в систему заново.")
                  .arg(QString::fromLocal8Bit(me->pw_name)));
    EXPECT_TRUE(open_failure_hint(OpenFailure::NoSuchDevice, "x").isEmpty());
}

TEST(Connection, ClosingAfterReadingsResetsEveryField) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.receive(Control_summ(hex("3E05FC39300000B000"))); // a 1.7.6 sensor, then its readings
    r.receive(Control_summ(hex("3E05F0152C03C1B0130060EA000050BD01001000260F05")));
    ASSERT_TRUE(r.f.smoothing_slider.visible());
    ASSERT_EQ(r.f.tek.text(), "1290433");
    r.f.MsgCom.set_text("x");
    r.f.BTNCloseCom.click();

    for (const Label* l : {&r.f.tek, &r.f.temp, &r.f.Uroven, &r.f.lo, &r.f.hi, &r.f.ne})
        EXPECT_EQ(l->text(), kNoData) << l->name().toStdString();
    EXPECT_EQ(r.f.sn.text(), "0");
    EXPECT_EQ(r.f.vv.text(), "--------");
    for (const Label* l : {&r.f.freq, &r.f.anal, &r.f.ko})
        EXPECT_EQ(l->text(), "") << l->name().toStdString();
    EXPECT_EQ(r.f.netdev.text(), "---------");
    EXPECT_EQ(r.f.MsgCom.text(), "");
    EXPECT_EQ(r.f.Kalibr_warning.text(), "");
    EXPECT_EQ(r.f.level_bar.value(), 0);
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"0"}));
    EXPECT_EQ(r.f.CmbNet.list_index(), 0);
    EXPECT_EQ(r.f.Pic.fill_colour(), rgb(255, 255, 16));
    EXPECT_EQ(r.f.ind_stab.fill_colour(), rgb(192, 192, 192));
    for (const Control* c : {static_cast<Control*>(&r.f.hi), static_cast<Control*>(&r.f.h),
                             static_cast<Control*>(&r.f.full_empty_caption)})
        EXPECT_EQ(c->back_colour(), kButtonFace);
    EXPECT_FALSE(r.port.IsOpen());
    EXPECT_EQ(r.log_lines().last(), "Com Port COM3 Closed");
    expect_disconnected(r.f);
    EXPECT_FALSE(r.f.smoothing_slider.visible()); // the 1.7.6 group is gone with the port

    // Closing again with no port open does the same and stays harmless.
    BTNCloseCom_Click(r.c);
    EXPECT_EQ(r.log_lines().count("Com Port COM3 Closed"), 2);
    expect_disconnected(r.f);
}
