#pragma once
// "Tag from File Names": a pattern such as "%TRACK - %ARTIST - %TITLE" read
// against each selected song's file name (and, with "/", its folder names),
// with a preview of the values each name gives before anything is written:
// "old → new" where a value changes, the new value alone where the song has
// none, greyed where the song has it already. Songs whose names do not fit are shown as such and
// skipped.

#include <QDialog>
#include <map>
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

    // The song's value of field as read (once, on first asking).
    const std::string& Current(size_t song, songcore::SongField field);

    std::vector<std::string> paths_;
    std::vector<std::map<songcore::SongField, std::string>> current_;
    QLineEdit* pattern_ = nullptr;
    QLabel* problem_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<songcore::BatchItem> items_;
    songcore::BatchOutcome outcome_;
};
