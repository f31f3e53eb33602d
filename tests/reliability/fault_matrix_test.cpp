// The fault matrix: the configurator on the real serial port, against the
// simulated line on a pseudo-terminal, while the line or the disk misbehaves.
// Every row is one fault: what the user does first, how the fault starts (in
// the middle of a tick's read), how long it lasts, how it ends, what the user
// sees meanwhile and what must hold afterwards.  Ticks follow one another at a
// fraction of the program's second, long enough for a reply to come in; the
// run log's clock moves one second a tick.
#include "../support/fakes.h"
#include "../support/file_faults.h"
#include "../support/firmware_image_file.h"
#include "../support/qt_printers.h"

#include "app/startup.h"
#include "commands/operating_mode.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "exchange/port_return.h"
#include "firmware/firmware_tab.h"
#include "firmware/upload_engine.h"
#include "link/qt_serial_port.h"
#include "link/run_log.h"
#include "link/text_files.h"
#include "protocol/calibration_table.h"
#include "protocol/cp1251.h"
#include "sim/pty_server.h"
#include "tables/table_exchange.h"
#include "tables/table_window.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {
constexpr uint8_t kAddress = 12;
const QString kConnected = QStringLiteral("Датчик подключен");
const QString kNoReply = QStringLiteral("Нет ответа от датчика с адресом 12");
// The loss names the port; the status line says it until the port is back.
const QString kPortLost = port_lost_text(QStringLiteral("<dir>/line"));

void pump(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

template <class F> bool pump_until(F done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

struct Rig {
    QTemporaryDir dir;
    const QString line_path = dir.filePath(QStringLiteral("line")); // the same when it comes back
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    std::unique_ptr<PtyServer> server;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QtSerialPort port;
    Configurator c{port, dialogs, tones, clock};
    MainForm& f = c.frmSerial;
    TableForm& t = c.table_window;
    qint64 most_waiting = 0; // the adapter's input, at its largest after a tick
    int settle_ms = 150;     // after a tick, for the reply to come in
    bool reopened = false;
    QStringList trace;            // status line, full value, the adapter's input after each tick
    QList<QDateTime> fault_ticks; // the run log's time of each tick of the fault
    // Standing in for the disk while a row has it fail.
    std::optional<FileSizeLimit> disk_full;
    std::optional<ReadOnlyPaths> read_only;

    Rig() {
        SimLine line = SimLine::demo();
        line.set_wire_timing(true);
        plug_in(std::move(line));
        for (auto wire : {wire_exchange, wire_connection, wire_operating_mode, wire_tables})
            wire(c);
        wire_firmware(c, 5'000);
        Form_Load(c, log_dir);
        c.device_for_item = [](const QString& item) { return item; };
        f.CmbPort.clear();
        f.CmbPort.add_item(line_path);
        f.CmbPort.set_list_index(0);
        open();
    }
    ~Rig() {
        disk_full.reset();
        read_only.reset();
        close_routine(c); // joins an upload still running
    }

    void plug_in(SimLine line) {
        server = std::make_unique<PtyServer>(std::move(line));
        QString error;
        EXPECT_TRUE(server->start(line_path, &error)) << error.toStdString();
    }
    // The line goes and comes back with the same sensors in the same state.
    void replug() {
        SimLine line = server->with_line([](SimLine& l) { return l; });
        server.reset();
        plug_in(std::move(line));
    }
    void open() {
        f.BTNOpenCom.click();
        EXPECT_TRUE(port.IsOpen());
        f.CmbNet.clear();
        f.CmbNet.add_item(QString::number(kAddress));
        f.CmbNet.set_list_index(0);
    }
    template <class F> auto sensor(F f) {
        return server->with_line([&](SimLine& l) { return f(l.sensor(kAddress)->config()); });
    }
    void set_full(uint32_t v) {
        sensor([v](SimSensorConfig& s) { return s.full = v; });
    }

    // One tick of the exchange cycle; `mid_read` runs while its read waits.
    void tick(const std::function<void()>& mid_read = {}) {
        clock.t = clock.t.addSecs(1);
        if (f.TMRComm.enabled()) f.TMRComm.on_timer();
        if (mid_read) mid_read();
        EXPECT_TRUE(pump_until([&] { return !c.exchange.tick_running(); }, 3'000));
        const qint64 waiting = port.waiting_bytes();
        most_waiting = std::max(most_waiting, waiting);
        trace.append(f.MsgCom.text() + u'/' + f.hi.text() + u'/' + QString::number(waiting));
        pump(settle_ms); // the rest of the program's second: the reply comes in
    }
    // Ticks until the display shows the sensor's full value `full`; false
    // when `ticks` were not enough.
    bool follows(uint32_t full, int ticks) {
        for (int i = 0; i < ticks; ++i) {
            tick();
            if (f.hi.text() == QString::number(full) && f.MsgCom.text() == kConnected) return true;
        }
        return false;
    }

    QStringList log_records() const {
        QFile file(c.log.path());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return from_cp1251(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QString zvk_path() const { return dir.filePath(QStringLiteral("table.zvk")); }
    void save_zvk() {
        dialogs.files.push_back(zvk_path());
        t.fTablSave.click();
    }
    bool upload_finished() {
        return pump_until([&] { return f.start.enabled(); }, 60'000);
    }
};

struct Row {
    const char* name = "";
    std::function<void(Rig&)> before = {}; // what the user does first
    std::function<void(Rig&)> fault = {};  // starts in the middle of a tick's read
    int ticks = 0; // the fault lasts this many ticks (0: `fault` waits itself)
    std::function<void(Rig&)> heal = {}; // the fault ends (and what the user then does)
    // What the user sees: the status line at the end of each tick of the
    // fault (repeats left out), and the message boxes from the fault until
    // the display follows again (patterns; the folder masked as <dir>).  On a noisy line
    // a stretch of noise may look like any reply, with its own texts.
    QStringList status = {};
    QStringList messages = {};
    bool noisy = false;
    // While the fault lasts the display keeps the values it had; otherwise
    // (the line is fine as far as the user can tell) it follows the sensor.
    // On a noisy line it may do either.
    bool frozen = false;
    // The display may keep its values or follow the sensor, as the timing
    // falls, but never shows one made of the fault's bytes.
    bool either = false;
    // Every tick of the fault has a run-log record containing this.
    QString logged = {};
    std::function<void(Rig&)> after = {}; // what else must hold
};

void run_row(const Row& row) {
    Rig r;
    const uint32_t full = r.sensor([](SimSensorConfig& s) { return s.full; });
    ASSERT_TRUE(r.follows(full, 6)) << "no sensor to begin with: " << r.f.hi.text().toStdString()
                                    << " / " << r.f.MsgCom.text().toStdString();
    const QString start_record = r.log_records().value(0);
    ASSERT_TRUE(start_record.contains(QStringLiteral("Start")));
    if (row.before) row.before(r);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());

    r.set_full(full + 1); // what the sensor says while the fault lasts
    QStringList seen;
    for (int i = 0; i < row.ticks; ++i) {
        r.tick(i == 0 ? std::function<void()>([&] { row.fault(r); }) : std::function<void()>());
        if (i > 0) r.fault_ticks.append(r.clock.t); // the first read was under way
        if (seen.value(seen.size() - 1, QStringLiteral("-")) != r.f.MsgCom.text())
            seen.append(r.f.MsgCom.text());
    }
    if (row.ticks == 0) row.fault(r);
    seen.replaceInStrings(r.dir.path(), QStringLiteral("<dir>"));
    if (row.noisy)
        EXPECT_FALSE(seen.contains(kNoReply) || seen.contains(QString()))
            << seen.join('|').toStdString();
    else
        EXPECT_EQ(seen, row.status);
    if (row.noisy || row.either) // whatever got through, never a value made of noise
        EXPECT_TRUE(r.f.hi.text() == QString::number(full) ||
                    r.f.hi.text() == QString::number(full + 1))
            << r.f.hi.text().toStdString();
    else if (row.frozen)
        EXPECT_NE(r.f.hi.text(), QString::number(full + 1));
    else
        EXPECT_EQ(r.f.hi.text(), QString::number(full + 1));

    if (row.heal) row.heal(r);
    r.set_full(full + 2);
    // The display follows the sensor again within two ticks (three when the
    // line was opened again: the identity comes first).
    EXPECT_TRUE(r.follows(full + 2, r.reopened ? 3 : 2)) << r.trace.join(u'\n').toStdString();
    QStringList messages = r.dialogs.texts();
    messages.replaceInStrings(r.dir.path(), QStringLiteral("<dir>"));
    if (row.noisy) {
        for (const QString& m : messages)
            EXPECT_EQ(m, QStringLiteral("Ответ не соответствует запросу"));
    } else {
        EXPECT_EQ(messages.size(), row.messages.size())
            << messages.join('|').toStdString() << "\n"
            << r.f.upload_log.text().right(300).toStdString();
        for (qsizetype i = 0; i < std::min(messages.size(), row.messages.size()); ++i)
            EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(row.messages[i]))
                            .match(messages[i])
                            .hasMatch())
                << messages[i].toStdString();
    }

    // Memory bounded, the line in use, nothing written lost: no record left
    // in memory, the file begins with its start record, and each tick of the
    // fault has its record.
    EXPECT_LE(r.most_waiting, QtSerialPort::kBacklogBytes);
    EXPECT_TRUE(r.port.IsOpen());
    EXPECT_EQ(r.c.log.held(), 0);
    const QStringList records = r.log_records();
    EXPECT_EQ(records.value(0), start_record);
    if (!row.logged.isEmpty()) {
        for (const QDateTime& t : r.fault_ticks) {
            const QString head = u'"' + RunLog::time_text(t) + QStringLiteral(" : ");
            EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                                    [&](const QString& rec) {
                                        return rec.startsWith(head) && rec.contains(row.logged);
                                    }))
                << "no record at " << head.toStdString();
        }
    }
    if (row.after) row.after(r);
}

void fault(Rig& r, SimFault kind, int split_ms = SimLine::kDefaultSplitPauseMs) {
    r.server->with_line([=](SimLine& l) {
        l.set_split_pause_ms(split_ms);
        l.inject_fault(kAddress, kind);
    });
}
void no_fault(Rig& r) {
    r.server->with_line([](SimLine& l) { l.clear_faults(); });
}
// The noise stops, once what the line still had queued of it is out.
void quiet(Rig& r) {
    r.server->set_noise(0);
    EXPECT_TRUE(pump_until([&] { return r.server->queued() == 0; }, 3'000));
    pump(100); // and what the system still held has reached the port
}
void vanish(Rig& r) {
    r.server->vanish();
}
// The line comes back at its path, and the window opens it again itself.
void comes_back(Rig& r) {
    r.replug();
    r.tick();
    EXPECT_TRUE(r.port.IsOpen());
    r.reopened = true;
}

// The calibration table the sensor holds, as the window's cells.
QStringList sensor_table(Rig& r) {
    const SimSensorConfig s = r.sensor([](SimSensorConfig& s) { return s; });
    QStringList cells;
    for (uint16_t v : s.table_readings) cells << QString::number(v);
    for (uint16_t v : s.table_litres) cells << QString::number(v);
    return cells;
}
// The same with the litres of point 6 changed to 777.
QStringList edited_table(Rig& r) {
    QStringList cells = sensor_table(r);
    cells[25] = QStringLiteral("777");
    return cells;
}

const QByteArray kOldZvk = "old\r\n";

const Row kRows[] = {
    {.name = "silence",
     .fault = [](Rig& r) { fault(r, SimFault::Silent); },
     .ticks = 3,
     .heal = no_fault,
     .status = {kConnected, kNoReply},
     .frozen = true,
     .logged = kNoReply},
    {.name = "garbage at line rate",
     .fault = [](Rig& r) { r.server->set_noise(1920); },
     .ticks = 3,
     .heal = quiet,
     .status = {kConnected},
     .noisy = true},
    {.name = "garbage at full speed",
     .fault = [](Rig& r) { r.server->set_noise(PtyServer::kNoiseFullSpeed); },
     .ticks = 3,
     .heal = quiet,
     .status = {kConnected},
     .noisy = true},
    // A state reply with a wrong CRC is ignored: the values stay as they were.
    {.name = "bad crc",
     .fault = [](Rig& r) { fault(r, SimFault::BadCrc); },
     .ticks = 3,
     .heal = no_fault,
     .status = {kConnected},
     .frozen = true},
    // Pieces 5 ms apart are one reply, even to a read that is already
    // waiting when they come (the next tick follows at once).
    {.name = "split 5 ms",
     .before = [](Rig& r) { r.settle_ms = 0; },
     .fault = [](Rig& r) { fault(r, SimFault::Split, 5); },
     .ticks = 3,
     .heal = no_fault,
     .status = {kConnected}},
    // 30 ms apart they would be two; at the cycle's pace the whole reply is
    // there before the read begins.
    {.name = "split 30 ms",
     .fault = [](Rig& r) { fault(r, SimFault::Split, 30); },
     .ticks = 3,
     .heal = no_fault,
     .status = {kConnected}},
    // 10,000 bytes at once, more than the adapter keeps.
    {.name = "burst beyond the bound",
     .fault =
         [](Rig& r) {
             r.server->with_line([](SimLine& l) { l.set_wire_timing(false); });
             const uint64_t sent = r.server->bytes_sent();
             r.server->send_noise(QByteArray(10'000, '\0'));
             EXPECT_TRUE(pump_until(
                 [&] {
                     r.most_waiting = std::max(r.most_waiting, r.port.waiting_bytes());
                     return r.server->bytes_sent() >= sent + 10'000;
                 },
                 3'000));
             r.server->with_line([](SimLine& l) { l.set_wire_timing(true); });
         },
     .ticks = 2,
     .status = {kConnected},
     // Whether the next tick's reply is read clean depends on how much of
     // the burst the system still held when its read ended.
     .either = true},
    // No box: the window waits for the line and takes it up again.
    {.name = "line vanishes and comes back",
     .fault = vanish,
     .ticks = 4,
     .heal = comes_back,
     .status = {kPortLost},
     .frozen = true},
    {.name = "log folder read-only",
     .fault =
         [](Rig& r) {
             QFile::remove(r.c.log.path());
             r.read_only.emplace(QStringList{r.log_dir});
         },
     .ticks = 3,
     .heal = [](Rig& r) { r.read_only.reset(); },
     .status = {kRunLogUnwritable, kConnected},
     .logged = QStringLiteral("°C")},
    {.name = "disk full",
     .fault = [](Rig& r) { r.disk_full.emplace(rlim_t(QFileInfo(r.c.log.path()).size())); },
     .ticks = 3,
     .heal = [](Rig& r) { r.disk_full.reset(); },
     .status = {kRunLogUnwritable, kConnected},
     .logged = QStringLiteral("°C")},
    // The table write was to go out in the tick the line vanished: it never
    // reached the sensor, the window keeps the cells, and writing them again
    // once the line is back puts exactly them in the sensor.
    {.name = "table write interrupted",
     .before =
         [](Rig& r) {
             set_cell_texts(r.t, edited_table(r));
             r.dialogs.answers.push_back(true);
             r.t.wrmyTable.click();
         },
     .fault = vanish,
     .ticks = 4,
     .heal = comes_back,
     .status = {kPortLost},
     .frozen = true,
     .after =
         [](Rig& r) {
             const QStringList cells = cell_texts(r.t);
             EXPECT_NE(sensor_table(r), cells); // nothing went out behind the user's back
             EXPECT_EQ(cells, edited_table(r));
             r.dialogs.answers.push_back(true);
             r.t.wrmyTable.click();
             for (int i = 0; i < 4 && sensor_table(r) != cells; ++i) r.tick();
             EXPECT_EQ(sensor_table(r), cells);
         }},
    // The upload fails where the line went; with the line back the user
    // starts it again and the sensor ends up with the whole image, running.
    {.name = "upload interrupted",
     .before =
         [](Rig& r) {
             r.server->with_line([](SimLine& l) { l.enter_bootloader(kAddress); });
             r.f.firmware_file = r.dir.filePath(QStringLiteral("sensor.cri"));
             QFile file(r.f.firmware_file);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(firmware_image_file(kZorvikLayout, 40));
             file.close();
             r.f.start.click();
             ASSERT_TRUE(pump_until([&] { return r.f.upload_progress.value() >= 2; }, 30'000));
         },
     .fault =
         [](Rig& r) {
             vanish(r);
             ASSERT_TRUE(r.upload_finished());
             // The cycle runs again at once and finds the line still gone;
             // its read may take a while, so the line stays away until then.
             ASSERT_TRUE(pump_until([&] { return r.c.lost_port.has_value(); }, 10'000));
         },
     .heal =
         [](Rig& r) {
             comes_back(r);
             // As the tab asks before every upload: power off, "Пуск", power
             // on.  A loader the line left in the middle of a data frame
             // would otherwise take the synchronisation bytes as its rest.
             r.server->with_line([](SimLine& l) { l.enter_bootloader(kAddress); });
             r.f.start.click();
             ASSERT_TRUE(r.upload_finished());
         },
     // Which of a block's three frames was on its way when the line went
     // is the machine's timing.
     .messages = {QStringLiteral("( 31|addr| data) \\d+,блок ошибка")},
     .frozen = true,
     .after =
         [](Rig& r) {
             EXPECT_TRUE(r.f.upload_log.text().endsWith(kUploadDone));
             EXPECT_TRUE(r.log_records().filter(QStringLiteral("Прошивка не удалась")).size() == 1);
             const QByteArray image = firmware_image_file(kZorvikLayout, 40);
             EXPECT_EQ(r.server->with_line([](SimLine& l) {
                 return l.bootloader(kAddress)->memory(0x9000, 40 * 128);
             }),
                       image.mid(64 + 160 * 128, 40 * 128));
         }},
    // The save is refused and says so; the old file stays as it was, and the
    // cells are saved once there is room again.
    {.name = "table file on a full disk",
     .before =
         [](Rig& r) {
             set_cell_texts(r.t, edited_table(r));
             QFile file(r.zvk_path());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(kOldZvk);
         },
     .fault =
         [](Rig& r) {
             r.disk_full.emplace(100);
             r.save_zvk();
         },
     .ticks = 2,
     .heal = [](Rig& r) { r.disk_full.reset(); },
     .status = {kRunLogUnwritable, kConnected},
     .messages = {QStringLiteral("Таблица не сохранена в файл <dir>/table\\.zvk: файл достиг "
                                 "предельного размера")},
     .logged = QStringLiteral("°C"),
     .after =
         [](Rig& r) {
             QFile file(r.zvk_path());
             ASSERT_TRUE(file.open(QIODevice::ReadOnly));
             EXPECT_EQ(file.readAll(), kOldZvk);
             file.close();
             r.save_zvk();
             QStringList lines;
             ASSERT_TRUE(read_cp1251_lines(r.zvk_path(), kTableFileMaxBytes, &lines));
             EXPECT_EQ(lines, cell_texts(r.t));
         }},
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class FaultMatrix : public ::testing::TestWithParam<Row> {};

TEST_P(FaultMatrix, KeepsWorkingAndLosesNothing) {
    run_row(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& i) {
                             QString n = QString::fromUtf8(i.param.name);
                             n.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                       QString());
                             return n.toStdString();
                         });
} // namespace
