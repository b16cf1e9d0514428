#include "qarv/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect FitWithin(const QRect& frame, const QRect& available) {
    if (!available.isValid()) {
        return frame;
    }
    QRect fitted(frame.topLeft(), frame.size().boundedTo(available.size()));
    fitted.moveLeft(
        std::clamp(fitted.left(), available.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(
        std::clamp(fitted.top(), available.top(), available.bottom() - fitted.height() + 1));
    return fitted;
}

void KeepOnScreen(QWidget& window) {
    if (window.isMaximized() || window.isFullScreen()) {
        return;
    }
    QScreen* screen = QGuiApplication::screenAt(window.geometry().center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect fitted = FitWithin(window.geometry(), screen->availableGeometry());
    if (fitted != window.geometry()) {
        window.setGeometry(fitted);
    }
}
