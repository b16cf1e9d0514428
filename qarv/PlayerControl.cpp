#include "qarv/PlayerControl.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <climits>

#include "qarv/AppInfo.h"
#include "songcore/player/PlayerPosition.h"

PlayerControl::PlayerControl(CMCIWnd& player, PlayerList& list, QObject* parent)
    : QObject(parent),
      player_(player),
      list_(list),
      status_(WelcomeText()),
      position_(ZeroPositionText()) {
    player_.SetListener(this);
    // Called on libmpv's threads: only queue a drain. A queued call to an
    // object that is gone is dropped by Qt, and the destructor removes the
    // hook before this object goes.
    player_.SetWakeupHook(
        [this] { QMetaObject::invokeMethod(this, &PlayerControl::Drain, Qt::QueuedConnection); });
    inactiveTimer_.setInterval(1000);
    connect(&inactiveTimer_, &QTimer::timeout, this, [this] { player_.ProcessEvents(); });
    inactiveTimer_.start();
}

PlayerControl::~PlayerControl() {
    player_.SetWakeupHook(nullptr);
    player_.SetListener(nullptr);
}

QString PlayerControl::WelcomeText() {
    return QStringLiteral("Welcome to use \"%1\"!").arg(AppInfo::NameWithVersion());
}

void PlayerControl::Drain() {
    player_.ProcessEvents();
}

void PlayerControl::SetStatusText(const QString& text) {
    if (status_ != text) {
        status_ = text;
        emit statusTextChanged(text);
    }
}

void PlayerControl::SetPositionText(const QString& text) {
    if (position_ != text) {
        position_ = text;
        emit positionTextChanged(text);
    }
}

void PlayerControl::SetSlider(int value) {
    if (sliderValue_ != value) {
        sliderValue_ = value;
        emit sliderValueChanged(value);
    }
}

void PlayerControl::PlayNext() {
    const int count = list_.GetItemCount();
    QString failure;
    // A song that cannot be played is told of and the next row tried; each
    // row at most once, so a list of broken songs ends (repeat or not).
    for (int attempt = 0; attempt < count; ++attempt) {
        if (list_.GetPlayerCurrentIndex() >= count - 1) {
            if (!player_.GetRepeat()) {
                break;
            }
            list_.SetPlayerCurrentIndex(-1);
        }
        std::string file = list_.GetPlayerNextSong();
        if (file.empty()) {
            break;
        }
        QString artist = QString::fromStdString(list_.GetPlayerCurrentArtist());
        QString title = QString::fromStdString(list_.GetPlayerCurrentTitle());
        nowPlaying_ = artist.isEmpty() ? title : QStringLiteral("%1 - %2").arg(artist, title);

        player_.Close();
        SetStatusText(QStringLiteral("Open ..."));
        if (player_.Open(file.c_str(), 0) == 0 && player_.CanPlay()) {
            player_.Play();
            sliderMaximum_ = static_cast<int>(std::min<long>(player_.GetLength() / 1000, INT_MAX));
            emit sliderRangeChanged(sliderMaximum_);
            emit stateChanged();
            return;
        }
        std::string reason;
        const long error = player_.GetError(reason, 1000);
        failure = tr("Cannot play %1: %2")
                      .arg(QFileInfo(QString::fromStdString(file)).fileName(),
                           QString::fromStdString(reason));
        SetStatusText(failure);
        // Without an audio output the next song would fail the same way.
        if (error == CMCIWnd::errNoAudioOutput) {
            break;
        }
        if (attempt == count - 1 && count > 1) {
            SetStatusText(tr("No song of the play list can be played (%1)").arg(failure));
        }
    }
    emit stateChanged();
}

void PlayerControl::PlayPause() {
    if (mode_ == CMCIWnd::modePlaying) {
        player_.Pause();
    } else if (mode_ == CMCIWnd::modePaused) {
        player_.Resume();
    } else {
        int first = list_.GetFirstSelectedRow();
        list_.SetPlayerCurrentIndex(first >= 0 ? first - 1 : -1);
        PlayNext();
    }
    emit stateChanged();
}

void PlayerControl::Stop() {
    if (player_.CanPlay() && mode_ != CMCIWnd::modeStopped) {
        player_.Stop();
        player_.Close();
        SetStatusText(QString());
        // With no song there is no length to show.
        SetPositionText(ZeroPositionText());
        SetSlider(0);
    }
    emit stateChanged();
}

void PlayerControl::Skip(int rows) {
    const int count = list_.GetItemCount();
    if (count == 0) {
        return;
    }
    int current = list_.GetPlayerCurrentIndex();
    if (current < 0) {
        current = rows > 0 ? -1 : 0;
    }
    // PlayNext plays the row after the cursor.
    const int target = ((current + rows) % count + count) % count;
    Stop();
    list_.SetPlayerCurrentIndex(target - 1);
    PlayNext();
}

void PlayerControl::PreviewSeek(int second) {
    if (mode_ != CMCIWnd::modePlaying && mode_ != CMCIWnd::modePaused) {
        return;
    }
    previewing_ = true;
    SetPositionText(QString::fromStdString(
        songcore::FormatPlayerPosition(static_cast<long>(second) * 1000, player_.GetLength())));
}

void PlayerControl::SeekTo(int second) {
    previewing_ = false;
    if (mode_ != CMCIWnd::modePlaying && mode_ != CMCIWnd::modePaused) {
        return;
    }
    if (player_.MoveTo(static_cast<long>(second) * 1000) == 0) {
        SetSlider(second);
        SetPositionText(QString::fromStdString(
            songcore::FormatPlayerPosition(static_cast<long>(second) * 1000, player_.GetLength())));
    }
}

void PlayerControl::ToggleRepeat() {
    player_.SetRepeat(!player_.GetRepeat());
    emit stateChanged();
}

void PlayerControl::PlaySelected() {
    int row = list_.GetFirstSelectedRow();
    if (row < 0) {
        return;
    }
    Stop();
    list_.SetPlayerCurrentIndex(row - 1);
    PlayNext();
}

void PlayerControl::OnModeChange(long mode) {
    mode_ = mode;
    if (mode == CMCIWnd::modeStopped) {
        std::string reason;
        // Without an audio output no song can play: say so and stop here.
        if (player_.GetError(reason, 1000) == CMCIWnd::errNoAudioOutput) {
            std::string file;
            player_.GetFileName(file, 1000);
            player_.Close();
            SetPositionText(ZeroPositionText());
            SetSlider(0);
            SetStatusText(tr("Cannot play %1: %2")
                              .arg(QFileInfo(QString::fromStdString(file)).fileName(),
                                   QString::fromStdString(reason)));
            emit stateChanged();
            return;
        }
        if (!player_.GetRepeat()) {
            player_.Close();
            SetStatusText(QString());
        }
        SetPositionText(ZeroPositionText());
        SetSlider(0);
        PlayNext();
    } else if (mode == CMCIWnd::modePlaying) {
        SetStatusText(nowPlaying_);
    }
    emit stateChanged();
}

void PlayerControl::OnPositionChange(long position, long length) {
    if (!previewing_) {
        SetPositionText(QString::fromStdString(songcore::FormatPlayerPosition(position, length)));
    }
    SetSlider(static_cast<int>(std::min<long>(position / 1000, INT_MAX)));
}

QString PlayerControl::PlayButtonText() const {
    return mode_ == CMCIWnd::modePlaying ? QStringLiteral("Pause") : QStringLiteral("Play");
}

QString PlayerControl::PlayMenuText() const {
    return mode_ == CMCIWnd::modePlaying ? QStringLiteral("&Pause\tCtrl+P")
                                         : QStringLiteral("&Play\tCtrl+P");
}

QString PlayerControl::TrayPlayText() const {
    return mode_ == CMCIWnd::modePlaying ? QStringLiteral("&Pause") : QStringLiteral("&Play");
}

QString PlayerControl::RepeatButtonText() const {
    return IsRepeat() ? QStringLiteral("Unrepeat") : QStringLiteral("Repeat");
}
