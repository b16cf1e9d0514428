#pragma once
// The position slider of the player: it follows the song, and a click or a
// drag moves the song (a click jumps to where it lands, as in every media
// player, rather than a page at a time).

#include <QSlider>

class SeekSlider : public QSlider {
    Q_OBJECT
public:
    explicit SeekSlider(QWidget* parent = nullptr);
    // The player's position; ignored while the user holds the handle.
    void ShowPosition(int value);

Q_SIGNALS:
    void seekRequested(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
