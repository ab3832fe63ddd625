#pragma once
// A picture at its own size, without a border, that says where it was clicked: the
// preview scene of the Appearance window, whose elements select the items they show.

#include <QLabel>
#include <QPoint>

#include <optional>

class ScenePicture : public QLabel {
    Q_OBJECT
public:
    explicit ScenePicture(QWidget* parent = nullptr);

signals:
    // A press and release of the left button inside the picture, at the press.
    void clicked(const QPoint& point);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<QPoint> m_pressed;
};
