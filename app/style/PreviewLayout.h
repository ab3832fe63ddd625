#pragma once
// Where the preview scene's elements go, from the sizes of its parts alone: the same
// places whether text can be drawn or not, so the widths of texts are estimated from
// their font's size rather than measured.

#include "StyleIni.h"
#include "StylePreview.h"

namespace StylePreview {

// The frame and caption of a window.
struct FrameSizes {
    bool captionOverFrame = false; // the caption spans the whole width and covers the top frame
    int top = 0;                   // the frame above the caption, where it does not
    int left = 4;
    int right = 4;
    int bottom = 4;
    int caption = 18;    // the caption's height
    int buttonBand = 18; // the height of the caption the buttons are centred in
    QSize minButton;
    QSize maxButton;
    QSize closeButton;
    int gapMinMax = 2;
    int gapMaxClose = 2;
    int buttonsRight = 2; // from the caption's right end to the close button
    int textInset = 2;    // from the caption's left end to its text
    StyleValue::Margins captionMargins;
};

struct SceneSizes {
    FrameSizes window; // the inactive and the active window
    FrameSizes dialog; // the message box
    int menuHeight = 19;
    int scrollWidth = 16;
    int arrowHeight = 16;
    // The pixel sizes of the fonts of the menu, the message box (and window text) and the
    // tooltip.
    int menuText = 11;
    int messageText = 11;
    int toolTipText = 11;
};

constexpr int kPushWidth = 75;
constexpr int kPushHeight = 23;
// The client edge: two pixels.
constexpr int kClientEdge = 2;

Scene layOut(const SceneSizes& sizes, const QSize& size);

} // namespace StylePreview
