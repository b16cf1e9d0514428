#pragma once
// The program as MPRIS2 names it on the session bus (org.mpris.MediaPlayer2):
// its name, its desktop entry, and raising or quitting it.

#include <QDBusAbstractAdaptor>
#include <QStringList>

class QWidget;

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    MprisRoot(QObject* host, QWidget& window);

    QString Identity() const;
    QString DesktopEntry() const;
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public Q_SLOTS:
    void Raise();
    void Quit();

private:
    QWidget& window_;
};
