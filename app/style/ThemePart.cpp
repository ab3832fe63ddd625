#include "ThemePart.h"

#include "ClassicPainter.h"
#include "StyleFile.h"

#include <QPainter>

namespace {

QString lower(const std::optional<QString>& value) {
    return value ? value->trimmed().toLower() : QString();
}

QString numbered(const char* name, int n) {
    return QLatin1String(name) + QString::number(n);
}

const QColor kMagenta(255, 0, 255);

} // namespace

PartPainter::PartPainter(const StyleFile& file, const StyleIni& ini) : m_file(file), m_ini(ini) {}

std::optional<QString> PartPainter::property(const PartState& part, QStringView name) const {
    return m_ini.lookup(part.className, part.part, part.stateName, name);
}

std::optional<QColor> PartPainter::color(const PartState& part, QStringView name) const {
    const auto value = property(part, name);
    return value ? StyleValue::color(*value) : std::nullopt;
}

std::optional<int> PartPainter::integer(const PartState& part, QStringView name) const {
    const auto value = property(part, name);
    return value ? StyleValue::integer(*value) : std::nullopt;
}

bool PartPainter::flag(const PartState& part, QStringView name) const {
    const auto value = property(part, name);
    return value && StyleValue::boolean(*value);
}

StyleValue::Margins PartPainter::margins(const PartState& part, QStringView name) const {
    const auto value = property(part, name);
    return value ? StyleValue::margins(*value).value_or(StyleValue::Margins()) : StyleValue::Margins();
}

std::optional<StyleValue::Font> PartPainter::font(const PartState& part, QStringView name) const {
    const auto value = property(part, name);
    return value ? StyleValue::font(*value) : std::nullopt;
}

std::optional<QString> PartPainter::named(const PartState& part, QStringView name) const {
    auto file = property(part, name);
    return file && !file->trimmed().isEmpty() ? file : std::nullopt;
}

std::optional<QString> PartPainter::imageFile(const PartState& part, bool glyph, const QSize& target) {
    // A part with an image glyph keeps its background in ImageFile; the numbered files
    // are then the glyph's, in its sizes.
    if (!glyph && lower(property(part, u"GlyphType")) == QLatin1String("imageglyph"))
        if (auto file = named(part, u"ImageFile"))
            return file;
    const QString select = lower(property(part, u"ImageSelectType"));
    if (select == QLatin1String("dpi")) {
        // The highest MinDpi<n> at most ours decides, even where its file is missing.
        for (int n = 7; n >= 1; --n) {
            const auto dpi = integer(part, numbered("MinDpi", n));
            if (dpi && *dpi != 0 && *dpi <= kDpi)
                return named(part, numbered("ImageFile", n));
        }
    } else if (select == QLatin1String("size")) {
        // The largest image that fits the part: its MinSize<n>, else its own size.
        for (int n = 7; n >= 1; --n) {
            auto file = named(part, numbered("ImageFile", n));
            if (!file)
                continue;
            const auto minSize = property(part, numbered("MinSize", n));
            std::optional<QSize> size = minSize ? StyleValue::size(*minSize) : std::nullopt;
            if (!size) {
                const StyleBitmap* bitmap = loadBitmap(*file);
                if (!bitmap)
                    continue;
                size = frameOf(part, bitmap->image.size(), 1).size();
            }
            if (size->width() <= target.width() && size->height() <= target.height())
                return file;
        }
    }
    if (select == QLatin1String("dpi") || select == QLatin1String("size"))
        if (auto first = named(part, u"ImageFile1"))
            return first;
    return named(part, glyph ? u"GlyphImageFile" : u"ImageFile");
}

QRect PartPainter::frameOf(const PartState& part, const QSize& whole, int state) const {
    const int count = qMax(1, integer(part, u"ImageCount").value_or(1));
    const int index = qMin(count, qMax(1, state)) - 1;
    if (lower(property(part, u"ImageLayout")) == QLatin1String("horizontal")) {
        const int width = whole.width() / count;
        return QRect(index * width, 0, width, whole.height());
    }
    const int height = whole.height() / count;
    return QRect(0, index * height, whole.width(), height);
}

const StyleBitmap* PartPainter::loadBitmap(const QString& iniPath) {
    const QString key = StyleFile::bitmapResourceName(iniPath);
    auto found = m_bitmaps.find(key);
    if (found == m_bitmaps.end()) {
        std::optional<StyleBitmap> bitmap = m_file.bitmap(iniPath, m_pixelsLeft);
        if (bitmap)
            m_pixelsLeft -= qint64(bitmap->image.width()) * bitmap->image.height();
        found = m_bitmaps.insert(key, bitmap);
    }
    return found->has_value() ? &**found : nullptr;
}

QImage PartPainter::stateImage(const PartState& part, bool glyph, const QSize& target) {
    // A part is drawn more than once (measured, then drawn): its image is cut out once.
    const QString key = part.className + QLatin1Char('.') + part.part + QLatin1Char('(') + part.stateName +
                        QLatin1Char(')') + QString::number(part.state) +
                        (glyph ? QLatin1Char('g') : QLatin1Char('b')) + QString::number(target.width()) +
                        QLatin1Char('x') + QString::number(target.height());
    if (const auto cached = m_images.constFind(key); cached != m_images.constEnd())
        return *cached;
    QImage image = cutStateImage(part, glyph, target);
    m_images.insert(key, image);
    return image;
}

QImage PartPainter::cutStateImage(const PartState& part, bool glyph, const QSize& target) {
    const auto file = imageFile(part, glyph, target);
    const StyleBitmap* bitmap = file ? loadBitmap(*file) : nullptr;
    if (!bitmap)
        return QImage();
    const QImage& whole = bitmap->image;
    const QRect frame = frameOf(part, whole.size(), part.state);
    if (frame.isEmpty())
        return QImage();
    QImage image = whole.copy(frame);
    if (!bitmap->hasAlpha && flag(part, glyph ? u"GlyphTransparent" : u"Transparent")) {
        const QRgb key =
            color(part, glyph ? u"GlyphTransparentColor" : u"TransparentColor").value_or(kMagenta).rgb() &
            0xFFFFFF;
        image.convertTo(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFF) == key)
                    line[x] = 0;
        }
    }
    return image;
}

QImage PartPainter::background(const PartState& part, const QSize& target) {
    return stateImage(part, false, target);
}

QImage PartPainter::glyph(const PartState& part, const QSize& target) {
    return stateImage(part, true, target);
}

bool PartPainter::drawBackground(QPainter& painter, const PartState& part, const QRect& rect) {
    if (rect.isEmpty())
        return false;
    const QString type = lower(property(part, u"BgType"));
    if (type == QLatin1String("none"))
        return false;
    if (type == QLatin1String("borderfill")) {
        // What the theme service takes where the style says nothing.
        const QColor fill = color(part, u"FillColor").value_or(Qt::white);
        const QColor border = color(part, u"BorderColor").value_or(Qt::black);
        const int width =
            qBound(0, integer(part, u"BorderSize").value_or(1), qMin(rect.width(), rect.height()) / 2);
        painter.fillRect(rect, border);
        painter.fillRect(rect.adjusted(width, width, -width, -width), fill);
        return true;
    }
    const QImage image = background(part, rect.size());
    if (image.isNull())
        return false;
    const QString sizing = lower(property(part, u"SizingType"));
    const NineGrid::Sizing mode = sizing == QLatin1String("tile")       ? NineGrid::Sizing::Tile
                                  : sizing == QLatin1String("truesize") ? NineGrid::Sizing::TrueSize
                                                                        : NineGrid::Sizing::Stretch;
    NineGrid::draw(painter, image, rect, margins(part, u"SizingMargins"), mode, flag(part, u"BorderOnly"));
    return true;
}

QRect PartPainter::contentRect(const PartState& part, const QRect& rect) const {
    const StyleValue::Margins m = NineGrid::targetMargins(rect.size(), margins(part, u"ContentMargins"));
    return rect.adjusted(m.left, m.top, -m.right, -m.bottom);
}

void PartPainter::drawGlyph(QPainter& painter, const PartState& part, const QRect& rect) {
    if (rect.isEmpty() || lower(property(part, u"GlyphType")) != QLatin1String("imageglyph"))
        return;
    const QImage image = glyph(part, rect.size());
    if (image.isNull())
        return;
    const QString horizontal = lower(property(part, u"HAlign"));
    const QString vertical = lower(property(part, u"VAlign"));
    const int x = horizontal == QLatin1String("left")    ? 0
                  : horizontal == QLatin1String("right") ? rect.width() - image.width()
                                                         : rect.width() / 2 - image.width() / 2;
    const int y = vertical == QLatin1String("top")      ? 0
                  : vertical == QLatin1String("bottom") ? rect.height() - image.height()
                                                        : rect.height() / 2 - image.height() / 2;
    painter.save();
    painter.setClipRect(rect);
    painter.drawImage(rect.topLeft() + QPoint(x, y), image);
    painter.restore();
}

void PartPainter::drawText(QPainter& painter, const PartState& part, const QRect& rect, const QString& text,
                           const QFont& font, const QColor& fallback, Qt::Alignment alignment) const {
    drawTextLine(painter, rect, text, font, color(part, u"TextColor").value_or(fallback), alignment);
}
