#include "app/screen_fit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
// The frame around the client area: the window system's once it has framed
// the window; before that (and on systems that report less) a title bar of
// three lines of text, more than any takes.
QMargins frame_of(const QWidget& w) {
    const QRect f = w.frameGeometry(), g = w.geometry();
    QMargins m(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
               f.bottom() - g.bottom());
    m.setTop(std::max(m.top(), w.fontMetrics().height() * 3));
    return m;
}

void place(QWidget& w, const QRect& client, const QMargins& frame) {
    w.resize(client.size());
    // A window's position is its frame's.
    w.move(client.topLeft() - QPoint(frame.left(), frame.top()));
}
} // namespace

QRect fitted_client(const QRect& client, QSize wanted, const QMargins& frame, const QRect& avail) {
    const QSize room(avail.width() - frame.left() - frame.right(),
                     avail.height() - frame.top() - frame.bottom());
    QRect outer(client.topLeft() - QPoint(frame.left(), frame.top()),
                wanted.boundedTo(room).grownBy(frame));
    if (outer.bottom() > avail.bottom()) outer.moveBottom(avail.bottom());
    if (outer.top() < avail.top()) outer.moveTop(avail.top());
    if (outer.right() > avail.right()) outer.moveRight(avail.right());
    if (outer.left() < avail.left()) outer.moveLeft(avail.left());
    return outer.marginsRemoved(frame);
}

void fit_to_screen(QWidget& w, QSize wanted) {
    const QScreen* s = w.screen();
    if (!s) return;
    const QMargins frame = frame_of(w);
    place(w, fitted_client(w.geometry(), wanted, frame, s->availableGeometry()), frame);
}

void centre_over(QWidget& w, const QWidget& anchor) {
    if (!anchor.isVisible()) return;
    const QMargins frame = frame_of(w);
    QRect client = w.geometry();
    client.moveCenter(anchor.frameGeometry().center());
    const QScreen* s = anchor.screen();
    place(w, s ? fitted_client(client, client.size(), frame, s->availableGeometry()) : client,
          frame);
}
