#pragma once
// Colour arithmetic the schemes and the desktop's colours share: relative luminance and
// contrast ratio as WCAG 2 defines them (the measure the dark scheme is held to), a mix of
// two colours, and the text colour that reads best on a background.

#include <QRgb>

namespace appearance {

// Relative luminance of an sRGB colour, 0 (black) to 1 (white).
double relativeLuminance(QRgb color);
// Contrast ratio of two colours, 1 (none) to 21 (black on white), in either order.
double contrastRatio(QRgb a, QRgb b);
// from moved the fraction t (0..1) of the way towards to, per channel, rounded.
QRgb mixColors(QRgb from, QRgb to, double t);
// Black or white, whichever contrasts more with background.
QRgb readableTextOn(QRgb background);

} // namespace appearance
