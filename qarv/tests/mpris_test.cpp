// qarv as an MPRIS2 player on a private session bus: what it says of the
// song, and the calls that media keys and playerctl make.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include "QarvTestSupport.h"
#include "qarv/MainWindow.h"
#include "qarv/Mpris.h"
#include "qarv/PlayerControl.h"

namespace {

const char* const kService = "org.mpris.MediaPlayer2.qarv";
const char* const kPath = "/org/mpris/MediaPlayer2";
const char* const kPlayer = "org.mpris.MediaPlayer2.Player";

}  // namespace

class MprisTest : public QObject {
    Q_OBJECT

private:
    QProcess bus_;
    QString address_;

    // The bus answers from this very thread, so calls are sent without
    // waiting (QDBusInterface would ask for the interface and block).
    bool Send(QDBusConnection& client, QDBusMessage message, QDBusMessage* answer = nullptr) {
        QDBusPendingCall call = client.asyncCall(message);
        if (!QTest::qWaitFor([&] { return call.isFinished(); }, 10000) || call.isError()) {
            qWarning() << message.member() << call.error().message();
            return false;
        }
        if (answer) {
            *answer = call.reply();
        }
        return true;
    }
    QVariant Get(QDBusConnection& client, const char* interface, const char* name) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            kService, kPath, "org.freedesktop.DBus.Properties", "Get");
        message << QString(interface) << QString(name);
        QDBusMessage answer;
        if (!Send(client, message, &answer) || answer.arguments().isEmpty()) {
            return {};
        }
        return qvariant_cast<QDBusVariant>(answer.arguments().front()).variant();
    }
    bool Call(QDBusConnection& client, const char* method, const QVariantList& args = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kPlayer, method);
        message.setArguments(args);
        return Send(client, message);
    }

    // Desktops find the player's desktop entry, and through it its icon and
    // its AppStream metadata, by the name the player gives; the entry
    // declares the types the player says it plays.
    void ExpectDesktopEntryMatches(const QString& entry, const QStringList& mimeTypes) {
        QFile desktop(QStringLiteral(TUNEMOSS_QARV_BUILD_DIR "/%1.desktop").arg(entry));
        QVERIFY2(desktop.open(QIODevice::ReadOnly), qPrintable(desktop.fileName()));
        QStringList declared;
        bool iconNamed = false;
        for (const QByteArray& line : desktop.readAll().split('\n')) {
            if (line.startsWith("MimeType=")) {
                declared = QString::fromUtf8(line.mid(9)).split(';', Qt::SkipEmptyParts);
            }
            iconNamed = iconNamed || line == "Icon=" + entry.toUtf8();
        }
        QCOMPARE(declared, mimeTypes);
        QVERIFY2(iconNamed, "the icon is named by the application's id");
        QFile metainfo(QStringLiteral(TUNEMOSS_QARV_BUILD_DIR "/%1.metainfo.xml").arg(entry));
        QVERIFY2(metainfo.open(QIODevice::ReadOnly), qPrintable(metainfo.fileName()));
        const QByteArray xml = metainfo.readAll();
        QVERIFY(xml.contains("<id>" + entry.toUtf8() + "</id>"));
        QVERIFY(xml.contains("<launchable type=\"desktop-id\">" + entry.toUtf8() + ".desktop<"));
        QVERIFY(xml.contains("<dbus type=\"user\">" + QByteArray(kService) + "</dbus>"));
    }

private slots:
    void initTestCase() {
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!bus_.waitForStarted(60000)) {
            QSKIP("dbus-daemon is not installed");
        }
        QVERIFY(bus_.waitForReadyRead(60000));
        address_ = QString::fromUtf8(bus_.readLine()).trimmed();
        QVERIFY(!address_.isEmpty());
    }
    void cleanupTestCase() {
        bus_.kill();
        bus_.waitForFinished();
    }

    void mediaKeysAndWhatIsPlaying() {
        qarvtest::PrivateHome home;
        QDBusConnection service = QDBusConnection::connectToBus(address_, "qarv");
        QDBusConnection client = QDBusConnection::connectToBus(address_, "client");
        QVERIFY(service.isConnected() && client.isConnected());
        MainWindow window(CMCIWnd::Options{"null", false});
        QVERIFY(StartMpris(window, service));
        window.List().Add(0, "Nina", "Blue", "Two",
                          qarvtest::DataFile("player/two_seconds.mp3").toStdString());
        window.List().Add(1, "Tom", "Red", "One",
                          qarvtest::DataFile("player/one_second.ogg").toStdString());

        QCOMPARE(Get(client, "org.mpris.MediaPlayer2", "Identity").toString(), QString("Tunemoss"));
        ExpectDesktopEntryMatches(
            Get(client, "org.mpris.MediaPlayer2", "DesktopEntry").toString(),
            Get(client, "org.mpris.MediaPlayer2", "SupportedMimeTypes").toStringList());
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(Get(client, kPlayer, "PlaybackStatus").toString(), QString("Stopped"));

        QVERIFY(Call(client, "PlayPause"));
        QTRY_COMPARE(window.Control().Mode(), CMCIWnd::modePlaying);
        QCOMPARE(Get(client, kPlayer, "PlaybackStatus").toString(), QString("Playing"));
        QVariantMap metadata = qdbus_cast<QVariantMap>(Get(client, kPlayer, "Metadata"));
        QCOMPARE(metadata.value("xesam:title").toString(), QString("Two"));
        QCOMPARE(metadata.value("xesam:album").toString(), QString("Blue"));
        QCOMPARE(metadata.value("xesam:artist").toStringList(), QStringList{"Nina"});
        QVERIFY(metadata.value("mpris:length").toLongLong() >= 1900000);

        QVERIFY(Call(client, "Seek", {qlonglong(1000000)}));
        QTRY_VERIFY(window.Player().GetPosition() >= 1000);
        QVERIFY(Call(client, "Pause"));
        QTRY_COMPARE(window.Control().Mode(), CMCIWnd::modePaused);
        QCOMPARE(Get(client, kPlayer, "PlaybackStatus").toString(), QString("Paused"));
        QVERIFY(Call(client, "Next"));
        QTRY_COMPARE(window.List().GetPlayerCurrentIndex(), 1);
        QTRY_COMPARE(window.Control().Mode(), CMCIWnd::modePlaying);
        QVERIFY(Call(client, "Previous"));
        QTRY_COMPARE(window.List().GetPlayerCurrentIndex(), 0);
        QVERIFY(Call(client, "Stop"));
        QTRY_COMPARE(Get(client, kPlayer, "PlaybackStatus").toString(), QString("Stopped"));
        window.EndSession();
    }
};

QTEST_MAIN(MprisTest)
#include "mpris_test.moc"
