#include "qarv/tagedit/LoudnessDialog.h"

#include <cmath>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "qarv/ProgressRunner.h"
#include "qarv/tagedit/BatchRunner.h"
#include "songcore/loudness/LoudnessTags.h"
#include "songcore/loudness/ReplayGainText.h"

namespace {

enum Column { kFile, kLoudness, kGain, kPeak, kAlbumGain, kAlbumPeak, kColumns };

QString Lufs(double value) {
    return std::isfinite(value) ? QString::number(value, 'f', 2) : QStringLiteral("-inf");
}

QString Gain(const songcore::Loudness& loudness, double reference) {
    if (!std::isfinite(loudness.integrated)) {
        return QStringLiteral("-");
    }
    return QString::fromStdString(
        songcore::ReplayGainText(songcore::GainToReference(loudness.integrated, reference)));
}

QString Peak(const songcore::Loudness& loudness) {
    return QString::fromStdString(songcore::ReplayGainPeakText(loudness.peak));
}

}  // namespace

LoudnessDialog::LoudnessDialog(const std::vector<std::string>& paths, QWidget* parent)
    : QDialog(parent), paths_(paths) {
    setWindowTitle(tr("Analyse Loudness"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Measures the loudness of the %n selected songs (EBU R 128) and "
                               "their true peaks, and writes the ReplayGain 2.0 gains and peaks "
                               "into their tags (Opus files: their R128 gains).",
                               nullptr, static_cast<int>(paths.size())),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* form = new QFormLayout;
    albums_ = new QComboBox(this);
    albums_->addItems({tr("Each song alone"), tr("The selected songs form one album"),
                       tr("Songs with the same album and album artist form an album")});
    form->addRow(tr("&Albums:"), albums_);
    layout->addLayout(form);

    results_ = new QTableWidget(0, kColumns, this);
    results_->setHorizontalHeaderLabels({tr("File"), tr("Loudness (LUFS)"), tr("Track gain"),
                                         tr("Track peak"), tr("Album gain"), tr("Album peak")});
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->verticalHeader()->hide();
    results_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(results_, 1);
    summary_ = new QLabel(tr("Nothing is written before Write Tags."), this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    measure_ = buttons->addButton(tr("&Measure"), QDialogButtonBox::ActionRole);
    write_ = buttons->addButton(tr("&Write Tags"), QDialogButtonBox::AcceptRole);
    write_->setEnabled(false);
    measure_->setDefault(true);
    layout->addWidget(buttons);
    resize(820, 480);
    connect(measure_, &QPushButton::clicked, this, &LoudnessDialog::Measure);
    connect(write_, &QPushButton::clicked, this, &LoudnessDialog::Write);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A new choice of albums needs a new measurement before writing.
    connect(albums_, &QComboBox::currentIndexChanged, this, [this] {
        report_ = {};
        ShowResults();
    });
}

void LoudnessDialog::Measure() {
    std::vector<std::string> albumKeys;
    if (albums_->currentIndex() == kOneAlbum) {
        albumKeys.assign(paths_.size(), "selected");
    } else if (albums_->currentIndex() == kAlbumsByTags) {
        for (const std::string& path : paths_) {
            albumKeys.push_back(songcore::AlbumKeyFromTags(path));
        }
    }
    songcore::LoudnessReport report;
    bool cancelled = false;
    RunWithProgress(this, windowTitle(), paths_.size(), [&](ProgressState& state) {
        report = songcore::AnalyseLoudness(
            paths_, albumKeys, options_,
            [&state](size_t done, size_t) { state.Report(done, std::string()); },
            &state.CancelFlag());
        cancelled = state.Cancelled();
    });
    report_ = std::move(report);
    cancelled_ = cancelled;
    ShowResults();
}

void LoudnessDialog::ShowResults() {
    results_->setRowCount(0);
    int measured = 0;
    QStringList problems;
    for (const songcore::SongLoudness& song : report_.songs) {
        const int row = results_->rowCount();
        results_->insertRow(row);
        auto put = [&](int column, const QString& text) {
            results_->setItem(row, column, new QTableWidgetItem(text));
        };
        put(kFile, QFileInfo(QString::fromStdString(song.path)).fileName());
        if (!song.error.empty()) {
            put(kLoudness, QString::fromStdString(song.error));
            problems << QStringLiteral("%1: %2").arg(QString::fromStdString(song.path),
                                                     QString::fromStdString(song.error));
            continue;
        }
        ++measured;
        put(kLoudness, Lufs(song.loudness.integrated));
        put(kGain, Gain(song.loudness, options_.reference));
        put(kPeak, Peak(song.loudness));
        if (song.album >= 0 && report_.albums[song.album].error.empty()) {
            const songcore::Loudness& album = report_.albums[song.album].loudness;
            put(kAlbumGain, Gain(album, options_.reference));
            put(kAlbumPeak, Peak(album));
        }
    }
    results_->resizeColumnsToContents();
    QString text;
    if (report_.songs.empty()) {
        text = tr("Nothing is written before Write Tags.");
    } else {
        text = tr("%1 of %2 songs measured%3.")
                   .arg(measured)
                   .arg(report_.songs.size())
                   .arg(cancelled_ ? tr("; cancelled") : QString());
    }
    if (!problems.isEmpty()) {
        text += "\n" + problems.join('\n');
    }
    summary_->setText(text);
    write_->setEnabled(measured > 0);
    // Once measured, Enter writes what the table shows.
    (measured > 0 ? write_ : measure_)->setDefault(true);
}

void LoudnessDialog::Write() {
    std::vector<std::string> paths;
    for (const songcore::SongLoudness& song : report_.songs) {
        paths.push_back(song.path);
    }
    outcome_ = RunSongWritesWithProgress(
        this, windowTitle(), "Analyse Loudness", paths,
        [this](size_t index, songcore::EditOperation& operation) {
            const songcore::SongLoudness& song = report_.songs[index];
            if (!song.error.empty()) {
                return std::string();  // not measured: nothing to write
            }
            songcore::LoudnessTagValues values;
            values.track = &song.loudness;
            values.reference = options_.reference;
            if (song.album >= 0 && report_.albums[song.album].error.empty()) {
                values.album = &report_.albums[song.album].loudness;
            }
            songcore::SongEditResult result = songcore::WriteLoudnessTags(song.path, values);
            if (!result.ok) {
                return result.error;
            }
            operation.Add(song.path, std::move(result), true);
            return std::string();
        });
    accept();
}
