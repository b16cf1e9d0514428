// The two views' context menus and the long commands as a user meets them:
// which commands a right click offers for what is selected, the questions
// of Clear All, a 5,000-song Add Folder that leaves the window answering, a
// folder search counting its songs in the status bar, and a dropped web
// address that is read without the window waiting for it.
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTreeView>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/SongTreeModel.h"
#include "qarv/SongTreeSortModel.h"
#include "songcore/songfile/SongType.h"
#include "songcore/views/SongTreeCtrl.h"

namespace {

class Window : public qarvtest::QuietWindow {
public:
    QString folderAnswer;

protected:
    QString AskFolder(const QString&) override { return folderAnswer; }
};

// The enabled commands of a menu, by text, separators and disabled ones
// left out.
QStringList Enabled(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->isEnabled()) {
            texts << action->text().section('\t', 0, 0);
        }
    }
    return texts;
}

bool Offers(const QMenu* menu, const QString& text) {
    for (const QAction* action : menu->actions()) {
        if (action->text().section('\t', 0, 0) == text) {
            return true;
        }
    }
    return false;
}

void RightClick(QAbstractItemView* view, const QPoint& at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
}

void CloseMenus() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
}

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<qarvtest::PrivateHome> home;

private Q_SLOTS:
    void init() { qarvtest::RenewHome(home); }
    void cleanup() { home.reset(); }

    void treeMenusFollowTheSelection() {
        Window window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        SongTree& tree = window.Tree();
        tree.InsertItem("/m/a.mp3", SONG_TYPE_LOCAL | SONG_TYPE_MPA, "Here", "", "", "Local Song");
        tree.InsertItem("http://example.com/b.mp3", SONG_TYPE_INTERNET | SONG_TYPE_MPA, "Web", "",
                        "", "Web Song");
        tree.SelectItem(nullptr);
        window.UpdateCommands();

        // Nothing selected: only the commands that need no item.
        QMenu* local = window.TreeContextMenu();
        QCOMPARE(Enabled(local), QStringList({"&Add Files ...", "Add &Folder", "&Type-Artist-Song",
                                              "&Artist-Type-Song", "&Import ..."}));

        // A group: no Tag, no Copy Path; it opens and closes.
        HTREEITEM song = tree.FindPathInTree("/m/a.mp3", tree.GetRootItem());
        HTREEITEM group = tree.GetParentItem(song);
        tree.SelectItem(group);
        window.UpdateCommands();
        QStringList forGroup = Enabled(window.TreeContextMenu());
        QVERIFY(!forGroup.contains("&Tag ..."));
        QVERIFY(!forGroup.contains("Copy &Path To Clipboard"));
        QVERIFY(forGroup.contains("&Expand All Child Nodes"));
        QVERIFY(forGroup.contains("Re&name As"));

        // A right click on a song selects it first: no Expand, Copy Path.
        QModelIndex songIndex = window.TreeSort().IndexOf(song);
        window.TreeView()->scrollTo(songIndex);
        RightClick(window.TreeView(), window.TreeView()->visualRect(songIndex).center());
        QCOMPARE(tree.GetSelectedItem(), song);
        QVERIFY(local->isVisible());
        CloseMenus();
        QStringList forSong = Enabled(local);
        QVERIFY(!forSong.contains("&Expand All Child Nodes"));
        QVERIFY(!forSong.contains("C&ollapse All Child Nodes"));
        QVERIFY(forSong.contains("Copy &Path To Clipboard"));
        QVERIFY(forSong.contains("&Copy To ..."));
        QVERIFY(window.Actions().treeViewTypeArtist->isChecked());

        // An internet song gets the other menu: its address, no file commands.
        HTREEITEM web = tree.FindPathInTree("http://example.com/b.mp3", tree.GetRootItem());
        QModelIndex webIndex = window.TreeSort().IndexOf(web);
        window.TreeView()->scrollTo(webIndex);
        RightClick(window.TreeView(), window.TreeView()->visualRect(webIndex).center());
        QCOMPARE(tree.GetSelectedItem(), web);
        QMenu* internet = window.TreeContextMenu();
        QVERIFY(internet != local);
        QVERIFY(internet->isVisible());
        CloseMenus();
        QVERIFY(Offers(internet, "Copy &URL To Clipboard"));
        QVERIFY(!Offers(internet, "&Copy To ...") && !Offers(internet, "&Tag ..."));
        QVERIFY(Enabled(internet).contains("Copy &URL To Clipboard"));
        QVERIFY(!window.Actions().treeCopyTo->isEnabled());
    }

    void listMenuAndItsQuestions() {
        QTemporaryDir dir;
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.UpdateCommands();
        QMenu* menu = window.ListContextMenu();
        QStringList empty = Enabled(menu);
        QVERIFY(!empty.contains("&Clear All") && !empty.contains("&Export ..."));
        QVERIFY(!empty.contains("&Remove Item"));

        for (const char* name : {"a", "b", "c"}) {
            QString song =
                qarvtest::CopyData("files/silence.mp3", dir.path(), QString(name) + ".mp3");
            window.List().Add(window.List().GetItemCount(), "", "", name, song.toStdString());
        }
        window.List().SetSelected(0, true);
        window.UpdateCommands();
        QStringList first = Enabled(menu);
        QVERIFY(first.contains("&Clear All") && first.contains("&Remove Item"));
        QVERIFY(!first.contains("Move &Up") && first.contains("Move &Down"));
        window.List().SelectAll(false);
        window.List().SetSelected(2, true);
        window.UpdateCommands();
        QStringList last = Enabled(menu);
        QVERIFY(last.contains("Move &Up") && !last.contains("Move &Down"));

        // Clear All asks; No keeps the rows, Yes clears them.
        window.answerYes = false;
        window.Actions().listClearAll->trigger();
        QCOMPARE(window.asked, QStringList({"Are you sure to clear all?"}));
        QCOMPARE(window.List().GetItemCount(), 3);
        window.answerYes = true;
        window.Actions().listClearAll->trigger();
        QCOMPARE(window.List().GetItemCount(), 0);
    }

    void menuOpensAtTheCursorOrTheTopLeftCorner() {
        Window window;
        window.show();
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget* area = window.ListView()->viewport();
        QPoint inside = area->mapToGlobal(QPoint(20, 15));
        QCursor::setPos(inside);
        if (QCursor::pos() != inside) {
            QSKIP("this platform does not move the cursor");
        }
        QCOMPARE(MainWindow::ContextMenuPosition(window.ListView()), inside);
        QCursor::setPos(area->mapToGlobal(QPoint(-50, -50)));
        QCOMPARE(MainWindow::ContextMenuPosition(window.ListView()), area->mapToGlobal(QPoint()));
    }

    void addFolderOfThousandsLeavesTheWindowAnswering() {
        // 5,000 songs in 50 folders, hard links of one small MP3.
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("files/silence.mp3", dir.path(), "source.mp3");
        QString root = dir.path() + "/music";
        for (int folder = 0; folder < 50; ++folder) {
            QString path = QString("%1/%2").arg(root).arg(folder, 2, 10, QChar('0'));
            QVERIFY(QDir().mkpath(path));
            for (int n = 0; n < 100; ++n) {
                QString target = QString("%1/%2.mp3").arg(path).arg(n, 3, 10, QChar('0'));
                QVERIFY(::link(song.toLocal8Bit().constData(), target.toLocal8Bit().constData()) ==
                        0);
            }
        }
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.folderAnswer = root;
        window.UpdateCommands();

        // A batch goes in with one call on the window's thread, and the
        // worker reads the next batch only after that call returned. A call
        // queued while a batch goes in therefore runs before the next batch
        // exactly when the window's event loop runs between two batches; it
        // sees where the batch ended.
        QList<int> seenBetween;
        bool queued = false;
        QObject::connect(&window.ListModel(), &QAbstractItemModel::rowsInserted, &window, [&] {
            if (queued) {
                return;
            }
            queued = true;
            QMetaObject::invokeMethod(
                &window,
                [&] {
                    queued = false;
                    seenBetween << window.List().GetItemCount();
                },
                Qt::QueuedConnection);
        });
        window.Actions().listAddFolder->trigger();

        QCOMPARE(window.List().GetItemCount(), 5000);
        QCOMPARE(window.List().GetFile(0), (root + "/00/000.mp3").toStdString());
        QCOMPARE(window.List().GetFile(4999), (root + "/49/099.mp3").toStdString());
        const int batch = static_cast<int>(MainWindow::kAddFolderBatch);
        QList<int> batchEnds;
        for (int end = batch; end <= 5000; end += batch) {
            batchEnds << end;
        }
        QCOMPARE(seenBetween, batchEnds);

        // A second Add Folder of the same songs adds none again.
        window.Actions().listAddFolder->trigger();
        QCOMPARE(window.List().GetItemCount(), 5000);
    }

    void folderSearchCountsItsSongs() {
        QTemporaryDir dir;
        for (int n = 0; n < 250; ++n) {
            qarvtest::CopyData("files/silence.mp3", dir.path() + "/album",
                               QString("%1.mp3").arg(n, 3, 10, QChar('0')));
        }
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        window.folderAnswer = dir.path();
        int insertions = 0;
        QObject::connect(&window.TreeModel(), &QAbstractItemModel::rowsInserted,
                         [&] { ++insertions; });
        window.Actions().treeAddFolder->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!window.Tree().IsBusy(), 60000);
        QTRY_COMPARE(window.SearchProgressText(), QString("250 songs found"));
        HTREEITEM last = window.Tree().FindPathInTree((dir.path() + "/album/249.mp3").toStdString(),
                                                      window.Tree().GetRootItem());
        QVERIFY(last != nullptr);
        QVERIFY(insertions >= 250);
    }

    void droppedWebAddressIsReadOffTheWindowsThread() {
        // A server that takes the request and says nothing until told.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QList<QTcpSocket*> clients;
        QObject::connect(&server, &QTcpServer::newConnection,
                         [&] { clients << server.nextPendingConnection(); });
        QTemporaryDir dir;
        QString local = qarvtest::CopyData("files/silence.mp3", dir.path(), "here.mp3");

        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        QMimeData data;
        QString address = QString("http://127.0.0.1:%1/song.mp3").arg(server.serverPort());
        data.setUrls({QUrl(address), QUrl::fromLocalFile(local)});
        QVERIFY(window.ListModel().dropMimeData(&data, Qt::CopyAction, -1, -1, {}));
        // The server has not answered: had the drop waited for the download,
        // it would have ended only at the idle time-out, reading done.
        QVERIFY2(window.ListModel().IsReadingDrops(), "the drop waited for the download");
        QCOMPARE(window.List().GetItemCount(), 1);  // the local file at once
        QTRY_VERIFY(!clients.isEmpty());
        QVERIFY(window.ListModel().IsReadingDrops());

        // The server hangs up: the address is reported, not added.
        for (QTcpSocket* client : clients) {
            client->abort();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window.ListModel().IsReadingDrops(), 30000);
        QTRY_VERIFY(window.StatusText().startsWith("Cannot add " + address));
        QCOMPARE(window.List().GetItemCount(), 1);
    }

    void closingDuringAHangingDownloadDoesNotWait() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        int connections = 0;
        QTcpSocket* client = nullptr;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            ++connections;
            client = server.nextPendingConnection();
        });
        auto window = std::make_unique<Window>();
        QMimeData data;
        data.setUrls({QUrl(QString("http://127.0.0.1:%1/a.mp3").arg(server.serverPort()))});
        QVERIFY(window->ListModel().dropMimeData(&data, Qt::CopyAction, -1, -1, {}));
        QTRY_COMPARE(connections, 1);
        QVERIFY(window->Exit());
        window.reset();
        // The server never answered: the window's end cut the download off,
        // and the connection is closed from its side.
        QVERIFY(client != nullptr);
        QTRY_COMPARE(client->state(), QAbstractSocket::UnconnectedState);
    }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
