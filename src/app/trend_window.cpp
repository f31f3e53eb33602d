#include "app/trend_window.h"

#include "app/screen_fit.h"
#include "i18n/language.h"

#include "link/clock.h"
#include "link/file_guard.h"
#include "trends/trends.h"
#include "ui/dialogs.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>

#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr qint64 kSpanMs[] = {60'000, 600'000, 3'600'000, 0};
// Beyond this many separate lines a series is drawn across its remaining
// gaps: that many gaps in one window is noise, and every line costs an item.
constexpr size_t kMaxLines = 200;

struct SeriesLook {
    const char* caption;
    QColor colour;
    Qt::Alignment side;
};
const SeriesLook kLook[kTrendSeriesCount] = {
    {QT_TRANSLATE_NOOP("TrendWindow", "Уровень"), QColor(0x1f, 0x5f, 0xbf), Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("TrendWindow", "Текущий"), QColor(0xc0, 0x39, 0x2b), Qt::AlignRight},
    {QT_TRANSLATE_NOOP("TrendWindow", "Темп-ра"), QColor(0x2e, 0x8b, 0x57), Qt::AlignRight},
};

// A range around [lo, hi] with a margin, its ends on round numbers, at
// least `least` wide, so the axis does not jump with every small change.
struct NiceRange {
    double min, max, step;
};
NiceRange nice_range(double lo, double hi, double least) {
    const double span = std::max(hi - lo, least);
    const double raw = span / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * magnitude) {
            step = m * magnitude;
            break;
        }
    // Whole numbers only: the readings have no fractions.
    step = std::max(step, 1.0);
    return {std::floor((lo - span * 0.05) / step) * step,
            std::ceil((hi + span * 0.05) / step) * step, step};
}

QString time_text(qint64 t_ms) {
    return QDateTime::fromMSecsSinceEpoch(t_ms).toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

TrendWindow::TrendWindow(Trends& trends, const Clock& clock, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), trends_(trends), clock_(clock), dialogs_(dialogs) {
    setObjectName(QStringLiteral("trend_window"));
    setWindowTitle(QCoreApplication::translate("TrendWindow", "График"));
    auto* root = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QCoreApplication::translate("TrendWindow", "Окно:"), this));
    span_box_ = new QComboBox(this);
    span_box_->setObjectName(QStringLiteral("trend_span"));
    span_box_->addItems({QCoreApplication::translate("TrendWindow", "1 мин"),
                         QCoreApplication::translate("TrendWindow", "10 мин"),
                         QCoreApplication::translate("TrendWindow", "1 ч"),
                         QCoreApplication::translate("TrendWindow", "Всё")});
    span_box_->setCurrentIndex(TenMinutes);
    top->addWidget(span_box_);
    pause_ = new QPushButton(QCoreApplication::translate("TrendWindow", "Пауза"), this);
    pause_->setObjectName(QStringLiteral("trend_pause"));
    top->addWidget(pause_);
    top->addSpacing(fontMetrics().height());
    for (int s = 0; s < kTrendSeriesCount; ++s) {
        auto* box =
            new QCheckBox(QCoreApplication::translate("TrendWindow", kLook[s].caption), this);
        box->setChecked(true);
        QPalette p = box->palette();
        p.setColor(QPalette::WindowText, kLook[s].colour);
        box->setPalette(p);
        shown_[size_t(s)] = box;
        top->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] { refresh(); });
    }
    top->addStretch(1);
    stability_ = new QLabel(this);
    stability_->setObjectName(QStringLiteral("trend_stability"));
    top->addWidget(stability_);
    root->addLayout(top);

    chart_ = new QChart;
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->hide();
    chart_->setMargins(QMargins(4, 4, 4, 4));
    time_axis_ = new QDateTimeAxis(chart_);
    time_axis_->setTickCount(7);
    chart_->addAxis(time_axis_, Qt::AlignBottom);
    for (int s = 0; s < kTrendSeriesCount; ++s) {
        auto* axis = new QValueAxis(chart_);
        axis->setLabelFormat(QStringLiteral("%.0f"));
        axis->setLabelsColor(kLook[s].colour);
        axis->setTitleText(QCoreApplication::translate("TrendWindow", kLook[s].caption));
        axis->setTitleBrush(kLook[s].colour);
        axis->setLinePenColor(kLook[s].colour);
        axis->setGridLineVisible(s == 0);
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        chart_->addAxis(axis, kLook[s].side);
        value_axes_[size_t(s)] = axis;
    }
    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("trend_chart"));
    // Lines of thousands of points with noise in them: antialiased, they cost
    // the window most of its redraw time, and one-pixel lines read well as they are.
    view_->setRenderHint(QPainter::Antialiasing, false);
    // The lines change every second; an index of the scene's items would be rebuilt each time.
    view_->scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
    view_->setMinimumSize(fontMetrics().height() * 30, fontMetrics().height() * 16);
    view_->setMouseTracking(true);
    view_->viewport()->setMouseTracking(true);
    view_->viewport()->installEventFilter(this);
    cursor_ = new QGraphicsLineItem(chart_);
    cursor_->setPen(QPen(QColor(0x60, 0x60, 0x60), 0, Qt::DashLine));
    cursor_->setZValue(100);
    cursor_->hide();
    root->addWidget(view_, 1);

    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("trend_readout"));
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readout_->setMinimumHeight(fontMetrics().height());
    root->addWidget(readout_);

    auto* bottom = new QHBoxLayout;
    record_ = new QPushButton(this);
    record_->setObjectName(QStringLiteral("trend_record"));
    bottom->addWidget(record_);
    record_file_ = new QLabel(this);
    record_file_->setObjectName(QStringLiteral("trend_record_file"));
    record_file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    record_file_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bottom->addWidget(record_file_, 1);
    save_ = new QPushButton(QCoreApplication::translate("TrendWindow", "Сохранить график…"), this);
    save_->setObjectName(QStringLiteral("trend_save"));
    bottom->addWidget(save_);
    root->addLayout(bottom);

    clock_tick_ = new QTimer(this);
    clock_tick_->setInterval(1000);
    connect(clock_tick_, &QTimer::timeout, this, [this] { refresh(); });
    connect(span_box_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(pause_, &QPushButton::clicked, this, [this] { set_following(!following_); });
    connect(record_, &QPushButton::clicked, this, [this] {
        if (trends_.recorder().recording())
            trends_.stop_recording();
        else
            choose_record_file();
    });
    connect(save_, &QPushButton::clicked, this, [this] { choose_png_file(); });
    trends_.on_change([this] { trends_changed(); });
    update_labels();
    resize(fontMetrics().height() * 52, fontMetrics().height() * 30);
}

void TrendWindow::set_span(Span span) {
    span_box_->setCurrentIndex(span);
}

TrendWindow::Span TrendWindow::span() const {
    return Span(span_box_->currentIndex());
}

void TrendWindow::set_following(bool follow) {
    if (follow == following_) return;
    following_ = follow;
    if (!follow) paused_at_ = to_ms_;
    pause_->setText(follow ? QCoreApplication::translate("TrendWindow", "Пауза")
                           : QCoreApplication::translate("TrendWindow", "Следить"));
    if (follow && isVisible())
        clock_tick_->start();
    else
        clock_tick_->stop();
    refresh();
}

void TrendWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!fitted_) fit_to_screen(*this, size());
    fitted_ = true;
    if (following_) clock_tick_->start();
    refresh();
}

void TrendWindow::hideEvent(QHideEvent* e) {
    clock_tick_->stop();
    QWidget::hideEvent(e);
}

void TrendWindow::trends_changed() {
    update_labels();
    // One redraw for however many changes the event loop delivers at once,
    // and none while nobody looks or the picture is held still.
    if (!isVisible() || !following_ || refresh_posted_) return;
    refresh_posted_ = true;
    QTimer::singleShot(0, this, [this] {
        refresh_posted_ = false;
        refresh();
    });
}

void TrendWindow::update_labels() {
    const QString hint = trends_.stability().hint();
    stability_->setText(QCoreApplication::translate("TrendWindow", "Стабильность по %1 ответам: ")
                            .arg(trends_.stability().replies()) +
                        (hint.isEmpty() ? QStringLiteral("—") : shown_text(hint)));
    const CsvRecorder& r = trends_.recorder();
    record_->setText(r.recording()
                         ? QCoreApplication::translate("TrendWindow", "Остановить запись")
                         : QCoreApplication::translate("TrendWindow", "Записывать в CSV…"));
    if (r.recording())
        record_file_->setText(QCoreApplication::translate("TrendWindow", "Запись: %1 (строк: %2)")
                                  .arg(r.path())
                                  .arg(r.rows()));
    else if (!trends_.recording_error().isEmpty())
        record_file_->setText(shown_text(trends_.recording_error()));
    else
        record_file_->clear();
    record_file_->setToolTip(record_file_->text());
}

QLineSeries* TrendWindow::line(TrendSeries s, size_t i) {
    auto& pool = lines_[size_t(s)];
    while (pool.size() <= i) {
        auto* series = new QLineSeries(chart_);
        // A cosmetic pen is drawn without outlining the path first: thousands
        // of points a second stay cheap.
        QPen pen(kLook[int(s)].colour, 1);
        pen.setCosmetic(true);
        series->setPen(pen);
        chart_->addSeries(series);
        series->attachAxis(time_axis_);
        series->attachAxis(value_axes_[size_t(s)]);
        pool.push_back(series);
    }
    return pool[i];
}

void TrendWindow::refresh() {
    const TrendRing& ring = trends_.ring();
    const qint64 now = clock_.now().toMSecsSinceEpoch();
    const qint64 span = kSpanMs[span_box_->currentIndex()];
    const int pixels = std::max(1, int(chart_->plotArea().width()));
    qint64 to = following_ ? std::max(now, ring.empty() ? now : ring.back().t_ms) : paused_at_;
    qint64 from = span > 0       ? to - span
                  : ring.empty() ? to - kSpanMs[Minute]
                                 : std::min(ring.at(0).t_ms, to - 1000);
    // The time of one pixel column; for the whole run in whole seconds, so
    // that it stays the same for a while as the run grows.
    qint64 column_ms = std::max<qint64>(1, (to - from + pixels - 1) / pixels);
    if (span == 0) column_ms = (column_ms + 999) / 1000 * 1000;
    if (following_) {
        // The right edge moves on a column at a time: in between only the
        // newest line changes, and the axis and the lines behind stay put.
        to = (to + column_ms - 1) / column_ms * column_ms;
        from = span > 0 ? to - span : from / column_ms * column_ms;
    }
    from_ms_ = from;
    to_ms_ = to;
    // Every change of an axis or a series makes the chart lay out its lines
    // again, so only what changed is set, the lines last.
    const qint64 width = to - from;
    const QString format = width <= kSpanMs[TenMinutes] ? QStringLiteral("HH:mm:ss")
                           : width <= 86'400'000        ? QStringLiteral("HH:mm")
                                                        : QStringLiteral("dd.MM HH:mm");
    if (time_axis_->format() != format) time_axis_->setFormat(format);
    // Ticks a whole number of seconds or minutes apart, with room for their labels.
    const int ticks = span == kSpanMs[TenMinutes] ? 6 : 7;
    if (time_axis_->tickCount() != ticks) time_axis_->setTickCount(ticks);
    const QDateTime left = QDateTime::fromMSecsSinceEpoch(from),
                    right = QDateTime::fromMSecsSinceEpoch(to);
    if (time_axis_->min() != left || time_axis_->max() != right) time_axis_->setRange(left, right);

    // Pixel columns on a grid fixed in time, so that a column keeps its points
    // as the window moves on and the lines behind the newest stay as they were.
    const qint64 grid_from = from / column_ms * column_ms;
    const int columns = int((to - grid_from + column_ms - 1) / column_ms);
    for (int si = 0; si < kTrendSeriesCount; ++si) {
        const auto s = TrendSeries(si);
        const bool shown = shown_[size_t(si)]->isChecked();
        QValueAxis* axis = value_axes_[size_t(si)];
        if (axis->isVisible() != shown) axis->setVisible(shown);
        std::vector<TrendPolyline> lines;
        if (shown) lines = decimate(ring, s, grid_from, grid_from + columns * column_ms, columns);
        if (lines.size() > kMaxLines) {
            for (size_t k = kMaxLines; k < lines.size(); ++k)
                lines[kMaxLines - 1].insert(lines[kMaxLines - 1].end(), lines[k].begin(),
                                            lines[k].end());
            lines.resize(kMaxLines);
        }
        double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
        for (const TrendPolyline& l : lines)
            for (const QPointF& p : l) {
                if (p.x() < double(from) || p.x() > double(to)) continue;
                lo = std::min(lo, p.y());
                hi = std::max(hi, p.y());
            }
        if (lo <= hi) {
            const NiceRange r = nice_range(lo, hi, s == TrendSeries::Current ? 10.0 : 2.0);
            if (axis->min() != r.min || axis->max() != r.max) axis->setRange(r.min, r.max);
            // Ticks on the round numbers, however many fit.
            if (axis->tickInterval() != r.step) axis->setTickInterval(r.step);
        }
        for (size_t k = 0; k < lines.size(); ++k) {
            QLineSeries* series = line(s, k);
            QList<QPointF> points(lines[k].begin(), lines[k].end());
            if (series->points() != points) series->replace(points);
            // A reply alone between two gaps has no line to draw: show it as a dot.
            const bool dot = lines[k].size() == 1;
            if (series->pointsVisible() != dot) series->setPointsVisible(dot);
            if (!series->isVisible()) series->setVisible(true);
        }
        for (size_t k = lines.size(); k < lines_[size_t(si)].size(); ++k) {
            QLineSeries* series = lines_[size_t(si)][k];
            if (series->count() > 0) series->clear();
            if (series->isVisible()) series->setVisible(false);
        }
        drawn_[size_t(si)] = int(lines.size());
    }
}

QString TrendWindow::readout_at(qint64 t_ms) const {
    const TrendRing& ring = trends_.ring();
    const int after = ring.lower_bound(t_ms);
    int nearest = -1;
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i : {after - 1, after}) {
        if (i < 0 || i >= ring.size()) continue;
        const qint64 d = std::abs(ring.at(i).t_ms - t_ms);
        if (d < best) best = d, nearest = i;
    }
    // Further than half the gap rule from any reply is nothing heard.
    if (nearest < 0 || best > Trends::kGapMs / 2)
        return time_text(t_ms) + QCoreApplication::translate("TrendWindow", "  нет данных");
    const TrendPoint& p = ring.at(nearest);
    QString text =
        time_text(p.t_ms) + QCoreApplication::translate("TrendWindow", "  адрес %1").arg(p.address);
    for (int si = 0; si < kTrendSeriesCount; ++si) {
        const auto s = TrendSeries(si);
        if (!p.carries(s)) continue;
        text += QStringLiteral("  ") +
                QCoreApplication::translate("TrendWindow", kLook[si].caption) + u' ' +
                QString::number(qint64(p.value(s))) +
                (s == TrendSeries::Temperature ? QStringLiteral(" °C") : QString());
    }
    return text;
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == view_->viewport()) {
        if (e->type() == QEvent::MouseMove) show_readout(static_cast<QMouseEvent*>(e)->pos());
        if (e->type() == QEvent::Leave) cursor_->hide();
    }
    return QWidget::eventFilter(watched, e);
}

void TrendWindow::show_readout(const QPoint& at) {
    const QRectF area = chart_->plotArea();
    const QPointF p = chart_->mapFromScene(view_->mapToScene(at));
    if (!area.contains(p) || to_ms_ <= from_ms_) {
        cursor_->hide();
        return;
    }
    const double k = (p.x() - area.left()) / area.width();
    readout_->setText(readout_at(from_ms_ + qint64(std::llround(k * double(to_ms_ - from_ms_)))));
    cursor_->setLine(p.x(), area.top(), p.x(), area.bottom());
    cursor_->show();
}

void TrendWindow::choose_record_file() {
    // Where the last recording went, else the documents folder.
    const QString last = trends_.recorder().path();
    const QString folder =
        !last.isEmpty() && QFileInfo(last).dir().exists()
            ? QFileInfo(last).absolutePath()
            : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(this, QCoreApplication::translate("TrendWindow", "Записывать в CSV"),
                       QDir(folder).filePath(suggested_name() + QStringLiteral(".csv")),
                       QStringLiteral("CSV (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // An earlier recording is continued, not replaced: no question about overwriting.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString error = trends_.start_recording(dialog.selectedFiles().constFirst());
    if (!error.isEmpty()) dialogs_.message(error, MsgIcon::Exclamation);
}

QString TrendWindow::picture_title() const {
    const TrendRing& ring = trends_.ring();
    const auto when = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    };
    QString title =
        ring.empty()
            ? QCoreApplication::translate("TrendWindow", "Нет данных")
            : QCoreApplication::translate("TrendWindow", "Адрес %1").arg(ring.back().address);
    const QString serial = trends_.serial();
    if (!serial.isEmpty() && serial != QStringLiteral("0"))
        title += QCoreApplication::translate("TrendWindow", ", С/Н %1").arg(serial);
    return title + QStringLiteral(", ") + when(from_ms_) + QStringLiteral(" – ") + when(to_ms_);
}

QString TrendWindow::suggested_name() const {
    const QString serial = trends_.serial();
    const QString who =
        !serial.isEmpty() && serial != QStringLiteral("0") ? QStringLiteral("SN") + serial
        : trends_.ring().empty()
            ? QStringLiteral("trend")
            : QStringLiteral("addr") + QString::number(trends_.ring().back().address);
    return who + QStringLiteral("_") +
           QDateTime::fromMSecsSinceEpoch(to_ms_).toString(QStringLiteral("yyyy-MM-dd_HHmm"));
}

void TrendWindow::choose_png_file() {
    const QString path = dialogs_.save_file(
        QCoreApplication::translate("TrendWindow", "Сохранить график"),
        QStringLiteral("PNG (*.png)"), suggested_name() + QStringLiteral(".png"));
    if (path.isEmpty()) return;
    QString error;
    if (!save_png(path, &error)) dialogs_.message(error, MsgIcon::Exclamation);
}

bool TrendWindow::save_png(const QString& path, QString* error) {
    // The picture says whose readings and when: a title strip above the chart.
    const QPixmap chart = view_->grab();
    const qreal dpr = chart.devicePixelRatio();
    QFont font = this->font();
    font.setBold(true);
    const int strip = QFontMetrics(font).height() * 2;
    const QSize size = chart.deviceIndependentSize().toSize();
    QImage picture(QSize(size.width(), size.height() + strip) * dpr, QImage::Format_RGB32);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, size.width(), strip), Qt::AlignCenter, picture_title());
        painter.drawPixmap(0, strip, chart);
    }
    // Encoded first, then written whole: a full disk leaves no half picture.
    QByteArray png;
    QBuffer buffer(&png);
    QString why;
    const bool ok = buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG") &&
                    write_whole_file(path, png, &why);
    if (!ok && error)
        *error =
            QCoreApplication::translate("TrendWindow", "График не сохранён: %1: %2").arg(path, why);
    return ok;
}
