#pragma once
// Small makers of the controls the auxiliary windows place by hand.

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

} // namespace WindowControls
