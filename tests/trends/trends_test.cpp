// The trends heard from the exchange: points, gaps, the spread of the raw
// reading, and the CSV recording with its refusals and a full disk.
#include "../support/configurator_rig.h"
#include "../support/file_faults.h"

#include "protocol/watch_row.h"
#include "trends/trends.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
// A 24-byte state reply from `address` with raw reading `current`.
QByteArray state(uint32_t current, uint8_t address = 5, int length = 24) {
    QByteArray b;
    b.append(char(0x3E)).append(char(address)).append(char(0xF0)).append(char(21));
    auto le = [&b](uint32_t v, int width) {
        for (int k = 0; k < width; ++k, v >>= 8) b.append(char(v & 0xFF));
    };
    le(812, 2);
    le(current, 4);
    le(60000, 4);
    le(114000, 4);
    le(16, 2);
    b.append(char(0x26)).append(char(15)).append(char(5));
    b.truncate(length - 1);
    return Control_summ(b);
}

struct TrendRig : ConfiguratorRig {
    Trends trends{c, 100};
    TrendRig() {
        open();
        select(5);
    }
    // The reply arrives `seconds` after the previous one.
    void reply_after(double seconds, const QByteArray& bytes) {
        clock.t = clock.t.addMSecs(qint64(seconds * 1000));
        receive(bytes);
    }
    QString file(const QString& name) const { return dir.filePath(name); }
};

QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(Trends, PointsGapsAndSpreadFromTheStateReplies) {
    TrendRig r;
    r.reply_after(1, state(100000));
    r.reply_after(1, state(100010));
    r.reply_after(3.5, state(100020));   // operations took the ticks: no gap
    r.reply_after(3.501, state(100030)); // longer is silence: a gap
    const TrendRing& ring = r.trends.ring();
    ASSERT_EQ(ring.size(), 4);
    const bool gaps[] = {false, false, false, true};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ring.at(i).gap_before, gaps[i]) << i;
    EXPECT_EQ(ring.at(1).t_ms - ring.at(0).t_ms, 1000);
    EXPECT_EQ(ring.at(2).current, 100020u);
    EXPECT_EQ(ring.at(2).level, 812);
    EXPECT_EQ(ring.at(2).temperature, 21);

    // Another sensor starts the trace afresh: no line through two sensors.
    r.reply_after(1, state(100040, 12));
    r.reply_after(1, state(100050, 12, 9)); // too short for the raw reading
    r.replay(state(7));                     // from a server log: not a reading of now
    ASSERT_EQ(ring.size(), 2);
    EXPECT_EQ(ring.at(0).address, 12);
    EXPECT_EQ(ring.at(1).address, 12);
    EXPECT_TRUE(ring.at(1).carries(TrendSeries::Level));
    EXPECT_FALSE(ring.at(1).carries(TrendSeries::Current));

    // A clock set back keeps the ring in order and counts as a gap.
    r.reply_after(-60, state(100060, 12));
    EXPECT_EQ(ring.back().t_ms, ring.at(1).t_ms);
    EXPECT_TRUE(ring.back().gap_before);
}

TEST(Trends, StabilityHintOverTheLastTenReplies) {
    TrendRig r;
    const Stability& s = r.trends.stability();
    for (int i = 0; i < 9; ++i) r.reply_after(1, state(99960 + uint32_t(i % 3) * 10));
    EXPECT_EQ(s.hint(), QString());  // nine replies: not yet
    r.reply_after(1, state(100000)); // the spread is 40 of 100000: 1/2500 is still steady
    EXPECT_EQ(s.hint(), QStringLiteral("стабильно, разброс 40"));
    EXPECT_TRUE(s.steady());
    r.reply_after(1, state(99959)); // 41 is not
    EXPECT_EQ(s.hint(), QStringLiteral("меняется, разброс 41"));
    r.reply_after(5, state(100000)); // after a gap it starts over
    EXPECT_EQ(s.hint(), QString());
}

TEST(Trends, RecordsOneRowPerStateReply) {
    TrendRig r;
    const QString path = r.file("out.csv");
    r.reply_after(1, state(100000)); // before the recording: not in it
    ASSERT_EQ(r.trends.start_recording(path), QString());
    r.reply_after(1, state(100001));
    const QDateTime second = r.clock.t;
    r.reply_after(1, state(100002, 5, 21)); // without the configuration bytes
    r.replay(state(7));
    r.trends.stop_recording();
    r.reply_after(1, state(100003));

    const QByteArray expected =
        kWatchHeader.toUtf8() + '\n' + watch_row(decode_state(state(100001)), second).toUtf8() +
        '\n' + watch_row(decode_state(state(100002, 5, 21)), r.clock.t.addSecs(-1)).toUtf8() + '\n';
    EXPECT_EQ(read_all(path), expected);
    EXPECT_TRUE(expected.contains(",5,812,100001,60000,114000,21,16,38,15,5\n"));

    // Recording again continues the file without a second header, a row cut
    // off (the program killed mid-write) ended first.
    {
        QFile cut(path);
        ASSERT_TRUE(cut.open(QIODevice::Append));
        cut.write(",5,81");
    }
    ASSERT_EQ(r.trends.start_recording(path), QString());
    r.reply_after(1, state(100004));
    EXPECT_EQ(read_all(path).count(kWatchHeader.toUtf8()), 1);
    EXPECT_TRUE(read_all(path).contains(",5,81\n"));
    EXPECT_TRUE(read_all(path).endsWith(",100004,60000,114000,21,16,38,15,5\n"));
    EXPECT_TRUE(r.log_lines().contains(QStringLiteral("Запись в CSV: ") + path));
}

TEST(Trends, RefusesWhatIsNoRecording) {
    TrendRig r;
    QFile foreign(r.file("notes.csv"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("name,phone\n");
    foreign.close();
    ASSERT_EQ(::mkfifo(QFile::encodeName(r.file("fifo")).constData(), 0600), 0);
    QDir(r.dir.path()).mkdir(QStringLiteral("folder"));
    struct Row {
        QString path;
        QString message;
    } rows[] = {
        {r.file("notes.csv"), r.file("notes.csv") + " содержит не запись показаний."},
        {r.file("fifo"), r.file("fifo") + ": это не файл"},
        {r.file("folder"), r.file("folder") + ": Is a directory"},
        {r.file("no/such/folder.csv"),
         r.file("no/such/folder.csv") + ": No such file or directory"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(r.trends.start_recording(row.path),
                  QStringLiteral("Запись не начата: ") + row.message);
        EXPECT_FALSE(r.trends.recorder().recording());
    }
    EXPECT_EQ(read_all(r.file("notes.csv")), QByteArray("name,phone\n"));
}

TEST(Trends, AFullDiskStopsTheRecordingAndKeepsWholeRows) {
    TrendRig r;
    const QString path = r.file("out.csv");
    ASSERT_EQ(r.trends.start_recording(path), QString());
    r.reply_after(1, state(100001));
    const QByteArray before = read_all(path);
    {
        // Room for half a row more.
        FileSizeLimit full(rlim_t(before.size() + 25));
        r.reply_after(1, state(100002));
        EXPECT_FALSE(r.trends.recorder().recording());
        r.reply_after(1, state(100003));
    }
    EXPECT_EQ(read_all(path), before);
    // Said plainly, and as a notice: the exchange cycle goes on behind it.
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.notices, 1);
    const QString message = r.dialogs.messages[0].text;
    EXPECT_EQ(message, QStringLiteral("Запись в CSV остановлена: ") + path +
                           ": файл достиг предельного размера. Записанное сохранено.");
    EXPECT_EQ(r.trends.recording_error(), message);
    // The readings go on without it.
    EXPECT_EQ(r.trends.ring().size(), 3);
}

TEST(Trends, ARecordingWhoseFolderIsDeletedStopsAndSaysSo) {
    TrendRig r;
    QDir(r.dir.path()).mkdir(QStringLiteral("run"));
    const QString path = r.file("run/out.csv");
    ASSERT_EQ(r.trends.start_recording(path), QString());
    r.reply_after(1, state(100001));
    ASSERT_TRUE(QDir(r.file("run")).removeRecursively());
    r.reply_after(1, state(100002));
    EXPECT_FALSE(r.trends.recorder().recording());
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].text, QStringLiteral("Запись в CSV остановлена: ") + path +
                                              ": файл удалён или перемещён. Записанное сохранено.");
}
