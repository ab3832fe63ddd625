// The grey shaded window background.

#include "prgmain.h"

#include "RuntimeError.h"
#include "UiServices.h"
#include "WindowObject.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

using quorlin::UiServices;
using quorlin::WindowObject;

namespace prgmain {

namespace {

// Line option bits: start point given (32), colour given (4), box form (2).
constexpr int kBandOptions = 38;

// A failing step is skipped and drawing goes on with the next one.
template <typename F> void step(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

int16_t int16OrThrow(int32_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        throw quorlin::RuntimeError(quorlin::ErrOverflow);
    return static_cast<int16_t>(v);
}

int32_t wholeOrThrow(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        throw quorlin::RuntimeError(quorlin::ErrOverflow);
    return static_cast<int32_t>(r);
}

// (colour2 - colour1) * 5 in 16-bit arithmetic, divided in single precision.
float shadeStep(int16_t colour1, int16_t colour2, float divisor) {
    const int16_t product = int16OrThrow(int32_t(int16OrThrow(int32_t(colour2) - colour1)) * 5);
    if (divisor == 0.0f)
        throw quorlin::RuntimeError(quorlin::ErrOverflow);
    return static_cast<float>(product) / divisor;
}

class Painter {
public:
    Painter(WindowObject& target, int32_t width) : m_target(target), m_width(width) {}

    // One band: a box from one unit left of the window to its right edge, six units
    // high, in the grey of the level (rounded, halves to even; kept within 0..255).
    void band(int32_t y, float level) {
        step([&] {
            const float rounded = std::nearbyint(level);
            const int grey = static_cast<int>(std::clamp(rounded, 0.0f, 255.0f));
            m_target.Line(-1, double(y) - 1, m_width, double(y) + 5, QColor(grey, grey, grey), kBandOptions);
        });
    }

private:
    WindowObject& m_target;
    int32_t m_width;
};

void drawShades(WindowObject& target, int16_t colour1, int16_t colour2, float base) {
    step([&] { target.setAutoRedraw(true); });
    step([&] { target.Cls(); });
    int32_t h = 0;
    int32_t w = 0;
    step([&] { h = wholeOrThrow(target.scaleHeight()); });
    step([&] { w = wholeOrThrow(target.scaleWidth()); });
    Painter paint(target, w);

    // Base fill.
    for (int64_t y = 0; y <= h; y += 5)
        paint.band(static_cast<int32_t>(y), base);
    UiServices::doEvents();

    // Bottom shade: from colour2 at h - 120 back towards colour1 at the bottom edge.
    step([&] {
        const float s = shadeStep(colour1, colour2, 120.0f);
        float level = colour2;
        for (int64_t y = int64_t(h) - 120; y <= h; y += 5) {
            paint.band(static_cast<int32_t>(y), level);
            level -= s;
        }
    });
    UiServices::doEvents();

    // Top shade: from colour2 at the top edge to colour1 at 100.
    step([&] {
        const float s = shadeStep(colour1, colour2, 100.0f);
        float level = colour2;
        for (int32_t y = 0; y <= 100; y += 5) {
            paint.band(y, level);
            level -= s;
        }
    });

    // Middle shade: from colour1 at 100 towards colour2, drawn last.
    step([&] {
        const float s = shadeStep(colour1, colour2, static_cast<float>(h));
        float level = colour1;
        for (int64_t y = 100; y <= int64_t(h) - 120; y += 5) {
            paint.band(static_cast<int32_t>(y), level);
            level += s;
        }
    });
}

// Stands for a missing window: nothing can be read from it or drawn on it.
class NoWindow : public WindowObject {
public:
    void setAutoRedraw(bool) override { fail(); }
    bool autoRedraw() const override { fail(); }
    double scaleHeight() const override { fail(); }
    double scaleWidth() const override { fail(); }
    void Cls() override { fail(); }
    void Line(double, double, double, double, const QColor&, int) override { fail(); }

private:
    // "Object variable not set", as for a form that is not there.
    [[noreturn]] static void fail() {
        throw quorlin::RuntimeError(91, QStringLiteral("Object variable not set"));
    }
};

} // namespace

WindowObject& noWindow() {
    static NoWindow none;
    return none;
}

void DrawWindow(WindowObject& target, int32_t colour1, int32_t colour2, int32_t backgrd) {
    const int16_t c1 = int16OrThrow(colour1);
    const int16_t c2 = int16OrThrow(colour2);
    drawShades(target, c1, c2, static_cast<float>(backgrd));
}

void DrawBackGrd_XP(WindowObject& target, int16_t colour1, int16_t colour2, int32_t backgrdClr) {
    drawShades(target, colour1, colour2, static_cast<float>(backgrdClr));
}

} // namespace prgmain
