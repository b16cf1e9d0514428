// Placeholder bodies; the tree is being filled in.
#include "songcore/views/SongTreeCtrl.h"

struct CSongTreeCtrl::Impl {};

CSongTreeCtrl::CSongTreeCtrl() : impl_(std::make_unique<Impl>()) {}
CSongTreeCtrl::~CSongTreeCtrl() {
    Stop();
    Wait();
}
void CSongTreeCtrl::SetDispatcher(songcore::ModelDispatcher) {}
void CSongTreeCtrl::AddListener(ISongTreeListener*) {}
void CSongTreeCtrl::RemoveListener(ISongTreeListener*) {}
void CSongTreeCtrl::SetImageList(uint32_t, int, int, uint32_t) {}
int CSongTreeCtrl::IsModified() const {
    return 0;
}
void CSongTreeCtrl::SetModified(int) {}
int CSongTreeCtrl::SetNotifyChangedMsg(int) {
    return 0;
}
int CSongTreeCtrl::GetNotifyChangedMsg() const {
    return 0;
}
uint32_t CSongTreeCtrl::GetViewMethod() const {
    return 0;
}
void CSongTreeCtrl::SetViewMethod(uint32_t, int) {}
int CSongTreeCtrl::IsDoing() const {
    return 0;
}
void CSongTreeCtrl::Stop() {
    threads_.TerminateAll();
}
void CSongTreeCtrl::Wait() {
    threads_.Wait();
}
int CSongTreeCtrl::GetInsertThreadCount() const {
    return threads_.GetCount();
}
int CSongTreeCtrl::InsertSongFile(std::string) {
    return 0;
}
int CSongTreeCtrl::InsertSongFileByThread(std::string) {
    return 0;
}
int CSongTreeCtrl::InsertItem(std::string, uint32_t, std::string, std::string, std::string,
                              std::string) {
    return 0;
}
int CSongTreeCtrl::SetItemData(HTREEITEM, const SONG_TREE_ITEM_DATA&) {
    return 0;
}
HTREEITEM CSongTreeCtrl::FindPathInTree(std::string, HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::FindTextA(const char*, HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::FindTextInTree(const char*, HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::FindSongInChildItem(const char*, HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetNextItemInOrder(HTREEITEM) const {
    return nullptr;
}
uint32_t CSongTreeCtrl::GetItemType(HTREEITEM) const {
    return 0;
}
CSongTreeCtrl::ItemKind CSongTreeCtrl::GetItemKind(HTREEITEM) const {
    return KIND_NONE;
}
CSongTreeCtrl::ItemKind CSongTreeCtrl::KindOfType(uint32_t) {
    return KIND_NONE;
}
std::string CSongTreeCtrl::GetSongFile(HTREEITEM) const {
    return {};
}
std::string CSongTreeCtrl::GetSongTitle(HTREEITEM) const {
    return {};
}
std::string CSongTreeCtrl::GetSongAlbum(HTREEITEM) const {
    return "Unknow";
}
std::string CSongTreeCtrl::GetSongArtist(HTREEITEM) const {
    return {};
}
HTREEITEM CSongTreeCtrl::GetSelectedSongFile(std::string&) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetSelectedSongTitle(std::string&) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetSelectedSongAlbum(std::string&) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetSelectedSongArtist(std::string&) const {
    return nullptr;
}
std::string CSongTreeCtrl::GetFileName(std::string) {
    return {};
}
int CSongTreeCtrl::SetItemText(HTREEITEM, const char*) {
    return 0;
}
int CSongTreeCtrl::SetSongFile(HTREEITEM, const char*) {
    return 0;
}
int CSongTreeCtrl::RemoveItem(HTREEITEM) {
    return 0;
}
int CSongTreeCtrl::ExpandItem(HTREEITEM, uint32_t) {
    return 0;
}
int CSongTreeCtrl::DeleteAllItems() {
    return 0;
}
int CSongTreeCtrl::OnInsertItemMsg(CSongTreeCtrl*, HTREEITEM) {
    return 0;
}
int CSongTreeCtrl::OnDeleteItemMsg(CSongTreeCtrl*, HTREEITEM) {
    return 0;
}
int CSongTreeCtrl::OnSetItemTextMsg(CSongTreeCtrl*, HTREEITEM) {
    return 0;
}
void CSongTreeCtrl::AddDragFiles(HTREEITEM, int) {}
void CSongTreeCtrl::OnBegindrag(HTREEITEM) {}
int CSongTreeCtrl::SaveToFile(std::string) {
    return 0;
}
int CSongTreeCtrl::LoadFromFile(std::string) {
    return 0;
}
std::string CSongTreeCtrl::GetDefaultSDFFile() {
    return {};
}
void CSongTreeCtrl::ReadM3UList(const char*) {}
int CSongTreeCtrl::WriteM3UList(const char*, HTREEITEM) {
    return 0;
}
void CSongTreeCtrl::ReadPLSList(const char*) {}
int CSongTreeCtrl::WritePLSList(const char*, HTREEITEM) {
    return 0;
}
HTREEITEM CSongTreeCtrl::GetRootItem() const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetChildItem(HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetNextSiblingItem(HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetPrevSiblingItem(HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetParentItem(HTREEITEM) const {
    return nullptr;
}
HTREEITEM CSongTreeCtrl::GetLastChildItem(HTREEITEM) const {
    return nullptr;
}
int CSongTreeCtrl::GetChildCount(HTREEITEM) const {
    return 0;
}
HTREEITEM CSongTreeCtrl::GetChildAt(HTREEITEM, int) const {
    return nullptr;
}
int CSongTreeCtrl::GetItemRow(HTREEITEM) const {
    return -1;
}
bool CSongTreeCtrl::ItemHasChildren(HTREEITEM) const {
    return false;
}
uint32_t CSongTreeCtrl::GetCount() const {
    return 0;
}
std::string CSongTreeCtrl::GetItemText(HTREEITEM) const {
    return {};
}
bool CSongTreeCtrl::GetItemImage(HTREEITEM, int&, int&) const {
    return false;
}
bool CSongTreeCtrl::IsExpanded(HTREEITEM) const {
    return false;
}
int CSongTreeCtrl::Expand(HTREEITEM, uint32_t) {
    return 0;
}
HTREEITEM CSongTreeCtrl::GetSelectedItem() const {
    return nullptr;
}
int CSongTreeCtrl::SelectItem(HTREEITEM) {
    return 0;
}
HTREEITEM CSongTreeCtrl::GetDropHilightItem() const {
    return nullptr;
}
int CSongTreeCtrl::SelectDropTarget(HTREEITEM) {
    return 0;
}
void CSongTreeCtrl::EnsureVisible(HTREEITEM) {}
void CSongTreeCtrl::SetRedraw(bool) {}
int CSongTreeCtrl::CollapsedImage(ItemKind) {
    return 0;
}
int CSongTreeCtrl::ExpandedImage(ItemKind) {
    return 0;
}
std::string CSongTreeCtrl::GetOutline() const {
    return {};
}
HTREEITEM CSongTreeCtrl::InsertItem(const char*, const char*, const char*, uint32_t, HTREEITEM) {
    return nullptr;
}
void CSongTreeCtrl::WriteItemToSDF(CSDFFile*, HTREEITEM) {}
int CSongTreeCtrl::ReadItemFromSDF(CSDFFile*) {
    return 0;
}
void CSongTreeCtrl::WriteItemToM3UList(CM3UFile*, HTREEITEM) {}
void CSongTreeCtrl::WriteItemToPLSList(CPLSFile*, HTREEITEM, int*) {}
uint32_t CSongTreeCtrl::InsertSongThread(THREAD_PARAM*) {
    return 0;
}
