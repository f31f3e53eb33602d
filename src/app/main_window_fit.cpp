// The main window's size: folded to the screen's width, grown with its texts.
#include "app/main_window.h"

#include "app/screen_fit.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDockWidget>
#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (fitted_) return;
    fitted_ = true;
    if (!saved_geometry_.isEmpty() && restoreGeometry(saved_geometry_)) {
        // The screen may have changed since; the window stays whole on it.
        fold_to_width(screen()->availableGeometry().width());
        fit_to_screen(*this, size());
        return;
    }
    fold_to_width(screen()->availableGeometry().width());
    fit_to_screen(*this, wanted_size(content_->sizeHint()));
}

void MainWindow::fold_to_width(int width) {
    // The window manager's frame, when there is one yet; a guess otherwise.
    const int frame = std::max(frameGeometry().width() - geometry().width(), em(this));
    auto needed = [this] {
        // A row's new direction reaches the sizes of the widgets around it
        // through layout requests posted a level at a time.
        for (int level = 0; level < 8; ++level)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        content_->layout()->activate();
        return wanted_size(content_->minimumSizeHint()).width();
    };
    for (QBoxLayout* row : foldable_) {
        if (row->direction() == QBoxLayout::TopToBottom) continue;
        if (needed() + frame <= width) return;
        row->setDirection(QBoxLayout::TopToBottom);
    }
}

QSize MainWindow::wanted_size(QSize content) const {
    // Room for the vertical scroll bar, which a short screen brings: without it
    // the controls would also scroll sideways.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return QSize(content.width() + bar, content.height() + statusBar()->sizeHint().height());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // The controls widen as the sensor's texts come in (its version, the
    // modes its firmware offers); the window widens with them rather than
    // scroll sideways, as far as the screen allows.
    if (watched == content_ && e->type() == QEvent::LayoutRequest && fitted_ && !grow_posted_) {
        grow_posted_ = true;
        QTimer::singleShot(0, this, [this] {
            grow_posted_ = false;
            grow_to_content();
        });
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::grow_to_content(bool whole_height) {
    if (isMaximized() || isFullScreen() || !isVisible()) return;
    // Texts that came in (a long warning, a sensor's modes) may need the
    // screen's width; more groups stack then, never fewer.
    fold_to_width(screen()->availableGeometry().width());
    QSize need = content_->minimumSizeHint();
    if (whole_height) need.setHeight(content_->sizeHint().height());
    const QSize room = scroll_->viewport()->size();
    if (need.width() <= room.width() && need.height() <= room.height()) return;
    QSize wanted = wanted_size(need);
    if (dock_->isVisible())
        wanted.rheight() +=
            dock_->height() + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
    wanted = wanted.expandedTo(size());
    if (wanted == size()) return;
    fit_to_screen(*this, wanted);
}
