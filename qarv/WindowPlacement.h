#pragma once
// Where a window restored from the settings may go: a size saved on another
// screen, or at another scale, must not put the window (and its status bar)
// beyond the screen it opens on.

#include <QRect>

class QWidget;

// frame made to fit within available: shrunk to its size when larger, then
// moved inside it.
QRect FitWithin(const QRect& frame, const QRect& available);

// Fits the window to the available area of the screen it lies on (or the
// primary screen), unless it is maximised or full screen.
void KeepOnScreen(QWidget& window);
