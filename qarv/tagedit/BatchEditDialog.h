#pragma once
// "Edit Tags of Selected Songs": one form for the fields many songs share.
// A field whose value differs across the songs shows "(keep)" and is left
// alone unless the user types into it; a field typed into is written to
// every song, each with its own format's writer. The songs can also be
// numbered 1 to N in the order shown, with an optional total.

#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "songcore/edit/BatchEdit.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class BatchEditDialog : public QDialog {
    Q_OBJECT
public:
    BatchEditDialog(std::vector<std::string> paths, QWidget* parent);

    // The changes of each song as the form stands; empty with a reason when
    // a typed value cannot be a value of its field.
    std::vector<songcore::BatchItem> Items(QString& problem) const;
    // Writes them (off the GUI thread, with progress); closes unless there
    // was nothing valid to write.
    void Apply();
    const songcore::BatchOutcome& Outcome() const { return outcome_; }

    QLineEdit* Box(songcore::SongField field) const { return boxes_.at(field); }
    QCheckBox* NumberBox() const { return number_; }
    QSpinBox* TotalBox() const { return total_; }

    // The fields the form shows, in its order.
    static const std::vector<songcore::SongField>& Fields();

private:
    std::vector<std::string> paths_;
    std::map<songcore::SongField, QLineEdit*> boxes_;
    std::map<songcore::SongField, bool> touched_;
    QCheckBox* number_ = nullptr;
    QSpinBox* total_ = nullptr;
    QLabel* problem_ = nullptr;
    songcore::BatchOutcome outcome_;
};
