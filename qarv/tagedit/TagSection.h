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

#include "songcore/edit/EditHistory.h"
#include "songcore/edit/FieldEdits.h"
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
    // Sets the song's fields of this section from the boxes.
    void Store(CSongFileInfo& song) const;

    // The text of a field's box, as typed.
    bool Has(songcore::SongField field) const;
    QString Value(songcore::SongField field) const;
    void SetValue(songcore::SongField field, const QString& value);
    // The box of a field, for tests and keyboard order; null when absent.
    QWidget* Box(songcore::SongField field) const;
    QLineEdit* TotalBox(songcore::SongField field) const;

    // Writes this section to the file: reads the tag first, so that what the
    // boxes do not show stays as it is, then sets the boxes' fields and
    // writes, or removes the tag when the section is cleared. lyrics, when
    // given, are written with the tag. edit, when given, gets the old and
    // new values of the fields that changed, for undo. Empty on success,
    // else why it failed.
    std::string WriteTo(const std::string& path, const std::string* lyrics,
                        songcore::FileEdit* edit = nullptr) const;

private:
    // The values of this section's fields (and the lyrics when asked).
    songcore::FieldValues Values(const CSongFileInfo& song, bool lyrics) const;

    const songcore::TagKind& kind_;
    Shape shape_;
    std::map<songcore::SongField, QLineEdit*> texts_;
    std::map<songcore::SongField, QLineEdit*> totals_;
    GenreCombo* genre_ = nullptr;
};
