#include "app/screen_fit.h"

#include <QScreen>
#include <QTimer>
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

bool framed(const QWidget& w) {
    return w.frameGeometry() != w.geometry();
}

const char* const kRefitPending = "zorvikRefitPending";

// A window placed before the window manager framed it may be framed
// elsewhere (its title bar above the screen at a large scale): once the
// frame is known the window is put back wholly on the free area.  Not every
// window system reports the framing with an event, so it is looked for a few
// times a second, for at most three seconds.
class RefitWhenFramed : public QObject {
public:
    explicit RefitWhenFramed(QWidget& w) : QObject(&w), w_(&w) {
        w.setProperty(kRefitPending, true);
        auto* poll = new QTimer(this);
        poll->setInterval(100);
        connect(poll, &QTimer::timeout, this, [this] {
            if (++polls_ > 30) return done();
            if (w_->isVisible() && framed(*w_)) {
                refit();
                done();
            }
        });
        poll->start();
    }

private:
    void done() {
        w_->setProperty(kRefitPending, false);
        deleteLater();
    }
    void refit() {
        if (!w_->screen()) return;
        const QRect f = w_->frameGeometry(), g = w_->geometry();
        const QMargins frame(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                             f.bottom() - g.bottom());
        const QRect fitted = fitted_client(g, g.size(), frame, w_->screen()->availableGeometry());
        if (fitted == g) return;
        w_->resize(fitted.size());
        w_->move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
    }

    QWidget* w_;
    int polls_ = 0;
};

void place(QWidget& w, const QRect& client, const QMargins& frame) {
    w.resize(client.size());
    // A window's position is its frame's.
    w.move(client.topLeft() - QPoint(frame.left(), frame.top()));
    if (!framed(w) && !w.property(kRefitPending).toBool()) new RefitWhenFramed(w);
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
