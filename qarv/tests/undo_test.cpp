// Undo as a user meets it in qarv: a dialog's Update with a new cover taken
// back whole by Ctrl+Z, a cover alone undone, an edit undone after Rename As,
// the Edit menu naming what it would undo, and the History window.
#include <QTreeWidget>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayerControl.h"
#include "qarv/tagedit/CoverBox.h"
#include "qarv/tagedit/HistoryDialog.h"
#include "qarv/tagedit/TagDialog.h"
#include "qarv/tagedit/TagEditor.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"

namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

size_t PictureCount(const QString& path) {
    std::vector<songcore::Picture> pictures;
    std::string error;
    songcore::ReadSongPictures(path.toStdString(), pictures, error);
    return pictures.size();
}

QString Title(const QString& path) {
    CSongFileInfo info;
    info.Open(path.toStdString(), 1, 0);
    info.GetSongInfo();
    return QString::fromStdString(info.GetTitle());
}

// The window whose tag editor and history window the test works.
class Window : public qarvtest::QuietWindow {
public:
    // Edits the song as a user would in its dialog: a new title and, when
    // given, a new cover; then Update.
    QString newTitle;
    QString newCover;
    QString patternAnswer;
    // What the history window showed, and the entry the user undoes there.
    QStringList historyShown;
    int undoInHistory = -1;

protected:
    bool EditSongTags(const std::string& path) override {
        std::unique_ptr<TagDialog> dialog = CreateTagDialog(this, path);
        if (!dialog) {
            return false;
        }
        if (!newTitle.isEmpty()) {
            dialog->Sections().front()->SetPresent(true);
            dialog->Sections().front()->SetValue(songcore::SongField::Title, newTitle);
        }
        if (!newCover.isEmpty() && !dialog->Cover()->PutImageFile(newCover)) {
            return false;
        }
        return dialog->Update();
    }
    bool AskRenamePattern(QString& pattern) override {
        pattern = patternAnswer;
        return true;
    }
    // Rename As goes ahead with the names it shows.
    bool RunSongsDialog(QDialog&) override { return true; }
    void RunHistoryDialog(QDialog& dialog) override {
        auto& history = static_cast<HistoryDialog&>(dialog);
        historyShown.clear();
        QTreeWidget* entries = history.Entries();
        for (int i = 0; i < entries->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = entries->topLevelItem(i);
            historyShown << item->text(0);
            for (int c = 0; c < item->childCount(); ++c) {
                historyShown << "  " + item->child(c)->text(0) + ": " + item->child(c)->text(1);
            }
        }
        if (undoInHistory >= 0) {
            entries->setCurrentItem(entries->topLevelItem(undoInHistory));
            history.UndoSelected();
        }
    }
};

}  // namespace

class UndoTest : public QObject {
    Q_OBJECT
    QStringList failures_;

private Q_SLOTS:
    void initTestCase() {
        SetTagFailureReporter([this](QWidget*, const QString& text, const QString& detail) {
            failures_ << text + " | " + detail;
        });
    }
    void init() { failures_.clear(); }

    // Title and cover in one Update, then Ctrl+Z: the file as it was.
    void titleAndCoverComeBackTogether() {
        for (const char* sample : {"id3v2/v23.mp3", "ogg/tagged.opus", "flac/plain.flac"}) {
            qarvtest::PrivateHome home;
            QTemporaryDir dir;
            const QString song =
                qarvtest::CopyData(sample, dir.path(), QFileInfo(sample).fileName());
            const QByteArray original = Bytes(song);
            Window window;
            QVERIFY(window.Tree().InsertSongFile(song.toStdString()));
            window.Tree().SelectItem(
                window.Tree().FindPathInTree(song.toStdString(), window.Tree().GetRootItem()));
            window.newTitle = "Covered";
            window.newCover = qarvtest::DataFile("pictures/front.jpg");
            window.UpdateCommands();
            window.Actions().treeTag->trigger();
            QVERIFY2(failures_.isEmpty(), qPrintable(failures_.join('\n')));
            QCOMPARE(Title(song), QString("Covered"));
            QCOMPARE(PictureCount(song), size_t(1));
            QCOMPARE(window.Actions().undo->text(),
                     "&Undo Edit Tags of " + QFileInfo(song).fileName() + "\tCtrl+Z");

            window.Actions().undo->trigger();
            QVERIFY2(window.told.isEmpty(), qPrintable(window.told.join('\n')));
            QCOMPARE(window.StatusText(), QString("Undone: Edit Tags, 1 of 1 files"));
            QCOMPARE(Bytes(song), original);
            QCOMPARE(window.Actions().undo->text(), QString("&Undo Tag Edit\tCtrl+Z"));
            QVERIFY(window.Actions().redo->text().startsWith("&Redo Edit Tags of "));

            // A new cover alone is an edit too: Ctrl+Z takes it back, not
            // an older edit of another song.
            window.newTitle.clear();
            window.UpdateCommands();
            window.Actions().treeTag->trigger();
            QCOMPARE(PictureCount(song), size_t(1));
            window.Actions().undo->trigger();
            QCOMPARE(Bytes(song), original);
            QVERIFY(window.Exit());
        }
    }

    void anEditIsUndoneAfterRenameAs() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        const QString song = qarvtest::CopyData("id3v2/v23.mp3", dir.path(), "old name.mp3");
        const QByteArray original = Bytes(song);
        Window window;
        QVERIFY(window.Tree().InsertSongFile(song.toStdString()));
        window.Tree().SelectItem(
            window.Tree().FindPathInTree(song.toStdString(), window.Tree().GetRootItem()));
        window.newTitle = "Fresh";
        window.UpdateCommands();
        window.Actions().treeTag->trigger();
        QCOMPARE(Title(song), QString("Fresh"));

        window.Tree().SelectItem(window.Tree().GetRootItem());
        window.UpdateCommands();
        window.Actions().treeRenameTitle->trigger();
        const QString renamed = dir.path() + "/Fresh.mp3";
        QVERIFY(QFile::exists(renamed));
        window.Actions().undo->trigger();
        QVERIFY2(window.told.isEmpty(), qPrintable(window.told.join('\n')));
        QCOMPARE(Bytes(renamed), original);
        QVERIFY(window.Exit());
    }

    void theHistoryWindowUndoesAnyEdit() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        const QString first = qarvtest::CopyData("files/silence.mp3", dir.path(), "first.mp3");
        const QString second = qarvtest::CopyData("flac/plain.flac", dir.path(), "second.flac");
        const QString firstTitle = Title(first), secondTitle = Title(second);
        Window window;
        for (const QString& song : {first, second}) {
            QVERIFY(window.Tree().InsertSongFile(song.toStdString()));
            window.Tree().SelectItem(
                window.Tree().FindPathInTree(song.toStdString(), window.Tree().GetRootItem()));
            window.newTitle = "New " + QFileInfo(song).baseName();
            window.UpdateCommands();
            window.Actions().treeTag->trigger();
        }
        window.undoInHistory = 1;  // the edit of first.mp3, below the last one
        window.Actions().history->trigger();
        QCOMPARE(window.historyShown,
                 QStringList({"Edit Tags of second.flac",
                              "  second.flac: title: " + secondTitle + " → New second",
                              "Edit Tags of first.mp3",
                              "  first.mp3: title: " + firstTitle + " → New first"}));
        QCOMPARE(Title(first), firstTitle);
        QCOMPARE(Title(second), QString("New second"));
        QCOMPARE(window.StatusText(), QString("Undone: Edit Tags, 1 of 1 files"));
        // Redo brings back what the window undid.
        QVERIFY(window.Actions().redo->text().contains("first.mp3"));
        window.Actions().redo->trigger();
        QCOMPARE(Title(first), QString("New first"));
        QVERIFY(window.Exit());
    }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
