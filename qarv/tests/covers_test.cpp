// The cover in the tag editor and in the status bar, on real files: shown,
// replaced from a file or a drop, removed and saved, written by Update and
// read back, and the playing song's cover beside the position.
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTabWidget>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/CoverPane.h"
#include "qarv/MainWindow.h"
#include "qarv/PlayerControl.h"
#include "qarv/tagedit/CoverBox.h"
#include "qarv/tagedit/TagDialog.h"
#include "qarv/tagedit/TagEditor.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/tags/SongPictures.h"

namespace {

std::vector<songcore::Picture> PicturesOf(const QString& path) {
    std::vector<songcore::Picture> pictures;
    std::string error;
    if (!songcore::ReadSongPictures(path.toStdString(), pictures, error)) {
        qWarning("%s", error.c_str());
    }
    return pictures;
}

QByteArray Bytes(const QString& path) {
    return qarvtest::FileBytes(path);
}

QByteArray Bytes(const songcore::Picture& picture) {
    return QByteArray(reinterpret_cast<const char*>(picture.data.data()),
                      qsizetype(picture.data.size()));
}

void SetCover(const QString& song, const QString& image) {
    QByteArray bytes = Bytes(image);
    auto picture = songcore::PictureFromImage(std::vector<uint8_t>(bytes.begin(), bytes.end()),
                                              songcore::kPictureFrontCover);
    QVERIFY(picture);
    std::string error;
    QVERIFY2(songcore::WriteSongPictures(song.toStdString(), {*picture}, error), error.c_str());
}

class Window : public qarvtest::QuietWindow {
public:
    Window() : QuietWindow(false) {}
};

}  // namespace

class CoversTest : public QObject {
    Q_OBJECT
    qarvtest::PrivateHome home_;
    QTemporaryDir dir_;
    QStringList failures_;

private Q_SLOTS:
    void initTestCase() {
        SetTagFailureReporter([this](QWidget*, const QString& text, const QString& detail) {
            failures_ << text + " | " + detail;
        });
    }
    void init() { failures_.clear(); }

    void tagDialogShowsReplacesAndRemovesTheCover() {
        for (const char* sample : {"id3v2/v23.mp3", "flac/plain.flac", "mp4/tagged_faststart.m4a",
                                   "ogg/tagged.opus", "asf/tagged.wma"}) {
            QString name = QFileInfo(sample).fileName();
            QString song = qarvtest::CopyData(sample, dir_.path(), name);
            SetCover(song, qarvtest::DataFile("pictures/front.jpg"));
            auto dialog = CreateTagDialog(nullptr, song.toStdString());
            QVERIFY(dialog);
            CoverBox* cover = dialog->Cover();
            QVERIFY2(cover, sample);
            QCOMPARE(cover->ShownIndex(), 0);
            QCOMPARE(cover->Caption(), QString("Front cover, 40×30 JPG"));

            // A dropped PNG takes the cover's place; Update writes it.
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(qarvtest::DataFile("pictures/back.png"))});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(cover, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(cover, &drop);
            QVERIFY2(cover->IsChanged(), qPrintable(failures_.join('\n')));
            QCOMPARE(cover->Caption(), QString("Front cover, 20×12 PNG"));
            QVERIFY(dialog->Update());
            auto written = PicturesOf(song);
            QCOMPARE(written.size(), size_t(1));
            QCOMPARE(Bytes(written[0]), Bytes(qarvtest::DataFile("pictures/back.png")));
            QVERIFY2(failures_.isEmpty(), qPrintable(failures_.join('\n')));

            // Save As writes the picture's bytes; Remove and Update leave none.
            auto again = CreateTagDialog(nullptr, song.toStdString());
            QString saved = dir_.path() + "/saved.png";
            QVERIFY(again->Cover()->SaveShownAs(saved));
            QCOMPARE(Bytes(saved), Bytes(qarvtest::DataFile("pictures/back.png")));
            again->Cover()->RemoveShown();
            QCOMPARE(again->Cover()->ShownIndex(), -1);
            QVERIFY(again->Update());
            QVERIFY2(PicturesOf(song).empty(), sample);
        }
    }

    void whatIsNoImageIsRefusedAndNothingWritten() {
        QString song = qarvtest::CopyData("id3v2/v23.mp3", dir_.path(), "text.mp3");
        QString text = dir_.path() + "/notes.jpg";
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("just some words");
        file.close();
        QByteArray before = Bytes(song);
        auto dialog = CreateTagDialog(nullptr, song.toStdString());
        QVERIFY(!dialog->Cover()->PutImageFile(text));
        QCOMPARE(failures_.size(), 1);
        QVERIFY2(failures_[0].startsWith("Cannot use the picture | notes.jpg: not a JPEG"),
                 qPrintable(failures_[0]));
        QVERIFY(!dialog->Cover()->IsChanged());
        QCOMPARE(Bytes(song), before);
        // Cancel leaves the file as it was, whatever the box holds.
        QVERIFY(dialog->Cover()->PutImageFile(qarvtest::DataFile("pictures/front.jpg")));
        dialog->reject();
        QCOMPARE(Bytes(song), before);
    }

    void realMediaHasNoCoverBox() {
        QString song = qarvtest::CopyData("rm/tagged.ra", dir_.path(), "real.ra");
        auto dialog = CreateTagDialog(nullptr, song.toStdString());
        QVERIFY(dialog);
        QVERIFY(dialog->Cover() == nullptr);
    }

    void playingSongShowsItsCover() {
        QString covered = qarvtest::CopyData("player/one_second.ogg", dir_.path(), "covered.ogg");
        QString plain = qarvtest::CopyData("player/two_seconds.mp3", dir_.path(), "plain.mp3");
        SetCover(covered, qarvtest::DataFile("pictures/front.jpg"));
        Window window;
        window.List().Add(0, "A", "", "Covered", covered.toStdString());
        window.List().Add(1, "B", "", "Plain", plain.toStdString());
        window.Tabs()->setCurrentIndex(MainWindow::kPlayListTab);
        window.List().SetSelected(0, true);
        window.Control().PlaySelected();
        QTRY_VERIFY(window.PlayingCover()->HasCover());
        QCOMPARE(window.PlayingCover()->Song(), covered.toStdString());
        window.Control().Stop();
        QTRY_VERIFY(!window.PlayingCover()->HasCover());
        window.List().SelectAll(false);
        window.List().SetSelected(1, true);
        window.Control().PlaySelected();
        QTRY_COMPARE(window.PlayingCover()->Song(), plain.toStdString());
        QVERIFY(!window.PlayingCover()->HasCover());
        QVERIFY(window.Exit());
    }
    void everyPictureIsListedWithItsRole() {
        QString song = qarvtest::CopyData("flac/plain.flac", dir_.path(), "two.flac");
        QByteArray front = Bytes(qarvtest::DataFile("pictures/front.jpg"));
        QByteArray back = Bytes(qarvtest::DataFile("pictures/back.png"));
        auto cover = songcore::PictureFromImage(std::vector<uint8_t>(front.begin(), front.end()),
                                                songcore::kPictureFrontCover);
        auto other = songcore::PictureFromImage(std::vector<uint8_t>(back.begin(), back.end()),
                                                songcore::kPictureBackCover);
        QVERIFY(cover && other);
        other->description = "Rückseite";
        std::string error;
        QVERIFY2(songcore::WriteSongPictures(song.toStdString(), {*cover, *other}, error),
                 error.c_str());
        auto dialog = CreateTagDialog(nullptr, song.toStdString());
        QListWidget* list = dialog->Cover()->PictureList();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QString("Front cover"));
        QCOMPARE(list->item(1)->text(), QString("Back cover — Rückseite"));
        QCOMPARE(list->currentRow(), 0);
        // The back cover chosen is the one shown, and the one removed.
        list->setCurrentRow(1);
        QCOMPARE(dialog->Cover()->Caption(), QString("Back cover, 20×12 PNG (2 pictures)"));
        dialog->Cover()->RemoveShown();
        QVERIFY(dialog->Update());
        auto left = PicturesOf(song);
        QCOMPARE(left.size(), size_t(1));
        QCOMPARE(left[0].type, uint8_t(songcore::kPictureFrontCover));
    }
};

QTEST_MAIN(CoversTest)
#include "covers_test.moc"
