#pragma once
// Edit > History: the tag edits that can be undone, newest first, each with
// its files and what changed in them. Any of them can be undone on its own;
// a file that a later edit (or another program) changed is refused and
// named, as Undo refuses it.

#include <QDialog>
#include <string>
#include <vector>

#include "songcore/edit/EditHistory.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    explicit HistoryDialog(QWidget* parent);

    // Reads the history again.
    void Reload();
    QTreeWidget* Entries() const { return entries_; }
    // Undoes the selected edit; false when nothing was undone.
    bool UndoSelected();

Q_SIGNALS:
    // An undo from this window, for the views and the status bar.
    void stepDone(const songcore::HistoryOutcome& outcome);

private:
    QTreeWidget* entries_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* undo_ = nullptr;
};
