#include "ui/status_hold.h"

#include "ui/port_news.h"

#include <gtest/gtest.h>

namespace {
const QString kConnected = QStringLiteral("Датчик подключен");
const QString kWrongPassword = QStringLiteral("Неверный пароль.");
} // namespace

// A timeline: the user's operations and the program's status texts, and what
// the line shows after each step.
TEST(StatusHold, RefusalOutlivesTheCycleUntilTheNextOperationOrTenSeconds) {
    StatusHold h;
    h.said(0, kConnected, kDarkGreen);
    EXPECT_EQ(h.shown().text, kConnected);

    h.operated(500, QStringLiteral("Vvod_PWD"));
    h.said(1500, kWrongPassword, kRed);
    h.said(2000, kConnected, kDarkGreen); // the next tick's answer
    EXPECT_FALSE(h.tick(11000));
    EXPECT_EQ(h.shown().text, kWrongPassword);
    EXPECT_EQ(h.shown().colour, kRed);
    EXPECT_EQ(h.refused(), QStringLiteral("Vvod_PWD"));
    EXPECT_TRUE(h.tick(11500));
    EXPECT_EQ(h.shown().text, kConnected);
    EXPECT_EQ(h.refused(), QString());

    // The next operation ends the hold at once.
    h.operated(20000, QStringLiteral("net"));
    h.said(20000, QStringLiteral("Порт не открыт."), kDarkGreen);
    EXPECT_EQ(h.refused(), QStringLiteral("net"));
    h.said(20100, QString(), kButtonText);
    EXPECT_EQ(h.shown().text, QStringLiteral("Порт не открыт."));
    h.operated(21000, QStringLiteral("BTNOpenCom"));
    EXPECT_EQ(h.shown().text, QString());

    // A failure long after the last operation answers no control.
    h.said(40000, QStringLiteral("Ошибка записи в порт /dev/ttyUSB0"), kRed);
    EXPECT_TRUE(h.holding());
    EXPECT_EQ(h.refused(), QString());
    // A lost port that is back ends its loss's hold; another port's return does not.
    StatusHold p;
    p.said(0, port_lost_text(QStringLiteral("ttyUSB0")), kRed);
    p.said(1000, port_back_text(QStringLiteral("ttyUSB1")), kDarkGreen);
    EXPECT_TRUE(p.holding());
    p.said(2000, port_back_text(QStringLiteral("ttyUSB0")), kDarkGreen);
    EXPECT_FALSE(p.holding());
    EXPECT_EQ(p.shown().text, port_back_text(QStringLiteral("ttyUSB0")));
    // Plain notes never hold.
    StatusHold n;
    n.said(0, QStringLiteral("Нет ответа от датчика с адресом 1"), kButtonText);
    n.said(100, kConnected, kDarkGreen);
    EXPECT_FALSE(n.holding());
    EXPECT_EQ(n.shown().text, kConnected);
}
