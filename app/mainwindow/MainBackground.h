#pragma once
// The main window's background picture, drawn by the program itself so no binary artwork
// has to travel with the sources.

#include <QtGlobal>

class QPainter;
class QSize;

namespace MainBackground {

// Paints the background of the main window's client area of the given size, its lower
// rule (closing the list and preview area above the commands) at lowerRule. It is painted
// when the area is, rather than kept as a picture: a kept one costs a megabyte for the
// program's whole life.
void paint(QPainter& p, const QSize& size, qreal lowerRule);

} // namespace MainBackground
