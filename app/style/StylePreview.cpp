#include "StylePreview.h"

#include "ClassicPainter.h"
#include "PreviewLayout.h"
#include "StyleFile.h"
#include "StyleIni.h"
#include "StyleLook.h"
#include "ThemePart.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>

namespace StylePreview {
namespace {

using appearance::SysColor;
using Symbol = ClassicPainter::Symbol;

// The parts of a window, active or inactive.
struct WindowParts {
    PartState caption;
    PartState frameLeft;
    PartState frameRight;
    PartState frameBottom;
    PartState minButton;
    PartState maxButton;
    PartState closeButton;
};

WindowParts windowParts(bool active) {
    const char* frame = active ? "Active" : "Inactive";
    const int state = active ? 1 : 2;
    return {{"Window", "Caption", frame, state},    {"Window", "FrameLeft", frame, state},
            {"Window", "FrameRight", frame, state}, {"Window", "FrameBottom", frame, state},
            {"Window", "MinButton", "Normal", 1},   {"Window", "MaxButton", "Normal", 1},
            {"Window", "CloseButton", "Normal", 1}};
}

const PartState kDefaultedButton{"Button", "Pushbutton", "Defaulted", 5};
const PartState kUpArrow{"ScrollBar", "ArrowBtn", "UpNormal", 1};
const PartState kDownArrow{"ScrollBar", "ArrowBtn", "DownNormal", 5};
const PartState kThumb{"ScrollBar", "ThumbBtnVert", "Normal", 1};
const PartState kGripper{"ScrollBar", "GripperVert", "Normal", 1};
const PartState kTrackAbove{"ScrollBar", "LowerTrackVert", "Normal", 1};
const PartState kTrackBelow{"ScrollBar", "UpperTrackVert", "Normal", 1};

// Only the sections the scene reads are kept, whatever else the INI data holds.
bool sceneSection(const QString& section) {
    return section == QLatin1String("globals") || section == QLatin1String("sysmetrics") ||
           section == QLatin1String("button") || section.startsWith(QLatin1String("window")) ||
           section.startsWith(QLatin1String("button.pushbutton")) ||
           section.startsWith(QLatin1String("scrollbar"));
}

int clamped(int value, int low, int high) {
    return qBound(low, value, qMax(low, high));
}

// Draws the scene: each element as the style draws it where there is a style and it has
// an image for it, else in the classic look.
class SceneDrawer {
public:
    SceneDrawer(PartPainter* parts, const appearance::ClassicLook& look)
        : m_parts(parts), m_look(look), m_metrics(look.metrics.value_or(*StyleLook::standard().metrics)),
          m_classic(m_look) {}

    SceneSizes sizes(const QSize& size, const QImage& caption);
    void draw(QPainter& painter, const Scene& scene, bool withText);

private:
    QColor color(SysColor which) const { return m_classic.color(which); }
    QFont font(const appearance::Font& font) const { return StyleLook::toQFont(font); }
    // The part's background and glyph as the style draws them; false where it has none.
    bool drawPart(QPainter& painter, const PartState& part, const QRect& rect);
    // Caption buttons of the inactive window take the inactive images where the part
    // has them (images 5 to 8 of eight).
    PartState inactiveButton(PartState part) const;
    FrameSizes styleFrame(const QSize& size, const QImage& caption);
    FrameSizes classicFrame(const QSize& size, int border) const;
    void drawWindow(QPainter& painter, const SceneWindow& w, bool active, const QString& title,
                    bool withText);
    void drawMenu(QPainter& painter, const Scene& s, bool withText);
    void drawWindowArea(QPainter& painter, const Scene& s, bool withText);
    void drawMessageBox(QPainter& painter, const Scene& s, bool withText);

    PartPainter* m_parts;
    const appearance::ClassicLook& m_look;
    const appearance::Metrics m_metrics;
    const ClassicPainter m_classic;
};

bool SceneDrawer::drawPart(QPainter& painter, const PartState& part, const QRect& rect) {
    if (!m_parts || !m_parts->drawBackground(painter, part, rect))
        return false;
    m_parts->drawGlyph(painter, part, rect);
    return true;
}

PartState SceneDrawer::inactiveButton(PartState part) const {
    if (m_parts && m_parts->integer(part, u"ImageCount").value_or(1) >= 8)
        part.state = 5;
    return part;
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

FrameSizes SceneDrawer::styleFrame(const QSize& size, const QImage& caption) {
    PartPainter& parts = *m_parts;
    const WindowParts p = windowParts(true);
    FrameSizes f;
    f.captionOverFrame = true;
    f.caption = f.buttonBand = clamped(caption.height(), 12, size.height() / 4);
    const auto side = [&](const PartState& part, bool wide) {
        const QImage image = parts.background(part);
        return image.isNull() ? 4 : clamped(wide ? image.width() : image.height(), 1, 16);
    };
    f.left = side(p.frameLeft, true);
    f.right = side(p.frameRight, true);
    f.bottom = side(p.frameBottom, false);
    f.minButton = captionButtonSize(parts, p.minButton, f.caption);
    f.maxButton = captionButtonSize(parts, p.maxButton, f.caption);
    f.closeButton = captionButtonSize(parts, p.closeButton, f.caption);
    f.buttonsRight = f.right + 2;
    f.textInset = f.left + 2;
    f.captionMargins = parts.margins(p.caption, u"CaptionMargins");
    return f;
}

// Windows' own frame: a two-pixel edge, the sizing border, a line of button face; the
// caption bar and a line below it; buttons two pixels narrower and four lower than the
// caption's metrics, the close button apart.
FrameSizes SceneDrawer::classicFrame(const QSize& size, int border) const {
    FrameSizes f;
    f.top = f.left = f.right = f.bottom = 3 + border;
    f.buttonBand = clamped(m_metrics.captionHeight, 8, size.height() / 5);
    f.caption = f.buttonBand + 1;
    const QSize button(clamped(m_metrics.captionWidth, 6, 66) - 2, clamped(f.buttonBand - 4, 4, 64));
    f.minButton = f.maxButton = f.closeButton = button;
    f.gapMinMax = 0;
    return f;
}

SceneSizes SceneDrawer::sizes(const QSize& size, const QImage& caption) {
    SceneSizes z;
    if (m_parts) {
        z.window = z.dialog = styleFrame(size, caption);
    } else {
        const int border =
            clamped(m_metrics.borderWidth, 0, 12) + clamped(m_metrics.paddedBorderWidth, 0, 12);
        z.window = classicFrame(size, border);
        z.dialog = classicFrame(size, 0);
    }
    const int textLimit = qMax(8, size.height() / 10);
    z.menuText = qMin(StyleLook::pixelSize(m_metrics.menuFont), textLimit);
    z.messageText = qMin(StyleLook::pixelSize(m_metrics.messageFont), textLimit);
    z.toolTipText = qMin(StyleLook::pixelSize(m_metrics.statusFont), textLimit);
    z.menuHeight = clamped(m_metrics.menuHeight, z.menuText + 2, size.height() / 6) + 1;
    z.scrollWidth = clamped(m_metrics.scrollWidth, 8, 48);
    z.arrowHeight = clamped(m_metrics.scrollHeight, 8, 48);
    return z;
}

void SceneDrawer::drawWindow(QPainter& painter, const SceneWindow& w, bool active, const QString& title,
                             bool withText) {
    const WindowParts p = windowParts(active);
    const QColor titleText = color(active ? SysColor::TitleText : SysColor::InactiveTitleText);
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    if (m_parts) {
        const QColor border = color(active ? SysColor::ActiveBorder : SysColor::InactiveBorder);
        for (const auto& [part, rect] :
             {std::pair{p.frameLeft, w.frameLeft}, std::pair{p.frameRight, w.frameRight},
              std::pair{p.frameBottom, w.frameBottom}})
            if (!drawPart(painter, part, rect))
                painter.fillRect(rect, border);
        if (!drawPart(painter, p.caption, w.caption))
            m_classic.drawCaption(painter, w.caption, active);
        const QString align = m_parts->property(p.caption, u"ContentAlignment").value_or(QString()).trimmed();
        if (align.compare(QLatin1String("center"), Qt::CaseInsensitive) == 0)
            alignment = Qt::AlignHCenter | Qt::AlignVCenter;
        else if (align.compare(QLatin1String("right"), Qt::CaseInsensitive) == 0)
            alignment = Qt::AlignRight | Qt::AlignVCenter;
    } else {
        m_classic.drawFrame(painter, w.window, w.frameLeft.width() - 3, active);
        m_classic.drawCaption(painter, w.caption.adjusted(0, 0, 0, -1), active);
    }
    for (const auto& [part, rect, symbol] : {std::tuple{p.minButton, w.minButton, Symbol::Minimize},
                                             std::tuple{p.maxButton, w.maxButton, Symbol::Maximize},
                                             std::tuple{p.closeButton, w.closeButton, Symbol::Close}}) {
        if (rect.isEmpty())
            continue;
        if (!drawPart(painter, active ? part : inactiveButton(part), rect))
            m_classic.drawSymbolButton(painter, rect, symbol);
    }
    if (!withText)
        return;
    const QFont captionFont = font(m_metrics.captionFont);
    if (m_parts)
        m_parts->drawText(painter, p.caption, w.captionText, title, captionFont, titleText, alignment);
    else
        drawTextLine(painter, w.captionText, title, captionFont, titleText, alignment);
}

void SceneDrawer::drawMenu(QPainter& painter, const Scene& s, bool withText) {
    // Menus are drawn in the classic look's colours whether a style is in use or not.
    painter.fillRect(s.menuBar, color(m_look.flatMenus ? SysColor::MenuBar : SysColor::Menu));
    if (m_look.flatMenus) {
        painter.fillRect(s.menuSelected, color(SysColor::Hilight));
        painter.fillRect(s.menuSelected.adjusted(1, 1, -1, -1), color(SysColor::MenuHilight));
    } else {
        painter.fillRect(s.menuSelected, color(SysColor::Hilight));
    }
    if (!withText)
        return;
    const QFont menuFont = font(m_metrics.menuFont);
    drawTextLine(painter, s.menuNormal, QStringLiteral("Normal"), menuFont, color(SysColor::MenuText),
                 Qt::AlignCenter);
    // A disabled item is grey on a flat menu, embossed on a raised one.
    if (!m_look.flatMenus)
        drawTextLine(painter, s.menuDisabled.translated(1, 1), QStringLiteral("Disabled"), menuFont,
                     color(SysColor::ButtonHilight), Qt::AlignCenter);
    drawTextLine(painter, s.menuDisabled, QStringLiteral("Disabled"), menuFont,
                 color(m_look.flatMenus ? SysColor::GrayText : SysColor::ButtonShadow), Qt::AlignCenter);
    drawTextLine(painter, s.menuSelected, QStringLiteral("Selected"), menuFont, color(SysColor::HilightText),
                 Qt::AlignCenter);
}

void SceneDrawer::drawWindowArea(QPainter& painter, const Scene& s, bool withText) {
    painter.fillRect(s.windowArea, color(SysColor::Window));
    m_classic.drawEdge(painter, s.windowArea, ClassicPainter::Edge::Sunken);

    // The scroll bar: arrows at the ends, the track on both sides of the thumb.
    const QColor track = color(SysColor::Scrollbar);
    const QRect above(QPoint(s.scrollBar.x(), s.upArrow.bottom() + 1),
                      QPoint(s.scrollBar.right(), s.thumb.top() - 1));
    const QRect below(QPoint(s.scrollBar.x(), s.thumb.bottom() + 1),
                      QPoint(s.scrollBar.right(), s.downArrow.top() - 1));
    for (const auto& [part, rect] : {std::pair{kTrackAbove, above}, std::pair{kTrackBelow, below}})
        if (!drawPart(painter, part, rect))
            painter.fillRect(rect, track);
    if (drawPart(painter, kThumb, s.thumb)) {
        drawPart(painter, kGripper, m_parts->contentRect(kThumb, s.thumb));
    } else {
        painter.fillRect(s.thumb, color(SysColor::ButtonFace));
        m_classic.drawEdge(painter, s.thumb, ClassicPainter::Edge::Raised);
    }
    if (!drawPart(painter, kUpArrow, s.upArrow))
        m_classic.drawSymbolButton(painter, s.upArrow, Symbol::ArrowUp);
    if (!drawPart(painter, kDownArrow, s.downArrow))
        m_classic.drawSymbolButton(painter, s.downArrow, Symbol::ArrowDown);

    // A tooltip over the window.
    painter.fillRect(s.toolTip, color(SysColor::WindowFrame));
    painter.fillRect(s.toolTip.adjusted(1, 1, -1, -1), color(SysColor::InfoWindow));
    if (!withText)
        return;
    drawTextLine(painter, s.windowText, QStringLiteral("Window Text"), font(m_metrics.messageFont),
                 color(SysColor::WindowText), Qt::AlignLeft | Qt::AlignVCenter);
    drawTextLine(painter, s.toolTip.adjusted(1, 1, -1, -1), QStringLiteral("ToolTip"),
                 font(m_metrics.statusFont), color(SysColor::InfoText), Qt::AlignCenter);
}

void SceneDrawer::drawMessageBox(QPainter& painter, const Scene& s, bool withText) {
    drawWindow(painter, s.messageBox, true, QStringLiteral("Message Box"), withText);
    painter.fillRect(s.messageBox.client, color(SysColor::ButtonFace));
    if (!drawPart(painter, kDefaultedButton, s.okButton))
        m_classic.drawButton(painter, s.okButton, true);
    if (!withText)
        return;
    const QFont messageFont = font(m_metrics.messageFont);
    drawTextLine(painter, s.messageText, QStringLiteral("Message Text"), messageFont,
                 color(SysColor::WindowText), Qt::AlignLeft | Qt::AlignVCenter);
    const auto buttonFont = m_parts ? m_parts->font(kDefaultedButton, u"Font") : std::nullopt;
    const QFont okFont = buttonFont ? font(StyleLook::fontOf(*buttonFont)) : messageFont;
    const QColor buttonText = color(SysColor::ButtonText);
    if (m_parts)
        m_parts->drawText(painter, kDefaultedButton, m_parts->contentRect(kDefaultedButton, s.okButton),
                          QStringLiteral("OK"), okFont, buttonText, Qt::AlignCenter);
    else
        drawTextLine(painter, s.okButton, QStringLiteral("OK"), okFont, buttonText, Qt::AlignCenter);
}

void SceneDrawer::draw(QPainter& painter, const Scene& s, bool withText) {
    painter.fillRect(s.desktop, color(SysColor::Background));
    drawWindow(painter, s.inactive, false, QStringLiteral("Inactive Window"), withText);
    painter.fillRect(s.inactive.client, color(SysColor::AppWorkSpace));
    drawWindow(painter, s.active, true, QStringLiteral("Active Window"), withText);
    painter.fillRect(s.active.client, color(SysColor::ButtonFace));
    drawMenu(painter, s, withText);
    drawWindowArea(painter, s, withText);
    drawMessageBox(painter, s, withText);
}

Result draw(PartPainter* parts, const appearance::ClassicLook& look, const QImage& caption,
            const QSize& requested) {
    Result result;
    const QSize size = requested.expandedTo(QSize(240, 160)).boundedTo(QSize(2048, 2048));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        result.error = QStringLiteral("there is no memory to draw it");
        return result;
    }
    SceneDrawer drawer(parts, look);
    const Scene scene = layOut(drawer.sizes(size, caption), size);
    {
        QPainter painter(&image);
        drawer.draw(painter, scene, qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr);
    }
    result.image = image.convertToFormat(QImage::Format_RGB32);
    result.scene = scene;
    return result;
}

} // namespace

Result render(const StyleFile& file, int colorIndex, int sizeIndex, const QSize& size) {
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
    const QImage caption = parts.background(windowParts(true).caption);
    if (caption.isNull()) {
        result.error = QStringLiteral("its style file holds no window caption that can be drawn");
        return result;
    }
    return draw(&parts, StyleLook::fromSysMetrics(ini), caption, size);
}

Result render(const appearance::ClassicLook& look, const QSize& size) {
    return draw(nullptr, look, QImage(), size);
}

} // namespace StylePreview
