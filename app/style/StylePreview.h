#pragma once
// The preview of a style drawn from its file alone: on the style's desktop colour, an
// active window with its caption ("Active Window", in the caption font and colour, aligned
// as the style says), left, right and bottom frame, minimise, maximise and close buttons,
// and a client area in the window colour holding "Window Text", a push button "OK" in the
// defaulted state, a normal one "Cancel", and a vertical scroll bar (arrows, track, thumb).
//
// A style that cannot be drawn (its file unreadable, no INI data for the colour scheme
// and size, no window caption image) gives no picture and says why; a part the style
// gives no image for is drawn plainly in its system colour.

#include <QImage>
#include <QRect>
#include <QString>

class StyleFile;

namespace StylePreview {

// The size of the picture in the main window's preview area (and of --preview's file).
constexpr QSize kSize(411, 281);

// Where each part was drawn.
struct Scene {
    QRect window;
    QRect caption;
    QRect captionText;
    QRect frameLeft;
    QRect frameRight;
    QRect frameBottom;
    QRect minButton;
    QRect maxButton;
    QRect closeButton;
    QRect client;
    QRect scrollBar;
    QRect upArrow;
    QRect downArrow;
    QRect thumb;
    QRect okButton;
    QRect cancelButton;
};

struct Result {
    QImage image; // Format_RGB32; null when the style cannot be drawn
    Scene scene;
    QString error; // why it cannot be drawn, to follow "cannot be previewed: "
};

// Draws colour scheme colorIndex in size sizeIndex (0 and 0 are the style's defaults) at
// the given size, held within 240 x 160 and 2048 x 2048. Text is drawn only where a
// QGuiApplication exists.
Result render(const StyleFile& file, int colorIndex = 0, int sizeIndex = 0, const QSize& size = kSize);

} // namespace StylePreview
