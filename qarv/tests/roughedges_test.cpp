// What a new user ran into: lists read and written by the extension typed,
// with the songs' tags and lengths; Enter in the batch form and on a tree
// song; a drag over a tab; a window restored larger than its screen.
#include <QDragMoveEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/WindowPlacement.h"
#include "qarv/tagedit/BatchEditDialog.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

class Window : public qarvtest::QuietWindow {
public:
    QString saveAnswer;
    QStringList openAnswer;
    QString filterAnswer = "Song DB Files (*.sdf)";  // the dialogs' first filter
    QStringList tagged;

protected:
    QStringList AskOpenFiles(const QString&, const QString&, QString& selected) override {
        selected = filterAnswer;
        return openAnswer;
    }
    QString AskSaveFile(const QString&, const QString&, QString& selected) override {
        selected = filterAnswer;
        return saveAnswer;
    }
    bool EditSongTags(const std::string& path) override {
        tagged << QString::fromStdString(path);
        return false;
    }
};

QString FileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

class RoughEdgesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsFollowTheTypedExtensionAndCarryTagsAndLengths() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("player/two_seconds.mp3", dir.path(), "song.mp3");
        QVERIFY(songcore::EditSong(song.toStdString(), {{SongField::Artist, "Nina"},
                                                        {SongField::Title, "Stay"},
                                                        {SongField::Album, "Blue"}})
                    .ok);
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.List().Add(0, "Nina", "Blue", "Stay", song.toStdString());
        window.List().SetSelected(0, true);
        window.UpdateCommands();
        // The song database filter is chosen, the name typed ends in .m3u
        // and .pls: those are what is written.
        for (const QString& name : {QString("out.m3u"), QString("out.PLS")}) {
            window.saveAnswer = dir.path() + "/" + name;
            window.UpdateCommands();
            window.Actions().listExport->trigger();
            QVERIFY2(!QFile::exists(window.saveAnswer + ".sdf"), qPrintable(name));
        }
        QCOMPARE(FileText(dir.path() + "/out.m3u"),
                 "#EXTM3U\n#EXTINF:2,Nina - Stay\n" + song + "\n");
        QVERIFY2(FileText(dir.path() + "/out.PLS").contains("Length1=2"),
                 qPrintable(FileText(dir.path() + "/out.PLS")));

        // Imported under the same filter, read as the extension says, with
        // the album the song's tags hold.
        window.List().RemoveAll();
        window.openAnswer = {dir.path() + "/out.m3u", dir.path() + "/out.PLS"};
        window.UpdateCommands();
        window.Actions().listImport->trigger();
        QVERIFY2(window.told.isEmpty(), qPrintable(window.told.join('\n')));
        QCOMPARE(window.List().GetItemCount(), 2);
        QCOMPARE(window.List().GetAlbum(0), std::string("Blue"));
        QCOMPARE(window.List().GetAlbum(1), std::string("Blue"));
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        window.Tree().DeleteAllItems();
        window.UpdateCommands();
        window.Actions().treeImport->trigger();
        HTREEITEM item =
            window.Tree().FindPathInTree(song.toStdString(), window.Tree().GetRootItem());
        QVERIFY(item);
        QCOMPARE(window.Tree().GetSongAlbum(item), std::string("Blue"));
        QVERIFY(window.Exit());
    }

    void enterWritesTheBatchFormAndEveryBoxHasItsKey() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        SetTagFailureReporter([](QWidget*, const QString& text, const QString& detail) {
            QFAIL(qPrintable(text + " | " + detail));
        });
        QString song = qarvtest::CopyData("files/silence.mp3", dir.path(), "one.mp3");
        BatchEditDialog dialog({song.toStdString()}, nullptr);
        QSet<QChar> keys;
        for (SongField field : BatchEditDialog::Fields()) {
            QLabel* label = nullptr;
            for (QLabel* candidate : dialog.findChildren<QLabel*>()) {
                if (candidate->buddy() == dialog.Box(field)) {
                    label = candidate;
                }
            }
            QVERIFY(label);
            const qsizetype amp = label->text().indexOf('&');
            QVERIFY2(amp >= 0, qPrintable(label->text()));
            const QChar key = label->text().at(amp + 1).toLower();
            QVERIFY2(!keys.contains(key), qPrintable(label->text()));
            keys.insert(key);
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.Box(SongField::Album), "Typed");
        QTest::keyClick(dialog.Box(SongField::Album), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        CSongFileInfo info;
        QVERIFY(info.Open(song.toStdString(), 1, 0) && info.GetSongInfo());
        QCOMPARE(info.GetAlbum(), std::string("Typed"));
        SetTagFailureReporter(nullptr);
    }

    void enterOnATreeSongOpensItsTags() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("id3v2/v23.mp3", dir.path(), "song.mp3");
        Window window;
        QVERIFY(window.Tree().InsertSongFile(song.toStdString()));
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        HTREEITEM item =
            window.Tree().FindPathInTree(song.toStdString(), window.Tree().GetRootItem());
        HTREEITEM group = window.Tree().GetParentItem(item);
        // The key goes to the tree as it does for a user: with the focus.
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.TreeView()->setFocus();
        window.Tree().SelectItem(group);
        QTest::keyClick(window.TreeView(), Qt::Key_Return);
        QVERIFY(window.tagged.isEmpty());  // a group has no tags of its own
        window.Tree().SelectItem(item);
        QTest::keyClick(window.TreeView(), Qt::Key_Return);
        QCOMPARE(window.tagged, QStringList{song});
        QVERIFY(window.Exit());
    }

    void aDragOverATabBringsItsPageUp() {
        qarvtest::PrivateHome home;
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        QTabBar* bar = window.Tabs()->tabBar();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/music/song.mp3")});
        const QPoint over = bar->tabRect(MainWindow::kPlayListTab).center();
        QDragEnterEvent enter(over, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(bar, &enter);
        QDragMoveEvent move(over, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(bar, &move);
        QTRY_COMPARE(window.Tabs()->currentIndex(), int(MainWindow::kPlayListTab));
        QVERIFY(window.Exit());
    }

    void aWindowLargerThanItsScreenIsFittedToIt() {
        const QRect screen(0, 0, 1280, 800);
        struct Case {
            QRect saved, fitted;
        };
        const Case cases[] = {
            {{100, 100, 800, 600}, {100, 100, 800, 600}},  // fits: left alone
            {{50, 40, 2560, 1700}, {0, 0, 1280, 800}},     // twice the screen
            {{900, 500, 800, 600}, {480, 200, 800, 600}},  // hangs over the corner
            {{-300, -50, 400, 300}, {0, 0, 400, 300}},     // above and left of it
        };
        for (const Case& test : cases) {
            QCOMPARE(FitWithin(test.saved, screen), test.fitted);
        }

        qarvtest::PrivateHome home;
        {
            Window window;
            window.setGeometry(QRect(QPoint(20, 20), window.screen()->size() * 2));
            QVERIFY(window.Exit());
        }
        Window again;
        const QRect available = again.screen()->availableGeometry();
        QVERIFY2(available.contains(again.geometry()),
                 qPrintable(QStringLiteral("%1x%2").arg(again.width()).arg(again.height())));
        QVERIFY(again.Exit());
    }
};

QTEST_MAIN(RoughEdgesTest)
#include "roughedges_test.moc"
