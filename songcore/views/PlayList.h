#pragma once
// CPlayList: the play list. Rows of songs in three columns (artist, title,
// album), each row holding its song's file; the row the player is on; the
// selection its view sets; the list's own file ("qarv.pl") and the export
// and import of selected rows as SDF, M3U and PLS. Used on its owner's
// thread only; views follow it through IPlayListListener. The owner saves
// the list to its file when it closes (SavePlayList(GetDefaultPlayListFile())):
// destroying the object writes nothing.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "songcore/views/DragDropFiles.h"
#include "songcore/views/PlayListListener.h"
#include "songcore/views/TreeItem.h"

class CSongTreeCtrl;

class CPlayList : public CDragDropFiles {
public:
    enum Column { COLUMN_ARTIST = 0, COLUMN_TITLE = 1, COLUMN_ALBUM = 2, COLUMN_COUNT = 3 };
    static constexpr const char* kDefaultPlayListName = "qarv.pl";

    CPlayList();
    ~CPlayList() override;
    CPlayList(const CPlayList&) = delete;
    CPlayList& operator=(const CPlayList&) = delete;

    void AddListener(IPlayListListener* listener);
    void RemoveListener(IPlayListListener* listener);
    void SetSongTreeCtrl(CSongTreeCtrl* tree) { tree_ = tree; }
    CSongTreeCtrl* GetSongTreeCtrl() const { return tree_; }

    // --- columns ---
    static int GetColumnCount() { return COLUMN_COUNT; }
    // "Artist", "Title", "Album"; empty outside the columns.
    static std::string GetHeaderText(int column);
    // The initial widths in pixels (100, 150, 105).
    static int GetColumnWidth(int column);

    // --- rows ---
    int GetItemCount() const { return static_cast<int>(rows_.size()); }
    // Inserts a row at index; an index past the end appends, a negative one
    // is refused (0).
    int Add(int index, std::string artist, std::string album, std::string title, std::string file);
    // Adds the songs of a tree item and its subtree (and, with withSiblings,
    // of its later siblings), skipping songs already in the list.
    void Add(HTREEITEM item, int withSiblings);
    // Getters return "" for a row outside the list.
    std::string GetArtist(int row) const;
    std::string GetTitle(int row) const;
    std::string GetAlbum(int row) const;
    std::string GetFile(int row) const;
    // Column 0..2 of a row.
    std::string GetItemText(int row, int column) const;
    void SetArtist(int row, const char* text);
    void SetTitle(int row, const char* text);
    void SetAlbum(int row, const char* text);
    int SetItemText(int row, int column, const char* text);
    int SetFile(int row, const char* file);
    // Deletes one row; 0 for a row outside the list.
    int DeleteItem(int row);
    // Takes row from out and puts it back at index to (as counted after
    // taking it out), selection and all: the play list's Move Up and Move
    // Down. 0 when either is outside the list.
    int MoveItem(int from, int to);

    // --- searching and removing ---
    int FindSong(const char* file) const;
    int FindTextA(const char* text, int start) const;
    void Remove(const char* file);
    void RemoveAll();

    // --- selection (set by the view) ---
    void SetSelected(int row, bool selected);
    bool IsSelected(int row) const;
    void SelectAll(bool selected);
    int GetSelectedCount() const;
    // The first selected row after row (-1: from the start); -1 when none.
    int GetNextSelectedItem(int row) const;
    std::vector<int> GetSelectedRows() const;

    // --- the player's cursor ---
    void SetPlayerCurrentIndex(int index) { playerIndex_ = index; }
    int GetPlayerCurrentIndex() const { return playerIndex_; }
    std::string GetPlayerCurrentSong() const;
    std::string GetPlayerCurrentArtist() const;
    std::string GetPlayerCurrentTitle() const;
    std::string GetPlayerCurrentAblum() const;
    std::string GetPlayerNextSong();

    // --- the list's own file ---
    // $XDG_DATA_HOME/Tunemoss/qarv.pl.
    static std::string GetDefaultPlayListFile();
    // 1 when the file was written (its folder is created as needed).
    int SavePlayList(const char* path);
    // Appends the rows of a play list file; the number of rows added.
    int LoadPlayList(const char* path);

    // --- export of the selected rows, import appended at the end ---
    // Exports return 1 when the file reached the disk (or, for PLS with no
    // selected row, was rightly left alone); imports the rows added.
    int WriteToSDF(const char* path);
    int ReadFromSDF(const char* path);
    int WriteM3UList(const char* path);
    int ReadM3UList(const char* path);
    int WritePLSList(const char* path);
    int ReadPLSList(const char* path);

    // --- drag source: the files of the selected rows ---
    void AddDragFiles();
    void OnBegindrag();

private:
    struct Row {
        std::string text[COLUMN_COUNT];
        std::string file;
        bool selected = false;
    };
    bool IsRow(int row) const { return row >= 0 && row < GetItemCount(); }
    template <typename F>
    void Notify(F&& call) const {
        for (IPlayListListener* listener : listeners_) {
            call(listener);
        }
    }

    void CountFile(const std::string& file, int delta);

    std::vector<Row> rows_;
    // How many rows hold each file, so that adding a large branch of the
    // tree does not compare every song with every row.
    std::unordered_map<std::string, int> files_;
    std::vector<IPlayListListener*> listeners_;
    CSongTreeCtrl* tree_ = nullptr;
    int playerIndex_ = -1;
};
