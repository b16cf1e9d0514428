#include "qarv/SeekSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    connect(this, &QSlider::sliderReleased, this, [this] { Q_EMIT seekRequested(value()); });
}

void SeekSlider::ShowPosition(int value) {
    if (!isSliderDown()) {
        setValue(value);
    }
}

void SeekSlider::mousePressEvent(QMouseEvent* event) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (event->button() != Qt::LeftButton || handle.contains(event->position().toPoint()) ||
        maximum() <= minimum()) {
        QSlider::mousePressEvent(event);
        return;
    }
    const int span = width() - handle.width();
    const int at = static_cast<int>(event->position().x()) - handle.width() / 2;
    const int target = QStyle::sliderValueFromPosition(minimum(), maximum(), at, span);
    setValue(target);
    Q_EMIT seekRequested(target);
    event->accept();
}
