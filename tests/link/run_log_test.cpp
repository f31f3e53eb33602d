#include "link/run_log.h"
#include "link/text_files.h"
#include "protocol/cp1251.h"

#include "../support/configurator_rig.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QByteArray read_all(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}
} // namespace

TEST(RunLog, FileNameAndStartRecordAreByteExact) {
    QTemporaryDir dir;
    FakeClock clock;
    RunLog log(clock);
    const QString folder = dir.filePath("log");
    ASSERT_TRUE(log.create(folder));
    EXPECT_TRUE(log.path().endsWith("/log/06122026_180216.log"));
    EXPECT_EQ(read_all(log.path()), QByteArray("\"Start: 06.12.2026 18:02:16\r\n\"\r\n"));

    clock.t = QDateTime(QDate(2026, 12, 6), QTime(18, 5, 0));
    ASSERT_TRUE(log.str_to_log("Com Port COM3 Closed"));
    ASSERT_TRUE(log.str_to_log(QStringLiteral("Устройства в сети 5 12 ")));
    EXPECT_EQ(read_all(log.path()),
              QByteArray("\"Start: 06.12.2026 18:02:16\r\n\"\r\n"
                         "\"18:05:00 : Com Port COM3 Closed\"\r\n\"18:05:00 : ") +
                  to_cp1251(QStringLiteral("Устройства в сети 5 12 ")) + "\"\r\n");
}

TEST(RunLog, ReplayKeepsTheLogSilentAndASecondRunTruncates) {
    ConfiguratorRig r;
    r.f.replay_mode = 1;
    r.c.str_to_log("hidden");
    r.f.replay_mode = 0;
    r.c.str_to_log("shown");
    EXPECT_EQ(r.log_lines(), QStringList{"shown"});

    RunLog again(r.clock); // same second: same file, started afresh
    ASSERT_TRUE(again.create(r.dir.path()));
    EXPECT_EQ(read_all(again.path()), QByteArray("\"Start: 06.12.2026 18:02:16\r\n\"\r\n"));
}

TEST(RunLog, UniqueRunsInOneSecondKeepEveryFile) {
    QTemporaryDir dir;
    FakeClock clock;
    RunLog first(clock), second(clock), third(clock);
    ASSERT_TRUE(first.create_unique(dir.path()));
    ASSERT_TRUE(first.str_to_log("first run"));
    ASSERT_TRUE(second.create_unique(dir.path()));
    ASSERT_TRUE(third.create_unique(dir.path()));
    EXPECT_TRUE(first.path().endsWith("/06122026_180216.log"));
    EXPECT_TRUE(second.path().endsWith("/06122026_180216_2.log"));
    EXPECT_TRUE(third.path().endsWith("/06122026_180216_3.log"));
    EXPECT_TRUE(read_all(first.path()).contains("first run"));
    EXPECT_EQ(read_all(third.path()), QByteArray("\"Start: 06.12.2026 18:02:16\r\n\"\r\n"));

    RunLog nowhere(clock);
    QString why;
    EXPECT_FALSE(nowhere.create_unique(first.path() + "/sub", &why)); // a file is in the way
    EXPECT_FALSE(why.isEmpty());
}

TEST(RunLog, FallsBackToThePerUserFolder) {
    QTemporaryDir dir;
    const QString program = dir.filePath("prog");
    const QString user = dir.filePath("user");
    QDir().mkpath(program);
    // A file where the folder would go makes the program's folder unusable.
    QFile blocker(program + "/log");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(RunLog::choose_folder(program, user), user + "/log");
    EXPECT_EQ(RunLog::choose_folder(dir.filePath("fresh"), user), dir.filePath("fresh") + "/log");
    // Neither works: the per-user folder is the one tried, so the failure names it.
    EXPECT_EQ(RunLog::choose_folder(program, program + "/log/x"), program + "/log/x/log");
}

TEST(Cp1251, RoundTripAndLineEnds) {
    const QString text = QStringLiteral("Ёлка №5 ёж «Тарировка» °C");
    EXPECT_EQ(from_cp1251(to_cp1251(text)), text);
    EXPECT_EQ(to_cp1251(QStringLiteral("Аая")), QByteArray("\xC0\xE0\xFF"));
    EXPECT_EQ(to_cp1251(QStringLiteral("°")), QByteArray("\xB0"));

    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    ASSERT_TRUE(write_cp1251_lines(path, {QStringLiteral("Литры"), "12"}));
    EXPECT_EQ(read_all(path), to_cp1251(QStringLiteral("Литры")) + "\r\n12\r\n");
    QStringList lines;
    ASSERT_TRUE(read_cp1251_lines(path, &lines));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Литры"), "12"}));
    EXPECT_FALSE(read_cp1251_lines(dir.filePath("missing"), &lines));
}
