#pragma once
// One tag of a song in a tag editor dialog: a titled group of boxes, one per
// field the tag keeps, filled from the tag and written back to it. A section
// with a check box ("ID3v&2 Tag") stands for a tag the file may not have:
// ticked when the file has it, its boxes enabled only while ticked, and the
// tag removed on writing when it is cleared.

#include <QGroupBox>
#include <QString>
#include <map>
#include <string>
#include <vector>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/TagKinds.h"

class GenreCombo;
class QLineEdit;

class TagSection : public QGroupBox {
    Q_OBJECT
public:
    struct Row {
        songcore::SongField field;
        QString label;
    };
    struct Shape {
        QString title;
        bool checkable = true;
        // Track and disc have their totals beside them, in an "of" box.
        bool withTotals = false;
        // The longest comment the tag takes; longer ones are cut on writing.
        int commentLimit = -1;
    };

    TagSection(const songcore::TagKind& kind, const Shape& shape, const std::vector<Row>& rows,
               QWidget* parent);

    const songcore::TagKind& Kind() const { return kind_; }
    // Ticked, or a section without a check box.
    bool Present() const;
    void SetPresent(bool present);

    // Fills the boxes from the song, whose reader for this tag has run;
    // found says whether it found the tag.
    void Fill(const CSongFileInfo& song, bool found);
    // The text of a field's box, as typed.
    bool Has(songcore::SongField field) const;
    QString Value(songcore::SongField field) const;
    void SetValue(songcore::SongField field, const QString& value);
    // The box of a field, for tests and keyboard order; null when absent.
    QWidget* Box(songcore::SongField field) const;
    QLineEdit* TotalBox(songcore::SongField field) const;
    // The box of the first row, where typing starts.
    QWidget* FirstBox() const { return first_; }

    // Writes this section to the file by the edit every other writer uses
    // (songcore::EditSong): the tag is read first, so that what the boxes do
    // not show stays as it is, then the boxes' fields are set and the tag
    // written and read back; or the tag is removed when the section is
    // cleared. lyrics, when given, are written with the tag. The result says
    // what failed, or holds the old and new values for undo.
    songcore::SongEditResult WriteTo(const std::string& path, const std::string* lyrics) const;

private:
    // The boxes' texts as field changes; each empty with empty.
    songcore::FieldValues BoxValues(bool empty) const;

    const songcore::TagKind& kind_;
    Shape shape_;
    std::map<songcore::SongField, QLineEdit*> texts_;
    std::map<songcore::SongField, QLineEdit*> totals_;
    GenreCombo* genre_ = nullptr;
    QWidget* first_ = nullptr;
};
