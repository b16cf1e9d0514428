#pragma once
// MainWindow: qarv's one window. The song tree and the play list on two
// tabs, the search and find boxes, the player's buttons and status panes,
// the menus and the tray icon. Settings are restored when it is built and
// stored when the user exits.

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

#include "qarv/GuiDispatcher.h"
#include "qarv/MainActions.h"
#include "qarv/PlayListPlayer.h"
#include "qarv/SongTree.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/player/MCIWnd.h"
#include "songcore/rename/PatternJobs.h"
#include "songcore/views/PlayList.h"

class QAbstractItemView;
class QAction;
class QDialog;
class QComboBox;
class QContextMenuEvent;
class QLineEdit;
class QModelIndex;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;
class QTreeView;
class CoverPane;
class ListColumns;
class PaneLabel;
class SeekSlider;
class PlayerControl;
class PlayListModel;
class SongTreeModel;
class SongTreeSortModel;
class SelectionMirror;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    enum Tab { kSongTreeTab = 0, kPlayListTab = 1 };

    explicit MainWindow(const CMCIWnd::Options& playerOptions = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // False when the player could not be started: the program cannot run.
    bool IsCreated() const { return created_; }

    // The exit procedure: asks when so set, stores the settings, stops the
    // searches and closes. False when the user said No.
    bool Exit();
    // The same without asking: a logout, SIGTERM, the application quitting.
    void EndSession();
    // Saves the song tree (when changed) and the play list.
    void SaveNow();
    static constexpr int kAutosaveDelayMs = 3000;
    // How often the command states are looked at while a search runs.
    static constexpr int kBusyWatchMs = 250;
    // Add Folder puts this many rows into the play list at a time.
    static constexpr size_t kAddFolderBatch = 100;

    // The files and folders of the command line (or of the launcher): songs
    // go to the play list, which is shown with them selected;
    // folders are searched into the song tree.
    void OpenPaths(const QStringList& paths);

    // Commands, as the buttons, menus and keys run them.
    void Search();
    void Find();
    void ShowHide();
    void SetAlwaysOnTop(bool onTop);
    void SwitchTab();
    void OpenSettings();
    // Reads every song of the tree and the play list again: the code page
    // that legacy tags are read in has changed.
    void RereadSongs();
    void OnStatusDoubleClicked();

    // The parts, for the tests.
    SongTree& Tree() { return tree_; }
    CPlayList& List() { return list_; }
    CMCIWnd& Player() { return player_; }
    PlayerControl& Control() { return *control_; }
    SongTreeModel& TreeModel() { return *treeModel_; }
    SongTreeSortModel& TreeSort() { return *treeSort_; }
    PlayListModel& ListModel() { return *listModel_; }
    QTabWidget* Tabs() const { return tabs_; }
    QTreeView* TreeView() const { return treeView_; }
    QTableView* ListView() const { return listView_; }
    ListColumns& PlayListColumns() const { return *listColumns_; }
    QComboBox* SearchBox() const { return searchBox_; }
    QComboBox* FilterBox() const { return filterBox_; }
    QComboBox* PlaceBox() const { return placeBox_; }
    QLineEdit* FindEdit() const { return findEdit_; }
    QPushButton* SearchButton() const { return searchButton_; }
    QString StatusText() const;
    QString PositionText() const;
    const CoverPane* PlayingCover() const { return coverPane_; }
    // The status bar's left pane: the songs a search found.
    QString SearchProgressText() const;
    const MainActions& Actions() const { return actions_; }
    // The context menu a right click on the tree opens now: "Internet
    // TreeBar" on an internet item, else "Local".
    QMenu* TreeContextMenu() const;
    QMenu* ListContextMenu() const { return listMenu_; }
    // Where a context menu of the view opens: at the cursor, or at the
    // view's top-left corner when the cursor lies outside it.
    static QPoint ContextMenuPosition(const QAbstractItemView* view);
    // Refreshes the enabled state and texts of every command.
    void UpdateCommands();
    // Edit > Undo and Redo name the edit they would take back or do again.
    void UpdateHistoryTexts();

protected:
    // Questions and notes go through these, so the tests can answer them.
    // AskExit: true for Yes; askAgain gets the check box.
    virtual bool AskExit(bool& askAgain);
    virtual bool Confirm(const QString& text, const QString& title);
    virtual void Inform(const QString& text, const QString& title);
    // A song database that exists but cannot be read is moved aside and the
    // user told, instead of being saved over with an empty tree.
    void KeepDamagedDatabase(const std::string& database);
    // Shows the tag editor of a song; true when it wrote the tags. The
    // tests put their own edit in its place.
    virtual bool EditSongTags(const std::string& path);
    // Shows a dialog over the selected songs (the batch form, tag from
    // names, the names Rename As would give) modally; true when it wrote,
    // or for the names, when the user chose to go ahead. The tests press
    // its buttons.
    virtual bool RunSongsDialog(QDialog& dialog);
    // The file dialogs of Add Files, Import and Export; selectedFilter
    // gets the filter line chosen. Empty when cancelled.
    virtual QStringList AskOpenFiles(const QString& title, const QString& filters,
                                     QString& selectedFilter);
    virtual QString AskSaveFile(const QString& title, const QString& filters,
                                QString& selectedFilter);
    // Copy To's folder chooser; empty when cancelled.
    virtual QString AskFolder(const QString& title);
    // Rename Customize; false when cancelled.
    virtual bool AskRenamePattern(QString& pattern);
    // Shows Edit > History modally. The tests work it instead.
    virtual void RunHistoryDialog(QDialog& dialog);

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWidgets();
    void BuildMenus();
    void BuildTray();
    void Restore();
    void StoreSettings();
    void Shutdown();
    void ConnectPlayer();
    void ConnectViews();

    void BuildTreeMenu(QMenu* menu);
    void BuildListMenu(QMenu* menu);
    void BuildContextMenus();
    // The context menu of the tree or the list, for a right click or the
    // menu key.
    bool OpenContextMenu(QAbstractItemView* view, const QContextMenuEvent& event);
    QAction* AddAction(QMenu* menu, const QString& text, const QKeySequence& key = {});
    // UpdateCommands once the notices of the moment have arrived.
    void ScheduleCommandUpdate();
    // The songs found by a running search, in the status bar.
    void ShowSearchProgress(bool busy);
    void OnSongNotice(unsigned message, void* item);
    void OnSongFileRenamed(const QString& oldPath, const QString& newPath);
    void SelectListRowOnly(int row);
    void SelectTreeItem(HTREEITEM item);
    HTREEITEM SelectedTreeItem() const;
    QString SelectedItemPath() const;
    void RestoreSelectedItem(const QString& path);

    // Tree and list commands.
    void AddToPlayList();
    void ExpandSelected(bool expand);
    void CopyTreePath();
    void SetViewMethod(uint32_t method);
    void RemoveTreeItem();
    void AddFolderToTree();
    // A local search of path into the tree, its progress in the status bar.
    void SearchIntoTree(const QString& path, const QString& extensions);
    void CopyListPaths();
    void MoveListRows(bool up);
    void RemoveListRows();
    void ClearList();
    void OpenSupportPage();
    // The tag editor, from the tree (Tag, Ctrl+T, a double-click) and from
    // the play list (Ctrl+T, Shift+Enter).
    void EditTreeSongTags();
    void EditListSongTags();
    // A song whose tags were written: the tree item and the play list rows
    // show its new tags.
    void SongTagsChanged(const std::string& path);
    // The play list rows of a song that is not in the tree, read again.
    void RefreshListRows(const std::string& path);
    // The song of the selected tree item that has a tag editor; empty when
    // the selection is no such song.
    std::string TaggableTreeSong() const;
    std::string TaggableListSong() const;
    // The songs with a tag editor among the selection: the tree's song or
    // every song below its group, or the play list's selected rows.
    std::vector<std::string> SelectedSongs() const;
    // The song items of a branch, in the tree's order (the item itself when
    // it is a song).
    std::vector<HTREEITEM> SongItemsBelow(HTREEITEM top) const;
    // The dialogs that edit the selected songs.
    enum class SongsDialog { BatchEdit, TagFromNames, RepairEncoding, Loudness, Lookup };
    void EditSelectedSongs(SongsDialog kind);
    // Edit > Undo and Redo: the last tag edit of qarv or tunemoss.
    void StepEditHistory(bool undo);
    // The views and the status bar after an undo or redo; tell shows what
    // was refused in a message.
    void ShowHistoryStep(const songcore::HistoryOutcome& outcome, bool undo, bool tell = true);
    // Edit > History: every edit that can be undone, each on its own.
    void OpenEditHistory();
    // Add Files, Import and Export of the tree or the play list.
    void AddFiles(bool toTree);
    // The play list's Add Folder: the songs of a folder and its subfolders.
    void AddFolderToList();
    void ImportList(bool toTree);
    void ExportList(bool fromTree);
    // Copy To of the tree's branch or the list's selected rows; Rename As of
    // the tree's branch (an empty pattern asks for the user's own).
    void CopySelectedTo(bool fromTree);
    void RenameSelectedAs(QString pattern);
    void CollectCopyJobs(HTREEITEM item, const std::string& folder,
                         std::vector<songcore::CopyJob>& jobs) const;
    // One message for all the files a command could not handle.
    void ReportFileFailures(const QString& what, const QStringList& failures);

    bool created_ = false;
    bool exited_ = false;
    bool searching_ = false;

    CMCIWnd player_;
    SongTree tree_;
    CPlayList list_;
    GuiDispatcher dispatcher_;
    PlayListPlayer listPlayer_;
    std::unique_ptr<SongTreeModel> treeModel_;
    // The tree as its view shows it: sorted by name.
    std::unique_ptr<SongTreeSortModel> treeSort_;
    std::unique_ptr<PlayListModel> listModel_;
    std::unique_ptr<PlayerControl> control_;
    std::unique_ptr<SelectionMirror> mirror_;
    MainActions actions_;

    QTabWidget* tabs_ = nullptr;
    QTreeView* treeView_ = nullptr;
    QTableView* listView_ = nullptr;
    ListColumns* listColumns_ = nullptr;  // owned by listView_
    QComboBox* searchBox_ = nullptr;
    QComboBox* filterBox_ = nullptr;
    QComboBox* placeBox_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* tagButton_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    QPushButton* findButton_ = nullptr;
    QPushButton* setButton_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* repeatButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    SeekSlider* slider_ = nullptr;
    PaneLabel* leftPane_ = nullptr;
    PaneLabel* statusPane_ = nullptr;
    PaneLabel* positionPane_ = nullptr;
    CoverPane* coverPane_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* trayShow_ = nullptr;
    QAction* trayPlay_ = nullptr;
    QAction* trayStop_ = nullptr;
    QMenu* localMenu_ = nullptr;
    QMenu* internetMenu_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QTimer commandUpdate_;
    QTimer busyWatch_;
    QTimer autosave_;
};
