// The main window as a user meets it: start-up with and without settings,
// tabs, the exit question, searching a folder into the tree, the play list
// across a restart, Find, and the tree's notices reaching the play list.
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/PlayerControl.h"
#include "qarv/SettingsDialog.h"
#include "qarv/SongTreeModel.h"
#include "qarv/SongTreeSortModel.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/settings/Ini.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/NetworkDeadline.h"

namespace {

// Answers the window's questions as a test says.
class TestWindow : public MainWindow {
public:
    TestWindow() : MainWindow(CMCIWnd::Options{"null", true}) {}
    bool answerYes = true;
    bool askAgain = true;
    int asked = 0;
    QStringList notes;

protected:
    bool AskExit(bool& again) override {
        ++asked;
        again = askAgain;
        return answerYes;
    }
    bool Confirm(const QString&, const QString&) override { return answerYes; }
    void Inform(const QString& text, const QString& title) override {
        notes << title + ": " + text;
    }
};

QString IniValue(const QString& file, const char* section, const char* key) {
    CIni ini(file.toStdString().c_str());
    return QString::fromStdString(ini.GetString(section, key, "<none>"));
}

void WaitIdle(MainWindow& window) {
    QTRY_VERIFY_WITH_TIMEOUT(!window.Tree().IsBusy(), 20000);
    QCoreApplication::processEvents();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<qarvtest::PrivateHome> home;
    QTemporaryDir music;

    // A folder with real songs: two tagged MP3s and an Ogg file.
    void MakeMusic() {
        qarvtest::CopyData("player/two_seconds.mp3", music.path(), "a.mp3");
        qarvtest::CopyData("player/one_second.ogg", music.path(), "b.ogg");
        qarvtest::CopyData("player/half_second.flac", music.path() + "/sub", "c.flac");
    }

private Q_SLOTS:
    void init() { qarvtest::RenewHome(home); }
    void cleanup() { home.reset(); }

    void firstStart() {
        TestWindow window;
        QVERIFY(window.IsCreated());
        QCOMPARE(window.Tabs()->currentIndex(), 0);
        QCOMPARE(window.Tabs()->tabText(0), QString("Song Tree"));
        QCOMPARE(window.Tabs()->tabText(1), QString("Play List"));
        QCOMPARE(window.Tree().GetSelectedItem(), nullptr);
        QVERIFY(window.StatusText().startsWith("Welcome to use \"Tunemoss"));
        QCOMPARE(window.PositionText(), QString("00:00/00:00"));
        QCOMPARE(window.FilterBox()->count(), 15);
        QCOMPARE(window.FilterBox()->currentText(), QString("MPEG (*.mp3;*.mp2;*.mp1)"));
        QCOMPARE(
            window.FilterBox()->itemData(10).toString(),
            QString("MP3;MP2;MP1;WAV;WAVE;WMA;WMV;ASF;RA;RM;OGG;OGA;OPUS;FLAC;AAC;APE;APL;MPC;MP+;"
                    "M4A;MP4;M4P;3GP;AIF;AIFF;AIFC;DSF;WV;MKA;WEBM"));
        QCOMPARE(window.FilterBox()->itemText(11), QString("AIFF (*.aif;*.aiff;*.aifc)"));
        QCOMPARE(window.FilterBox()->itemText(14), QString("Matroska audio (*.mka;*.webm)"));
        QCOMPARE(window.PlaceBox()->currentText(), QString("My Computer"));
        QCOMPARE(window.SearchBox()->count(), 0);
        QVERIFY(!window.SearchButton()->isEnabled());
        QVERIFY(!window.Actions().play->isEnabled());
        QCOMPARE(window.Actions().play->text(), QString("&Play\tCtrl+P"));
        // Nothing is written before the user exits.
        QVERIFY(!QFile::exists(home->ConfigFile()));
    }

    void transferDeadlineComesFromTheSettings() {
        {
            CAppRegKey settings;
            settings.SetTabSelectedIndex(0);
        }
        CIni(home->ConfigFile().toStdString().c_str())
            .WriteString("Network", "Transfer Deadline", "9");
        {
            TestWindow window;
            QCOMPARE(songcore::TransferDeadlineMs(), 9000);
        }
        songcore::SetTransferDeadlineMs(0);
    }

    void damagedSongDatabaseIsKeptNotSavedOver() {
        QDir().mkpath(home->DataFolder());
        QString database = home->DataFolder() + "/default.sdf";
        QFile source(qarvtest::DataFile("lists/two.sdf"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray cut = source.readAll();
        cut.chop(7);  // cut short inside the last song
        {
            QFile out(database);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(cut);
        }
        {
            TestWindow window;
            QTRY_COMPARE(window.notes.size(), 1);
            QVERIFY(window.notes[0].contains("damaged or cut short"));
            QVERIFY(window.notes[0].contains("default.sdf.damaged"));
            // Whatever the tree holds on exit, the damaged file is not lost.
            window.Tree().InsertItem("/music/new.mp3", SONG_TYPE_LOCAL | SONG_TYPE_MPA, "New", "",
                                     "", "Song");
            window.answerYes = true;
            window.close();
        }
        QFile kept(database + ".damaged");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), cut);
    }

    void startWithStoredSettings() {
        {
            CAppRegKey settings;
            settings.SetTabSelectedIndex(1);
            settings.SetSearchFilterIndex(5);
            settings.SetSearchPlaceIndex(1);
            settings.SetSearchContentCount(3);
            settings.SetSearchContent(0, "/music/one");
            settings.SetSearchContent(1, "");
            settings.SetSearchContent(2, "/music/two");
            settings.SetSongRepeat(1);
        }
        TestWindow window;
        QCOMPARE(window.Tabs()->currentIndex(), 1);
        QCOMPARE(window.FilterBox()->currentText(), QString("OGG (*.ogg;*.oga;*.opus)"));
        QCOMPARE(window.PlaceBox()->currentIndex(), 1);
        // Empty history entries are skipped.
        QCOMPARE(window.SearchBox()->count(), 2);
        QCOMPARE(window.SearchBox()->currentText(), QString("/music/one"));
        QCOMPARE(window.Player().GetRepeat(), 1);
        QCOMPARE(window.Control().RepeatButtonText(), QString("Unrepeat"));
    }

    void switchingTabs() {
        TestWindow window;
        window.UpdateCommands();
        QVERIFY(window.Actions().viewSongTree->isChecked());
        QVERIFY(window.Actions().treeAddFolder->isEnabled());
        QVERIFY(!window.Actions().listClearAll->isEnabled());
        window.Actions().viewPlayList->trigger();
        QCOMPARE(window.Tabs()->currentIndex(), 1);
        QVERIFY(window.Actions().viewPlayList->isChecked());
        QVERIFY(!window.Actions().treeAddFolder->isEnabled());
        window.Actions().viewSongTree->trigger();
        QCOMPARE(window.Tabs()->currentIndex(), 0);
    }

    void exitAnsweredNoStoresOnlyTopMost() {
        TestWindow window;
        window.Tabs()->setCurrentIndex(1);
        window.answerYes = false;
        QVERIFY(!window.Exit());
        QCOMPARE(window.asked, 1);
        QCOMPARE(IniValue(home->ConfigFile(), "Setting", "TopMost"), QString("0"));
        QCOMPARE(IniValue(home->ConfigFile(), "Song", "TabSelected"), QString("<none>"));
        QVERIFY(window.Tree().GetCount() == 0 || true);
        // Still running: the commands answer.
        window.SwitchTab();
        QCOMPARE(window.Tabs()->currentIndex(), 0);
    }

    void exitWithoutAskingAgain() {
        {
            TestWindow window;
            window.Tabs()->setCurrentIndex(1);
            window.askAgain = false;
            QVERIFY(window.Exit());
            QCOMPARE(window.asked, 1);
        }
        QCOMPARE(IniValue(home->ConfigFile(), "Setting", "AskWhenExit"), QString("0"));
        QCOMPARE(IniValue(home->ConfigFile(), "Song", "TabSelected"), QString("1"));
        TestWindow again;
        QCOMPARE(again.Tabs()->currentIndex(), 1);
        QVERIFY(again.Exit());
        QCOMPARE(again.asked, 0);
    }

    void searchFolderIntoTree() {
        MakeMusic();
        TestWindow window;
        QAbstractItemModelTester treeTester(&window.TreeModel(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester listTester(&window.ListModel(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.FilterBox()->setCurrentIndex(10);
        window.SearchBox()->setEditText("  " + music.path() + "  ");
        window.UpdateCommands();
        QVERIFY(window.SearchButton()->isEnabled());
        window.Search();
        WaitIdle(window);
        QCOMPARE(window.SearchBox()->itemText(0), music.path());
        // Local root, then its three file type groups.
        QCOMPARE(window.TreeModel().rowCount(), 1);
        QModelIndex root = window.TreeModel().index(0, 0);
        QCOMPARE(root.data().toString(), QString("My Computer's Songs"));
        QCOMPARE(window.TreeModel().rowCount(root), 3);
        HTREEITEM song = window.Tree().FindPathInTree((music.path() + "/sub/c.flac").toStdString(),
                                                      window.Tree().GetRootItem());
        QVERIFY(song != nullptr);
        QModelIndex songIndex = window.TreeModel().IndexOf(song);
        QVERIFY(songIndex.isValid());
        QCOMPARE(songIndex.data().toString(),
                 QString::fromStdString(window.Tree().GetItemText(song)));

        // The tree is kept for the next start.
        QVERIFY(window.Exit());
        TestWindow next;
        QCOMPARE(next.TreeModel().rowCount(), 1);
        QVERIFY(next.Tree().FindPathInTree((music.path() + "/a.mp3").toStdString(),
                                           next.Tree().GetRootItem()) != nullptr);
    }

    void aNewLegacyCodePageRereadsTheSongsShown() {
        // A title in windows-1251 bytes, in a frame that says ISO-8859-1.
        const QString song = qarvtest::CopyData("player/two_seconds.mp3", music.path(), "c.mp3");
        qarvtest::Python(
            "import sys\nfrom mutagen.id3 import ID3, TIT2\n"
            "t = ID3()\n"
            "t.add(TIT2(encoding=0, text=['Группа'.encode('cp1251').decode('latin1')]))\n"
            "t.save(sys.argv[1])\n",
            {song});
        TestWindow window;
        window.FilterBox()->setCurrentIndex(0);
        window.SearchBox()->setEditText(music.path());
        window.Search();
        WaitIdle(window);
        auto shown = [&window, &song] {
            HTREEITEM item =
                window.Tree().FindPathInTree(song.toStdString(), window.Tree().GetRootItem());
            return item ? QString::fromStdString(window.Tree().GetItemText(item)) : QString();
        };
        QVERIFY(shown().contains(QString::fromUtf8("Ãðóïïà")));
        QVERIFY(CAppRegKey().SetLegacyEncoding("windows-1251"));
        SettingsDialog::ApplyTagEncodings();
        window.RereadSongs();
        QVERIFY2(shown().contains(QString::fromUtf8("Группа")), qPrintable(shown()));
        CAppRegKey().SetLegacyEncoding("ISO-8859-1");
        SettingsDialog::ApplyTagEncodings();
    }

    void searchHistoryKeepsTenDistinctEntries() {
        TestWindow window;
        window.FilterBox()->setCurrentIndex(0);
        for (int i = 0; i < 11; ++i) {
            window.SearchBox()->setEditText(music.path() + "/none" + QString::number(i));
            window.Search();
            WaitIdle(window);
        }
        QCOMPARE(window.SearchBox()->count(), 10);
        QCOMPARE(window.SearchBox()->itemText(0), music.path() + "/none10");
        window.SearchBox()->setEditText((music.path() + "/NONE5"));
        window.Search();
        WaitIdle(window);
        QCOMPARE(window.SearchBox()->count(), 10);
        QCOMPARE(window.SearchBox()->itemText(0), music.path() + "/NONE5");
        QCOMPARE(window.SearchBox()->itemText(1), music.path() + "/none10");
    }

    void internetPlaceQueriesTheService() {
        QProcess server;
        server.start("python3",
                     {QStringLiteral(TUNEMOSS_TEST_DATA "/../support/search_server.py")});
        QVERIFY(server.waitForReadyRead(60000));
        int port = server.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
        {
            QDir().mkpath(QFileInfo(home->ConfigFile()).path());
            CIni ini(CAppRegKey::GetStorePath().c_str());
            ini.WriteString("Search", "Place URL",
                            (base + "/List?q=%s&b=%d").toStdString().c_str());
        }
        auto log = [&] {
            QProcess fetch;
            fetch.start("python3", {"-c",
                                    "import sys,urllib.request;"
                                    "sys.stdout.write(urllib.request.urlopen(sys.argv[1])"
                                    ".read().decode())",
                                    base + "/log"});
            fetch.waitForFinished(10000);
            return QString::fromUtf8(fetch.readAllStandardOutput());
        };
        {
            TestWindow window;
            window.PlaceBox()->setCurrentIndex(1);
            window.SearchBox()->setEditText("Blue Moon");
            window.Search();
            // The template is lower-cased; the first page is at offset 1,
            // the next ones 30 further.
            QTRY_VERIFY_WITH_TIMEOUT(log().contains("/list?q=Blue%20Moon&b=31"), 10000);
            QVERIFY(log().startsWith("/list?q=Blue%20Moon&b=1\n"));
            // Search again while it runs: it stops.
            window.Search();
            QVERIFY(window.Exit());
        }
        server.kill();
        server.waitForFinished();
    }

    void playListSurvivesRestart() {
        MakeMusic();
        QString song = music.path() + "/a.mp3";
        {
            TestWindow window;
            window.List().Add(0, "Artist", "Album", "Title", song.toStdString());
            window.List().Add(1, "B", "", "Other", (music.path() + "/b.ogg").toStdString());
            QCOMPARE(window.ListModel().rowCount(), 2);
            QCOMPARE(window.ListModel().index(0, 1).data().toString(), QString("Title"));
            QVERIFY(window.Exit());
        }
        {
            // The song open at exit is selected at the next start.
            CAppRegKey().SetLastPlaying((music.path() + "/b.ogg").toStdString().c_str());
        }
        TestWindow window;
        QCOMPARE(window.List().GetItemCount(), 2);
        QCOMPARE(window.List().GetFile(0), song.toStdString());
        QCOMPARE(window.List().GetAlbum(0), std::string("Album"));
        QCOMPARE(window.ListView()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(window.ListView()->selectionModel()->selectedRows().first().row(), 1);
    }

    void findOnBothTabs() {
        TestWindow window;
        QAbstractItemModelTester listTester(&window.ListModel(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < 6; ++i) {
            window.List().Add(i, "Artist", "", i % 2 ? "Beatles song" : "Other",
                              "/nowhere/" + std::to_string(i) + ".mp3");
        }
        window.Tree().InsertItem("/x/help.mp3", 0x81, "The Beatles", "", "", "The Beatles - Help");
        window.Tree().InsertItem("/x/yes.mp3", 0x81, "Other", "", "", "Yesterday");

        window.Tabs()->setCurrentIndex(1);
        window.FindEdit()->setText("  beatles ");
        window.Find();
        QCOMPARE(window.FindEdit()->text(), QString("beatles"));
        QCOMPARE(window.List().GetSelectedRows(), std::vector<int>{1});
        window.Find();
        QCOMPARE(window.List().GetSelectedRows(), std::vector<int>{3});
        window.Find();
        window.Find();
        // No wrap-around after the last hit.
        QCOMPARE(window.List().GetSelectedRows(), std::vector<int>{5});
        QCOMPARE(window.notes, QStringList{"Information: Find complete!"});
        QCOMPARE(window.ListView()->selectionModel()->selectedRows().first().row(), 5);

        window.notes.clear();
        window.Tabs()->setCurrentIndex(0);
        window.Find();
        HTREEITEM first = window.Tree().GetSelectedItem();
        QVERIFY(first != nullptr);
        QCOMPARE(window.Tree().GetItemText(first), std::string("The Beatles"));
        QCOMPARE(window.TreeSort().ItemOf(window.TreeView()->currentIndex()), first);
        window.Find();
        QCOMPARE(window.Tree().GetSongFile(window.Tree().GetSelectedItem()),
                 std::string("/x/help.mp3"));
        window.Find();
        QCOMPARE(window.notes, QStringList{"Information: Find complete!"});
        window.FindEdit()->setText("   ");
        window.Find();
        QCOMPARE(window.notes.size(), 1);
    }

    void insertedSongUpdatesPlayListRow() {
        MakeMusic();
        TestWindow window;
        std::string file = (music.path() + "/a.mp3").toStdString();
        window.List().Add(0, "old", "old", "old", file);
        window.List().SetPlayerCurrentIndex(0);
        window.Tree().InsertItem(file, 0x81, "New Artist", "New Album", "", "New Title");
        QCOMPARE(window.List().GetArtist(0), std::string("New Artist"));
        QCOMPARE(window.List().GetTitle(0), std::string("New Title"));
        QCOMPARE(window.List().GetAlbum(0), std::string("New Album"));
        QCOMPARE(window.StatusText(), QString("New Artist - New Title"));
        HTREEITEM song = window.Tree().FindPathInTree(file, window.Tree().GetRootItem());
        window.Tree().SetItemText(song, "Retitled");
        QCOMPARE(window.List().GetTitle(0), std::string("Retitled"));
        // A renamed file keeps its row.
        window.Tree().RenameSongFile(song, "/elsewhere/x.mp3");
        QCOMPARE(window.List().GetFile(0), std::string("/elsewhere/x.mp3"));
    }

    void selectedItemRestoresDeepestExisting() {
        {
            TestWindow window;
            window.Tree().InsertItem("/x/a.mp3", 0x81, "A", "", "", "Song A");
            window.Tree().InsertItem("/x/b.mp3", 0x81, "B", "", "", "Song B");
            QVERIFY(window.Exit());
        }
        CAppRegKey().SetSongSelectedItem("0;0;1;7;");
        TestWindow window;
        HTREEITEM selected = window.Tree().GetSelectedItem();
        QVERIFY(selected != nullptr);
        QCOMPARE(window.Tree().GetItemText(selected), std::string("B"));
        // The view shows it, with the groups above it open.
        QCOMPARE(window.TreeSort().ItemOf(window.TreeView()->currentIndex()), selected);
        QVERIFY(window.TreeView()->isExpanded(window.TreeView()->currentIndex().parent()));
        window.Tree().SelectItem(window.Tree().GetChildItem(selected));
        QVERIFY(window.Exit());
        QCOMPARE(IniValue(home->ConfigFile(), "Song", "SelectedItem"), QString("0;0;1;0;"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
