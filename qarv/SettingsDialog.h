#pragma once
// The Settings dialog: the Copy To name pattern, the exit question,
// minimising to the tray, the audio output and the ReplayGain the player
// applies. OK stores them; Cancel stores nothing.

#include <QDialog>
#include <vector>

#include "songcore/player/MCIWnd.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // devices: the audio outputs the player offers.
    explicit SettingsDialog(QWidget* parent = nullptr,
                            const std::vector<CMCIWnd::AudioDevice>& devices = {});

    QLineEdit* CopyToEdit() const { return copyTo_; }
    QCheckBox* AskWhenExitBox() const { return askWhenExit_; }
    QCheckBox* MinimizeToTrayBox() const { return minimizeToTray_; }
    QComboBox* AudioOutputBox() const { return audioOutput_; }
    QComboBox* ReplayGainBox() const { return replayGain_; }
    // Stores the dialog's values (what OK does).
    void Store();

    // The tokens a name pattern may hold.
    static QString PatternTokensText();

private:
    QLineEdit* copyTo_;
    QCheckBox* askWhenExit_;
    QCheckBox* minimizeToTray_;
    QComboBox* audioOutput_;
    QComboBox* replayGain_;
};
