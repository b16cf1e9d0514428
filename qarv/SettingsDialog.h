#pragma once
// The Settings dialog: the Copy To name pattern, the exit question and
// minimising to the tray. OK stores them; Cancel stores nothing.

#include <QDialog>

class QCheckBox;
class QLineEdit;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    QLineEdit* CopyToEdit() const { return copyTo_; }
    QCheckBox* AskWhenExitBox() const { return askWhenExit_; }
    QCheckBox* MinimizeToTrayBox() const { return minimizeToTray_; }
    // Stores the dialog's values (what OK does).
    void Store();

    // The tokens a name pattern may hold.
    static QString PatternTokensText();

private:
    QLineEdit* copyTo_;
    QCheckBox* askWhenExit_;
    QCheckBox* minimizeToTray_;
};
