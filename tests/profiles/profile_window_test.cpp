// The settings tab's "Применить профиль…" against the in-process simulated
// line: the differences shown in one question, a No that sends nothing, a Yes
// whose writes go out one a tick as the window's own operations, the report
// per field; then the refusals of a locked sensor and of older firmware.
#include "../support/configurator_rig.h"

#include "app/startup.h"
#include "commands/wire_commands.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "i18n/language.h"
#include "profiles/profile_file.h"
#include "profiles/profile_window.h"
#include "protocol/codes.h"
#include "protocol/cp1251.h"
#include "protocol/requests.h"
#include "sim/sim_port.h"
#include "tables/table_exchange.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The in-process line, every frame the window writes noted.
class NotingPort final : public SerialPort {
public:
    explicit NotingPort(SimLine line) : port_(std::move(line)) {}
    bool OpenPort(const QString& d, const QString& s) override { return port_.OpenPort(d, s); }
    int ClosePort() override { return port_.ClosePort(); }
    void FlushPort() override { port_.FlushPort(); }
    void DiscardInput() override { port_.DiscardInput(); }
    QByteArray ReadPort() override { return port_.ReadPort(); }
    uint16_t WritePort(const QByteArray& data) override {
        written.append(data);
        return port_.WritePort(rewrite ? rewrite(data) : data);
    }
    bool PortExists(const QString& name) override { return port_.PortExists(name); }
    bool IsOpen() const override { return port_.IsOpen(); }
    void ReadAsync(std::function<void(QByteArray)> done) override { port_.ReadAsync(done); }
    void CancelRead() override { port_.CancelRead(); }

    QList<QByteArray> written;
    std::function<QByteArray(const QByteArray&)> rewrite; // what the sensor hears instead

private:
    SimSerialPort port_;
};

SimLine line_for_test() {
    SimLine line;
    line.add_sensor(1, 176);
    SimSensorConfig locked = default_sensor_config(5, 176);
    locked.password = 1234;
    line.add_sensor(locked);
    line.add_sensor(7, 174);
    return line;
}

struct ProfileRig : Rig<NotingPort> {
    ProfileRig() : Rig<NotingPort>(line_for_test()) {
        wire_exchange(c);
        wire_connection(c);
        wire_commands(c);
        listen_for_tables(c);
        wire_profiles(c);
        Form_Load(c, dir.path());
        c.device_for_item = [](const QString&) { return kDemoPortName; };
        f.CmbPort.clear();
        f.CmbPort.add_item(QStringLiteral("demo"));
        f.CmbPort.set_list_index(0);
        f.BTNOpenCom.click();
    }
    // One tick, waiting until its read has come back.
    void tick() {
        f.TMRComm.on_timer();
        QDeadlineTimer deadline(2000);
        while (c.exchange.tick_running() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // Chooses `address` and waits until its identity and state are in.
    void select(int address) {
        f.CmbNet.clear();
        f.CmbNet.add_item(QString::number(address));
        f.CmbNet.set_list_index(0);
        for (int i = 0; i < 3; ++i) tick();
    }
    // Ticks until a message box has been shown (or 30 ticks have gone).
    QString until_message() {
        const size_t before = dialogs.messages.size();
        for (int i = 0; i < 30 && dialogs.messages.size() == before; ++i) tick();
        return dialogs.messages.size() > before ? dialogs.messages.back().text : QString();
    }
    QStringList log_lines() const {
        QFile file(c.log.path());
        if (!file.open(QIODevice::ReadOnly)) return {};
        static const QRegularExpression record(QStringLiteral("^\"\\d\\d:\\d\\d:\\d\\d : (.*)\"$"));
        QStringList out;
        for (const QString& line : from_cp1251(file.readAll()).split(QStringLiteral("\r\n")))
            if (const auto m = record.match(line); m.hasMatch()) out.append(m.captured(1));
        return out;
    }
    // The frames written since `from`, without the cycle's own state requests.
    QList<QByteArray> requests_since(qsizetype from, uint8_t address) const {
        QList<QByteArray> out;
        for (qsizetype i = from; i < port.written.size(); ++i)
            if (port.written[i] != request::read_state(address) || out.isEmpty() ||
                out.last() == request::read_id(address))
                out.append(port.written[i]);
        return out;
    }
};

// The fleet standard: sensor 1 differs in full, alarm, the top two table
// rows, mode and extended byte.
QByteArray standard_profile() {
    QString rows;
    for (int k = 0; k < 20; ++k) {
        const int reading = k < 18 ? int(std::lround(1023.0 * (k + 1) / 20.0)) : 1100 + k;
        rows += QStringLiteral("%1[%2, %3]").arg(k ? ", " : "").arg(reading).arg(30 * (k + 1));
    }
    return QStringLiteral("{\"format\": \"zorvik-profile\", \"version\": 1, \"serial\": 1, "
                          "\"firmware\": 176, \"empty\": 58400, \"full\": 118000, \"alarm\": 20, "
                          "\"mode\": 8, \"extended\": 7, \"table\": [%1]}")
        .arg(rows)
        .toUtf8();
}

CalibrationTable standard_table() {
    CalibrationTable t;
    for (int k = 0; k < 20; ++k) {
        t.readings[size_t(k)] =
            uint16_t(k < 18 ? int(std::lround(1023.0 * (k + 1) / 20.0)) : 1100 + k);
        t.litres[size_t(k)] = uint16_t(30 * (k + 1));
    }
    return t;
}

} // namespace

TEST(ProfileWindow, ApplyShowsTheDifferencesAsksOnceAndWritesOneATick) {
    ProfileRig r;
    ASSERT_TRUE(r.port.IsOpen());
    const QString path = r.dir.filePath(QStringLiteral("standard.json"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(standard_profile());
    }
    r.select(1);
    ASSERT_NE(r.f.tek.text(), kNoData);
    EXPECT_TRUE(r.f.apply_profile.enabled());

    // No: the differences were shown, nothing is written.
    r.dialogs.files = {path};
    r.dialogs.answers = {false};
    qsizetype from = r.port.written.size();
    r.f.apply_profile.click();
    for (int i = 0; i < 6 && r.dialogs.questions.isEmpty(); ++i) r.tick();
    ASSERT_EQ(r.dialogs.questions.size(), 1);
    EXPECT_EQ(r.dialogs.questions[0],
              "Сейчас настройки датчика будут изменены по профилю. Вы уверены что это нужно?\n\n"
              "Изменится (датчик → профиль):\nПолный: 110960 → 118000\nПорог лампы: 10 → 20\n"
              "Таблица: строки 19, 20\nРежим: 0 → 8\nРасширенный режим: 5 → 7");
    EXPECT_EQ(r.dialogs.choosers.last(), "Применить профиль | Профили (*.json)");
    // The first chooser starts in the program's folder, the next in the profile's.
    EXPECT_EQ(r.dialogs.chooser_folders.last(), QCoreApplication::applicationDirPath());
    for (int i = 0; i < 3; ++i) r.tick();
    EXPECT_EQ(
        r.requests_since(from, 1),
        (QList<QByteArray>{request::read_id(1), request::read_state(1), request::read_table(1)}));
    EXPECT_FALSE(r.log_lines().join(u'\n').contains("Cmd Apply Profile"));

    // Yes: the writes, each on its own tick, then the reads that check them.
    r.dialogs.files = {path};
    r.dialogs.answers = {true};
    from = r.port.written.size();
    r.f.apply_profile.click();
    const QString report = r.until_message();
    EXPECT_EQ(report, "Профиль применён.\nПолный: записано\nПорог лампы: записано\nТаблица: "
                      "записано\nРежим: записано");
    EXPECT_EQ(r.dialogs.questions.size(), 2);
    EXPECT_EQ(r.dialogs.chooser_folders.last(), r.dir.path());
    const QList<QByteArray> sent = r.requests_since(from, 1);
    const QList<QByteArray> expected{request::read_id(1),
                                     request::read_state(1),
                                     request::read_table(1),
                                     request::direct_full(1, 176, 118000).value(),
                                     request::set_alarm_level(1, 176, 20).value(),
                                     request::write_table(1, 176, standard_table()),
                                     request::set_mode(1, 176, 8, 7),
                                     request::read_id(1),
                                     request::read_state(1),
                                     request::read_table(1)};
    EXPECT_EQ(sent, expected);
    // The state polls the cycle sends between the steps are left out.
    QStringList log;
    static const QRegularExpression state_line(QStringLiteral("^\\d+, \\d+, "));
    for (const QString& l : r.log_lines())
        if (!state_line.match(l).hasMatch()) log << l;
    const qsizetype at = log.indexOf("Cmd Apply Profile = " + path);
    ASSERT_GE(at, 0);
    EXPECT_EQ(
        log.mid(at + 1, 8),
        (QStringList{"Cmd Enter Direct HI_data = 118000", "Директивно изменен верхний уровень.",
                     "Cmd Set Lamp Level: 20", "Уст. новый уровень ав. ост. топлива.", log[at + 5],
                     "Установлена Тарировочная таблица.", "Cmd Change mode to 8 sgla 7",
                     " Установлен новый режим."}));
    EXPECT_TRUE(log[at + 5].startsWith("Cmd_SetTable =  51, 102,"));
    EXPECT_EQ(r.f.profile_progress.value(), r.f.profile_progress.max());

    // Compared again, the sensor now equals the profile.
    r.dialogs.files = {path};
    r.f.compare_profile.click();
    EXPECT_EQ(r.until_message(), "Датчик совпадает с профилем.");

    // Saved from the window, the sensor's setup is the profile's.
    const QString saved = r.dir.filePath(QStringLiteral("saved.json"));
    r.dialogs.files = {saved};
    r.f.save_profile.click();
    for (int i = 0; i < 20 && !r.f.MsgCom.text().startsWith("Профиль"); ++i) r.tick();
    EXPECT_EQ(r.f.MsgCom.text(), "Профиль сохранён: " + saved);
    const Result<Profile> back = read_profile_file(saved);
    ASSERT_TRUE(back.ok()) << back.error().text.toStdString();
    EXPECT_EQ(back->full, 118000u);
    EXPECT_EQ(back->alarm, std::optional<uint8_t>(20));
    EXPECT_EQ(back->extended, std::optional<uint8_t>(7));
    EXPECT_EQ(back->table, std::optional<CalibrationTable>(standard_table()));

    // Only the extended byte differs: it goes with the mode, and a sensor that
    // confirms the mode but keeps its byte is reported.
    const QString ext5 = r.dir.filePath(QStringLiteral("ext5.json"));
    {
        QFile file(ext5);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(standard_profile().replace("\"extended\": 7", "\"extended\": 5"));
    }
    r.port.rewrite = [](const QByteArray& frame) {
        return frame == request::set_mode(1, 176, 8, 5) ? request::set_mode(1, 176, 8, 7) : frame;
    };
    r.dialogs.files = {ext5};
    r.dialogs.answers = {true};
    r.f.apply_profile.click();
    EXPECT_EQ(r.until_message(), "Профиль применён не полностью.\nРежим: после записи отличается");
    EXPECT_TRUE(r.dialogs.questions.last().endsWith(":\nРасширенный режим: 7 → 5"));
    r.port.rewrite = {};

    // The locked sensor refuses the first write; the rest is not sent.
    r.select(5);
    r.dialogs.files = {path};
    r.dialogs.answers = {true};
    r.f.apply_profile.click();
    EXPECT_EQ(r.until_message(),
              "Профиль применён не полностью.\nПустой: не записано: Неверный пароль.\nПолный: не "
              "записано\nПорог лампы: не записано\nТаблица: не записано\nРежим: не записано");

    // A 1.7.4 sensor has no extended byte: refused before any question.
    r.select(7);
    r.dialogs.files = {path};
    const qsizetype asked = r.dialogs.questions.size();
    r.f.apply_profile.click();
    EXPECT_EQ(r.until_message(), "Профиль не применён: Расширенный режим: нужна прошивка 1.7.6 "
                                 "или новее, у датчика 1.7.4");
    EXPECT_EQ(r.dialogs.questions.size(), asked);

    // Every one of them in English: lines, "; " parts and "field: reason" included.
    ASSERT_TRUE(install_language(UiLanguage::English));
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    for (const QString& said : r.dialogs.shown)
        EXPECT_FALSE(shown_text(said.mid(5)).contains(cyrillic))
            << shown_text(said.mid(5)).toStdString();
    install_language(UiLanguage::Russian);
}
