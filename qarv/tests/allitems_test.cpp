// The "All Items" table of the tag dialogs: on songs of the formats whose
// tags keep items under keys of their own (ID3v2 TXXX frames, MP4 freeform
// atoms, Vorbis comments, Matroska SimpleTags), tagged by mutagen (Matroska
// by mkvpropedit) and read back by it (mkvextract), an item
// edited, one removed and one added in the same Update as a new title, all
// taken back by one undo; a key the format refuses writes nothing.
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/tagedit/ItemsBox.h"
#include "qarv/tagedit/TagDialog.h"
#include "qarv/tagedit/TagEditor.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/edit/EditHistory.h"

using songcore::SongField;

namespace {

using qarvtest::Python;

QByteArray Bytes(const QString& path) {
    return qarvtest::FileBytes(path);
}

// Gives each song the items MOOD=calm and OLD=gone in its format's way, and
// an MP3 a rating too (a POPM frame, which is no text).
const char* const kAddItems = R"(
import sys, mutagen
from mutagen.id3 import ID3, ID3NoHeaderError, TXXX, POPM
from mutagen.mp4 import MP4, MP4FreeForm
for p in sys.argv[1:]:
    if p.endswith('.mp3'):
        try:
            t = ID3(p)
        except ID3NoHeaderError:
            t = ID3()
        t.add(TXXX(encoding=3, desc='MOOD', text=['calm']))
        t.add(TXXX(encoding=3, desc='OLD', text=['gone']))
        t.add(POPM(email='rater@example.org', rating=196, count=3))
        t.save(p)
    elif p.endswith('.mka'):
        import subprocess, tempfile
        with tempfile.NamedTemporaryFile('w', suffix='.xml') as x:
            x.write('<Tags><Tag><Targets/>' + ''.join(
                '<Simple><Name>%s</Name><String>%s</String></Simple>' % pair
                for pair in (('TITLE', 'Song'), ('MOOD', 'calm'), ('OLD', 'gone'))) + '</Tag></Tags>')
            x.flush()
            subprocess.run(['mkvpropedit', '-q', p, '--tags', 'global:' + x.name], check=True)
    elif p.endswith('.m4a'):
        f = MP4(p)
        f['----:com.apple.iTunes:MOOD'] = [MP4FreeForm(b'calm')]
        f['----:com.apple.iTunes:OLD'] = [MP4FreeForm(b'gone')]
        f.save()
    else:
        f = mutagen.File(p)
        f['MOOD'] = ['calm']
        f['OLD'] = ['gone']
        f.save()
)";

// "title MOOD=... OLD=... NEW=... ratings=N" as mutagen reads the song (N:
// the ratings of the test's rater).
const char* const kReadItems = R"(
import sys, mutagen
from mutagen.id3 import ID3
from mutagen.mp4 import MP4
p = sys.argv[1]
if p.endswith('.mka'):
    import subprocess, xml.etree.ElementTree as ET
    xml = subprocess.run(['mkvextract', p, 'tags', '/dev/stdout'], capture_output=True,
                         check=True).stdout.decode('utf-8-sig')
    got = {}
    for tag in ET.fromstring(xml):
        if len(tag.find('Targets')) == 0:
            for simple in tag.findall('Simple'):
                got.setdefault(simple.findtext('Name'), []).append(simple.findtext('String'))
    print(got.get('TITLE', [''])[0],
          ' '.join(k + '=' + '|'.join(got.get(k, [])) for k in ('MOOD', 'OLD', 'NEW')), 'ratings=0')
    sys.exit()
f = mutagen.File(p)
def values(k):
    if isinstance(f.tags, ID3):
        return [str(x) for frame in f.tags.getall('TXXX:' + k) for x in frame.text]
    if isinstance(f, MP4):
        return [bytes(x).decode() for x in f.tags.get('----:com.apple.iTunes:' + k, [])]
    return f.tags.get(k, [])
ratings = len([frame for frame in f.tags.getall('POPM') if frame.email == 'rater@example.org']) \
    if isinstance(f.tags, ID3) else 0
title = mutagen.File(p, easy=True)['title'][0]
print(title, ' '.join(k + '=' + '|'.join(values(k)) for k in ('MOOD', 'OLD', 'NEW')),
      'ratings=%d' % ratings)
)";

bool HaveMkvToolNix() {
    return !QStandardPaths::findExecutable("mkvpropedit").isEmpty() &&
           !QStandardPaths::findExecutable("mkvextract").isEmpty();
}

int RowOf(ItemsBox* items, const QString& key) {
    for (int row = 0; row < items->Table()->rowCount(); ++row) {
        if (items->Table()->item(row, 0)->text() == key) {
            return row;
        }
    }
    return -1;
}

}  // namespace

class AllItemsTest : public QObject {
    Q_OBJECT

    qarvtest::PrivateHome home_;
    QTemporaryDir dir_;
    QStringList failures_;
    // The songs with their items, copied for each case.
    QString samples_;

private Q_SLOTS:
    void initTestCase() {
        if (Python("import mutagen", {}) == "<failed>") {
            QSKIP("python3-mutagen is not installed");
        }
        SetTagFailureReporter([this](QWidget*, const QString& text, const QString& detail) {
            failures_ << text + " | " + detail;
        });
        samples_ = dir_.path() + "/samples";
        QVERIFY(QDir().mkpath(samples_));
        QStringList songs = {
            qarvtest::CopyData("id3v2/v23.mp3", samples_, "song.mp3"),
            qarvtest::CopyData("flac/plain.flac", samples_, "song.flac"),
            qarvtest::CopyData("mp4/tagged_faststart.m4a", samples_, "song.m4a"),
            qarvtest::CopyData("ogg/tagged.opus", samples_, "song.opus"),
        };
        if (HaveMkvToolNix()) {
            songs << qarvtest::CopyData("matroska/ffmpeg.mka", samples_, "song.mka");
        }
        QCOMPARE(Python(kAddItems, songs), QString());
    }
    void init() { failures_.clear(); }

    void editRemoveAndAddThenUndo_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prefix");      // of the keys the table shows
        QTest::addColumn<QString>("refusedKey");  // a field's own key
        QTest::addColumn<QString>("ratingKey");   // an item that is no text
        QTest::newRow("MP3") << "song.mp3"
                             << "TXXX:"
                             << "TIT2"
                             << "POPM:rater@example.org";
        QTest::newRow("FLAC") << "song.flac"
                              << ""
                              << "TITLE"
                              << "";
        QTest::newRow("M4A") << "song.m4a"
                             << "----:com.apple.iTunes:"
                             << "\u00a9nam"
                             << "";
        QTest::newRow("Opus") << "song.opus"
                              << ""
                              << "TITLE"
                              << "";
        if (HaveMkvToolNix()) {
            QTest::newRow("Matroska") << "song.mka"
                                      << ""
                                      << "TITLE"
                                      << "";
        }
    }
    void editRemoveAndAddThenUndo() {
        QFETCH(QString, name);
        QFETCH(QString, prefix);
        QFETCH(QString, refusedKey);
        QFETCH(QString, ratingKey);
        QTemporaryDir dir;
        const QString song = dir.path() + "/" + name;
        QVERIFY(QFile::copy(samples_ + "/" + name, song));
        const QByteArray original = Bytes(song);
        const QString before = Python(kReadItems, {song});
        QVERIFY(before.contains(" MOOD=calm OLD=gone NEW= "));

        auto dialog = CreateTagDialog(nullptr, song.toStdString());
        QVERIFY(dialog);
        ItemsBox* items = dialog->Items();
        QVERIFY(items);
        auto* tabs = dialog->findChild<QTabWidget*>();
        QVERIFY(tabs->isTabVisible(tabs->indexOf(items)));
        QVERIFY(!items->IsChanged());
        // The keys as the format keeps them; the fields are not among them.
        const int mood = RowOf(items, prefix + "MOOD");
        QVERIFY(mood >= 0 && RowOf(items, prefix + "OLD") >= 0);
        QCOMPARE(items->Table()->item(mood, 1)->text(), QString("calm"));
        QCOMPARE(RowOf(items, refusedKey), -1);
        if (!ratingKey.isEmpty()) {
            const int rating = RowOf(items, ratingKey);
            QVERIFY(rating >= 0);
            QVERIFY(!(items->Table()->item(rating, 1)->flags() & Qt::ItemIsEditable));
            items->RemoveRow(rating);
        }

        items->Table()->item(RowOf(items, prefix + "MOOD"), 1)->setText("happy");
        items->RemoveRow(RowOf(items, prefix + "OLD"));
        items->AddRow(prefix + "NEW", "fresh");
        dialog->Sections().front()->SetPresent(true);
        dialog->Sections().front()->SetValue(SongField::Title, "Renamed");
        QVERIFY(dialog->Update());
        QVERIFY2(failures_.isEmpty(), qPrintable(failures_.join('\n')));
        QCOMPARE(Python(kReadItems, {song}),
                 QString("Renamed MOOD=happy OLD= NEW=fresh ratings=0"));

        // Items, title and all come back as one edit, byte for byte.
        std::vector<songcore::EditOperation> undo, redo;
        std::string error;
        QVERIFY(songcore::EditHistory().List(undo, redo, error));
        QCOMPARE(undo.front().Paths(), std::vector<std::string>{song.toStdString()});
        songcore::HistoryOutcome outcome = songcore::EditHistory().Undo();
        QVERIFY2(outcome.ok && outcome.refused.empty(), outcome.error.c_str());
        QCOMPARE(Bytes(song), original);

        // A key that names a field is refused with the library's word on
        // it, before anything is written.
        auto refusing = CreateTagDialog(nullptr, song.toStdString());
        refusing->Items()->AddRow(refusedKey, "x");
        refusing->Sections().front()->SetValue(SongField::Title, "Not written");
        QVERIFY(!refusing->Update());
        QCOMPARE(failures_.size(), 1);
        QVERIFY2(failures_[0].startsWith("Update items failed! | " + name + ": "),
                 qPrintable(failures_[0]));
        QCOMPARE(Bytes(song), original);
    }

    // An MP3 without an ID3v2 tag keeps its items only once the tag is
    // ticked: unticked, Update would write them and remove the tag.
    void itemsNeedTheirTag() {
        QTemporaryDir dir;
        const QString song = qarvtest::CopyData("files/silence.mp3", dir.path(), "bare.mp3");
        const QByteArray original = Bytes(song);
        auto dialog = CreateTagDialog(nullptr, song.toStdString());
        QVERIFY(!dialog->Sections().front()->Present());
        dialog->Items()->AddRow("TXXX:MOOD", "calm");
        QVERIFY(!dialog->Update());
        QCOMPARE(failures_, QStringList("Update items failed! | bare.mp3: the items belong to the "
                                        "ID3v2 Tag, which is not ticked"));
        QCOMPARE(Bytes(song), original);
        dialog->Sections().front()->SetPresent(true);
        dialog->Sections().front()->SetValue(SongField::Title, "Bare");
        QVERIFY(dialog->Update());
        QCOMPARE(Python(kReadItems, {song}), QString("Bare MOOD=calm OLD= NEW= ratings=0"));
    }

    // How the rows become edits: a key of several values, a value cleared,
    // the rows of an item that is no text, an added row left empty.
    void rowsBecomeEdits() {
        ItemsBox box;
        box.SetItems({{"ARTISTS", {"a", "b", "c"}, true},
                      {"EMPTY", {""}, true},
                      {"RATING", {"[1]", "[2]"}, false},
                      {"KEEP", {"k"}, true}});
        QCOMPARE(box.Table()->rowCount(), 7);
        QVERIFY(box.Edits().empty());

        box.Table()->item(1, 1)->setText("");  // "b" cleared
        box.AddRow("ARTISTS", "d");
        box.AddRow("", "");
        using Edits = songcore::TagItemEdits;
        auto same = [](const Edits& a, const Edits& b) {
            return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](auto& x, auto& y) {
                return x.key == y.key && x.values == y.values;
            });
        };
        QVERIFY(same(box.Edits(), Edits{{"ARTISTS", {"a", "c", "d"}}}));
        // One row of an item that is no text takes the item with it.
        box.RemoveRow(RowOf(&box, "RATING"));
        QCOMPARE(RowOf(&box, "RATING"), -1);
        box.RemoveRow(RowOf(&box, "KEEP"));
        QVERIFY(
            same(box.Edits(), Edits{{"ARTISTS", {"a", "c", "d"}}, {"RATING", {}}, {"KEEP", {}}}));
    }
};

QTEST_MAIN(AllItemsTest)
#include "allitems_test.moc"
