// The chart window on the trends: lines broken at gaps, the readout, pause.
#include "../support/fake_serial_port.h"
#include "../support/fakes.h"

#include "app/trend_window.h"
#include "exchange/configurator.h"
#include "protocol/frame_codec.h"
#include "trends/trends.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTimeAxis>

#include <gtest/gtest.h>

namespace {
QByteArray state(uint32_t current) {
    QByteArray b = QByteArray::fromHex("3E05F015");
    auto le = [&b](uint32_t v, int width) {
        for (int k = 0; k < width; ++k, v >>= 8) b.append(char(v & 0xFF));
    };
    le(812, 2);
    le(current, 4);
    le(60000, 4);
    le(114000, 4);
    le(16, 2);
    b.append(char(0x26)).append(char(15)).append(char(5));
    return Control_summ(b);
}
} // namespace

TEST(TrendWindow, GapsReadoutAndPause) {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator c(port, dialogs, tones, clock);
    Trends trends(c);
    const QDateTime start = clock.t;
    // Two minutes of replies with half a minute of silence in the middle.
    for (int s = 0; s < 120; ++s)
        if (s < 40 || s >= 70) trends.heard(state(100000 + uint32_t(s % 7)), start.addSecs(s));
    clock.t = start.addSecs(120);

    TrendWindow w(trends, clock, dialogs);
    w.set_span(TrendWindow::TenMinutes);
    w.show();
    QApplication::processEvents();
    w.refresh();
    EXPECT_EQ(w.lines_drawn(TrendSeries::Current), 2);
    EXPECT_EQ(w.lines_drawn(TrendSeries::Level), 2);

    const qint64 t0 = start.toMSecsSinceEpoch();
    EXPECT_EQ(w.readout_at(t0 + 10'200),
              start.addSecs(10).toString("HH:mm:ss") +
                  QStringLiteral("  адрес 5  Уровень 812  Текущий 100003  Темп-ра 21 °C"));
    EXPECT_EQ(w.readout_at(t0 + 55'000),
              start.addSecs(55).toString("HH:mm:ss") + QStringLiteral("  нет данных"));

    auto* axis =
        qobject_cast<QDateTimeAxis*>(w.chart_view()->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(axis, nullptr);
    // Following, the right edge is now, to the next pixel column.
    const QDateTime edge = axis->max();
    EXPECT_GE(edge, clock.t);
    EXPECT_LT(edge, clock.t.addSecs(2));
    // Paused, the picture stays where it was while replies go on.
    w.set_following(false);
    clock.t = start.addSecs(125);
    trends.heard(state(100000), clock.t);
    w.refresh();
    EXPECT_EQ(axis->max(), edge);
    w.set_following(true);
    EXPECT_GE(axis->max(), start.addSecs(125));
    // Hidden series draw nothing.
    w.findChildren<QCheckBox*>().value(1)->setChecked(false);
    EXPECT_EQ(w.lines_drawn(TrendSeries::Current), 0);
}
