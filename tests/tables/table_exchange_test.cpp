// The table on the wire from the table window: requests, log lines, the mode
// write that follows a table write, and what is refused.
#include "table_rig.h"

#include "protocol/codes.h"

#include <gtest/gtest.h>

TEST(TableExchange, ReadQueuesTheRequestAndCommand6ShowsTheWindow) {
    TableRig r;
    r.t.rdTable.click();
    EXPECT_EQ(r.f.wrs, hex("3101EF19"));
    EXPECT_EQ(r.log_lines().last(), QStringLiteral("Cmd_ReadTable: "));
    EXPECT_FALSE(r.t.visible());

    r.f.wrs.clear();
    r.f.firmware_version = 176; // the button is there from 1.7.0 on
    swtag170(r.f);
    r.f.Command6.click();
    EXPECT_EQ(r.f.wrs, hex("3101EF19"));
    EXPECT_TRUE(r.t.visible());
    r.t.Command1.click(); // "Выйти" hides; the cells stay
    EXPECT_FALSE(r.t.visible());
    EXPECT_EQ(r.t.Text4[19]->text(), "4096");
}

TEST(TableExchange, WriteEncodesTheCellsWithTheTrailerFrom175) {
    struct Row {
        int version;
        int size;
        int data; // index of the first data byte
    };
    for (const Row& row : {Row{174, 84, 3}, Row{175, 87, 6}}) {
        SCOPED_TRACE(row.version);
        TableRig r;
        r.f.firmware_version = int16_t(row.version);
        r.t.Text3[0]->set_text(QStringLiteral("300"));
        r.t.wrmyTable.click();
        const QByteArray& w = r.f.wrs;
        ASSERT_EQ(w.size(), row.size);
        EXPECT_EQ(w.left(3), hex("3101F1"));
        EXPECT_EQ(w.mid(3, row.data - 3), row.version >= 175 ? write_trailer() : QByteArray());
        EXPECT_EQ(w.mid(row.data, 2), hex("00C8"));      // reading of point 0, 200
        EXPECT_EQ(w.mid(row.data + 38, 2), hex("1000")); // reading of point 19, 4096
        EXPECT_EQ(w.mid(row.data + 40, 2), hex("012C")); // litres of point 0, 300
        EXPECT_TRUE(reply_crc_ok(w));
        EXPECT_EQ(r.f.sec_wr_table, 2);
    }
    TableRig r;
    r.t.wrmyTable.click();
    EXPECT_EQ(r.log_lines().last(),
              QStringLiteral("Cmd_SetTable =  200, 400, 600, 800, 1000, 1200, 1400, 1600, 1800, "
                             "2000, 2200, 2400, 2600, 2800, 3000, 3200, 3400, 3600, 3800, 4096, "
                             "200, 400, 600, 800, 1000, 1200, 1400, 1600, 1800, 2000, 2200, 2400, "
                             "2600, 2800, 3000, 3200, 3400, 3600, 3800, 4096,"));
}

TEST(TableExchange, ModeWriteFollowsTwoTicksLaterWithTheWindowsBoxes) {
    TableRig r;
    r.f.firmware_version = 176;
    r.t.tartab.set_value(1); // ticks the main window's box too
    EXPECT_EQ(r.f.tartab1.value(), 1);
    r.t.per_sents.set_value(1);
    EXPECT_EQ(r.f.per_sents.value(), 1);
    r.t.wrmyTable.click();
    const QByteArray table_write = r.f.wrs;
    r.dialogs.answers.push_back(true); // "Сейчас будет изменен режим ..."

    r.tick();
    EXPECT_EQ(r.f.sec_wr_table, 1);
    EXPECT_EQ(r.port.writes.back(), table_write);
    r.tick();
    EXPECT_EQ(r.f.sec_wr_table, 0);
    const QByteArray mode = r.port.writes.back();
    ASSERT_GE(mode.size(), 7);
    EXPECT_EQ(uint8_t(mode[2]), CMD_SET_MODE);
    EXPECT_EQ(uint8_t(mode[6]) & 0x60, 0x60); // litres and percent
    r.tick();
    EXPECT_EQ(uint8_t(r.port.writes.back()[2]), CMD_READ_STATE);
}

TEST(TableExchange, BadCellsAddressOrPortQueueNothingAndChangeNoCell) {
    struct Row {
        const char* what;
        std::function<void(TableRig&)> setup;
        const char* status; // the start of the status line
        int marked;         // index of the cell marked, -1 for none
    };
    const Row rows[] = {
        {"letters", [](TableRig& r) { r.t.Text3[2]->set_text("abc"); },
         "Таблица не записана: строка 3, литры \"abc\"", 22},
        {"too large", [](TableRig& r) { r.t.Text4[19]->set_text("32768"); },
         "Таблица не записана: строка 20, показания \"32768\"", 19},
        {"negative", [](TableRig& r) { r.t.Text4[0]->set_text("-1"); },
         "Таблица не записана: строка 1, показания \"-1\"", 0},
        {"fraction", [](TableRig& r) { r.t.Text3[19]->set_text("12.5"); },
         "Таблица не записана: строка 20, литры \"12.5\"", 39},
        {"empty", [](TableRig& r) { r.t.Text4[5]->set_text(""); },
         "Таблица не записана: строка 6, показания \"\"", 5},
        {"no address", [](TableRig& r) { r.f.CmbNet.clear(); }, "Не выбран адрес датчика.", -1},
        {"port closed", [](TableRig& r) { r.f.BTNCloseCom.set_enabled(false); }, "Порт не открыт",
         -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TableRig r;
        row.setup(r);
        const QStringList before = r.cells();
        r.f.wrs = hex("3101F0FE"); // something pending stays pending
        r.t.wrmyTable.click();
        EXPECT_TRUE(r.f.MsgCom.text().startsWith(QString::fromUtf8(row.status)))
            << r.f.MsgCom.text().toStdString();
        EXPECT_EQ(r.f.wrs, hex("3101F0FE"));
        EXPECT_EQ(r.f.sec_wr_table, 0);
        EXPECT_EQ(r.cells(), before);
        for (int i = 0; i < 40; ++i) {
            const TextBox& cell = i < 20 ? *r.t.Text4[size_t(i)] : *r.t.Text3[size_t(i - 20)];
            EXPECT_EQ(cell.back_colour() != kWindowBackground, i == row.marked) << i;
        }
        if (row.marked < 0) { // the read is refused the same way
            r.t.rdTable.click();
            EXPECT_EQ(r.f.wrs, hex("3101F0FE"));
        }
    }
    // A good table afterwards clears the mark and goes out.
    TableRig r;
    r.t.Text3[2]->set_text("abc");
    r.t.wrmyTable.click();
    r.t.Text3[2]->set_text(" 600 ");
    r.t.wrmyTable.click();
    EXPECT_EQ(r.f.wrs.size(), 84);
    EXPECT_EQ(r.t.Text3[2]->back_colour(), kWindowBackground);
}

TEST(TableExchange, ReplyThatIsNoWholeTableChangesNoCell) {
    QByteArray payload;
    for (int i = 0; i < 40; ++i) payload.append(char(0)).append(char(i + 1));
    for (const QByteArray& reply :
         {Control_summ(hex("3E01EF") + payload.left(79)), // 83 bytes
          Control_summ(hex("3E01EF") + QByteArray(1, char(0x80)) + payload.mid(1))}) {
        SCOPED_TRACE(reply.size());
        TableRig r;
        const QStringList before = r.cells();
        r.receive(reply);
        EXPECT_EQ(r.cells(), before);
        EXPECT_NE(r.f.MsgCom.text(), QStringLiteral("Прочитана таблица."));
        EXPECT_FALSE(r.log_lines().join('\n').contains(QStringLiteral("Прочитана таблица")));
    }
}
