#include "app/status_line.h"

#include "app/binder.h"
#include "i18n/language.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QToolTip>

StatusLine::StatusLine(QWidget* window, QLabel* label)
    : QObject(label), label_(label), window_(window), timer_(new QTimer(this)) {
    clock_.start();
    // The binder leaves this label's text and colours to us.
    label_->setProperty(Binder::kWindowDrawn, true);
    for (auto* b : window->findChildren<QAbstractButton*>()) {
        if (b->objectName().isEmpty()) continue;
        connect(b, &QAbstractButton::clicked, this, [this, b] { operated(b->objectName()); });
    }
    for (auto* c : window->findChildren<QComboBox*>())
        connect(c, &QComboBox::activated, this, [this, c] { operated(c->objectName()); });
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (hold_.tick(clock_.elapsed())) show();
    });
}

void StatusLine::said(const QString& text, Colour colour) {
    hold_.said(clock_.elapsed(), text, colour);
    show();
}

void StatusLine::operated(const QString& name) {
    const bool was_held = hold_.holding();
    hold_.operated(clock_.elapsed(), name);
    if (was_held) show();
}

void StatusLine::show() {
    const StatusHold::Line& line = hold_.shown();
    if (const QString text = shown_text(line.text); label_->text() != text) label_->setText(text);
    QPalette p = label_->palette();
    p.setColor(QPalette::WindowText,
               to_qcolor(line.colour, label_->parentWidget() ? label_->parentWidget()->palette()
                                                             : label_->palette()));
    label_->setPalette(p);
    hold_.holding() ? timer_->start() : timer_->stop();

    QWidget* refused =
        hold_.refused().isEmpty() ? nullptr : window_->findChild<QWidget*>(hold_.refused());
    if (marked_ && marked_ != refused) marked_->setToolTip(marked_tip_);
    if (refused && marked_ != refused) {
        marked_tip_ = refused->toolTip();
        refused->setToolTip(shown_text(line.text));
        if (refused->isVisible())
            QToolTip::showText(refused->mapToGlobal(QPoint(0, refused->height())),
                               shown_text(line.text), refused);
    }
    marked_ = refused;
}
