#include "ports/routing_serial_port.h"

#include "../support/qt_printers.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

class RecordingPort final : public SerialPort {
public:
    explicit RecordingPort(QByteArray answer) : answer_(std::move(answer)) {}
    QStringList opened;
    QByteArray written;
    bool open = false;
    bool accept = true;
    QStringList existing;
    bool OpenPort(const QString& device, const QString&) override {
        opened.append(device);
        open = accept;
        return accept;
    }
    int ClosePort() override {
        open = false;
        return 1;
    }
    void FlushPort() override {}
    QByteArray ReadPort() override { return open ? answer_ : QByteArray(); }
    uint16_t WritePort(const QByteArray& d) override {
        if (!open) return 0;
        written += d;
        return uint16_t(d.size());
    }
    bool PortExists(const QString& name) override { return existing.contains(name); }
    bool IsOpen() const override { return open; }
    OpenFailure LastOpenFailure() const override {
        return accept ? OpenFailure::None : OpenFailure::NoSuchDevice;
    }

private:
    QByteArray answer_;
};

} // namespace

TEST(RoutingSerialPort, DemoEntryGoesToTheDemoLineEverythingElseToTheSystem) {
    RecordingPort system("sys"), demo("demo");
    RoutingSerialPort port(system, &demo, QStringLiteral("Демо-линия"));

    ASSERT_TRUE(port.OpenPort(QStringLiteral("\\\\.\\Демо-линия"), "19200,n,8,1"));
    EXPECT_EQ(demo.opened, QStringList{QStringLiteral("Демо-линия")});
    EXPECT_TRUE(system.opened.isEmpty());
    EXPECT_EQ(port.WritePort("\x31\x05"), 2);
    EXPECT_EQ(demo.written, QByteArray("\x31\x05"));
    EXPECT_EQ(port.ReadPort(), QByteArray("demo"));
    QByteArray async;
    port.ReadAsync([&](QByteArray b) { async = b; });
    EXPECT_EQ(async, QByteArray("demo"));
    EXPECT_TRUE(port.IsOpen());

    // Opening a system port closes the demo line first.
    ASSERT_TRUE(port.OpenPort("\\\\.\\COM3", "19200,n,8,1"));
    EXPECT_FALSE(demo.open);
    EXPECT_EQ(system.opened, QStringList{"\\\\.\\COM3"});
    EXPECT_EQ(port.ReadPort(), QByteArray("sys"));
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.WritePort("x"), 0);

    system.accept = false;
    EXPECT_FALSE(port.OpenPort("/dev/ttyUSB7", "19200,n,8,1"));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NoSuchDevice);
}

TEST(RoutingSerialPort, ExistenceAndNoDemoLine) {
    RecordingPort system("sys"), demo("demo");
    system.existing = {"COM2"};
    RoutingSerialPort port(system, &demo, QStringLiteral("Демо-линия"));
    EXPECT_TRUE(port.PortExists(QStringLiteral("Демо-линия")));
    EXPECT_TRUE(port.PortExists("COM2"));
    EXPECT_FALSE(port.PortExists("COM3"));

    // Without --demo the name is an ordinary (missing) port.
    RoutingSerialPort plain(system, nullptr, QStringLiteral("Демо-линия"));
    EXPECT_FALSE(plain.PortExists(QStringLiteral("Демо-линия")));
    plain.OpenPort(QStringLiteral("\\\\.\\Демо-линия"), "19200,n,8,1");
    EXPECT_EQ(system.opened.size(), 1);
    EXPECT_TRUE(demo.opened.isEmpty());
}
