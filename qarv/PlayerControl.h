#pragma once
// PlayerControl: plays the play list through the player and keeps the texts
// and states that the buttons, menus and status panes show. It holds no
// widget, so the whole state machine runs (and is tested) without a window.
//
// The player wakes it from libmpv's threads; the wakeup only queues a drain
// on this object's (the GUI) thread, where every listener call arrives.

#include <QObject>
#include <QString>
#include <QTimer>

#include "qarv/PlayerList.h"
#include "songcore/player/MCIWnd.h"

class PlayerControl : public QObject, private CMCIWndListener {
    Q_OBJECT
public:
    PlayerControl(CMCIWnd& player, PlayerList& list, QObject* parent = nullptr);
    ~PlayerControl() override;

    // Commands.
    void PlayNext();
    void PlayPause();
    void Stop();
    void ToggleRepeat();
    // A double-click on a play list row (or Enter): plays the first
    // selected row.
    void PlaySelected();
    // Next (+1) or previous (-1) row, from a media key: plays it.
    void Skip(int rows);
    // The position slider was moved to second seconds.
    void SeekTo(int second);
    // The slider is being dragged to second seconds: the position text
    // shows where the song would go, until SeekTo ends the drag.
    void PreviewSeek(int second);

    // State for the controls.
    long Mode() const { return mode_; }
    bool IsRepeat() const { return player_.GetRepeat() != 0; }
    bool CanPlayCommand() const { return list_.GetItemCount() > 0; }
    bool CanStopCommand() const {
        return mode_ == CMCIWnd::modePlaying || mode_ == CMCIWnd::modePaused;
    }
    QString PlayButtonText() const;
    QString PlayMenuText() const;
    QString TrayPlayText() const;
    QString RepeatButtonText() const;
    QString StatusText() const { return status_; }
    QString PositionText() const { return position_; }
    int SliderMaximum() const { return sliderMaximum_; }
    int SliderValue() const { return sliderValue_; }
    // Shows "%s - %s" when the current row is retitled while it plays.
    void SetStatusText(const QString& text);

    static QString WelcomeText();
    static QString ZeroPositionText() { return QStringLiteral("00:00/00:00"); }

signals:
    void statusTextChanged(const QString& text);
    void positionTextChanged(const QString& text);
    void sliderRangeChanged(int maximum);
    void sliderValueChanged(int value);
    // Mode or repeat changed: the command states are to be refreshed.
    void stateChanged();

private:
    void OnModeChange(long mode) override;
    void OnPositionChange(long position, long length) override;
    void SetPositionText(const QString& text);
    void SetSlider(int value);
    void Drain();

    CMCIWnd& player_;
    PlayerList& list_;
    long mode_ = CMCIWnd::modeStopped;
    QString nowPlaying_;
    QString status_;
    QString position_;
    bool previewing_ = false;  // the slider is held: the player does not set the text
    int sliderMaximum_ = 0;
    int sliderValue_ = 0;
    // Position notices also come while nothing wakes the player.
    QTimer inactiveTimer_;
    bool drainQueued_ = false;
};
