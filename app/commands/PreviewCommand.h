#pragma once
// The preview of an installed style drawn from its style file, for the main window's
// preview area and for --preview: the file read once, the colour scheme and size the user
// named (by name or display name; the style's own when none is named). Asks nothing and
// shows nothing.

#include <QImage>
#include <QString>

class StyleFile;

namespace appearance {
struct ClassicLook;
}

namespace PreviewCommand {

struct Drawn {
    QImage image;  // null when the style cannot be drawn
    QString error; // why not, as a sentence that names the style
};

// The style's preview; themes is the themes directory (a Windows folder text ending in a
// backslash), style an installed style's folder name.
Drawn draw(const QString& themes, const QString& style, const QString& colorScheme = QString(),
           const QString& size = QString());
// The preview of a style file already read, in the colour scheme and size of those indices.
Drawn draw(const StyleFile& file, const QString& style, int colorIndex, int sizeIndex);
// The scene of a classic look (a colour scheme, the desktop's colours, items being
// edited); subject names it in the error ("The classic look in the colour scheme Brick").
Drawn draw(const appearance::ClassicLook& look, const QString& subject);

} // namespace PreviewCommand
