#include "qarv/Mpris.h"

#include <QCoreApplication>

#include "qarv/MainWindow.h"
#include "qarv/MprisPlayer.h"
#include "qarv/MprisRoot.h"

bool StartMpris(MainWindow& window, QDBusConnection bus) {
    if (!bus.isConnected()) {
        return false;
    }
    // The adaptors live on a host object that the window owns.
    auto* host = new QObject(&window);
    new MprisRoot(host, window);
    new MprisPlayer(host, bus, window.Control(), window.Player(), window.List());
    if (!bus.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), host)) {
        delete host;
        return false;
    }
    // A second player of the same user (other settings) takes its own name.
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.qarv");
    return bus.registerService(name) ||
           bus.registerService(
               QStringLiteral("%1.instance%2").arg(name).arg(QCoreApplication::applicationPid()));
}
