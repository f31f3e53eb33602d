#include "link/run_log.h"
#include "link/text_files.h"
#include "protocol/cp1251.h"

#include "../support/configurator_rig.h"
#include "../support/file_faults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

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

TEST(RunLog, ReplayKeepsTheLogSilent) {
    ConfiguratorRig r;
    r.f.replay_mode = true;
    r.c.str_to_log("hidden");
    r.f.replay_mode = false;
    r.c.str_to_log("shown");
    EXPECT_EQ(r.log_lines(), QStringList{"shown"});
}

TEST(RunLog, UniqueRunsInOneSecondKeepEveryFile) {
    QTemporaryDir dir;
    FakeClock clock;
    RunLog first(clock), second(clock), third(clock);
    ASSERT_TRUE(first.create(dir.path()));
    ASSERT_TRUE(first.str_to_log("first run"));
    ASSERT_TRUE(second.create(dir.path()));
    ASSERT_TRUE(third.create(dir.path()));
    EXPECT_TRUE(first.path().endsWith("/06122026_180216.log"));
    EXPECT_TRUE(second.path().endsWith("/06122026_180216_2.log"));
    EXPECT_TRUE(third.path().endsWith("/06122026_180216_3.log"));
    EXPECT_TRUE(read_all(first.path()).contains("first run"));
    EXPECT_EQ(read_all(third.path()), QByteArray("\"Start: 06.12.2026 18:02:16\r\n\"\r\n"));

    RunLog nowhere(clock);
    QString why;
    EXPECT_FALSE(nowhere.create(first.path() + "/sub", &why)); // a file is in the way
    EXPECT_FALSE(why.isEmpty());
}

TEST(RunLog, RecordsThatCannotBeWrittenWaitInMemoryAndNoneIsLost) {
    // Each row breaks the log after record "a", logs "b" and "c", mends it
    // and logs "d".  `notice`: the caller hears (once) that records are held.
    using Fault = std::function<std::shared_ptr<void>(const QString& file, const QString& folder)>;
    struct Row {
        const char* name;
        Fault fault;
        bool notice;
        bool keeps_a; // the old file, with "a" in it, is still there
    };
    const Row rows[] = {
        {"file read-only",
         [](const QString& file, const QString& folder) {
             return std::make_shared<ReadOnlyPaths>(QStringList{file, folder});
         },
         true, true},
        {"disk full",
         [](const QString& file, const QString&) {
             return std::make_shared<FileSizeLimit>(QFileInfo(file).size());
         },
         true, true},
        {"file deleted, folder read-only",
         [](const QString& file, const QString& folder) {
             QFile::remove(file);
             return std::make_shared<ReadOnlyPaths>(QStringList{folder});
         },
         true, false},
        {"file deleted",
         [](const QString& file, const QString&) {
             QFile::remove(file);
             return std::shared_ptr<void>();
         },
         false, false},
        {"folder deleted",
         [](const QString&, const QString& folder) {
             QDir(folder).removeRecursively();
             return std::shared_ptr<void>();
         },
         false, false},
    };
    const QByteArray start = "\"Start: 06.12.2026 18:02:16\r\n\"\r\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        FakeClock clock;
        RunLog log(clock);
        QStringList notices;
        log.on_unwritable = [&](const QString& why) { notices.append(why); };
        const QString folder = dir.filePath("log");
        ASSERT_TRUE(log.create(folder));
        auto at = [&](int minute, const char* m) {
            clock.t = QDateTime(QDate(2026, 12, 6), QTime(18, minute, 0));
            return log.str_to_log(m);
        };
        EXPECT_TRUE(at(3, "a"));
        {
            const std::shared_ptr<void> fault = row.fault(log.path(), folder);
            EXPECT_EQ(at(4, "b"), !row.notice);
            EXPECT_EQ(at(5, "c"), !row.notice);
            EXPECT_EQ(log.held(), row.notice ? 2 : 0);
        }
        EXPECT_EQ(notices.size(), row.notice ? 1 : 0) << notices.join('|').toStdString();
        EXPECT_TRUE(at(6, "d"));
        EXPECT_EQ(log.held(), 0);
        EXPECT_EQ(read_all(log.path()), start + (row.keeps_a ? "\"18:03:00 : a\"\r\n" : "") +
                                            "\"18:04:00 : b\"\r\n\"18:05:00 : c\"\r\n"
                                            "\"18:06:00 : d\"\r\n");
    }
}

TEST(RunLog, MemoryKeepsTheNewestRecordsAndTheFileSaysHowManyWereLost) {
    QTemporaryDir dir;
    FakeClock clock;
    RunLog log(clock);
    ASSERT_TRUE(log.create(dir.path()));
    int notices = 0;
    log.on_unwritable = [&](const QString&) { ++notices; };
    {
        ReadOnlyPaths read_only({log.path()});
        for (int i = 0; i < RunLog::kMaxHeld + 3; ++i) log.str_to_log(QString::number(i));
        EXPECT_EQ(log.held(), RunLog::kMaxHeld);
    }
    EXPECT_TRUE(log.str_to_log("back"));
    EXPECT_EQ(notices, 1);
    const QList<QByteArray> lines = read_all(log.path()).split('\n');
    // Start record (two lines), the loss, the newest kMaxHeld records with
    // "back" the last of them, and the empty piece after the last line end.
    ASSERT_EQ(lines.size(), 2 + 1 + RunLog::kMaxHeld + 1);
    EXPECT_EQ(lines[2],
              "\"18:02:16 : " + to_cp1251(QStringLiteral("Потеряно записей журнала: 4")) + "\"\r");
    EXPECT_EQ(lines[3], "\"18:02:16 : 4\"\r");
    EXPECT_EQ(lines[lines.size() - 2], "\"18:02:16 : back\"\r");
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

    // Run from the folder it was installed to, it logs in the per-user folder
    // even where it could write beside itself, and leaves nothing there; the
    // same folder reached through a link counts too.
    const QString installed = dir.filePath("usr/bin");
    QDir().mkpath(installed);
    ASSERT_TRUE(QFile::link(dir.filePath("usr/bin"), dir.filePath("bin")));
    for (const QString& running_from :
         QStringList{installed, dir.filePath("bin"), installed + "/"}) {
        EXPECT_EQ(RunLog::choose_folder(running_from, user, installed), user + "/log");
        EXPECT_EQ(RunLog::choose_folder(running_from, user, dir.filePath("bin")), user + "/log");
    }
    EXPECT_FALSE(QFileInfo::exists(installed + "/log"));
    // Anywhere else the rule above holds.
    EXPECT_EQ(RunLog::choose_folder(dir.filePath("fresh"), user, installed),
              dir.filePath("fresh") + "/log");
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
    ASSERT_TRUE(read_cp1251_lines(path, 100, &lines));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Литры"), "12"}));
}
