// zorvik-cli as a script runs it: against zorvik-sim on a pseudo-terminal,
// one case a row (arguments, exit status, stdout, stderr, run-log records),
// and the refusals against a bare pseudo-terminal whose far end checks that
// not a byte was sent.
#include "cli/cli_command_line.h"
#include "protocol/cp1251.h"
#include "protocol/frame_codec.h"
#include "protocol/requests.h"

#include "cli_process.h"

#include "../support/firmware_image_file.h"
#include "../support/pty_pair.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

QStringList numbers(int first, int step, int n) {
    QStringList l;
    for (int k = 0; k < n; ++k) l << QString::number(first + step * k);
    return l;
}

QByteArray zvk(const QStringList& lines) {
    return to_cp1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

const QString kRow = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d,");

} // namespace

TEST(CliEndToEnd, EveryCommandAgainstTheSimulatedLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("line"));
    // 0: firmware 1.7.6; 3: 1.6.3 (no alarm level, smoothing on or off only);
    // 9: 1.3.0, which gets a new address and then frequency output.
    ZorvikSim sim(link, {QStringLiteral("0:176:4321"), QStringLiteral("3:163:3003"),
                         QStringLiteral("9:130")});
    ASSERT_TRUE(sim.ready());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString read_back = dir.filePath(QStringLiteral("read.zvk"));
    const QString to_write = dir.filePath(QStringLiteral("write.zvk"));
    const QString read_again = dir.filePath(QStringLiteral("again.zvk"));
    const QStringList table = numbers(100, 100, 20) + numbers(5, 5, 20);
    ASSERT_TRUE(write_file(to_write, zvk(table)));
    const QString image = dir.filePath(QStringLiteral("fw.cri"));
    ASSERT_TRUE(write_file(image, firmware_image_file(kZorvikLayout, 3)));

    struct Case {
        QStringList args;
        int status;
        QString out;     // a regular expression for the whole of stdout
        QString err;     // stderr must contain this (empty: stderr must be empty)
        QStringList log; // these records in this order, after the open record
    };
    const QString opened = QStringLiteral("Com Port \\\\.\\") + link + QStringLiteral(" Open");
    const QString closed = QStringLiteral("Com Port ") + link + QStringLiteral(" Closed");
    const QString y = QStringLiteral("--yes");
    const QString a3 = QStringLiteral("--address=3");
    const QString ver176 = QStringLiteral("Device: 4321  Ver Soft: 1.7.6.");
    const Case cases[] = {
        {{"scan"}, 0, "0\n3\n9\n", "", {"Cmd Ask Net ", "Устройства в сети 0 3 9 "}},
        {{"info"}, 0, "serial 4321\nfirmware 176\n", "", {ver176}},
        {{"watch", "--count", "2"},
         0,
         "time,address,level,current,empty,full,temperature,coefficient,mode,alarm,extended\n(" +
             kRow + "0,\\d+,\\d+,\\d+,\\d+,-?\\d+,16,0,10,5\n){2}",
         "",
         {ver176}},
        {{y, "set-full", "100000"},
         0,
         "Директивно изменен верхний уровень.\n",
         "",
         {"Cmd Enter Direct HI_data = 100000", "Директивно изменен верхний уровень."}},
        {{y, "set-empty", "50000"},
         0,
         "Директивно изменен нижний уровень.\n",
         "",
         {"Cmd Enter Direct LO_data = 50000", "Директивно изменен нижний уровень."}},
        {{y, "shift-full", "5"},
         0,
         "Сдвинут верхний уровень.\n",
         "",
         {"Cmd Shift Hight: 5", "Сдвинут верхний уровень."}},
        {{y, "shift-empty", "-5"},
         0,
         "Сдвинут нижний уровень.\n",
         "",
         {"Cmd Shift Low: -5", "Сдвинут нижний уровень."}},
        // What the sensor stored shows in its next state.
        {{"watch", "--count=1"}, 0, "time.*\n" + kRow + "0,\\d+,\\d+,49995,100005,.*\n", "", {}},
        {{"set-full", "current"},
         0,
         " Установлен верхний уровень.\n",
         "",
         {"Cmd SetHight ", " Установлен верхний уровень."}},
        {{"set-empty", "current"},
         0,
         " Установлен нижний уровень.\n",
         "",
         {"Cmd SetLow ", " Установлен нижний уровень."}},
        {{y, "mode", "--invert", "on", "--smoothing", "7", "--range4096", "on"},
         0,
         " Установлен новый режим.\n",
         "",
         {"Cmd Change mode to 129 sgla 7", " Установлен новый режим."}},
        {{"watch", "--count", "1"}, 0, "time.*\n" + kRow + "0,.*,16,129,10,7\n", "", {}},
        {{y, "alarm", "20"},
         0,
         "Уст. новый уровень ав. ост. топлива.\n",
         "",
         {"Cmd Set Lamp Level: 20", "Уст. новый уровень ав. ост. топлива."}},
        {{"password", "enter", "0"},
         0,
         "Пароль принят.\n",
         "",
         {"Cmd Enter Password = 0", "Пароль принят."}},
        {{"password", "enter", "123"},
         1,
         "",
         "Неверный пароль.",
         {"Cmd Enter Password = 123", "Неверный пароль."}},
        {{y, "password", "change", "0"},
         0,
         "Пароль изменен.\n",
         "",
         {"Cmd New Password = 0", "Пароль изменен."}},
        {{y, "horizon"},
         0,
         "Установлен Горизонт.\n",
         "",
         {"Cmd Set Horizon ", "Установлен Горизонт."}},
        {{"table", "read", read_back},
         0,
         "",
         "",
         {"Cmd_ReadTable: ", "Прочитана таблица = 51, 102, 153, 205, 256, 307, 358, 409, 460, 512, "
                             "563, 614, 665, 716, 767, 818, 870, 921, 972, 1023, 30, 60, 90, 120, "
                             "150, 180, 210, 240, 270, 300, 330, 360, 390, 420, 450, 480, 510, "
                             "540, 570, 600, "}},
        {{"table", "write", to_write},
         0,
         "Установлена Тарир таблица.\n",
         "",
         {"Cmd_SetTable =  " + table.join(QStringLiteral(", ")) + ",",
          "Установлена Тарировочная таблица."}},
        {{"table", "read", read_again}, 0, "", "", {"Cmd_ReadTable: "}},
        // Out to a platform: the window's fixed row first, then the 20 points.
        {{"table", "export", "sensor", "--format", "xy"},
         0,
         "0\t0\n100\t5\n200\t10\n(\\d+\t\\d+\n){17}2000\t100\n",
         "",
         {"Cmd_ReadTable: "}},
        // Firmware 1.6.3: smoothing is on or off; with it on the present
        // reading is not taken; no alarm level yet.
        {{a3, y, "mode", "--smoothing", "1"},
         0,
         " Установлен новый режим.\n",
         "",
         {"Cmd Change mode to 8 sgla 0"}},
        {{a3, "set-full", "current"},
         1,
         "",
         " На время калибровки снимите СГЛАЖИВАНИЕ и нажмите УСТАНОВИТЬ",
         {"Device: 3003  Ver Soft: 1.6.3.", closed}},
        {{a3, y, "alarm", "20"}, 1, "", "нужна версия 1.7.0 или новее", {}},
        // The first sensor goes into its bootloader when the upload
        // synchronises, and runs again after it.
        {{"flash", image, "--no-verify"},
         0,
         "",
         "-----Готово------",
         {"Прошивка " + image, "Прошивка: -----Готово------"}},
        {{"info"}, 0, "serial 4321\nfirmware 176\n", "", {ver176}},
        // Sensor 3 answers at 3: giving 9 that address would silence both.
        {{"--address", "9", "address", "3"},
         1,
         "",
         "По адресу 3 уже отвечает датчик",
         {"По адресу 3 уже отвечает датчик: два датчика с одним адресом не ответят. Адрес не "
          "изменен."}},
        {{"--address", "9", "address", "10"},
         0,
         " Установлен сетевой номер.\n",
         "",
         {"Cmd Set New net addr = 10", " Установлен сетевой номер."}},
        {{"--address", "10", "info"}, 0, "serial 24050009\nfirmware 130\n", "", {}},
        {{"--address", "10", y, "mode", "--output", "frequency"},
         0,
         " Установлен новый режим.\n",
         "",
         {"Cmd Change mode to 4 sgla 0"}},
        // In frequency output the sensor answers nothing else.
        {{"--address", "10", "info"}, 1, "", "Датчик в частотном режиме.", {}},
        {{"--address", "10", y, "shift-full", "1"},
         1,
         "",
         "Эту операцию невозможно выполнить в частотном режиме.",
         {}},
        {{"--address", "42", "info"},
         1,
         "",
         "Нет ответа от датчика с адресом 42",
         {"Нет ответа от датчика с адресом 42"}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome o = run_cli(QStringList{"--port", link} + c.args, log_dir);
        EXPECT_EQ(o.status, c.status) << show(o);
        EXPECT_TRUE(
            QRegularExpression(QRegularExpression::anchoredPattern(c.out)).match(o.out).hasMatch())
            << show(o);
        if (c.err.isEmpty()) {
            EXPECT_TRUE(o.err.isEmpty()) << show(o);
        } else {
            EXPECT_TRUE(o.err.contains(c.err)) << show(o);
        }
        // Opened and closed as the window does it, with the operation between.
        ASSERT_FALSE(o.log.isEmpty()) << show(o);
        EXPECT_EQ(o.log.front(), opened) << show(o);
        EXPECT_EQ(o.log.back(), closed) << show(o);
        EXPECT_TRUE(in_order(o.log, c.log)) << show(o);
    }

    // The table file: 40 lines, Windows-1251, CR LF; and what was written reads back.
    const QByteArray saved = read_file(read_back);
    EXPECT_EQ(saved.count("\r\n"), 40);
    EXPECT_TRUE(saved.startsWith("51\r\n102\r\n"));
    EXPECT_TRUE(saved.endsWith("\r\n600\r\n"));
    EXPECT_EQ(read_file(read_again), zvk(table));
}

// A block the loader refuses to write fails the upload, named, with status 1;
// the sensor is left in its bootloader.
TEST(CliEndToEnd, ARefusedBlockFailsTheUpload) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString link = dir.filePath(QStringLiteral("line"));
    const QString image = dir.filePath(QStringLiteral("fw.cri"));
    ASSERT_TRUE(write_file(image, firmware_image_file(kZorvikLayout, 3)));
    ZorvikSim line(link, {QStringLiteral("1:176")}, {"--worn-block", "0x9080"});
    ASSERT_TRUE(line.ready());
    const Outcome o = run_cli({"--port", link, "flash", image}, log_dir);
    EXPECT_EQ(o.status, 1) << show(o);
    EXPECT_TRUE(o.err.contains("-----Прошивка не удалась, блок 1------")) << show(o);
    EXPECT_FALSE(o.err.contains("Готово")) << show(o);
    EXPECT_EQ(run_cli({"--port", link, "info"}, log_dir).status, 1);
}

TEST(CliEndToEnd, RefusalsSendNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PtyPair line; // the test is the far end and listens
    ASSERT_TRUE(line.ok());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString short_zvk = dir.filePath(QStringLiteral("short.zvk"));
    const QString bad_zvk = dir.filePath(QStringLiteral("bad.zvk"));
    ASSERT_TRUE(write_file(short_zvk, zvk(numbers(1, 1, 39))));
    ASSERT_TRUE(write_file(bad_zvk, zvk(numbers(1, 1, 39) << QStringLiteral("40000"))));
    // A pipe nobody writes to (opening it would wait for ever), and a table
    // file past the window's 1 MiB limit whose last block would be valid.
    const QString fifo = dir.filePath(QStringLiteral("pipe.zvk"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big_zvk = dir.filePath(QStringLiteral("big.zvk"));
    QByteArray big;
    while (big.size() <= (1 << 20)) big += zvk(numbers(100, 100, 20) + numbers(5, 5, 20));
    ASSERT_TRUE(write_file(big_zvk, big));
    const QString long_name = dir.filePath(QString(300, u'x') + QStringLiteral(".zvk"));

    struct Case {
        QStringList args;
        int status;
        QString err;
        QByteArray sent; // what the far end must hear
    };
    const Case cases[] = {
        {{"--yes", "set-full", "2000000001"},
         2,
         "Введите значение уровня в диапазоне 0....2 000 000 000",
         {}},
        {{"--yes", "shift-empty", "-1001"}, 2, "Значения могут быть от -1000 до 1000", {}},
        {{"--yes", "alarm", "100"}, 2, "Значения могут быть от 1 до 99", {}},
        {{"address", "256"}, 2, "Введите число в диапазоне 0....255", {}},
        {{"password", "enter", "12ab"},
         2,
         "Введите числовой пароль в диапазоне 0....2 000 000 000",
         {}},
        // A question and no terminal to ask it on, and no --yes.
        {{"shift-full", "5"},
         2,
         "Сейчас будет сдвинут верхний уровень. Вы уверены что это нужно?",
         {}},
        {{"table", "write", dir.filePath(QStringLiteral("missing.zvk"))},
         2,
         "Не удалось прочитать файл",
         {}},
        {{"table", "write", short_zvk}, 2, "В файле таблицы 39 строк", {}},
        {{"table", "write", bad_zvk}, 2, "\"40000\" не целое число от 0 до 32767", {}},
        {{"table", "read", dir.filePath(QStringLiteral("no/such/folder/t.zvk"))},
         2,
         "Не удалось записать файл",
         {}},
        // Nothing is read from what is no regular file within its limit, and
        // nothing is put in place of it.
        {{"table", "write", fifo}, 2, "это не файл", {}},
        {{"table", "write", big_zvk}, 2, "файл больше 1048576 байт", {}},
        {{"table", "read", fifo}, 2, "это не файл", {}},
        {{"table", "read", "/dev/null"}, 2, "это не файл", {}},
        {{"table", "read", long_name}, 2, "Не удалось записать файл", {}},
        {{"flash", short_zvk}, 2, "Файл короче образа прошивки", {}},
        // The table's way to a platform: files and options checked first.
        {{"table", "export", "sensor", "--format", "xy", "--out", fifo}, 2, "это не файл", {}},
        {{"table", "export", "sensor", "--format", "xml"}, 2, "--format wants xy, csv", {}},
        {{"table", "export", "sensor", "--format", "json", "--sep", ","},
         2,
         "--sep and --encoding belong to --format csv",
         {}},
        {{"table", "export", bad_zvk, "--format", "csv"}, 2, "\"40000\" не целое число", {}},
        {{"table", "fit", fifo}, 2, "это не файл", {}},
        {{"table", "fit", short_zvk}, 2, "Строка 2: нет двух \";\"", {}},
        {{"table", "import", short_zvk, "--format", "xy"}, 2, "Строка 1: нужно два числа", {}},
        {{"mode", "--output", "fm"}, 2, "zorvik-cli: mode: --output wants", {}},
        {{"--address", "300", "info"}, 2, "zorvik-cli: option --address wants", {}},
        // The same far end does hear a command that is not refused.
        {{"--address", "7", "info"}, 1, "Нет ответа от датчика с адресом 7", request::read_id(7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome o = run_cli(QStringList{"--port", line.slave_path()} + c.args, log_dir);
        EXPECT_EQ(o.status, c.status) << show(o);
        EXPECT_TRUE(o.err.contains(c.err)) << show(o);
        EXPECT_TRUE(o.out.isEmpty()) << show(o);
        EXPECT_EQ(line.read_until_quiet(100), c.sent);
        // A refusal writes no run log either.
        EXPECT_EQ(o.log_files, c.sent.isEmpty() ? 0 : 1) << show(o);
    }
    struct stat st {};
    EXPECT_TRUE(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_FALSE(QFileInfo::exists(long_name));
}

TEST(CliEndToEnd, RelayAndReplayNeedNoPort) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QByteArray state =
        QByteArray::fromHex("3E05F0152C03C1B0130060EA000050BD01001000260F0560");
    const QString server_log = dir.filePath(QStringLiteral("server.log"));
    const QString bad_log = dir.filePath(QStringLiteral("bad.log"));
    const QByteArray lines = "heading\r\n"
                             "12:00:01 485=24:" +
                             state.toHex().toUpper() +
                             "\r\n"
                             "12:00:02 no answer on this line\r\n"
                             "12:00:03 485=04:3E05F59E\r\n"
                             "12:00:04 485=04:3E05FD5C\r\n"
                             "12:00:05 485=04:3E051048\r\n";
    ASSERT_TRUE(write_file(server_log, lines));
    ASSERT_TRUE(write_file(bad_log, lines + "12:00:06 485=04:3EZZ\r\n"));
    const QString empty_log = dir.filePath(QStringLiteral("empty.log"));
    ASSERT_TRUE(write_file(empty_log, ""));
    const QString fifo = dir.filePath(QStringLiteral("pipe.log"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    struct Case {
        QStringList args;
        int status;
        QString out;
        QString err; // contained in stderr; empty: stderr must be empty
    };
    const Case cases[] = {
        {{"relay", "state"}, 0, "S485=4:23:1500:19200:3101F0C5\n", ""},
        {{"relay", "state", "--v176"}, 0, "S485=4:24:1500:19200:3101F0C5\n", ""},
        {{"relay", "identity"}, 0, "S485=4:10:1500:19200:3101FC66\n", ""},
        {{"relay", "shift-full", "--value", "-5"}, 0, "S485=6:10:1500:19200:3101F4FFFB00\n", ""},
        {{"relay", "shift-full", "--value=-5", "--v176"},
         0,
         "S485=9:10:1500:19200:3101F45AC396FFFB99\n",
         ""},
        {{"relay", "set-full", "--address", "5", "--value", "100000"},
         0,
         "S485=8:10:1500:19200:3105EC000186A0B8\n",
         ""},
        {{"relay", "mode", "--v176", "--output", "periodic-rs485", "--smoothing", "7",
          "--thermal-compensation", "off"},
         0,
         "S485=9:6:1500:19200:3101F25AC39618876B\n",
         ""},
        {{"relay", "password-enter", "--value", "2000000001"},
         2,
         "",
         "Введите числовой пароль в диапазоне 0....2 000 000 000"},
        {{"relay", "shift-empty", "--address", "200", "--value", "1"}, 2, "", "below 200"},
        {{"relay", "mode", "--output", "rs232"}, 2, "", "has no rs232"},
        // One line per answer: a state answer as a watch row, others as their status.
        {{"replay", server_log},
         0,
         ",5,812,1290433,60000,114000,21,16,38,15,5\n"
         " Установлен верхний уровень.\n"
         "Неверный пароль.\n"
         " Непонятно что пришло! \n",
         "Ответ не соответствует запросу"},
        // A log with an answer that is no hexadecimal is refused whole.
        {{"replay", bad_log}, 2, "", "Нет такого файла"},
        {{"replay", empty_log}, 2, "", "Нет такого файла"},
        {{"replay", dir.filePath(QStringLiteral("none.log"))}, 2, "", "Нет такого файла"},
        {{"replay", fifo}, 2, "", "Нет такого файла"}, // refused, not waited on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome o = run_cli(c.args, log_dir);
        EXPECT_EQ(o.status, c.status) << show(o);
        EXPECT_EQ(o.out, c.out) << show(o);
        if (c.err.isEmpty()) {
            EXPECT_TRUE(o.err.isEmpty()) << show(o);
        } else {
            EXPECT_TRUE(o.err.contains(c.err)) << show(o);
        }
        EXPECT_EQ(o.log_files, 0); // the window writes no run log for these either
    }
}

TEST(CliEndToEnd, HelpForTheToolAndEachCommand) {
    QTemporaryDir dir;
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const Outcome tool = run_cli({"--help"}, log_dir);
    EXPECT_EQ(tool.status, 0);
    EXPECT_TRUE(tool.out.startsWith(
        "Usage: zorvik-cli [--port PATH] [--address N] [--yes] COMMAND [ARGS...]\n"));
    for (const char* command : {"scan",         "info",         "watch",          "set-full",
                                "set-empty",    "shift-full",   "shift-empty",    "mode",
                                "alarm",        "address",      "password enter", "password change",
                                "horizon",      "table read",   "table write",    "table fit",
                                "table export", "table import", "flash",          "relay",
                                "replay",       "listen",       "report",         "check-refuel"}) {
        SCOPED_TRACE(command);
        EXPECT_TRUE(tool.out.contains(QStringLiteral("\n  ") + QLatin1String(command) + u' '));
        const Outcome one =
            run_cli(QString::fromLatin1(command).split(u' ') << QStringLiteral("--help"), log_dir);
        EXPECT_EQ(one.status, 0) << show(one);
        EXPECT_TRUE(one.out.startsWith(QStringLiteral("Usage: zorvik-cli ")));
        const QString usage = one.out.section(u'\n', 0, 0);
        EXPECT_TRUE(
            QRegularExpression(
                QStringLiteral(" %1( |$)").arg(QRegularExpression::escape(QLatin1String(command))))
                .match(usage)
                .hasMatch())
            << show(one);
        EXPECT_TRUE(one.err.isEmpty());
        // UTF-8 read as Latin-1 leaves C1 controls ("—" came out as "â\u0080\u0094").
        EXPECT_FALSE(one.out.contains(QRegularExpression(QStringLiteral("[\\x{80}-\\x{9F}]"))))
            << show(one);
    }
    const Outcome none = run_cli({"info"}, log_dir);
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.err.contains("give --port PATH")) << show(none);
}

TEST(CliEndToEnd, StopSignalsEndEveryPhase) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    PtyPair line; // the test plays the sensor at address 5
    ASSERT_TRUE(line.ok());
    const QStringList port{"--port", line.slave_path(), "--address", "5"};
    const auto stop = [](QProcess& p, int signal_number) {
        ::kill(static_cast<pid_t>(p.processId()), signal_number);
    };
    // Identity (1.7.6) and state, as the run asks for them before any operation.
    const auto answer_start = [&line] {
        if (line.read(4, 5000) != request::read_id(5)) return false;
        line.write(Control_summ(QByteArray::fromHex("3E05FC39300000B000")));
        if (line.read(4, 5000) != request::read_state(5)) return false;
        return line.write(QByteArray::fromHex("3E05F0152C03C1B0130060EA000050BD01001000260F0560"));
    };
    const QString closed = QStringLiteral("Com Port ") + line.slave_path() + " Closed";

    {
        SCOPED_TRACE("Ctrl+C at the question");
        PtyPair terminal; // stdin is a terminal, so the question is asked
        ASSERT_TRUE(terminal.ok());
        QProcess p;
        p.setStandardInputFile(terminal.slave_path());
        p.setReadChannel(QProcess::StandardError);
        start_cli(p, port + QStringList{"shift-full", "5"}, log_dir);
        QByteArray err;
        while (!err.contains("[y/N]") && p.waitForReadyRead(10000)) err += p.readAllStandardError();
        ASSERT_TRUE(err.contains("[y/N]")) << err.toStdString();
        stop(p, SIGINT);
        const Outcome o = finish_cli(p, log_dir, 5000);
        EXPECT_EQ(o.status, 1) << show(o);
        EXPECT_EQ(o.err.trimmed(), "Прервано") << show(o); // below the question
        EXPECT_EQ(o.log_files, 0);
        EXPECT_TRUE(line.read_until_quiet(100).isEmpty());
    }
    {
        SCOPED_TRACE("SIGTERM while the table is read");
        QProcess p;
        start_cli(p, port + QStringList{"table", "read", dir.filePath("t.zvk")}, log_dir);
        ASSERT_TRUE(answer_start());
        ASSERT_EQ(line.read(4, 5000), request::read_table(5));
        stop(p, SIGTERM); // and the sensor never answers
        const Outcome o = finish_cli(p, log_dir, 5000);
        EXPECT_EQ(o.status, 1) << show(o);
        EXPECT_EQ(o.err, "Прервано\n") << show(o);
        EXPECT_TRUE(in_order(o.log, {"Cmd_ReadTable: ", "Прервано", closed})) << show(o);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("t.zvk")));
    }
    {
        SCOPED_TRACE("a hang-up during watch");
        QProcess p;
        start_cli(p, port + QStringList{"watch"}, log_dir);
        ASSERT_TRUE(answer_start());
        ASSERT_TRUE(p.waitForReadyRead(5000)); // the heading and the first row
        stop(p, SIGHUP);
        const Outcome o = finish_cli(p, log_dir, 5000);
        EXPECT_EQ(o.status, 0) << show(o); // a watch is ended this way
        ASSERT_FALSE(o.log.isEmpty()) << show(o);
        EXPECT_EQ(o.log.back(), closed) << show(o);
    }
    {
        SCOPED_TRACE("SIGTERM during a long replay");
        constexpr int kAnswers = 300'000; // a few seconds of replay
        const QString server_log = dir.filePath("server.log");
        ASSERT_TRUE(write_file(
            server_log,
            "heading\r\n" +
                QByteArray("12:00:01 485=24:3E05F0152C03C1B0130060EA000050BD01001000260F0560\r\n")
                    .repeated(kAnswers)));
        QProcess p;
        start_cli(p, {"replay", server_log}, log_dir);
        ASSERT_TRUE(p.waitForReadyRead(20000)); // the log is checked; answers are shown
        stop(p, SIGTERM);
        const Outcome o = finish_cli(p, log_dir, 5000);
        EXPECT_EQ(o.status, 1) << o.status << o.err.toStdString();
        EXPECT_EQ(o.err, "Прервано\n") << o.err.toStdString();
        EXPECT_LT(o.out.count(u'\n'), kAnswers);
    }
    {
        SCOPED_TRACE("SIGTERM while a server that never confirms the port is opened");
        QTcpServer silent; // the system takes the connection; nobody answers it
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
        const QString address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort());
        QProcess p;
        start_cli(p, {"--port", address, "info"}, log_dir);
        ASSERT_TRUE(silent.waitForNewConnection(5000));
        stop(p, SIGTERM);
        const Outcome o = finish_cli(p, log_dir, 2000);
        EXPECT_EQ(o.status, 1) << show(o);
        EXPECT_EQ(o.err, "Прервано\n") << show(o);
        EXPECT_TRUE(in_order(o.log, {"Прервано", "Com Port " + address + " Closed"})) << show(o);
    }
}
