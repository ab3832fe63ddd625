#include "ColorMath.h"

#include <algorithm>
#include <cmath>

namespace appearance {

namespace {

double linearChannel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int mixChannel(int from, int to, double t) {
    return std::clamp(static_cast<int>(std::lround(from + (to - from) * t)), 0, 255);
}

} // namespace

double relativeLuminance(QRgb color) {
    return 0.2126 * linearChannel(qRed(color)) + 0.7152 * linearChannel(qGreen(color)) +
           0.0722 * linearChannel(qBlue(color));
}

double contrastRatio(QRgb a, QRgb b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QRgb mixColors(QRgb from, QRgb to, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return qRgb(mixChannel(qRed(from), qRed(to), t), mixChannel(qGreen(from), qGreen(to), t),
                mixChannel(qBlue(from), qBlue(to), t));
}

QRgb readableTextOn(QRgb background) {
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    return contrastRatio(background, black) >= contrastRatio(background, white) ? black : white;
}

} // namespace appearance
