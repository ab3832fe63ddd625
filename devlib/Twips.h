#pragma once
// Window units: 15 twips to the pixel, halves to the even pixel.

#include <QRect>

#include <cmath>
#include <cstdint>

namespace quorlin {

inline int twipsToPixels(int64_t twips) {
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / 15.0));
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace quorlin
