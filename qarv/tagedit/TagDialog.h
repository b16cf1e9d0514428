#pragma once
// A tag editor dialog: the tag sections of one song file, its stream
// information, and the buttons every such dialog has ("&Update", "Undo
// Chan&ges", Cancel). The families of formats (MP3, AAC, ...) differ only in
// their sections, their copy buttons and the order in which "&Update" writes
// the sections; TagEditor builds each of them from this class.

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "qarv/tagedit/TagSection.h"
#include "songcore/edit/EditHistory.h"

class CoverBox;
class ItemsBox;
class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

class TagDialog : public QDialog {
    Q_OBJECT
public:
    TagDialog(const QString& title, std::string path, QWidget* parent);

    const std::string& Path() const { return path_; }

    // Adds a section beside the others.
    TagSection* AddSection(const songcore::TagKind& kind, const TagSection::Shape& shape,
                           const std::vector<TagSection::Row>& rows);
    // The order in which "&Update" writes the sections, each with the text
    // shown when its write fails. Update stops at the first failure.
    void SetWriteOrder(std::vector<std::pair<TagSection*, QString>> order);
    // The section whose tag holds the lyrics: gives the dialog a "Lyrics"
    // button, enabled while that section is.
    void SetLyricsSection(TagSection* section);
    // The read-only stream information, taken from the reader of kind.
    void ShowStreamText(const songcore::TagKind& kind);
    // The items of the tag that no box shows, in a table beside the stream
    // information, written by Update when they were changed. Files whose
    // format keeps no such items do not show it.
    void ShowItems();
    ItemsBox* Items() const { return items_; }
    // The song's pictures beside the stream information, written by Update
    // when they were changed (every format but RealMedia has them).
    void ShowCover();
    CoverBox* Cover() const { return cover_; }
    // A button in the row of copy buttons, enabled while section is.
    QPushButton* AddCopyButton(const QString& text, TagSection* section);
    // A failed write closes the dialog all the same (the MP4 dialog).
    void SetCloseOnFailure(bool close) { closeOnFailure_ = close; }

    // Reads the tags into the boxes, as on opening; "Undo Chan&ges" does it
    // again.
    void Load();
    // Writes the sections in their order; closes with OK when all succeed.
    bool Update();
    // Puts the focus into the first box of the first tag the file has, so
    // that typing starts there (not on a button).
    void FocusFirstField();

    const std::vector<TagSection*>& Sections() const { return sections_; }
    QString Lyrics() const { return lyrics_; }
    void SetLyrics(const QString& lyrics) { lyrics_ = lyrics; }
    QString StreamText() const;
    QPushButton* UpdateButton() const { return update_; }
    QPushButton* LyricsButton() const { return lyricsButton_; }
    // Why the song could not be read; empty when it could.
    QString ReadProblem() const;

private:
    void UpdateEnabling();
    // The tabs of the stream information and the items, made by the first
    // of them.
    QTabWidget* Details();
    void LoadItems();
    // The writes of Update, each kept in operation; false (and told) when
    // one fails.
    bool WriteItems(songcore::EditOperation& operation);
    bool WriteSections(songcore::EditOperation& operation);
    bool WritePictures(songcore::EditOperation& operation);
    QString FileName() const;

    std::string path_;
    std::vector<TagSection*> sections_;
    std::vector<std::pair<TagSection*, QString>> writeOrder_;
    std::vector<std::pair<QPushButton*, TagSection*>> tiedButtons_;
    TagSection* lyricsSection_ = nullptr;
    const songcore::TagKind* streamKind_ = nullptr;
    bool closeOnFailure_ = false;
    QString lyrics_;

    QLabel* problem_ = nullptr;
    QHBoxLayout* sectionRow_ = nullptr;
    QHBoxLayout* streamSlot_ = nullptr;
    CoverBox* cover_ = nullptr;
    QHBoxLayout* copyRow_ = nullptr;
    QTabWidget* details_ = nullptr;
    QPlainTextEdit* stream_ = nullptr;
    ItemsBox* items_ = nullptr;
    // The tag kind that keeps the items (TAG_ID3V2...), as Load found it.
    uint32_t itemsKind_ = 0;
    QPushButton* lyricsButton_ = nullptr;
    QPushButton* update_ = nullptr;
};
