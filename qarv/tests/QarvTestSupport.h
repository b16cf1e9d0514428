#pragma once
// Helpers for the qarv tests: a private settings and data home per test
// program, and the sample files.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "qarv/MainWindow.h"

// QTRY_COMPARE and QTRY_VERIFY give up after five seconds. A sanitizer
// build on a loaded machine can take that long over what an optimised build
// does at once; a check that passes stops waiting as soon as it holds, so
// the limit only sets how long a failing one takes to say so.
inline constexpr int kQarvTestWaitMs = 60000;
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, kQarvTestWaitMs)
#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, kQarvTestWaitMs)

namespace qarvtest {

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_STATE_HOME (the edit
// history) into a fresh folder for as long as the object lives.
class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();
    QString path() const { return dir_.path(); }
    QString ConfigFile() const { return dir_.path() + "/config/Tunemoss/qarv.ini"; }
    QString DataFolder() const { return dir_.path() + "/data/Tunemoss"; }
    // Empties the homes, as on a first start.
    void Reset();

private:
    QTemporaryDir dir_;
    QByteArray oldConfig_, oldData_, oldState_;
};

// Gives a test a fresh private home in place of the one before. The old
// home goes first: it puts back the folders it found, which would otherwise
// replace the new home's and send the test to the real ones.
inline void RenewHome(std::unique_ptr<PrivateHome>& home) {
    home.reset();
    home = std::make_unique<PrivateHome>();
}

// The main window with its questions answered by the test: exit without
// asking, confirm with answerYes; what it would have asked and told is kept.
class QuietWindow : public MainWindow {
public:
    explicit QuietWindow(bool untimed = true);
    bool answerYes = true;
    QStringList asked;  // the questions' texts
    QStringList told;   // the messages' texts

protected:
    bool AskExit(bool& again) override;
    bool Confirm(const QString& text, const QString& title) override;
    void Inform(const QString& text, const QString& title) override;
};

// The main window whose song dialogs (batch edit, lookup ...) the test
// drives: onDialog gets each one and answers whether it was accepted.
class DialogWindow : public QuietWindow {
public:
    std::function<bool(QDialog&)> onDialog;

protected:
    bool RunSongsDialog(QDialog& dialog) override { return onDialog && onDialog(dialog); }
};

// Runs a Python script with Debian's python, which sees python3-mutagen;
// returns what it printed, or "<failed>" (and warns with its errors).
QString Python(const QString& script, const QStringList& args);

// A file's bytes; empty when it cannot be read.
QByteArray FileBytes(const QString& path);

// Path of a file below tests/data.
QString DataFile(const QString& name);
// Copies sample files into dir; returns the copies' paths.
QString CopyData(const QString& name, const QString& dir, const QString& newName = QString());

}  // namespace qarvtest
