#pragma once
// The player as MPRIS2 shows it on the session bus
// (org.mpris.MediaPlayer2.Player): media keys, desktop widgets and playerctl
// play, pause, skip and seek through it and read what is playing.

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

class CMCIWnd;
class CPlayList;
class PlayerControl;

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPlay)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    MprisPlayer(QObject* host, const QDBusConnection& bus, PlayerControl& control, CMCIWnd& player,
                CPlayList& list);

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong Position() const;
    double Rate() const { return 1.0; }
    double Volume() const { return 1.0; }
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanSeek() const;
    bool CanControl() const { return true; }

public Q_SLOTS:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& track, qlonglong positionUs);

Q_SIGNALS:
    void Seeked(qlonglong positionUs);

private:
    // Tells the bus which properties changed (PropertiesChanged).
    void AnnounceChanges();

    QDBusConnection bus_;
    PlayerControl& control_;
    CMCIWnd& player_;
    CPlayList& list_;
    QVariantMap announced_;
};
