#include "songcore/views/PlayList.h"

#include <algorithm>

#include "songcore/util/Text.h"
#include "songcore/views/SongTreeCtrl.h"
#include "songcore/views/UserDataFile.h"

namespace {

constexpr const char* kHeaderTexts[CPlayList::COLUMN_COUNT] = {"Artist", "Title", "Album"};
constexpr int kColumnWidths[CPlayList::COLUMN_COUNT] = {100, 150, 105};

}  // namespace

CPlayList::CPlayList() = default;
CPlayList::~CPlayList() = default;

void CPlayList::AddListener(IPlayListListener* listener) {
    if (listener != nullptr) {
        listeners_.push_back(listener);
    }
}

void CPlayList::RemoveListener(IPlayListListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

std::string CPlayList::GetHeaderText(int column) {
    return column >= 0 && column < COLUMN_COUNT ? kHeaderTexts[column] : "";
}

int CPlayList::GetColumnWidth(int column) {
    return column >= 0 && column < COLUMN_COUNT ? kColumnWidths[column] : 0;
}

void CPlayList::CountFile(const std::string& file, int delta) {
    int& count = files_[file];
    count += delta;
    if (count <= 0) {
        files_.erase(file);
    }
}

// --- rows ---

int CPlayList::Add(int index, std::string artist, std::string album, std::string title,
                   std::string file) {
    if (index < 0) {
        return 0;
    }
    index = std::min(index, GetItemCount());
    Row row;
    row.text[COLUMN_ARTIST] = std::move(artist);
    row.text[COLUMN_TITLE] = std::move(title);
    row.text[COLUMN_ALBUM] = std::move(album);
    row.file = std::move(file);
    Notify([&](IPlayListListener* l) { l->OnBeginInsertRow(index); });
    CountFile(row.file, 1);
    rows_.insert(rows_.begin() + index, std::move(row));
    Notify([&](IPlayListListener* l) { l->OnEndInsertRow(index); });
    return 1;
}

void CPlayList::Add(HTREEITEM item, int withSiblings) {
    if (tree_ == nullptr) {
        return;
    }
    for (HTREEITEM node = item; node != nullptr;
         node = withSiblings ? tree_->GetNextSiblingItem(node) : nullptr) {
        if (tree_->GetItemType(node) & SONG_TREE_TYPE_SONG) {
            std::string file = tree_->GetSongFile(node);
            if (files_.find(file) == files_.end()) {
                Add(GetItemCount(), tree_->GetSongArtist(node), tree_->GetSongAlbum(node),
                    tree_->GetSongTitle(node), file);
            }
        }
        HTREEITEM child = tree_->GetChildItem(node);
        if (child != nullptr) {
            Add(child, 1);
        }
    }
}

std::string CPlayList::GetItemText(int row, int column) const {
    if (!IsRow(row) || column < 0 || column >= COLUMN_COUNT) {
        return {};
    }
    return rows_[row].text[column];
}

std::string CPlayList::GetArtist(int row) const {
    return GetItemText(row, COLUMN_ARTIST);
}
std::string CPlayList::GetTitle(int row) const {
    return GetItemText(row, COLUMN_TITLE);
}
std::string CPlayList::GetAlbum(int row) const {
    return GetItemText(row, COLUMN_ALBUM);
}
std::string CPlayList::GetFile(int row) const {
    return IsRow(row) ? rows_[row].file : "";
}

int CPlayList::SetItemText(int row, int column, const char* text) {
    if (!IsRow(row) || column < 0 || column >= COLUMN_COUNT || text == nullptr) {
        return 0;
    }
    rows_[row].text[column] = text;
    Notify([&](IPlayListListener* l) { l->OnRowChanged(row, column); });
    return 1;
}

void CPlayList::SetArtist(int row, const char* text) {
    SetItemText(row, COLUMN_ARTIST, text);
}
void CPlayList::SetTitle(int row, const char* text) {
    SetItemText(row, COLUMN_TITLE, text);
}
void CPlayList::SetAlbum(int row, const char* text) {
    SetItemText(row, COLUMN_ALBUM, text);
}

int CPlayList::SetFile(int row, const char* file) {
    if (!IsRow(row) || file == nullptr) {
        return 0;
    }
    CountFile(rows_[row].file, -1);
    rows_[row].file = file;
    CountFile(rows_[row].file, 1);
    Notify([&](IPlayListListener* l) { l->OnRowChanged(row, -1); });
    return 1;
}

int CPlayList::DeleteItem(int row) {
    if (!IsRow(row)) {
        return 0;
    }
    bool selected = rows_[row].selected;
    Notify([&](IPlayListListener* l) { l->OnBeginRemoveRows(row, row); });
    CountFile(rows_[row].file, -1);
    rows_.erase(rows_.begin() + row);
    // The player's cursor stays on its song; when the song itself goes, the
    // one after it plays next.
    if (row <= playerIndex_ && playerIndex_ < GetItemCount() + 1) {
        --playerIndex_;
    }
    Notify([&](IPlayListListener* l) { l->OnEndRemoveRows(row, row); });
    if (selected) {
        Notify([](IPlayListListener* l) { l->OnSelectionChanged(); });
    }
    return 1;
}

int CPlayList::MoveItem(int from, int to) {
    if (!IsRow(from) || !IsRow(to)) {
        return 0;
    }
    if (from == to) {
        return 1;
    }
    Notify([&](IPlayListListener* l) { l->OnBeginRemoveRows(from, from); });
    Row row = std::move(rows_[from]);
    rows_.erase(rows_.begin() + from);
    Notify([&](IPlayListListener* l) { l->OnEndRemoveRows(from, from); });
    Notify([&](IPlayListListener* l) { l->OnBeginInsertRow(to); });
    rows_.insert(rows_.begin() + to, std::move(row));
    Notify([&](IPlayListListener* l) { l->OnEndInsertRow(to); });
    return 1;
}

// --- searching and removing ---

int CPlayList::FindSong(const char* file) const {
    if (file == nullptr || files_.find(file) == files_.end()) {
        return -1;
    }
    for (int row = 0; row < GetItemCount(); ++row) {
        if (rows_[row].file == file) {
            return row;
        }
    }
    return -1;
}

int CPlayList::FindTextA(const char* text, int start) const {
    if (text == nullptr || start >= GetItemCount()) {
        return -1;
    }
    std::string needle = songcore::ToUpperUnicode(text);
    for (int row = std::max(start, 0); row < GetItemCount(); ++row) {
        for (const std::string& cell : rows_[row].text) {
            if (songcore::ToUpperUnicode(cell).find(needle) != std::string::npos) {
                return row;
            }
        }
    }
    return -1;
}

void CPlayList::Remove(const char* file) {
    int row = FindSong(file);
    if (row >= 0) {
        DeleteItem(row);
    }
}

void CPlayList::RemoveAll() {
    if (rows_.empty()) {
        return;
    }
    int last = GetItemCount() - 1;
    Notify([&](IPlayListListener* l) { l->OnBeginRemoveRows(0, last); });
    rows_.clear();
    files_.clear();
    Notify([&](IPlayListListener* l) { l->OnEndRemoveRows(0, last); });
    Notify([](IPlayListListener* l) { l->OnSelectionChanged(); });
}

// --- selection ---

void CPlayList::SetSelected(int row, bool selected) {
    if (IsRow(row) && rows_[row].selected != selected) {
        rows_[row].selected = selected;
        Notify([](IPlayListListener* l) { l->OnSelectionChanged(); });
    }
}

bool CPlayList::IsSelected(int row) const {
    return IsRow(row) && rows_[row].selected;
}

void CPlayList::SelectAll(bool selected) {
    for (Row& row : rows_) {
        row.selected = selected;
    }
    Notify([](IPlayListListener* l) { l->OnSelectionChanged(); });
}

int CPlayList::GetSelectedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

int CPlayList::GetNextSelectedItem(int row) const {
    for (int i = std::max(row + 1, 0); i < GetItemCount(); ++i) {
        if (rows_[i].selected) {
            return i;
        }
    }
    return -1;
}

std::vector<int> CPlayList::GetSelectedRows() const {
    std::vector<int> selected;
    for (int row = GetNextSelectedItem(-1); row >= 0; row = GetNextSelectedItem(row)) {
        selected.push_back(row);
    }
    return selected;
}

// --- the player's cursor ---

std::string CPlayList::GetPlayerCurrentSong() const {
    return GetFile(playerIndex_);
}
std::string CPlayList::GetPlayerCurrentArtist() const {
    return GetArtist(playerIndex_);
}
std::string CPlayList::GetPlayerCurrentTitle() const {
    return GetTitle(playerIndex_);
}
std::string CPlayList::GetPlayerCurrentAblum() const {
    return GetAlbum(playerIndex_);
}

std::string CPlayList::GetPlayerNextSong() {
    // The index is set unchecked: from anything below 0 the next song is
    // row 0, and from the last row (or past it) the list is at its end.
    if (playerIndex_ >= GetItemCount()) {
        playerIndex_ = -1;
        return {};
    }
    playerIndex_ = std::max(playerIndex_, -1) + 1;
    if (playerIndex_ < GetItemCount()) {
        return rows_[playerIndex_].file;
    }
    playerIndex_ = -1;
    return {};
}

// --- drag source ---

void CPlayList::AddDragFiles() {
    for (int row : GetSelectedRows()) {
        AddDragFile(rows_[row].file.c_str());
    }
}

void CPlayList::OnBegindrag() {
    AddDragFiles();
    DragFiles();
    RemoveAllDragFiles();
}
