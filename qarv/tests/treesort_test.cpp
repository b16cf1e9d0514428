// The song tree as its view shows it: groups and songs sorted by name, with
// numbers by their value and letter case aside, and an artist edit that
// moves a song to its group's sorted place while the view keeps the song
// selected and current. Find walks the tree in the order shown.
#include <QLineEdit>
#include <QTreeView>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/SongTreeSortModel.h"
#include "songcore/edit/SongEdit.h"

using songcore::SongField;

namespace {

// The window whose tag editor gives the song the artist the test asks for.
class Window : public qarvtest::QuietWindow {
public:
    std::string newArtist;

protected:
    bool EditSongTags(const std::string& path) override {
        return songcore::EditSong(path, {{SongField::Artist, newArtist}}).ok;
    }
};

QStringList NamesShown(const SongTreeSortModel& model, const QModelIndex& parent) {
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        names << model.index(row, 0, parent).data().toString();
    }
    return names;
}

// The only group below the place "My Computer": the songs' file type.
QModelIndex TypeGroup(const SongTreeSortModel& model) {
    return model.index(0, 0, model.index(0, 0));
}

}  // namespace

class TreeSortTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sortedAndKeptSortedAcrossAnEdit() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        // artist, title: the order they come in is not the order shown.
        const std::vector<std::pair<std::string, std::string>> songs = {
            {"beta", "b"},    {"Track 10", "x"},  {"Abba", "Song 10"},
            {"Track 2", "y"}, {"Abba", "song 2"}, {"Ärger", "z"},
        };
        std::vector<std::string> paths;
        for (size_t i = 0; i < songs.size(); ++i) {
            const QString path =
                qarvtest::CopyData("files/silence.mp3", dir.path(), QString("song%1.mp3").arg(i));
            QVERIFY(songcore::EditSong(
                        path.toStdString(),
                        {{SongField::Artist, songs[i].first}, {SongField::Title, songs[i].second}},
                        {0, true})
                        .ok);
            paths.push_back(path.toStdString());
        }
        Window window;
        window.Tree().InsertSongFiles(paths);
        const SongTreeSortModel& model = window.TreeSort();
        const QModelIndex type = TypeGroup(model);
        QCOMPARE(NamesShown(model, type),
                 QStringList({"Abba", "Ärger", "beta", "Track 2", "Track 10"}));
        QCOMPARE(NamesShown(model, model.index(0, 0, type)), QStringList({"song 2", "Song 10"}));

        // "beta" becomes "Zulu": its group goes to the end, not the song's
        // old place, and the song stays the one selected.
        HTREEITEM song = window.Tree().FindPathInTree(paths[0], window.Tree().GetRootItem());
        window.TreeView()->setCurrentIndex(model.IndexOf(song));
        QCOMPARE(window.Tree().GetSelectedItem(), song);
        window.newArtist = "Zulu";
        window.UpdateCommands();
        window.Actions().treeTag->trigger();
        QCOMPARE(NamesShown(model, type),
                 QStringList({"Abba", "Ärger", "Track 2", "Track 10", "Zulu"}));
        HTREEITEM moved = model.ItemOf(window.TreeView()->currentIndex());
        QCOMPARE(window.Tree().GetSongFile(moved), paths[0]);
        QVERIFY(window.TreeView()->selectionModel()->isSelected(window.TreeView()->currentIndex()));

        // A song that comes before the one selected leaves it selected.
        const QString early = qarvtest::CopyData("files/silence.mp3", dir.path(), "early.mp3");
        QVERIFY(
            songcore::EditSong(early.toStdString(), {{SongField::Artist, "Aaron"}}, {0, true}).ok);
        window.Tree().InsertSongFile(early.toStdString());
        QCOMPARE(NamesShown(model, type).first(), QString("Aaron"));
        QCOMPARE(model.ItemOf(window.TreeView()->currentIndex()), moved);

        // Find walks the order shown: "Track 2" came after "Track 10" but
        // is found first.
        window.TreeView()->setCurrentIndex(model.index(0, 0));
        window.FindEdit()->setText("track");
        window.Find();
        QCOMPARE(window.Tree().GetItemText(window.Tree().GetSelectedItem()),
                 std::string("Track 2"));
        window.Find();
        QCOMPARE(window.Tree().GetItemText(window.Tree().GetSelectedItem()),
                 std::string("Track 10"));
        QVERIFY(window.Exit());
    }
};

QTEST_MAIN(TreeSortTest)
#include "treesort_test.moc"
