// What the program remembers between runs, in a settings file of the test's
// own: the port (a system port or a typed gateway address) and the window's
// size come back at the next start, the polled address does not; a start without
// settings, or with a port named on the command line, is as before.
#include "app/application.h"
#include "app/settings_memory.h"
#include "app/wiring.h"
#include "exchange/port_scan.h"

#include "../support/configurator_rig.h"
#include "../support/fake_serial_port.h"
#include "../support/fakes.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
struct ProgramRun {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QTemporaryDir logs;
    std::unique_ptr<Application> app;
    ProgramRun(QSettings* settings, CommandLine options = {}) {
        app = std::make_unique<Application>(port, dialogs, tones, clock, options, settings);
        EXPECT_TRUE(app->start(logs.path()));
        f().presence_timer.on_timer(); // the first presence scan fills the port list
    }
    MainForm& f() { return app->cfg().frmSerial; }
    void open_and_poll(const QString& address) {
        f().BTNOpenCom.click();
        ASSERT_TRUE(port.IsOpen());
        f().CmbNet.clear();
        for (const char* a : {"1", "7", "12"}) f().CmbNet.add_item(QString::fromLatin1(a));
        f().CmbNet.set_list_index(int(f().CmbNet.items().indexOf(address)));
    }
};
} // namespace

TEST(SettingsMemory, PortAndWindowComeBackButPollingStartsAtZero) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("zorvik.ini")), QSettings::IniFormat);
    const QString first = QStringLiteral("tcp://10.0.0.1:4001");
    const QString second = QStringLiteral("rfc2217://10.0.0.2:4002");
    QString system_choice;
    {
        ProgramRun without(nullptr);
        system_choice = without.f().CmbPort.selected_text();
    }
    {
        ProgramRun fresh(&settings);
        // Nothing remembered yet: as a start without settings.
        EXPECT_EQ(fresh.f().CmbPort.selected_text(), system_choice);
        EXPECT_EQ(fresh.f().CmbNet.selected_text(), QStringLiteral("0"));
        fresh.f().CmbPort.set_text(first);
        fresh.f().CmbPort.set_list_index(-1);
        fresh.open_and_poll(QStringLiteral("7"));
        fresh.app->main_window().show();
        fresh.app->main_window().resize(700, 500);
        fresh.app->end();
    }
    {
        ProgramRun again(&settings);
        EXPECT_EQ(again.f().CmbPort.list_index(), -1);
        EXPECT_EQ(again.f().CmbPort.selected_text(), first);
        EXPECT_EQ(again.f().CmbNet.items(), QStringList{QStringLiteral("0")});
        again.app->main_window().show();
        EXPECT_EQ(again.app->main_window().size(), QSize(700, 500));
        again.f().BTNCloseCom.click();
        again.f().CmbPort.set_text(second);
        again.f().CmbPort.set_list_index(-1);
        again.open_and_poll(QStringLiteral("12"));
        EXPECT_EQ(again.port.opened_device, second);
    }
    {
        ProgramRun third(&settings);
        EXPECT_EQ(third.f().CmbPort.selected_text(), second);
        EXPECT_EQ(third.f().CmbNet.selected_text(), QStringLiteral("0"));
    }
    {
        // A port named on the command line wins over the remembered one.
        CommandLine options;
        options.ports = {first};
        ProgramRun named(&settings, options);
        EXPECT_EQ(named.f().CmbPort.selected_text(), first);
        EXPECT_EQ(named.f().CmbNet.selected_text(), QStringLiteral("0"));
    }
}

// An adapter is remembered by its by-id name, and found next time under
// whatever ttyUSBn it has then.
TEST(SettingsMemory, AnAdapterIsRememberedByWhatItIs) {
    QTemporaryDir dir;
    const QString by_id = dir.filePath(QStringLiteral("by-id"));
    ASSERT_TRUE(QDir().mkpath(by_id));
    const QString usb0 = dir.filePath(QStringLiteral("ttyUSB0"));
    const QString usb3 = dir.filePath(QStringLiteral("ttyUSB3"));
    const QString usb4 = dir.filePath(QStringLiteral("ttyUSB4"));
    const QString stable = by_id + QStringLiteral("/usb-Maker_A1-if00-port0");
    for (const QString& f : {usb0, usb3}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(usb3, stable));
    QSettings settings(dir.filePath(QStringLiteral("zorvik.ini")), QSettings::IniFormat);
    struct Listed final : PortLister {
        QStringList ports;
        QStringList present_ports() override { return ports; }
    } listed;
    {
        ConfiguratorRig r;
        r.c.by_id_dir = by_id;
        SettingsMemory memory(settings);
        memory.watch(r.c);
        listed.ports = {usb0, usb3};
        refresh_port_list(r.c, listed);
        r.f.CmbPort.set_list_index(1);
        r.f.BTNOpenCom.click();
        EXPECT_EQ(settings.value(QStringLiteral("line/port")).toString(), stable);
    }
    // Replugged: ttyUSB3 is gone, the adapter is ttyUSB4.
    ASSERT_TRUE(QFile::rename(usb3, usb4));
    ASSERT_TRUE(QFile::remove(stable) && QFile::link(usb4, stable));
    ConfiguratorRig r;
    r.c.by_id_dir = by_id;
    SettingsMemory(settings).restore_line(r.c);
    listed.ports = {usb0, usb4};
    refresh_port_list(r.c, listed);
    EXPECT_EQ(r.f.CmbPort.selected_text(), usb4);
    // A name that is no adapter's stays as it was typed.
    r.f.CmbPort.set_text(QStringLiteral("tcp://10.0.0.1:4001"));
    r.f.CmbPort.set_list_index(-1);
    refresh_port_list(r.c, listed);
    EXPECT_EQ(r.f.CmbPort.list_index(), -1);
    EXPECT_EQ(r.f.CmbPort.selected_text(), QStringLiteral("tcp://10.0.0.1:4001"));
}
