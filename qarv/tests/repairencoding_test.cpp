// Repair Text Encoding from qarv: the preview per folder with its candidate
// encodings, the repair written as Unicode and undone as one edit, and the
// Settings' code page for legacy tags.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/SettingsDialog.h"
#include "qarv/tagedit/RepairEncodingDialog.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/OldPlayerTags.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Codepage.h"

using songcore::SongField;

namespace {

std::string Title(const std::string& path) {
    CSongFileInfo song;
    if (!song.Open(path, 1, 0) || !song.GetSongInfo()) {
        return "<unreadable>";
    }
    return song.GetTitle();
}

// The songs of the cases asked for, written by mutagen (one album each):
// the path of each song and the title it should show.
QList<QPair<QString, QString>> Samples(const QString& dir, const QString& cases) {
    QProcess process;
    process.start("/usr/bin/python3",
                  {QStringLiteral(TUNEMOSS_TEST_DATA) + "/../support/encoding_samples.py", dir,
                   QStringLiteral(TUNEMOSS_TEST_DATA) + "/files/silence.mp3", cases, "1"});
    process.waitForFinished(120000);
    QList<QPair<QString, QString>> songs;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        QStringList cells = line.split('\t');
        if (cells.size() == 5 && cells[3] == "title") {
            songs.append({cells[2], cells[4]});
        }
    }
    return songs;
}

}  // namespace

class RepairEncodingTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<qarvtest::PrivateHome> home_;
    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init() {
        qarvtest::RenewHome(home_);
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        // Gone before the next test's home is made, so that one restores the
        // real environment at its end instead of this home.
        home_.reset();
        songcore::SetLegacyEncoding("ISO-8859-1");
        songcore::SetOldPlayerCodepage(std::nullopt);
    }

    void previewsPerFolderRepairsAndUndoes() {
        auto songs = Samples(dir_->path(), "windows-1251,ISO-8859-1");
        QCOMPARE(songs.size(), 10);
        std::vector<std::string> paths;
        for (const auto& [path, title] : songs) {
            paths.push_back(path.toStdString());
        }
        const std::string russian = paths.front();
        const std::string russianTitle = songs.front().second.toStdString();
        const std::string misread = Title(russian);
        QVERIFY(misread != russianTitle);

        RepairEncodingDialog dialog(paths, nullptr);
        // Both folders have text beyond ASCII; the Western one reads as it is.
        QCOMPARE(dialog.EncodingBoxes().size(), size_t(2));
        QComboBox* western = dialog.EncodingBoxes()[0];  // "ISO-8859-1" sorts first
        QComboBox* cyrillic = dialog.EncodingBoxes()[1];
        QVERIFY(western->currentText().contains("as shown now"));
        QCOMPARE(cyrillic->currentData().toString(), QString("windows-1251"));
        QCOMPARE(dialog.Preview()->rowCount(), 15);  // five songs, three fields
        QCOMPARE(dialog.Preview()->item(0, 2)->text().toStdString(),
                 Title(dialog.Items().front().path));
        // Another candidate gives other texts; the first is put back.
        const QString after = dialog.Preview()->item(0, 3)->text();
        QCOMPARE(after.toStdString(), russianTitle);
        cyrillic->setCurrentIndex(1);
        QVERIFY(dialog.Preview()->rowCount() == 0 || dialog.Preview()->item(0, 3)->text() != after);
        cyrillic->setCurrentIndex(0);
        QCOMPARE(dialog.Items().size(), size_t(5));

        dialog.Apply();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Outcome().operation.files.size(), size_t(5));
        QCOMPARE(Title(russian), russianTitle);
        QCOMPARE(Title(paths.back()), songs.back().second.toStdString());

        songcore::HistoryOutcome undone = songcore::EditHistory().Undo();
        QVERIFY2(undone.ok, undone.error.c_str());
        QCOMPARE(undone.restored.size(), size_t(5));
        QCOMPARE(Title(russian), misread);
    }

    void settingsChooseTheLegacyCodePage() {
        auto songs = Samples(dir_->path(), "windows-1251");
        const std::string path = songs.front().first.toStdString();
        SettingsDialog dialog;
        QComboBox* box = dialog.LegacyEncodingBox();
        QCOMPARE(box->currentData().toString(), QString("ISO-8859-1"));
        box->setCurrentIndex(box->findData("windows-1251"));
        dialog.Store();
        QCOMPARE(CAppRegKey().GetLegacyEncoding(), std::string("windows-1251"));
        QCOMPARE(Title(path), songs.front().second.toStdString());
        SettingsDialog again;
        QCOMPARE(again.LegacyEncodingBox()->currentData().toString(), QString("windows-1251"));
        QVERIFY(!again.OldPlayersBox()->isChecked());
        QVERIFY(!songcore::OldPlayerCodepage());
        again.OldPlayersBox()->setChecked(true);
        again.Store();
        QCOMPARE(songcore::OldPlayerCodepage(), std::optional<std::string>("windows-1251"));
    }
};

QTEST_MAIN(RepairEncodingTest)
#include "repairencoding_test.moc"
