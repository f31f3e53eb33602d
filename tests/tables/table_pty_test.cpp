// One session with the simulated sensor on a pseudo-terminal, through the real
// serial port: read its table, change a cell, write it back, read it again.
#include "../support/fakes.h"

#include "commands/operating_mode.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tables/table_window.h"
#include "ui/gating.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
// Ticks the exchange cycle until `done` holds, at most 40 ticks.  They come
// faster than the program's second: the simulated sensor answers within a few
// milliseconds of wire time, and a tick never overlaps another.
bool tick_until(MainForm& f, const std::function<bool()>& done) {
    QTimer timer;
    QEventLoop loop;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (done() || ++ticks > 40) return loop.quit();
        if (f.TMRComm.enabled()) f.TMRComm.on_timer();
    });
    timer.start(300);
    loop.exec();
    return done();
}
} // namespace

TEST(TablePty, ReadEditWriteReadAgain) {
    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    PtyServer server(std::move(line));
    QString error;
    ASSERT_TRUE(server.start({}, &error)) << error.toStdString();
    const auto sensor = [&] {
        return server.with_line([](SimLine& l) { return l.sensor(12)->config(); });
    };

    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QtSerialPort port;
    Configurator c(port, dialogs, tones, clock);
    MainForm& f = c.frmSerial;
    TableForm& t = c.table_window;
    ASSERT_TRUE(c.log.create(dir.path()));
    for (auto wire : {wire_exchange, wire_connection, wire_operating_mode, wire_tables}) wire(c);
    CloseAllTags(f);
    f.CmbPort.add_item(server.device_path());
    f.CmbPort.set_list_index(0);
    BTNOpenCom_Click(c);
    f.CmbNet.clear();
    f.CmbNet.add_item("12");
    f.CmbNet.set_list_index(0);
    ASSERT_TRUE(tick_until(f, [&] { return f.open_table.enabled() && f.tek.text() != kNoData; }));

    f.open_table.click(); // reads the table into the window
    ASSERT_TRUE(tick_until(f, [&] { return t.litre_cells[0]->text() != "200"; }));
    const SimSensorConfig before = sensor();
    for (size_t k = 0; k < 20; ++k) {
        EXPECT_EQ(t.reading_cells[k]->text(), QString::number(before.table_readings[k]));
        EXPECT_EQ(t.litre_cells[k]->text(), QString::number(before.table_litres[k]));
    }

    // One cell changed and litres ticked: the table, then the mode, go out.
    t.litre_cells[5]->set_text("777");
    t.tartab.set_value(1);
    dialogs.answers.push_back(true);
    t.wrmyTable.click();
    ASSERT_TRUE(tick_until(f, [&] { return (sensor().mode & 0x40) != 0; }));
    const SimSensorConfig after = sensor();
    EXPECT_EQ(after.table_litres[5], 777);
    EXPECT_EQ(after.table_litres[4], before.table_litres[4]);
    EXPECT_EQ(after.table_readings, before.table_readings);

    // Read again over a cell typed meanwhile; the boxes follow the sensor.
    t.litre_cells[5]->set_text("1");
    t.tartab.set_value(0);
    t.rdTable.click();
    ASSERT_TRUE(tick_until(f, [&] { return t.litre_cells[5]->text() == "777"; }));
    c.exchange.refresh_settings_next();
    ASSERT_TRUE(tick_until(f, [&] { return !c.exchange.settings_refresh_due(); }));
    EXPECT_EQ(t.tartab.value(), 1);
    EXPECT_EQ(f.tartab1.value(), 1);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.texts().join('\n').toStdString();
    close_routine(c);
}
