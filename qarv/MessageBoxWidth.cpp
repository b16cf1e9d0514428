#include "qarv/MessageBoxWidth.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

void FitTitle(QMessageBox& box) {
    // The title as the desktop shows it, with the program's name after it,
    // and room for the frame's buttons.
    const QString shown =
        box.windowTitle() + QStringLiteral(" \u2014 ") + QApplication::applicationDisplayName();
    // Title bars often use a bolder, larger font than the box's text.
    constexpr int kFrameButtons = 140;
    const int width = QFontMetrics(box.font()).horizontalAdvance(shown) * 5 / 4 + kFrameButtons;
    // A message box lays itself out anew on showing; a spacer in its grid
    // is what it keeps.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}
