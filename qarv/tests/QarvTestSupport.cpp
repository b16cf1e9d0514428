#include "QarvTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtDebug>

namespace qarvtest {

PrivateHome::PrivateHome()
    : oldConfig_(qgetenv("XDG_CONFIG_HOME")),
      oldData_(qgetenv("XDG_DATA_HOME")),
      oldState_(qgetenv("XDG_STATE_HOME")) {
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (dir_.path() + "/data").toUtf8());
    qputenv("XDG_STATE_HOME", (dir_.path() + "/state").toUtf8());
}

PrivateHome::~PrivateHome() {
    qputenv("XDG_CONFIG_HOME", oldConfig_);
    qputenv("XDG_DATA_HOME", oldData_);
    qputenv("XDG_STATE_HOME", oldState_);
}

void PrivateHome::Reset() {
    QDir(dir_.path() + "/config").removeRecursively();
    QDir(dir_.path() + "/data").removeRecursively();
    QDir(dir_.path() + "/state").removeRecursively();
}

QString Python(const QString& script, const QStringList& args) {
    QProcess process;
    process.start("/usr/bin/python3", QStringList{"-c", script} + args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning() << "python failed:" << process.readAllStandardError();
        return "<failed>";
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QuietWindow::QuietWindow(bool untimed) : MainWindow(CMCIWnd::Options{"null", untimed}) {}

bool QuietWindow::AskExit(bool& again) {
    again = true;
    return true;
}

bool QuietWindow::Confirm(const QString& text, const QString&) {
    asked << text;
    return answerYes;
}

void QuietWindow::Inform(const QString& text, const QString&) {
    told << text;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString DataFile(const QString& name) {
    return QStringLiteral(TUNEMOSS_TEST_DATA "/") + name;
}

QString CopyData(const QString& name, const QString& dir, const QString& newName) {
    QString target = dir + "/" + (newName.isEmpty() ? QFileInfo(name).fileName() : newName);
    QDir().mkpath(QFileInfo(target).path());
    QFile::remove(target);
    QFile::copy(DataFile(name), target);
    return target;
}

}  // namespace qarvtest
