// The views' file commands as a user runs them: Add Files, Import by the
// chosen filter and Export with the extension rule, each dialog answered
// by the test; the lists written are read back by tunemoss.
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/RenamePreviewDialog.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/settings/AppRegKey.h"

namespace {

class Window : public qarvtest::QuietWindow {
public:
    QStringList openAnswer;
    QString saveAnswer;
    QString filterAnswer;
    QString lastFilters;
    QString folderAnswer;
    QString patternAnswer;

protected:
    QStringList AskOpenFiles(const QString&, const QString& filters, QString& selected) override {
        lastFilters = filters;
        selected = filterAnswer;
        return openAnswer;
    }
    QString AskSaveFile(const QString&, const QString&, QString& selected) override {
        selected = filterAnswer;
        return saveAnswer;
    }
    QString AskFolder(const QString&) override { return folderAnswer; }
    bool AskRenamePattern(QString& pattern) override {
        pattern = patternAnswer;
        return !patternAnswer.isEmpty();
    }
    // The names Rename As would give, as shown; the user goes ahead unless
    // told not to.
    bool RunSongsDialog(QDialog& dialog) override {
        auto* preview = qobject_cast<RenamePreviewDialog*>(&dialog);
        if (preview == nullptr) {
            return false;
        }
        previewed.clear();
        for (int row = 0; row < preview->Table()->rowCount(); ++row) {
            previewed << preview->Table()->item(row, 0)->text() + " -> " +
                             preview->Table()->item(row, 1)->text();
        }
        return goAhead;
    }

public:
    QStringList previewed;
    bool goAhead = true;
};

QString ShowList(const QString& path) {
    QProcess process;
    process.start(TUNEMOSS_CLI_PATH, {"playlist", "show", path});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void playListAddImportExport() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QString one = qarvtest::CopyData("id3v2/v23.mp3", dir.path(), "one.mp3");
        QString two = qarvtest::CopyData("files/silence.mp3", dir.path(), "two.mp3");
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.UpdateCommands();
        QVERIFY(window.Actions().listAddFiles->isEnabled());
        QVERIFY(!window.Actions().listExport->isEnabled());  // nothing to export

        window.openAnswer = {one, dir.path() + "/missing.mp3", two, one};
        window.Actions().listAddFiles->trigger();
        // The song filter lists every format, FLAC and MP2 among them.
        QVERIFY(window.lastFilters.contains("*.flac") && window.lastFilters.contains("*.mp2"));
        QCOMPARE(window.List().GetItemCount(), 2);
        QCOMPARE(window.List().GetFile(1), two.toStdString());
        QCOMPARE(window.told.size(), 1);
        QVERIFY(window.told[0].contains("missing.mp3"));
        QCOMPARE(QString::fromStdString(CAppRegKey().GetDefaultFolder()), dir.path());

        // Export writes the selected rows, adding the extension.
        window.List().SetSelected(1, true);
        window.UpdateCommands();
        window.filterAnswer = "M3U Playlist (*.m3u)";
        window.saveAnswer = dir.path() + "/picked";
        window.Actions().listExport->trigger();
        QVERIFY(QFile::exists(dir.path() + "/picked.m3u"));
        QString shown = ShowList(dir.path() + "/picked.m3u");
        QVERIFY2(shown.contains("two.mp3") && !shown.contains("one.mp3"), qPrintable(shown));
        window.filterAnswer = "PLS Playlist (*.pls)";
        window.saveAnswer = dir.path() + "/list.PLS";
        window.List().SelectAll(true);
        window.Actions().listExport->trigger();
        QVERIFY(QFile::exists(dir.path() + "/list.PLS"));

        // A list whose name tells no kind is read by the filter chosen.
        window.List().RemoveAll();
        QFile::copy(dir.path() + "/list.PLS", dir.path() + "/really_pls.txt");
        window.openAnswer = {dir.path() + "/really_pls.txt"};
        window.Actions().listImport->trigger();
        QCOMPARE(window.List().GetItemCount(), 2);
        window.told.clear();
        window.filterAnswer = "Song DB Files (*.sdf)";
        window.Actions().listImport->trigger();
        QCOMPARE(window.told.size(), 1);  // a PLS list is no song database
        QVERIFY(window.Exit());
    }

    void renameAndCopyByTags() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + "/in");
        QString a = qarvtest::CopyData("files/silence.mp3", dir.path() + "/in", "a.mp3");
        QString b = qarvtest::CopyData("files/silence.mp3", dir.path() + "/in", "b.mp3");
        QVERIFY(songcore::EditSong(a.toStdString(), {{songcore::SongField::Artist, "Nina"},
                                                     {songcore::SongField::Title, "Stay"}})
                    .ok);
        QVERIFY(songcore::EditSong(b.toStdString(), {{songcore::SongField::Artist, "Nina"},
                                                     {songcore::SongField::Title, "Go"}})
                    .ok);
        const QByteArray bytesOfA = [&] {
            QFile file(a);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        QVERIFY(window.Tree().InsertSongFile(a.toStdString()));
        QVERIFY(window.Tree().InsertSongFile(b.toStdString()));
        window.List().Add(0, "Nina", "", "Stay", a.toStdString());
        HTREEITEM song = window.Tree().FindPathInTree(a.toStdString(), window.Tree().GetRootItem());
        // Type, then artist: the tree's first view.
        HTREEITEM type = window.Tree().GetParentItem(window.Tree().GetParentItem(song));
        QCOMPARE(window.Tree().GetItemText(type), std::string("mp3"));

        // Copy To of the type's branch: a folder tree of the group names.
        window.Tree().SelectItem(type);
        window.UpdateCommands();
        QVERIFY(window.Actions().treeCopyTo->isEnabled());
        window.folderAnswer = dir.path() + "/out";
        window.Actions().treeCopyTo->trigger();
        QFile copied(dir.path() + "/out/mp3/Nina/Stay.mp3");
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), bytesOfA);
        QVERIFY(QFile::exists(dir.path() + "/out/mp3/Nina/Go.mp3"));
        QVERIFY(window.told.isEmpty());

        // Rename As shows the new names first; Cancel renames nothing.
        window.goAhead = false;
        window.Actions().treeRenameArtistTitle->trigger();
        QCOMPARE(window.previewed,
                 QStringList({"b.mp3 -> Nina - Go.mp3", "a.mp3 -> Nina - Stay.mp3"}));
        QVERIFY(QFile::exists(a));
        // Then the files, the tree and the play list row follow, and the
        // status bar says it is done.
        window.goAhead = true;
        window.Actions().treeRenameArtistTitle->trigger();
        QCOMPARE(window.StatusText(), QString("Rename As done: 2 of 2 songs renamed"));
        const QString renamed = dir.path() + "/in/Nina - Stay.mp3";
        QVERIFY(QFile::exists(renamed));
        QVERIFY(!QFile::exists(a));
        QVERIFY(window.Tree().FindPathInTree(renamed.toStdString(), window.Tree().GetRootItem()));
        QCOMPARE(window.List().GetFile(0), renamed.toStdString());
        // The user's own pattern, and a cancelled Customize renaming nothing.
        window.patternAnswer = "";
        window.Actions().treeRenameCustomize->trigger();
        QVERIFY(QFile::exists(renamed));
        window.patternAnswer = "%TITLE (%ARTIST)";
        window.Actions().treeRenameCustomize->trigger();
        QVERIFY(QFile::exists(dir.path() + "/in/Stay (Nina).mp3"));
        // A mistyped token renames nothing and says which token.
        window.patternAnswer = "%TITEL";
        window.Actions().treeRenameCustomize->trigger();
        QVERIFY(QFile::exists(dir.path() + "/in/Stay (Nina).mp3"));
        QCOMPARE(window.told.size(), 1);
        QVERIFY(window.told[0].contains("unknown token %TITEL"));
        window.told.clear();

        // Copy To of play list rows: by extension and artist.
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.List().SetSelected(0, true);
        window.UpdateCommands();
        QVERIFY(window.Actions().listCopyTo->isEnabled());
        window.folderAnswer = dir.path() + "/rows";
        window.Actions().listCopyTo->trigger();
        QVERIFY(QFile::exists(dir.path() + "/rows/mp3/Nina/Stay.mp3"));
        // A second copy finds the name taken and says so, copying nothing.
        window.Actions().listCopyTo->trigger();
        QCOMPARE(window.told.size(), 1);
        QVERIFY(window.Exit());
    }

    void addFolderAndBrowseShareTheFolder() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + "/music/b");
        QString first = qarvtest::CopyData("files/silence.mp3", dir.path() + "/music", "a.mp3");
        QString deep = qarvtest::CopyData("flac/plain.flac", dir.path() + "/music/b", "c.FLAC");
        qarvtest::CopyData("ogg/plain.ogg", dir.path() + "/music/b", "b.opus.txt");
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.List().Add(0, "", "", "listed", first.toStdString());
        window.UpdateCommands();
        window.folderAnswer = dir.path() + "/music";
        window.Actions().listAddFolder->trigger();
        // Below the folder, in path order, every song format, none twice.
        QCOMPARE(window.List().GetItemCount(), 2);
        QCOMPARE(window.List().GetFile(1), deep.toStdString());
        QCOMPARE(window.List().GetTitle(1), std::string("Plain Title"));
        QCOMPARE(QString::fromStdString(CAppRegKey().GetDefaultFolder()), dir.path() + "/music");

        // Browse stores the folder too.
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        window.folderAnswer = dir.path() + "/music/b";
        QPushButton* browse = nullptr;
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            if (button->text() == "Browse") {
                browse = button;
            }
        }
        QVERIFY(browse);
        browse->click();
        QCOMPARE(window.SearchBox()->currentText(), dir.path() + "/music/b");
        QCOMPARE(QString::fromStdString(CAppRegKey().GetDefaultFolder()), dir.path() + "/music/b");
        QVERIFY(window.Exit());
    }

    void treeAddImportExport() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QString one = qarvtest::CopyData("id3v2/v23.mp3", dir.path(), "one.mp3");
        QString ogg = qarvtest::CopyData("ogg/plain.ogg", dir.path(), "two.ogg");
        Window window;
        window.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        window.UpdateCommands();
        QVERIFY(window.Actions().treeAddFiles->isEnabled());
        QVERIFY(!window.Actions().treeExport->isEnabled());  // no item chosen
        window.openAnswer = {one, ogg};
        window.Actions().treeAddFiles->trigger();
        QVERIFY(window.Tree().FindPathInTree(one.toStdString(), window.Tree().GetRootItem()));
        QVERIFY(window.Tree().FindPathInTree(ogg.toStdString(), window.Tree().GetRootItem()));

        window.Tree().SelectItem(window.Tree().GetRootItem());
        window.UpdateCommands();
        window.filterAnswer = "M3U Playlist (*.m3u)";
        window.saveAnswer = dir.path() + "/tree";
        window.Actions().treeExport->trigger();
        QString shown = ShowList(dir.path() + "/tree.m3u");
        QVERIFY2(shown.contains("one.mp3") && shown.contains("two.ogg"), qPrintable(shown));
        window.filterAnswer = "Song DB Files (*.sdf)";
        window.saveAnswer = dir.path() + "/songs.SDF";
        window.Actions().treeExport->trigger();
        QVERIFY(QFile::exists(dir.path() + "/songs.SDF"));

        Window fresh;
        fresh.Tree().DeleteAllItems();
        fresh.filterAnswer = "Song DB Files (*.sdf)";
        fresh.openAnswer = {dir.path() + "/songs.SDF"};
        fresh.Tabs()->setCurrentIndex(MainWindow::kSongTreeTab);
        fresh.UpdateCommands();
        fresh.Actions().treeImport->trigger();
        QVERIFY(fresh.Tree().FindPathInTree(ogg.toStdString(), fresh.Tree().GetRootItem()));
        QVERIFY(window.Exit());
        QVERIFY(fresh.Exit());
    }
};

QTEST_MAIN(FileCommandsTest)
#include "filecommands_test.moc"
