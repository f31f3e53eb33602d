// The programs as a user starts them: zorvik against zorvik-sim on a
// pseudo-terminal, zorvik on its built-in demo line, and its command line.
// What the program did is read back from its run log.
#include "link/text_files.h"
#include "protocol/cp1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace {

QString bin_dir() {
    const QString dir = qEnvironmentVariable("ZORVIK_BIN_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

// One run-log record: "HH:mm:ss : message".
struct Record {
    int second = 0; // of the day
    QString message;
};

// What a run log holds: the start record, then every complete record.
// Problems with the file's form go to `faults`.
struct RunLogText {
    QString start; // "Start: dd.MM.yyyy HH:mm:ss"
    std::vector<Record> records;
    QStringList faults;
};

RunLogText read_run_log(const QString& path) {
    RunLogText log;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        log.faults << QStringLiteral("cannot read ") + path;
        return log;
    }
    QByteArray bytes = file.readAll();
    // While the program runs the last record may still be on its way.
    const qsizetype complete = bytes.lastIndexOf("\r\n");
    bytes.truncate(complete < 0 ? 0 : complete + 2);
    const QList<QByteArray> lines = bytes.split('\n');
    // The start record's CR LF belong to its text: its closing quote stands
    // alone on the second line.
    static const QRegularExpression start_re(
        QStringLiteral("^\"Start: \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\r$"));
    static const QRegularExpression record_re(
        QStringLiteral("^\"(\\d\\d):(\\d\\d):(\\d\\d) : (.*)\"\r$"));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) { // the last piece is empty
        const QString line = from_cp1251(lines[i]);
        if (i == 0) {
            if (!start_re.match(line).hasMatch()) log.faults << QStringLiteral("start: ") + line;
            log.start = line.mid(1).chopped(1);
        } else if (i == 1) {
            if (line != QStringLiteral("\"\r")) log.faults << QStringLiteral("second: ") + line;
        } else if (const auto m = record_re.match(line); m.hasMatch()) {
            log.records.push_back(
                {m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt(),
                 m.captured(4)});
        } else {
            log.faults << QStringLiteral("record: ") + line;
        }
    }
    if (lines.size() < 3) log.faults << QStringLiteral("no start record");
    return log;
}

// The state reply's log line: level, current, empty, full, mode, temperature.
struct StateLine {
    int second = 0;
    qint64 level = 0, current = 0, empty = 0, full = 0, mode = 0, temperature = 0;
};

std::optional<StateLine> state_line(const Record& r) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d+), (\\d+), (\\d+), (\\d+), (\\d+), (-?\\d+) \u00B0C$")); // °C
    const auto m = re.match(r.message);
    if (!m.hasMatch()) return std::nullopt;
    return StateLine{r.second,
                     m.captured(1).toLongLong(),
                     m.captured(2).toLongLong(),
                     m.captured(3).toLongLong(),
                     m.captured(4).toLongLong(),
                     m.captured(5).toLongLong(),
                     m.captured(6).toLongLong()};
}

const QString kNoAnswer = QStringLiteral("Нет ответа от датчика с адресом ");

// A copy of zorvik in a folder of its own, so that its run log ("log" beside
// the program) belongs to this test alone, run offscreen with a private
// runtime folder.
class ZorvikRun {
public:
    ZorvikRun() {
        const QString app_dir = dir_.filePath(QStringLiteral("app"));
        const QString runtime = dir_.filePath(QStringLiteral("runtime"));
        program_ = QDir(app_dir).filePath(QStringLiteral("zorvik"));
        ready_ =
            dir_.isValid() && QDir().mkpath(app_dir) && QDir().mkpath(runtime) &&
            QFile::setPermissions(runtime,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
            QFile::copy(QDir(bin_dir()).filePath(QStringLiteral("zorvik")), program_) &&
            QFile::setPermissions(program_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_folder());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
        process.setProcessEnvironment(env);
    }
    ~ZorvikRun() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool ready() const { return ready_; }
    QString program() const { return program_; }
    QString log_folder() const { return QFileInfo(program_).dir().filePath(QStringLiteral("log")); }
    // Where its settings go: never the user's.
    QString config_folder() const { return dir_.filePath(QStringLiteral("config")); }

    bool start(const QStringList& args) {
        process.start(program_, args);
        return process.waitForStarted(10000);
    }

    // This run's log file; empty until the program has made it.
    QString log_path() const {
        const QStringList files =
            QDir(log_folder()).entryList({QStringLiteral("*.log")}, QDir::Files);
        return files.size() == 1 ? QDir(log_folder()).filePath(files.front()) : QString();
    }

    RunLogText log() const { return read_run_log(log_path()); }

    // Reads the log every 200 ms until `done` says so, the program ends or
    // the deadline passes.  True when `done` was satisfied.
    template <class Done> bool wait_for_log(Done done, int deadline_ms = 25000) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < deadline_ms) {
            if (!log_path().isEmpty() && done(log())) return true;
            if (process.waitForFinished(200)) return !log_path().isEmpty() && done(log());
        }
        return false;
    }

    // Stops the program with `signal_number` and waits for it to end.
    ::testing::AssertionResult stop(int signal_number) {
        ::kill(static_cast<pid_t>(process.processId()), signal_number);
        if (!process.waitForFinished(15000))
            return ::testing::AssertionFailure() << "did not end after signal " << signal_number;
        if (process.exitStatus() != QProcess::NormalExit)
            return ::testing::AssertionFailure()
                   << "killed by signal " << signal_number
                   << "; stderr: " << process.readAllStandardError().toStdString();
        if (process.exitCode() != 0)
            return ::testing::AssertionFailure() << "exit status " << process.exitCode();
        return ::testing::AssertionSuccess();
    }

    QProcess process;

private:
    QTemporaryDir dir_;
    QString program_;
    bool ready_ = false;
};

// Index of the record with exactly `message`, or -1.
qsizetype find_record(const RunLogText& log, const QString& message) {
    for (size_t i = 0; i < log.records.size(); ++i)
        if (log.records[i].message == message) return qsizetype(i);
    return -1;
}

std::vector<StateLine> state_lines_after(const RunLogText& log, qsizetype from) {
    std::vector<StateLine> lines;
    for (size_t i = size_t(std::max<qsizetype>(from, 0)); i < log.records.size(); ++i)
        if (auto s = state_line(log.records[i])) lines.push_back(*s);
    return lines;
}

// Seconds from `a` to `b`, across midnight as well.
int seconds_between(int a, int b) {
    return (b - a + 86400) % 86400;
}

// The cycle ticks once a second: never more than two records of it stamped
// with the same second (a read may end up to a quarter second late), and no
// long silence between them.
template <class Seconds> void expect_about_once_a_second(const Seconds& seconds) {
    for (size_t i = 1; i < seconds.size(); ++i) {
        EXPECT_LE(seconds_between(seconds[i - 1], seconds[i]), 4) << "record " << i;
        if (i >= 2) {
            EXPECT_GT(seconds_between(seconds[i - 2], seconds[i]), 0) << "record " << i;
        }
    }
}

std::string dump(const RunLogText& log) {
    std::string out = log.start.toStdString() + "\n";
    for (const Record& r : log.records) out += r.message.toStdString() + "\n";
    for (const QString& f : log.faults) out += "FAULT " + f.toStdString() + "\n";
    return out;
}

} // namespace

TEST(EndToEnd, ConnectsToTheSimulatedLineAndClosesOnHangUp) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("line"));

    // A sensor at the address the configurator starts with, so that it
    // answers without a network scan.
    QProcess sim;
    sim.start(
        QDir(bin_dir()).filePath(QStringLiteral("zorvik-sim")),
        {QStringLiteral("--link"), link, QStringLiteral("--sensor"), QStringLiteral("0:176:4321")});
    ASSERT_TRUE(sim.waitForStarted(10000));
    ASSERT_TRUE(sim.waitForReadyRead(10000));
    ASSERT_EQ(QString::fromLocal8Bit(sim.readLine()).trimmed(), link);
    ASSERT_TRUE(QFileInfo(link).isSymLink());

    ZorvikRun run;
    ASSERT_TRUE(run.ready());
    ASSERT_TRUE(run.start({QStringLiteral("--port"), link, QStringLiteral("--connect")}));

    const QString opened = QStringLiteral("Com Port \\\\.\\") + link + QStringLiteral(" Open");
    const bool answered = run.wait_for_log([&](const RunLogText& log) {
        const qsizetype open = find_record(log, opened);
        return open >= 0 && state_lines_after(log, open).size() >= 3;
    });
    ASSERT_TRUE(answered) << dump(run.log()) << run.process.readAllStandardError().toStdString();
    // The remote shell the program runs from goes away.
    ASSERT_TRUE(run.stop(SIGHUP));

    const RunLogText log = run.log();
    EXPECT_TRUE(log.faults.isEmpty()) << dump(log);
    const qsizetype open = find_record(log, opened);
    ASSERT_GE(open, 0) << dump(log);
    EXPECT_EQ(std::count_if(log.records.begin(), log.records.end(),
                            [&](const Record& r) { return r.message == opened; }),
              1);

    const std::vector<StateLine> states = state_lines_after(log, open);
    ASSERT_GE(states.size(), 3u) << dump(log);
    std::vector<int> seconds;
    for (const StateLine& s : states) {
        seconds.push_back(s.second);
        // The sensor's calibration stays put while the fuel moves; the raw
        // reading lies between its empty and full values, give or take the
        // sloshing.  (While the tank stands still the reading may not change
        // at all for many seconds.)
        EXPECT_EQ(s.empty, states.front().empty);
        EXPECT_EQ(s.full, states.front().full);
        ASSERT_GT(s.full, s.empty);
        const qint64 margin = (s.full - s.empty) / 20;
        EXPECT_GE(s.current, s.empty - margin) << dump(log);
        EXPECT_LE(s.current, s.full + margin) << dump(log);
        EXPECT_LT(s.level, 1024);
        EXPECT_GT(s.temperature, -60);
        EXPECT_LT(s.temperature, 90);
    }
    expect_about_once_a_second(seconds);

    // Before the first answer the cycle may report silence (its first read
    // comes before anything was asked); once the sensor answers, never again.
    bool answering = false;
    for (size_t i = size_t(open) + 1; i < log.records.size(); ++i) {
        if (state_line(log.records[i])) answering = true;
        if (answering) {
            EXPECT_FALSE(log.records[i].message.startsWith(kNoAnswer)) << dump(log);
        }
    }

    // A hang-up ends the program through its close routine.
    ASSERT_FALSE(log.records.empty());
    EXPECT_EQ(log.records.back().message,
              QStringLiteral("Com Port ") + link + QStringLiteral(" Closed"))
        << dump(log);

    ::kill(static_cast<pid_t>(sim.processId()), SIGHUP); // the simulator's too
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(link));
}

TEST(EndToEnd, DemoLineConnectsSearchesAndClosesOnSigint) {
    ZorvikRun run;
    ASSERT_TRUE(run.ready());
    ASSERT_TRUE(run.start({QStringLiteral("--demo"), QStringLiteral("--connect")}));

    // The demo line's sensors sit at 1, 5 and 12, not at the start-up address
    // 0, so opening the demo line searches it at once and then watches the
    // first sensor found.
    const QString opened = QStringLiteral("Com Port \\\\.\\Демо-линия Open");
    const bool watching = run.wait_for_log([&](const RunLogText& log) {
        const qsizetype open = find_record(log, opened);
        return open >= 0 && state_lines_after(log, open).size() >= 3;
    });
    ASSERT_TRUE(watching) << dump(run.log()) << run.process.readAllStandardError().toStdString();
    ASSERT_TRUE(run.stop(SIGINT));

    const RunLogText log = run.log();
    EXPECT_TRUE(log.faults.isEmpty()) << dump(log);
    const qsizetype open = find_record(log, opened);
    ASSERT_GE(open, 0) << dump(log);
    const qsizetype scan = find_record(log, QStringLiteral("Cmd Ask Net "));
    const qsizetype found = find_record(log, QStringLiteral("Устройства в сети 1 5 12 "));
    ASSERT_GT(scan, open) << dump(log);
    ASSERT_GT(found, scan) << dump(log);
    const qsizetype identity =
        find_record(log, QStringLiteral("Device: 24050001  Ver Soft: 1.3.0."));
    EXPECT_GT(identity, found) << dump(log);

    std::vector<int> seconds;
    for (const StateLine& s : state_lines_after(log, found)) seconds.push_back(s.second);
    ASSERT_GE(seconds.size(), 3u) << dump(log);
    expect_about_once_a_second(seconds);
    EXPECT_EQ(log.records.back().message, QStringLiteral("Com Port Демо-линия Closed"))
        << dump(log);
    // What it remembers went to the settings folder it was given.
    EXPECT_TRUE(QFileInfo::exists(run.config_folder() + QStringLiteral("/zorvik/zorvik.conf")));
}

TEST(EndToEnd, SigtermWhileTheStartupErrorBoxIsOpenEndsTheProgram) {
    ZorvikRun run;
    ASSERT_TRUE(run.ready());
    // Neither "log" beside the program nor the per-user folder can be made:
    // plain files stand where the folders would go.
    QFile beside(run.log_folder());
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    QFile blocker(run.log_folder() + QStringLiteral("-data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QProcessEnvironment env = run.process.processEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), blocker.fileName() + QStringLiteral("/x"));
    run.process.setProcessEnvironment(env);

    ASSERT_TRUE(run.start({}));
    // The "Error#" box waits for the user; nothing else can be seen of it
    // offscreen, so give it time to come up.
    EXPECT_FALSE(run.process.waitForFinished(2000));
    EXPECT_TRUE(run.stop(SIGTERM));
}

// The gateway takes the connection and never confirms the port: the window
// waits for it without blocking, and a SIGTERM meanwhile ends the program
// through its close routine, with no box left waiting for a user.
TEST(EndToEnd, SigtermWhileAGatewayIsBeingConnectedEndsTheProgram) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort());
    ZorvikRun run;
    ASSERT_TRUE(run.ready());
    ASSERT_TRUE(run.start({QStringLiteral("--port"), address, QStringLiteral("--connect")}));
    ASSERT_TRUE(silent.waitForNewConnection(10000));
    ASSERT_TRUE(run.stop(SIGTERM));
    const RunLogText log = run.log();
    EXPECT_TRUE(log.faults.isEmpty()) << dump(log);
    ASSERT_EQ(log.records.size(), 1u) << dump(log);
    EXPECT_EQ(log.records.back().message, QStringLiteral("Com Port ") + address + " Closed");
}

TEST(EndToEnd, HelpAndBadOptionsNeedNoDisplayAndLeaveNoLog) {
    ZorvikRun run;
    ASSERT_TRUE(run.ready());
    // No platform plugin of that name exists: starting the toolkit would end
    // the program with a fatal error instead.
    QProcessEnvironment env = run.process.processEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    run.process.setProcessEnvironment(env);

    const QString usage = QStringLiteral(
        "Usage: zorvik [--demo] [--port NAME]... [--connect] [--record FILE] [--help]\n");
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        ASSERT_TRUE(run.start({QStringLiteral("--demo"), help}));
        ASSERT_TRUE(run.process.waitForFinished(10000));
        EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process.exitCode(), 0) << help.toStdString();
        const QString out = QString::fromLocal8Bit(run.process.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(usage)) << out.toStdString();
        for (const char* option : {"--demo", "--port NAME", "--connect", "--help", "--version"})
            EXPECT_TRUE(out.contains(QString::fromLatin1(option))) << option;
        EXPECT_TRUE(run.process.readAllStandardError().isEmpty());
    }
    // The number itself is checked against the project's by ctest (version.zorvik).
    ASSERT_TRUE(run.start({QStringLiteral("--version")}));
    ASSERT_TRUE(run.process.waitForFinished(10000));
    EXPECT_EQ(run.process.exitCode(), 0);
    EXPECT_TRUE(run.process.readAllStandardOutput().startsWith("zorvik "));
    EXPECT_TRUE(run.process.readAllStandardError().isEmpty());

    struct Bad {
        QStringList args;
        QString error;
    };
    const Bad bad[] = {
        {{QStringLiteral("--bogus")}, QStringLiteral("zorvik: unknown option '--bogus'\n")},
        {{QStringLiteral("--demo"), QStringLiteral("--port")},
         QStringLiteral("zorvik: option --port needs a port name\n")},
        {{QStringLiteral("COM3")}, QStringLiteral("zorvik: unexpected argument 'COM3'\n")},
    };
    for (const Bad& b : bad) {
        ASSERT_TRUE(run.start(b.args));
        ASSERT_TRUE(run.process.waitForFinished(10000));
        EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process.exitCode(), 2) << b.args.join(u' ').toStdString();
        const QString err = QString::fromLocal8Bit(run.process.readAllStandardError());
        EXPECT_TRUE(err.startsWith(b.error)) << err.toStdString();
        EXPECT_TRUE(err.contains(usage)) << err.toStdString();
        EXPECT_TRUE(run.process.readAllStandardOutput().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(run.log_folder()));
}

TEST(EndToEnd, RecordsEveryStateReplyToCsvUnattended) {
    ZorvikRun run;
    ASSERT_TRUE(run.ready());
    const QString csv = QFileInfo(run.program()).dir().filePath(QStringLiteral("out.csv"));
    ASSERT_TRUE(run.start(
        {QStringLiteral("--demo"), QStringLiteral("--connect"), QStringLiteral("--record"), csv}));
    const QString started = QStringLiteral("Запись в CSV: ") + csv;
    ASSERT_TRUE(run.wait_for_log([&](const RunLogText& log) {
        return state_lines_after(log, find_record(log, started)).size() >= 4;
    })) << dump(run.log());
    ASSERT_TRUE(run.stop(SIGTERM));

    // A row for each state reply the window showed, with the same values.
    const RunLogText log = run.log();
    const qsizetype from = find_record(log, started);
    ASSERT_GE(from, 0) << dump(log);
    const std::vector<StateLine> shown = state_lines_after(log, from);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    ASSERT_EQ(lines.size(), qsizetype(shown.size()) + 2) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.front(), QStringLiteral("time,address,level,current,empty,full,temperature,"
                                            "coefficient,mode,alarm,extended"));
    EXPECT_EQ(lines.back(), QString()); // the last row is whole
    for (size_t i = 0; i < shown.size(); ++i) {
        const QStringList f = lines[qsizetype(i) + 1].split(u',');
        ASSERT_EQ(f.size(), 11) << lines[qsizetype(i) + 1].toStdString();
        const StateLine& s = shown[i];
        EXPECT_EQ((std::vector<qint64>{f[2].toLongLong(), f[3].toLongLong(), f[4].toLongLong(),
                                       f[5].toLongLong(), f[8].toLongLong(), f[6].toLongLong()}),
                  (std::vector<qint64>{s.level, s.current, s.empty, s.full, s.mode, s.temperature}))
            << i;
    }

    // A recording whose folder is deleted meanwhile ends an unattended run
    // with status 1, and says why.
    ZorvikRun lost;
    ASSERT_TRUE(lost.ready());
    const QString folder = QFileInfo(lost.program()).dir().filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString lost_csv = folder + QStringLiteral("/out.csv");
    ASSERT_TRUE(lost.start({QStringLiteral("--demo"), QStringLiteral("--connect"),
                            QStringLiteral("--record"), lost_csv}));
    ASSERT_TRUE(lost.wait_for_log([&](const RunLogText& l) {
        return !state_lines_after(l, find_record(l, QStringLiteral("Запись в CSV: ") + lost_csv))
                    .empty();
    })) << dump(lost.log());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(lost.process.waitForFinished(15000)) << dump(lost.log());
    EXPECT_EQ(lost.process.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(lost.process.readAllStandardError())
                    .contains(QStringLiteral("файл удалён или перемещён")));

    // A file that cannot be recorded to ends an unattended run at once.
    ZorvikRun refused;
    ASSERT_TRUE(refused.ready());
    ASSERT_TRUE(refused.start({QStringLiteral("--demo"), QStringLiteral("--record"),
                               QFileInfo(refused.program()).path()}));
    ASSERT_TRUE(refused.process.waitForFinished(15000));
    EXPECT_EQ(refused.process.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(refused.process.readAllStandardError())
                    .contains(QStringLiteral("zorvik: Запись не начата: ")));
}
