#include "ScenePicture.h"

#include <QMouseEvent>

ScenePicture::ScenePicture(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ScenePicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressed = event->position().toPoint();
    QLabel::mousePressEvent(event);
}

void ScenePicture::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<QPoint> pressed = m_pressed;
    m_pressed.reset();
    if (event->button() == Qt::LeftButton && pressed && rect().contains(event->position().toPoint()))
        emit clicked(*pressed);
    QLabel::mouseReleaseEvent(event);
}
