#include "qarv/MainWindow.h"

#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "qarv/AppInfo.h"
#include "qarv/CoverPane.h"
#include "qarv/ListColumns.h"
#include "qarv/MessageBoxWidth.h"
#include "qarv/PaneLabel.h"
#include "qarv/PlayListModel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SearchRules.h"
#include "qarv/SeekSlider.h"
#include "qarv/SelectionMirror.h"
#include "qarv/SettingsDialog.h"
#include "qarv/SongTreeModel.h"
#include "qarv/SongTreeSortModel.h"
#include "qarv/WindowPlacement.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/util/NetworkDeadline.h"

MainWindow::MainWindow(const CMCIWnd::Options& playerOptions, QWidget* parent)
    : QMainWindow(parent), dispatcher_(this), listPlayer_(list_) {
    // The desktop adds nothing to a title that is the program's own name.
    setWindowTitle(AppInfo::Name());
    setWindowIcon(QApplication::windowIcon());
    CAppRegKey settings;
    // The view method is set before the tree is loaded, so the load builds
    // that order.
    tree_.SetViewMethod(settings.GetSongTreeViewMethod(), 0);
    // Songs are read with the code page chosen for legacy tags from the
    // first one on.
    SettingsDialog::ApplyTagEncodings();
    tree_.SetDispatcher(dispatcher_.Function());
    // The audio device chosen in the Settings, unless the caller chose one.
    CMCIWnd::Options options = playerOptions;
    if (options.audioDevice.empty()) {
        options.audioDevice = settings.GetAudioDevice();
    }
    options.replayGain = settings.GetReplayGain();
    created_ = player_.Create(options) != 0;
    control_ = std::make_unique<PlayerControl>(player_, listPlayer_);

    BuildWidgets();
    BuildMenus();
    BuildTray();
    Restore();
    ConnectPlayer();
    ConnectViews();

    commandUpdate_.setSingleShot(true);
    commandUpdate_.setInterval(0);
    connect(&commandUpdate_, &QTimer::timeout, this, &MainWindow::UpdateCommands);
    busyWatch_.setSingleShot(true);
    busyWatch_.setInterval(kBusyWatchMs);
    connect(&busyWatch_, &QTimer::timeout, this, &MainWindow::UpdateCommands);
    UpdateCommands();
    UpdateHistoryTexts();

    // The tree and the list are saved a little after each change too, so a
    // crash loses at most that much.
    autosave_.setSingleShot(true);
    autosave_.setInterval(kAutosaveDelayMs);
    connect(&autosave_, &QTimer::timeout, this, &MainWindow::SaveNow);
    for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(treeModel_.get()),
                                      static_cast<QAbstractItemModel*>(listModel_.get())}) {
        auto later = [this] { autosave_.start(); };
        connect(model, &QAbstractItemModel::rowsInserted, this, later);
        connect(model, &QAbstractItemModel::rowsRemoved, this, later);
        connect(model, &QAbstractItemModel::dataChanged, this, later);
        connect(model, &QAbstractItemModel::layoutChanged, this, later);
        connect(model, &QAbstractItemModel::modelReset, this, later);
    }
}

void MainWindow::SaveNow() {
    if (exited_) {
        return;
    }
    if (tree_.IsModified()) {
        tree_.SaveToFile(tree_.GetDefaultSDFFile());
        tree_.SetModified(0);
    }
    list_.SavePlayList(CPlayList::GetDefaultPlayListFile().c_str());
}

void MainWindow::EndSession() {
    if (exited_) {
        return;
    }
    CAppRegKey().SetAlwaysOnTop(windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 8 : 0);
    StoreSettings();
    Shutdown();
}

MainWindow::~MainWindow() {
    Shutdown();
}

void MainWindow::BuildWidgets() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // The find box and the Settings button serve both tabs.
    auto* findRow = new QHBoxLayout;
    findEdit_ = new QLineEdit(central);
    findEdit_->setPlaceholderText(tr("Search string ..."));
    findEdit_->setClearButtonEnabled(true);
    findEdit_->installEventFilter(this);
    findEdit_->addAction(
        QIcon::fromTheme("edit-find", style()->standardIcon(QStyle::SP_FileDialogContentsView)),
        QLineEdit::LeadingPosition);
    findButton_ = new QPushButton(tr("Find"), central);
    setButton_ = new QPushButton(tr("Set"), central);
    findRow->addWidget(findEdit_, 1);
    findRow->addWidget(findButton_);
    findRow->addWidget(setButton_);
    layout->addLayout(findRow);

    tabs_ = new QTabWidget(central);
    // Songs dragged over a tab bring its page up, so they can be dropped on
    // the play list from the tree or a file manager.
    tabs_->tabBar()->setChangeCurrentOnDrag(true);
    tabs_->tabBar()->setAcceptDrops(true);
    layout->addWidget(tabs_, 1);

    // Song Tree tab.
    auto* treePage = new QWidget(tabs_);
    auto* treeLayout = new QVBoxLayout(treePage);
    auto* searchRow = new QHBoxLayout;
    searchBox_ = new QComboBox(treePage);
    searchBox_->setEditable(true);
    searchBox_->setInsertPolicy(QComboBox::NoInsert);
    searchBox_->setMinimumContentsLength(24);
    searchBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    searchBox_->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    searchBox_->lineEdit()->setPlaceholderText(tr("Folder to search"));
    filterBox_ = new QComboBox(treePage);
    for (const auto& filter : SearchRules::Filters()) {
        filterBox_->addItem(filter.text, filter.extensions);
    }
    placeBox_ = new QComboBox(treePage);
    placeBox_->addItems(SearchRules::Places());
    searchButton_ = new QPushButton(tr("Search"), treePage);
    browseButton_ = new QPushButton(tr("Browse"), treePage);
    tagButton_ = new QPushButton(tr("Tag"), treePage);
    searchRow->addWidget(searchBox_, 1);
    searchRow->addWidget(browseButton_);
    searchRow->addWidget(filterBox_);
    searchRow->addWidget(placeBox_);
    searchRow->addWidget(searchButton_);
    searchRow->addWidget(tagButton_);
    treeLayout->addLayout(searchRow);
    treeView_ = new QTreeView(treePage);
    treeView_->setHeaderHidden(true);
    treeView_->setUniformRowHeights(true);
    treeView_->setDragEnabled(true);
    treeView_->setDragDropMode(QAbstractItemView::DragDrop);
    treeView_->setDefaultDropAction(Qt::CopyAction);
    treeView_->setDropIndicatorShown(false);
    treeLayout->addWidget(treeView_, 1);
    tabs_->addTab(treePage,
                  QIcon::fromTheme("folder-music", style()->standardIcon(QStyle::SP_DirIcon)),
                  tr("Song Tree"));

    // Play List tab.
    auto* listPage = new QWidget(tabs_);
    auto* listLayout = new QVBoxLayout(listPage);
    listView_ = new QTableView(listPage);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView_->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
    listView_->setSortingEnabled(true);
    listView_->setDragEnabled(true);
    listView_->setDragDropMode(QAbstractItemView::DragDrop);
    listView_->setDefaultDropAction(Qt::CopyAction);
    listView_->setDropIndicatorShown(false);
    listView_->verticalHeader()->hide();
    listView_->horizontalHeader()->setStretchLastSection(true);
    listView_->setAlternatingRowColors(true);
    listView_->setWordWrap(false);
    listColumns_ = new ListColumns(*listView_);
    listLayout->addWidget(listView_, 1);
    auto* playerRow = new QHBoxLayout;
    playButton_ = new QPushButton(tr("Play"), listPage);
    stopButton_ = new QPushButton(tr("Stop"), listPage);
    repeatButton_ = new QPushButton(tr("Repeat"), listPage);
    upButton_ = new QPushButton(tr("Up"), listPage);
    downButton_ = new QPushButton(tr("Down"), listPage);
    slider_ = new SeekSlider(listPage);
    // The slider shows where the song is, and moves it when dragged or
    // clicked.
    slider_->setRange(0, 0);
    slider_->setStyleSheet(
        "QSlider::groove:horizontal { background: rgb(218,255,218); height: 6px; border-radius: "
        "3px; }"
        "QSlider::handle:horizontal { background: rgb(0,192,0); width: 12px; margin: -4px 0;"
        " border-radius: 6px; }");
    for (QPushButton* button : {playButton_, stopButton_, repeatButton_, upButton_, downButton_}) {
        playerRow->addWidget(button);
    }
    playerRow->addWidget(slider_, 1);
    listLayout->addLayout(playerRow);
    tabs_->addTab(
        listPage,
        QIcon::fromTheme("view-media-playlist", style()->standardIcon(QStyle::SP_MediaPlay)),
        tr("Play List"));

    setCentralWidget(central);

    // Status bar: an empty pane, the status text and the position text.
    leftPane_ = new PaneLabel(this);
    leftPane_->setMinimumWidth(120);
    statusPane_ = new PaneLabel(this);
    statusPane_->setMinimumWidth(170);
    positionPane_ = new PaneLabel(this);
    positionPane_->setMinimumWidth(120);
    statusBar()->addWidget(leftPane_);
    statusBar()->addWidget(statusPane_, 1);
    coverPane_ = new CoverPane(this);
    statusBar()->addPermanentWidget(coverPane_);
    statusBar()->addPermanentWidget(positionPane_);
    statusPane_->setToolTip(tr("Double-click to show the playing song"));
    positionPane_->setToolTip(tr("Double-click to play or pause"));

    resize(760, 560);
}

void MainWindow::Restore() {
    CAppRegKey settings;
    songcore::SetTransferDeadlineMs(settings.GetTransferDeadline() * 1000);
    if (settings.GetAlwaysOnTop()) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }

    int tab = settings.GetTabSelectedIndex();
    tabs_->setCurrentIndex(tab == kPlayListTab ? kPlayListTab : kSongTreeTab);

    // The tree and the list are read before their views see them, so a
    // large collection is not announced row by row.
    std::string database = tree_.GetDefaultSDFFile();
    if (!tree_.LoadFromFile(database)) {
        KeepDamagedDatabase(database);
    }
    tree_.SetModified(0);
    list_.SetSongTreeCtrl(&tree_);
    list_.LoadPlayList(CPlayList::GetDefaultPlayListFile().c_str());
    treeModel_ = std::make_unique<SongTreeModel>(tree_);
    listModel_ = std::make_unique<PlayListModel>(list_);
    treeSort_ = std::make_unique<SongTreeSortModel>(*treeModel_);
    treeView_->setModel(treeSort_.get());
    listView_->setModel(listModel_.get());
    mirror_ = std::make_unique<SelectionMirror>(tree_, *treeSort_, *treeView_, list_, *listModel_,
                                                *listView_);
    listView_->horizontalHeader()->setSortIndicatorShown(true);
    listView_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // The window and the columns as the user left them.
    auto bytes = [](const std::vector<uint8_t>& layout) {
        return QByteArray(reinterpret_cast<const char*>(layout.data()),
                          static_cast<qsizetype>(layout.size()));
    };
    std::vector<uint8_t> geometry = settings.GetWindowLayout("Geometry");
    if (!geometry.empty()) {
        restoreGeometry(bytes(geometry));
        KeepOnScreen(*this);
    }
    // "PlayList Header" holds the columns of the builds before the field
    // columns, "PlayList Columns" those of the builds before any optional one.
    listColumns_->Restore(bytes(settings.GetWindowLayout("PlayList Fields")),
                          bytes(settings.GetWindowLayout("PlayList Header")),
                          bytes(settings.GetWindowLayout("PlayList Columns")));

    std::string lastPlaying = settings.GetLastPlaying();
    if (!lastPlaying.empty()) {
        int row = list_.FindSong(lastPlaying.c_str());
        if (row >= 0) {
            SelectListRowOnly(row);
        }
    }

    statusPane_->setText(control_->StatusText());
    positionPane_->setText(control_->PositionText());
    player_.SetRepeat(settings.GetSongRepeat());

    RestoreSelectedItem(QString::fromStdString(settings.GetSongSelectedItem()));

    int count = settings.GetSearchContentCount();
    for (int i = 0; i < count; ++i) {
        QString entry = QString::fromStdString(settings.GetSearchContent(i));
        if (!entry.isEmpty()) {
            searchBox_->addItem(entry);
        }
    }
    searchBox_->setCurrentIndex(searchBox_->count() > 0 ? 0 : -1);
    int filter = settings.GetSearchFilterIndex();
    filterBox_->setCurrentIndex(filter >= 0 && filter < filterBox_->count() ? filter : 0);
    int place = settings.GetSearchPlaceIndex();
    placeBox_->setCurrentIndex(place >= 0 && place < placeBox_->count() ? place : 0);

    tree_.SetNotifyChangedMsg(1);
}

void MainWindow::RestoreSelectedItem(const QString& path) {
    HTREEITEM current = nullptr;
    HTREEITEM last = nullptr;
    const QStringList parts = path.split(';', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        bool ok = false;
        int steps = part.trimmed().toInt(&ok);
        HTREEITEM child = ok && steps >= 0 ? tree_.GetChildAt(current, steps) : nullptr;
        if (child == nullptr) {
            break;
        }
        last = current = child;
    }
    if (last != nullptr) {
        SelectTreeItem(last);
    }
}

QString MainWindow::SelectedItemPath() const {
    QString path;
    for (HTREEITEM item = SelectedTreeItem(); item != nullptr; item = tree_.GetParentItem(item)) {
        path.prepend(QString::number(tree_.GetItemRow(item)) + ";");
    }
    return path;
}

HTREEITEM MainWindow::SelectedTreeItem() const {
    return tree_.GetSelectedItem();
}

void MainWindow::SelectTreeItem(HTREEITEM item) {
    tree_.SelectItem(item);
    if (item != nullptr) {
        tree_.EnsureVisible(item);
    }
}

void MainWindow::SelectListRowOnly(int row) {
    list_.SelectAll(false);
    list_.SetSelected(row, true);
    mirror_->ShowListSelection();
    listView_->scrollTo(listModel_->index(row, 0));
}

void MainWindow::ConnectViews() {
    // The tree and the list keep their selection (and the tree its open
    // groups); the views follow them, and the user's clicks go back.
    connect(mirror_.get(), &SelectionMirror::selectionChanged, this,
            &MainWindow::ScheduleCommandUpdate);
    connect(treeModel_.get(), &SongTreeModel::songNotice, this, &MainWindow::OnSongNotice);
    connect(treeModel_.get(), &SongTreeModel::songFileRenamed, this,
            &MainWindow::OnSongFileRenamed);
    connect(treeModel_.get(), &SongTreeModel::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths) {
            SearchIntoTree(path, SearchRules::AllExtensions());
        }
    });
    // The selection restored at start-up came before the view listened.
    mirror_->ShowTreeSelection();
    // The command states follow what changes them.
    for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(treeModel_.get()),
                                      static_cast<QAbstractItemModel*>(listModel_.get())}) {
        auto update = [this] { ScheduleCommandUpdate(); };
        connect(model, &QAbstractItemModel::rowsInserted, this, update);
        connect(model, &QAbstractItemModel::rowsRemoved, this, update);
        connect(model, &QAbstractItemModel::modelReset, this, update);
        connect(model, &QAbstractItemModel::layoutChanged, this, update);
    }
    connect(searchBox_, &QComboBox::editTextChanged, this, &MainWindow::ScheduleCommandUpdate);
    connect(placeBox_, &QComboBox::currentIndexChanged, this, &MainWindow::ScheduleCommandUpdate);
    connect(listView_, &QTableView::doubleClicked, this, [this] { control_->PlaySelected(); });
    // A double-click on a list row plays it; Shift+Enter opens its tags.
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* tag = new QShortcut(QKeySequence(Qt::SHIFT | key), listView_, nullptr, nullptr,
                                  Qt::WidgetShortcut);
        connect(tag, &QShortcut::activated, this, &MainWindow::EditListSongTags);
    }
    connect(tagButton_, &QPushButton::clicked, this, &MainWindow::EditTreeSongTags);
    connect(listModel_.get(), &PlayListModel::tagWritten, this,
            [this](const QString& path) { SongTagsChanged(path.toStdString()); });
    connect(listModel_.get(), &PlayListModel::tagWriteFailed, control_.get(),
            &PlayerControl::SetStatusText);
    connect(listModel_.get(), &PlayListModel::songReadFailed, control_.get(),
            &PlayerControl::SetStatusText);
    connect(treeView_, &QTreeView::doubleClicked, this, [this] {
        if (!TaggableTreeSong().empty()) {
            EditTreeSongTags();
        }
    });
    // Enter on a song opens its tags, as a double-click does; on a group it
    // opens or closes the group.
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter =
            new QShortcut(QKeySequence(key), treeView_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] {
            if (!TaggableTreeSong().empty()) {
                EditTreeSongTags();
                return;
            }
            const QModelIndex current = treeView_->currentIndex();
            if (current.isValid() && treeView_->model()->hasChildren(current)) {
                treeView_->setExpanded(current, !treeView_->isExpanded(current));
            }
        });
    }
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter =
            new QShortcut(QKeySequence(key), listView_, nullptr, nullptr, Qt::WidgetShortcut);
        // Only while the list itself has the focus, not its cell editor.
        connect(enter, &QShortcut::activated, this, [this] { control_->PlaySelected(); });
    }

    connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::UpdateCommands);
    connect(searchButton_, &QPushButton::clicked, this, &MainWindow::Search);
    connect(searchBox_->lineEdit(), &QLineEdit::returnPressed, this, &MainWindow::Search);
    connect(findButton_, &QPushButton::clicked, this, &MainWindow::Find);
    connect(findEdit_, &QLineEdit::returnPressed, this, &MainWindow::Find);
    connect(setButton_, &QPushButton::clicked, this, &MainWindow::OpenSettings);
    // Browse starts where the folder choosers of the commands left off, and
    // they start where it did.
    connect(browseButton_, &QPushButton::clicked, this, [this] {
        QString folder = AskFolder(tr("Select a folder:"));
        if (!folder.isEmpty()) {
            CAppRegKey().SetDefaultFolder(folder.toStdString().c_str());
            searchBox_->setEditText(folder);
        }
    });
    auto* findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(findKey, &QShortcut::activated, this, [this] {
        findEdit_->setFocus();
        findEdit_->selectAll();
    });
    connect(statusPane_, &PaneLabel::doubleClicked, this, &MainWindow::OnStatusDoubleClicked);
    connect(positionPane_, &PaneLabel::doubleClicked, this, [this] { control_->PlayPause(); });
}

void MainWindow::ConnectPlayer() {
    connect(control_.get(), &PlayerControl::statusTextChanged, statusPane_, &QLabel::setText);
    connect(control_.get(), &PlayerControl::positionTextChanged, positionPane_, &QLabel::setText);
    connect(control_.get(), &PlayerControl::sliderRangeChanged, slider_,
            [this](int maximum) { slider_->setRange(0, maximum); });
    connect(control_.get(), &PlayerControl::sliderValueChanged, slider_, &SeekSlider::ShowPosition);
    connect(slider_, &SeekSlider::seekRequested, control_.get(), &PlayerControl::SeekTo);
    // While the handle is dragged the time shown follows it.
    connect(slider_, &QSlider::sliderMoved, control_.get(), &PlayerControl::PreviewSeek);
    connect(control_.get(), &PlayerControl::stateChanged, this, &MainWindow::UpdateCommands);
    // The cover of the song that plays (or is paused).
    auto showCover = [this] {
        coverPane_->ShowSong(control_->CanStopCommand() ? list_.GetPlayerCurrentSong() : "");
    };
    connect(control_.get(), &PlayerControl::stateChanged, coverPane_, showCover);
    connect(control_.get(), &PlayerControl::statusTextChanged, coverPane_, showCover);
    connect(control_.get(), &PlayerControl::stateChanged, this,
            [this] { listModel_->SetPlayerActive(control_->CanStopCommand()); });
    connect(playButton_, &QPushButton::clicked, this, [this] { control_->PlayPause(); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { control_->Stop(); });
    connect(repeatButton_, &QPushButton::clicked, this, [this] { control_->ToggleRepeat(); });
    connect(upButton_, &QPushButton::clicked, this, [this] { MoveListRows(true); });
    connect(downButton_, &QPushButton::clicked, this, [this] { MoveListRows(false); });
}

void MainWindow::KeepDamagedDatabase(const std::string& database) {
    std::error_code ec;
    if (!std::filesystem::exists(database, ec)) {
        return;  // the first start: nothing to keep
    }
    // Moved aside, so that saving the tree on exit cannot write over what
    // may still be rescued from it.
    std::string kept;
    for (int n = 1; n < 100 && kept.empty(); ++n) {
        std::string name = database + ".damaged" + (n > 1 ? "-" + std::to_string(n) : "");
        if (!std::filesystem::exists(name, ec)) {
            kept = name;
        }
    }
    QString text;
    if (!kept.empty() && ::rename(database.c_str(), kept.c_str()) == 0) {
        text = tr("The song database %1 is damaged or cut short, so the song tree starts "
                  "empty. The file was kept as %2.")
                   .arg(QString::fromStdString(database), QString::fromStdString(kept));
    } else {
        text = tr("The song database %1 is damaged or cut short, so the song tree starts "
                  "empty.")
                   .arg(QString::fromStdString(database));
    }
    // Said once the window is up (and its own Inform is in place).
    QTimer::singleShot(0, this, [this, text] { Inform(text, tr("Song Tree")); });
}

QString MainWindow::StatusText() const {
    return statusPane_->text();
}

QString MainWindow::PositionText() const {
    return positionPane_->text();
}

bool MainWindow::AskExit(bool& askAgain) {
    QMessageBox box(QMessageBox::Question, tr("Confirm"), tr("Are you sure to exit application?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    FitTitle(box);
    auto* check = new QCheckBox(tr("Show this message always!"), &box);
    check->setChecked(true);
    box.setCheckBox(check);
    bool yes = box.exec() == QMessageBox::Yes;
    askAgain = check->isChecked();
    return yes;
}

bool MainWindow::Confirm(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, this);
    FitTitle(box);
    return box.exec() != QMessageBox::No;
}

void MainWindow::Inform(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    FitTitle(box);
    box.exec();
}

bool MainWindow::Exit() {
    if (exited_) {
        return true;
    }
    CAppRegKey settings;
    bool onTop = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    settings.SetAlwaysOnTop(onTop ? 8 : 0);
    if (settings.AskWhenExitApp()) {
        bool askAgain = true;
        if (!AskExit(askAgain)) {
            return false;
        }
        settings.SetAskWhenExitApp(askAgain ? 1 : 0);
    }
    StoreSettings();
    Shutdown();
    exited_ = true;
    return true;
}

void MainWindow::StoreSettings() {
    CAppRegKey settings;
    settings.SetSongTreeViewMethod(tree_.GetViewMethod());
    settings.SetSongRepeat(player_.GetRepeat());
    int count = searchBox_->count();
    settings.SetSearchContentCount(count);
    for (int i = 0; i < count; ++i) {
        settings.SetSearchContent(i, searchBox_->itemText(i).toStdString().c_str());
    }
    settings.SetSearchFilterIndex(filterBox_->currentIndex());
    settings.SetSearchPlaceIndex(placeBox_->currentIndex());
    std::string playing;
    player_.GetFileName(playing, 1000);
    settings.SetLastPlaying(playing.c_str());
    settings.SetTabSelectedIndex(tabs_->currentIndex());
    auto layout = [](const QByteArray& state) {
        return std::vector<uint8_t>(state.begin(), state.end());
    };
    settings.SetWindowLayout("Geometry", layout(saveGeometry()));
    settings.SetWindowLayout("PlayList Fields", layout(listView_->horizontalHeader()->saveState()));
    if (SelectedTreeItem() != nullptr) {
        settings.SetSongSelectedItem(SelectedItemPath().toStdString().c_str());
    }
}

void MainWindow::Shutdown() {
    if (exited_) {
        return;
    }
    exited_ = true;
    commandUpdate_.stop();
    busyWatch_.stop();
    // Workers waiting for this thread are released before they are joined.
    dispatcher_.Close();
    tree_.StopAll();
    tree_.WaitAll();
    player_.Destroy();
    if (tray_ != nullptr) {
        tray_->hide();
    }
    if (tree_.IsModified()) {
        tree_.SaveToFile(tree_.GetDefaultSDFFile());
        tree_.SetModified(0);
    }
    list_.SavePlayList(CPlayList::GetDefaultPlayListFile().c_str());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (Exit()) {
        event->accept();
        // The window may be hidden in the tray, where closing it would not
        // count as closing the last window.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    } else {
        event->ignore();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(treeView_),
                                        static_cast<QAbstractItemView*>(listView_)}) {
            if (watched == view || watched == view->viewport()) {
                return OpenContextMenu(view, *static_cast<QContextMenuEvent*>(event));
            }
        }
    }
    // A click into the find box takes its whole text, ready to be replaced.
    if (watched == findEdit_ && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
        QTimer::singleShot(0, findEdit_, &QLineEdit::selectAll);
    }
    return QMainWindow::eventFilter(watched, event);
}
