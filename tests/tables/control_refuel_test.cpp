// "Контрольная заправка" in the window: the level before, the table asked
// for, the litres asked, the level after, the verdict in the run log.
#include "table_rig.h"

#include "protocol/requests.h"
#include "tables/control_refuel.h"

#include <gtest/gtest.h>

TEST(ControlRefuel, BeforeLitresAfterAndTheVerdictInTheRunLog) {
    TableRig rig;
    rig.f.firmware_version = 176;
    QStringList cells;
    for (int k = 0; k < 20; ++k) cells << QString::number(100 + 100 * k);
    for (int k = 0; k < 20; ++k) cells << QString::number(20 + 20 * k);
    set_cell_texts(rig.t, cells);
    ControlRefuel r;

    rig.f.Uroven.set_text(kNoData);
    EXPECT_TRUE(control_refuel_click(rig.c, r, 2).isEmpty());
    EXPECT_FALSE(r.before);
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);

    rig.f.Uroven.set_text(QStringLiteral("50"));
    EXPECT_TRUE(control_refuel_click(rig.c, r, 2).startsWith(QStringLiteral("Уровень до: 50.")));
    EXPECT_EQ(rig.c.exchange.pending(), request::read_table(1)); // the sensor's table first

    rig.f.Uroven.set_text(QStringLiteral("1000"));
    rig.dialogs.inputs = {QStringLiteral("сто"), std::nullopt, QStringLiteral("182")};
    EXPECT_TRUE(control_refuel_click(rig.c, r, 2).isEmpty()); // not a number: said, still waiting
    EXPECT_TRUE(control_refuel_click(rig.c, r, 2).isEmpty()); // cancelled: still waiting
    EXPECT_TRUE(r.before);
    EXPECT_EQ(control_refuel_click(rig.c, r, 2),
              QStringLiteral("Уровень до 50, после 1000; залито 182 л, по таблице 190.0 л; "
                             "разница 8.0 л (2.0 % от 400 л), допуск 2 %: годно"));
    EXPECT_FALSE(r.before);
    ASSERT_TRUE(r.last);
    EXPECT_TRUE(r.last->within);
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);
    const QStringList log = rig.log_lines();
    EXPECT_TRUE(log.contains(QStringLiteral("Контрольная заправка: уровень до 50")));
    EXPECT_EQ(log.last(), QStringLiteral("Контрольная заправка: уровень до 50, после 1000; "
                                         "predicted 190.0 l, added 182 l, difference 8.0 l "
                                         "(2.0 %): годно"));
}
