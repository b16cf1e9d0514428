// The play list's table model (editing writes the tag, sorting keeps the
// player's row), the window's smaller commands, and a shutdown in the middle
// of a search.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <functional>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/MessageBoxWidth.h"
#include "qarv/PlayListModel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SettingsDialog.h"
#include "qarv/SongTreeModel.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/songfile/SongType.h"
#include "songcore/tags/SongFileInfo.h"

namespace {

class QuietWindow : public qarvtest::QuietWindow {
public:
    using qarvtest::QuietWindow::QuietWindow;
    // Stands for the tag dialog's Update; empty: nothing written.
    std::function<bool(const std::string&)> editTags;
    std::vector<std::string> edited;

protected:
    bool EditSongTags(const std::string& path) override {
        edited.push_back(path);
        return editTags && editTags(path);
    }
};

std::string TitleOf(const QString& file) {
    CSongFileInfo info;
    if (!info.Open(file.toStdString(), 1, 0) || !info.GetSongInfo()) {
        return "<unreadable>";
    }
    return info.GetTitle();
}

}  // namespace

class ViewsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<qarvtest::PrivateHome> home;

private Q_SLOTS:
    void init() { home = std::make_unique<qarvtest::PrivateHome>(); }
    void cleanup() { home.reset(); }

    void editingACellWritesTheTag() {
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("id3v2/v23.mp3", dir.path(), "song.mp3");
        QString untagged = qarvtest::CopyData("player/two_seconds.mp3", dir.path(), "bare.mp3");
        CPlayList list;
        PlayListModel model(list);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.Add(0, "A", "B", "Old", song.toStdString());
        list.Add(1, "A", "B", "Gone", (dir.path() + "/missing.mp3").toStdString());
        list.Add(2, "A", "B", "Bare", untagged.toStdString());
        QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Title"));

        QSignalSpy written(&model, &PlayListModel::tagWritten);
        QSignalSpy failed(&model, &PlayListModel::tagWriteFailed);
        QVERIFY(model.setData(model.index(0, 1), "New Title", Qt::EditRole));
        QCOMPARE(list.GetTitle(0), std::string("New Title"));
        QCOMPARE(TitleOf(song), std::string("New Title"));
        QCOMPARE(written.size(), 1);
        // A file that cannot be written keeps its cell, and says why.
        QVERIFY(!model.setData(model.index(1, 1), "Other", Qt::EditRole));
        QCOMPARE(list.GetTitle(1), std::string("Gone"));
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed[0][0].toString().startsWith("Cannot write missing.mp3: "));
        // A song without a tag gets one.
        QVERIFY(model.setData(model.index(2, 2), "Album", Qt::EditRole));
        QCOMPARE(list.GetAlbum(2), std::string("Album"));
        CSongFileInfo bare;
        QVERIFY(bare.Open(untagged.toStdString(), 1, 0) && bare.GetSongInfo());
        QCOMPARE(bare.GetAlbum(), std::string("Album"));
    }

    void droppedFiles() {
        QTemporaryDir dir;
        QString tagged = qarvtest::CopyData("id3v2/v23.mp3", dir.path(), "t.mp3");
        QString ogg = qarvtest::CopyData("player/one_second.ogg", dir.path(), "o.ogg");
        QuietWindow window;
        QMimeData drop;
        drop.setUrls({QUrl::fromLocalFile(tagged), QUrl::fromLocalFile(dir.path() + "/none.mp3"),
                      QUrl::fromLocalFile(tagged)});
        // A missing file is skipped, the next one still comes; no duplicates.
        QVERIFY(window.ListModel().canDropMimeData(&drop, Qt::CopyAction, -1, -1, {}));
        QVERIFY(window.ListModel().dropMimeData(&drop, Qt::CopyAction, -1, -1, {}));
        QCOMPARE(window.List().GetItemCount(), 1);
        QCOMPARE(window.List().GetFile(0), tagged.toStdString());
        // A song without a tag comes too, shown by its file name.
        QString bare = qarvtest::CopyData("files/silence.mp3", dir.path(), "bare song.mp3");
        QCOMPARE(PlayListModel::AddDroppedFiles(window.List(), {bare}), 1);
        QCOMPARE(window.List().GetTitle(1), std::string("bare song"));

        // On the tree a drop searches the dropped folders and files.
        QMimeData folder;
        folder.setUrls({QUrl::fromLocalFile(dir.path())});
        window.TreeModel().dropMimeData(&folder, Qt::CopyAction, -1, -1, {});
        QTRY_VERIFY_WITH_TIMEOUT(!window.Tree().IsBusy(), 20000);
        QVERIFY(window.Tree().FindPathInTree(ogg.toStdString(), window.Tree().GetRootItem()));
        QVERIFY(window.Tree().FindPathInTree(tagged.toStdString(), window.Tree().GetRootItem()));
    }

    void sortingKeepsThePlayerRowAndSelection() {
        CPlayList list;
        PlayListModel model(list);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.Add(0, "c", "", "t1", "/m/1.mp3");
        list.Add(1, "A", "", "t2", "/m/2.mp3");
        list.Add(2, "b", "", "t3", "/m/3.mp3");
        list.SetPlayerCurrentIndex(0);
        list.SetSelected(2, true);
        QPersistentModelIndex kept = model.index(1, 0);
        model.sort(0, Qt::AscendingOrder);
        QCOMPARE(list.GetFile(0), std::string("/m/2.mp3"));
        QCOMPARE(list.GetFile(2), std::string("/m/1.mp3"));
        QCOMPARE(list.GetPlayerCurrentIndex(), 2);
        QCOMPARE(list.GetSelectedRows(), std::vector<int>{1});
        QCOMPARE(kept.row(), 0);
        model.sort(1, Qt::DescendingOrder);
        QCOMPARE(list.GetFile(0), std::string("/m/3.mp3"));

        // By the language's order, not by bytes; numbers by their value.
        CPlayList names;
        PlayListModel byName(names);
        for (const char* title : {"Zebra",
                                  "\xC3\x87"
                                  "a ira",
                                  "cello", "Track 10", "Track 9"}) {
            names.Add(names.GetItemCount(), "", "", title, std::string("/m/") + title);
        }
        byName.sort(CPlayList::COLUMN_TITLE, Qt::AscendingOrder);
        std::vector<std::string> order;
        for (int row = 0; row < names.GetItemCount(); ++row) {
            order.push_back(names.GetTitle(row));
        }
        QCOMPARE(order, (std::vector<std::string>{"\xC3\x87"
                                                  "a ira",
                                                  "cello", "Track 9", "Track 10", "Zebra"}));
    }

    void listCommands() {
        QuietWindow window;
        window.Tabs()->setCurrentIndex(1);
        for (int i = 0; i < 5; ++i) {
            window.List().Add(i, "a", "", "t" + std::to_string(i), "/m/" + std::to_string(i));
        }
        // Moving rows 2 and 3 up puts old row 1 after old row 3.
        window.List().SetSelected(2, true);
        window.List().SetSelected(3, true);
        window.UpdateCommands();
        QVERIFY(window.Actions().listMoveUp->isEnabled());
        window.Actions().listMoveUp->trigger();
        QCOMPARE(window.List().GetFile(1), std::string("/m/2"));
        QCOMPARE(window.List().GetFile(2), std::string("/m/3"));
        QCOMPARE(window.List().GetFile(3), std::string("/m/1"));
        QCOMPARE(window.List().GetSelectedRows(), (std::vector<int>{1, 2}));
        window.Actions().listMoveDown->trigger();
        QCOMPARE(window.List().GetFile(1), std::string("/m/1"));
        QCOMPARE(window.List().GetSelectedRows(), (std::vector<int>{2, 3}));

        window.Actions().listCopyPath->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("/m/2\r\n/m/3"));
        window.Actions().listRemove->trigger();
        QCOMPARE(window.List().GetItemCount(), 3);
        window.answerYes = false;
        window.Actions().listClearAll->trigger();
        QCOMPARE(window.List().GetItemCount(), 3);
        window.answerYes = true;
        window.Actions().listClearAll->trigger();
        QCOMPARE(window.List().GetItemCount(), 0);
    }

    void treeToPlayListAndStatusDoubleClick() {
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("player/one_second.ogg", dir.path(), "x.ogg");
        // Played in real time and repeated, so it is open whenever we look.
        QuietWindow window(false);
        window.Control().ToggleRepeat();
        window.Tree().InsertItem(song.toStdString(), 0x81, "Artist", "Album", "", "Song");
        window.Tree().SelectItem(window.Tree().GetRootItem());
        window.UpdateCommands();
        window.Actions().treeAddToPlayList->trigger();
        QCOMPARE(window.List().GetItemCount(), 1);
        QCOMPARE(window.List().GetTitle(0), std::string("Song"));

        window.Tabs()->setCurrentIndex(1);
        window.Control().PlayPause();
        QTRY_COMPARE(window.StatusText(), QString("Artist - Song"));
        // The playing row carries a mark.
        QTRY_VERIFY(
            !window.ListModel().data(window.ListModel().index(0, 0), Qt::DecorationRole).isNull());
        window.List().SelectAll(false);
        window.OnStatusDoubleClicked();
        QCOMPARE(window.List().GetSelectedRows(), std::vector<int>{0});
        window.Tabs()->setCurrentIndex(0);
        window.Tree().SelectItem(nullptr);
        window.OnStatusDoubleClicked();
        QCOMPARE(window.Tree().GetSongFile(window.Tree().GetSelectedItem()), song.toStdString());
        QVERIFY(window.Exit());
        QCOMPARE(QString::fromStdString(CAppRegKey().GetLastPlaying()), song);
    }

    void tagCommandsAndTheViewsAfterAnUpdate() {
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("files/silence.mp3", dir.path(), "song.mp3");
        const std::string path = song.toStdString();
        QVERIFY(songcore::EditSong(path, {{songcore::SongField::Artist, "Nina"},
                                          {songcore::SongField::Title, "Old"}})
                    .ok);
        QuietWindow window;
        QVERIFY(window.Tree().InsertSongFile(path));
        window.Tree().InsertItem("/m/web.mid", 0x01, "Nina", "", "", "Wave");
        window.List().Add(0, "Nina", "", "Old", path);

        // Only a song with a tag editor can be tagged.
        window.Tree().SelectItem(window.Tree().GetRootItem());
        window.UpdateCommands();
        QVERIFY(!window.Actions().treeTag->isEnabled());
        window.Tree().SelectItem(
            window.Tree().FindPathInTree("/m/web.mid", window.Tree().GetRootItem()));
        window.UpdateCommands();
        QVERIFY(!window.Actions().treeTag->isEnabled());
        HTREEITEM item = window.Tree().FindPathInTree(path, window.Tree().GetRootItem());
        window.Tree().SelectItem(item);
        window.UpdateCommands();
        QVERIFY(window.Actions().treeTag->isEnabled());
        QVERIFY(!window.Actions().listTag->isEnabled());  // the list is not shown

        // Cancel changes nothing.
        window.Actions().treeTag->trigger();
        QCOMPARE(window.edited, std::vector<std::string>{path});
        QCOMPARE(window.Tree().GetItemText(item), std::string("Old"));

        window.editTags = [](const std::string& file) {
            return songcore::EditSong(file, {{songcore::SongField::Title, "New"},
                                             {songcore::SongField::Album, "Blue"}})
                .ok;
        };
        window.Actions().treeTag->trigger();
        QCOMPARE(window.Tree().GetItemText(item), std::string("New"));
        QCOMPARE(window.List().GetTitle(0), std::string("New"));
        QCOMPARE(window.List().GetAlbum(0), std::string("Blue"));

        // From the play list; a new artist moves the song in the tree.
        window.Tabs()->setCurrentIndex(1);
        window.List().SetSelected(0, true);
        window.UpdateCommands();
        QVERIFY(window.Actions().listTag->isEnabled());
        window.editTags = [](const std::string& file) {
            return songcore::EditSong(file, {{songcore::SongField::Artist, "Tom"}}).ok;
        };
        window.Actions().listTag->trigger();
        HTREEITEM moved = window.Tree().FindPathInTree(path, window.Tree().GetRootItem());
        QVERIFY(moved);
        QCOMPARE(window.Tree().GetSongArtist(moved), std::string("Tom"));
        QCOMPARE(window.List().GetArtist(0), std::string("Tom"));
        QCOMPARE(window.List().GetTitle(0), std::string("New"));

        // A cell edit is undone from the Edit menu, and the views follow.
        QVERIFY(window.ListModel().setData(window.ListModel().index(0, 1), "Cell", Qt::EditRole));
        QCOMPARE(window.Tree().GetItemText(
                     window.Tree().FindPathInTree(path, window.Tree().GetRootItem())),
                 std::string("Cell"));
        window.Actions().undo->trigger();
        QCOMPARE(TitleOf(song), std::string("New"));
        QCOMPARE(window.List().GetTitle(0), std::string("New"));
        QCOMPARE(window.StatusText(), QString("Undone: Edit Cell, 1 of 1 files"));
        window.Actions().redo->trigger();
        QCOMPARE(TitleOf(song), std::string("Cell"));
    }

    void internetItemsCopyTheirUrl() {
        QuietWindow window;
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        window.Tree().InsertItem("http://example.com/a.mp3", SONG_TYPE_INTERNET | SONG_TYPE_MPA,
                                 "Web", "", "", "A");
        window.Tree().InsertItem("/m/b.mp3", SONG_TYPE_LOCAL | SONG_TYPE_MPA, "Here", "", "", "B");
        window.Tree().SelectItem(
            window.Tree().FindPathInTree("http://example.com/a.mp3", window.Tree().GetRootItem()));
        window.UpdateCommands();
        QCOMPARE(window.Actions().treeCopyPath->text(), QString("Copy &URL To Clipboard"));
        QVERIFY(!window.Actions().treeTag->isEnabled());
        window.Actions().treeCopyPath->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("http://example.com/a.mp3"));
        window.Tree().SelectItem(
            window.Tree().FindPathInTree("/m/b.mp3", window.Tree().GetRootItem()));
        window.UpdateCommands();
        QCOMPARE(window.Actions().treeCopyPath->text(), QString("Copy &Path To Clipboard"));
    }

    void treeRemoveAsksFirst() {
        QuietWindow window;
        window.Tree().InsertItem("/m/a.mp3", 0x81, "A", "", "", "S");
        window.Tree().SelectItem(
            window.Tree().FindPathInTree("/m/a.mp3", window.Tree().GetRootItem()));
        window.answerYes = false;
        window.UpdateCommands();
        window.Actions().treeRemove->trigger();
        QCOMPARE(window.Tree().GetCount(), 4u);
        window.answerYes = true;
        window.Actions().treeRemove->trigger();
        QCOMPARE(window.Tree().GetCount(), 0u);
    }

    void windowLayoutIsRestored() {
        QSize wanted;
        {
            QuietWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            // Within the screen: a larger window is fitted to it.
            wanted = QSize(window.screen()->availableGeometry().width(), 555);
            window.resize(wanted);
            window.ListView()->setColumnWidth(1, 333);
            QVERIFY(window.Exit());
        }
        QuietWindow again;
        QCOMPARE(again.size(), wanted);
        QCOMPARE(again.ListView()->columnWidth(1), 333);
    }

    void showHideAndAlwaysOnTop() {
        QuietWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.UpdateCommands();
        QCOMPARE(window.Actions().show->text(), QString("&Hide\tCtrl+H"));
        QCOMPARE(window.windowTitle(), QString("Tunemoss"));
        // No tray here: Hide minimises, so the window can be found again.
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        window.ShowHide();
        QVERIFY(window.isVisible());
        QVERIFY(window.isMinimized());
        QCOMPARE(window.Actions().show->text(), QString("&Show\tCtrl+H"));
        window.ShowHide();
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        window.Actions().alwaysOnTop->trigger();
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.isVisible());
        QVERIFY(window.Exit());
        QCOMPARE(CAppRegKey().GetAlwaysOnTop(), 8);
    }

    void settingsDialogStoresOnOk() {
        SettingsDialog dialog;
        QCOMPARE(dialog.CopyToEdit()->text(), QString("%TITLE"));
        QVERIFY(dialog.AskWhenExitBox()->isChecked());
        QVERIFY(!dialog.MinimizeToTrayBox()->isChecked());
        dialog.CopyToEdit()->setText("");
        dialog.AskWhenExitBox()->setChecked(false);
        dialog.MinimizeToTrayBox()->setChecked(true);
        dialog.Store();
        CAppRegKey settings;
        QCOMPARE(settings.AskWhenExitApp(), 0);
        QCOMPARE(settings.MinimizeToTray(), 1);
        // An empty pattern is not stored.
        QCOMPARE(settings.GetCopyToFileNameFormat(), std::string("%TITLE"));
    }

    void messageBoxesShowTheirWholeTitle() {
        QMessageBox box(QMessageBox::Information, "Information", "Find complete!", QMessageBox::Ok);
        const int plain = box.sizeHint().width();
        FitTitle(box);
        box.show();
        QVERIFY(box.width() > plain);
        QVERIFY(box.width() >=
                QFontMetrics(box.font()).horizontalAdvance("Information \u2014 Tunemoss"));
        box.close();
    }

    void audioOutputIsChosenAndUsed() {
        // The player's own list, as libmpv gives it.
        CMCIWnd player;
        QVERIFY(player.Create({"null", true}) == 1);
        std::vector<CMCIWnd::AudioDevice> devices = player.GetAudioDevices();
        QVERIFY(!devices.empty());
        QCOMPARE(devices.front().name, std::string("auto"));

        SettingsDialog dialog(nullptr, {{"auto", "Autoselect device"},
                                        {"null/x", "Silence"},
                                        {"alsa/default", "Default (alsa)"}});
        QComboBox* box = dialog.AudioOutputBox();
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->currentText(), QString("automatic"));
        box->setCurrentIndex(box->findData(QString("alsa/default")));
        dialog.Store();
        QCOMPARE(CAppRegKey().GetAudioDevice(), std::string("alsa/default"));
        // A device that went away stays chosen, marked as such.
        SettingsDialog later(nullptr, {{"auto", "Autoselect device"}});
        QCOMPARE(later.AudioOutputBox()->currentText(), QString("alsa/default (not available)"));
        QCOMPARE(player.SetAudioDevice("alsa/default"), 0L);

        // The loudness the player applies, stored and taken at once.
        QCOMPARE(later.ReplayGainBox()->currentData().toString(), QString("track"));
        later.ReplayGainBox()->setCurrentIndex(later.ReplayGainBox()->findData(QString("album")));
        later.Store();
        QCOMPARE(CAppRegKey().GetReplayGain(), std::string("album"));
        QCOMPARE(player.SetReplayGain(CAppRegKey().GetReplayGain()), 0L);
        QCOMPARE(player.GetReplayGain(), std::string("album"));
    }

    void exitDuringASearchDoesNotHang() {
        QTemporaryDir dir;
        for (int i = 0; i < 300; ++i) {
            qarvtest::CopyData("player/two_seconds.mp3",
                               dir.path() + "/d" + QString::number(i % 10),
                               QString("s%1.mp3").arg(i));
        }
        auto window = std::make_unique<QuietWindow>();
        window->FilterBox()->setCurrentIndex(0);
        window->SearchBox()->setEditText(dir.path());
        window->Search();
        QVERIFY(window->Tree().IsBusy());
        QTest::qWait(20);  // wherever the search has got to by then
        QVERIFY(window->Exit());
        // Must return; one that hangs is ended by the test's time-out.
        window.reset();
    }
};

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
