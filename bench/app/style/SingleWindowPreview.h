#pragma once
// The single-window preview the scene replaced, as the baseline of bench_preview.

#include "style/StylePreview.h"

namespace SingleWindowPreview {

// Where each part was drawn.
struct Scene {
    QRect window;
    QRect caption;
    QRect captionText;
    QRect frameLeft;
    QRect frameRight;
    QRect frameBottom;
    QRect minButton;
    QRect maxButton;
    QRect closeButton;
    QRect client;
    QRect scrollBar;
    QRect upArrow;
    QRect downArrow;
    QRect thumb;
    QRect okButton;
    QRect cancelButton;
};

struct Result {
    QImage image;
    Scene scene;
    QString error;
};

Result render(const StyleFile& file, int colorIndex = 0, int sizeIndex = 0,
              const QSize& size = StylePreview::kSize);

} // namespace SingleWindowPreview
