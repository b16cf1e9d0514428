// Look Up Album Online from qarv, against local stand-ins for MusicBrainz
// (with its cover archive) and for a CD database: the preview of the
// changes, what the tick boxes keep, one edit that Undo takes back to the
// bytes, and nothing written when the user cancels.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <tuple>

#include "QarvTestSupport.h"
#include "qarv/SettingsDialog.h"
#include "qarv/tagedit/LookupDialog.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "support/CddbResponder.h"

namespace {

QByteArray Bytes(const std::string& path) {
    return qarvtest::FileBytes(QString::fromStdString(path));
}

QString Field(const std::string& path, songcore::SongField field) {
    CSongFileInfo info;
    if (!info.Open(path, 1, 0) || !info.GetSongInfo()) {
        return "<unreadable>";
    }
    return QString::fromStdString(info.GetFields().Text(field));
}

// The preview's field rows of a song: "Label: now -> new".
QStringList Changes(QTreeWidgetItem* song) {
    QStringList rows;
    for (int i = 0; i < song->childCount(); ++i) {
        QTreeWidgetItem* row = song->child(i);
        rows << row->text(0) + ": " + row->text(1) + " -> " + row->text(2);
    }
    return rows;
}

QTreeWidgetItem* ChangeRow(QTreeWidgetItem* song, const QString& label) {
    for (int i = 0; i < song->childCount(); ++i) {
        if (song->child(i)->text(0) == label) {
            return song->child(i);
        }
    }
    return nullptr;
}

using Window = qarvtest::DialogWindow;

}  // namespace

class LookupTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir samples_;
    std::unique_ptr<qarvtest::PrivateHome> home_;
    std::unique_ptr<QTemporaryDir> dir_;
    QProcess musicBrainz_;
    QString address_;
    std::string first_, second_;

private slots:
    // The songs are made once; each test takes fresh copies.
    void initTestCase() {
        qarvtest::RenewHome(home_);
        for (auto [name, seconds, title] :
             {std::tuple{"a.mp3", "2", "first song"}, std::tuple{"b.mp3", "3", "SECOND SONG"}}) {
            const QString path = samples_.filePath(name);
            QCOMPARE(QProcess::execute("ffmpeg",
                                       {"-v", "error", "-f", "lavfi", "-i",
                                        QString("sine=d=") + seconds, "-c:a", "libmp3lame", path}),
                     0);
            using songcore::SongField;
            songcore::SongEditResult tagged =
                songcore::EditSong(path.toStdString(), {{SongField::Title, title},
                                                        {SongField::Album, "Album X"},
                                                        {SongField::Artist, "The Band"}});
            QVERIFY2(tagged.ok, tagged.error.c_str());
        }
        musicBrainz_.start("/usr/bin/python3",
                           {TUNEMOSS_TEST_DATA "/../support/musicbrainz_server.py"});
        QVERIFY(musicBrainz_.waitForReadyRead(30000));
        const int port = musicBrainz_.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        address_ = QString("http://127.0.0.1:%1").arg(port);
    }
    void cleanupTestCase() {
        musicBrainz_.closeWriteChannel();
        musicBrainz_.waitForFinished(10000);
    }
    void init() {
        qarvtest::RenewHome(home_);
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CACHE_HOME", (home_->path() + "/cache").toUtf8());
        QVERIFY(CAppRegKey().SetMusicBrainzServer(address_.toUtf8().constData()));
        QVERIFY(CAppRegKey().SetCoverArtServer(address_.toUtf8().constData()));
        for (auto [name, copy] : {std::pair{"a.mp3", &first_}, std::pair{"b.mp3", &second_}}) {
            QVERIFY(QFile::copy(samples_.filePath(name), dir_->filePath(name)));
            *copy = dir_->filePath(name).toStdString();
        }
    }
    void cleanup() {
        qunsetenv("XDG_CACHE_HOME");
        home_.reset();
    }

    void previewTickBoxesAndOneUndoableEdit() {
        const QByteArray firstBefore = Bytes(first_), secondBefore = Bytes(second_);
        {
            // Looked up and cancelled: nothing is written or kept.
            LookupDialog cancelled({second_, first_}, nullptr);
            cancelled.LookUp();
            QVERIFY(cancelled.WriteButton()->isEnabled());
            cancelled.reject();
        }
        QCOMPARE(Bytes(first_), firstBefore);
        QCOMPARE(Bytes(second_), secondBefore);

        LookupDialog dialog({second_, first_}, nullptr);
        dialog.LookUp();
        QCOMPARE(dialog.ReleaseChoice()->count(), 2);  // the search's answers
        QVERIFY2(dialog.ReleaseDetails()->text().contains("Album X — The Band, released "
                                                          "2001-02-03 in GB, 2 tracks"),
                 qPrintable(dialog.ReleaseDetails()->text()));
        QTreeWidget* preview = dialog.Preview();
        QCOMPARE(preview->topLevelItemCount(), 2);
        QTreeWidgetItem* second = preview->topLevelItem(0);
        QTreeWidgetItem* first = preview->topLevelItem(1);
        QCOMPARE(first->text(0), QString("a.mp3"));
        QVERIFY(first->text(1).endsWith("% sure"));
        const QStringList changes = Changes(second);
        QVERIFY2(changes.contains("Title: SECOND SONG -> Second Song"),
                 qPrintable(changes.join('|')));
        QVERIFY(changes.contains("Artist: The Band -> The Band feat. Guest"));
        QVERIFY(!Changes(first).join('|').contains("Artist: "));  // it has that artist
        QVERIFY(dialog.CoverChoice()->isChecked());
        QVERIFY(dialog.CoverChoice()->text().contains("image/png"));

        // Another release of the search is matched anew; the stand-in does
        // not know it, which the dialog says, and nothing can be written.
        dialog.ReleaseChoice()->setCurrentIndex(1);
        QCOMPARE(preview->topLevelItemCount(), 0);
        QVERIFY(!dialog.WriteButton()->isEnabled());
        QVERIFY(!dialog.Summary()->text().isEmpty());
        dialog.ReleaseChoice()->setCurrentIndex(0);
        QCOMPARE(preview->topLevelItemCount(), 2);
        second = preview->topLevelItem(0);
        first = preview->topLevelItem(1);

        // A song's box unticks all its fields, and ticks them again.
        second->setCheckState(0, Qt::Unchecked);
        for (int i = 0; i < second->childCount(); ++i) {
            QCOMPARE(second->child(i)->checkState(0), Qt::Unchecked);
        }
        second->setCheckState(0, Qt::Checked);
        QCOMPARE(second->child(0)->checkState(0), Qt::Checked);
        // One field unticked: the song keeps it, and gets the rest.
        QTreeWidgetItem* title = ChangeRow(first, "Title");
        QVERIFY(title != nullptr);
        title->setCheckState(0, Qt::Unchecked);
        QCOMPARE(first->checkState(0), Qt::PartiallyChecked);

        dialog.Write();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.Outcome().failures.empty());
        using songcore::SongField;
        QCOMPARE(Field(first_, SongField::Title), QString("first song"));
        QCOMPARE(Field(first_, SongField::Track), QString("1"));
        QCOMPARE(Field(second_, SongField::Title), QString("Second Song"));
        QCOMPARE(Field(second_, SongField::AlbumArtist), QString("The Band"));
        std::vector<songcore::Picture> pictures;
        std::string why;
        QVERIFY(songcore::ReadSongPictures(second_, pictures, why));
        QCOMPARE(pictures.size(), size_t(1));

        std::vector<songcore::EditOperation> undo, redo;
        QVERIFY(songcore::EditHistory().List(undo, redo, why));
        QCOMPARE(undo.size(), size_t(1));
        QCOMPARE(undo[0].label, std::string("Look Up Album Online"));
        songcore::HistoryOutcome undone = songcore::EditHistory().Undo();
        QVERIFY2(undone.ok, undone.error.c_str());
        QCOMPARE(Bytes(first_), firstBefore);
        QCOMPARE(Bytes(second_), secondBefore);
    }

    // From the play list's selection; the window shows what was written
    // and counts each song once, however many writes it took.
    void fromThePlayList() {
        Window window;
        window.List().Add(0, "The Band", "Album X", "first song", first_);
        window.List().Add(1, "The Band", "Album X", "SECOND SONG", second_);
        window.Tabs()->setCurrentIndex(1);
        window.List().SetSelected(0, true);
        window.List().SetSelected(1, true);
        window.UpdateCommands();
        QVERIFY(window.Actions().editLookup->isEnabled());
        int shown = 0;
        window.onDialog = [&](QDialog& dialog) {
            auto* lookup = qobject_cast<LookupDialog*>(&dialog);
            if (!lookup) {
                return false;
            }
            ++shown;
            lookup->LookUp();
            lookup->Write();
            return dialog.result() == QDialog::Accepted;
        };
        window.Actions().editLookup->trigger();
        QCOMPARE(shown, 1);
        QCOMPARE(window.List().GetTitle(1), std::string("Second Song"));
        QCOMPARE(window.StatusText(), QString("2 of 2 songs written"));
    }

    // The CD database: the disc asked for by the songs' lengths, with the
    // user's address; its titles, album, year and genre go into the songs.
    void cdDatabaseAsSecondSource() {
        testsupport::CddbResponder cddb;
        const std::string server = "127.0.0.1:" + std::to_string(cddb.port());
        LookupDialog dialog({first_, second_}, nullptr);
        dialog.SourceChoice()->setCurrentIndex(LookupDialog::kCdDatabase);
        // The public server is not asked without the user's address.
        dialog.LookUp();
        QVERIFY2(dialog.Summary()->text().contains("CDDB Email"),
                 qPrintable(dialog.Summary()->text()));
        QVERIFY(!dialog.WriteButton()->isEnabled());

        {
            // As a user gives them, in the Settings.
            SettingsDialog settings;
            settings.CddbServerEdit()->setText(QString::fromStdString(server));
            settings.CddbEmailEdit()->setText(" fan@example.net ");
            settings.Store();
        }
        cddb.QueueBody("200 misc 0a000502 The Band / Album X\r\n");
        cddb.QueueBody(
            "210 misc 0a000502 CD database entry follows\r\n# xmcd\r\n#\r\n"
            "# Track frame offsets:\r\n#\t150\r\n#\t300\r\n#\r\n# Disc length: 7 seconds\r\n#\r\n"
            "# Revision: 0\r\n# Submitted via: cddbd 1.5\r\n#\r\nDISCID=0a000502\r\n"
            "DTITLE=The Band / Album X\r\nDYEAR=1999\r\nDGENRE=Rock\r\nTTITLE0=Opening\r\n"
            "TTITLE1=Closing\r\nEXTD=\r\nEXTT0=\r\nEXTT1=\r\nPLAYORDER=\r\n.\r\n");
        dialog.LookUp();
        QVERIFY2(dialog.WriteButton()->isEnabled(), qPrintable(dialog.Summary()->text()));
        const std::vector<std::string> requests = cddb.Requests();
        QCOMPARE(requests.size(), size_t(2));
        QVERIFY2(requests[0].find("cmd=cddb+query+") != std::string::npos &&
                     requests[0].find("&hello=fan+example.net+Tunemoss+") != std::string::npos,
                 requests[0].c_str());
        QVERIFY(requests[1].find("cmd=cddb+read+misc+0a000502") != std::string::npos);
        QVERIFY(dialog.ReleaseDetails()->text().contains("1999, Rock, 2 tracks"));
        QVERIFY(dialog.CoverChoice()->isHidden());
        QTreeWidgetItem* second = dialog.Preview()->topLevelItem(1);
        QCOMPARE(second->text(1), QString("track 2 of the disc"));
        QVERIFY(Changes(second).contains("Title: SECOND SONG -> Closing"));

        dialog.Write();
        using songcore::SongField;
        QCOMPARE(Field(first_, SongField::Title), QString("Opening"));
        QCOMPARE(Field(second_, SongField::Genre), QString("Rock"));
        QCOMPARE(Field(second_, SongField::Year), QString("1999"));
        QCOMPARE(Field(second_, SongField::Track), QString("2"));
    }
};

QTEST_MAIN(LookupTest)
#include "lookup_test.moc"
