#pragma once
// One part of a style drawn as the style says: its properties looked up through the INI
// data's fallback order, the image of its state cut out of the part's bitmap, fitted
// into place nine-grid, its glyph and its text on top.
//
// Which image, as Wine's theme service chooses it: ImageSelectType Dpi picks
// ImageFile<n> for the highest MinDpi<n> (n = 7 down to 1) of at most 96, Size the largest
// ImageFile<n> whose MinSize<n> (else its own image's size) fits the part; where they pick
// none, ImageFile1. A part's background is its ImageFile where the part has an image
// glyph (GlyphType ImageGlyph: the numbered files are then the glyph's sizes), else the
// file picked, else ImageFile; a glyph is the file picked, else GlyphImageFile. Which
// part of it: image min(ImageCount, state) - 1 of ImageCount laid out vertically (or
// horizontally). Which pixels show: the image's own alpha where it has one, else all but
// TransparentColor (GlyphTransparentColor for a glyph; magenta unless given) where
// Transparent (GlyphTransparent) is true, else all.
//
// A painter decodes each bitmap once and at most kPixelBudget pixels in all: what a
// hostile file asks beyond that is simply not drawn.

#include "NineGrid.h"
#include "StyleBitmap.h"
#include "StyleIni.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class QPainter;
class StyleFile;

struct PartState {
    QString className;
    QString part;
    QString stateName; // as the INI data names the state ("Pressed"); empty for none
    int state = 1;     // its number, which picks the image
};

class PartPainter {
public:
    static constexpr qint64 kPixelBudget = 8ll * 1024 * 1024;
    // Drawing is at 96 dots per inch.
    static constexpr int kDpi = 96;

    PartPainter(const StyleFile& file, const StyleIni& ini);

    const StyleIni& ini() const { return m_ini; }

    std::optional<QString> property(const PartState& part, QStringView name) const;
    std::optional<QColor> color(const PartState& part, QStringView name) const;
    std::optional<int> integer(const PartState& part, QStringView name) const;
    bool flag(const PartState& part, QStringView name) const;
    StyleValue::Margins margins(const PartState& part, QStringView name) const;
    std::optional<StyleValue::Font> font(const PartState& part, QStringView name) const;

    // The image of the part's background in its state, with its transparency applied;
    // null when the style has none that can be read. target is the part's size, which
    // may choose among images.
    QImage background(const PartState& part, const QSize& target = QSize());
    QImage glyph(const PartState& part, const QSize& target = QSize());

    // Draws the part's background into rect; false when the style gives nothing to draw.
    bool drawBackground(QPainter& painter, const PartState& part, const QRect& rect);
    // Draws the part's image glyph (GlyphType ImageGlyph) at its own size in rect, placed
    // by HAlign and VAlign (centred unless they say otherwise), the part's size choosing
    // among its images; nothing for other glyph types.
    void drawGlyph(QPainter& painter, const PartState& part, const QRect& rect);
    // The rect inside the part's ContentMargins.
    QRect contentRect(const PartState& part, const QRect& rect) const;
    // Text in the part's TextColor (else fallback), elided to fit.
    void drawText(QPainter& painter, const PartState& part, const QRect& rect, const QString& text,
                  const QFont& font, const QColor& fallback, Qt::Alignment alignment) const;

    // The image file the part uses for a part of size target, as the INI data names it.
    std::optional<QString> imageFile(const PartState& part, bool glyph, const QSize& target);

private:
    // A file property that names something.
    std::optional<QString> named(const PartState& part, QStringView name) const;
    // Where image state of ImageCount lies in a bitmap of size whole.
    QRect frameOf(const PartState& part, const QSize& whole, int state) const;
    QImage stateImage(const PartState& part, bool glyph, const QSize& target);
    QImage cutStateImage(const PartState& part, bool glyph, const QSize& target);
    const StyleBitmap* loadBitmap(const QString& iniPath);

    const StyleFile& m_file;
    const StyleIni& m_ini;
    QHash<QString, std::optional<StyleBitmap>> m_bitmaps;
    QHash<QString, QImage> m_images;
    qint64 m_pixelsLeft = kPixelBudget;
};
