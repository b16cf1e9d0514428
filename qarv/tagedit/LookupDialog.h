#pragma once
// "Look Up Album Online": finds the album of the selected songs on
// MusicBrainz (or, for songs ripped from a CD, the disc in a CD database)
// off the GUI thread with progress and Cancel, lets the user choose among
// the releases found, previews every field that would change, each with a
// tick box, and writes what stays ticked (with the front cover and the
// MusicBrainz identifiers) as one edit of the history.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "songcore/cddb/CDDBQueryResult.h"
#include "songcore/cddb/CDDBRecord.h"
#include "songcore/edit/BatchEdit.h"
#include "songcore/online/AlbumLookup.h"
#include "songcore/tags/Picture.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

class LookupDialog : public QDialog {
    Q_OBJECT
public:
    LookupDialog(const std::vector<std::string>& paths, QWidget* parent);

    enum Source { kMusicBrainz, kCdDatabase };
    QComboBox* SourceChoice() const { return source_; }
    QComboBox* ReleaseChoice() const { return releases_; }
    QLabel* ReleaseDetails() const { return details_; }
    // One top row per song (its tick box stands for all its fields), a child
    // row per field that would change: field, now, new.
    QTreeWidget* Preview() const { return preview_; }
    QCheckBox* CoverChoice() const { return coverChoice_; }
    QLabel* Summary() const { return summary_; }
    QPushButton* WriteButton() const { return write_; }
    const songcore::BatchOutcome& Outcome() const { return outcome_; }

    // Searches the chosen source and takes its likeliest answer.
    void LookUp();
    void Write();

private:
    // Fetches the release (or disc) at index of the search's answers, with
    // its cover, and matches the songs to it.
    void TakeRelease(int index);
    void PlanFromRelease();
    void PlanFromDisc();
    void ShowPreview();
    void ShowCover();
    void Forget();
    // The songs' order on the disc: by disc and track number when every
    // song has one, else as selected.
    std::vector<size_t> DiscOrder() const;

    std::vector<std::string> paths_;
    QComboBox* source_ = nullptr;
    QComboBox* releases_ = nullptr;
    QLabel* details_ = nullptr;
    QTreeWidget* preview_ = nullptr;
    QCheckBox* coverChoice_ = nullptr;
    QLabel* coverImage_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* lookUp_ = nullptr;
    QPushButton* write_ = nullptr;

    std::vector<songcore::LookupSong> songs_;
    std::vector<std::string> unreadable_;
    bool songsRead_ = false;
    int searchedSource_ = -1;
    std::vector<songcore::MbRelease> found_;
    songcore::MbRelease release_;
    std::optional<songcore::Picture> cover_;
    std::string coverWhy_;
    std::vector<CCDDBQueryResult> discs_;
    CCDDBRecord record_;
    std::vector<songcore::SongLookupChanges> plan_;
    std::string failure_;
    songcore::BatchOutcome outcome_;
};
