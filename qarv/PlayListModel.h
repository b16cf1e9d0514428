#pragma once
// PlayListModel: the play list as Qt's table model (artist, title, album,
// and the optional track, length, file and other field columns).
// Editing a cell writes the new text into the song's tag first; the cell
// changes only when the file took it, and a failure is told. An edit of a
// cell of one of several selected rows is written into every selected row. Sorting reorders the
// list itself, as a report list sorts its rows.

#include <QAbstractTableModel>
#include <optional>
#include <utility>
#include <vector>

#include "qarv/SongDetailsReader.h"
#include "qarv/SongRowReader.h"
#include "songcore/views/PlayList.h"

class CSongFileInfo;

class PlayListModel : public QAbstractTableModel, private IPlayListListener {
    Q_OBJECT
public:
    explicit PlayListModel(CPlayList& list, QObject* parent = nullptr);
    ~PlayListModel() override;

    // Past the list's own three columns come these, which the window shows
    // only on the user's wish; all but File are read on a worker thread as
    // their rows are first shown.
    enum ExtraColumn {
        kTrackColumn = CPlayList::COLUMN_COUNT,
        kLengthColumn,
        kFileColumn,
        // The other fields of the songs' tags.
        kAlbumArtistColumn,
        kYearColumn,
        kGenreColumn,
        kDiscColumn,
        kCommentColumn,
        kComposerColumn,
        kColumnCount
    };
    static bool IsOptionalColumn(int column) { return column >= kTrackColumn; }
    // The tag field a column shows; none for Length and File.
    static std::optional<songcore::SongField> FieldOf(int column);

    CPlayList& List() { return list_; }
    // Whether dropped web addresses are still being read.
    bool IsReadingDrops() const { return webReader_.IsReading(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // Dropped songs are appended, each read for its tags (an untagged song
    // shows its file name); a file already in the list, or one that cannot
    // be opened, is skipped. Web addresses are read on a worker thread and
    // appended as they arrive.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // The number of rows added.
    static int AddDroppedFiles(CPlayList& list, const QStringList& paths);
    // A song file as a play list row: its tags, or its file name as the
    // title when it has none. False (with why) when it cannot be opened.
    struct SongRow {
        std::string artist, album, title;
    };
    static bool ReadSongRow(const std::string& file, SongRow& row, std::string& error);
    // The same through a record the caller holds (and may cancel).
    static bool ReadSongRow(CSongFileInfo& info, const std::string& file, SongRow& row,
                            std::string& error);
    // The same, telling of each file that could not be opened
    // ("NAME: reason") in failures.
    static int AddSongFiles(CPlayList& list, const QStringList& paths, QStringList& failures);
    // Whether the player's row is playing (or paused): it then carries a
    // mark in the first column.
    void SetPlayerActive(bool active);

    // Writes text into the field of the songs' tags (a song without a tag
    // gets one), as one edit that can be undone; the files that failed,
    // with why.
    static std::vector<std::pair<std::string, std::string>> WriteTagField(
        const std::vector<std::string>& files, songcore::SongField field, const std::string& text);

Q_SIGNALS:
    // A cell edit wrote the song's tag.
    void tagWritten(const QString& path);
    // A cell edit could not be written: "Cannot write NAME: reason".
    void tagWriteFailed(const QString& message);
    // A dropped web address could not be read: "Cannot add ADDRESS: reason".
    void songReadFailed(const QString& message);
    // The list's own selection changed (rows removed, inserted, or set).
    void listSelectionChanged();
    void ensureVisibleRequested(int row);

private:
    void OnBeginInsertRow(int row) override;
    void OnEndInsertRow(int row) override;
    void OnBeginRemoveRows(int first, int last) override;
    void OnEndRemoveRows(int first, int last) override;
    void OnRowChanged(int row, int column) override;
    void OnSelectionChanged() override;
    void OnEnsureVisible(int row) override;

    QVariant ExtraText(int row, int column) const;
    // The text a column sorts by.
    QString SortText(int row, int column);

    CPlayList& list_;
    SongRowReader webReader_;
    mutable SongDetailsReader details_;
    bool sorting_ = false;
    bool playerActive_ = false;
};
