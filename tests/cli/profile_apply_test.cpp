// A profile applied to the sensors of a line that dies part way: each sensor's
// line says what was written and confirmed before the failure, in process,
// so that the line can die after an exact number of requests.
#include "cli/cli_command_line.h"
#include "cli/cli_profile.h"
#include "profiles/profile_file.h"
#include "protocol/cp1251.h"
#include "sim/sim_port.h"

#include "../support/fakes.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The simulated line, on which `then` happens once `writes` requests have
// gone out.
class DyingLine final : public SerialPort {
public:
    DyingLine(int writes, std::function<void(SimLine&)> then)
        : left_(writes), then_(std::move(then)) {}
    bool OpenPort(const QString& d, const QString& s) override { return sim_.OpenPort(d, s); }
    int ClosePort() override { return sim_.ClosePort(); }
    void FlushPort() override { sim_.FlushPort(); }
    QByteArray ReadPort() override { return sim_.ReadPort(); }
    QByteArray ReadExpected(int count, int ms) override { return sim_.ReadExpected(count, ms); }
    uint16_t WritePort(const QByteArray& data) override {
        if (left_-- == 0) then_(sim_.line());
        return sim_.WritePort(data);
    }
    bool PortExists(const QString& name) override { return sim_.PortExists(name); }
    bool IsOpen() const override { return sim_.IsOpen(); }

private:
    SimSerialPort sim_;
    int left_;
    std::function<void(SimLine&)> then_;
};

class Console final : public CliConsole {
public:
    QStringList lines;
    void out(const QString& line) override { lines << line; }
    void err(const QString& line) override { lines << QStringLiteral("err: ") + line; }
    void out_bytes(const QByteArray& bytes) override { lines << QString::fromUtf8(bytes); }
    std::optional<bool> ask(const QString&) override { return std::nullopt; }
    void pause(int) override {}
    const std::atomic<bool>& stop_flag() const override { return stop; }
    std::atomic<bool> stop{false};
};

} // namespace

TEST(ProfileApply, ASensorHalfConfiguredWhenTheLineDiesSaysWhatItTook) {
    QTemporaryDir dir;
    Profile p;
    p.firmware = 176;
    p.empty = 61000;
    p.full = 117000;
    p.alarm = 30;
    p.mode = 0;
    const QString path = dir.filePath(QStringLiteral("p.json"));
    ASSERT_TRUE(write_profile_file(path, p, nullptr));
    const CliParse parsed =
        parse_cli({"--port", "demo", "--yes", "profile", "apply", path, "--all"});
    ASSERT_EQ(parsed.outcome, CliParse::Outcome::Run);
    // The demo line's sensors sit at 1, 5 and 12; 12 goes silent after the
    // scan, the reads of all three, and its two level writes.
    const struct {
        int writes;
        QString line;
    } rows[] = {
        {1 + 3 * 2 + 2,
         "12: partly applied: empty, full; alarm: Нет ответа от датчика с адресом 12"},
        {1 + 3 * 2, "12: refused: empty: Нет ответа от датчика с адресом 12"},
    };
    for (const auto& row : rows) {
        DyingLine line(row.writes, [](SimLine& l) { l.inject_fault(12, SimFault::Silent); });
        Console console;
        FakeClock clock;
        const int status = run_profile(parsed.invocation, CliLine{line, QStringLiteral("demo")},
                                       console, clock, [&] { return dir.filePath("log"); });
        EXPECT_EQ(status, 1);
        EXPECT_EQ(console.lines.value(console.lines.size() - 1), row.line)
            << console.lines.join(u'\n').toStdString();
    }
}

TEST(ProfileApply, AnInterruptedApplySaysSoAndLogsOnlyWhatWasSent) {
    QTemporaryDir dir;
    Profile p;
    p.firmware = 176;
    p.empty = 61000;
    p.full = 117000;
    const QString path = dir.filePath(QStringLiteral("p.json"));
    ASSERT_TRUE(write_profile_file(path, p, nullptr));
    const CliParse parsed =
        parse_cli({"--port", "demo", "--address", "12", "--yes", "profile", "apply", path});
    ASSERT_EQ(parsed.outcome, CliParse::Outcome::Run);
    Console console;
    // Ctrl+C as the first write (the empty level) goes out.
    DyingLine line(2, [&console](SimLine&) { console.stop = true; });
    FakeClock clock;
    const QString logs = dir.filePath(QStringLiteral("log"));
    EXPECT_EQ(run_profile(parsed.invocation, CliLine{line, QStringLiteral("demo")}, console, clock,
                          [&] { return logs; }),
              1);
    EXPECT_EQ(console.lines.value(console.lines.size() - 1), QStringLiteral("err: Прервано"))
        << console.lines.join(u'\n').toStdString();
    const QStringList files = QDir(logs).entryList({QStringLiteral("*.log")}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    QFile log(QDir(logs).filePath(files[0]));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = from_cp1251(log.read(1 << 20));
    EXPECT_TRUE(text.contains(QStringLiteral("Cmd Enter Direct LO_data = 61000")));
    EXPECT_FALSE(text.contains(QStringLiteral("HI_data"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" : Прервано\"")));
}
