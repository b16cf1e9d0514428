// The main window's menus, context menus and tray icon, and the enabled
// state and texts of their commands.
#include <QActionGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include "qarv/AboutDialog.h"
#include "qarv/AppInfo.h"
#include "qarv/MainWindow.h"
#include "qarv/PaneLabel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SearchRules.h"
#include "qarv/SongTreeModel.h"
#include "qarv/SongTreeSortModel.h"
#include "songcore/songfile/SongType.h"

QAction* MainWindow::AddAction(QMenu* menu, const QString& text, const QKeySequence& key) {
    auto* action = new QAction(text, this);
    if (!key.isEmpty()) {
        action->setShortcut(key);
    }
    menu->addAction(action);
    // Shortcuts work while the menus are closed.
    addAction(action);
    return action;
}

void MainWindow::BuildMenus() {
    MainActions& a = actions_;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    a.show = AddAction(file, "&Hide\tCtrl+H", QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(a.show, &QAction::triggered, this, &MainWindow::ShowHide);
    a.settings = AddAction(file, "&Settings ...");
    connect(a.settings, &QAction::triggered, this, &MainWindow::OpenSettings);
    file->addSeparator();
    a.exit = AddAction(file, "&Exit\tAlt+F4");
    connect(a.exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    a.undo = AddAction(edit, "&Undo Tag Edit\tCtrl+Z", QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(a.undo, &QAction::triggered, this, [this] { StepEditHistory(true); });
    a.redo = AddAction(edit, "&Redo Tag Edit\tCtrl+Shift+Z",
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(a.redo, &QAction::triggered, this, [this] { StepEditHistory(false); });
    a.history = AddAction(edit, "&History ...");
    connect(a.history, &QAction::triggered, this, &MainWindow::OpenEditHistory);
    // Another program (tunemoss) may have edited since: the texts are read
    // when the menu opens.
    connect(edit, &QMenu::aboutToShow, this, &MainWindow::UpdateHistoryTexts);
    edit->addSeparator();
    a.editBatch = AddAction(edit, "Edit Tags of &Selected Songs ...\tCtrl+Shift+T",
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    connect(a.editBatch, &QAction::triggered, this,
            [this] { EditSelectedSongs(SongsDialog::BatchEdit); });
    a.editFromNames = AddAction(edit, "Tag from File &Names ...");
    connect(a.editFromNames, &QAction::triggered, this,
            [this] { EditSelectedSongs(SongsDialog::TagFromNames); });
    a.editRepairEncoding = AddAction(edit, "Repair Text &Encoding ...");
    connect(a.editRepairEncoding, &QAction::triggered, this,
            [this] { EditSelectedSongs(SongsDialog::RepairEncoding); });
    a.editLoudness = AddAction(edit, "Analyse &Loudness ...");
    connect(a.editLoudness, &QAction::triggered, this,
            [this] { EditSelectedSongs(SongsDialog::Loudness); });
    a.editLookup = AddAction(edit, "Look Up Album &Online ...");
    connect(a.editLookup, &QAction::triggered, this,
            [this] { EditSelectedSongs(SongsDialog::Lookup); });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    auto* tabGroup = new QActionGroup(this);
    a.viewSongTree = AddAction(view, "Song &Tree");
    a.viewPlayList = AddAction(view, "Play &List");
    for (QAction* tab : {a.viewSongTree, a.viewPlayList}) {
        tab->setCheckable(true);
        tabGroup->addAction(tab);
        connect(tab, &QAction::triggered, this, &MainWindow::SwitchTab);
    }
    view->addSeparator();
    a.alwaysOnTop = AddAction(view, "&Always On Top");
    a.alwaysOnTop->setCheckable(true);
    connect(a.alwaysOnTop, &QAction::triggered, this, &MainWindow::SetAlwaysOnTop);

    BuildTreeMenu(menuBar()->addMenu(tr("&SongTree")));
    BuildListMenu(menuBar()->addMenu(tr("Play&List")));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    a.support = AddAction(help, "&Get Support\tF1", QKeySequence(Qt::Key_F1));
    connect(a.support, &QAction::triggered, this, &MainWindow::OpenSupportPage);
    help->addSeparator();
    a.about = AddAction(help, "&About ...");
    connect(a.about, &QAction::triggered, this, [this] { AboutDialog(this).exec(); });

    BuildContextMenus();
}

void MainWindow::BuildTreeMenu(QMenu* menu) {
    MainActions& a = actions_;
    a.treeTag = AddAction(menu, "&Tag ...\tCtrl+T", QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(a.treeTag, &QAction::triggered, this, &MainWindow::EditTreeSongTags);
    a.treeAddFiles = AddAction(menu, "&Add Files ...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(a.treeAddFiles, &QAction::triggered, this, [this] { AddFiles(true); });
    a.treeAddFolder = AddAction(menu, "Add &Folder\tCtrl+D", QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(a.treeAddFolder, &QAction::triggered, this, &MainWindow::AddFolderToTree);
    a.treeAddToPlayList = AddAction(menu, "Add to &PlayList");
    connect(a.treeAddToPlayList, &QAction::triggered, this, &MainWindow::AddToPlayList);
    menu->addSeparator();
    a.treeExpand = AddAction(menu, "&Expand All Child Nodes");
    connect(a.treeExpand, &QAction::triggered, this, [this] { ExpandSelected(true); });
    a.treeCollapse = AddAction(menu, "C&ollapse All Child Nodes");
    connect(a.treeCollapse, &QAction::triggered, this, [this] { ExpandSelected(false); });
    menu->addSeparator();
    a.treeCopyPath = AddAction(menu, "Copy &Path To Clipboard");
    connect(a.treeCopyPath, &QAction::triggered, this, &MainWindow::CopyTreePath);
    a.treeCopyTo = AddAction(menu, "&Copy To ...");
    connect(a.treeCopyTo, &QAction::triggered, this, [this] { CopySelectedTo(true); });
    a.treeRenameMenu = menu->addMenu("Re&name As");
    auto rename = [&](const char* text, const char* pattern) {
        QAction* action = AddAction(a.treeRenameMenu, text);
        connect(action, &QAction::triggered, this,
                [this, chosen = QString::fromLatin1(pattern)] { RenameSelectedAs(chosen); });
        return action;
    };
    a.treeRenameTitle = rename("&Title", "%TITLE");
    a.treeRenameArtistTitle = rename("&Artist - Title", "%ARTIST - %TITLE");
    a.treeRenameAlbumTitle = rename("A&lbum - Title", "%ALBUM - %TITLE");
    a.treeRenameArtistAlbumTitle = rename("A&rtist - Album - Title", "%ARTIST - %ALBUM - %TITLE");
    a.treeRenameCustomize = rename("&Cutomize ...", "");  // an empty pattern asks for one
    menu->addSeparator();
    auto* viewGroup = new QActionGroup(this);
    a.treeViewTypeArtist = AddAction(menu, "&Type-Artist-Song");
    a.treeViewArtistType = AddAction(menu, "&Artist-Type-Song");
    for (auto [action, method] :
         {std::pair{a.treeViewTypeArtist, SongTree::VIEW_TYPE_ARTIST_SONG},
          std::pair{a.treeViewArtistType, SongTree::VIEW_ARTIST_TYPE_SONG}}) {
        action->setCheckable(true);
        viewGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, method] { SetViewMethod(method); });
    }
    menu->addSeparator();
    a.treeRemove = AddAction(menu, "&Remove Item\tDel", QKeySequence(Qt::Key_Delete));
    connect(a.treeRemove, &QAction::triggered, this, &MainWindow::RemoveTreeItem);
    menu->addSeparator();
    a.treeImport = AddAction(menu, "&Import ...\tCtrl+I", QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(a.treeImport, &QAction::triggered, this, [this] { ImportList(true); });
    a.treeExport = AddAction(menu, "&Export ...\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(a.treeExport, &QAction::triggered, this, [this] { ExportList(true); });
}

void MainWindow::BuildListMenu(QMenu* menu) {
    MainActions& a = actions_;
    a.play = AddAction(menu, "&Play\tCtrl+P", QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(a.play, &QAction::triggered, this, [this] { control_->PlayPause(); });
    a.stop = AddAction(menu, "&Stop\tCtrl+S", QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(a.stop, &QAction::triggered, this, [this] { control_->Stop(); });
    a.repeat = AddAction(menu, "&Repeat");
    a.repeat->setCheckable(true);
    connect(a.repeat, &QAction::triggered, this, [this] { control_->ToggleRepeat(); });
    menu->addSeparator();
    a.listTag = AddAction(menu, "&Tag ...\tCtrl+T", QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(a.listTag, &QAction::triggered, this, &MainWindow::EditListSongTags);
    a.listAddFiles = AddAction(menu, "&Add Files ...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(a.listAddFiles, &QAction::triggered, this, [this] { AddFiles(false); });
    a.listAddFolder = AddAction(menu, "Add &Folder\tCtrl+D", QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(a.listAddFolder, &QAction::triggered, this, &MainWindow::AddFolderToList);
    menu->addSeparator();
    a.listCopyPath = AddAction(menu, "Copy &Path To Clipboard");
    connect(a.listCopyPath, &QAction::triggered, this, &MainWindow::CopyListPaths);
    a.listCopyTo = AddAction(menu, "&Copy To ...");
    connect(a.listCopyTo, &QAction::triggered, this, [this] { CopySelectedTo(false); });
    menu->addSeparator();
    a.listMoveUp = AddAction(menu, "Move &Up");
    connect(a.listMoveUp, &QAction::triggered, this, [this] { MoveListRows(true); });
    a.listMoveDown = AddAction(menu, "Move &Down");
    connect(a.listMoveDown, &QAction::triggered, this, [this] { MoveListRows(false); });
    menu->addSeparator();
    a.listRemove = AddAction(menu, "&Remove Item\tDel", QKeySequence(Qt::Key_Delete));
    connect(a.listRemove, &QAction::triggered, this, &MainWindow::RemoveListRows);
    a.listClearAll = AddAction(menu, "&Clear All");
    connect(a.listClearAll, &QAction::triggered, this, &MainWindow::ClearList);
    menu->addSeparator();
    a.listImport = AddAction(menu, "&Import ...\tCtrl+I", QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(a.listImport, &QAction::triggered, this, [this] { ImportList(false); });
    a.listExport = AddAction(menu, "&Export ...\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(a.listExport, &QAction::triggered, this, [this] { ExportList(false); });
}

void MainWindow::BuildContextMenus() {
    const MainActions& a = actions_;
    // "Local": every command of the tree, and the two of the Edit menu that
    // work on the selection.
    localMenu_ = new QMenu(this);
    localMenu_->addActions({a.treeTag, a.editBatch, a.editFromNames, a.treeAddFiles,
                            a.treeAddFolder, a.treeAddToPlayList});
    localMenu_->addSeparator();
    localMenu_->addActions({a.treeExpand, a.treeCollapse});
    localMenu_->addSeparator();
    localMenu_->addActions({a.treeCopyPath, a.treeCopyTo});
    localMenu_->addMenu(a.treeRenameMenu);
    localMenu_->addSeparator();
    localMenu_->addActions({a.treeViewTypeArtist, a.treeViewArtistType});
    localMenu_->addSeparator();
    localMenu_->addAction(a.treeRemove);
    localMenu_->addSeparator();
    localMenu_->addActions({a.treeImport, a.treeExport});

    // "Internet TreeBar": an address cannot be tagged, copied or renamed.
    internetMenu_ = new QMenu(this);
    internetMenu_->addAction(a.treeAddToPlayList);
    internetMenu_->addSeparator();
    internetMenu_->addActions({a.treeExpand, a.treeCollapse});
    internetMenu_->addSeparator();
    internetMenu_->addAction(a.treeCopyPath);
    internetMenu_->addSeparator();
    internetMenu_->addActions({a.treeViewTypeArtist, a.treeViewArtistType});
    internetMenu_->addSeparator();
    internetMenu_->addAction(a.treeRemove);
    internetMenu_->addSeparator();
    internetMenu_->addActions({a.treeImport, a.treeExport});

    listMenu_ = new QMenu(this);
    listMenu_->addActions({a.play, a.stop, a.repeat});
    listMenu_->addSeparator();
    listMenu_->addActions(
        {a.listTag, a.editBatch, a.editFromNames, a.listAddFiles, a.listAddFolder});
    listMenu_->addSeparator();
    listMenu_->addActions({a.listCopyPath, a.listCopyTo});
    listMenu_->addSeparator();
    listMenu_->addActions({a.listMoveUp, a.listMoveDown});
    listMenu_->addSeparator();
    listMenu_->addActions({a.listRemove, a.listClearAll});
    listMenu_->addSeparator();
    listMenu_->addActions({a.listImport, a.listExport});

    // The views' context menu events come here (see OpenContextMenu).
    for (QWidget* widget : {static_cast<QWidget*>(treeView_), treeView_->viewport(),
                            static_cast<QWidget*>(listView_), listView_->viewport()}) {
        widget->installEventFilter(this);
    }
}

bool MainWindow::OpenContextMenu(QAbstractItemView* view, const QContextMenuEvent& event) {
    if (view == treeView_) {
        // A right click first selects the item under the cursor.
        QModelIndex index = treeView_->indexAt(event.pos());
        if (event.reason() == QContextMenuEvent::Mouse && index.isValid()) {
            tree_.SelectItem(treeSort_->ItemOf(index));
        }
    }
    UpdateCommands();
    QMenu* menu = view == treeView_ ? TreeContextMenu() : listMenu_;
    menu->popup(ContextMenuPosition(view));
    return true;
}

QMenu* MainWindow::TreeContextMenu() const {
    HTREEITEM selected = SelectedTreeItem();
    const bool internet =
        selected != nullptr && (tree_.GetItemType(selected) & SONG_TYPE_INTERNET) != 0;
    return internet ? internetMenu_ : localMenu_;
}

QPoint MainWindow::ContextMenuPosition(const QAbstractItemView* view) {
    // At the cursor, or at the view's top-left corner when the cursor lies
    // outside (the menu key pressed with the mouse elsewhere).
    const QWidget* area = view->viewport();
    QPoint cursor = QCursor::pos();
    return area->rect().contains(area->mapFromGlobal(cursor)) ? cursor
                                                              : area->mapToGlobal(QPoint(0, 0));
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
    const MainActions& a = actions_;
    const bool treeTab = tabs_->currentIndex() == kSongTreeTab;
    const bool listTab = !treeTab;
    HTREEITEM selected = SelectedTreeItem();
    const uint32_t itemType = selected != nullptr ? tree_.GetItemType(selected) : 0;
    const bool isSong = (itemType & SONG_TREE_TYPE_SONG) != 0;
    const bool internet = (itemType & SONG_TYPE_INTERNET) != 0;
    const bool hasItem = treeTab && selected != nullptr;
    const bool busy = tree_.IsBusy();

    const bool shown = isVisible() && !isMinimized();
    a.show->setText(shown ? "&Hide\tCtrl+H" : "&Show\tCtrl+H");
    trayShow_->setText(shown ? "&Hide" : "&Show");
    a.viewSongTree->setChecked(treeTab);
    a.viewPlayList->setChecked(listTab);
    a.alwaysOnTop->setChecked(windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // A web address can be neither copied to a folder nor renamed.
    for (QAction* action :
         {a.treeCopyTo, a.treeRenameTitle, a.treeRenameArtistTitle, a.treeRenameAlbumTitle,
          a.treeRenameArtistAlbumTitle, a.treeRenameCustomize}) {
        action->setEnabled(hasItem && !internet);
    }
    a.treeRenameMenu->setEnabled(hasItem && !internet);
    a.treeAddFiles->setEnabled(treeTab);
    a.treeAddFolder->setEnabled(treeTab);
    a.treeImport->setEnabled(treeTab);
    a.treeExport->setEnabled(hasItem);
    const bool canTagTree = treeTab && !TaggableTreeSong().empty();
    a.treeTag->setEnabled(canTagTree);
    tagButton_->setEnabled(canTagTree);
    a.listTag->setEnabled(listTab && !TaggableListSong().empty());
    const bool canEditMany =
        treeTab ? hasItem && !internet && (!isSong || canTagTree) : !TaggableListSong().empty();
    a.editBatch->setEnabled(canEditMany);
    a.editFromNames->setEnabled(canEditMany);
    a.editRepairEncoding->setEnabled(canEditMany);
    a.editLoudness->setEnabled(canEditMany);
    a.editLookup->setEnabled(canEditMany);
    a.treeAddToPlayList->setEnabled(hasItem);
    a.treeExpand->setEnabled(hasItem && !isSong);
    a.treeCollapse->setEnabled(hasItem && !isSong);
    a.treeRemove->setEnabled(hasItem);
    a.treeCopyPath->setEnabled(hasItem && isSong);
    a.treeCopyPath->setText(internet ? tr("Copy &URL To Clipboard")
                                     : tr("Copy &Path To Clipboard"));
    a.treeViewTypeArtist->setEnabled(treeTab);
    a.treeViewArtistType->setEnabled(treeTab);
    a.treeViewTypeArtist->setChecked(tree_.GetViewMethod() == SongTree::VIEW_TYPE_ARTIST_SONG);
    a.treeViewArtistType->setChecked(tree_.GetViewMethod() == SongTree::VIEW_ARTIST_TYPE_SONG);

    const int rows = list_.GetItemCount();
    const std::vector<int> chosen = list_.GetSelectedRows();
    const int first = chosen.empty() ? -1 : chosen.front();
    const int last = chosen.empty() ? -1 : chosen.back();
    a.listAddFolder->setEnabled(listTab);
    a.listAddFiles->setEnabled(listTab);
    a.listImport->setEnabled(listTab);
    a.listCopyPath->setEnabled(listTab && first >= 0);
    a.listMoveUp->setEnabled(listTab && first > 0);
    a.listMoveDown->setEnabled(listTab && last >= 0 && last < rows - 1);
    a.listRemove->setEnabled(listTab && first >= 0);
    a.listClearAll->setEnabled(listTab && rows > 0);
    a.listExport->setEnabled(listTab && rows > 0);
    a.listCopyTo->setEnabled(listTab && first >= 0);
    upButton_->setEnabled(first > 0);
    downButton_->setEnabled(last >= 0 && last < rows - 1);

    const bool canPlay = control_->CanPlayCommand();
    const bool canStop = control_->CanStopCommand();
    playButton_->setEnabled(canPlay);
    playButton_->setText(control_->PlayButtonText());
    a.play->setEnabled(canPlay);
    a.play->setText(control_->PlayMenuText());
    trayPlay_->setEnabled(canPlay);
    trayPlay_->setText(control_->TrayPlayText());
    stopButton_->setEnabled(canStop);
    a.stop->setEnabled(canStop);
    trayStop_->setEnabled(canStop);
    repeatButton_->setText(control_->RepeatButtonText());
    a.repeat->setChecked(control_->IsRepeat());

    searchButton_->setText(busy ? tr("Stop") : tr("Search"));
    searchButton_->setEnabled(busy || !searchBox_->currentText().trimmed().isEmpty());
    searchBox_->setEnabled(!busy);
    filterBox_->setEnabled(!busy);
    placeBox_->setEnabled(!busy);
    browseButton_->setEnabled(placeBox_->currentIndex() == SearchRules::kLocalPlace && !busy);
    ShowSearchProgress(busy);
}

void MainWindow::ScheduleCommandUpdate() {
    // Many notices in one go (a batch of inserted songs) give one update.
    if (!exited_ && !commandUpdate_.isActive()) {
        commandUpdate_.start();
    }
}

namespace {

// The last two parts of a folder ("Artist/Album"), short enough for the
// status bar; the tool tip has the whole path.
QString ShortFolderName(QString folder) {
    while (folder.endsWith('/') && folder.size() > 1) {
        folder.chop(1);
    }
    qsizetype last = folder.lastIndexOf('/');
    qsizetype before = last > 0 ? folder.lastIndexOf('/', last - 1) : -1;
    return before >= 0 ? folder.mid(before + 1) : folder;
}

QString SongsFound(uint64_t count) {
    return count == 1 ? MainWindow::tr("1 song found")
                      : MainWindow::tr("%1 songs found").arg(count);
}

}  // namespace

void MainWindow::ShowSearchProgress(bool busy) {
    SongTree::SearchProgress progress = tree_.GetSearchProgress();
    if (busy) {
        // The searches end without a notice of their own: while one runs,
        // the commands are looked at again a few times a second.
        busyWatch_.start();
        if (tree_.LocalSearch().IsSearching()) {
            QString folder = QString::fromStdString(progress.folder);
            leftPane_->setText(
                tr("%1, in %2").arg(SongsFound(progress.found), ShortFolderName(folder)));
            leftPane_->setToolTip(tr("Searching %1").arg(folder));
        }
        searching_ = true;
    } else if (searching_) {
        searching_ = false;
        leftPane_->setText(SongsFound(progress.found));
        leftPane_->setToolTip({});
    }
}

QString MainWindow::SearchProgressText() const {
    return leftPane_->text();
}
