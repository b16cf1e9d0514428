#pragma once
// The Settings dialog: the Copy To name pattern, the exit question,
// minimising to the tray, the audio output, the ReplayGain the player
// applies, the code page of legacy tags, and what album lookups fetch and
// tell: the cover size, the CD database and the user's e-mail address for
// it. OK stores them; Cancel stores nothing.

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
    QComboBox* LegacyEncodingBox() const { return legacyEncoding_; }
    QCheckBox* OldPlayersBox() const { return oldPlayers_; }
    QComboBox* CoverSizeBox() const { return coverSize_; }
    QLineEdit* CddbServerEdit() const { return cddbServer_; }
    QLineEdit* CddbEmailEdit() const { return cddbEmail_; }
    // Puts the stored code page settings into effect for the tag readers
    // and writers.
    static void ApplyTagEncodings();
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
    QComboBox* legacyEncoding_;
    QCheckBox* oldPlayers_;
    QComboBox* coverSize_;
    QLineEdit* cddbServer_;
    QLineEdit* cddbEmail_;
};
