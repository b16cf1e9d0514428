#pragma once
// Puts qarv on the session bus as an MPRIS2 media player
// (org.mpris.MediaPlayer2.qarv), so media keys and desktop widgets reach it.

#include <QDBusConnection>

class MainWindow;

// False when there is no bus or the object cannot be registered; the
// program works on without it.
bool StartMpris(MainWindow& window, QDBusConnection bus = QDBusConnection::sessionBus());
