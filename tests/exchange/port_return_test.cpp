// A pulled adapter is waited for by its stable name: another adapter that
// takes its old ttyUSBn meanwhile is never opened, and the adapter is taken
// up again wherever it lands.  Pseudo-terminals stand in for the adapters,
// a folder of the test for /dev/serial/by-id.
#include "../support/fakes.h"
#include "../support/qt_printers.h"

#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/qt_serial_port.h"
#include "sim/pty_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {
constexpr uint8_t kAddress = 12;

template <class F> bool pump_until(F done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

std::unique_ptr<PtyServer> adapter(uint32_t full, const QString& at) {
    SimLine line = SimLine::demo();
    line.sensor(kAddress)->config().full = full;
    auto server = std::make_unique<PtyServer>(std::move(line));
    EXPECT_TRUE(server->start(at));
    return server;
}

struct Rig {
    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QtSerialPort port;
    Configurator c{port, dialogs, tones, clock};
    MainForm& f = c.frmSerial;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void tick() {
        if (f.TMRComm.enabled()) f.TMRComm.on_timer();
        EXPECT_TRUE(pump_until([&] { return !c.exchange.tick_running(); }, 3'000));
        pump_until([] { return false; }, 150); // the reply comes in
    }
    bool shows(uint32_t full, int ticks) {
        for (int i = 0; i < ticks; ++i) {
            tick();
            if (f.hi.text() == QString::number(full)) return true;
        }
        return false;
    }
};
} // namespace

TEST(PortReturn, AnAdapterIsWaitedForByItsStableNameNeverByTheNameItHad) {
    Rig r;
    const QString by_id = r.path("by-id");
    ASSERT_TRUE(QDir().mkpath(by_id));
    const QString usb0 = r.path("ttyUSB0"), usb1 = r.path("ttyUSB1");
    const QString name_a = by_id + QStringLiteral("/usb-Maker_A1-if00-port0");
    const QString name_b = by_id + QStringLiteral("/usb-Maker_B2-if00-port0");
    std::unique_ptr<PtyServer> a = adapter(111111, usb0);
    ASSERT_TRUE(QFile::link(usb0, name_a));

    r.c.by_id_dir = by_id;
    ASSERT_TRUE(r.c.log.create(r.path("log")));
    wire_exchange(r.c);
    wire_connection(r.c);
    r.c.device_for_item = [](const QString& item) { return item; };
    r.f.CmbPort.add_item(usb0);
    r.f.CmbPort.set_list_index(0);
    r.f.BTNOpenCom.click();
    ASSERT_TRUE(r.port.IsOpen());
    EXPECT_EQ(r.c.open_device, name_a);
    r.f.CmbNet.add_item(QString::number(kAddress));
    r.f.CmbNet.set_list_index(0);
    ASSERT_TRUE(r.shows(111111, 4));

    // Pulled: its by-id link goes, and another adapter gets its ttyUSB0.
    a->vanish();
    r.tick();
    EXPECT_EQ(r.f.MsgCom.text(), port_lost_text(usb0));
    ASSERT_TRUE(QFile::remove(name_a));
    std::unique_ptr<PtyServer> b = adapter(222222, usb0);
    ASSERT_TRUE(QFile::link(usb0, name_b));
    for (int i = 0; i < 3; ++i) r.tick();
    EXPECT_FALSE(r.port.IsOpen());
    EXPECT_EQ(b->peer_changes(), 0u); // never opened

    // Plugged in again, as ttyUSB1: taken up at the next tick.
    a.reset();
    a = adapter(111112, usb1);
    ASSERT_TRUE(QFile::link(usb1, name_a));
    r.tick();
    EXPECT_TRUE(r.port.IsOpen());
    EXPECT_EQ(r.f.MsgCom.text(), port_back_text(usb0));
    EXPECT_TRUE(r.shows(111112, 3)) << r.f.hi.text().toStdString();
    EXPECT_EQ(b->peer_changes(), 0u);
    EXPECT_TRUE(r.dialogs.texts().isEmpty()) << r.dialogs.texts().join('|').toStdString();
    close_routine(r.c);
}
