// Analyse Loudness from qarv: measured with an album, nothing written before
// Write Tags, the tags written in each format's form and undone as one edit.
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/tagedit/LoudnessDialog.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/tags/SongItems.h"

namespace {

// The song's loudness items, "KEY=VALUE" in the tag's order.
QStringList LoudnessItems(const std::string& path) {
    std::vector<songcore::TagItem> items;
    std::string error;
    QStringList found;
    if (!songcore::ReadSongItems(path, items, error)) {
        return {QString::fromStdString(error)};
    }
    for (const songcore::TagItem& item : items) {
        const QString key = QString::fromStdString(item.key);
        if (key.contains("REPLAYGAIN") || key.contains("R128")) {
            found << key + "=" + QString::fromStdString(item.values.front());
        }
    }
    return found;
}

}  // namespace

class LoudnessTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<qarvtest::PrivateHome> home_;
    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init() {
        qarvtest::RenewHome(home_);
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { home_.reset(); }

    void measuresWritesAndUndoesAsOneEdit() {
        std::vector<std::string> paths;
        for (const char* name : {"a.flac", "b.opus", "c.mp3"}) {
            const QString path = dir_->filePath(name);
            QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                                  "sine=f=440:d=2", "-ac", "2", path}),
                     0);
            paths.push_back(path.toStdString());
        }
        LoudnessDialog dialog(paths, nullptr);
        dialog.AlbumChoice()->setCurrentIndex(LoudnessDialog::kOneAlbum);
        QVERIFY(!dialog.WriteButton()->isEnabled());
        dialog.Measure();
        QCOMPARE(dialog.Results()->rowCount(), 3);
        QVERIFY(dialog.WriteButton()->isEnabled());
        QVERIFY(dialog.Results()->item(0, 2)->text().endsWith(" dB"));
        QVERIFY(!dialog.Results()->item(0, 4)->text().isEmpty());  // the album's gain
        QVERIFY(LoudnessItems(paths[0]).isEmpty());                // nothing written yet

        dialog.Write();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Outcome().operation.files.size(), size_t(3));
        const QStringList flac = LoudnessItems(paths[0]);
        QCOMPARE(flac.size(), 4);
        QVERIFY(flac[0].startsWith("REPLAYGAIN_TRACK_GAIN="));
        QVERIFY(flac[2].startsWith("REPLAYGAIN_ALBUM_GAIN="));
        const QStringList opus = LoudnessItems(paths[1]);
        QCOMPARE(opus.size(), 2);
        QVERIFY(opus[0].startsWith("R128_TRACK_GAIN="));
        QVERIFY(LoudnessItems(paths[2]).first().startsWith("TXXX:REPLAYGAIN_TRACK_GAIN="));

        songcore::HistoryOutcome undone = songcore::EditHistory().Undo();
        QVERIFY2(undone.ok, undone.error.c_str());
        QCOMPARE(undone.label, std::string("Analyse Loudness"));
        QCOMPARE(undone.restored.size(), size_t(3));
        for (const std::string& path : paths) {
            QVERIFY(LoudnessItems(path).isEmpty());
        }
    }
};

QTEST_MAIN(LoudnessTest)
#include "loudness_test.moc"
