// A port that goes away under an unattended run and comes back: zorvik-cli
// watch and zorvik --record wait for it, say so on stderr, write no rows
// while it is gone, take up the same port when it is back, and never take
// another line that appears meanwhile.
#include "cli_process.h"

#include "../support/rfc2217_servers.h"
#include "../support/ser2net_server.h"

#include "exchange/port_return.h"
#include "sim/pty_server.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>

namespace {

int rows_in(const QByteArray& csv) {
    int n = 0;
    for (const QByteArray& line : csv.split('\n'))
        if (line.size() > 4 && line.at(0) == '2' && line.at(4) == '-') ++n; // 2026-...
    return n;
}

// One unattended run against `port`, its rows and its stderr as they come.
class Unattended {
public:
    Unattended(bool window, const QString& port, const QString& dir) : window_(window), dir_(dir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kLogDirVariable), log_dir());
        const QString runtime = QDir(dir).filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(dir).filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), QDir(dir).filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p_.setProcessEnvironment(env);
        if (window) {
            // Its run log goes beside the program: a copy of its own.
            const QString program = QDir(dir).filePath(QStringLiteral("zorvik"));
            QFile::copy(bin("zorvik"), program);
            p_.start(program, {QStringLiteral("--port"), port, QStringLiteral("--connect"),
                               QStringLiteral("--record"), csv()});
        } else {
            p_.start(bin("zorvik-cli"),
                     {QStringLiteral("--port"), port, QStringLiteral("--address"),
                      QStringLiteral("12"), QStringLiteral("watch")});
        }
    }
    ~Unattended() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(5000);
        }
    }

    QString log_dir() const {
        return QDir(dir_).filePath(window_ ? QStringLiteral("log") : QStringLiteral("cli-log"));
    }
    QString csv() const { return QDir(dir_).filePath(QStringLiteral("rows.csv")); }
    int rows() {
        take();
        return rows_in(window_ ? read_file(csv()) : out_);
    }
    const QString& err() {
        take();
        return err_;
    }
    // Waits up to `ms` for `done`; false when it did not come.
    bool wait(const std::function<bool()>& done, int ms) {
        const QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired()) p_.waitForReadyRead(100);
        return done();
    }
    int stop() {
        ::kill(pid_t(p_.processId()), SIGTERM);
        if (!p_.waitForFinished(10000)) return -1;
        take();
        return p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -1;
    }
    QString run_log() const {
        QString all;
        for (const QString& f : QDir(log_dir()).entryList({QStringLiteral("*.log")}, QDir::Files))
            all += from_cp1251(read_file(QDir(log_dir()).filePath(f)));
        return all;
    }

private:
    void take() {
        out_ += p_.readAllStandardOutput();
        err_ += QString::fromUtf8(p_.readAllStandardError());
    }
    bool window_;
    QString dir_;
    QProcess p_;
    QByteArray out_;
    QString err_;
};

// The line behind the port: goes away, and comes back the same.
struct Line {
    virtual ~Line() = default;
    virtual QString port() const = 0;
    virtual void go() = 0;
    virtual void come_back() = 0;
};

// zorvik-sim at a path of the test; while it is gone another one starts at
// another path, with a sensor at the same address.
struct SimLink final : Line {
    explicit SimLink(const QString& dir)
        : link(QDir(dir).filePath(QStringLiteral("line"))),
          other_link(QDir(dir).filePath(QStringLiteral("other"))) {
        come_back();
    }
    QString port() const override { return link; }
    void go() override {
        sim.reset();
        other = std::make_unique<ZorvikSim>(other_link, QStringList{QStringLiteral("12:176")});
    }
    void come_back() override {
        sim = std::make_unique<ZorvikSim>(link, QStringList{QStringLiteral("12:176")});
    }
    QString link, other_link;
    std::unique_ptr<ZorvikSim> sim, other;
};

// ser2net in front of a simulated line; it is killed and started again on
// the same TCP port.
struct Gateway final : Line {
    Gateway() : line(SimLine::demo()) {
        line.start({});
        come_back();
    }
    QString port() const override { return address; }
    void go() override { server.reset(); }
    void come_back() override {
        server = std::make_unique<Ser2net>(std::vector<Ser2net::Connection>{{line.slave_path()}},
                                           tcp_port ? std::vector<uint16_t>{tcp_port}
                                                    : std::vector<uint16_t>{});
        if (!tcp_port && server->ok()) {
            tcp_port = server->ports().front();
            address = server->address(0);
        }
    }
    PtyServer line;
    std::unique_ptr<Ser2net> server;
    uint16_t tcp_port = 0;
    QString address;
};

// An RFC 2217 server (sredird, pyserial's) in front of a simulated line,
// stopped and started again on the same TCP port.
template <typename Server> struct Rfc2217Gateway final : Line {
    explicit Rfc2217Gateway(const QString& dir)
        : link(QDir(dir).filePath(QStringLiteral("line"))), sim(link, {QStringLiteral("12:176")}) {
        come_back();
        if (server->ok()) address = server->address();
    }
    QString port() const override { return address; }
    void go() override {
        tcp_port = server->port();
        server.reset();
    }
    void come_back() override { server = std::make_unique<Server>(link, tcp_port); }
    QString link;
    ZorvikSim sim;
    std::unique_ptr<Server> server;
    uint16_t tcp_port = 0;
    QString address;
};

enum class Through { PtyLink, Ser2net, Sredird, Pyserial };

struct Row {
    const char* name;
    bool window; // zorvik --record, else zorvik-cli watch
    Through through;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class Replug : public ::testing::TestWithParam<Row> {};

TEST_P(Replug, TheSamePortIsWaitedForAndTakenUpAgain) {
    const Row& row = GetParam();
    if (row.through == Through::Ser2net && !Ser2net::installed())
        GTEST_SKIP() << "ser2net is not installed";
    if (row.through == Through::Sredird && Sredird::program().isEmpty())
        GTEST_SKIP() << "sredird is not installed";
    if (row.through == Through::Pyserial && PyserialServer::example().isEmpty())
        GTEST_SKIP() << "python3-serial is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::unique_ptr<Line> line;
    if (row.through == Through::Ser2net)
        line = std::make_unique<Gateway>();
    else if (row.through == Through::Sredird)
        line = std::make_unique<Rfc2217Gateway<Sredird>>(dir.path());
    else if (row.through == Through::Pyserial)
        line = std::make_unique<Rfc2217Gateway<PyserialServer>>(dir.path());
    else
        line = std::make_unique<SimLink>(dir.path());
    ASSERT_FALSE(line->port().isEmpty());
    Unattended run(row.window, line->port(), dir.path());
    ASSERT_TRUE(run.wait([&] { return run.rows() >= 1; }, 15'000)) << run.err().toStdString();

    line->go();
    const QString lost = port_lost_text(line->port());
    ASSERT_TRUE(run.wait([&] { return run.err().contains(lost); }, 5'000))
        << run.err().toStdString();
    const int before = run.rows();
    QThread::msleep(2000);
    EXPECT_EQ(run.rows(), before); // nothing recorded while the port was gone

    line->come_back();
    const QString back = port_back_text(line->port());
    EXPECT_TRUE(run.wait([&] { return run.err().contains(back) && run.rows() > before; }, 8'000))
        << run.err().toStdString();
    EXPECT_EQ(run.stop(), 0) << run.err().toStdString();

    // Only ever the port it was given: never the other line.
    const QString log = run.run_log();
    EXPECT_EQ(log.count(QStringLiteral(" Open\"")), 2) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("other"))) << log.toStdString();
    EXPECT_TRUE(log.contains(lost) && log.contains(back)) << log.toStdString();
}

const Row kRows[] = {
    {"watch_on_a_pty_link", false, Through::PtyLink},
    {"record_on_a_pty_link", true, Through::PtyLink},
    {"watch_through_a_restarted_ser2net", false, Through::Ser2net},
    {"record_through_a_restarted_ser2net", true, Through::Ser2net},
    {"watch_through_a_restarted_sredird", false, Through::Sredird},
    {"watch_through_a_restarted_pyserial_server", false, Through::Pyserial},
};

INSTANTIATE_TEST_SUITE_P(Rows, Replug, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& i) { return i.param.name; });

} // namespace
