// Editing many songs at once from qarv: the batch form's "(keep)" fields and
// numbering, its find and replace and case changes with their preview, tags
// from file names with their preview, and both run from the main window's
// selection, undone from the Edit menu.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <functional>
#include <tuple>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayListModel.h"
#include "qarv/tagedit/BatchEditDialog.h"
#include "qarv/tagedit/TagFailure.h"
#include "qarv/tagedit/TagFromNameDialog.h"
#include "qarv/tagedit/TextTransform.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"

using songcore::SongField;

namespace {

std::string Field(const QString& path, SongField field) {
    CSongFileInfo song;
    if (!song.Open(path.toStdString(), 1, 0) || !song.GetSongInfo()) {
        return "<unreadable>";
    }
    return song.GetText(field);
}

void Set(const QString& path, const songcore::FieldValues& values) {
    QVERIFY(songcore::EditSong(path.toStdString(), values).ok);
}

// Types into a box as a user does, so the box counts as touched (QtTest
// types only ASCII, so the text itself is then put in).
void TypeInto(QLineEdit* box, const QString& text) {
    QTest::keyClicks(box, "x");
    box->setText(text);
}

QString Mutagen(const QString& script, const QStringList& args) {
    QProcess process;
    process.start("/usr/bin/python3", QStringList{"-c", script} + args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return "<failed: " + QString::fromUtf8(process.readAllStandardError()) + ">";
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

using Window = qarvtest::DialogWindow;

}  // namespace

class BatchEditTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<qarvtest::PrivateHome> home_;
    std::unique_ptr<QTemporaryDir> dir_;
    QStringList failures_;

    QString Copy(const QString& sample, const QString& name) {
        return qarvtest::CopyData(sample, dir_->path(), name);
    }

private slots:
    void initTestCase() {
        SetTagFailureReporter([this](QWidget*, const QString& text, const QString& detail) {
            failures_ << text + " | " + detail;
        });
    }
    void init() {
        qarvtest::RenewHome(home_);
        dir_ = std::make_unique<QTemporaryDir>();
        failures_.clear();
    }

    void keepLeavesDifferingValuesAlone() {
        QString mp3 = Copy("files/silence.mp3", "one.mp3");
        QString flac = Copy("flac/plain.flac", "two.flac");
        QString m4a = Copy("mp4/tagged_end.m4a", "three.m4a");
        Set(mp3, {{SongField::Title, "First"}, {SongField::Album, "Same"}});
        Set(flac, {{SongField::Title, "Second"}, {SongField::Album, "Same"}});
        Set(m4a, {{SongField::Title, "Third"}, {SongField::Album, "Same"}});

        BatchEditDialog dialog({mp3.toStdString(), flac.toStdString(), m4a.toStdString()}, nullptr);
        QCOMPARE(dialog.Box(SongField::Title)->text(), QString());
        QCOMPARE(dialog.Box(SongField::Title)->placeholderText(), QString("(keep)"));
        QCOMPARE(dialog.Box(SongField::Album)->text(), QString("Same"));

        TypeInto(dialog.Box(SongField::Artist), "Всі разом");
        TypeInto(dialog.Box(SongField::Album), "Nouvel album");
        dialog.NumberBox()->setChecked(true);
        dialog.TotalBox()->setValue(3);
        QVERIFY(!dialog.Box(SongField::Track)->isEnabled());
        dialog.Apply();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY2(failures_.isEmpty(), qPrintable(failures_.join("\n")));
        QCOMPARE(dialog.Outcome().operation.files.size(), size_t(3));

        QCOMPARE(Field(mp3, SongField::Title), std::string("First"));
        QCOMPARE(Field(m4a, SongField::Title), std::string("Third"));
        QCOMPARE(Field(flac, SongField::Track), std::string("2"));
        QCOMPARE(Mutagen("import sys, mutagen\n"
                         "for p in sys.argv[1:]:\n"
                         "    f = mutagen.File(p, easy=True)\n"
                         "    print(f['artist'][0], f['album'][0], f['tracknumber'][0])",
                         {mp3, flac, m4a}),
                 QString("Всі разом Nouvel album 1/3\nВсі разом Nouvel album 2\n"
                         "Всі разом Nouvel album 3/3"));
        // FLAC keeps the total in a comment of its own.
        QCOMPARE(
            Mutagen("import sys, mutagen\nprint(mutagen.File(sys.argv[1])['TRACKTOTAL'])", {flac}),
            QString("['3']"));

        // A field a format has no place for is listed, the rest written.
        QString ra = Copy("rm/tagged.ra", "four.ra");
        BatchEditDialog mixed({mp3.toStdString(), ra.toStdString()}, nullptr);
        TypeInto(mixed.Box(SongField::AlbumArtist), "Band");
        mixed.Apply();
        QCOMPARE(failures_.size(), 1);
        QVERIFY2(failures_[0].contains("four.ra: its tag has no place for album-artist"),
                 qPrintable(failures_[0]));
        // Both files were written: none is said not to be.
        QVERIFY2(failures_[0].startsWith("Every file was written, but not every field:"),
                 qPrintable(failures_[0]));
        QCOMPARE(Mutagen("import sys, mutagen\nprint(mutagen.File(sys.argv[1], easy=True)"
                         "['albumartist'])",
                         {mp3}),
                 QString("['Band']"));
        failures_.clear();

        // A value that cannot be written stops the form, not a file.
        BatchEditDialog bad({mp3.toStdString()}, nullptr);
        TypeInto(bad.Box(SongField::Genre), "300");
        bad.Apply();
        QVERIFY(bad.result() != QDialog::Accepted);
        QCOMPARE(Field(mp3, SongField::Genre), std::string());
    }

    void transforms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<int>("letterCase");
        QTest::addColumn<QString>("expected");
        const int keep = int(TextTransform::Case::kKeep);
        QTest::newRow("every match") << "a-b-c"
                                     << "-"
                                     << " / " << false << keep << "a / b / c";
        QTest::newRow("plain text is no expression") << "a.b (live)"
                                                     << "."
                                                     << "" << false << keep << "ab (live)";
        QTest::newRow("letter case counts") << "Abba abba"
                                            << "abba"
                                            << "X" << false << keep << "Abba X";
        QTest::newRow("groups") << "Nina - Stay"
                                << "^(.*) - (.*)$"
                                << "\\2 (\\1)" << true << keep << "Stay (Nina)";
        QTest::newRow("words in any script") << "Ça va été"
                                             << "(\\w+)$"
                                             << "[\\1]" << true << keep << "Ça va [été]";
        QTest::newRow("an empty match") << "x"
                                        << "^"
                                        << "> " << true << keep << "> x";
        QTest::newRow("bad expression") << "x("
                                        << "("
                                        << "y" << true << keep << "x(";
        QTest::newRow("title case")
            << "the BEATLES don't stop"
            << ""
            << "" << false << int(TextTransform::Case::kTitle) << "The Beatles Don't Stop";
        QTest::newRow("title case, accents")
            << "élan vital/ÜBER"
            << ""
            << "" << false << int(TextTransform::Case::kTitle) << "Élan Vital/Über";
        QTest::newRow("lower") << "ÉCOLE Ⅻ"
                               << ""
                               << "" << false << int(TextTransform::Case::kLower) << "école ⅻ";
        QTest::newRow("upper") << "straße"
                               << ""
                               << "" << false << int(TextTransform::Case::kUpper) << "STRASSE";
        QTest::newRow("sentences") << "HELLO WORLD. GOOD bye! 2 MORE"
                                   << ""
                                   << "" << false << int(TextTransform::Case::kSentence)
                                   << "Hello world. Good bye! 2 more";
        QTest::newRow("replaced, then cased")
            << "my_old_song"
            << "_"
            << " " << false << int(TextTransform::Case::kTitle) << "My Old Song";
    }
    void transforms() {
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(bool, regex);
        QFETCH(int, letterCase);
        QFETCH(QString, expected);
        TextTransform transform(find, replace, regex, static_cast<TextTransform::Case>(letterCase));
        QCOMPARE(transform.Apply(text), expected);
        QCOMPARE(transform.Problem().isEmpty(),
                 QString(QTest::currentDataTag()) != "bad expression");
    }

    // Title Case with the small words kept lower case.
    void smallWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("inside") << "SONGS OF THE SEA AND THE SKY"
                                << "Songs of the Sea and the Sky";
        QTest::newRow("first and last") << "the man i love to come back to"
                                        << "The Man I Love to Come Back To";
        QTest::newRow("after a colon") << "suite: the wind in a tree"
                                       << "Suite: The Wind in a Tree";
        QTest::newRow("after dashes") << "live - at the bbc – of a sort"
                                      << "Live - At the Bbc – Of a Sort";
        QTest::newRow("hyphen in a word") << "up-to-the-minute news"
                                          << "Up-to-the-Minute News";
        QTest::newRow("only whole words") << "another theme onto anatomy"
                                          << "Another Theme Onto Anatomy";
        QTest::newRow("other scripts") << "élan of the ñu vs ÆON via кино"
                                       << "Élan of the Ñu vs Æon via Кино";
        QTest::newRow("one word") << "of"
                                  << "Of";
    }
    void smallWords() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TextTransform("", "", false, TextTransform::Case::kTitle, true).Apply(text),
                 expected);
    }

    // Each change Apply would make is shown, old and new, before anything
    // is written: Cancel leaves the files as they were.
    void transformPreviewedThenWritten() {
        QString mp3 = Copy("files/silence.mp3", "one.mp3");
        QString flac = Copy("flac/plain.flac", "two.flac");
        Set(mp3, {{SongField::Title, "the long and winding road"}});
        Set(flac, {{SongField::Title, "LET IT BE (Remastered)"}});
        const QByteArray mp3Bytes = qarvtest::FileBytes(mp3), flacBytes = qarvtest::FileBytes(flac);
        auto fill = [](BatchEditDialog& dialog) {
            dialog.TransformFieldBox()->setCurrentIndex(0);  // Title
            dialog.FindBox()->setText(" \\(remastered\\)$");
            dialog.RegexBox()->setChecked(true);
            dialog.CaseBox()->setCurrentIndex(int(TextTransform::Case::kTitle));
        };
        auto shown = [](const BatchEditDialog& dialog) {
            QStringList rows;
            QTableWidget* preview = dialog.Preview();
            for (int row = 0; row < preview->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < preview->columnCount(); ++column) {
                    cells << preview->item(row, column)->text();
                }
                rows << cells.join(" | ");
            }
            return rows;
        };
        {
            BatchEditDialog dialog({mp3.toStdString(), flac.toStdString()}, nullptr);
            QVERIFY(shown(dialog).isEmpty());
            fill(dialog);
            // Letter case counts: "(Remastered)" stays until the expression
            // says otherwise.
            QCOMPARE(shown(dialog), QStringList({"one.mp3 | Title | the long and winding road | "
                                                 "The Long And Winding Road",
                                                 "two.flac | Title | LET IT BE (Remastered) | "
                                                 "Let It Be (Remastered)"}));
            dialog.FindBox()->setText(" \\((?i)remastered\\)$");
            QCOMPARE(shown(dialog)[1],
                     QString("two.flac | Title | LET IT BE (Remastered) | Let It Be"));
            // A typed value is changed as the songs' own are.
            TypeInto(dialog.Box(SongField::Album), "abbey road");
            dialog.TransformFieldBox()->setCurrentIndex(3);  // Album
            QCOMPARE(shown(dialog).size(), 2);
            QVERIFY(shown(dialog)[0].endsWith(" | Abbey Road"));
            dialog.FindBox()->setText("(");
            QVERIFY(shown(dialog).isEmpty());
            dialog.reject();
        }
        QCOMPARE(qarvtest::FileBytes(mp3), mp3Bytes);
        QCOMPARE(qarvtest::FileBytes(flac), flacBytes);

        BatchEditDialog dialog({mp3.toStdString(), flac.toStdString()}, nullptr);
        fill(dialog);
        dialog.Apply();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY2(failures_.isEmpty(), qPrintable(failures_.join("\n")));
        QCOMPARE(Field(mp3, SongField::Title), std::string("The Long And Winding Road"));
        QCOMPARE(Field(flac, SongField::Title), std::string("Let It Be (Remastered)"));
    }

    // The songs numbered in the order shown, by file name (numbers by their
    // value), or album by album in their track order.
    void numberingOrders() {
        QString ten = Copy("files/silence.mp3", "10 ten.mp3");
        QString nine = Copy("flac/plain.flac", "9 nine.flac");
        QString one = Copy("mp4/tagged_end.m4a", "1 one.m4a");
        Set(ten, {{SongField::Album, "Blue"}, {SongField::Track, "1"}});
        Set(nine, {{SongField::Album, "Blue"}, {SongField::Track, "2"}});
        Set(one, {{SongField::Album, "Red"}, {SongField::Track, "5"}});
        BatchEditDialog dialog({ten.toStdString(), nine.toStdString(), one.toStdString()}, nullptr);
        auto tracks = [&dialog] {
            QString problem;
            QStringList texts;
            for (const songcore::BatchItem& item : dialog.Items(problem)) {
                const std::string* track = songcore::FindFieldValue(item.changes, SongField::Track);
                texts << (track ? QString::fromStdString(*track) : "-");
            }
            return texts.join(" ");
        };
        // The boxes beside others are reached by their labels' keys too.
        for (QWidget* box : {static_cast<QWidget*>(dialog.NumberOrderBox()),
                             static_cast<QWidget*>(dialog.CaseBox())}) {
            const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
            QVERIFY(std::any_of(labels.begin(), labels.end(), [box](QLabel* label) {
                return label->buddy() == box && label->text().contains('&');
            }));
        }
        dialog.NumberBox()->setChecked(true);
        // Order: as shown, by file name, album track order.
        for (auto [order, total, expected] : {std::tuple{0, 3, "1/3 2/3 3/3"},
                                              {1, 3, "3/3 2/3 1/3"},
                                              {1, 0, "3 2 1"},
                                              {2, 0, "1/2 2/2 1/1"}}) {
            dialog.NumberOrderBox()->setCurrentIndex(order);
            dialog.TotalBox()->setValue(total);
            QCOMPARE(tracks(), QString(expected));
        }
        QVERIFY(!dialog.TotalBox()->isVisibleTo(&dialog));

        dialog.Apply();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY2(failures_.isEmpty(), qPrintable(failures_.join("\n")));
        QCOMPARE(Mutagen("import sys, mutagen\n"
                         "for p in sys.argv[1:]:\n"
                         "    print(mutagen.File(p, easy=True)['tracknumber'][0])",
                         {ten, one}),
                 QString("1/2\n1/1"));
        QCOMPARE(Field(nine, SongField::TrackTotal), std::string("2"));

        // The preview compares number and total with the song's own: only
        // what would change is listed.
        BatchEditDialog again({ten.toStdString(), nine.toStdString(), one.toStdString()}, nullptr);
        again.NumberBox()->setChecked(true);
        again.NumberOrderBox()->setCurrentIndex(2);
        QCOMPARE(again.Preview()->rowCount(), 0);
        again.NumberOrderBox()->setCurrentIndex(0);
        // Without a total the songs keep theirs.
        for (auto [total, old, now] : {std::tuple{2, "1/1", "3/2"}, {0, "1", "3"}}) {
            again.TotalBox()->setValue(total);
            QCOMPARE(again.Preview()->rowCount(), 1);
            QCOMPARE(again.Preview()->item(0, 2)->text(), QString(old));
            QCOMPARE(again.Preview()->item(0, 3)->text(), QString(now));
        }
    }

    void tagFromNamesPreviewsAndSkips() {
        QDir().mkpath(dir_->path() + "/Blue Album");
        QString first = Copy("files/silence.mp3", "Blue Album/01 - Nina - Stay.mp3");
        QString odd = Copy("ogg/plain.ogg", "Blue Album/bonus track.ogg");
        QString second = Copy("flac/plain.flac", "Blue Album/02 - Tom - Go Home.flac");
        TagFromNameDialog dialog({first.toStdString(), odd.toStdString(), second.toStdString()},
                                 nullptr);
        QTableWidget* preview = dialog.Preview();
        QCOMPARE(preview->rowCount(), 3);
        QCOMPARE(preview->horizontalHeaderItem(1)->text(), QString("Track"));
        QCOMPARE(preview->item(0, 1)->text(), QString("1"));
        QCOMPARE(preview->item(0, 2)->text(), QString("Nina"));
        // A value the song has is shown with the one that replaces it.
        QCOMPARE(preview->item(2, 3)->text(), QString("Plain Title → Go Home"));
        QVERIFY(preview->item(1, 1)->text().contains("does not fit"));
        QCOMPARE(dialog.Items().size(), size_t(2));

        // A pattern that cannot work says why and offers nothing to apply.
        dialog.PatternBox()->setText("%TITLE%ARTIST");
        QVERIFY(!dialog.ApplyButton()->isEnabled());
        QCOMPARE(preview->rowCount(), 0);
        dialog.PatternBox()->setText("%ALBUM/%TRACK - %ARTIST - %TITLE");
        QCOMPARE(preview->horizontalHeaderItem(1)->text(), QString("Album"));
        QVERIFY(dialog.ApplyButton()->isEnabled());
        dialog.Apply();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Mutagen("import sys, mutagen\n"
                         "for p in sys.argv[1:]:\n"
                         "    f = mutagen.File(p, easy=True)\n"
                         "    print(f['album'][0], f['tracknumber'][0], f['artist'][0], "
                         "f['title'][0])",
                         {first, second}),
                 QString("Blue Album 1 Nina Stay\nBlue Album 2 Tom Go Home"));
        QCOMPARE(Field(odd, SongField::Album), std::string("Plain Album"));
    }

    void fromTheWindowAndUndone() {
        QString a = Copy("files/silence.mp3", "a.mp3");
        QString b = Copy("files/silence.mp3", "b.mp3");
        Set(a, {{SongField::Artist, "Nina"}, {SongField::Title, "A"}});
        Set(b, {{SongField::Artist, "Nina"}, {SongField::Title, "B"}});
        Window window;
        QVERIFY(window.Tree().InsertSongFile(a.toStdString()));
        QVERIFY(window.Tree().InsertSongFile(b.toStdString()));
        window.List().Add(0, "Nina", "", "B", b.toStdString());
        // The artist group: both songs.
        HTREEITEM song = window.Tree().FindPathInTree(a.toStdString(), window.Tree().GetRootItem());
        QVERIFY(song);
        HTREEITEM group = window.Tree().GetParentItem(song);
        window.Tabs()->setCurrentIndex(0);
        window.Tree().SelectItem(group);
        window.UpdateCommands();
        QVERIFY(window.Actions().editBatch->isEnabled());

        int shown = 0;
        window.onDialog = [&](QDialog& dialog) {
            auto* form = qobject_cast<BatchEditDialog*>(&dialog);
            if (!form) {
                return false;
            }
            ++shown;
            TypeInto(form->Box(SongField::Album), "Together");
            form->Apply();
            return dialog.result() == QDialog::Accepted;
        };
        window.Actions().editBatch->trigger();
        QCOMPARE(shown, 1);
        QCOMPARE(Field(a, SongField::Album), std::string("Together"));
        QCOMPARE(Field(b, SongField::Album), std::string("Together"));
        QCOMPARE(window.List().GetAlbum(0), std::string("Together"));
        QCOMPARE(window.StatusText(), QString("2 of 2 songs written"));

        const QString readAlbums =
            "import sys, mutagen\n"
            "print([mutagen.File(p, easy=True).get('album') for p in sys.argv[1:]])";
        window.Actions().undo->trigger();
        QCOMPARE(Mutagen(readAlbums, {a, b}), QString("[None, None]"));
        QCOMPARE(window.List().GetAlbum(0), std::string());
        window.Actions().redo->trigger();
        QCOMPARE(Mutagen(readAlbums, {a, b}), QString("[['Together'], ['Together']]"));
        QCOMPARE(window.List().GetAlbum(0), std::string("Together"));

        // Tag from names over the play list's selection.
        window.Tabs()->setCurrentIndex(1);
        window.List().SetSelected(0, true);
        window.UpdateCommands();
        QVERIFY(window.Actions().editFromNames->isEnabled());
        window.onDialog = [&](QDialog& dialog) {
            auto* names = qobject_cast<TagFromNameDialog*>(&dialog);
            if (!names) {
                return false;
            }
            names->PatternBox()->setText("%TITLE");
            names->Apply();
            return dialog.result() == QDialog::Accepted;
        };
        window.Actions().editFromNames->trigger();
        QCOMPARE(Field(b, SongField::Title), std::string("b"));
        QCOMPARE(window.List().GetTitle(0), std::string("b"));
        QCOMPARE(Field(a, SongField::Title), std::string("A"));
        window.Actions().undo->trigger();
        QCOMPARE(
            Mutagen("import sys, mutagen\nprint(mutagen.File(sys.argv[1], easy=True)['title'])",
                    {b}),
            QString("['B']"));
        QCOMPARE(window.List().GetTitle(0), std::string("B"));
    }
};

QTEST_MAIN(BatchEditTest)
#include "batchedit_test.moc"
