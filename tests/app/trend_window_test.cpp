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
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>

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

// A saved picture names the sensor and the span above the chart, and the
// chooser offers a name made of the serial number and the date.
TEST(TrendWindow, SavedPictureSaysWhoseAndWhen) {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator c(port, dialogs, tones, clock);
    c.frmSerial.CmbNet.add_item(QStringLiteral("5"));
    c.frmSerial.CmbNet.set_list_index(0);
    c.frmSerial.sn.set_text(QStringLiteral("123456"));
    Trends trends(c);
    const QDateTime start = clock.t;
    for (int s = 0; s < 30; ++s) trends.heard(state(100000), start.addSecs(s));
    clock.t = start.addSecs(30);
    TrendWindow w(trends, clock, dialogs);
    w.resize(600, 400);
    w.show();
    QApplication::processEvents();
    w.refresh();

    EXPECT_TRUE(w.picture_title().startsWith(QStringLiteral("Адрес 5, С/Н 123456, ")));
    EXPECT_TRUE(w.picture_title().contains(start.addSecs(30).toString("HH:mm:ss")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.png"));
    dialogs.files.push_back(path);
    w.findChild<QPushButton*>(QStringLiteral("trend_save"))->click();
    EXPECT_EQ(dialogs.chooser_folders.value(0), QStringLiteral("SN123456_") +
                                                    start.addSecs(30).toString("yyyy-MM-dd_HHmm") +
                                                    QStringLiteral(".png"));
    const QImage saved(path);
    const QImage chart = w.chart_view()->grab().toImage();
    ASSERT_FALSE(saved.isNull());
    EXPECT_GT(saved.height(), chart.height());
    // The title strip holds dark text pixels.
    int dark = 0;
    for (int y = 0; y < saved.height() - chart.height(); ++y)
        for (int x = 0; x < saved.width(); ++x) dark += qGray(saved.pixel(x, y)) < 128;
    EXPECT_GT(dark, 50);
}
