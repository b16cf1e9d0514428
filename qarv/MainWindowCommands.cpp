// The main window's menus, tray icon, command states and commands.
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include "qarv/AboutDialog.h"
#include "qarv/AppInfo.h"
#include "qarv/MainWindow.h"

#include <string_view>
#include <tuple>
#include "qarv/PlayListModel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SearchRules.h"
#include "qarv/SettingsDialog.h"
#include "qarv/SongTreeModel.h"
#include "songcore/files/AppRegKey.h"
#include "songcore/tags/SongType.h"

QAction* MainWindow::AddAction(QMenu* menu, const QString& name, const QString& text,
                               const QKeySequence& key) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        action->setShortcut(key);
    }
    menu->addAction(action);
    // Shortcuts work while the menus are closed.
    addAction(action);
    return action;
}

QAction* MainWindow::Action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    connect(AddAction(file, "show", "&Hide\tCtrl+H", QKeySequence(Qt::CTRL | Qt::Key_H)),
            &QAction::triggered, this, &MainWindow::ShowHide);
    connect(AddAction(file, "settings", "&Settings ..."), &QAction::triggered, this,
            &MainWindow::OpenSettings);
    file->addSeparator();
    connect(AddAction(file, "exit", "&Exit\tAlt+F4"), &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    connect(AddAction(edit, "undo", "&Undo Tag Edit\tCtrl+Z", QKeySequence(Qt::CTRL | Qt::Key_Z)),
            &QAction::triggered, this, [this] { StepEditHistory(true); });
    connect(AddAction(edit, "redo", "&Redo Tag Edit\tCtrl+Shift+Z",
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)),
            &QAction::triggered, this, [this] { StepEditHistory(false); });
    edit->addSeparator();
    for (auto [name, text, key] :
         {std::tuple{"editBatch", "Edit Tags of &Selected Songs ...\tCtrl+Shift+T",
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)},
          std::tuple{"editFromNames", "Tag from File &Names ...", QKeySequence()}}) {
        QAction* action = AddAction(edit, name, text, key);
        treeView_->addAction(action);
        listView_->addAction(action);
        const bool batch = name == std::string_view("editBatch");
        connect(action, &QAction::triggered, this, [this, batch] { EditSelectedSongs(batch); });
    }

    QMenu* view = menuBar()->addMenu(tr("&View"));
    auto* tabGroup = new QActionGroup(this);
    for (const char* name : {"viewSongTree", "viewPlayList"}) {
        QAction* action = AddAction(
            view, name, name == QStringLiteral("viewSongTree") ? "Song &Tree" : "Play &List");
        action->setCheckable(true);
        tabGroup->addAction(action);
        connect(action, &QAction::triggered, this, &MainWindow::SwitchTab);
    }
    view->addSeparator();
    QAction* onTop = AddAction(view, "alwaysOnTop", "&Always On Top");
    onTop->setCheckable(true);
    connect(onTop, &QAction::triggered, this, &MainWindow::SetAlwaysOnTop);

    QMenu* treeMenu = menuBar()->addMenu(tr("&SongTree"));
    auto tree = [&](const char* name, const char* text, QKeySequence key = {}) {
        QAction* action = AddAction(treeMenu, name, text, key);
        treeView_->addAction(action);
        connect(action, &QAction::triggered, this, [this, name] { RouteCommand(name); });
        return action;
    };
    tree("treeTag", "&Tag ...\tCtrl+T", QKeySequence(Qt::CTRL | Qt::Key_T));
    tree("treeAddFiles", "&Add Files ...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O));
    tree("treeAddFolder", "Add &Folder\tCtrl+D", QKeySequence(Qt::CTRL | Qt::Key_D));
    tree("treeAddToPlayList", "Add to &PlayList");
    treeMenu->addSeparator();
    tree("treeExpand", "&Expand All Child Nodes");
    tree("treeCollapse", "C&ollapse All Child Nodes");
    treeMenu->addSeparator();
    tree("treeCopyPath", "Copy &Path To Clipboard");
    tree("treeCopyTo", "&Copy To ...");
    QMenu* rename = treeMenu->addMenu("Re&name As");
    for (auto [name, text, pattern] :
         {std::tuple{"treeRenameTitle", "&Title", "%TITLE"},
          std::tuple{"treeRenameArtistTitle", "&Artist - Title", "%ARTIST - %TITLE"},
          std::tuple{"treeRenameAlbumTitle", "A&lbum - Title", "%ALBUM - %TITLE"},
          std::tuple{"treeRenameArtistAlbumTitle", "A&rtist - Album - Title",
                     "%ARTIST - %ALBUM - %TITLE"},
          std::tuple{"treeRenameCustomize", "&Cutomize ...", ""}}) {
        const QString chosen = QString::fromLatin1(pattern);
        connect(AddAction(rename, name, text), &QAction::triggered, this,
                [this, chosen] { RenameSelectedAs(chosen); });
    }
    treeView_->addAction(rename->menuAction());
    treeMenu->addSeparator();
    auto* viewGroup = new QActionGroup(this);
    for (QAction* action : {tree("treeViewTypeArtist", "&Type-Artist-Song"),
                            tree("treeViewArtistType", "&Artist-Type-Song")}) {
        action->setCheckable(true);
        viewGroup->addAction(action);
    }
    treeMenu->addSeparator();
    tree("treeRemove", "&Remove Item\tDel", QKeySequence(Qt::Key_Delete));
    treeMenu->addSeparator();
    tree("treeImport", "&Import ...\tCtrl+I", QKeySequence(Qt::CTRL | Qt::Key_I));
    tree("treeExport", "&Export ...\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E));

    QMenu* listMenu = menuBar()->addMenu(tr("Play&List"));
    connect(AddAction(listMenu, "play", "&Play\tCtrl+P", QKeySequence(Qt::CTRL | Qt::Key_P)),
            &QAction::triggered, this, [this] { control_->PlayPause(); });
    connect(AddAction(listMenu, "stop", "&Stop\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, [this] { control_->Stop(); });
    QAction* repeat = AddAction(listMenu, "repeat", "&Repeat");
    repeat->setCheckable(true);
    connect(repeat, &QAction::triggered, this, [this] { control_->ToggleRepeat(); });
    listMenu->addSeparator();
    auto list = [&](const char* name, const char* text, QKeySequence key = {}) {
        QAction* action = AddAction(listMenu, name, text, key);
        listView_->addAction(action);
        connect(action, &QAction::triggered, this, [this, name] { RouteCommand(name); });
        return action;
    };
    list("listTag", "&Tag ...\tCtrl+T", QKeySequence(Qt::CTRL | Qt::Key_T));
    list("listAddFiles", "&Add Files ...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O));
    list("listAddFolder", "Add &Folder\tCtrl+D", QKeySequence(Qt::CTRL | Qt::Key_D));
    listMenu->addSeparator();
    list("listCopyPath", "Copy &Path To Clipboard");
    list("listCopyTo", "&Copy To ...");
    listMenu->addSeparator();
    list("listMoveUp", "Move &Up");
    list("listMoveDown", "Move &Down");
    listMenu->addSeparator();
    list("listRemove", "&Remove Item\tDel", QKeySequence(Qt::Key_Delete));
    list("listClearAll", "&Clear All");
    listMenu->addSeparator();
    list("listImport", "&Import ...\tCtrl+I", QKeySequence(Qt::CTRL | Qt::Key_I));
    list("listExport", "&Export ...\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(AddAction(help, "support", "&Get Support\tF1", QKeySequence(Qt::Key_F1)),
            &QAction::triggered, this, &MainWindow::OpenSupportPage);
    help->addSeparator();
    connect(AddAction(help, "about", "&About ..."), &QAction::triggered, this,
            [this] { AboutDialog(this).exec(); });
}

void MainWindow::BuildTray() {
    trayMenu_ = new QMenu(this);
    trayShow_ = trayMenu_->addAction("&Hide", this, &MainWindow::ShowHide);
    trayPlay_ = trayMenu_->addAction("&Play", this, [this] { control_->PlayPause(); });
    trayStop_ = trayMenu_->addAction("&Stop", this, [this] { control_->Stop(); });
    trayMenu_->addSeparator();
    trayMenu_->addAction("&About ...", this, [this] { AboutDialog(this).exec(); });
    trayMenu_->addSeparator();
    trayMenu_->addAction("&Exit", this, &QWidget::close);
    // Without a tray on the desktop there is nothing to hide into.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(AppInfo::NameWithVersion());
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) {
                    ShowHide();
                }
            });
    tray_->show();
}

void MainWindow::UpdateCommands() {
    if (exited_) {
        return;
    }
    const bool treeTab = tabs_->currentIndex() == kSongTreeTab;
    const bool listTab = !treeTab;
    HTREEITEM selected = SelectedTreeItem();
    const bool isSong = selected != nullptr && (tree_.GetItemType(selected) & 0x40) != 0;
    const bool busy = tree_.IsBusy();

    const bool shown = isVisible() && !isMinimized();
    Action("show")->setText(shown ? "&Hide\tCtrl+H" : "&Show\tCtrl+H");
    trayShow_->setText(shown ? "&Hide" : "&Show");
    Action("viewSongTree")->setChecked(treeTab);
    Action("viewPlayList")->setChecked(listTab);
    Action("alwaysOnTop")->setChecked(windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    for (const char* name :
         {"treeCopyTo", "treeRenameTitle", "treeRenameArtistTitle", "treeRenameAlbumTitle",
          "treeRenameArtistAlbumTitle", "treeRenameCustomize"}) {
        Action(name)->setEnabled(treeTab && selected != nullptr);
    }
    Action("treeAddFiles")->setEnabled(treeTab);
    Action("treeImport")->setEnabled(treeTab);
    Action("treeExport")->setEnabled(treeTab && selected != nullptr);
    const bool canTagTree = treeTab && !TaggableTreeSong().empty();
    Action("treeTag")->setEnabled(canTagTree);
    tagButton_->setEnabled(canTagTree);
    Action("listTag")->setEnabled(listTab && !TaggableListSong().empty());
    const bool canEditMany =
        treeTab ? selected != nullptr && (!isSong || canTagTree) : !TaggableListSong().empty();
    Action("editBatch")->setEnabled(canEditMany);
    Action("editFromNames")->setEnabled(canEditMany);
    Action("treeAddFolder")->setEnabled(treeTab);
    Action("treeAddToPlayList")->setEnabled(treeTab && selected != nullptr);
    Action("treeExpand")->setEnabled(treeTab && selected != nullptr && !isSong);
    Action("treeCollapse")->setEnabled(treeTab && selected != nullptr && !isSong);
    Action("treeRemove")->setEnabled(treeTab && selected != nullptr);
    Action("treeCopyPath")->setEnabled(treeTab && isSong);
    // The internet branch's menu copies a web address.
    const bool internet = selected != nullptr && (tree_.GetItemType(selected) & SONG_TYPE_INTERNET);
    Action("treeCopyPath")
        ->setText(internet ? tr("Copy &URL To Clipboard") : tr("Copy &Path To Clipboard"));
    Action("treeViewTypeArtist")->setEnabled(treeTab);
    Action("treeViewArtistType")->setEnabled(treeTab);
    Action("treeViewTypeArtist")->setChecked(tree_.GetViewMethod() == 0);
    Action("treeViewArtistType")->setChecked(tree_.GetViewMethod() == 1);

    const int rows = list_.GetItemCount();
    const int first = list_.GetNextSelectedItem(-1);
    const std::vector<int> chosen = list_.GetSelectedRows();
    const int lastSelected = chosen.empty() ? -1 : chosen.back();
    Action("listAddFolder")->setEnabled(listTab);
    Action("listAddFiles")->setEnabled(listTab);
    Action("listImport")->setEnabled(listTab);
    Action("listCopyPath")->setEnabled(listTab && first >= 0);
    Action("listMoveUp")->setEnabled(listTab && first > 0);
    Action("listMoveDown")->setEnabled(listTab && lastSelected >= 0 && lastSelected < rows - 1);
    Action("listRemove")->setEnabled(listTab && first >= 0);
    Action("listClearAll")->setEnabled(listTab && rows > 0);
    Action("listExport")->setEnabled(listTab && rows > 0);
    Action("listCopyTo")->setEnabled(listTab && first >= 0);
    upButton_->setEnabled(first > 0);
    downButton_->setEnabled(lastSelected >= 0 && lastSelected < rows - 1);

    const bool canPlay = control_->CanPlayCommand();
    const bool canStop = control_->CanStopCommand();
    playButton_->setEnabled(canPlay);
    playButton_->setText(control_->PlayButtonText());
    Action("play")->setEnabled(canPlay);
    Action("play")->setText(control_->PlayMenuText());
    trayPlay_->setEnabled(canPlay);
    trayPlay_->setText(control_->TrayPlayText());
    stopButton_->setEnabled(canStop);
    Action("stop")->setEnabled(canStop);
    trayStop_->setEnabled(canStop);
    repeatButton_->setText(control_->RepeatButtonText());
    Action("repeat")->setChecked(control_->IsRepeat());

    searchButton_->setText(busy ? tr("Stop") : tr("Search"));
    searchButton_->setEnabled(busy || !searchBox_->currentText().trimmed().isEmpty());
    searchBox_->setEnabled(!busy);
    filterBox_->setEnabled(!busy);
    placeBox_->setEnabled(!busy);
    browseButton_->setEnabled(placeBox_->currentIndex() == SearchRules::kLocalPlace && !busy);
}

void MainWindow::RouteCommand(const QString& name) {
    if (name == "treeTag") {
        EditTreeSongTags();
    } else if (name == "treeCopyTo" || name == "listCopyTo") {
        CopySelectedTo(name == "treeCopyTo");
    } else if (name == "treeAddFiles" || name == "listAddFiles") {
        AddFiles(name == "treeAddFiles");
    } else if (name == "treeImport" || name == "listImport") {
        ImportList(name == "treeImport");
    } else if (name == "treeExport" || name == "listExport") {
        ExportList(name == "treeExport");
    } else if (name == "listTag") {
        EditListSongTags();
    } else if (name == "treeAddToPlayList") {
        AddToPlayList();
    } else if (name == "treeExpand") {
        ExpandSelected(true);
    } else if (name == "treeCollapse") {
        ExpandSelected(false);
    } else if (name == "treeCopyPath") {
        CopyTreePath();
    } else if (name == "treeViewTypeArtist") {
        SetViewMethod(0);
    } else if (name == "treeViewArtistType") {
        SetViewMethod(1);
    } else if (name == "treeRemove") {
        RemoveTreeItem();
    } else if (name == "treeAddFolder") {
        AddFolderToTree();
    } else if (name == "listCopyPath") {
        CopyListPaths();
    } else if (name == "listMoveUp") {
        MoveListRows(true);
    } else if (name == "listMoveDown") {
        MoveListRows(false);
    } else if (name == "listRemove") {
        RemoveListRows();
    } else if (name == "listClearAll") {
        ClearList();
    } else if (name == "listAddFolder") {
        AddFolderToList();
    }
    UpdateCommands();
}

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
    SettingsDialog dialog(this, player_.GetAudioDevices());
    if (dialog.exec() == QDialog::Accepted) {
        player_.SetAudioDevice(CAppRegKey().GetAudioDevice());
    }
}

void MainWindow::OpenSupportPage() {
    QDesktopServices::openUrl(QUrl(AppInfo::SupportUrl()));
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
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
        tree_.LocalSearch().Search(extensions.toStdString(), text.toStdString());
    } else {
        SearchRules::PlaceAddress address = SearchRules::ParsePlaceUrl(SearchRules::PlaceUrl());
        if (address.IsValid() &&
            tree_.InternetSearch().Connect(address.host.toStdString(), address.port)) {
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
        HTREEITEM start = selected ? tree_.GetNextItemInOrder(selected) : tree_.GetRootItem();
        HTREEITEM hit = start ? tree_.FindTextA(needle.c_str(), start) : nullptr;
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
    tree_.LocalSearch().Search(SearchRules::AllExtensions().toStdString(), folder.toStdString());
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
    SyncListSelectionToView();
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
