#pragma once
// The "График" window: level, raw reading and temperature over time, drawn
// from the trends the exchange collects, with the time window, pause and
// follow, a readout under the pointer, the spread of the raw reading, CSV
// recording and saving the picture.  A window of its own rather than a fifth
// tab, so it can stand beside the calibration page (or on a second screen)
// while the engineer watches the reading settle.
#include "trends/trend_ring.h"

#include <QWidget>

#include <array>
#include <vector>

class Clock;
class Dialogs;
class Trends;
class QCheckBox;
class QComboBox;
class QGraphicsLineItem;
class QLabel;
class QPushButton;
class QTimer;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

class TrendWindow : public QWidget {
    Q_OBJECT
public:
    enum Span { Minute, TenMinutes, Hour, All };

    TrendWindow(Trends& trends, const Clock& clock, Dialogs& dialogs, QWidget* parent = nullptr);

    void set_span(Span span);
    Span span() const;
    // Following: the right edge is now and moves on; paused: it stays put.
    void set_following(bool follow);
    bool following() const { return following_; }
    // Redraws from the trends now.
    void refresh();
    // What the readout shows for the moment `t_ms`.
    QString readout_at(qint64 t_ms) const;
    // Writes the chart as PNG (whole or not at all); false with the reason.
    bool save_png(const QString& path, QString* error = nullptr);
    // The saved picture's title: the sensor's address and serial number and
    // the time span shown; and the file name offered for it (no extension).
    QString picture_title() const;
    QString suggested_name() const;
    QChartView* chart_view() const { return view_; }
    // Lines drawn for a series in the last refresh.
    int lines_drawn(TrendSeries s) const { return drawn_[size_t(s)]; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void trends_changed();
    void update_labels();
    void show_readout(const QPoint& at);
    QLineSeries* line(TrendSeries s, size_t i);
    void choose_record_file();
    void choose_png_file();

    Trends& trends_;
    const Clock& clock_;
    Dialogs& dialogs_;
    bool following_ = true;
    bool fitted_ = false;
    qint64 paused_at_ = 0;
    bool refresh_posted_ = false;
    qint64 from_ms_ = 0, to_ms_ = 1;

    QComboBox* span_box_;
    QPushButton* pause_;
    std::array<QCheckBox*, kTrendSeriesCount> shown_{};
    QLabel* stability_;
    QChart* chart_;
    QChartView* view_;
    QDateTimeAxis* time_axis_;
    std::array<QValueAxis*, kTrendSeriesCount> value_axes_{};
    std::array<std::vector<QLineSeries*>, kTrendSeriesCount> lines_;
    std::array<int, kTrendSeriesCount> drawn_{};
    QGraphicsLineItem* cursor_ = nullptr;
    QLabel* readout_;
    QPushButton* record_;
    QLabel* record_file_;
    QPushButton* save_;
    QTimer* clock_tick_;
};
