#pragma once
// Windows on small screens: a window gets the size it wants, or as much of it
// as the screen's free area leaves beside its title bar, and stays on screen.
#include <QSize>

class QWidget;

void fit_to_screen(QWidget& window, QSize wanted);

// Moves `window` so that it stands centred over `anchor`, within the screen.
void centre_over(QWidget& window, const QWidget& anchor);
