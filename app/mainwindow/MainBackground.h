#pragma once
// The main window's background picture, drawn by the program itself so no binary artwork
// has to travel with the sources.

class QPainter;

namespace MainBackground {

// Paints the 600 x 399 background of the main window's client area. It is painted when
// the area is, rather than kept as a picture: a kept one costs a megabyte for the
// program's whole life.
void paint(QPainter& p);

} // namespace MainBackground
