// qarv as the desktop session sees it: one instance per user that takes the
// files of a second start, SIGTERM saving as a normal exit does, and the
// song tree and play list saved shortly after each change.
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>
#include <csignal>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/SignalNotifier.h"
#include "qarv/SingleInstance.h"
#include "songcore/views/PlayList.h"

namespace {

std::vector<std::string> SavedPlayList() {
    CPlayList list;
    list.LoadPlayList(CPlayList::GetDefaultPlayListFile().c_str());
    std::vector<std::string> files;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        files.push_back(list.GetFile(row));
    }
    return files;
}

bool InstanceListening() {
    QLocalSocket probe;
    probe.connectToServer(SingleInstance::DefaultName());
    bool up = probe.waitForConnected(200);
    probe.abort();
    return up;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void secondStartHandsOverAndSigtermSaves() {
        qarvtest::PrivateHome home;
        QTemporaryDir dir;
        QString song = qarvtest::CopyData("files/silence.mp3", dir.path(), "handed over.mp3");
        QProcess first;
        first.setProcessChannelMode(QProcess::ForwardedChannels);
        first.start(TUNEMOSS_QARV_PATH, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(InstanceListening(), 60000);

        QProcess second;
        second.start(TUNEMOSS_QARV_PATH, {song});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        // The first took the song: its list is saved soon after the change.
        const std::vector<std::string> expected{song.toStdString()};
        QTRY_VERIFY_WITH_TIMEOUT(SavedPlayList() == expected, 60000);

        // As at logout: the first ends on SIGTERM, and saves what it has.
        QVERIFY(QFile::remove(QString::fromStdString(CPlayList::GetDefaultPlayListFile())));
        first.terminate();
        QVERIFY(first.waitForFinished(60000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(SavedPlayList(), expected);
        QVERIFY(!InstanceListening());
    }

    void handOverReachesTheRunningInstance() {
        SingleInstance running(
            QStringLiteral("tunemoss-test-%1").arg(QCoreApplication::applicationPid()));
        QStringList received;
        QVERIFY(running.Listen([&](const QStringList& paths) { received = paths; }));
        SingleInstance later(
            QStringLiteral("tunemoss-test-%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(later.HandOver({"relative.mp3", "/abs/Été.flac"}));
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received[0], QDir::current().absoluteFilePath("relative.mp3"));
        QCOMPARE(received[1], QString("/abs/Été.flac"));
        QVERIFY(!SingleInstance("tunemoss-test-nobody").HandOver({}));
    }

    void signalsBecomeAQuitRequest() {
        SignalNotifier notifier;
        QSignalSpy spy(&notifier, &SignalNotifier::quitRequested);
        std::raise(SIGTERM);
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toInt(), SIGTERM);
    }

    void changesAreSavedSoonAfter() {
        qarvtest::PrivateHome home;
        MainWindow window(CMCIWnd::Options{"null", true});
        window.List().Add(0, "A", "B", "T", "/m/saved.mp3");
        QTRY_VERIFY_WITH_TIMEOUT(SavedPlayList() == std::vector<std::string>{"/m/saved.mp3"},
                                 MainWindow::kAutosaveDelayMs * 4);
        window.EndSession();
    }
};

QTEST_MAIN(SessionTest)
#include "session_test.moc"
