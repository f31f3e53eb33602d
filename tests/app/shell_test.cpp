#include "app/application.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "protocol/serial_port.h"

#include "../support/fake_serial_port.h"
#include "../support/fakes.h"
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

struct Rig {
    NoPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator cfg{port, dialogs, tones, clock};
    ListLister lister;
    QTemporaryDir dir;
};

} // namespace

TEST(Shell, ConnectOptionPressesOpenOnceTheMainWindowShows) {
    Rig r;
    wire_shell(r.cfg, r.lister, ShellOptions{true, false, {}});
    ASSERT_TRUE(Form_Load(r.cfg, r.dir.path()));
    QStringList opened; // the port selected when "Открыть порт" was pressed
    r.cfg.frmSerial.BTNOpenCom.on_click = [&] {
        opened << r.cfg.frmSerial.CmbPort.selected_text();
    };
    r.cfg.frmSerial.presence_timer.on_timer();
    EXPECT_TRUE(opened.isEmpty()); // still the splash
    r.cfg.frmSerial.presence_timer.on_timer();
    EXPECT_TRUE(r.cfg.frmSerial.visible());
    EXPECT_EQ(opened, QStringList{"COM2"});
    r.cfg.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(opened.size(), 1);

    Rig plain;
    wire_shell(plain.cfg, plain.lister, ShellOptions{false, false, {}});
    ASSERT_TRUE(Form_Load(plain.cfg, plain.dir.path()));
    int presses = 0;
    plain.cfg.frmSerial.BTNOpenCom.on_click = [&] { ++presses; };
    for (int i = 0; i < 3; ++i) plain.cfg.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(plain.cfg.frmSerial.CmbPort.selected_text(), "COM2");
}

TEST(Shell, APortNamedForConnectIsNeverReplacedByAnother) {
    Rig r;
    wire_shell(r.cfg, r.lister, ShellOptions{true, false, "/no/such/port"});
    ASSERT_TRUE(Form_Load(r.cfg, r.dir.path()));
    int presses = 0;
    r.cfg.frmSerial.BTNOpenCom.on_click = [&] { ++presses; };
    for (int i = 0; i < 3; ++i) r.cfg.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(r.cfg.frmSerial.MsgCom.text(), missing_port_text("/no/such/port"));

    // Named and present: that one is opened, wherever it stands in the list.
    Rig named;
    wire_shell(named.cfg, named.lister, ShellOptions{true, false, "COM5"});
    ASSERT_TRUE(Form_Load(named.cfg, named.dir.path()));
    QStringList opened;
    named.cfg.frmSerial.BTNOpenCom.on_click = [&] {
        opened << named.cfg.frmSerial.CmbPort.selected_text();
    };
    for (int i = 0; i < 3; ++i) named.cfg.frmSerial.presence_timer.on_timer();
    EXPECT_EQ(opened, QStringList{"COM5"});
}

TEST(Shell, GeneratorVersionBoxAndTabsAreWired) {
    Rig r;
    wire_shell(r.cfg, r.lister, ShellOptions{});
    ASSERT_TRUE(Form_Load(r.cfg, r.dir.path()));
    MainForm& f = r.cfg.frmSerial;
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

TEST(Shell, DemoConnectSearchesTheLineButOtherPortsOnlyOpen) {
    for (const bool demo : {true, false}) {
        FakeSerialPort port;
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
        ASSERT_TRUE(f.BTNCloseCom.enabled());
        if (demo) {
            EXPECT_EQ(cfg.exchange.pending(), QByteArray::fromHex("31FFDC"));
            EXPECT_TRUE(cfg.exchange.net_opr);
        } else {
            EXPECT_NE(cfg.exchange.pending(), QByteArray::fromHex("31FFDC"));
            EXPECT_FALSE(cfg.exchange.net_opr);
        }
    }
}
