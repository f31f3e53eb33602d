#include "exchange/configurator.h"
#include "exchange/port_scan.h"
#include "protocol/serial_port.h"

#include "../support/fakes.h"
#include "../support/qt_printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Counts the port calls a tick makes; never open.
class ScanPort final : public SerialPort {
public:
    int closes = 0, flushes = 0;
    QStringList existing;
    bool OpenPort(const QString&, const QString&) override { return false; }
    int ClosePort() override { return ++closes, 0; }
    void FlushPort() override { ++flushes; }
    QByteArray ReadPort() override { return {}; }
    uint16_t WritePort(const QByteArray&) override { return 0; }
    bool PortExists(const QString& name) override { return existing.contains(name); }
    bool IsOpen() const override { return false; }
};

class ListLister final : public PortLister {
public:
    QStringList ports;
    QStringList present_ports() override { return ports; }
};

struct Rig {
    ScanPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator cfg{port, dialogs, tones, clock};
    ListLister lister;
    ComboBox& list = cfg.frmSerial.CmbPort;

    void set_list(const QStringList& items, int selected) {
        list.clear();
        for (const QString& i : items) list.add_item(i);
        list.set_list_index(selected);
    }
};

} // namespace

TEST(PortScan, KeepsTheSelectionIndexOrFallsBackToTheLastPort) {
    Rig r;
    r.set_list({"COM1", "COM3"}, 1);
    r.lister.ports = {"COM1", "COM3"};
    port_presence_tick(r.cfg, r.lister);
    EXPECT_EQ(r.list.items(), (QStringList{"COM1", "COM3"}));
    EXPECT_EQ(r.list.selected_text(), "COM3");

    r.set_list({"COM1", "COM2", "COM3", "COM4"}, 3);
    r.lister.ports = {"COM1", "COM2", "COM3"}; // COM4 unplugged
    port_presence_tick(r.cfg, r.lister);
    EXPECT_EQ(r.list.items(), (QStringList{"COM1", "COM2", "COM3"}));
    EXPECT_EQ(r.list.list_index(), 2);
    EXPECT_EQ(r.list.selected_text(), "COM3");

    // The index is what is kept: COM1 gone, index 0 now names COM2.
    r.set_list({"COM1", "COM2"}, 0);
    r.lister.ports = {"COM2", "COM5"};
    port_presence_tick(r.cfg, r.lister);
    EXPECT_EQ(r.list.selected_text(), "COM2");
}

TEST(PortScan, PlaceholderWhenNoPortAndFirstPortWhenNothingWasSelected) {
    Rig r;
    r.set_list({"COM1", "COM2"}, 1);
    r.lister.ports = {};
    port_presence_tick(r.cfg, r.lister);
    EXPECT_EQ(r.list.items(), QStringList{"----"});
    EXPECT_EQ(r.list.list_index(), 0);

    r.set_list({}, -1);
    r.lister.ports = {"COM2", "COM7"};
    port_presence_tick(r.cfg, r.lister);
    EXPECT_EQ(r.list.selected_text(), "COM2");

    // From the start-up placeholder the first port found is taken.
    r.set_list({"----"}, 0);
    port_presence_tick(r.cfg, r.lister);
    EXPECT_EQ(r.list.selected_text(), "COM2");
}

TEST(PortScan, SecondTickEndsTheSplashAndTheCounterStops) {
    Rig r;
    r.cfg.splash.set_visible(true);
    r.cfg.frmSerial.set_visible(false);
    port_presence_tick(r.cfg, r.lister);
    EXPECT_TRUE(r.cfg.splash.visible());
    EXPECT_FALSE(r.cfg.frmSerial.visible());
    port_presence_tick(r.cfg, r.lister);
    EXPECT_FALSE(r.cfg.splash.visible());
    EXPECT_TRUE(r.cfg.frmSerial.visible());

    // Later ticks leave the windows alone and the counter where it is.
    r.cfg.splash.set_visible(true);
    for (int i = 0; i < 40000; ++i) port_presence_tick(r.cfg, r.lister);
    EXPECT_TRUE(r.cfg.splash.visible());
    EXPECT_EQ(r.cfg.frmSerial.start_ticks, 2);
    // Every tick drops a leftover handle.
    EXPECT_EQ(r.port.closes, 40002);
    EXPECT_EQ(r.port.flushes, 40002);
}

TEST(PortScan, WindowsProbesOnlyCom1ToCom30) {
    QStringList probed;
    const QStringList all = com_ports([&](const QString& n) {
        probed.append(n);
        return true;
    });
    EXPECT_EQ(all.size(), 30);
    EXPECT_EQ(all.first(), "COM1");
    EXPECT_EQ(all.last(), "COM30");
    EXPECT_FALSE(probed.contains("COM31"));
    EXPECT_FALSE(probed.contains("COM0"));

    const QStringList some =
        com_ports([](const QString& n) { return n == "COM12" || n == "COM3" || n == "COM31"; });
    EXPECT_EQ(some, (QStringList{"COM3", "COM12"}));
}

TEST(PortScan, SystemNamesInNaturalOrder) {
    EXPECT_EQ(sorted_port_names({"ttyUSB0", "ttyS10", "ttyS2", "ttyACM0", "ttyS0", "ttyS007"}),
              (QStringList{"ttyACM0", "ttyS0", "ttyS2", "ttyS007", "ttyS10", "ttyUSB0"}));
}

TEST(PortScan, NamedPortsWhileTheyExistThenTheDemoLine) {
    QTemporaryDir dir;
    const QString link = dir.filePath("zorvik-link");
    const QString gone = dir.filePath("no-such-device");
    QFile f(link);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    ScanPort port;
    port.existing = {"COM7"};
    SystemPortLister lister(port, {gone, link, "COM7", "COM8", link}, QStringLiteral("Демо-линия"));
    QStringList found = lister.present_ports();
    ASSERT_GE(found.size(), 3);
    EXPECT_EQ(found.mid(0, 3), (QStringList{link, "COM7", QStringLiteral("Демо-линия")}));
    EXPECT_EQ(found.count(link), 1);

    QFile::remove(link);
    found = lister.present_ports();
    EXPECT_FALSE(found.contains(link));
    EXPECT_EQ(found.mid(0, 2), (QStringList{"COM7", QStringLiteral("Демо-линия")}));

    SystemPortLister plain(port, {}, {});
    EXPECT_FALSE(plain.present_ports().contains(QStringLiteral("Демо-линия")));
}
