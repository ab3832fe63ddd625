#include "ThemePart.h"

#include "StyleFile.h"

#include <QFontMetrics>
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

QColor PartPainter::sysColor(QStringView name, const QColor& fallback) const {
    const auto value = m_ini.value(u"SysMetrics", name);
    return value ? StyleValue::color(*value).value_or(fallback) : fallback;
}

std::optional<int> PartPainter::sysMetric(QStringView name) const {
    const auto value = m_ini.value(u"SysMetrics", name);
    return value ? StyleValue::integer(*value) : std::nullopt;
}

QFont PartPainter::toQFont(const StyleValue::Font& font) {
    QFont out(font.face);
    // Points at 96 dpi, rounded as Windows' MulDiv rounds.
    out.setPixelSize(qMax(1, (font.points * kDpi + 36) / 72));
    out.setBold(font.bold);
    out.setItalic(font.italic);
    out.setUnderline(font.underline);
    return out;
}

QFont PartPainter::font(const PartState& part, QStringView name, const StyleValue::Font& fallback) const {
    const auto value = part.className.isEmpty() ? m_ini.value(u"SysMetrics", name) : property(part, name);
    const auto parsed = value ? StyleValue::font(*value) : std::nullopt;
    return toQFont(parsed.value_or(fallback));
}

std::optional<QString> PartPainter::imageFile(const PartState& part, bool glyph, const QSize& target) const {
    if (auto file = property(part, glyph ? u"GlyphImageFile" : u"ImageFile");
        file && !file->trimmed().isEmpty())
        return file;
    const QString select = lower(property(part, u"ImageSelectType"));
    if (select == QLatin1String("dpi")) {
        for (int n = 7; n >= 1; --n) {
            const auto dpi = integer(part, numbered("MinDpi", n));
            auto file = property(part, numbered("ImageFile", n));
            if (file && dpi && *dpi > 0 && *dpi <= kDpi)
                return file;
        }
    } else if (select == QLatin1String("size")) {
        for (int n = 7; n >= 1; --n) {
            auto file = property(part, numbered("ImageFile", n));
            const auto minSize = property(part, numbered("MinSize", n));
            const auto size = minSize ? StyleValue::size(*minSize) : std::nullopt;
            if (file && size && size->width() <= target.width() && size->height() <= target.height())
                return file;
        }
    } else if (glyph) {
        return std::nullopt;
    }
    return property(part, u"ImageFile1");
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
    const int count = qMax(1, integer(part, u"ImageCount").value_or(1));
    const int index = qMin(count, qMax(1, part.state)) - 1;
    const QImage& whole = bitmap->image;
    QRect frame;
    if (lower(property(part, u"ImageLayout")) == QLatin1String("horizontal")) {
        const int width = whole.width() / count;
        frame = QRect(index * width, 0, width, whole.height());
    } else {
        const int height = whole.height() / count;
        frame = QRect(0, index * height, whole.width(), height);
    }
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
        const QColor fill = color(part, u"FillColor").value_or(sysColor(u"BtnFace", QColor(212, 208, 200)));
        const QColor border = color(part, u"BorderColor").value_or(sysColor(u"WindowFrame", Qt::black));
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
    if (lower(property(part, u"GlyphType")) != QLatin1String("imageglyph"))
        return;
    const QRect content = contentRect(part, rect);
    const QImage image = glyph(part, content.size());
    if (image.isNull())
        return;
    const QPoint at(content.x() + (content.width() - image.width()) / 2,
                    content.y() + (content.height() - image.height()) / 2);
    painter.save();
    painter.setClipRect(rect);
    painter.drawImage(at, image);
    painter.restore();
}

void PartPainter::drawText(QPainter& painter, const PartState& part, const QRect& rect, const QString& text,
                           const QFont& font, const QColor& fallback, Qt::Alignment alignment) const {
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setFont(font);
    painter.setPen(color(part, u"TextColor").value_or(fallback));
    painter.setClipRect(rect);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(alignment) | Qt::TextSingleLine, shown);
    painter.restore();
}
