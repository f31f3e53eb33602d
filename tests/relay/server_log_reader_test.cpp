// Stepping through a server log: each answer replayed through the exchange
// cycle, one "след. запись" box apiece, port and run log left alone.
#include "relay/relay_generator.h"
#include "relay/server_log_reader.h"

#include "../support/configurator_rig.h"
#include "../support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

const QString kStateAnswer = "3E05F0152C03C1B0130060EA000050BD01001000260F0560"; // level 812
const char* const kNotHex = "В строке имеются символы не принадлежащие HEX";

struct ReaderRig : ConfiguratorRig {
    ReaderRig() { wire_relay(c, {}); }
    // Writes the log and presses `rdf`, choosing it.
    QStringList read(const QByteArray& content) {
        const QString path = dir.filePath("server.log");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        return read_path(path);
    }
    QStringList read_path(const QString& path) {
        dialogs.files.assign(1, path);
        port.calls.clear();
        f.rdf.click();
        return dialogs.texts();
    }
};

} // namespace

TEST(ServerLogReader, ReplaysEachAnswerWithoutPortOrRunLog) {
    ReaderRig r;
    r.f.chosen_file = "firmware.cri";
    const QStringList log_before = r.log_lines();
    QStringList seen; // what the display showed while each box was open
    r.dialogs.during_message = [&] { seen << r.f.Uroven.text() + " | " + r.f.MsgCom.text(); };
    const QStringList texts =
        r.read("485=10:3E05FAA1 heading, never an answer\r\n"
               "2026-12-06 10:00:01 S485=23:" +
               kStateAnswer.toLatin1() +
               "\r\n"
               "no marker here\r\n"
               "x 485=9:3E05FA\r\n" // one digit: not an answer
               "10:00:02 485=04:" +
               frame("3E05FA").toHex().toUpper() + "\n"); // LF alone ends a line too
    EXPECT_EQ(texts, QStringList({"след. запись", "след. запись", "больше записей нет"}));
    EXPECT_EQ(seen, QStringList({"812 |  Получены данные.", "812 |  Установлен нижний уровень.",
                                 "812 |  Установлен нижний уровень."}));
    EXPECT_TRUE(r.port.calls.isEmpty());
    EXPECT_EQ(r.log_lines(), log_before);
    EXPECT_FALSE(r.f.replay_mode);
    EXPECT_EQ(r.f.chosen_file, "firmware.cri"); // the reader keeps its own path
    EXPECT_EQ(r.f.server_log_file, r.dir.filePath("server.log"));
}

TEST(ServerLogReader, EndsAndFailures) {
    const struct {
        QByteArray content; // "(missing)": no file at all
        QStringList texts;
    } rows[] = {
        {"only a heading 485=10:3E05FA\r\n", {"больше записей нет"}},
        {"", {"Нет такого файла"}}, // an empty file is no server log
        {"(missing)", {"Нет такого файла"}},
        // A bad answer ends the reading; the answer after it is not replayed.
        {"head\r\n485=10:3EZZ\r\n485=10:" + frame("3E05FA").toHex().toUpper() + "\r\n",
         {kNotHex, "Нет такого файла"}},
    };
    for (const auto& row : rows) {
        ReaderRig r;
        const QStringList texts = row.content == "(missing)"
                                      ? r.read_path(r.dir.filePath("absent.log"))
                                      : r.read(row.content);
        EXPECT_EQ(texts, row.texts) << row.content.toStdString();
        EXPECT_FALSE(r.f.replay_mode);
        EXPECT_EQ(r.f.MsgCom.text(), "") << row.content.toStdString(); // nothing replayed
    }
    ReaderRig cancelled;
    cancelled.f.rdf.click(); // the chooser cancelled
    EXPECT_TRUE(cancelled.dialogs.messages.empty());
}

TEST(ServerLogReader, APortOpenedMeanwhileStopsTheReading) {
    ReaderRig r;
    r.dialogs.during_message = [&] {
        if (!r.port.IsOpen()) r.open();
    };
    const QStringList texts =
        r.read("head\n485=23:" + kStateAnswer.toLatin1() + "\n485=23:" + kStateAnswer.toLatin1());
    EXPECT_EQ(texts, QStringList({"след. запись", kReadingStopped}));
    EXPECT_FALSE(r.f.replay_mode);
}

TEST(ServerLogReader, TheCycleRefusesAReplayWhileATickWaits) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.port.hold_reads = true;
    r.tick(); // waits for its reply
    r.replay(hex(kStateAnswer.toLatin1()));
    EXPECT_EQ(r.dialogs.texts(), QStringList{kReplayRefused});
    EXPECT_FALSE(r.f.replay_mode); // the running tick still logs
    EXPECT_EQ(r.f.Uroven.text(), kNoData);
    r.port.incoming = hex(kStateAnswer.toLatin1());
    ASSERT_TRUE(r.port.complete_read());
    EXPECT_EQ(r.f.Uroven.text(), "812");
}
