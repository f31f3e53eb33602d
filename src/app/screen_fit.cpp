#include "app/screen_fit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void fit_to_screen(QWidget& w, QSize wanted) {
    const QScreen* s = w.screen();
    if (!s) return;
    const QRect avail = s->availableGeometry();
    // The title bar is not known before the window is shown on some systems;
    // three lines of text are more than any title bar takes.
    const int title =
        std::max(w.frameGeometry().height() - w.height(), w.fontMetrics().height() * 3);
    const int sides = w.frameGeometry().width() - w.width();
    w.resize(std::min(wanted.width(), avail.width() - sides),
             std::min(wanted.height(), avail.height() - title));
    QRect r = w.frameGeometry();
    r.setHeight(w.height() + title);
    if (r.bottom() > avail.bottom()) r.moveBottom(avail.bottom());
    if (r.top() < avail.top()) r.moveTop(avail.top());
    if (r.right() > avail.right()) r.moveRight(avail.right());
    if (r.left() < avail.left()) r.moveLeft(avail.left());
    w.move(r.topLeft());
}

void centre_over(QWidget& w, const QWidget& anchor) {
    if (!anchor.isVisible()) return;
    QRect r = w.frameGeometry();
    r.moveCenter(anchor.frameGeometry().center());
    if (const QScreen* s = anchor.screen()) {
        const QRect avail = s->availableGeometry();
        if (r.right() > avail.right()) r.moveRight(avail.right());
        if (r.bottom() > avail.bottom()) r.moveBottom(avail.bottom());
        if (r.left() < avail.left()) r.moveLeft(avail.left());
        if (r.top() < avail.top()) r.moveTop(avail.top());
    }
    w.move(r.topLeft());
}
