// The main window's commands of the views, the search and the find box.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include "qarv/AppInfo.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SearchRules.h"
#include "qarv/SelectionMirror.h"
#include "qarv/SettingsDialog.h"
#include "qarv/SongTreeModel.h"
#include "qarv/SongTreeSortModel.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/Text.h"

void MainWindow::ShowHide() {
    if (isVisible() && !isMinimized()) {
        // Without a tray there would be no way back to a hidden window.
        if (tray_ != nullptr) {
            hide();
        } else {
            showMinimized();
        }
    } else {
        showNormal();
        raise();
        activateWindow();
    }
    UpdateCommands();
}

void MainWindow::SetAlwaysOnTop(bool onTop) {
    bool visible = isVisible();
    QRect frame = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) {
        setGeometry(frame);
        show();
    }
    UpdateCommands();
}

void MainWindow::SwitchTab() {
    tabs_->setCurrentIndex(tabs_->currentIndex() == kSongTreeTab ? kPlayListTab : kSongTreeTab);
    UpdateCommands();
}

void MainWindow::OpenSettings() {
    const std::string legacyEncoding = CAppRegKey().GetLegacyEncoding();
    SettingsDialog dialog(this, player_.GetAudioDevices());
    if (dialog.exec() == QDialog::Accepted) {
        player_.SetAudioDevice(CAppRegKey().GetAudioDevice());
        player_.SetReplayGain(CAppRegKey().GetReplayGain());
        if (CAppRegKey().GetLegacyEncoding() != legacyEncoding) {
            RereadSongs();
        }
    }
}

void MainWindow::OpenSupportPage() {
    QDesktopServices::openUrl(QUrl(AppInfo::SupportUrl()));
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        ScheduleCommandUpdate();  // Hide or Show
    }
    if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_ != nullptr &&
        CAppRegKey().MinimizeToTray()) {
        // Hidden once the minimise has finished, so it comes back normal.
        QTimer::singleShot(0, this, [this] {
            hide();
            setWindowState(windowState() & ~Qt::WindowMinimized);
            UpdateCommands();
        });
    }
}

void MainWindow::OnStatusDoubleClicked() {
    std::string song = list_.GetPlayerCurrentSong();
    if (song.empty()) {
        return;
    }
    if (tabs_->currentIndex() == kPlayListTab) {
        int row = list_.FindSong(song.c_str());
        if (row >= 0) {
            SelectListRowOnly(row);
        }
    } else {
        HTREEITEM item = tree_.FindPathInTree(song, tree_.GetRootItem());
        if (item != nullptr) {
            SelectTreeItem(item);
        }
    }
}

void MainWindow::OnSongNotice(unsigned message, void* handle) {
    if (message != WM_SONG_ITEM_INSERTED && message != WM_SONG_ITEM_RETITLED) {
        return;
    }
    auto item = static_cast<HTREEITEM>(handle);
    std::string file = tree_.GetSongFile(item);
    if (file.empty()) {
        return;
    }
    int row = list_.FindSong(file.c_str());
    if (row < 0) {
        return;
    }
    std::string artist = tree_.GetSongArtist(item);
    std::string title = tree_.GetSongTitle(item);
    list_.SetArtist(row, artist.c_str());
    list_.SetAlbum(row, tree_.GetSongAlbum(item).c_str());
    list_.SetTitle(row, title.c_str());
    if (row == list_.GetPlayerCurrentIndex()) {
        control_->SetStatusText(QStringLiteral("%1 - %2").arg(QString::fromStdString(artist),
                                                              QString::fromStdString(title)));
    }
}

void MainWindow::OnSongFileRenamed(const QString& oldPath, const QString& newPath) {
    int row = list_.FindSong(oldPath.toStdString().c_str());
    if (row >= 0) {
        list_.SetFile(row, newPath.toStdString().c_str());
    }
}

void MainWindow::Search() {
    if (tree_.IsBusy()) {
        tree_.StopAll();
        UpdateCommands();
        return;
    }
    QString text = searchBox_->currentText().trimmed();
    if (text.isEmpty()) {
        return;
    }
    QStringList history;
    for (int i = 0; i < searchBox_->count(); ++i) {
        history << searchBox_->itemText(i);
    }
    SearchRules::AddToHistory(history, text);
    searchBox_->clear();
    searchBox_->addItems(history);
    searchBox_->setCurrentIndex(0);
    searchBox_->setEditText(text);

    QString extensions = filterBox_->currentData().toString();
    if (extensions.isEmpty()) {
        return;
    }
    if (placeBox_->currentIndex() == SearchRules::kLocalPlace) {
        SearchIntoTree(text, extensions);
    } else {
        SearchRules::PlaceAddress address = SearchRules::ParsePlaceUrl(SearchRules::PlaceUrl());
        if (address.IsValid() &&
            tree_.InternetSearch().Connect(address.host.toStdString(), address.port)) {
            if (!tree_.LocalSearch().IsSearching()) {
                tree_.ResetSearchProgress();
            }
            tree_.InternetSearch().PostQuery(
                address.request.toStdString(), text.toStdString(), SearchRules::kFirstResultOffset,
                SearchRules::kResultsPerPage, extensions.toStdString());
        }
    }
    UpdateCommands();
}

void MainWindow::Find() {
    QString text = findEdit_->text().trimmed();
    if (text.isEmpty()) {
        return;
    }
    findEdit_->setText(text);
    findEdit_->selectAll();
    const std::string needle = text.toStdString();
    bool found = false;
    if (tabs_->currentIndex() == kSongTreeTab) {
        HTREEITEM selected = SelectedTreeItem();
        // In the order the tree is shown, which is not the order the songs
        // came in.
        const std::string upper = songcore::ToUpperUnicode(needle);
        HTREEITEM hit = selected ? treeSort_->NextShown(selected) : tree_.GetRootItem();
        while (hit != nullptr &&
               songcore::ToUpperUnicode(tree_.GetItemText(hit)).find(upper) == std::string::npos) {
            hit = treeSort_->NextShown(hit);
        }
        if (hit != nullptr) {
            SelectTreeItem(hit);
            found = true;
        }
    } else {
        int first = list_.GetNextSelectedItem(-1);
        int row = list_.FindTextA(needle.c_str(), first + 1);
        if (row >= 0) {
            SelectListRowOnly(row);
            found = true;
        }
    }
    if (!found) {
        Inform(tr("Find complete!"), tr("Information"));
    }
}

void MainWindow::AddToPlayList() {
    HTREEITEM selected = SelectedTreeItem();
    if (selected != nullptr) {
        list_.Add(selected, 0);
    }
}

void MainWindow::ExpandSelected(bool expand) {
    HTREEITEM selected = SelectedTreeItem();
    if (selected == nullptr) {
        return;
    }
    tree_.SetRedraw(false);
    tree_.ExpandItem(selected, expand ? TVE_EXPAND : TVE_COLLAPSE);
    tree_.SetRedraw(true);
    tree_.EnsureVisible(selected);
}

void MainWindow::CopyTreePath() {
    std::string file;
    if (tree_.GetSelectedSongFile(file) != nullptr) {
        QApplication::clipboard()->setText(QString::fromStdString(file));
    }
}

void MainWindow::SetViewMethod(uint32_t method) {
    int notify = tree_.SetNotifyChangedMsg(0);
    tree_.SetViewMethod(method, 1);
    tree_.SetNotifyChangedMsg(notify);
}

void MainWindow::RemoveTreeItem() {
    HTREEITEM selected = SelectedTreeItem();
    if (selected == nullptr || !Confirm(tr("Sure to remove selected items?"), tr("Confirm"))) {
        return;
    }
    tree_.RemoveItem(selected);
}

void MainWindow::AddFolderToTree() {
    QString folder = AskFolder(tr("Select a folder:"));
    if (folder.isEmpty()) {
        return;
    }
    CAppRegKey().SetDefaultFolder(folder.toStdString().c_str());
    SearchIntoTree(folder, SearchRules::AllExtensions());
}

void MainWindow::SearchIntoTree(const QString& path, const QString& extensions) {
    // A search started beside a running one adds to its count.
    if (!tree_.LocalSearch().IsSearching()) {
        tree_.ResetSearchProgress();
    }
    tree_.LocalSearch().Search(extensions.toStdString(), path.toStdString());
    UpdateCommands();
}

void MainWindow::CopyListPaths() {
    QStringList paths;
    for (int row : list_.GetSelectedRows()) {
        paths << QString::fromStdString(list_.GetFile(row));
    }
    QApplication::clipboard()->setText(paths.join("\r\n"));
}

void MainWindow::MoveListRows(bool up) {
    std::vector<int> rows = list_.GetSelectedRows();
    if (rows.empty()) {
        return;
    }
    int first = rows.front();
    int last = rows.back();
    // The neighbour of the selected block moves to its other end.
    int from = up ? first - 1 : last + 1;
    int to = up ? last : first;
    if (from < 0 || from >= list_.GetItemCount()) {
        return;
    }
    int current = list_.GetPlayerCurrentIndex();
    list_.MoveItem(from, to);
    if (current == from) {
        list_.SetPlayerCurrentIndex(to);
    } else if (current >= first && current <= last) {
        list_.SetPlayerCurrentIndex(current + (up ? -1 : 1));
    }
    mirror_->ShowListSelection();
    listView_->scrollTo(listModel_->index(first, 0));
}

void MainWindow::RemoveListRows() {
    std::vector<int> rows = list_.GetSelectedRows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        list_.DeleteItem(*it);
    }
}

void MainWindow::ClearList() {
    if (Confirm(tr("Are you sure to clear all?"), tr("Answer"))) {
        list_.RemoveAll();
    }
}
