#pragma once
// Small makers of the controls the auxiliary windows place by hand.

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace WindowControls {

// A plain-text label that wraps its words, aligned top left.
template <typename Label = QLabel>
Label* textLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new Label(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

// A named push button with its tool tip.
inline QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QString& tip,
                           const QRect& geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setGeometry(geometry);
    return b;
}

// Sets a fading window's opacity (alpha 0 to 255) and makes it reach the window system
// now: the X server would otherwise get the change only with the next input, so a fade
// driven by a timer would show nothing, then every step at once.
inline void setOpacityNow(QWidget* window, int alpha) {
    window->setWindowOpacity(alpha / 255.0);
    QGuiApplication::sync();
}

} // namespace WindowControls
