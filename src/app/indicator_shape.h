#pragma once
// A small filled shape used as an indicator (activity, level stability).
#include <QColor>
#include <QWidget>

class IndicatorShape : public QWidget {
    Q_OBJECT
public:
    enum class Outline { Circle, Rectangle };
    explicit IndicatorShape(Outline outline = Outline::Circle, QWidget* parent = nullptr);

    QColor fill() const { return fill_; }
    void set_fill(const QColor& c);
    Outline outline() const { return outline_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Outline outline_;
    QColor fill_ = Qt::yellow;
};
