// Placeholder bodies; the list is being filled in.
#include "songcore/views/PlayList.h"

#include "songcore/views/UserDataFile.h"

CPlayList::CPlayList() = default;
CPlayList::~CPlayList() = default;
void CPlayList::AddListener(IPlayListListener*) {}
void CPlayList::RemoveListener(IPlayListListener*) {}
std::string CPlayList::GetHeaderText(int) {
    return {};
}
int CPlayList::GetColumnWidth(int) {
    return 0;
}
int CPlayList::Add(int, std::string, std::string, std::string, std::string) {
    return 0;
}
void CPlayList::Add(HTREEITEM, int) {}
std::string CPlayList::GetArtist(int) const {
    return {};
}
std::string CPlayList::GetTitle(int) const {
    return {};
}
std::string CPlayList::GetAlbum(int) const {
    return {};
}
std::string CPlayList::GetFile(int) const {
    return {};
}
std::string CPlayList::GetItemText(int, int) const {
    return {};
}
void CPlayList::SetArtist(int, const char*) {}
void CPlayList::SetTitle(int, const char*) {}
void CPlayList::SetAlbum(int, const char*) {}
int CPlayList::SetItemText(int, int, const char*) {
    return 0;
}
int CPlayList::SetFile(int, const char*) {
    return 0;
}
int CPlayList::DeleteItem(int) {
    return 0;
}
int CPlayList::FindSong(const char*) const {
    return -1;
}
int CPlayList::FindTextA(const char*, int) const {
    return -1;
}
void CPlayList::Remove(const char*) {}
void CPlayList::RemoveAll() {}
void CPlayList::SetSelected(int, bool) {}
bool CPlayList::IsSelected(int) const {
    return false;
}
void CPlayList::SelectAll(bool) {}
int CPlayList::GetSelectedCount() const {
    return 0;
}
int CPlayList::GetNextSelectedItem(int) const {
    return -1;
}
std::vector<int> CPlayList::GetSelectedRows() const {
    return {};
}
std::string CPlayList::GetPlayerCurrentSong() const {
    return {};
}
std::string CPlayList::GetPlayerCurrentArtist() const {
    return {};
}
std::string CPlayList::GetPlayerCurrentTitle() const {
    return {};
}
std::string CPlayList::GetPlayerCurrentAblum() const {
    return {};
}
std::string CPlayList::GetPlayerNextSong() {
    return {};
}
std::string CPlayList::GetDefaultPlayListFile() {
    return songcore::UserDataFile(kDefaultPlayListName);
}
int CPlayList::SavePlayList(const char*) {
    return 0;
}
int CPlayList::LoadPlayList(const char*) {
    return 0;
}
int CPlayList::WriteToSDF(const char*) {
    return 0;
}
int CPlayList::ReadFromSDF(const char*) {
    return 0;
}
int CPlayList::WriteM3UList(const char*) {
    return 0;
}
int CPlayList::ReadM3UList(const char*) {
    return 0;
}
int CPlayList::WritePLSList(const char*) {
    return 0;
}
int CPlayList::ReadPLSList(const char*) {
    return 0;
}
void CPlayList::AddDragFiles() {}
void CPlayList::OnBegindrag() {}
