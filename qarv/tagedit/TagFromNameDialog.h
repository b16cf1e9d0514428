#pragma once
// "Tag from File Names": a pattern such as "%TRACK - %ARTIST - %TITLE" read
// against each selected song's file name (and, with "/", its folder names),
// with a preview of the values each name gives before anything is written.
// Songs whose names do not fit are shown as such and skipped.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "songcore/edit/BatchEdit.h"
#include "songcore/edit/NamePattern.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TagFromNameDialog : public QDialog {
    Q_OBJECT
public:
    TagFromNameDialog(std::vector<std::string> paths, QWidget* parent);

    QLineEdit* PatternBox() const { return pattern_; }
    QTableWidget* Preview() const { return preview_; }
    QPushButton* ApplyButton() const { return apply_; }
    // The songs whose names fit, with the values they give.
    const std::vector<songcore::BatchItem>& Items() const { return items_; }
    const songcore::BatchOutcome& Outcome() const { return outcome_; }
    void Apply();

private:
    void UpdatePreview();

    std::vector<std::string> paths_;
    QLineEdit* pattern_ = nullptr;
    QLabel* problem_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<songcore::BatchItem> items_;
    songcore::BatchOutcome outcome_;
};
