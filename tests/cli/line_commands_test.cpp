// zorvik-cli diag and listen against zorvik-sim on a pseudo-terminal: each
// fault drives its conclusion with exact counts, a clean line gives none, and
// a line another master polls at full speed is heard frame by frame.
#include "protocol/frame_codec.h"

#include "cli_process.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {
// The figures line without its latencies, which the pty's timing moves.
QString counts(const QString& out) {
    static const QRegularExpression latency(QStringLiteral(" p50=.*$"),
                                            QRegularExpression::MultilineOption);
    QString s = out;
    return s.replace(latency, QString());
}

uint32_t u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<uint32_t>(b.constData() + at);
}
} // namespace

TEST(CliLineCommands, DiagTellsEachFault) {
    const QString ok20 = QStringLiteral("sent=20 answered=20 silent=0 badcrc=0 other=0");
    const struct {
        QStringList sim_options;
        QStringList addresses;
        int status;
        QString out; // the figures lines without latencies, then the hints' starts
    } rows[] = {
        {{}, {}, 0, QStringLiteral("5 ") + ok20 + u"\n12 " + ok20 + u"\n"},
        {{QStringLiteral("--faults=5:silent=100")},
         {QStringLiteral("--address=5")},
         1,
         QStringLiteral("5 sent=20 answered=0 silent=20 badcrc=0 other=0\nhint: никто не "
                        "отвечает\n")},
        {{QStringLiteral("--faults=5:badcrc=100")},
         {QStringLiteral("--address=5"), QStringLiteral("--address=12")},
         3,
         QStringLiteral("5 sent=20 answered=0 silent=0 badcrc=20 other=0\n12 ") + ok20 +
             u"\nhint: адрес 5: ответы с ошибкой CRC\n"},
        {{QStringLiteral("--faults=12:echo")},
         {QStringLiteral("--address=12")},
         0,
         QStringLiteral("12 ") + ok20 + u"\nhint: адрес 12: ответ начинается с байтов\n"},
        {{QStringLiteral("--faults=5:delay=150")},
         {QStringLiteral("--address=5")},
         0,
         QStringLiteral("5 ") + ok20 + u"\nhint: адрес 5: задержка ответа\n"},
        {{QStringLiteral("--faults=12:twin")},
         {},
         0,
         QStringLiteral("5 ") + ok20 + u"\n12 " + ok20 + u"\nhint: адрес 12: на один опрос сети\n"},
    };
    for (const auto& r : rows) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("line"));
        ZorvikSim sim(link, {QStringLiteral("5:163"), QStringLiteral("12:176")},
                      QStringList{QStringLiteral("--wire-timing")} + r.sim_options);
        ASSERT_TRUE(sim.ready());
        const Outcome o = run_cli(QStringList{QStringLiteral("--port"), link} + r.addresses +
                                      QStringList{QStringLiteral("diag"), QStringLiteral("--count"),
                                                  QStringLiteral("20")},
                                  dir.filePath(QStringLiteral("log")));
        // Each line begins as the row says: a hint is checked by its subject.
        const QStringList g = counts(o.out).split(u'\n'), w = r.out.split(u'\n');
        ASSERT_EQ(g.size(), w.size()) << show(o);
        for (qsizetype i = 0; i < g.size(); ++i)
            EXPECT_TRUE(g[i].startsWith(w[i])) << g[i].toStdString() << " / " << w[i].toStdString();
        EXPECT_EQ(o.status, r.status) << show(o);
        EXPECT_TRUE(
            o.out.contains(QRegularExpression(QStringLiteral("p50=\\d+\\.\\d p95=\\d+\\.\\d "
                                                             "max=\\d+\\.\\d\n"))))
            << show(o);
    }
}

TEST(CliLineCommands, ListenHearsEveryFrameAtFullSpeed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("line"));
    const QString pcap = dir.filePath(QStringLiteral("line.pcap"));
    // The demo line (1, 5, 12), polled back to back by another master.
    ZorvikSim sim(
        link, {},
        {QStringLiteral("--wire-timing"), QStringLiteral("--terminal"), QStringLiteral("0")});
    ASSERT_TRUE(sim.ready());
    const Outcome o =
        run_cli({QStringLiteral("--port"), link, QStringLiteral("listen"),
                 QStringLiteral("--count"), QStringLiteral("1000"), QStringLiteral("--pcap"), pcap},
                dir.filePath(QStringLiteral("log")));
    ASSERT_EQ(o.status, 0) << show(o);
    const QStringList lines = o.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1000);
    static const QRegularExpression shape(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  ([0-9A-F]{2}(?: [0-9A-F]{2})*)  (.+)$"));
    const uint8_t addresses[] = {1, 5, 12};
    const QByteArray file = read_file(pcap);
    ASSERT_GE(file.size(), 24);
    EXPECT_EQ(u32(file, 0), 0xA1B2C3D4u);
    EXPECT_EQ(qFromLittleEndian<uint16_t>(file.constData() + 4), 2);
    EXPECT_EQ(qFromLittleEndian<uint16_t>(file.constData() + 6), 4);
    EXPECT_EQ(u32(file, 20), 147u); // USER0
    qsizetype at = 24;
    uint64_t last_us = 0;
    // The polls in order, none missing: poll n asks the n % 3-th sensor, for
    // its state in even rounds and its identity in odd ones.
    for (int i = 0; i < 1000; ++i) {
        const auto m = shape.match(lines[i]);
        ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
        const int poll = i / 2;
        const uint8_t a = addresses[poll % 3];
        const bool identity = (poll / 3) % 2;
        const QByteArray bytes = QByteArray::fromHex(m.captured(1).toLatin1());
        if (i % 2 == 0) {
            QByteArray request;
            request.append(char(0x31)).append(char(a)).append(char(identity ? 0xFC : 0xF0));
            EXPECT_EQ(bytes, Control_summ(request)) << i;
            EXPECT_EQ(m.captured(2), QStringLiteral("запрос %1: %2")
                                         .arg(a)
                                         .arg(identity ? QStringLiteral("серийный номер и версия")
                                                       : QStringLiteral("состояние")))
                << i;
        } else {
            EXPECT_TRUE(m.captured(2).startsWith(QStringLiteral("ответ %1: ").arg(a))) << i;
            EXPECT_EQ(bytes.size(), identity ? 10 : (a == 12 ? 24 : 22)) << i;
        }
        // The same frame in the file, in order, its time never going back.
        ASSERT_LE(at + 16, file.size()) << i;
        const uint64_t t = uint64_t(u32(file, at)) * 1'000'000 + u32(file, at + 4);
        const uint32_t length = u32(file, at + 8);
        EXPECT_EQ(u32(file, at + 12), length);
        EXPECT_EQ(file.mid(at + 16, length), bytes) << i;
        EXPECT_GE(t, last_us) << i;
        last_us = t;
        at += 16 + length;
    }
    EXPECT_EQ(at, file.size());
}
