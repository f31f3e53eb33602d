// zorvik-cli profile as a script runs it: against zorvik-sim on a
// pseudo-terminal, one case a row (arguments, exit status, stdout, stderr,
// run-log records), and bad profiles against a bare pseudo-terminal whose far
// end checks that not a byte was sent.
#include "protocol/cp1251.h"
#include "protocol/requests.h"

#include "cli_process.h"

#include "../support/pty_pair.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A profile as a person might write it; `extra` goes in as more keys.
QByteArray profile_text(int firmware, const QString& rows, const QString& extra) {
    return QStringLiteral("{\"format\": \"zorvik-profile\", \"version\": 1, \"serial\": 1, "
                          "\"firmware\": %1, \"empty\": 60000, \"full\": 118000, \"mode\": 8, "
                          "\"note\": \"fleet standard\"%2%3}")
        .arg(firmware)
        .arg(rows.isEmpty() ? QString() : QStringLiteral(", \"table\": [") + rows + u']', extra)
        .toUtf8();
}

// The simulated sensors' table with the top two rows changed.
QString standard_rows() {
    QStringList rows;
    for (int k = 0; k < 20; ++k) {
        const int reading = k < 18 ? int(std::lround(1023.0 * (k + 1) / 20.0)) : 1100 + k;
        rows << QStringLiteral("[%1, %2]").arg(reading).arg(30 * (k + 1));
    }
    return rows.join(QStringLiteral(", "));
}

} // namespace

TEST(ProfileEndToEnd, SaveDiffApplyAgainstTheSimulatedLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("line"));
    // 1: 1.7.6; 5: 1.7.6 with the password 1234; 7: 1.7.4 (no extended byte);
    // 3: 1.6.3 (no alarm level, no table, no direct levels).
    ZorvikSim sim(link, {QStringLiteral("1:176"), QStringLiteral("5:176::1234"),
                         QStringLiteral("7:174"), QStringLiteral("3:163")});
    ASSERT_TRUE(sim.ready());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString saved = dir.filePath(QStringLiteral("saved.json"));
    const QString standard = dir.filePath(QStringLiteral("standard.json"));
    const QString levels = dir.filePath(QStringLiteral("levels.json"));
    ASSERT_TRUE(write_file(standard, profile_text(176, standard_rows(),
                                                  QStringLiteral(", \"alarm\": 20, \"extended\": "
                                                                 "7"))));
    // Only what a 1.7.1 sensor has: levels and mode.
    ASSERT_TRUE(write_file(levels, profile_text(171, {}, {})));
    const QString ext5 = dir.filePath(QStringLiteral("ext5.json"));
    ASSERT_TRUE(write_file(ext5, profile_text(176, standard_rows(),
                                              QStringLiteral(", \"alarm\": 20, \"extended\": 5"))));
    const QString unwritable = dir.filePath(QStringLiteral("alarm0.json"));
    ASSERT_TRUE(write_file(unwritable, profile_text(176, {}, QStringLiteral(", \"alarm\": 0"))));
    const QString no_output = dir.filePath(QStringLiteral("mode20.json"));
    ASSERT_TRUE(
        write_file(no_output, profile_text(176, {}, {}).replace("\"mode\": 8", "\"mode\": 20")));

    struct Case {
        QStringList args;
        int status;
        QString out;         // a regular expression for the whole of stdout
        QString err;         // stderr must contain this (empty: stderr must be empty)
        QStringList log;     // these records in this order
        bool writes = false; // the run log names the profile before any write
    };
    const QString y = QStringLiteral("--yes");
    const QString diff_lines = "empty: 58400 -> 60000\nfull: 110960 -> 118000\nalarm: 10 -> "
                               "20\ntable: rows 19, 20 differ\nmode: 0 -> 8\nextended: 5 -> 7\n";
    // Sensor 5's empty level is the profile's already.
    const QString diff_5 = "full: 114000 -> 118000\n(.*\n){4}";
    const QString table_record =
        "Cmd_SetTable =  51, 102, 153, 205, 256, 307, 358, 409, 460, 512, 563, 614, 665, 716, "
        "767, 818, 870, 921, 1118, 1119, 30, 60, 90, 120, 150, 180, 210, 240, 270, 300, 330, 360, "
        "390, 420, 450, 480, 510, 540, 570, 600,";
    const Case cases[] = {
        {{"--address=1", "profile", "save", saved},
         0,
         "",
         "",
         {"Device: 24050001  Ver Soft: 1.7.6.", "Cmd_ReadTable: "}},
        {{"--address=1", "profile", "diff", saved}, 0, "no differences\n", "", {}},
        {{"--address=1", "profile", "diff", standard}, 3, diff_lines, "", {}},
        // Without --yes and without a terminal: shown, refused, nothing changed.
        {{"--address=1", "profile", "apply", standard},
         2,
         diff_lines,
         "no terminal to answer on",
         {}},
        {{"--address=1", "profile", "apply", standard, "--dry-run"}, 0, diff_lines, "", {}},
        {{"--address=1", y, "profile", "apply", standard},
         0,
         diff_lines +
             "empty: Директивно изменен нижний уровень.\nfull: Директивно изменен верхний "
             "уровень.\nalarm: Уст. новый уровень ав. ост. топлива.\ntable: Установлена Тарир "
             "таблица.\nmode: Установлен новый режим.\napplied\n",
         "",
         {"Cmd Enter Direct LO_data = 60000", "Директивно изменен нижний уровень.",
          "Cmd Enter Direct HI_data = 118000", "Cmd Set Lamp Level: 20", table_record,
          "Cmd Change mode to 8 sgla 7", " Установлен новый режим.", "Cmd_ReadTable: "},
         true},
        {{"--address=1", "profile", "diff", standard}, 0, "no differences\n", "", {}},
        {{"--address=1", y, "profile", "apply", standard}, 0, "unchanged\n", "", {}},
        // Only the extended byte differs: it goes with the mode.
        {{"--address=1", y, "profile", "apply", ext5},
         0,
         "extended: 7 -> 5\nmode: Установлен новый режим.\napplied\n",
         "",
         {"Cmd Change mode to 8 sgla 5"},
         true},
        // The locked sensor refuses the first write, and a wrong password.
        {{"--address=5", y, "profile", "apply", standard},
         1,
         diff_5,
         "full: Неверный пароль.",
         {"Cmd Enter Direct HI_data = 118000", "Неверный пароль."},
         true},
        {{"--address=5", y, "profile", "apply", standard, "--password", "7"},
         1,
         diff_5,
         "password: Неверный пароль.",
         {"Cmd Enter Password = 7", "Неверный пароль."},
         true},
        {{"--address=5", y, "profile", "apply", standard, "--password=1234"},
         0,
         diff_5 + "(.*\n){4}applied\n",
         "",
         {"Cmd Enter Password = 1234", "Пароль принят.", "Cmd Enter Direct HI_data = 118000"},
         true},
        // A field the firmware lacks: refused before any change.
        {{"--address=7", y, "profile", "apply", standard},
         2,
         "",
         "extended: нужна прошивка 1.7.6 или новее, у датчика 1.7.4",
         {}},
        // What a sensor may report but cannot be given.
        {{"--address=1", y, "profile", "apply", unwritable}, 2, "", "alarm: ", {}},
        {{"--address=1", y, "profile", "apply", no_output},
         2,
         "",
         "mode: байт режима 20 не называет выход датчика",
         {}},
        {{"--address=3", y, "profile", "apply", levels},
         2,
         "",
         "empty: нужна прошивка 1.7.1 или новее, у датчика 1.6.3",
         {}},
        {{y, "profile", "apply", levels, "--all"},
         1,
         // 1 and 5 have these levels and this mode already.
         "1: unchanged\n3: refused: empty: нужна прошивка 1.7.1 или новее, у датчика 1.6.3\n5: "
         "unchanged\n7: applied\n",
         "",
         {"Cmd Ask Net ", "Device: 24050007  Ver Soft: 1.7.4.", "Cmd Enter Direct LO_data = 60000",
          "Cmd Enter Direct HI_data = 118000", "Cmd Change mode to 8 sgla 7"},
         true},
        {{"profile", "apply", levels, "--all", "--dry-run"},
         1,
         "1: unchanged\n3: refused: empty: .*\n5: unchanged\n7: unchanged\n",
         "",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome o = run_cli(QStringList{"--port", link} + c.args, log_dir);
        EXPECT_EQ(o.status, c.status) << show(o);
        EXPECT_TRUE(
            QRegularExpression(QRegularExpression::anchoredPattern(c.out)).match(o.out).hasMatch())
            << show(o);
        if (c.err.isEmpty())
            EXPECT_TRUE(o.err.isEmpty()) << show(o);
        else
            EXPECT_TRUE(o.err.contains(c.err)) << show(o);
        EXPECT_TRUE(in_order(o.log, c.log)) << show(o);
        EXPECT_EQ(o.log.contains(QStringLiteral("Cmd Apply Profile = ") +
                                 c.args[c.args.indexOf(QStringLiteral("profile")) + 2]),
                  c.writes)
            << show(o);
    }
    // The saved profile shows in words and names its fields.
    const Outcome shown = run_cli({"profile", "show", saved}, log_dir);
    EXPECT_EQ(shown.status, 0) << show(shown);
    EXPECT_TRUE(shown.out.startsWith("serial 24050001\nfirmware 176 (1.7.6)\n")) << show(shown);
    EXPECT_TRUE(shown.out.contains("\nfull 110960\nalarm 10%\nmode 0: RS-485\n")) << show(shown);
    EXPECT_TRUE(shown.out.endsWith("  20: 1023 -> 600\n")) << show(shown);
    EXPECT_EQ(shown.log_files, 0);

    // A line where every sensor can take the profile (and the password) ends
    // with status 0.
    const QString link2 = dir.filePath(QStringLiteral("line2"));
    ZorvikSim sim2(link2, {QStringLiteral("1:176::1234"), QStringLiteral("5:176::1234")});
    ASSERT_TRUE(sim2.ready());
    const Outcome all = run_cli(
        {"--port", link2, y, "profile", "apply", standard, "--all", "--password", "1234"}, log_dir);
    EXPECT_EQ(all.status, 0) << show(all);
    EXPECT_EQ(all.out, "1: applied\n5: applied\n") << show(all);
}

TEST(ProfileEndToEnd, BadProfilesAreRefusedBeforeThePortOpens) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PtyPair line; // the test is the far end and listens
    ASSERT_TRUE(line.ok());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString good_rows = standard_rows();
    const QString nineteen = good_rows.section(QStringLiteral(", ["), 0, 18);
    struct Bad {
        const char* name;
        QByteArray text;
        QString err;
    };
    const Bad bad[] = {
        {"not-json", "{\"format\": \"zorvik-profile\",", "это не JSON"},
        {"other-format", "{\"format\": \"zvk\", \"version\": 1}", "\"format\" не"},
        {"version-2", profile_text(176, {}, {}).replace("\"version\": 1", "\"version\": 2"),
         "версия профиля не 1"},
        {"table-19", profile_text(176, nineteen, {}), "поле \"table\": нужно 20 пар"},
        {"table-value",
         profile_text(176, QString(good_rows).replace("[51, 30]", "[32768, 30]"), {}),
         "поле \"table\": нужно 20 пар"},
        {"table-row-of-3",
         profile_text(176, QString(good_rows).replace("[51, 30]", "[51, 30, 0]"), {}),
         "поле \"table\": нужно 20 пар"},
        {"alarm-169", profile_text(169, {}, QStringLiteral(", \"alarm\": 10")),
         "поле \"alarm\" бывает только у прошивки 1.7.0"},
        {"alarm-256", profile_text(176, {}, QStringLiteral(", \"alarm\": 256")),
         "поле \"alarm\": нужно целое число от 0 до 255"},
        {"full-too-big", profile_text(176, {}, {}).replace("118000", "4294967296"),
         "поле \"full\": нужно целое число от 0 до 4294967295"},
        {"full-twice", profile_text(176, {}, QStringLiteral(", \"full\": 1")),
         "поле \"full\" дано дважды"},
        {"mode-256", profile_text(176, {}, {}).replace("\"mode\": 8", "\"mode\": 256"),
         "поле \"mode\": нужно целое число от 0 до 255"},
        {"mode-text", profile_text(176, {}, {}).replace("\"mode\": 8", "\"mode\": \"8\""),
         "поле \"mode\": нужно целое число"},
        {"extended-174", profile_text(174, {}, QStringLiteral(", \"extended\": 5")),
         "поле \"extended\" бывает только у прошивки 1.7.6"},
        {"too-large", QByteArray(2 << 20, ' '), "файл больше 1048576 байт"},
    };
    QStringList paths;
    QStringList errors;
    for (const Bad& b : bad) {
        paths << dir.filePath(QString::fromLatin1(b.name) + QStringLiteral(".json"));
        ASSERT_TRUE(write_file(paths.last(), b.text));
        errors << b.err;
    }
    // A FIFO would block a plain open: it is refused at once.
    paths << dir.filePath(QStringLiteral("fifo.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(paths.last()).constData(), 0600), 0);
    errors << QStringLiteral("это не файл");
    paths << dir.path();
    errors << QStringLiteral("это не файл");
    paths << dir.filePath(QStringLiteral("missing.json"));
    errors << QStringLiteral("файл не найден");

    for (qsizetype i = 0; i < paths.size(); ++i) {
        for (const char* command : {"diff", "apply", "show"}) {
            SCOPED_TRACE(QString(paths[i] + u' ' + QLatin1String(command)).toStdString());
            QStringList args{"--yes", "profile", QLatin1String(command), paths[i]};
            if (QLatin1String(command) != QLatin1String("show"))
                args = QStringList{"--port", line.slave_path()} + args;
            const Outcome o = run_cli(args, log_dir);
            EXPECT_EQ(o.status, 2) << show(o);
            EXPECT_TRUE(o.err.contains(errors[i])) << show(o);
            EXPECT_TRUE(o.out.isEmpty()) << show(o);
            EXPECT_EQ(o.log_files, 0) << show(o);
            EXPECT_EQ(line.read_until_quiet(50), QByteArray());
        }
    }

    // A profile is saved only where a whole file can take the name: known
    // before the port is opened.
    const auto link_to = [&](const char* name, const QString& target) {
        const QString at = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(QFile::link(target, at));
        return at;
    };
    const struct {
        QString path;
        QString err;
    } targets[] = {
        {paths[paths.size() - 3], "это не файл"}, // the FIFO
        {link_to("null.json", QStringLiteral("/dev/null")), "это не файл"},
        {link_to("dangling.json", dir.filePath(QStringLiteral("none/p.json"))),
         "ссылка ведёт к файлу, которого нет"},
        {dir.filePath(QString(300, u'x') + QStringLiteral(".json")), "Не удалось записать файл"},
    };
    for (const auto& t : targets) {
        SCOPED_TRACE(t.path.toStdString());
        const Outcome o =
            run_cli({"--port", line.slave_path(), "profile", "save", t.path}, log_dir);
        EXPECT_EQ(o.status, 2) << show(o);
        EXPECT_TRUE(o.err.contains(t.err)) << show(o);
        EXPECT_EQ(o.log_files, 0) << show(o);
        EXPECT_EQ(line.read_until_quiet(50), QByteArray());
    }
    QFileInfo fifo(paths[paths.size() - 3]);
    EXPECT_FALSE(fifo.isFile()); // still the pipe it was

    // A good profile does go out; a sensor that does not answer gives 1.
    const QString good = dir.filePath(QStringLiteral("good.json"));
    ASSERT_TRUE(write_file(good, profile_text(176, good_rows, {})));
    const Outcome o =
        run_cli({"--port", line.slave_path(), "--address", "7", "profile", "diff", good}, log_dir);
    EXPECT_EQ(o.status, 1) << show(o);
    EXPECT_TRUE(o.err.contains("Нет ответа от датчика с адресом 7")) << show(o);
    EXPECT_EQ(line.read_until_quiet(100), request::read_id(7));
}
