#include "ClassicPainter.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

using appearance::SysColor;

void drawTextLine(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                  const QColor& color, Qt::Alignment alignment) {
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.setClipRect(rect);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(alignment) | Qt::TextSingleLine, shown);
    painter.restore();
}

QColor ClassicPainter::color(SysColor color) const {
    return QColor(m_look.colors[size_t(color)]);
}

void ClassicPainter::drawEdge(QPainter& painter, const QRect& rect, Edge edge) const {
    // Outer top-left, outer bottom-right, inner top-left, inner bottom-right.
    static constexpr SysColor kRaised[4] = {SysColor::ButtonLight, SysColor::ButtonDkShadow,
                                            SysColor::ButtonHilight, SysColor::ButtonShadow};
    static constexpr SysColor kSunken[4] = {SysColor::ButtonShadow, SysColor::ButtonHilight,
                                            SysColor::ButtonDkShadow, SysColor::ButtonLight};
    static constexpr SysColor kButton[4] = {SysColor::ButtonHilight, SysColor::ButtonDkShadow,
                                            SysColor::ButtonLight, SysColor::ButtonShadow};
    const SysColor* colors = edge == Edge::Sunken ? kSunken : edge == Edge::Button ? kButton : kRaised;
    QRect r = rect;
    for (int ring = 0; ring < 2 && r.width() > 0 && r.height() > 0; ++ring) {
        // The top and left lines stop a pixel short: the far corners are the bottom-right's.
        const QColor topLeft = color(colors[2 * ring]);
        const QColor bottomRight = color(colors[2 * ring + 1]);
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
        r.adjust(1, 1, -1, -1);
    }
}

void ClassicPainter::drawButton(QPainter& painter, const QRect& rect, bool defaulted) const {
    if (rect.isEmpty())
        return;
    QRect face = rect;
    if (defaulted) {
        painter.fillRect(rect, color(SysColor::WindowFrame));
        face.adjust(1, 1, -1, -1);
    }
    painter.fillRect(face, color(SysColor::ButtonFace));
    drawEdge(painter, face, Edge::Button);
}

void ClassicPainter::drawSymbolButton(QPainter& painter, const QRect& rect, Symbol symbol) const {
    drawButton(painter, rect);
    drawSymbol(painter, rect.adjusted(2, 2, -2, -2), symbol, color(SysColor::ButtonText));
}

void ClassicPainter::drawSymbol(QPainter& painter, const QRect& rect, Symbol symbol, const QColor& color) {
    // The symbols of the Marlett font at a caption button's size, in pixels: a square of
    // side n, a little inside the button.
    const int n = qMax(3, qMin(rect.width(), rect.height()) - 4) & ~1;
    const int x = rect.x() + (rect.width() - n) / 2;
    const int y = rect.y() + (rect.height() - n) / 2;
    switch (symbol) {
    case Symbol::Close:
        for (int i = 0; i < n - 1; ++i) {
            painter.fillRect(QRect(x + i, y + i, 2, 1), color);
            painter.fillRect(QRect(x + n - 2 - i, y + i, 2, 1), color);
        }
        break;
    case Symbol::Minimize:
        painter.fillRect(QRect(x, y + n - 2, n * 3 / 4, 2), color);
        break;
    case Symbol::Maximize:
        painter.fillRect(QRect(x, y, n, 2), color);
        painter.fillRect(QRect(x, y, 1, n), color);
        painter.fillRect(QRect(x + n - 1, y, 1, n), color);
        painter.fillRect(QRect(x, y + n - 1, n, 1), color);
        break;
    case Symbol::ArrowUp:
    case Symbol::ArrowDown: {
        // A triangle of rows 1, 3, 5, ... pixels wide.
        const int rows = qMax(2, n / 2);
        const int top = rect.y() + (rect.height() - rows) / 2;
        const int middle = rect.x() + rect.width() / 2;
        for (int i = 0; i < rows; ++i) {
            const int row = symbol == Symbol::ArrowUp ? i : rows - 1 - i;
            painter.fillRect(QRect(middle - i, top + row, 2 * i + 1, 1), color);
        }
        break;
    }
    }
}

void ClassicPainter::drawFrame(QPainter& painter, const QRect& rect, int border, bool active) const {
    if (rect.isEmpty())
        return;
    painter.fillRect(rect, color(SysColor::ButtonFace));
    const QRect inside = rect.adjusted(2, 2, -2, -2);
    if (border > 0 && !inside.isEmpty()) {
        const QColor fill = color(active ? SysColor::ActiveBorder : SysColor::InactiveBorder);
        painter.fillRect(inside, fill);
        painter.fillRect(inside.adjusted(border, border, -border, -border), color(SysColor::ButtonFace));
    }
    drawEdge(painter, rect, Edge::Raised);
}

void ClassicPainter::drawCaption(QPainter& painter, const QRect& rect, bool active) const {
    if (rect.isEmpty())
        return;
    const QColor from = color(active ? SysColor::ActiveTitle : SysColor::InactiveTitle);
    if (!m_look.gradientCaptions) {
        painter.fillRect(rect, from);
        return;
    }
    QLinearGradient gradient(rect.left(), 0, rect.right(), 0);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, color(active ? SysColor::GradientActiveTitle : SysColor::GradientInactiveTitle));
    painter.fillRect(rect, gradient);
}
