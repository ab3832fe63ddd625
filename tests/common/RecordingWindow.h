#pragma once
// A window object that records what the drawing routines ask of it.

#include "common/WindowObject.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace drawing_test {

class RecordingWindow : public quorlin::WindowObject {
public:
    struct LineCall {
        double x1, y1, x2, y2;
        QColor colour;
        int options;
    };

    double height = 300;
    double width = 4000;
    bool failAutoRedraw = false;
    bool failWidth = false;
    int failLinesFrom = -1; // Line calls from this index on throw

    bool autoRedrawValue = false;
    std::vector<std::string> calls;
    std::vector<LineCall> lines;

    void setAutoRedraw(bool on) override {
        calls.push_back("AutoRedraw");
        if (failAutoRedraw)
            throw std::runtime_error("no such property");
        autoRedrawValue = on;
    }
    bool autoRedraw() const override { return autoRedrawValue; }
    double scaleHeight() const override { return height; }
    double scaleWidth() const override {
        if (failWidth)
            throw std::runtime_error("no such property");
        return width;
    }
    void Cls() override {
        calls.push_back("Cls");
        lines.clear();
    }
    void Line(double x1, double y1, double x2, double y2, const QColor& colour, int options) override {
        if (failLinesFrom >= 0 && int(lines.size()) >= failLinesFrom) {
            calls.push_back("LineFailed");
            throw std::runtime_error("cannot draw");
        }
        calls.push_back("Line");
        lines.push_back({x1, y1, x2, y2, colour, options});
    }

    // The grey of the band drawn last at height y (band y spans y - 1 to y + 5); -1 if none.
    int bandGrey(int y) const {
        int grey = -1;
        for (const auto& l : lines) {
            if (l.y1 == y - 1)
                grey = l.colour.red();
        }
        return grey;
    }
};

} // namespace drawing_test
