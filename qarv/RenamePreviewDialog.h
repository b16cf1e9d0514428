#pragma once
// The names Rename As would give, shown before any file is renamed: each
// song's name now and the one its tags give, and why a song keeps its name
// (it has it already, its tags cannot be read, the new name is taken).
// "&Rename" goes ahead with the songs that get a new name.

#include <QDialog>
#include <string>
#include <vector>

#include "songcore/rename/PatternJobs.h"

class QPushButton;
class QTableWidget;

class RenamePreviewDialog : public QDialog {
    Q_OBJECT
public:
    // planned: the results of a dry run.
    RenamePreviewDialog(const std::vector<songcore::PatternJobResult>& planned, QWidget* parent);

    // The songs that get a new name, in their order.
    const std::vector<std::string>& Renamed() const { return renamed_; }
    QTableWidget* Table() const { return table_; }
    QPushButton* RenameButton() const { return rename_; }

private:
    std::vector<std::string> renamed_;
    QTableWidget* table_ = nullptr;
    QPushButton* rename_ = nullptr;
};
