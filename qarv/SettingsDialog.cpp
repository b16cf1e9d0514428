#include "qarv/SettingsDialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "songcore/rename/NameTokens.h"
#include "songcore/settings/AppRegKey.h"

QString SettingsDialog::PatternTokensText() {
    return tr(
        "%TITLE: title, %ARTIST: artist, %ALBUM: album, %GENRE: genre, %YEAR: year, "
        "%ALBUMARTIST: album artist, %TRACK: track number in two digits (%TRACK1, "
        "%TRACK3: other widths), %DISC: disc number (%DISC2: two digits), "
        "%EXT: extension");
}

SettingsDialog::SettingsDialog(QWidget* parent, const std::vector<CMCIWnd::AudioDevice>& devices)
    : QDialog(parent) {
    setWindowTitle(tr("Settings"));
    CAppRegKey settings;
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    copyTo_ = new QLineEdit(QString::fromStdString(settings.GetCopyToFileNameFormat()), this);
    form->addRow(tr("<Copy To> filename format:"), copyTo_);
    auto* tokens = new QLabel(PatternTokensText(), this);
    tokens->setWordWrap(true);
    tokens->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString(), tokens);
    audioOutput_ = new QComboBox(this);
    audioOutput_->addItem(tr("automatic"), QStringLiteral("auto"));
    for (const CMCIWnd::AudioDevice& device : devices) {
        if (device.name == "auto") {
            continue;
        }
        audioOutput_->addItem(
            QStringLiteral("%1 (%2)").arg(QString::fromStdString(device.description),
                                          QString::fromStdString(device.name)),
            QString::fromStdString(device.name));
    }
    const QString chosen = QString::fromStdString(settings.GetAudioDevice());
    int index = audioOutput_->findData(chosen);
    if (index < 0) {
        // A device that is not there now (unplugged) stays chosen.
        audioOutput_->addItem(tr("%1 (not available)").arg(chosen), chosen);
        index = audioOutput_->count() - 1;
    }
    audioOutput_->setCurrentIndex(index);
    form->addRow(tr("&Audio output:"), audioOutput_);
    replayGain_ = new QComboBox(this);
    replayGain_->addItem(tr("each song's own (track gain)"), QStringLiteral("track"));
    replayGain_->addItem(tr("the album's (album gain)"), QStringLiteral("album"));
    replayGain_->addItem(tr("as recorded (no gain)"), QStringLiteral("no"));
    replayGain_->setCurrentIndex(
        std::max(0, replayGain_->findData(QString::fromStdString(settings.GetReplayGain()))));
    form->addRow(tr("&Loudness (ReplayGain):"), replayGain_);
    layout->addLayout(form);
    askWhenExit_ = new QCheckBox(tr("&Ask when exit application"), this);
    askWhenExit_->setChecked(settings.AskWhenExitApp() != 0);
    layout->addWidget(askWhenExit_);
    minimizeToTray_ = new QCheckBox(tr("&Minimize to system tray"), this);
    minimizeToTray_->setChecked(settings.MinimizeToTray() != 0);
    layout->addWidget(minimizeToTray_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        std::string problem = songcore::NamePatternProblem(copyTo_->text().toStdString());
        if (!problem.empty()) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(problem));
            copyTo_->setFocus();
            return;
        }
        Store();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void SettingsDialog::Store() {
    CAppRegKey settings;
    settings.SetAskWhenExitApp(askWhenExit_->isChecked() ? 1 : 0);
    settings.SetMinimizeToTray(minimizeToTray_->isChecked() ? 1 : 0);
    settings.SetAudioDevice(audioOutput_->currentData().toString().toStdString().c_str());
    settings.SetReplayGain(replayGain_->currentData().toString().toStdString().c_str());
    // An empty pattern would name every copy "", so it is not taken.
    QString pattern = copyTo_->text();
    if (!pattern.isEmpty()) {
        settings.SetCopyToFileNameFormat(pattern.toStdString().c_str());
    }
}
