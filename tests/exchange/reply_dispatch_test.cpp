#include "../support/configurator_rig.h"
#include "../support/snapshot.h"

#include "exchange/reply_dispatch.h"
#include "ui/tones.h"

#include <gtest/gtest.h>

namespace {
const std::pair<int, int> kConfirm{kConfirmHz, kConfirmMs};
const std::pair<int, int> kError{kErrorHz, kErrorMs};

struct DispatchRig : ConfiguratorRig {
    DispatchRig() {
        open();
        select(5);
        tones.played.clear();
    }
    // Lines the run log gained while `bytes` were handled.
    QStringList lines_for(const QByteArray& bytes) {
        const qsizetype before = log_lines().size();
        receive(bytes);
        return log_lines().mid(before);
    }
};
} // namespace

// Each confirmation on its own line: its status text, run-log record, tone and
// boxes, in tests/exchange/golden/confirmations.txt.  A reply arriving also
// means the no-answer record of the tick before never appears.
TEST(ReplyDispatch, ConfirmationsShowLogAndBeep) {
    QString out;
    for (const char* code :
         {"FA", "F5", "FB", "F6", "F9", "F4", "F8", "F7", "ED", "EC", "F1", "AA"}) {
        DispatchRig r;
        const QStringList lines = r.lines_for(frame(QByteArray("3E05") + code));
        out += QStringLiteral("%1 status \"%2\" log %3 tones %4 boxes %5\n")
                   .arg(QString::fromLatin1(code), r.f.MsgCom.text(), lines.join(u'|'))
                   .arg(r.tones.played.size() == 1 && r.tones.played[0] == kConfirm
                            ? QStringLiteral("confirm")
                            : QString::number(r.tones.played.size()))
                   .arg(r.dialogs.messages.size());
    }
    EXPECT_TRUE(matches_golden(out, golden_path(__FILE__, "confirmations.txt")));
}

TEST(ReplyDispatch, SetEmptyConfirmationExactBytes) {
    DispatchRig r;
    EXPECT_EQ(frame("3E05FA"), hex("3E05FADF"));
    EXPECT_EQ(r.lines_for(hex("3E05FADF")),
              QStringList({QStringLiteral(" Установлен нижний уровень.")}));
    EXPECT_EQ(r.tones.played, (std::vector<std::pair<int, int>>{kConfirm}));
}

TEST(ReplyDispatch, WrongPasswordIsRedUntilTheNextReply) {
    DispatchRig r;
    EXPECT_EQ(r.lines_for(hex("3E05FD5C")), QStringList({QStringLiteral("Неверный пароль.")}));
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Неверный пароль."));
    EXPECT_EQ(r.f.MsgCom.fore_colour(), kRed);
    EXPECT_EQ(r.tones.played, (std::vector<std::pair<int, int>>{kError}));
    r.receive(frame("3E05F8"));
    EXPECT_EQ(r.f.MsgCom.fore_colour(), kDarkGreen);
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Пароль принят."));
}

TEST(ReplyDispatch, FrequencyModeNotice) {
    DispatchRig r;
    EXPECT_TRUE(r.lines_for(hex("3E05FE01F40F")).isEmpty());
    EXPECT_EQ(r.f.Uroven.text(), QStringLiteral("500 Гц."));
    EXPECT_EQ(r.f.ur.text(), QStringLiteral("Частота"));
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Датчик в частотном режиме."));
    EXPECT_TRUE(r.f.freq_mode);
    EXPECT_TRUE(r.tones.played.empty());
}

TEST(ReplyDispatch, AlarmLevelAndPasswordNote) {
    DispatchRig r;
    EXPECT_EQ(r.lines_for(hex("3E05EE0F80")),
              QStringList({QStringLiteral("Уст. новый уровень ав. ост. топлива.")}));
    EXPECT_EQ(r.f.lamp_level.text(), "15");
    EXPECT_TRUE(r.lines_for(frame("3E0506")).isEmpty());
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Пар."));
    EXPECT_EQ(r.tones.played.size(), 1u);
}

TEST(ReplyDispatch, UnrecognisedCode) {
    DispatchRig r;
    EXPECT_EQ(r.lines_for(hex("3E051048")),
              QStringList({QStringLiteral("Непонятно что пришло!"),
                           QStringLiteral("Ответ не соответствует запросу")}));
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Непонятно что пришло! "));
    EXPECT_EQ(r.dialogs.texts(), QStringList({QStringLiteral("Ответ не соответствует запросу")}));
    EXPECT_EQ(r.dialogs.notices, 1); // shown without holding up the exchange
    EXPECT_EQ(r.tones.played, (std::vector<std::pair<int, int>>{kError, kError}));
}

TEST(ReplyDispatch, RepliesTooShortForTheirCodeAreNotUnderstood) {
    for (const QByteArray& bytes : {frame("3E05F2"), frame("3E05FE"),
                                    frame(QByteArray("3E05EF").append(QByteArray(158, '1')))}) {
        SCOPED_TRACE(bytes.size());
        DispatchRig r;
        r.receive(bytes);
        EXPECT_EQ(r.dialogs.texts(),
                  QStringList({QStringLiteral("Ответ не соответствует запросу")}));
        EXPECT_FALSE(r.f.freq_mode);
    }
    // An identity reply that short only shows that the serial is unknown.
    DispatchRig r;
    r.receive(frame("3E05FC1234"));
    EXPECT_TRUE(r.dialogs.messages.empty());
    EXPECT_EQ(r.f.sn.text(), "????????");
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Получен С/Н и вер. прошивки"));
}

TEST(ReplyDispatch, ModeConfirmationUsesTheExtendedByteFrom175On) {
    for (int version : {174, 176}) {
        SCOPED_TRACE(version);
        DispatchRig r;
        r.f.firmware_version = int16_t(version);
        r.c.exchange.refresh_settings_next();
        r.receive(frame("3E05F289A5"));
        EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Установлен новый режим."));
        EXPECT_EQ(r.f.iinv.value(), 1);
        EXPECT_EQ(r.f.usredn.value(), 1);
        EXPECT_EQ(r.f.D_4096.value(), 1);
        EXPECT_EQ(r.f.mode_text, "137");
        EXPECT_FALSE(r.c.exchange.settings_refresh_due());
        const bool extended = version > 174;
        EXPECT_EQ(r.f.sgla.text(), extended ? "5" : "0");
        EXPECT_EQ(r.f.Termokompens.value(), extended ? 1 : 0);
        EXPECT_EQ(r.f.dr_quality.value(), extended ? 1 : 0);
        EXPECT_EQ(r.f.naklon.value(), 0);
    }
}

TEST(ReplyDispatch, StateReplyWithAWrongCrcIsIgnored) {
    DispatchRig r;
    QByteArray bytes = frame("3E05F0152C03C1B0130060EA000050BD01001000260F05");
    bytes.back() = char(bytes.back() ^ 1);
    r.receive(bytes);
    EXPECT_EQ(r.f.Uroven.text(), kNoData);
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Датчик подключен"));
    EXPECT_TRUE(r.dialogs.messages.empty());
    // Other replies act whatever their CRC byte.
    r.receive(hex("3E05FA00"));
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Установлен нижний уровень."));
}

TEST(ReplyDispatch, TableReplyFillsTheCellsAndLogsTheValues) {
    DispatchRig r;
    // Points (100, 5), (200, 10) ... (2000, 100), every value high byte first.
    QByteArray bytes = hex("3E05EF");
    auto put = [&bytes](int v) { bytes.append(char(v >> 8)).append(char(v & 0xFF)); };
    for (int k = 1; k <= 20; ++k) put(100 * k);
    for (int k = 1; k <= 20; ++k) put(5 * k);
    bytes = Control_summ(bytes);
    ASSERT_EQ(bytes.size(), 84);
    EXPECT_EQ(bytes.mid(3, 2), hex("0064"));
    EXPECT_EQ(bytes.mid(43, 2), hex("0005"));

    const QStringList lines = r.lines_for(bytes);
    EXPECT_EQ(r.c.table_window.reading_cells[0]->text(), "100");
    EXPECT_EQ(r.c.table_window.litre_cells[0]->text(), "5");
    EXPECT_EQ(r.c.table_window.reading_cells[19]->text(), "2000");
    EXPECT_EQ(r.c.table_window.litre_cells[19]->text(), "100");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Прочитана таблица = 100, 200, 300, ")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral(", 1900, 2000, 5, 10, 15, ")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(", 95, 100, ")));
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Прочитана таблица."));
    EXPECT_EQ(r.tones.played, (std::vector<std::pair<int, int>>{kConfirm}));
}

TEST(ReplyDispatch, IdentityAndTableRepliesWithABadCrcChangeNothing) {
    DispatchRig r;
    QByteArray identity = frame("3E05FC39300000B000"); // a 1.7.6 sensor
    identity.back() = char(identity.back() ^ 0x55);
    EXPECT_EQ(r.lines_for(identity), QStringList{kBadCrcText});
    EXPECT_EQ(r.f.MsgCom.text(), kBadCrcText);
    EXPECT_EQ(r.f.firmware_version, 0);
    EXPECT_EQ(r.f.sn.text(), "0");
    EXPECT_FALSE(r.f.smoothing_slider.visible());

    QByteArray table = frame(QByteArray("3E05EF").append(QByteArray(160, '1')));
    table.back() = char(table.back() ^ 0x55);
    EXPECT_EQ(r.lines_for(table), QStringList{kBadCrcText});
    EXPECT_EQ(r.c.table_window.reading_cells[0]->text(), "200"); // the cells keep what they held
    EXPECT_TRUE(r.dialogs.messages.empty());

    // The same replies with their CRC right are applied.
    r.receive(frame("3E05FC39300000B000"));
    EXPECT_EQ(r.f.firmware_version, 176);
    r.receive(frame(QByteArray("3E05EF").append(QByteArray(160, '1'))));
    EXPECT_EQ(r.c.table_window.reading_cells[0]->text(), "4369"); // 0x1111
}
