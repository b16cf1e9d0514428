#pragma once
// A status bar pane that reports double-clicks (the status text and the
// position text react to them).

#include <QLabel>

class PaneLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QLabel::mouseDoubleClickEvent(event);
        Q_EMIT doubleClicked();
    }
};
