#include "app/indicator_shape.h"

#include <QPainter>

IndicatorShape::IndicatorShape(Outline outline, QWidget* parent)
    : QWidget(parent), outline_(outline) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IndicatorShape::set_fill(const QColor& c) {
    if (c == fill_) return;
    fill_ = c;
    update();
}

QSize IndicatorShape::sizeHint() const {
    // Follows the font, so it scales with the display.
    const int h = fontMetrics().height();
    return outline_ == Outline::Circle ? QSize(h, h) : QSize(h * 2, h);
}

void IndicatorShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = fill_;
    if (!isEnabled()) fill.setAlphaF(0.5);
    p.setBrush(fill);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (outline_ == Outline::Circle) {
        const qreal d = std::min(r.width(), r.height());
        p.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    } else {
        p.drawRoundedRect(r, 2, 2);
    }
}
