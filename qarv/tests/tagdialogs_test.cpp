// The tag editor dialogs on real files of every family, tagged by mutagen
// and read back by it: what the boxes show, what Update writes and removes,
// the copy buttons, Undo Changes, failures, and that fields no box shows
// survive an Update.
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/tagedit/GenreCombo.h"
#include "qarv/tagedit/LyricsDialog.h"
#include "qarv/tagedit/TagDialog.h"
#include "qarv/tagedit/TagEditor.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

using qarvtest::Python;

bool HaveMutagen() {
    return Python("import mutagen", {}) != "<failed>";
}

QString Text(TagSection* section, SongField field) {
    return section->Value(field);
}

void Type(TagSection* section, SongField field, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(section->Box(field));
    QVERIFY(edit);
    edit->setText(text);
}

QPushButton* Button(QDialog& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

const char* const kTagMp3 = R"(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TPOS, TCON, COMM, TCOM, USLT, TXXX, TDRC
t = ID3()
t.add(TIT2(encoding=3, text='Пісня про море'))
t.add(TPE1(encoding=3, text='Гурт'))
t.add(TALB(encoding=3, text='Album'))
t.add(TRCK(encoding=3, text='3'))
t.add(TPOS(encoding=3, text='2/3'))
t.add(TCON(encoding=3, text='Jazz'))
t.add(TDRC(encoding=3, text='1999'))
t.add(COMM(encoding=3, lang='eng', desc='', text='a comment'))
t.add(TCOM(encoding=3, text='Composer'))
t.add(USLT(encoding=3, lang='eng', desc='', text='la la la'))
t.add(TXXX(encoding=3, desc='MOOD', text='calm'))
t.save(sys.argv[1], v1=2)
if len(sys.argv) > 2:
    t = ID3(sys.argv[1])
    t.add(TCON(encoding=3, text=sys.argv[2]))
    t.save(sys.argv[1], v1=0)
)";

const char* const kReadMp3 = R"(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
for key in ('TIT2', 'TPOS', 'TXXX:MOOD', 'TCON'):
    print(key, t[key].text[0] if key in t else None)
print('USLT', t.getall('USLT')[0].text if t.getall('USLT') else None)
end = open(sys.argv[1], 'rb').read()[-128:]
print('ID3v1', end[:3] == b'TAG')
)";

}  // namespace

class TagDialogsTest : public QObject {
    Q_OBJECT

private:
    qarvtest::PrivateHome home_;
    QTemporaryDir dir_;
    QStringList failures_;

    QString Copy(const QString& sample, const QString& name = QString()) {
        return qarvtest::CopyData(sample, dir_.path(), name);
    }

private slots:
    void initTestCase() {
        if (!HaveMutagen()) {
            QSKIP("python3-mutagen is not installed");
        }
        SetTagFailureReporter([this](QWidget*, const QString& text, const QString& detail) {
            failures_ << text + " | " + detail;
        });
    }
    void init() { failures_.clear(); }

    void mp3ShowsBothTagsAndWritesThemInOrder() {
        QString path = Copy("files/silence.mp3", "song.mp3");
        QCOMPARE(Python(kTagMp3, {path}), QString());
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("MP3 File Information"));
        TagSection* id3v2 = dialog->Sections()[0];
        TagSection* id3v1 = dialog->Sections()[1];
        QVERIFY(id3v2->Present() && id3v1->Present());
        QCOMPARE(Text(id3v2, SongField::Title), QString("Пісня про море"));
        QCOMPARE(Text(id3v2, SongField::Track), QString("3"));
        QCOMPARE(Text(id3v2, SongField::Genre), QString("Jazz"));
        QCOMPARE(Text(id3v2, SongField::Composer), QString("Composer"));
        QCOMPARE(dialog->Lyrics(), QString("la la la"));
        QVERIFY(dialog->StreamText().startsWith("File size: "));
        QVERIFY(dialog->StreamText().contains("\nSampling rate: 8000Hz "));
        QVERIFY(!dialog->StreamText().contains('\r'));

        // Undo Changes puts back what the file holds.
        Type(id3v2, SongField::Title, "typed");
        Button(*dialog, "Undo Chan&ges")->click();
        QCOMPARE(Text(id3v2, SongField::Title), QString("Пісня про море"));

        Type(id3v2, SongField::Title, "Нова назва");
        dialog->SetLyrics("new words");
        id3v1->SetPresent(false);
        QVERIFY(dialog->Update());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(failures_.isEmpty());
        // The disc number and the TXXX frame have no box; they stay.
        QCOMPARE(Python(kReadMp3, {path}),
                 QString("TIT2 Нова назва\nTPOS 2/3\nTXXX:MOOD calm\nTCON Jazz\n"
                         "USLT new words\nID3v1 False"));

        // The Update can be undone: both tags get their old values back.
        songcore::HistoryOutcome undo = songcore::EditHistory().Undo();
        QVERIFY2(undo.ok && undo.refused.empty(), undo.error.c_str());
        QCOMPARE(QString::fromStdString(undo.label), QString("Edit Tags"));
        auto undone = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(Text(undone->Sections()[0], SongField::Title), QString("Пісня про море"));
        QCOMPARE(undone->Lyrics(), QString("la la la"));
        QVERIFY(undone->Sections()[1]->Present());
        QVERIFY(Python(kReadMp3, {path}).contains("TPOS 2/3\nTXXX:MOOD calm"));
    }

    void mp3GenreOutsideTheListSurvives() {
        QString path = Copy("files/silence.mp3", "custom.mp3");
        QCOMPARE(Python(kTagMp3, {path, "Synthwave"}), QString());
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(Text(dialog->Sections()[0], SongField::Genre), QString("Synthwave"));
        Type(dialog->Sections()[0], SongField::Title, "Other");
        QVERIFY(dialog->Update());
        QVERIFY(Python(kReadMp3, {path}).contains("\nTCON Synthwave\n"));
    }

    void mp3WithoutId3v2AndTheCopyButtons() {
        QString path = Copy("files/silence.mp3", "bare.mp3");
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        TagSection* id3v2 = dialog->Sections()[0];
        TagSection* id3v1 = dialog->Sections()[1];
        QPushButton* toV1 = Button(*dialog, "Copy &to ID3v1");
        QPushButton* fromV1 = Button(*dialog, "Copy &from ID3v1");
        QVERIFY(toV1 && fromV1);
        QVERIFY(!id3v2->Present() && !id3v1->Present());
        QVERIFY(!id3v2->Box(SongField::Title)->isEnabled());
        QVERIFY(!toV1->isEnabled() && !fromV1->isEnabled());
        QVERIFY(!dialog->LyricsButton()->isEnabled());

        id3v2->SetPresent(true);
        QVERIFY(toV1->isEnabled() && dialog->LyricsButton()->isEnabled());
        Type(id3v2, SongField::Title, "Title");
        Type(id3v2, SongField::Track, "12");
        QString comment = "12345678901234567890123456789012345";  // 35 characters
        Type(id3v2, SongField::Comment, comment);
        toV1->click();
        QVERIFY(id3v1->Present());
        QCOMPARE(Text(id3v1, SongField::Comment), comment.left(30));
        QCOMPARE(Text(id3v1, SongField::Title), QString("Title"));
        QVERIFY(dialog->Update());

        // ID3v1 keeps 28 characters beside the track.
        QCOMPARE(Python("import sys\nd = open(sys.argv[1], 'rb').read()[-128:]\n"
                        "print(d[97:125].rstrip(b'\\0').decode(), d[126])",
                        {path}),
                 comment.left(28) + " 12");
        // The full comment went into the ID3v2 tag.
        QCOMPARE(Python("import sys\nfrom mutagen.id3 import ID3\n"
                        "print(ID3(sys.argv[1]).getall('COMM')[0].text[0])",
                        {path}),
                 comment);

        // Copy from ID3v1 fills and ticks the ID3v2 section.
        auto again = CreateTagDialog(nullptr, path.toStdString());
        again->Sections()[0]->SetPresent(false);
        Type(again->Sections()[1], SongField::Artist, "From v1");
        Button(*again, "Copy &from ID3v1")->click();
        QVERIFY(again->Sections()[0]->Present());
        QCOMPARE(Text(again->Sections()[0], SongField::Artist), QString("From v1"));
    }

    void mp4TrackOfTotalAndAtomsWithoutBoxes() {
        QString path = Copy("mp4/tagged_end.m4a", "song.m4a");
        QCOMPARE(Python(R"(
import sys
from mutagen.mp4 import MP4, MP4Cover
f = MP4(sys.argv[1])
f['\xa9nam'] = ['Шлях']
f['trkn'] = [(3, 12)]
f['disk'] = [(1, 2)]
f['tmpo'] = [120]
f['cpil'] = True
f['\xa9gen'] = ['Synthwave']
f['covr'] = [MP4Cover(b'\xff\xd8\xff\xe0 not really a jpeg', imageformat=MP4Cover.FORMAT_JPEG)]
f.save()
)",
                        {path}),
                 QString());
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(dialog->windowTitle(), QString("MP4 File Information"));
        TagSection* mp4 = dialog->Sections()[0];
        QCOMPARE(Text(mp4, SongField::Title), QString("Шлях"));
        QCOMPARE(Text(mp4, SongField::Track), QString("3"));
        QCOMPARE(mp4->TotalBox(SongField::Track)->text(), QString("12"));
        QCOMPARE(Text(mp4, SongField::Disc), QString("1"));
        QCOMPARE(mp4->TotalBox(SongField::Disc)->text(), QString("2"));
        QVERIFY(dialog->StreamText().contains("\nLength: 0:"));

        Type(mp4, SongField::Title, "Дорога");
        mp4->TotalBox(SongField::Track)->setText("13");
        QVERIFY(dialog->Update());
        QCOMPARE(Python(R"(
import sys
from mutagen.mp4 import MP4
f = MP4(sys.argv[1])
print(f['\xa9nam'][0], f['trkn'], f['disk'], f['tmpo'], f['cpil'], f['\xa9gen'],
      bytes(f['covr'][0])[:4])
)",
                        {path}),
                 QString("Дорога [(3, 13)] [(1, 2)] [120] True ['Synthwave'] "
                         "b'\\xff\\xd8\\xff\\xe0'"));
        CSongFileInfo song;
        QVERIFY(song.Open(path.toStdString(), 1, 0) && song.GetMP4Info());
        QCOMPARE(song.GetTrackNum(), 3u);
        QCOMPARE(song.GetTrackTotal(), 13u);

        // A genre of the list, typed in any letter case, is stored by its name.
        auto again = CreateTagDialog(nullptr, path.toStdString());
        again->Sections()[0]->SetValue(SongField::Genre, "jazz");
        QVERIFY(again->Update());
        QCOMPARE(
            Text(CreateTagDialog(nullptr, path.toStdString())->Sections()[0], SongField::Genre),
            QString("Jazz"));
        QCOMPARE(Python("import sys\nfrom mutagen.mp4 import MP4\n"
                        "print(MP4(sys.argv[1])['\\xa9gen'])",
                        {path}),
                 QString("['Jazz']"));
    }

    void flacKeepsOtherCommentsAndShowsItsStream() {
        // Six channels of 24 bits, as the flac tool makes them.
        QString raw = dir_.path() + "/six.raw";
        QFile file(raw);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(6 * 3 * 4800, '\0'));
        file.close();
        QString path = dir_.path() + "/six.flac";
        QCOMPARE(QProcess::execute(
                     "flac", {"--silent", "--force-raw-format", "--endian=little", "--sign=signed",
                              "--channels=6", "--bps=24", "--sample-rate=48000", "-o", path, raw}),
                 0);
        QCOMPARE(Python(R"(
import sys
from mutagen.flac import FLAC
f = FLAC(sys.argv[1])
f['TITLE'] = 'Ça ira'
f['ARTIST'] = ['One', 'Two']
f['ALBUMARTIST'] = 'Band'
f['REPLAYGAIN_TRACK_GAIN'] = '-6.00 dB'
f['GENRE'] = 'Synthwave'
f.save()
)",
                        {path}),
                 QString());
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(dialog->windowTitle(), QString("FLAC Tags"));
        TagSection* tags = dialog->Sections()[0];
        QCOMPARE(tags->title(), QString("FLAC Tags"));
        QCOMPARE(Text(tags, SongField::Title), QString("Ça ira"));
        QVERIFY(dialog->StreamText().contains("Channels: 6\n"));
        QVERIFY(dialog->StreamText().contains("Bits per sample: 24\n"));
        QVERIFY(dialog->StreamText().contains("Total samples: 4800\n"));

        Type(tags, SongField::Title, "Ça ira encore");
        QVERIFY(dialog->Update());
        QCOMPARE(Python(R"(
import sys
from mutagen.flac import FLAC
f = FLAC(sys.argv[1])
print(f['TITLE'], f['ARTIST'], f['ALBUMARTIST'], f['REPLAYGAIN_TRACK_GAIN'], f['GENRE'])
)",
                        {path}),
                 QString("['Ça ira encore'] ['One', 'Two'] ['Band'] ['-6.00 dB'] ['Synthwave']"));
    }

    void oggWritesLyricsAndShowsItsStream() {
        QString path = Copy("ogg/plain.ogg", "song.ogg");
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(dialog->windowTitle(), QString("OGG File Information"));
        QVERIFY(dialog->StreamText().contains("\n\nVendor:\n"));
        QVERIFY(dialog->StreamText().contains("Channels: "));
        TagSection* tags = dialog->Sections()[0];
        Type(tags, SongField::Year, "2001-05-04");
        dialog->SetLyrics("first line\nsecond line");
        QVERIFY(dialog->Update());
        QCOMPARE(Python("import sys\nfrom mutagen.oggvorbis import OggVorbis\n"
                        "f = OggVorbis(sys.argv[1])\nprint(f['DATE'], repr(f['LYRICS'][0]))",
                        {path}),
                 QString("['2001-05-04'] 'first line\\nsecond line'"));
    }

    void wmaKeepsDescriptorsWithoutBoxes() {
        QString path = Copy("asf/tagged.wma", "song.wma");
        QCOMPARE(Python("import sys\nfrom mutagen.asf import ASF\nf = ASF(sys.argv[1])\n"
                        "f['WM/Mood'] = ['calm']\nf['WM/AlbumArtist'] = ['Band']\nf.save()",
                        {path}),
                 QString());
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(dialog->windowTitle(), QString("WMA File Information"));
        TagSection* wm = dialog->Sections()[0];
        QVERIFY(wm->Present());
        QVERIFY(dialog->StreamText().contains("\nType: Audio\n"));
        // ffmpeg writes no codec description: the stream's own properties
        // fill the quality and the sampling rate.
        QVERIFY2(dialog->StreamText().contains("\nSampling rate: 22050 Hz\nOthers: mono"),
                 qPrintable(dialog->StreamText()));
        QVERIFY2(!dialog->StreamText().contains("\nQuality: \n"), qPrintable(dialog->StreamText()));
        Type(wm, SongField::Title, "Зима");
        Type(wm, SongField::Track, "5");
        QVERIFY(dialog->Update());
        // ASF attribute names are matched without regard to case.
        QCOMPARE(Python("import sys\nfrom mutagen.asf import ASF\n"
                        "f = {k.lower(): v for k, v in ASF(sys.argv[1]).tags.items()}\n"
                        "print(f['title'][0], f['wm/tracknumber'][0], f['wm/mood'][0], "
                        "f['wm/albumartist'][0])",
                        {path}),
                 QString("Зима 5 calm Band"));
    }

    void aacCopiesBetweenApeAndId3v2() {
        QString path = Copy("ape/ape.aac", "song.aac");
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(dialog->windowTitle(), QString("AAC File Information"));
        TagSection* ape = dialog->Sections()[0];
        TagSection* id3v2 = dialog->Sections()[1];
        QVERIFY(ape->Present());
        QCOMPARE(Text(ape, SongField::Title), QString("AAC title"));
        QVERIFY(!id3v2->Present());
        QVERIFY(!Button(*dialog, "Copy &to APEv2")->isEnabled());

        Button(*dialog, "Copy &from APEv2")->click();
        QVERIFY(id3v2->Present());
        QCOMPARE(Text(id3v2, SongField::Title), QString("AAC title"));
        Type(ape, SongField::Organization, "Label");
        QVERIFY(dialog->Update());
        QCOMPARE(Python("import sys\nfrom mutagen.apev2 import APEv2\nfrom mutagen.id3 import ID3\n"
                        "print(APEv2(sys.argv[1])['Publisher'], "
                        "ID3(sys.argv[1])['TIT2'].text[0])",
                        {path}),
                 QString("Label AAC title"));
    }

    void chunkedFormatsOpenTheId3v2SectionAndWavPackTheApeSection() {
        struct Case {
            const char* sample;
            const char* title;
            const char* section;
            const char* stream;
        };
        for (const Case& c :
             {Case{"wav/tagged.wav", "WAV File Information", "ID3v&2 Tag", "Codec: PCM\n"},
              Case{"aiff/tagged.aiff", "AIFF File Information", "ID3v&2 Tag", "Codec: PCM\n"},
              Case{"dsf/tagged.dsf", "DSF File Information", "ID3v&2 Tag", "Codec: DSD\n"},
              Case{"wavpack/tagged.wv", "WavPack File Information", "APEv&2 Tag",
                   "Codec: WavPack\n"},
              Case{"matroska/ffmpeg.mka", "Matroska File Information", "Matroska Tags",
                   "Codec: Opus\n"}}) {
            QString path = Copy(c.sample, QFileInfo(c.sample).fileName());
            auto dialog = CreateTagDialog(nullptr, path.toStdString());
            QVERIFY2(dialog, c.sample);
            QCOMPARE(dialog->windowTitle(), QString(c.title));
            QCOMPARE(dialog->Sections().size(), size_t{1});
            TagSection* tag = dialog->Sections()[0];
            QCOMPARE(tag->title(), QString(c.section));
            QVERIFY(tag->Present());
            QVERIFY2(dialog->StreamText().contains(c.stream), qPrintable(dialog->StreamText()));
            Type(tag, SongField::Title, "Dialog title");
            QVERIFY(dialog->Update());
            CSongFileInfo song;
            QVERIFY(song.Open(path.toStdString(), 1, 0) && song.GetSongInfo());
            QCOMPARE(QString::fromStdString(song.GetTitle()), QString("Dialog title"));
        }
    }

    void realMediaContentAndId3v1() {
        QString path = Copy("rm/tagged.ra", "song.ra");
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(dialog->windowTitle(), QString("RealMedia File Information"));
        TagSection* content = dialog->Sections()[0];
        TagSection* id3v1 = dialog->Sections()[1];
        QVERIFY(content->Present());
        QCOMPARE(Text(content, SongField::Title), QString("Sine Title"));
        QVERIFY(dialog->StreamText().contains("Stream num: 1\n"));
        Button(*dialog, "Copy &to ID3v1")->click();
        QVERIFY(id3v1->Present());
        QCOMPARE(Text(id3v1, SongField::Artist), QString("Sine Author"));
        Type(content, SongField::Copyright, "(c) 2026");
        QVERIFY(dialog->Update());

        CSongFileInfo song;
        QVERIFY(song.Open(path.toStdString(), 1, 0) && song.GetRMInfo());
        QCOMPARE(QString::fromStdString(song.GetCopyright()), QString("(c) 2026"));
        CSongFileInfo tail;
        QVERIFY(tail.Open(path.toStdString(), 1, 0) && tail.GetID3V1Info());
        QCOMPARE(QString::fromStdString(tail.GetTitle()), QString("Sine Title"));
    }

    void failedWritesSayWhatAndOnWhichFile() {
        QString path = Copy("files/silence.mp3", "gone.mp3");
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        dialog->show();
        dialog->Sections()[0]->SetPresent(true);
        QVERIFY(QFile::remove(path));
        QVERIFY(!dialog->Update());
        QCOMPARE(failures_.size(), 1);
        QVERIFY2(failures_[0].startsWith("Update ID3v2 tag failed! | gone.mp3: "),
                 qPrintable(failures_[0]));
        QVERIFY(dialog->isVisible());

        // The MP4 dialog closes after its failure all the same.
        QString mp4Path = Copy("mp4/tagged_end.m4a", "gone.m4a");
        auto mp4 = CreateTagDialog(nullptr, mp4Path.toStdString());
        mp4->show();
        QVERIFY(QFile::remove(mp4Path));
        QVERIFY(!mp4->Update());
        QVERIFY(failures_.last().startsWith("Update MP4 tag failed! | gone.m4a: "));
        QVERIFY(!mp4->isVisible());
        QCOMPARE(mp4->result(), int(QDialog::Rejected));

        // Update writes as tunemoss write does: a track MP4 cannot hold is
        // refused with the same words, not cut to 65535.
        QString bigPath = Copy("mp4/tagged_end.m4a", "big.m4a");
        auto big = CreateTagDialog(nullptr, bigPath.toStdString());
        Type(big->Sections()[0], SongField::Track, "70000");
        QVERIFY(!big->Update());
        QCOMPARE(failures_.last(), QString("Update MP4 tag failed! | big.m4a: could not write the "
                                           "MP4 tag: the track 70000 does not fit an MP4 tag "
                                           "(65535 at most)"));

        // A song that cannot be read says so and cannot be written over.
        auto missing = CreateTagDialog(nullptr, (dir_.path() + "/none.ogg").toStdString());
        QVERIFY(missing->ReadProblem().startsWith("Cannot read the tags of none.ogg: "));
        QVERIFY(!missing->UpdateButton()->isEnabled());
        QVERIFY(!CreateTagDialog(nullptr, "http://example.com/a.mp3"));
        QVERIFY(!CreateTagDialog(nullptr, (dir_.path() + "/a.mid").toStdString()));
    }

    void lyricsDialogLoadsSavesClearsAndReloads() {
        LyricsDialog dialog("old words", nullptr);
        QPushButton* save = Button(dialog, "&Save ...");
        QPushButton* clear = Button(dialog, "&Clear");
        QVERIFY(save && clear && save->isEnabled() && clear->isEnabled());
        clear->click();
        QCOMPARE(dialog.Lyrics(), QString());
        QVERIFY(!save->isEnabled() && !clear->isEnabled());
        Button(dialog, "&Reload")->click();
        QCOMPARE(dialog.Lyrics(), QString("old words"));

        QString text = dir_.path() + "/words.txt";
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Ой у лузі\nчервона калина\n");
        file.close();
        QVERIFY(dialog.Load(text));
        QCOMPARE(dialog.Lyrics(), QString("Ой у лузі\nчервона калина\n"));
        QString copy = dir_.path() + "/copy.txt";
        QVERIFY(dialog.Save(copy));
        QFile saved(copy);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), dialog.Lyrics());

        QVERIFY(!dialog.Load(dir_.path() + "/none.txt"));
        QVERIFY(failures_.last().startsWith("Open \"" + dir_.path() + "/none.txt\" failed!"));
        QCOMPARE(dialog.Lyrics(), QString("Ой у лузі\nчервона калина\n"));

        // A dropped text file takes the edit's place.
        QMimeData drop;
        drop.setUrls({QUrl::fromLocalFile(text)});
        dialog.Editor()->clear();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &drop, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.Editor()->viewport(), &enter);
        QDropEvent dropEvent(QPointF(5, 5), Qt::CopyAction, &drop, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.Editor()->viewport(), &dropEvent);
        QCOMPARE(dialog.Lyrics(), QString("Ой у лузі\nчервона калина\n"));
    }

    void genreBoxesOfferTheTableAndTakeAnyText() {
        GenreCombo combo;
        QCOMPARE(combo.count(), 148);
        QCOMPARE(combo.Genre(), QString());
        combo.SetGenre("Rock");
        QCOMPARE(combo.currentIndex(), 17);
        combo.SetGenre("Shoegaze; Rock");
        QCOMPARE(combo.Genre(), QString("Shoegaze; Rock"));
        combo.setCurrentIndex(8);
        QCOMPARE(combo.Genre(), QString("Jazz"));
    }
    // Album artist and disc, where the format has them, written where
    // other programs look for them; the focus starts in the first box.
    void albumArtistAndDiscInEveryDialogThatHasThem() {
        struct Case {
            const char* sample;
            int section;
            const char* read;  // prints "album artist|disc"
        };
        const Case cases[] = {
            {"id3v2/v23.mp3", 0,
             "from mutagen.id3 import ID3\nt = ID3(p)\nprint(t['TPE2'].text[0], "
             "t['TPOS'].text[0], sep='|')"},
            {"id3v2/tagged.aac", 1,
             "from mutagen.id3 import ID3\nt = ID3(p)\nprint(t['TPE2'].text[0], "
             "t['TPOS'].text[0], sep='|')"},
            {"ape/ape.aac", 0,
             "from mutagen.apev2 import APEv2\nt = APEv2(p)\nprint(t['Album Artist'], "
             "t['Disc'], sep='|')"},
            {"mp4/tagged_end.m4a", 0,
             "from mutagen.mp4 import MP4\nt = MP4(p)\nprint(t['aART'][0], t['disk'][0][0], "
             "sep='|')"},
            {"flac/plain.flac", 0,
             "import mutagen\nt = mutagen.File(p)\nprint(t['albumartist'][0], "
             "t['discnumber'][0], sep='|')"},
            {"ogg/plain.ogg", 0,
             "import mutagen\nt = mutagen.File(p)\nprint(t['albumartist'][0], "
             "t['discnumber'][0], sep='|')"},
            {"asf/tagged.wma", 0,
             "from mutagen.asf import ASF\nt = ASF(p)\nprint(t['WM/AlbumArtist'][0], "
             "t['WM/PartOfSet'][0], sep='|')"},
        };
        for (const Case& test : cases) {
            QString path = Copy(test.sample, "aa-" + QFileInfo(test.sample).fileName());
            auto dialog = CreateTagDialog(nullptr, path.toStdString());
            QVERIFY2(dialog, test.sample);
            TagSection* section = dialog->Sections()[test.section];
            section->SetPresent(true);
            QVERIFY2(section->Has(SongField::AlbumArtist) && section->Has(SongField::Disc),
                     test.sample);
            Type(section, SongField::AlbumArtist, "Тріо");
            Type(section, SongField::Disc, "2");
            QVERIFY2(dialog->Update(), qPrintable(failures_.join('\n')));
            // A total the disc had stays.
            QCOMPARE(Python("import sys\np = sys.argv[1]\n" + QString(test.read), {path})
                         .section('/', 0, 0),
                     QString("Тріо|2"));
        }
        // Typing starts in the first box of the first tag the file has.
        auto tagged = CreateTagDialog(nullptr, Copy("id3v2/v23.mp3", "focus.mp3").toStdString());
        QCOMPARE(tagged->focusWidget(), tagged->Sections()[0]->FirstBox());
        auto bare = CreateTagDialog(nullptr, Copy("id3v1/v11.mp3", "focus1.mp3").toStdString());
        QVERIFY(!bare->Sections()[0]->Present());
        QCOMPARE(bare->focusWidget(), bare->Sections()[1]->FirstBox());
    }
    // An MP3 that carries an APEv2 tag shows it beside its ID3 tags.
    void mp3ShowsItsApeTag() {
        QString path = Copy("ape/ape_id3v1.mp3", "withape.mp3");
        auto dialog = CreateTagDialog(nullptr, path.toStdString());
        QCOMPARE(int(dialog->Sections().size()), 3);
        TagSection* ape = dialog->Sections()[2];
        QCOMPARE(ape->title(), QString("APEv2 Tag"));
        QVERIFY(ape->Present());
        QCOMPARE(Text(ape, SongField::Title), QString("Песня о ветре"));
        Type(ape, SongField::Title, "Вітер");
        QVERIFY2(dialog->Update(), qPrintable(failures_.join('\n')));
        QCOMPARE(Python("import sys\nfrom mutagen.apev2 import APEv2\n"
                        "print(APEv2(sys.argv[1])['Title'])",
                        {path}),
                 QString("Вітер"));
        auto again = CreateTagDialog(nullptr, path.toStdString());
        again->Sections()[2]->SetPresent(false);
        QVERIFY(again->Update());
        QCOMPARE(Python("import sys\nfrom mutagen.apev2 import APEv2\n"
                        "try:\n    APEv2(sys.argv[1])\n    print('kept')\n"
                        "except Exception:\n    print('removed')",
                        {path}),
                 QString("removed"));
        // Without one there is no such section.
        auto plain = CreateTagDialog(nullptr, Copy("id3v2/v23.mp3", "noape.mp3").toStdString());
        QCOMPARE(int(plain->Sections().size()), 2);
    }
};

QTEST_MAIN(TagDialogsTest)
#include "tagdialogs_test.moc"
