#include "../support/configurator_rig.h"

#include "exchange/data_age.h"

#include <gtest/gtest.h>

namespace {
// A state reply of the sensor at address 5.
const QByteArray kState = QByteArray::fromHex("3E05F0152C03C1B0130060EA000050BD01001000260F0560");
} // namespace

TEST(DataAge, ValuesGoStaleWhenATickIsMissedOrTheAddressChanges) {
    ConfiguratorRig r;
    wire_data_age(r.c);
    int changes = 0;
    r.c.data_age.on_change = [&] { ++changes; };
    r.open();
    r.select(5);
    const DataAge& age = r.c.data_age;
    EXPECT_TRUE(age.stale());
    EXPECT_EQ(age.note(r.clock.t), QStringLiteral("нет данных от датчика"));

    r.receive(kState);
    ASSERT_FALSE(age.stale());
    EXPECT_EQ(age.note(r.clock.t), QString());
    const QDateTime heard = r.clock.t;

    // A tick without an answer: the values are stale, and say how old.
    r.clock.t = heard.addSecs(3);
    r.receive({});
    EXPECT_TRUE(age.stale());
    EXPECT_EQ(age.note(r.clock.t.addSecs(4)), QStringLiteral("обновлено 7 с назад"));
    // A clock set back makes no negative age.
    EXPECT_EQ(age.note(heard.addSecs(-5)), QStringLiteral("обновлено 0 с назад"));
    // The status line keeps its own text.
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Нет ответа от датчика с адресом 5"));

    // The next state reply makes them fresh again.
    r.receive(kState);
    EXPECT_FALSE(age.stale());
    EXPECT_EQ(age.heard_at(), r.clock.t);

    // Another address: stale until the new sensor's state arrives.
    r.f.CmbNet.add_item(QStringLiteral("7"));
    r.f.CmbNet.set_list_index(1);
    EXPECT_TRUE(age.stale());
    EXPECT_FALSE(age.heard_at().isValid());
    r.receive(kState);
    EXPECT_FALSE(age.stale());

    // A reply replayed from a server log is no sign of life.
    r.f.BTNCloseCom.click();
    EXPECT_TRUE(age.stale());
    r.replay(kState);
    EXPECT_TRUE(age.stale());
    EXPECT_EQ(changes, 6);
}
