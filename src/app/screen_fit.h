#pragma once
// Windows on small screens: a window gets the size it wants, or as much of it
// as the screen's free area leaves beside its title bar, and stays on screen.
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

void fit_to_screen(QWidget& window, QSize wanted);

// Moves `window` so that it stands centred over `anchor`, within the screen.
void centre_over(QWidget& window, const QWidget& anchor);

// Where a window's client area goes: `wanted` shrunk until the client with its
// `frame` fits `avail`, placed where `client` is and then moved, frame and
// title bar included, wholly into `avail`.
QRect fitted_client(const QRect& client, QSize wanted, const QMargins& frame, const QRect& avail);
