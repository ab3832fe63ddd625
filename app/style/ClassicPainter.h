#pragma once
// The classic look drawn without a bitmap, as Windows draws it: two-pixel 3D edges in the
// look's light, highlight, shadow and dark shadow colours, push buttons, window frames with
// their sizing border, caption bars (a gradient from the title colour to its gradient
// colour where the look has gradient captions), and the symbols of caption buttons and
// scroll arrows. Every pixel is set by filled rectangles, so a drawing is the same on
// every machine and needs no fonts.

#include "appearance/ClassicLook.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// A line of text drawn into rect, elided at its end where it does not fit and clipped to
// rect.
void drawTextLine(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                  const QColor& color, Qt::Alignment alignment);

class ClassicPainter {
public:
    enum class Edge {
        Raised, // a window's frame, a scroll bar's thumb
        Sunken, // a client edge
        Button, // a push button, a caption button, a scroll arrow (the soft raised edge)
    };
    enum class Symbol { Minimize, Maximize, Close, ArrowUp, ArrowDown };

    explicit ClassicPainter(const appearance::ClassicLook& look) : m_look(look) {}

    QColor color(appearance::SysColor color) const;

    // The two-pixel edge around rect.
    void drawEdge(QPainter& painter, const QRect& rect, Edge edge) const;
    // A button face with its edge; a defaulted one inside a one-pixel frame.
    void drawButton(QPainter& painter, const QRect& rect, bool defaulted = false) const;
    // A caption button or a scroll arrow: a button with its symbol.
    void drawSymbolButton(QPainter& painter, const QRect& rect, Symbol symbol) const;
    // The symbol alone, centred in rect.
    static void drawSymbol(QPainter& painter, const QRect& rect, Symbol symbol, const QColor& color);
    // A window's frame (raised edge, sizing border of border pixels in the active or
    // inactive border colour, a line of button face) around rect, filled with the face.
    void drawFrame(QPainter& painter, const QRect& rect, int border, bool active) const;
    // A caption bar filled in the active or inactive title colours.
    void drawCaption(QPainter& painter, const QRect& rect, bool active) const;

private:
    const appearance::ClassicLook& m_look;
};
