#include "app/application.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "protocol/serial_port.h"

#include "../support/configurator_rig.h"
#include "../support/fake_serial_port.h"
#include "../support/qt_printers.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A line that never opens: these tests are about the shell, not the port.
struct NoPort : FakeSerialPort {
    NoPort() { open_succeeds = false; }
};

class ListLister final : public PortLister {
public:
    QStringList ports{"COM2", "COM5"};
    QStringList present_ports() override { return ports; }
};

struct ShellRig : Rig<NoPort> {
    ListLister lister;
};

} // namespace

TEST(Shell, ConnectOptionPressesOpenOnceTheMainWindowShows) {
    ShellRig r;
    wire_shell(r.c, r.lister, ShellOptions{true, false, {}});
    ASSERT_TRUE(Form_Load(r.c, r.dir.path()));
    QStringList opened; // the port selected when "Открыть порт" was pressed
    r.c.frmSerial.BTNOpenCom.on_click = [&] { opened << r.c.frmSerial.CmbPort.selected_text(); };
    r.c.frmSerial.presence_timer.on_timer();
    EXPECT_TRUE(opened.isEmpty()); // still the splash
    r.c.frmSerial.presence_timer.on_timer();
    EXPECT_TRUE(r.c.frmSerial.visible());
    EXPECT_EQ(opened, QStringList{"COM2"});
    r.c.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(opened.size(), 1);

    ShellRig plain;
    wire_shell(plain.c, plain.lister, ShellOptions{false, false, {}});
    ASSERT_TRUE(Form_Load(plain.c, plain.dir.path()));
    int presses = 0;
    plain.c.frmSerial.BTNOpenCom.on_click = [&] { ++presses; };
    for (int i = 0; i < 3; ++i) plain.c.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(plain.c.frmSerial.CmbPort.selected_text(), "COM2");
}

TEST(Shell, APortNamedForConnectIsNeverReplacedByAnother) {
    ShellRig r;
    wire_shell(r.c, r.lister, ShellOptions{true, false, "/no/such/port"});
    ASSERT_TRUE(Form_Load(r.c, r.dir.path()));
    int presses = 0;
    r.c.frmSerial.BTNOpenCom.on_click = [&] { ++presses; };
    for (int i = 0; i < 3; ++i) r.c.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(r.c.frmSerial.MsgCom.text(), missing_port_text("/no/such/port"));

    // Named and present: that one is opened, wherever it stands in the list.
    ShellRig named;
    wire_shell(named.c, named.lister, ShellOptions{true, false, "COM5"});
    ASSERT_TRUE(Form_Load(named.c, named.dir.path()));
    QStringList opened;
    named.c.frmSerial.BTNOpenCom.on_click = [&] {
        opened << named.c.frmSerial.CmbPort.selected_text();
    };
    for (int i = 0; i < 3; ++i) named.c.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(opened, QStringList{"COM5"});
}

TEST(Shell, GeneratorVersionBoxAndTabsAreWired) {
    ShellRig r;
    wire_shell(r.c, r.lister, ShellOptions{});
    ASSERT_TRUE(Form_Load(r.c, r.dir.path()));
    MainForm& f = r.c.frmSerial;
    f.ch_ver.set_value(1);
    EXPECT_TRUE(f.Termokompensd.visible());
    f.relay_smoothing_slider.set_visible(false);
    f.tabs.set_current(2);
    EXPECT_TRUE(f.relay_smoothing_slider.visible());
    f.ch_ver.set_value(0);
    EXPECT_FALSE(f.Termokompensd.visible());
}

TEST(Shell, SplashGivesWayToTheMainWindowAfterTwoTicks) {
    NoPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    CommandLine options;
    options.demo = true;
    Application app(port, dialogs, tones, clock, options);
    QTemporaryDir dir;
    ASSERT_TRUE(app.start(dir.path()));
    EXPECT_TRUE(app.splash_window().isVisible());
    EXPECT_FALSE(app.main_window().isVisible());

    QElapsedTimer t;
    t.start();
    while (!app.main_window().isVisible() && t.elapsed() < 5000) QTest::qWait(20);
    EXPECT_TRUE(app.main_window().isVisible());
    EXPECT_FALSE(app.splash_window().isVisible());
    QTest::qWait(20);
    auto* ports = qobject_cast<QComboBox*>(app.main_binder().widget("CmbPort"));
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(ports->currentText(), kDemoLineEntry);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(Shell, ConnectSearchesTheLineWhateverPortOpens) {
    for (const bool demo : {true, false}) {
        for (const bool opens : {true, false}) {
            FakeSerialPort port;
            port.open_succeeds = opens;
            FakeDialogs dialogs;
            FakeTones tones;
            FakeClock clock;
            Configurator cfg{port, dialogs, tones, clock};
            ListLister lister;
            lister.ports = demo ? QStringList{kDemoLineEntry} : QStringList{"COM2"};
            QTemporaryDir dir;
            wire_shell(cfg, lister, ShellOptions{true, true, {}});
            ASSERT_TRUE(Form_Load(cfg, dir.path()));
            MainForm& f = cfg.frmSerial;
            f.presence_timer.on_timer();
            f.presence_timer.on_timer(); // the main window shows; the port opens
            EXPECT_EQ(f.BTNCloseCom.enabled(), opens);
            // A port that did not open leaves no search for the next one.
            EXPECT_EQ(cfg.exchange.pending() == QByteArray::fromHex("31FFDC"), opens);
        }
    }
}
