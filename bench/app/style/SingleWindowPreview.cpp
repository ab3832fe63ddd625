// The preview as it was before it became the Display control panel's scene: one active
// window with its caption, frame, caption buttons, an OK and a Cancel push button and a
// scroll bar, drawn from the style's bitmaps. Kept here only as the baseline the scene is
// measured against; [SysMetrics] and fonts are read here as that version's part painter
// read them.
#include "SingleWindowPreview.h"

#include "style/StyleFile.h"
#include "style/StyleIni.h"
#include "style/ThemePart.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>

namespace SingleWindowPreview {
namespace {

const PartState kCaption{"Window", "Caption", "Active", 1};
const PartState kFrameLeft{"Window", "FrameLeft", "Active", 1};
const PartState kFrameRight{"Window", "FrameRight", "Active", 1};
const PartState kFrameBottom{"Window", "FrameBottom", "Active", 1};
const PartState kMinButton{"Window", "MinButton", "Normal", 1};
const PartState kMaxButton{"Window", "MaxButton", "Normal", 1};
const PartState kCloseButton{"Window", "CloseButton", "Normal", 1};
const PartState kDefaultedButton{"Button", "Pushbutton", "Defaulted", 5};
const PartState kNormalButton{"Button", "Pushbutton", "Normal", 1};
const PartState kUpArrow{"ScrollBar", "ArrowBtn", "UpNormal", 1};
const PartState kDownArrow{"ScrollBar", "ArrowBtn", "DownNormal", 5};
const PartState kThumb{"ScrollBar", "ThumbBtnVert", "Normal", 1};
const PartState kGripper{"ScrollBar", "GripperVert", "Normal", 1};
const PartState kTrackAbove{"ScrollBar", "LowerTrackVert", "Normal", 1};
const PartState kTrackBelow{"ScrollBar", "UpperTrackVert", "Normal", 1};

const StyleValue::Font kCaptionFont{QStringLiteral("Tahoma"), 8, true, false, false};
const StyleValue::Font kDialogFont{QStringLiteral("Tahoma"), 8, false, false, false};

constexpr int kPushWidth = 75;
constexpr int kPushHeight = 23;
constexpr int kGap = 10;

// Only the sections the scene reads are kept, whatever else the INI data holds.
bool sceneSection(const QString& section) {
    return section == QLatin1String("globals") || section == QLatin1String("sysmetrics") ||
           section == QLatin1String("button") || section.startsWith(QLatin1String("window")) ||
           section.startsWith(QLatin1String("button.pushbutton")) ||
           section.startsWith(QLatin1String("scrollbar"));
}

// What the painter of that time read of [SysMetrics] and its fonts.
QColor sysColor(const StyleIni& ini, QStringView name, const QColor& fallback) {
    const auto value = ini.value(u"SysMetrics", name);
    return value ? StyleValue::color(*value).value_or(fallback) : fallback;
}

std::optional<int> sysMetric(const StyleIni& ini, QStringView name) {
    const auto value = ini.value(u"SysMetrics", name);
    return value ? StyleValue::integer(*value) : std::nullopt;
}

QFont toQFont(const StyleValue::Font& font) {
    QFont out(font.face);
    out.setPixelSize(qMax(1, (font.points * 96 + 36) / 72));
    out.setBold(font.bold);
    out.setItalic(font.italic);
    out.setUnderline(font.underline);
    return out;
}

int clamped(int value, int low, int high) {
    return qBound(low, value, qMax(low, high));
}

// A caption button's size: its image's height, no taller than the caption leaves room
// for; at least as wide as high (a narrow image is one to be stretched), wider where the
// image is.
QSize captionButtonSize(PartPainter& parts, const PartState& part, int captionHeight) {
    const int room = qMax(6, captionHeight - 4);
    const QImage image = parts.background(part);
    if (image.isNull())
        return QSize(room, room);
    const int height = qMin(image.height(), room);
    const int width = clamped(int(qint64(image.width()) * height / image.height()), height, 3 * room);
    return QSize(width, height);
}

Scene layOut(PartPainter& parts, const QImage& caption, const QSize& size) {
    Scene s;
    s.window = QRect(QPoint(kGap, kGap), size - QSize(2 * kGap, 2 * kGap));
    const QRect& w = s.window;
    const int captionHeight = clamped(caption.height(), 12, size.height() / 3);
    const auto sideWidth = [&](const PartState& part) {
        const QImage image = parts.background(part);
        return image.isNull() ? 4 : clamped(image.width(), 1, 16);
    };
    const int left = sideWidth(kFrameLeft);
    const int right = sideWidth(kFrameRight);
    const QImage bottomImage = parts.background(kFrameBottom);
    const int bottom = bottomImage.isNull() ? 4 : clamped(bottomImage.height(), 1, 16);

    s.caption = QRect(w.x(), w.y(), w.width(), captionHeight);
    const int sideTop = w.y() + captionHeight;
    const int sideHeight = w.height() - captionHeight - bottom;
    s.frameLeft = QRect(w.x(), sideTop, left, sideHeight);
    s.frameRight = QRect(w.x() + w.width() - right, sideTop, right, sideHeight);
    s.frameBottom = QRect(w.x(), w.y() + w.height() - bottom, w.width(), bottom);
    s.client = QRect(w.x() + left, sideTop, w.width() - left - right, sideHeight);

    // The caption buttons from the right, each at its own image's size.
    int x = w.x() + w.width() - right - 2;
    const auto place = [&](const PartState& part) {
        const QSize button = captionButtonSize(parts, part, captionHeight);
        x -= button.width();
        const QRect at(x, w.y() + (captionHeight - button.height()) / 2, button.width(), button.height());
        x -= 2;
        return at;
    };
    s.closeButton = place(kCloseButton);
    s.maxButton = place(kMaxButton);
    s.minButton = place(kMinButton);
    const StyleValue::Margins text = parts.margins(kCaption, u"CaptionMargins");
    s.captionText = QRect(
        QPoint(w.x() + left + 2 + qMax(0, text.left), w.y() + qMax(0, text.top)),
        QPoint(s.minButton.x() - 4 - qMax(0, text.right), w.y() + captionHeight - 1 - qMax(0, text.bottom)));

    const int barWidth = clamped(sysMetric(parts.ini(), u"ScrollbarWidth").value_or(17), 8, 48);
    const int arrowHeight = clamped(sysMetric(parts.ini(), u"ScrollbarHeight").value_or(17), 8, 48);
    const QRect& c = s.client;
    s.scrollBar = QRect(c.x() + c.width() - barWidth, c.y(), barWidth, c.height());
    s.upArrow = QRect(s.scrollBar.x(), c.y(), barWidth, arrowHeight);
    s.downArrow = QRect(s.scrollBar.x(), c.y() + c.height() - arrowHeight, barWidth, arrowHeight);
    const int track = qMax(0, c.height() - 2 * arrowHeight);
    s.thumb = QRect(s.scrollBar.x(), c.y() + arrowHeight + track / 5, barWidth, qMax(track / 3, 8));

    const int buttonsY = c.y() + c.height() - kGap - kPushHeight;
    s.cancelButton = QRect(s.scrollBar.x() - kGap - kPushWidth, buttonsY, kPushWidth, kPushHeight);
    s.okButton = QRect(s.cancelButton.x() - 6 - kPushWidth, buttonsY, kPushWidth, kPushHeight);
    return s;
}

// The part as the style draws it, else plainly in a system colour (with an edge for the
// parts that are buttons).
void drawPart(QPainter& painter, PartPainter& parts, const PartState& part, const QRect& rect,
              const QColor& plain, bool edged) {
    if (parts.drawBackground(painter, part, rect)) {
        parts.drawGlyph(painter, part, rect);
        return;
    }
    painter.fillRect(rect, plain);
    if (edged) {
        painter.setPen(sysColor(parts.ini(), u"BtnShadow", QColor(128, 128, 128)));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

Qt::Alignment captionAlignment(PartPainter& parts) {
    const QString value = parts.property(kCaption, u"ContentAlignment").value_or(QString()).trimmed();
    if (value.compare(QLatin1String("center"), Qt::CaseInsensitive) == 0)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    if (value.compare(QLatin1String("right"), Qt::CaseInsensitive) == 0)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

Result render(const StyleFile& file, int colorIndex, int sizeIndex, const QSize& requested) {
    Result result;
    if (!file.isReadable()) {
        result.error = QStringLiteral("its style file cannot be read");
        return result;
    }
    const auto text = file.iniText(colorIndex, sizeIndex);
    if (!text) {
        result.error = QStringLiteral("its style file holds no INI data for the colour scheme and size");
        return result;
    }
    const StyleIni ini = StyleIni::parse(*text, sceneSection);
    PartPainter parts(file, ini);
    const QImage caption = parts.background(kCaption);
    if (caption.isNull()) {
        result.error = QStringLiteral("its style file holds no window caption that can be drawn");
        return result;
    }

    const QSize size = requested.expandedTo(QSize(240, 160)).boundedTo(QSize(2048, 2048));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        result.error = QStringLiteral("there is no memory to draw it");
        return result;
    }
    image.fill(sysColor(parts.ini(), u"Background", QColor(58, 110, 165)));
    const Scene s = layOut(parts, caption, size);
    const QColor buttonFace = sysColor(parts.ini(), u"BtnFace", QColor(212, 208, 200));
    const QColor border = sysColor(parts.ini(), u"ActiveBorder", buttonFace);
    const bool withText = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    {
        QPainter p(&image);
        p.fillRect(s.client, sysColor(parts.ini(), u"Window", Qt::white));
        drawPart(p, parts, kFrameLeft, s.frameLeft, border, false);
        drawPart(p, parts, kFrameRight, s.frameRight, border, false);
        drawPart(p, parts, kFrameBottom, s.frameBottom, border, false);
        drawPart(p, parts, kCaption, s.caption, sysColor(parts.ini(), u"ActiveCaption", Qt::darkBlue), false);
        drawPart(p, parts, kMinButton, s.minButton, buttonFace, true);
        drawPart(p, parts, kMaxButton, s.maxButton, buttonFace, true);
        drawPart(p, parts, kCloseButton, s.closeButton, buttonFace, true);

        // The scroll bar: arrows at the ends, the track on both sides of the thumb.
        const QColor track = sysColor(parts.ini(), u"Scrollbar", buttonFace);
        const QRect above(QPoint(s.scrollBar.x(), s.upArrow.bottom() + 1),
                          QPoint(s.scrollBar.right(), s.thumb.top() - 1));
        const QRect below(QPoint(s.scrollBar.x(), s.thumb.bottom() + 1),
                          QPoint(s.scrollBar.right(), s.downArrow.top() - 1));
        drawPart(p, parts, kTrackAbove, above, track, false);
        drawPart(p, parts, kTrackBelow, below, track, false);
        drawPart(p, parts, kThumb, s.thumb, buttonFace, true);
        parts.drawBackground(p, kGripper, parts.contentRect(kThumb, s.thumb));
        drawPart(p, parts, kUpArrow, s.upArrow, buttonFace, true);
        drawPart(p, parts, kDownArrow, s.downArrow, buttonFace, true);

        drawPart(p, parts, kDefaultedButton, s.okButton, buttonFace, true);
        drawPart(p, parts, kNormalButton, s.cancelButton, buttonFace, true);

        if (withText) {
            const QFont captionFont = [&] {
                const auto value = parts.ini().value(u"SysMetrics", u"CaptionFont");
                const auto font = value ? StyleValue::font(*value) : std::nullopt;
                return toQFont(font.value_or(kCaptionFont));
            }();
            parts.drawText(p, kCaption, s.captionText, QStringLiteral("Active Window"), captionFont,
                           sysColor(parts.ini(), u"CaptionText", Qt::white), captionAlignment(parts));
            const QColor buttonText = sysColor(parts.ini(), u"BtnText", Qt::black);
            const QFont okFont = toQFont(parts.font(kDefaultedButton, u"Font").value_or(kDialogFont));
            parts.drawText(p, kDefaultedButton, parts.contentRect(kDefaultedButton, s.okButton),
                           QStringLiteral("OK"), okFont, buttonText, Qt::AlignCenter);
            const QFont cancelFont = toQFont(parts.font(kNormalButton, u"Font").value_or(kDialogFont));
            parts.drawText(p, kNormalButton, parts.contentRect(kNormalButton, s.cancelButton),
                           QStringLiteral("Cancel"), cancelFont, buttonText, Qt::AlignCenter);
            const QRect windowText = s.client.adjusted(kGap, kGap, -kGap - s.scrollBar.width(), 0);
            p.setFont(toQFont(kDialogFont));
            p.setPen(sysColor(parts.ini(), u"WindowText", Qt::black));
            p.drawText(windowText, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                       QStringLiteral("Window Text"));
        }
    }
    result.image = image.convertToFormat(QImage::Format_RGB32);
    result.scene = s;
    return result;
}

} // namespace SingleWindowPreview
