#include "report/certificate_pdf.h"

#include "i18n/language.h"
#include "link/file_guard.h"
#include "protocol/calibration_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The certificate is written in the language of the run.
QString tr_doc(const char* text) {
    return QCoreApplication::translate("Certificate", text);
}

constexpr int kDpi = 300;
double mm(double v) {
    return v * kDpi / 25.4;
}

QFont font(double points, bool bold = false) {
    // One family the program installs, so every machine lays out the same pages.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setKerning(false);
    return f;
}

QString tenths(double v) {
    QString s = QString::number(v, 'f', 1);
    return s == u"-0.0" ? QStringLiteral("0.0") : s;
}

// A step of 1, 2 or 5 times a power of ten giving about `ticks` divisions.
double nice_step(double span, int ticks) {
    const double raw = std::max(span, 1.0) / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// Lays the pages out and, when it has a painter, draws them.  Run once without
// a painter to count the pages, then again to draw them: both runs take the
// same decisions, so the count in the footers is right.
class Pages {
public:
    Pages(QPdfWriter& writer, const CertificateFacts& f, QPainter* painter, int total)
        : w_(writer), f_(f), p_(painter), total_(total) {
        const QSizeF page = QPageSize(QPageSize::A4).sizePoints() * (double(kDpi) / 72.0);
        left_ = mm(18);
        right_ = page.width() - mm(18);
        top_ = mm(15);
        footer_top_ = page.height() - mm(14) - 2 * line(small_);
        bottom_ = footer_top_ - mm(4);
    }

    int run() {
        y_ = top_;
        title();
        people_and_sensor();
        table_and_plot();
        refuel();
        recording();
        signatures();
        footer();
        return page_;
    }

private:
    double line(const QFont& font) const { return QFontMetricsF(font, &w_).lineSpacing(); }
    double width() const { return right_ - left_; }

    void text(double x, double y, double w, const QString& s, const QFont& font,
              Qt::Alignment align = Qt::AlignLeft) {
        if (!p_) return;
        p_->setFont(font);
        p_->setPen(Qt::black);
        p_->drawText(QRectF(x, y, w, line(font)), int(align | Qt::AlignVCenter), s);
    }
    double wrapped_height(double w, const QString& s, const QFont& font) const {
        return QFontMetricsF(font, &w_)
            .boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap, s)
            .height();
    }
    // A paragraph at y_, moved past.
    void paragraph(const QString& s, const QFont& font) {
        const double h = wrapped_height(width(), s, font);
        ensure(h);
        if (p_) {
            p_->setFont(font);
            p_->setPen(Qt::black);
            p_->drawText(QRectF(left_, y_, width(), h), Qt::TextWordWrap, s);
        }
        y_ += h;
    }
    void rule(double y, double x0, double x1, const QColor& colour = Qt::black) {
        if (!p_) return;
        p_->setPen(QPen(colour, mm(0.2)));
        p_->drawLine(QPointF(x0, y), QPointF(x1, y));
    }
    void ensure(double h) {
        if (y_ + h > bottom_) new_page();
    }
    void new_page() {
        footer();
        if (p_) w_.newPage();
        ++page_;
        y_ = top_;
    }
    void heading(const QString& s) {
        ensure(2.5 * line(heading_));
        y_ += 0.5 * line(heading_);
        text(left_, y_, width(), s, heading_);
        y_ += line(heading_);
    }

    void title();
    void people_and_sensor();
    void table_and_plot();
    void plot(const QRectF& area);
    void refuel();
    void recording();
    void recording_header();
    void signatures();
    void footer();

    QPdfWriter& w_;
    const CertificateFacts& f_;
    QPainter* p_;
    int total_;
    const QFont body_ = font(9), small_ = font(7), bold_ = font(9, true),
                heading_ = font(10.5, true), title_ = font(14, true);
    double left_ = 0, right_ = 0, top_ = 0, bottom_ = 0, footer_top_ = 0, y_ = 0;
    int page_ = 1;
};

void Pages::title() {
    text(left_, y_, width(),
         tr_doc(QT_TRANSLATE_NOOP("Certificate", "Протокол тарировки датчика уровня топлива")),
         title_, Qt::AlignHCenter);
    y_ += 1.4 * line(title_);
    text(left_, y_, width(),
         tr_doc(QT_TRANSLATE_NOOP("Certificate", "Дата и время: %1"))
             .arg(f_.in.when.toString(QStringLiteral("dd.MM.yyyy HH:mm"))),
         body_, Qt::AlignHCenter);
    y_ += 1.5 * line(body_);
}

void Pages::people_and_sensor() {
    const CertificateInputs& in = f_.in;
    const auto or_dash = [](const QString& s) { return s.isEmpty() ? QStringLiteral("—") : s; };
    const std::pair<QString, QString> people[] = {
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Заказчик")), or_dash(in.customer)},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Транспортное средство")), or_dash(in.vehicle)},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Бак")), or_dash(in.tank)},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Инженер")), or_dash(in.engineer)},
    };
    const SensorFacts& s = in.sensor;
    const std::pair<QString, QString> sensor[] = {
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Серийный номер")), s.serial},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Прошивка")), s.firmware},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Пустой")), s.empty},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Полный")), s.full},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Режим")), s.mode},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Порог лампы, %")), s.alarm},
    };
    // The people's column is the wider: names and vehicles are long, the sensor's
    // values short.
    const double half = width() * 0.58, gap = mm(4), row = line(body_);
    const QFontMetricsF bold(bold_, &w_), plain(body_, &w_);
    // Captions as wide as the widest, values cut short rather than run over.
    const auto column = [&](double x, double w, const auto& pairs, int n) {
        double caption = 0;
        for (int i = 0; i < n; ++i)
            caption = std::max(caption, bold.horizontalAdvance(pairs[i].first + u':') + mm(2));
        for (int i = 0; i < n; ++i) {
            text(x, y_ + i * row, caption, pairs[i].first + u':', bold_);
            text(x + caption, y_ + i * row, w - caption,
                 plain.elidedText(pairs[i].second, Qt::ElideRight, w - caption), body_);
        }
    };
    text(left_, y_, half, tr_doc(QT_TRANSLATE_NOOP("Certificate", "Объект")), heading_);
    text(left_ + half + gap, y_, width() - half - gap,
         tr_doc(QT_TRANSLATE_NOOP("Certificate", "Датчик")), heading_);
    y_ += line(heading_);
    column(left_, half, people, 4);
    column(left_ + half + gap, width() - half - gap, sensor, 6);
    y_ += 6 * row;
}

void Pages::table_and_plot() {
    heading(tr_doc(QT_TRANSLATE_NOOP("Certificate", "Таблица датчика (%1)")).arg(f_.table_source));
    const double row = 1.1 * line(body_);
    const double table_w = width() * 0.45;
    const double cols[] = {mm(15), mm(40), table_w - mm(55)};
    const QString heads[] = {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Точка")),
                             tr_doc(QT_TRANSLATE_NOOP("Certificate", "Показания датчика")),
                             tr_doc(QT_TRANSLATE_NOOP("Certificate", "Литры"))};
    double x = left_;
    for (int c = 0; c < 3; ++c) {
        text(x, y_, cols[c] - mm(2), heads[c], bold_, Qt::AlignRight);
        x += cols[c];
    }
    const double top = y_;
    rule(y_ + row, left_, left_ + table_w);
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        const double y = y_ + (k + 1) * row;
        const QString cells[] = {QString::number(k), QString::number(f_.table.readings[size_t(k)]),
                                 QString::number(f_.table.litres[size_t(k)])};
        x = left_;
        for (int c = 0; c < 3; ++c) {
            text(x, y, cols[c] - mm(2), cells[c], body_, Qt::AlignRight);
            x += cols[c];
        }
    }
    const double height = (CalibrationTable::kPoints + 1) * row;
    plot(QRectF(left_ + table_w + mm(6), top, width() - table_w - mm(6), height));
    y_ = top + height + 0.5 * row;
    paragraph(worst_text(f_), body_);
    if (!f_.recording_notice.isEmpty()) paragraph(shown_text(f_.recording_notice), small_);
}

void Pages::plot(const QRectF& area) {
    double max_x = 1, max_y = 1;
    for (const TablePoint& t : f_.table_points) {
        max_x = std::max(max_x, double(t.reading));
        max_y = std::max(max_y, double(t.litres));
    }
    for (const TablePoint& r : f_.recorded) {
        max_x = std::max(max_x, double(r.reading));
        max_y = std::max(max_y, double(r.litres));
    }
    const double sx = nice_step(max_x, 5), sy = nice_step(max_y, 5);
    max_x = std::ceil(max_x / sx) * sx;
    max_y = std::ceil(max_y / sy) * sy;
    const double label_w = mm(11), label_h = line(small_);
    const QRectF box(area.left() + label_w, area.top() + label_h / 2, area.width() - label_w,
                     area.height() - 2.6 * label_h);
    const auto at = [&](double level, double litres) {
        return QPointF(box.left() + box.width() * level / max_x,
                       box.bottom() - box.height() * litres / max_y);
    };
    for (double v = 0; v <= max_x + sx / 2; v += sx) {
        if (p_) {
            p_->setPen(QPen(QColor(210, 210, 210), mm(0.15)));
            p_->drawLine(at(v, 0), at(v, max_y));
        }
        text(at(v, 0).x() - mm(10), box.bottom() + mm(0.5), mm(20), QString::number(v), small_,
             Qt::AlignHCenter);
    }
    for (double v = 0; v <= max_y + sy / 2; v += sy) {
        if (p_) {
            p_->setPen(QPen(QColor(210, 210, 210), mm(0.15)));
            p_->drawLine(at(0, v), at(max_x, v));
        }
        text(area.left(), at(0, v).y() - label_h / 2, label_w - mm(1), QString::number(v), small_,
             Qt::AlignRight);
    }
    text(box.left(), box.bottom() + 1.3 * label_h, box.width(),
         tr_doc(QT_TRANSLATE_NOOP("Certificate",
                                  "Уровень  (× точки записи, — таблица; литры по вертикали)")),
         small_, Qt::AlignHCenter);
    if (!p_) return;
    p_->setPen(QPen(Qt::black, mm(0.25)));
    p_->setBrush(Qt::NoBrush);
    p_->drawRect(box);
    p_->setPen(QPen(QColor(200, 30, 30), mm(0.2)));
    const double r = mm(0.6);
    for (const TablePoint& t : f_.recorded) {
        const QPointF c = at(t.reading, t.litres);
        p_->drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        p_->drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
    }
    // The table as the sensor converts: from the zero row to the top, flat above.
    QPainterPath path(at(0, 0));
    for (const TablePoint& t : f_.table_points) path.lineTo(at(t.reading, t.litres));
    path.lineTo(at(max_x, f_.table_points.empty() ? 0 : f_.table_points.back().litres));
    p_->setPen(QPen(QColor(0, 70, 170), mm(0.35)));
    p_->drawPath(path);
}

void Pages::refuel() {
    heading(tr_doc(QT_TRANSLATE_NOOP("Certificate", "Контрольная заправка")));
    paragraph(f_.in.refuel ? shown_text(refuel_text(*f_.in.refuel))
                           : tr_doc(QT_TRANSLATE_NOOP("Certificate", "Не проводилась.")),
              body_);
}

void Pages::recording_header() {
    const double row = 1.1 * line(body_);
    const QString heads[] = {tr_doc(QT_TRANSLATE_NOOP("Certificate", "№ проции")),
                             tr_doc(QT_TRANSLATE_NOOP("Certificate", "Литры")),
                             tr_doc(QT_TRANSLATE_NOOP("Certificate", "Уровень")),
                             tr_doc(QT_TRANSLATE_NOOP("Certificate", "По таблице, л")),
                             tr_doc(QT_TRANSLATE_NOOP("Certificate", "Ошибка, л"))};
    const double shares[] = {0.14, 0.18, 0.18, 0.25, 0.25};
    double x = left_;
    for (int c = 0; c < 5; ++c) {
        text(x, y_, width() * shares[c] - mm(3), heads[c], bold_, Qt::AlignRight);
        x += width() * shares[c];
    }
    rule(y_ + row, left_, right_);
    y_ += row;
}

void Pages::recording() {
    heading(
        tr_doc(QT_TRANSLATE_NOOP("Certificate", "Запись тарировки: %1")).arg(f_.in.recording_name));
    const double row = 1.1 * line(body_);
    ensure(3 * row);
    recording_header();
    const double shares[] = {0.14, 0.18, 0.18, 0.25, 0.25};
    for (const RecordingRow& r : f_.rows) {
        if (y_ + row > bottom_) {
            new_page();
            text(left_, y_, width(),
                 tr_doc(QT_TRANSLATE_NOOP("Certificate", "Запись тарировки: %1 (продолжение)"))
                     .arg(f_.in.recording_name),
                 heading_);
            y_ += line(heading_);
            recording_header();
        }
        const QString cells[] = {r.row, r.litres, r.level,
                                 r.table_litres ? tenths(*r.table_litres) : QString(),
                                 r.error ? tenths(*r.error) : QString()};
        double x = left_;
        for (int c = 0; c < 5; ++c) {
            text(x, y_, width() * shares[c] - mm(3), cells[c], body_, Qt::AlignRight);
            x += width() * shares[c];
        }
        y_ += row;
        rule(y_, left_, right_, QColor(220, 220, 220));
    }
}

void Pages::signatures() {
    const double row = line(body_);
    ensure(8 * row);
    y_ += 2 * row;
    const std::pair<QString, QString> who[] = {
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Тарировку провёл")), f_.in.engineer},
        {tr_doc(QT_TRANSLATE_NOOP("Certificate", "Представитель заказчика")), QString()},
    };
    double caption = 0;
    for (const auto& [role, name] : who)
        caption = std::max(caption, QFontMetricsF(bold_, &w_).horizontalAdvance(role + u':'));
    for (const auto& [role, name] : who) {
        text(left_, y_, caption, role + u':', bold_);
        const double x0 = left_ + caption + mm(3), x1 = x0 + mm(60);
        rule(y_ + row, x0, x1);
        text(x1 + mm(4), y_, right_ - x1 - mm(4), name.isEmpty() ? QString() : u"/ " + name + u" /",
             body_);
        text(x0, y_ + row, x1 - x0, tr_doc(QT_TRANSLATE_NOOP("Certificate", "подпись")), small_,
             Qt::AlignHCenter);
        y_ += 3 * row;
    }
}

void Pages::footer() {
    if (!p_) return;
    rule(footer_top_ - mm(1.5), left_, right_, QColor(120, 120, 120));
    const double row = line(small_);
    text(left_, footer_top_, width() - mm(30),
         tr_doc(QT_TRANSLATE_NOOP("Certificate", "SHA-256 записи %1: %2"))
             .arg(f_.in.recording_name, f_.recording_sha256),
         small_);
    text(left_, footer_top_ + row, width() - mm(30),
         tr_doc(QT_TRANSLATE_NOOP("Certificate", "SHA-256 таблицы (файл zvk): %1"))
             .arg(f_.table_sha256),
         small_);
    text(right_ - mm(30), footer_top_, mm(30),
         tr_doc(QT_TRANSLATE_NOOP("Certificate", "Страница %1 из %2")).arg(page_).arg(total_),
         small_, Qt::AlignRight);
}

void setup(QPdfWriter& w, const CertificateFacts& f) {
    w.setResolution(kDpi);
    w.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    w.setTitle(
        tr_doc(QT_TRANSLATE_NOOP("Certificate", "Протокол тарировки %1")).arg(f.in.recording_name));
    w.setCreator(tr_doc(QT_TRANSLATE_NOOP("Certificate", "Конфигуратор Zorvik")));
}

// The writer stamps the moment of writing; the certificate's own date goes in
// its place (same length, so the file's offsets stay right).
void stamp_date(QByteArray& pdf, const QDateTime& when) {
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:(\\d{14})"));
    const QString text =
        QString::fromLatin1(pdf.left(int(std::min<qsizetype>(pdf.size(), 1 << 22))));
    QRegularExpressionMatchIterator it = date.globalMatch(text);
    const QByteArray fixed = when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (fixed.size() == 14) pdf.replace(m.capturedStart(1), 14, fixed);
    }
}

} // namespace

QByteArray certificate_pdf(const CertificateFacts& f, int* pages) {
    QByteArray bytes;
    int total = 0;
    {
        QBuffer counting;
        counting.open(QIODevice::WriteOnly);
        QPdfWriter w(&counting);
        setup(w, f);
        total = Pages(w, f, nullptr, 0).run();
    }
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter w(&buffer);
        setup(w, f);
        QPainter painter(&w);
        Pages(w, f, &painter, total).run();
        painter.end();
    }
    stamp_date(bytes, f.in.when);
    if (pages) *pages = total;
    return bytes;
}

bool write_certificate(const QString& path, const CertificateFacts& f, QString* why) {
    return write_whole_file(path, certificate_pdf(f), why);
}
