#pragma once
// "Edit Tags of Selected Songs": one form for the fields many songs share.
// A field whose value differs across the songs shows "(keep)" and is left
// alone unless the user types into it; a field typed into is written to
// every song, each with its own format's writer. The songs can also be
// numbered: in the order shown or by file name, 1 to N with an optional
// total, or album by album in their track order, each album's count its
// total. Any one field can be changed in each song by find and replace
// (plain text or a regular expression) and a change of letter case. Every value that Apply would
// change is listed beforehand, with its old and its new text.

#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "qarv/tagedit/TextTransform.h"
#include "songcore/edit/BatchEdit.h"
#include "songcore/edit/TrackNumbering.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QVBoxLayout;

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
    // The numbering's order: the data of each entry is a NumberingOrder.
    QComboBox* NumberOrderBox() const { return numberOrder_; }
    // Find and replace and the case change, on the field chosen.
    QComboBox* TransformFieldBox() const { return transformField_; }
    QLineEdit* FindBox() const { return find_; }
    QLineEdit* ReplaceBox() const { return replace_; }
    QCheckBox* RegexBox() const { return regex_; }
    QComboBox* CaseBox() const { return case_; }
    QCheckBox* SmallWordsBox() const { return smallWords_; }
    // Song, field, old value, new value: each change Apply would make.
    QTableWidget* Preview() const { return preview_; }

    // The fields the form shows, in its order.
    static const std::vector<songcore::SongField>& Fields();

private:
    void BuildNumbering(QVBoxLayout* layout);
    void BuildTransform(QVBoxLayout* layout);
    // Each song's new track text, at the song's index.
    std::vector<std::string> TrackTexts() const;
    TextTransform Transform() const;
    songcore::SongField TransformField() const;
    const std::string& Current(size_t song, songcore::SongField field) const;
    void UpdatePreview();

    std::vector<std::string> paths_;
    // Each song's values as read, by field of the form.
    std::vector<std::map<songcore::SongField, std::string>> current_;
    // What the album order numbers the songs by.
    std::vector<songcore::NumberingSong> numbering_;
    std::map<songcore::SongField, QLineEdit*> boxes_;
    std::map<songcore::SongField, bool> touched_;
    QCheckBox* number_ = nullptr;
    QSpinBox* total_ = nullptr;
    QComboBox* numberOrder_ = nullptr;
    QComboBox* transformField_ = nullptr;
    QLineEdit* find_ = nullptr;
    QLineEdit* replace_ = nullptr;
    QCheckBox* regex_ = nullptr;
    QComboBox* case_ = nullptr;
    QCheckBox* smallWords_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QLabel* problem_ = nullptr;
    songcore::BatchOutcome outcome_;
};
