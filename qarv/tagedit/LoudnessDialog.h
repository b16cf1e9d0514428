#pragma once
// "Analyse Loudness": measures the selected songs (and the album they form,
// by choice) off the GUI thread with progress and Cancel, shows the results
// before anything is written, and writes the ReplayGain tags (R128 gains in
// Opus files) as one edit of the history, undone as one.

#include <QDialog>
#include <string>
#include <vector>

#include "songcore/edit/BatchEdit.h"
#include "songcore/loudness/LoudnessAnalysis.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class LoudnessDialog : public QDialog {
    Q_OBJECT
public:
    LoudnessDialog(const std::vector<std::string>& paths, QWidget* parent);

    // How the songs form albums: each alone, all one album, by their tags.
    enum Albums { kNoAlbum, kOneAlbum, kAlbumsByTags };
    QComboBox* AlbumChoice() const { return albums_; }
    QTableWidget* Results() const { return results_; }
    QPushButton* MeasureButton() const { return measure_; }
    QPushButton* WriteButton() const { return write_; }
    const songcore::BatchOutcome& Outcome() const { return outcome_; }

    void Measure();
    void Write();

private:
    void ShowResults();

    std::vector<std::string> paths_;
    QComboBox* albums_ = nullptr;
    QTableWidget* results_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* measure_ = nullptr;
    QPushButton* write_ = nullptr;
    songcore::LoudnessOptions options_;
    songcore::LoudnessReport report_;
    bool cancelled_ = false;
    songcore::BatchOutcome outcome_;
};
