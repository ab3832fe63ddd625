#pragma once
// Nine-grid drawing, the way a style's images are fitted to a part of any size: the
// sizing margins cut the image into four corners, four edges and a centre; the corners
// are drawn 1:1, the edges and the centre stretched (or tiled) to fill the rest. Where
// the target is smaller than two margins together, both are scaled down in proportion;
// margins beyond the image itself are held to it.

#include "StyleIni.h"

#include <QImage>
#include <QList>
#include <QRect>

class QPainter;

namespace NineGrid {

enum class Sizing { Stretch, Tile, TrueSize };

struct Cell {
    QRect source;
    QRect target;
    bool corner = false;
    bool centre = false;
};

// The margins that fit an image of size: none negative, left + right at most its width,
// top + bottom at most its height (scaled down in proportion where they are more).
StyleValue::Margins sourceMargins(const QSize& image, const StyleValue::Margins& margins);
// The margins on a target of size, from the source margins: as they are, or scaled down
// in proportion where two together are more than the target.
StyleValue::Margins targetMargins(const QSize& target, const StyleValue::Margins& margins);

// The cells of an image of size drawn into target: those with something to draw, corners
// first. Empty when the image or the target is empty.
QList<Cell> cells(const QSize& image, const QRect& target, const StyleValue::Margins& margins);

// Draws the image into target: nine-grid for Stretch and Tile (the centre left out for
// borderOnly), at its own size and centred for TrueSize (scaled down only where it does
// not fit). Draws with the image's alpha; nothing is smoothed, so every pixel drawn is
// one of the image's.
void draw(QPainter& painter, const QImage& image, const QRect& target, const StyleValue::Margins& margins,
          Sizing sizing, bool borderOnly);

} // namespace NineGrid
