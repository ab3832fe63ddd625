#pragma once
// A drawable style for the preview's tests: colour schemes Blue and Olive, each with a
// caption bitmap of its own; frames, caption buttons (with a glyph) and push buttons of
// bitmaps whose every image has its own colour; no scroll bar images.

#include "StyleFileBuilder.h"

#include <string>

namespace testing_support {

// The colours the bitmaps are made of.
namespace previewColours {
constexpr uint32_t kBlueCaption = 0x2050A0;
constexpr uint32_t kOliveCaption = 0x607020;
constexpr uint32_t kCaptionCorners[4] = {0x010101, 0x020202, 0x030303, 0x040404};
constexpr uint32_t kFrame = 0x00C000;
constexpr uint32_t kGlyph = 0xFF0000;
// Image i (1-5) of the push button, and of the caption buttons (1-4).
constexpr uint32_t push(int image) {
    return 0x100000u * uint32_t(image) + 0x33;
}
constexpr uint32_t captionButton(int image) {
    return 0x001000u * uint32_t(image) + 0x440000;
}
constexpr uint32_t kBackground = 0x008080;
constexpr uint32_t kWindow = 0xFAFAFA;
constexpr uint32_t kButtonFace = 0x0A141E;
} // namespace previewColours

// count images of width x height stacked, image i all colour(i).
template <class Colour> std::string stacked(int count, int width, int height, Colour colour) {
    std::vector<std::vector<uint32_t>> pixels;
    for (int i = 1; i <= count; ++i)
        for (int y = 0; y < height; ++y)
            pixels.push_back(std::vector<uint32_t>(size_t(width), colour(i)));
    return dib24(pixels);
}

inline std::u16string previewIni(const std::u16string& captionFile, const std::u16string& extra = u"") {
    return u"[SysMetrics]\r\nBackground = 0 128 128\r\nWindow = 250 250 250\r\nBtnFace = 10 20 30\r\n"
           u"ScrollbarWidth = 20\r\n"
           u"[Window]\r\nImageCount = 4\r\nSizingMargins = 2, 2, 2, 2\r\n"
           u"[Window.Caption]\r\nImageFile = gen\\" +
           captionFile +
           u"\r\nImageCount = 2\r\nSizingMargins = 3, 3, 3, 3\r\nTransparent = True\r\n"
           u"TextColor = 255 255 0\r\nCaptionMargins = 2, 2, 0, 0\r\n"
           u"[Window.FrameLeft]\r\nImageFile = gen\\frame.bmp\r\nImageCount = 2\r\n"
           u"[Window.FrameRight]\r\nImageFile = gen\\frame.bmp\r\nImageCount = 2\r\n"
           u"[Window.FrameBottom]\r\nImageFile = gen\\frame.bmp\r\nImageCount = 2\r\n"
           u"[Window.CloseButton]\r\nImageFile = gen\\button.bmp\r\nGlyphType = ImageGlyph\r\n"
           u"GlyphImageFile = gen/glyph.bmp\r\n"
           u"[Window.MaxButton]\r\nImageFile = gen\\button.bmp\r\n"
           u"[Window.MinButton]\r\nImageFile = gen\\button.bmp\r\n"
           u"[Button.Pushbutton]\r\nImageFile = gen\\push.bmp\r\nImageCount = 5\r\n"
           u"SizingMargins = 3, 3, 3, 3\r\nContentMargins = 2, 2, 2, 2\r\n" +
           extra;
}

inline DrawableStyle previewStyle() {
    using namespace previewColours;
    DrawableStyle style;
    style.blueIni = previewIni(u"caption.bmp");
    style.oliveIni = previewIni(u"olive_caption.bmp");
    auto blue = cornered(12, 20, kBlueCaption, kCaptionCorners);
    // The first image's corners; its second pixel magenta, the colour keyed out.
    blue[9] = blue[0];
    blue[9][0] = kCaptionCorners[2];
    blue[9][11] = kCaptionCorners[3];
    blue[0][1] = 0xFF00FF;
    for (size_t y = 10; y < 20; ++y)
        blue[y].assign(12, 0x808080);
    style.bitmaps = {
        {u"GEN_CAPTION_BMP", dib24(blue)},
        {u"GEN_OLIVE_CAPTION_BMP",
         dib24(std::vector<std::vector<uint32_t>>(20, std::vector<uint32_t>(12, kOliveCaption)))},
        {u"GEN_FRAME_BMP", stacked(2, 6, 6, [](int) { return kFrame; })},
        {u"GEN_BUTTON_BMP", stacked(4, 16, 16, captionButton)},
        {u"GEN_GLYPH_BMP",
         dib32(std::vector<std::vector<uint32_t>>(24, std::vector<uint32_t>(6, 0xFF000000 | kGlyph)))},
        {u"GEN_PUSH_BMP", stacked(5, 10, 10, push)},
    };
    return style;
}

} // namespace testing_support
