#include "qarv/MprisPlayer.h"

#include <QDBusMessage>
#include <QUrl>
#include <algorithm>

#include "qarv/PlayerControl.h"
#include "songcore/player/MCIWnd.h"
#include "songcore/views/PlayList.h"

namespace {

const char* const kObjectPath = "/org/mpris/MediaPlayer2";

QDBusObjectPath TrackId(int row) {
    return QDBusObjectPath(row >= 0 ? QStringLiteral("/org/tunemoss/qarv/Track/%1").arg(row)
                                    : QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

}  // namespace

MprisPlayer::MprisPlayer(QObject* host, const QDBusConnection& bus, PlayerControl& control,
                         CMCIWnd& player, CPlayList& list)
    : QDBusAbstractAdaptor(host), bus_(bus), control_(control), player_(player), list_(list) {
    setAutoRelaySignals(true);
    connect(&control_, &PlayerControl::stateChanged, this, &MprisPlayer::AnnounceChanges);
    connect(&control_, &PlayerControl::statusTextChanged, this, &MprisPlayer::AnnounceChanges);
}

QString MprisPlayer::PlaybackStatus() const {
    switch (control_.Mode()) {
        case CMCIWnd::modePlaying:
            return QStringLiteral("Playing");
        case CMCIWnd::modePaused:
            return QStringLiteral("Paused");
        default:
            return QStringLiteral("Stopped");
    }
}

QVariantMap MprisPlayer::Metadata() const {
    QVariantMap data;
    const int row = control_.CanStopCommand() ? list_.GetPlayerCurrentIndex() : -1;
    data.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(row)));
    if (row < 0) {
        return data;
    }
    data.insert(QStringLiteral("xesam:title"),
                QString::fromStdString(list_.GetPlayerCurrentTitle()));
    data.insert(QStringLiteral("xesam:artist"),
                QStringList{QString::fromStdString(list_.GetPlayerCurrentArtist())});
    data.insert(QStringLiteral("xesam:album"),
                QString::fromStdString(list_.GetPlayerCurrentAblum()));
    data.insert(
        QStringLiteral("xesam:url"),
        QUrl::fromLocalFile(QString::fromStdString(list_.GetPlayerCurrentSong())).toString());
    data.insert(QStringLiteral("mpris:length"), qlonglong(player_.GetLength()) * 1000);
    return data;
}

qlonglong MprisPlayer::Position() const {
    return control_.CanStopCommand() ? qlonglong(player_.GetPosition()) * 1000 : 0;
}

bool MprisPlayer::CanGoNext() const {
    return list_.GetItemCount() > 0;
}

bool MprisPlayer::CanGoPrevious() const {
    return list_.GetItemCount() > 0;
}

bool MprisPlayer::CanPlay() const {
    return control_.CanPlayCommand();
}

bool MprisPlayer::CanSeek() const {
    return control_.CanStopCommand();
}

void MprisPlayer::Play() {
    if (control_.Mode() != CMCIWnd::modePlaying) {
        control_.PlayPause();
    }
}

void MprisPlayer::Pause() {
    if (control_.Mode() == CMCIWnd::modePlaying) {
        control_.PlayPause();
    }
}

void MprisPlayer::PlayPause() {
    control_.PlayPause();
}

void MprisPlayer::Stop() {
    control_.Stop();
}

void MprisPlayer::Next() {
    control_.Skip(1);
}

void MprisPlayer::Previous() {
    control_.Skip(-1);
}

void MprisPlayer::Seek(qlonglong offsetUs) {
    const qlonglong target = std::max<qlonglong>(0, Position() + offsetUs);
    // Past the end is the next song, as the interface says.
    if (target / 1000 > player_.GetLength()) {
        Next();
        return;
    }
    control_.SeekTo(static_cast<int>(target / 1000000));
    Q_EMIT Seeked(Position());
}

void MprisPlayer::SetPosition(const QDBusObjectPath& track, qlonglong positionUs) {
    const int row = control_.CanStopCommand() ? list_.GetPlayerCurrentIndex() : -1;
    if (track != TrackId(row) || positionUs < 0 || positionUs / 1000 > player_.GetLength()) {
        return;
    }
    control_.SeekTo(static_cast<int>(positionUs / 1000000));
    Q_EMIT Seeked(Position());
}

void MprisPlayer::AnnounceChanges() {
    QVariantMap now{{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
                    {QStringLiteral("Metadata"), Metadata()},
                    {QStringLiteral("CanPlay"), CanPlay()},
                    {QStringLiteral("CanPause"), CanPlay()},
                    {QStringLiteral("CanSeek"), CanSeek()},
                    {QStringLiteral("CanGoNext"), CanGoNext()},
                    {QStringLiteral("CanGoPrevious"), CanGoPrevious()}};
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (announced_.value(it.key()) != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    announced_ = now;
    if (changed.isEmpty()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus_.send(signal);
}
