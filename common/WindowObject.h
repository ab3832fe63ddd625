#pragma once
// A drawable window as the drawing routines see it: the few properties and operations
// they use of a form. The routines borrow it for the length of one call.

#include <QColor>
#include <QImage>

#include <cstdint>

class QWidget;

namespace quorlin {

class WindowObject {
public:
    virtual ~WindowObject();

    // Keep drawings when the window is covered and uncovered.
    virtual void setAutoRedraw(bool on) = 0;
    virtual bool autoRedraw() const = 0;
    // Inner size in the window's own drawing units.
    virtual double scaleHeight() const = 0;
    virtual double scaleWidth() const = 0;
    // Clears all drawings.
    virtual void Cls() = 0;
    // Draws from (x1, y1) to (x2, y2) in the colour. options: 32 start point given,
    // 4 colour given, 2 box form (the caller's 38 draws a filled box).
    virtual void Line(double x1, double y1, double x2, double y2, const QColor& colour, int options) = 0;

    // Any of these may throw when the window cannot do it; the drawing routines then
    // skip that step.
};

// A Qt window as a WindowObject: 15 drawing units to the pixel, drawings go into a
// picture the adapter keeps for the widget and paints under the widget's children
// whenever the widget is painted. One picture per widget, shared by all adapters made
// for it; it lives as long as the widget.
class QtWindowObject : public WindowObject {
public:
    static constexpr double TwipsPerPixel = 15.0;

    explicit QtWindowObject(QWidget* window);
    ~QtWindowObject() override;

    void setAutoRedraw(bool on) override;
    bool autoRedraw() const override;
    double scaleHeight() const override;
    double scaleWidth() const override;
    void Cls() override;
    void Line(double x1, double y1, double x2, double y2, const QColor& colour, int options) override;

    QWidget* window() const;
    // The persistent picture (null image when nothing was drawn yet).
    static QImage picture(QWidget* window);

private:
    class Picture;
    Picture* picture() const;
    QWidget* m_window;
};

} // namespace quorlin
