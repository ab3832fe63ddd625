#pragma once
// The pictures stored with the splash and first-run windows, drawn rather than shipped
// as image files: a stack of window panes in the blue and silver of the styles the
// program manages.

#include <QPixmap>
#include <QSize>

namespace WindowPanes {

// The splash window's backdrop, the whole window.
QPixmap splashBackdrop(const QSize& size);

// The first-run window's picture at the left edge.
QPixmap welcomePicture(const QSize& size);

} // namespace WindowPanes
