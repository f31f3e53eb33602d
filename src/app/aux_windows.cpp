#include "app/aux_windows.h"

#include "app/screen_fit.h"
#include "app/wheel_guard.h"

#include "ui/main_form.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

TableWindow::TableWindow(const TableForm& form, QWidget* parent)
    : QWidget(parent, Qt::Window), widgets_(this) {
    setObjectName(form.name());
    widgets_.create_missing(form);

    auto* root = new QVBoxLayout(this);
    auto* notice = widgets_.get<QLabel>("Label1");
    notice->setWordWrap(true);
    root->addWidget(notice);
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("table_error"));
    error_->setWordWrap(true);
    error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette red = error_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    error_->setPalette(red);
    error_->hide();
    root->addWidget(error_);
    reading_ =
        new QLabel(QCoreApplication::translate("TableWindow", "Чтение таблицы из датчика…"), this);
    reading_->setObjectName(QStringLiteral("table_reading"));
    QFont bold = reading_->font();
    bold.setBold(true);
    reading_->setFont(bold);
    reading_->hide();
    root->addWidget(reading_);

    auto* body = new QHBoxLayout;
    // Twenty rows, point 19 at the top, then the fixed zero row.
    auto* cells = new QWidget;
    auto* g = new QGridLayout(cells);
    // Rows close together, so more of the table shows on a small screen.
    g->setVerticalSpacing(2);
    for (const char* name : {"Label12", "Label11"}) {
        auto* heading = widgets_.get<QLabel>(name);
        heading->setAlignment(Qt::AlignCenter);
        QFont f = heading->font();
        f.setBold(true);
        heading->setFont(f);
    }
    g->addWidget(widgets_["Label12"], 0, 1);
    g->addWidget(widgets_["Label11"], 0, 2);
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000000000"));
    for (int k = 19; k >= 0; --k) {
        const int row = 20 - k;
        auto* number = new QLabel(QString::number(k + 1), cells);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setEnabled(false);
        g->addWidget(number, row, 0);
        for (int col = 0; col < 2; ++col) {
            auto* e = widgets_.get<QLineEdit>(
                QStringLiteral("%1(%2)").arg(col ? "Text3" : "Text4").arg(k));
            e->setAlignment(Qt::AlignRight);
            e->setMinimumWidth(width);
            g->addWidget(e, row, col + 1);
        }
    }
    for (const char* name : {"Text1", "Text2"}) {
        auto* e = widgets_.get<QLineEdit>(name);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(width);
    }
    g->addWidget(widgets_["Text1"], 21, 1);
    g->addWidget(widgets_["Text2"], 21, 2);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(2, 1);
    auto* scroll = cells_scroll_ = new QScrollArea;
    scroll->setWidget(cells);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(cells->sizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    body->addWidget(scroll, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(widgets_["tartab"]);
    side->addWidget(widgets_["per_sents"]);
    side->addSpacing(fontMetrics().height());
    for (const char* name : {"rdTable", "wrmyTable", "fTablOpen", "fTablSave"})
        side->addWidget(widgets_[name]);
    side->addSpacing(fontMetrics().height());
    for (const char* name : {"fTablFit", "fTablExport", "fTablImport"})
        side->addWidget(widgets_[name]);
    side->addStretch(1);
    side->addWidget(widgets_["Command1"]);
    body->addLayout(side);
    root->addLayout(body, 1);
    auto* fit = widgets_.get<QLabel>("fit_result");
    fit->setWordWrap(true);
    fit->setTextInteractionFlags(Qt::TextSelectableByMouse);
    root->addWidget(fit);

    resize(sizeHint().width(), fontMetrics().height() * 30);
    guard_wheel(this);
}

void TableWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!fitted_) fit_to_screen();
    fitted_ = true;
    if (anchor_) centre_over(*this, *anchor_);
}

void ShiftWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (anchor_) centre_over(*this, *anchor_);
}

void TableWindow::show_error(const QString& text) {
    error_->setText(text);
    error_->show();
}

void TableWindow::show_source(const QString& caption, const QString& source, bool reading) {
    QString title = caption;
    if (!source.isEmpty())
        title += (reading ? QCoreApplication::translate("TableWindow", " — чтение: ")
                          : QStringLiteral(" — ")) +
                 source;
    setWindowTitle(title);
    reading_->setVisible(reading);
    cells_scroll_->widget()->setEnabled(!reading);
}

void TableWindow::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    error_->clear();
    error_->hide();
}

void TableWindow::fit_to_screen() {
    // All of the cells when the screen has room, else as many as it takes.
    const int whole = sizeHint().height() - cells_scroll_->sizeHint().height() +
                      cells_scroll_->widget()->sizeHint().height();
    ::fit_to_screen(*this, QSize(width(), whole));
}

ShiftWindow::ShiftWindow(const ShiftForm& form, QWidget* parent)
    : QWidget(parent, Qt::Window), widgets_(this) {
    setObjectName(form.name());
    widgets_.create_missing(form);

    auto* root = new QVBoxLayout(this);
    auto* hint = widgets_.get<QLabel>("Label1");
    hint->setWordWrap(true);
    root->addWidget(hint);
    auto* data = widgets_.get<QLineEdit>("data");
    data->setAlignment(Qt::AlignRight);
    root->addWidget(data);
    auto* shifts = new QHBoxLayout;
    shifts->addWidget(widgets_["Command1"]);
    shifts->addWidget(widgets_["Command3"]);
    root->addLayout(shifts);
    auto* close = new QHBoxLayout;
    close->addStretch(1);
    close->addWidget(widgets_["Command2"]);
    root->addLayout(close);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

SplashWindow::SplashWindow(const SplashForm& form, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), widgets_(this) {
    setObjectName(form.name());
    widgets_.create_missing(form);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* image = widgets_.get<QLabel>("Image1");
    image->setPixmap(splash_picture(devicePixelRatioF()));
    root->addWidget(image);
}

void SplashWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (QScreen* s = screen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
}

QPixmap splash_picture(qreal dpr) {
    const QSizeF size(500, 300);
    QPixmap pm((size * dpr).toSize());
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x1d, 0x2b, 0x3a));
    sky.setColorAt(1, QColor(0x0e, 0x16, 0x20));
    p.fillRect(QRectF(QPointF(0, 0), size), sky);

    // The tank, cut open, with fuel at about two thirds.
    const QRectF tank(40, 60, 170, 200);
    QPainterPath shell;
    shell.addRoundedRect(tank, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2c, 0x3e, 0x50));
    p.drawPath(shell);
    const qreal level = tank.top() + tank.height() * 0.38;
    QLinearGradient fuel(0, level, 0, tank.bottom());
    fuel.setColorAt(0, QColor(0xf5, 0xb0, 0x41));
    fuel.setColorAt(1, QColor(0xc9, 0x6a, 0x12));
    p.save();
    p.setClipPath(shell);
    p.fillRect(QRectF(tank.left(), level, tank.width(), tank.bottom() - level), fuel);
    p.setPen(QPen(QColor(0xff, 0xd8, 0x8a), 2));
    p.drawLine(QPointF(tank.left(), level), QPointF(tank.right(), level));
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x9f, 0xb6, 0xcc), 4));
    p.drawPath(shell);

    // The probe: head above the tank, the measuring tube down to the bottom.
    const qreal x = tank.center().x();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xec, 0xf0));
    p.drawRoundedRect(QRectF(x - 24, 30, 48, 34), 6, 6);
    p.setBrush(QColor(0xb8, 0xc4, 0xd0));
    p.drawRect(QRectF(x - 7, 64, 14, tank.bottom() - 72));
    p.setBrush(QColor(0x5a, 0xd1, 0x7a));
    p.drawEllipse(QPointF(x + 12, 47), 4, 4);
    // Level marks on the tube.
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 1.5));
    for (qreal y = 90; y < tank.bottom() - 16; y += 20)
        p.drawLine(QPointF(x - 7, y), QPointF(x - 1, y));

    // The name.
    QFont name(QStringLiteral("DejaVu Sans"));
    name.setPixelSize(64);
    name.setBold(true);
    p.setFont(name);
    p.setPen(QColor(0xf2, 0xf4, 0xf6));
    p.drawText(QRectF(240, 80, 250, 80), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Zorvik"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(16);
    p.setFont(sub);
    p.setPen(QColor(0xf5, 0xb0, 0x41));
    p.drawText(QRectF(243, 160, 245, 50), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
               QCoreApplication::translate("Splash", "Конфигуратор датчиков уровня топлива"));
    p.setPen(QColor(0x9f, 0xb6, 0xcc));
    p.drawText(QRectF(243, 212, 245, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("v2.6.3"));
    p.end();
    return pm;
}
