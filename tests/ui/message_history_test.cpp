#include "ui/message_history.h"

#include <gtest/gtest.h>

TEST(MessageHistory, NewestFirstWithKindByColourAndBounded) {
    MessageHistory h;
    const QDateTime t0(QDate(2026, 12, 6), QTime(18, 0, 0));
    h.add(t0, kDarkGreen, QStringLiteral("Датчик подключен"));
    h.add(t0.addSecs(1), kRed, QStringLiteral("Таблица не записана"));
    h.add(t0.addSecs(2), kButtonText, QStringLiteral("   ")); // the line cleared
    h.add(t0.addSecs(3), kButtonText, QStringLiteral("Нет ответа от датчика с адресом 1"));
    ASSERT_EQ(h.entries().size(), 3u);
    EXPECT_EQ(h.entries()[0].kind, MessageHistory::Kind::Note);
    EXPECT_EQ(h.entries()[1].kind, MessageHistory::Kind::Error);
    EXPECT_EQ(h.entries()[1].at, t0.addSecs(1));
    EXPECT_EQ(h.entries()[2].kind, MessageHistory::Kind::Done);

    for (int i = 0; i < 600; ++i) h.add(t0, kButtonText, QString::number(i));
    ASSERT_EQ(h.entries().size(), MessageHistory::kLimit);
    EXPECT_EQ(h.entries().front().text, QStringLiteral("599"));
    EXPECT_EQ(h.entries().back().text, QStringLiteral("100"));
}

// The status line of the main window feeds the history as its text changes.
#include "../support/configurator_rig.h"

TEST(MessageHistory, FollowsTheStatusLine) {
    ConfiguratorRig r;
    r.f.MsgCom.set_fore_colour(kRed);
    r.f.MsgCom.set_text(QStringLiteral("Ошибка"));
    ASSERT_FALSE(r.c.messages.entries().empty());
    EXPECT_EQ(r.c.messages.entries().front().text, QStringLiteral("Ошибка"));
    EXPECT_EQ(r.c.messages.entries().front().kind, MessageHistory::Kind::Error);
    EXPECT_EQ(r.c.messages.entries().front().at, r.clock.t);
}
