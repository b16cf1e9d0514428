// The play list's columns: the optional Track, Length and File columns
// (hidden until the header menu shows them, filled off the window's thread,
// sorted by value), and the columns kept from one start to the next.
#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/ListColumns.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/SongFileInfo.h"

namespace {

using qarvtest::QuietWindow;

// The header menu's entry for a column, by its header text.
QAction* ColumnEntry(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

QString Cell(QuietWindow& window, int row, int column) {
    return window.ListModel().index(row, column).data().toString();
}

void SetTrack(const QString& file, const std::string& track) {
    songcore::SongEditResult result =
        songcore::EditSong(file.toStdString(), {{songcore::SongField::Track, track}}, {});
    QVERIFY2(result.ok, result.error.c_str());
}

}  // namespace

class ListColumnsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<qarvtest::PrivateHome> home;
    QTemporaryDir songs;
    QString ten, two, untracked;

private Q_SLOTS:
    void init() {
        qarvtest::RenewHome(home);
        ten = qarvtest::CopyData("player/two_seconds.mp3", songs.path(), "ten.mp3");
        two = qarvtest::CopyData("player/two_seconds.mp3", songs.path(), "two.mp3");
        untracked = qarvtest::CopyData("player/one_second.ogg", songs.path(), "none.ogg");
        SetTrack(ten, "10");
        SetTrack(two, "2");
    }
    void cleanup() { home.reset(); }

    void optionalColumnsShowTheirValuesOnRequest() {
        QuietWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const QString& file : {ten, two, untracked}) {
            window.List().Add(window.List().GetItemCount(), "", "", "t", file.toStdString());
        }
        QHeaderView* header = window.ListView()->horizontalHeader();
        for (int column : {PlayListModel::kTrackColumn, PlayListModel::kLengthColumn,
                           PlayListModel::kFileColumn}) {
            QVERIFY(header->isSectionHidden(column));
        }
        QMenu menu;
        window.PlayListColumns().FillMenu(menu);
        QAction* track = ColumnEntry(menu, "Track");
        QAction* length = ColumnEntry(menu, "Length");
        QVERIFY(track && length && ColumnEntry(menu, "File") && ColumnEntry(menu, "Artist"));
        QVERIFY(!track->isChecked());
        track->trigger();
        length->trigger();
        QVERIFY(!header->isSectionHidden(PlayListModel::kTrackColumn));
        QVERIFY(!header->isSectionHidden(PlayListModel::kLengthColumn));

        // Read on the worker, then shown.
        QTRY_COMPARE(Cell(window, 0, PlayListModel::kTrackColumn), QString("10"));
        QTRY_COMPARE(Cell(window, 0, PlayListModel::kLengthColumn), QString("0:02"));
        QTRY_COMPARE(Cell(window, 2, PlayListModel::kLengthColumn), QString("0:01"));
        QCOMPARE(Cell(window, 2, PlayListModel::kTrackColumn), QString());
        QCOMPARE(Cell(window, 1, PlayListModel::kFileColumn), QString("two.mp3"));
        // A field is edited in place; the length and the file name are not.
        auto editable = [&](int column) {
            return bool(window.ListModel().flags(window.ListModel().index(0, column)) &
                        Qt::ItemIsEditable);
        };
        QVERIFY(editable(PlayListModel::kTrackColumn));
        QVERIFY(!editable(PlayListModel::kLengthColumn) && !editable(PlayListModel::kFileColumn));

        // By value, the song without a track first.
        window.ListModel().sort(PlayListModel::kTrackColumn, Qt::AscendingOrder);
        QCOMPARE(window.List().GetFile(0), untracked.toStdString());
        QCOMPARE(window.List().GetFile(1), two.toStdString());
        QCOMPARE(window.List().GetFile(2), ten.toStdString());

        // A changed tag is read again once its row hears of it.
        SetTrack(ten, "7");
        window.List().SetTitle(2, "retitled");
        QTRY_COMPARE(Cell(window, 2, PlayListModel::kTrackColumn), QString("7"));
    }

    void theLastColumnShownStays() {
        QuietWindow window;
        QHeaderView* header = window.ListView()->horizontalHeader();
        {
            QMenu menu;
            window.PlayListColumns().FillMenu(menu);
            ColumnEntry(menu, "Artist")->trigger();
            ColumnEntry(menu, "Album")->trigger();
        }
        QCOMPARE(header->count() - header->hiddenSectionCount(), 1);
        QMenu menu;
        window.PlayListColumns().FillMenu(menu);
        QVERIFY(!ColumnEntry(menu, "Title")->isEnabled());
        QVERIFY(ColumnEntry(menu, "Artist")->isEnabled());
    }

    // On the first start the list is empty: its columns fit the first songs
    // added, and are left to the user after that.
    void theFirstSongsOfAFirstStartSizeTheColumns() {
        QuietWindow window;
        QHeaderView* header = window.ListView()->horizontalHeader();
        int usual = header->sectionSize(CPlayList::COLUMN_ARTIST);
        QString artist = "Johann Sebastian Bach and the Orchestra of the Age of Enlightenment";
        window.List().Add(0, artist.toStdString(), "", "t", ten.toStdString());
        int fitted = header->sectionSize(CPlayList::COLUMN_ARTIST);
        QVERIFY2(fitted > usual, qPrintable(QString("%1 <= %2").arg(fitted).arg(usual)));
        window.ListView()->setColumnWidth(CPlayList::COLUMN_ARTIST, 90);
        window.List().Add(1, (artist + artist).toStdString(), "", "t", two.toStdString());
        QCOMPARE(header->sectionSize(CPlayList::COLUMN_ARTIST), 90);
    }

    void columnsAreKeptAndAnOlderStateIsNotTrusted() {
        {
            QuietWindow window;
            QMenu menu;
            window.PlayListColumns().FillMenu(menu);
            ColumnEntry(menu, "File")->trigger();
            window.ListView()->setColumnWidth(PlayListModel::kFileColumn, 222);
            QVERIFY(window.Exit());
        }
        {
            QuietWindow again;
            QHeaderView* header = again.ListView()->horizontalHeader();
            QVERIFY(!header->isSectionHidden(PlayListModel::kFileColumn));
            QVERIFY(header->isSectionHidden(PlayListModel::kTrackColumn));
            QCOMPARE(again.ListView()->columnWidth(PlayListModel::kFileColumn), 222);
        }

        // Columns saved by a build with only artist, title and album: their
        // widths stay, the newer columns stay out of sight.
        QStandardItemModel three(0, 3);
        QTableView old;
        old.setModel(&three);
        old.setColumnWidth(1, 250);
        {
            CAppRegKey settings;
            QByteArray state = old.horizontalHeader()->saveState();
            settings.SetWindowLayout("PlayList Fields", {});
            settings.SetWindowLayout("PlayList Header", {});
            settings.SetWindowLayout("PlayList Columns",
                                     std::vector<uint8_t>(state.begin(), state.end()));
        }
        QuietWindow window;
        QHeaderView* header = window.ListView()->horizontalHeader();
        QCOMPARE(header->count(), int(PlayListModel::kColumnCount));
        QCOMPARE(header->sectionSize(CPlayList::COLUMN_TITLE), 250);
        for (int column : {PlayListModel::kTrackColumn, PlayListModel::kLengthColumn,
                           PlayListModel::kFileColumn}) {
            QVERIFY(header->isSectionHidden(column));
        }
        QVERIFY(!header->isSectionHidden(CPlayList::COLUMN_ALBUM));
        // Nor does a damaged state show them.
        QVERIFY(!window.PlayListColumns().Restore("damaged"));
        QVERIFY(header->isSectionHidden(PlayListModel::kTrackColumn));

        // Columns saved before the other fields had theirs: the file column
        // shown then stays, the field columns stay out of sight.
        QStandardItemModel six(0, PlayListModel::kFileColumn + 1);
        QTableView before;
        before.setModel(&six);
        QByteArray state = before.horizontalHeader()->saveState();
        QVERIFY(window.PlayListColumns().Restore({}, state));
        QVERIFY(!header->isSectionHidden(PlayListModel::kFileColumn));
        for (int column = PlayListModel::kAlbumArtistColumn; column < PlayListModel::kColumnCount;
             ++column) {
            QVERIFY(header->isSectionHidden(column));
        }
    }
    // Every field as a column: shown, sorted, and edited in place; an edit
    // of one of several selected rows goes into each of them.
    void everyFieldIsAColumnEditedInPlace() {
        QString m4a = qarvtest::CopyData("mp4/tagged_end.m4a", songs.path(), "six.m4a");
        QVERIFY(songcore::EditSong(m4a.toStdString(), {{songcore::SongField::Track, "1/6"},
                                                       {songcore::SongField::AlbumArtist, "Band"},
                                                       {songcore::SongField::Year, "2001"}})
                    .ok);
        QVERIFY(songcore::EditSong(ten.toStdString(), {{songcore::SongField::Year, "1999"}}).ok);
        QuietWindow window;
        for (const QString& file : {m4a, ten, two}) {
            window.List().Add(window.List().GetItemCount(), "", "", "t", file.toStdString());
        }
        QMenu menu;
        window.PlayListColumns().FillMenu(menu);
        for (const char* name : {"Album artist", "Year", "Genre", "Disc", "Comment", "Composer"}) {
            QVERIFY2(ColumnEntry(menu, name), name);
        }
        QTRY_COMPARE(Cell(window, 0, PlayListModel::kTrackColumn), QString("1"));  // of 6
        QTRY_COMPARE(Cell(window, 0, PlayListModel::kAlbumArtistColumn), QString("Band"));
        QTRY_COMPARE(Cell(window, 1, PlayListModel::kYearColumn), QString("1999"));

        window.ListModel().sort(PlayListModel::kYearColumn, Qt::DescendingOrder);
        QCOMPARE(window.List().GetFile(0), m4a.toStdString());
        QCOMPARE(window.List().GetFile(1), ten.toStdString());

        // Two rows selected, one cell edited: both songs take the value.
        window.List().SetSelected(1, true);
        window.List().SetSelected(2, true);
        QVERIFY(window.ListModel().setData(
            window.ListModel().index(2, PlayListModel::kComposerColumn), "Ravel", Qt::EditRole));
        for (const QString& file : {ten, two}) {
            CSongFileInfo song;
            QVERIFY(song.Open(file.toStdString(), 1, 0) && song.GetSongInfo());
            QCOMPARE(song.GetComposer(), std::string("Ravel"));
        }
        QTRY_COMPARE(Cell(window, 1, PlayListModel::kComposerColumn), QString("Ravel"));
        QVERIFY(Cell(window, 0, PlayListModel::kComposerColumn) != "Ravel");
        // One edit, undone at once.
        std::vector<songcore::EditOperation> undo, redo;
        std::string error;
        QVERIFY(songcore::EditHistory().List(undo, redo, error));
        QCOMPARE(undo.front().Describe(), std::string("Edit Cells of 2 songs"));

        // A cell whose editor is left as it opened changes nothing: the
        // other selected row keeps its own year.
        const QString twoYear = Cell(window, 2, PlayListModel::kYearColumn);
        QVERIFY(twoYear != "1999");
        QVERIFY(window.ListModel().setData(window.ListModel().index(1, PlayListModel::kYearColumn),
                                           "1999", Qt::EditRole));
        QCOMPARE(Cell(window, 2, PlayListModel::kYearColumn), twoYear);
        CSongFileInfo song;
        QVERIFY(song.Open(two.toStdString(), 1, 0) && song.GetSongInfo());
        QCOMPARE(QString::fromStdString(song.GetText(songcore::SongField::Year)), twoYear);
        QVERIFY(window.Exit());
    }
};

QTEST_MAIN(ListColumnsTest)
#include "listcolumns_test.moc"
