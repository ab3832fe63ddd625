// The preview scene: where each element goes, exact pixels of the captions, frames and
// buttons against the bitmaps they come from (Wine's Light, variants of it and a generated
// style) or the classic look's colours and sizes, the item a click selects, the colour
// scheme chosen, and hostile files and looks that get no picture or a bounded one, never a
// crash.

#include "style/StylePreview.h"
#include "style/StyleFile.h"
#include "style/StyleLook.h"

#include "PreviewStyles.h"
#include "WineLight.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace testing_support;
using namespace testing_support::previewColours;

namespace {

StyleFile fileOf(const std::string& image) {
    return StyleFile::fromData(QByteArray(image.data(), qsizetype(image.size())));
}

uint32_t rgb(const QImage& image, const QPoint& at) {
    return image.pixel(at) & 0xFFFFFF;
}

// Replaces every "from" in both INI files.
DrawableStyle edited(DrawableStyle style, const std::u16string& from, const std::u16string& to) {
    for (std::u16string* ini : {&style.blueIni, &style.oliveIni})
        for (size_t at = ini->find(from); at != std::u16string::npos; at = ini->find(from, at + to.size()))
            ini->replace(at, from.size(), to);
    return style;
}

// The pixels of a part drawn 1:1 in its corners (margins given) that are opaque in the
// source; each one must be in the picture at the same place. How many there were.
// skip (in the frame) and covered (in the picture: parts drawn over it) are left out.
int compareCorners(const QImage& picture, const QRect& part, const QImage& source, const QRect& frame,
                   int left, int right, int top, int bottom, const QRect& skip = QRect(),
                   const QList<QRect>& covered = {}) {
    int compared = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const bool inCorner =
                (x < left || x >= frame.width() - right) && (y < top || y >= frame.height() - bottom);
            const QRgb s = source.pixel(frame.x() + x, frame.y() + y);
            if (!inCorner || qAlpha(s) != 255 || (s & 0xFFFFFF) == 0xFF00FF || skip.contains(x, y))
                continue;
            // Where the part is narrower than the image, the right and bottom corners move in.
            const int px = x < left ? x : part.width() - (frame.width() - x);
            const int py = y < top ? y : part.height() - (frame.height() - y);
            const QPoint at = part.topLeft() + QPoint(px, py);
            if (std::any_of(covered.begin(), covered.end(), [&](const QRect& r) { return r.contains(at); }))
                continue;
            EXPECT_EQ(rgb(picture, at), s & 0xFFFFFF)
                << "source " << x << "," << y << " of " << frame.x() << "," << frame.y();
            ++compared;
        }
    }
    return compared;
}

} // namespace

TEST(StylePreviewTest, AGeneratedStyleIsDrawnFromItsOwnBitmaps) {
    const StylePreview::Result result = StylePreview::render(fileOf(previewStyle().build()));
    ASSERT_FALSE(result.image.isNull()) << qPrintable(result.error);
    const QImage& p = result.image;
    const StylePreview::Scene& s = result.scene;
    EXPECT_EQ(p.size(), StylePreview::kSize);
    EXPECT_EQ(rgb(p, QPoint(0, 0)), kBackground);

    // The active caption's four corners 1:1; magenta keyed out, the desktop showing
    // through. The inactive one is the caption's second image.
    const QRect& caption = s.active.caption;
    EXPECT_EQ(rgb(p, caption.topLeft()), kCaptionCorners[0]);
    EXPECT_EQ(rgb(p, caption.topRight()), kCaptionCorners[1]);
    EXPECT_EQ(rgb(p, caption.bottomLeft()), kCaptionCorners[2]);
    EXPECT_EQ(rgb(p, caption.bottomRight()), kCaptionCorners[3]);
    // (Behind it, the inactive window's client: the standard application background.)
    EXPECT_EQ(rgb(p, caption.topLeft() + QPoint(1, 0)), 0x808080u);
    EXPECT_EQ(rgb(p, caption.topLeft() + QPoint(5, 1)), kBlueCaption);
    EXPECT_EQ(rgb(p, s.inactive.caption.topLeft()), 0x808080u);
    EXPECT_EQ(rgb(p, s.messageBox.caption.topLeft()), kCaptionCorners[0]);

    EXPECT_EQ(rgb(p, s.active.frameLeft.center()), kFrame);
    EXPECT_EQ(rgb(p, s.inactive.frameLeft.center()), kFrame);
    EXPECT_EQ(rgb(p, s.messageBox.frameBottom.center()), kFrame);
    EXPECT_EQ(s.active.frameLeft.width(), 6);

    // Caption buttons: image 1 of the four [Window] gives them all (its bottom corner is
    // image 1's, not image 4's), in both windows; the close button's glyph in its centre.
    for (const StylePreview::SceneWindow* w : {&s.active, &s.inactive})
        for (const QRect& button : {w->minButton, w->maxButton, w->closeButton}) {
            EXPECT_EQ(rgb(p, button.topLeft()), captionButton(1));
            EXPECT_EQ(rgb(p, button.bottomLeft()), captionButton(1));
        }
    EXPECT_EQ(rgb(p, s.active.closeButton.center()), kGlyph);
    EXPECT_EQ(rgb(p, s.messageBox.closeButton.center()), kGlyph);
    EXPECT_EQ(rgb(p, s.active.minButton.center()), captionButton(1));
    EXPECT_LT(s.active.minButton.right(), s.active.maxButton.left());
    EXPECT_LT(s.active.maxButton.right(), s.active.closeButton.left());
    EXPECT_TRUE(s.messageBox.minButton.isEmpty());

    // The message box's defaulted push button is image 5, on the button face.
    EXPECT_EQ(rgb(p, s.okButton.topLeft()), push(5));
    EXPECT_EQ(rgb(p, s.okButton.bottomRight()), push(5));
    EXPECT_EQ(s.okButton.size(), QSize(75, 23));
    EXPECT_EQ(rgb(p, s.messageBox.client.topLeft()), kButtonFace);
    EXPECT_TRUE(s.messageBox.client.contains(s.okButton));

    // What the style has no image for is drawn in the classic look of its [SysMetrics]
    // (Windows' standard colours for what they leave out): the window area in its window
    // colour inside a sunken edge; the scroll bar, at the width it gives, with raised
    // arrows and thumb in its button face; a raised menu.
    EXPECT_EQ(rgb(p, s.windowArea.bottomLeft() + QPoint(3, -3)), kWindow);
    EXPECT_EQ(rgb(p, s.windowArea.topLeft()), 0x808080u);
    EXPECT_EQ(s.scrollBar.width(), 20);
    EXPECT_EQ(rgb(p, s.upArrow.topLeft() + QPoint(2, 2)), kButtonFace);
    EXPECT_EQ(rgb(p, s.upArrow.topLeft()), 0xFFFFFFu);
    EXPECT_EQ(rgb(p, s.thumb.topLeft() + QPoint(2, 2)), kButtonFace);
    EXPECT_TRUE(s.windowArea.contains(s.scrollBar));
    EXPECT_EQ(rgb(p, s.menuBar.topRight()), 0xD4D0C8u);
    EXPECT_EQ(rgb(p, s.menuSelected.topLeft()), 0x0A246Au);
    EXPECT_EQ(rgb(p, s.toolTip.topLeft()), 0x000000u);
    EXPECT_EQ(rgb(p, s.toolTip.topLeft() + QPoint(1, 1)), 0xFFFFE1u);
}

TEST(StylePreviewTest, TheChosenColourSchemeIsDrawnAndOneTheStyleLacksIsNot) {
    const StyleFile file = fileOf(previewStyle().build());
    const auto olive = StylePreview::render(file, 1, 0);
    ASSERT_FALSE(olive.image.isNull()) << qPrintable(olive.error);
    EXPECT_EQ(rgb(olive.image, olive.scene.active.caption.topLeft() + QPoint(5, 1)), kOliveCaption);
    EXPECT_EQ(rgb(olive.image, olive.scene.active.caption.topLeft()), kOliveCaption);
    // A scheme or size the style does not have cannot be drawn.
    EXPECT_TRUE(StylePreview::render(file, 2, 0).image.isNull());
    EXPECT_EQ(StylePreview::render(file, 0, 1).error,
              "its style file holds no INI data for the colour scheme and size");
}

TEST(StylePreviewTest, WinesLightIsDrawnFromItsOwnBitmapsInTheScene) {
    REQUIRE_WINE_LIGHT(light);
    const StylePreview::Result result = StylePreview::render(light);
    ASSERT_FALSE(result.image.isNull()) << qPrintable(result.error);
    const QImage& p = result.image;
    const StylePreview::Scene& s = result.scene;
    EXPECT_EQ(p.size(), StylePreview::kSize);

    // Where each element goes: the caption 29 high (half the caption bitmap), frames of
    // 8, 8 and 3 pixels, caption buttons at their images' sizes, the menu bar 19 high,
    // the scroll bar 17 wide, the message box in front at the bottom.
    EXPECT_EQ(s.inactive.window, QRect(8, 8, 378, 136));
    EXPECT_EQ(s.inactive.caption, QRect(8, 8, 378, 29));
    EXPECT_EQ(s.active.window, QRect(25, 42, 378, 204));
    EXPECT_EQ(s.active.caption, QRect(25, 42, 378, 29));
    EXPECT_EQ(s.active.frameLeft, QRect(25, 71, 8, 172));
    EXPECT_EQ(s.active.frameBottom, QRect(25, 243, 378, 3));
    EXPECT_EQ(s.active.client, QRect(33, 71, 362, 172));
    EXPECT_EQ(s.active.minButton, QRect(327, 48, 17, 17));
    EXPECT_EQ(s.active.maxButton, QRect(346, 48, 17, 17));
    EXPECT_EQ(s.active.closeButton, QRect(365, 48, 28, 17));
    EXPECT_EQ(s.menuBar, QRect(33, 71, 362, 19));
    EXPECT_EQ(s.menuNormal, QRect(33, 71, 56, 19));
    EXPECT_EQ(s.menuDisabled, QRect(89, 71, 70, 19));
    EXPECT_EQ(s.menuSelected, QRect(159, 71, 70, 19));
    EXPECT_EQ(s.windowArea, QRect(33, 90, 362, 153));
    EXPECT_EQ(s.windowText, QRect(39, 95, 77, 16));
    EXPECT_EQ(s.scrollBar, QRect(376, 92, 17, 149));
    EXPECT_EQ(s.upArrow, QRect(376, 92, 17, 17));
    EXPECT_EQ(s.downArrow, QRect(376, 224, 17, 17));
    EXPECT_EQ(s.thumb, QRect(376, 132, 17, 38));
    EXPECT_EQ(s.toolTip, QRect(178, 119, 57, 18));
    EXPECT_EQ(s.messageBox.window, QRect(133, 178, 186, 95));
    EXPECT_EQ(s.messageBox.closeButton, QRect(281, 184, 28, 17));
    EXPECT_EQ(s.messageText, QRect(157, 215, 84, 16));
    EXPECT_EQ(s.okButton, QRect(188, 239, 75, 23));

    // The captions: 66 x 58, two images (active, inactive); sizing margins 28, 35, 9, 17.
    const auto caption = light.bitmap("blue_window_caption.bmp", 1 << 20);
    ASSERT_TRUE(caption);
    const QList<QRect> activeCovers = {s.active.minButton, s.active.maxButton, s.active.closeButton,
                                       s.active.captionText};
    EXPECT_GT(compareCorners(p, s.active.caption, caption->image, QRect(0, 0, 66, 29), 28, 35, 9, 17, QRect(),
                             activeCovers),
              500);
    EXPECT_GT(compareCorners(p, s.inactive.caption, caption->image, QRect(0, 29, 66, 29), 28, 35, 9, 17,
                             QRect(),
                             {s.inactive.minButton, s.inactive.maxButton, s.inactive.closeButton,
                              s.inactive.captionText}),
              500);

    // The close button: 28 x 17 images, eight of them, magenta keyed out; its glyph, the
    // first of eight 13-pixel images picked at 96 dpi, centred on it.
    const auto close = light.bitmap("blue_window_close_button_background.bmp", 1 << 20);
    ASSERT_TRUE(close);
    EXPECT_GT(compareCorners(p, s.active.closeButton, close->image, QRect(0, 0, 28, 17), 2, 2, 7, 7,
                             QRect(7, 2, 14, 13)),
              30);
    // Without its glyph (a variant whose close button names a glyph file it lacks), the
    // picture differs in that square alone (and on the other windows' close buttons).
    const QString section = lightSection(light, QStringLiteral("Window.CloseButton"));
    const QString glyphFile = QStringLiteral("ImageFile1 = blue_window_close_button_glyph_13px.bmp");
    ASSERT_TRUE(section.contains(glyphFile));
    const std::string plain = lightVariant(
        light, {{"Window.CloseButton", QString(section).replace(glyphFile, "ImageFile1 = missing.bmp")}}, {});
    const QImage without = StylePreview::render(fileOf(plain)).image;
    ASSERT_EQ(without.size(), p.size());
    int differing = 0;
    const QRect glyphAt(s.active.closeButton.topLeft() + QPoint(8, 2), QSize(13, 13));
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if (p.pixel(x, y) != without.pixel(x, y)) {
                const QPoint at(x, y);
                EXPECT_TRUE(glyphAt.contains(at) || s.inactive.closeButton.contains(at) ||
                            s.messageBox.closeButton.contains(at))
                    << x << "," << y;
                differing += glyphAt.contains(at);
            }
    EXPECT_GT(differing, 20);

    // The message box's defaulted push button: image 5 of the six of blue_button.bmp
    // (22 x 23 each); it is not the normal image.
    const auto button = light.bitmap("blue_button.bmp", 1 << 20);
    ASSERT_TRUE(button);
    EXPECT_GT(compareCorners(p, s.okButton, button->image, QRect(0, 4 * 23, 22, 23), 8, 8, 8, 8), 100);
    bool differs = false;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 22; ++x)
            differs = differs || button->image.pixel(x, 4 * 23 + y) != button->image.pixel(x, y);
    EXPECT_TRUE(differs);

    // The arrows: images 1 and 5 of twenty 17 x 17 ones, their glyphs in the middle left out.
    const auto arrows = light.bitmap("blue_scrollbar_arrows.bmp", 1 << 20);
    ASSERT_TRUE(arrows);
    EXPECT_GT(
        compareCorners(p, s.upArrow, arrows->image, QRect(0, 0, 17, 17), 8, 8, 8, 8, QRect(2, 2, 13, 13)),
        20);
    EXPECT_GT(compareCorners(p, s.downArrow, arrows->image, QRect(0, 4 * 17, 17, 17), 8, 8, 8, 8,
                             QRect(2, 2, 13, 13)),
              20);

    // Light's own colours: its desktop, its flat menu's selection.
    EXPECT_EQ(rgb(p, QPoint(0, 0)), 0x256F95u);
    EXPECT_EQ(rgb(p, s.menuSelected.topLeft()), 0x3096FAu);
}

TEST(StylePreviewTest, CaptionButtonsOfALightVariantShowTheirImageGlyphs) {
    REQUIRE_WINE_LIGHT(light);
    // Glyphs 9, 13 and 19 pixels square, eight images each (four states of the active
    // window, four of the inactive one): a square of colour base + image on a green
    // ground that is keyed out.
    const auto glyphs = [](int side, uint32_t base) {
        std::vector<std::vector<uint32_t>> pixels;
        for (uint32_t image = 1; image <= 8; ++image)
            for (int y = 0; y < side; ++y) {
                pixels.emplace_back(size_t(side), 0x00FF00u);
                for (int x = 2; x < side - 2 && y >= 2 && y < side - 2; ++x)
                    pixels.back()[size_t(x)] = base + image;
            }
        return dib24(pixels);
    };
    const QString background = QStringLiteral(
        "BgType = ImageFile\r\nSizingType = Stretch\r\nImageLayout = Vertical\r\nGlyphType = ImageGlyph\r\n"
        "ImageCount = 8\r\nTransparent = True\r\nGlyphTransparent = True\r\nGlyphTransparentColor = 0 255 "
        "0\r\n"
        "SizingMargins = 2, 2, 7, 7\r\nContentMargins = 0, 0, 0, 0\r\n");
    const std::string variant = lightVariant(
        light,
        {// Picked by size, no MinSize: the largest image no larger than the 17-pixel button.
         {"Window.MinButton", background + "ImageFile = blue_window_min_button_background.bmp\r\n"
                                           "ImageSelectType = Size\r\nImageFile1 = gen\\min9.bmp\r\n"
                                           "ImageFile2 = gen\\min13.bmp\r\nImageFile3 = gen\\min19.bmp\r\n"},
         // One glyph file.
         {"Window.MaxButton",
          background +
              "ImageFile = blue_window_max_button_background.bmp\r\nGlyphImageFile = gen\\max13.bmp\r\n"},
         // Picked by dots per inch, at the right of the button.
         {"Window.CloseButton", background + "ImageFile = blue_window_close_button_background.bmp\r\n"
                                             "ImageSelectType = Dpi\r\nImageFile1 = gen\\close13.bmp\r\n"
                                             "MinDpi1 = 96\r\nImageFile2 = gen\\close19.bmp\r\n"
                                             "MinDpi2 = 120\r\nHAlign = Right\r\n"}},
        {{u"GEN_MIN9_BMP", glyphs(9, 0xA00000)},
         {u"GEN_MIN13_BMP", glyphs(13, 0xB00000)},
         {u"GEN_MIN19_BMP", glyphs(19, 0xC00000)},
         {u"GEN_MAX13_BMP", glyphs(13, 0xD00000)},
         {u"GEN_CLOSE13_BMP", glyphs(13, 0x0000A0)},
         {u"GEN_CLOSE19_BMP", glyphs(19, 0x0000C0)}});
    const StylePreview::Result result = StylePreview::render(fileOf(variant));
    ASSERT_FALSE(result.image.isNull()) << qPrintable(result.error);
    const QImage& p = result.image;
    const StylePreview::Scene& s = result.scene;

    // Each 13-pixel glyph centred on its 17 x 17 button (at 2, 2), its square from 4 to 12;
    // the inactive window's buttons show the images of its states (5 of 8).
    for (const auto& [w, image] : {std::pair{&s.active, 1u}, std::pair{&s.inactive, 5u}}) {
        EXPECT_EQ(w->minButton.size(), QSize(17, 17));
        EXPECT_EQ(rgb(p, w->minButton.topLeft() + QPoint(4, 4)), 0xB00000 + image);
        EXPECT_EQ(rgb(p, w->minButton.topLeft() + QPoint(12, 12)), 0xB00000 + image);
        EXPECT_EQ(rgb(p, w->maxButton.center()), 0xD00000 + image);
        // The close button's glyph at its right end: 15 to 27 of 28.
        EXPECT_EQ(rgb(p, w->closeButton.topLeft() + QPoint(17, 4)), 0x0000A0 + image);
        EXPECT_EQ(rgb(p, w->closeButton.topLeft() + QPoint(25, 12)), 0x0000A0 + image);
        EXPECT_NE(rgb(p, w->closeButton.topLeft() + QPoint(10, 8)), 0x0000A0 + image);
        // The green ground around each square is keyed out.
        for (const QRect& button : {w->minButton, w->maxButton, w->closeButton})
            for (int x = 0; x < button.width(); ++x)
                EXPECT_NE(rgb(p, button.topLeft() + QPoint(x, 3)), 0x00FF00u);
    }
    EXPECT_EQ(rgb(p, s.messageBox.closeButton.topLeft() + QPoint(21, 8)), 0x0000A1u);
}

TEST(StylePreviewTest, TheClassicLookIsDrawnFromItsColoursSizesAndFonts) {
    using appearance::SysColor;
    appearance::ClassicLook look;
    for (int i = 0; i < appearance::SysColorCount; ++i)
        look.colors[size_t(i)] = qRgb(4 * i + 1, 250 - 4 * i, 100 + 3 * i);
    const auto colour = [&](SysColor c) { return look.colors[size_t(c)] & 0xFFFFFF; };
    appearance::Metrics metrics = *StyleLook::standard().metrics;
    metrics.captionHeight = 25;
    metrics.captionWidth = 30;
    metrics.borderWidth = 3;
    metrics.scrollWidth = 21;
    metrics.scrollHeight = 19;
    metrics.menuHeight = 22;
    look.metrics = metrics;
    look.gradientCaptions = false;
    look.flatMenus = false;

    const StylePreview::Result result = StylePreview::render(look);
    ASSERT_FALSE(result.image.isNull()) << qPrintable(result.error);
    const QImage& p = result.image;
    const StylePreview::Scene& s = result.scene;
    EXPECT_EQ(p.size(), StylePreview::kSize);
    EXPECT_EQ(rgb(p, QPoint(0, 0)), colour(SysColor::Background));

    // The frame: a raised edge, the sizing border (3), a line of button face; the caption
    // bar 25 high and a line below it; buttons 28 x 21, the close button apart.
    const QRect& w = s.active.window;
    const int middle = w.center().y();
    EXPECT_EQ(rgb(p, w.topLeft()), colour(SysColor::ButtonLight));
    EXPECT_EQ(rgb(p, w.topLeft() + QPoint(1, 1)), colour(SysColor::ButtonHilight));
    EXPECT_EQ(rgb(p, w.bottomRight()), colour(SysColor::ButtonDkShadow));
    EXPECT_EQ(rgb(p, w.bottomRight() - QPoint(1, 1)), colour(SysColor::ButtonShadow));
    for (int x = 2; x < 5; ++x)
        EXPECT_EQ(rgb(p, QPoint(w.x() + x, middle)), colour(SysColor::ActiveBorder));
    EXPECT_EQ(rgb(p, QPoint(w.x() + 5, middle)), colour(SysColor::ButtonFace));
    EXPECT_EQ(rgb(p, QPoint(s.inactive.window.x() + 2, s.inactive.window.center().y())),
              colour(SysColor::InactiveBorder));
    EXPECT_EQ(s.active.frameLeft.width(), 6);
    EXPECT_EQ(s.active.caption, QRect(w.x() + 6, w.y() + 6, w.width() - 12, 26));
    EXPECT_EQ(rgb(p, s.active.caption.topRight()), colour(SysColor::ActiveTitle));
    EXPECT_EQ(rgb(p, s.active.caption.bottomLeft()), colour(SysColor::ButtonFace));
    EXPECT_EQ(rgb(p, s.inactive.caption.topRight()), colour(SysColor::InactiveTitle));
    EXPECT_EQ(s.active.closeButton.size(), QSize(28, 21));
    EXPECT_EQ(s.active.closeButton.right(), s.active.caption.right() - 2);
    EXPECT_EQ(s.active.maxButton.right(), s.active.closeButton.left() - 3);
    EXPECT_EQ(s.active.minButton.right(), s.active.maxButton.left() - 1);
    EXPECT_EQ(rgb(p, s.active.closeButton.topLeft()), colour(SysColor::ButtonHilight));
    EXPECT_EQ(rgb(p, s.active.closeButton.topLeft() + QPoint(2, 2)), colour(SysColor::ButtonFace));
    int symbol = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 28; ++x)
            symbol += rgb(p, s.active.closeButton.topLeft() + QPoint(x, y)) == colour(SysColor::ButtonText);
    EXPECT_GT(symbol, 10);

    // A raised menu: its bar in the menu colour, the selected item in the selection's.
    EXPECT_EQ(s.menuBar.height(), 23);
    EXPECT_EQ(rgb(p, s.menuBar.topRight()), colour(SysColor::Menu));
    EXPECT_EQ(rgb(p, s.menuSelected.topLeft()), colour(SysColor::Hilight));
    // The window area, its scroll bar, the tooltip, the application background.
    EXPECT_EQ(rgb(p, s.windowArea.topLeft()), colour(SysColor::ButtonShadow));
    EXPECT_EQ(rgb(p, s.windowArea.bottomLeft() + QPoint(3, -3)), colour(SysColor::Window));
    EXPECT_EQ(s.scrollBar.width(), 21);
    EXPECT_EQ(s.upArrow.height(), 19);
    EXPECT_EQ(rgb(p, QPoint(s.scrollBar.center().x(), s.upArrow.bottom() + 1)), colour(SysColor::Scrollbar));
    EXPECT_EQ(rgb(p, s.thumb.topLeft()), colour(SysColor::ButtonLight));
    EXPECT_EQ(rgb(p, s.toolTip.topLeft()), colour(SysColor::WindowFrame));
    EXPECT_EQ(rgb(p, s.toolTip.topLeft() + QPoint(1, 1)), colour(SysColor::InfoWindow));
    EXPECT_EQ(rgb(p, s.inactive.client.bottomLeft() + QPoint(1, -1)), colour(SysColor::AppWorkSpace));
    // The message box: a dialog frame (no sizing border), its face, a defaulted OK.
    EXPECT_EQ(s.messageBox.frameLeft.width(), 3);
    EXPECT_EQ(rgb(p, s.messageBox.client.topLeft()), colour(SysColor::ButtonFace));
    EXPECT_EQ(rgb(p, s.okButton.topLeft()), colour(SysColor::WindowFrame));
    EXPECT_EQ(rgb(p, s.okButton.topLeft() + QPoint(1, 1)), colour(SysColor::ButtonHilight));

    // Gradient captions run from the title colour to its gradient colour; a flat menu
    // has the menu bar's colour and a framed selection.
    look.gradientCaptions = true;
    look.flatMenus = true;
    const StylePreview::Result flat = StylePreview::render(look);
    const auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 3 && qAbs(qGreen(a) - qGreen(b)) <= 3 &&
               qAbs(qBlue(a) - qBlue(b)) <= 3;
    };
    const QRect& bar = flat.scene.active.caption;
    EXPECT_TRUE(near(flat.image.pixel(bar.topLeft()), look.colors[SysColor::ActiveTitle]));
    EXPECT_TRUE(near(flat.image.pixel(bar.topRight()), look.colors[SysColor::GradientActiveTitle]));
    EXPECT_TRUE(near(flat.image.pixel(flat.scene.inactive.caption.topRight()),
                     look.colors[SysColor::GradientInactiveTitle]));
    EXPECT_EQ(rgb(flat.image, flat.scene.menuBar.topRight()), colour(SysColor::MenuBar));
    EXPECT_EQ(rgb(flat.image, flat.scene.menuSelected.topLeft()), colour(SysColor::Hilight));
    EXPECT_EQ(rgb(flat.image, flat.scene.menuSelected.topLeft() + QPoint(1, 1)),
              colour(SysColor::MenuHilight));

    // A look of colours alone is drawn in the standard sizes.
    look.metrics.reset();
    EXPECT_EQ(StylePreview::render(look).scene.active.caption.height(), 19);
    EXPECT_EQ(StylePreview::render(look).scene.scrollBar.width(), 16);
}

TEST(StylePreviewTest, AClickSelectsTheItemOfTheFrontmostElement) {
    using Item = StylePreview::Item;
    const auto check = [](const StylePreview::Scene& s) {
        const auto at = [&](const QPoint& point) { return StylePreview::itemAt(s, point); };
        EXPECT_EQ(at(QPoint(s.desktop.right(), 0)), Item::Desktop);
        EXPECT_EQ(at(s.inactive.caption.center()), Item::InactiveTitleBar);
        EXPECT_EQ(at(s.inactive.closeButton.center()), Item::CaptionButtons);
        EXPECT_EQ(at(QPoint(s.inactive.window.x(), s.inactive.frameLeft.center().y())),
                  Item::InactiveWindowBorder);
        EXPECT_EQ(at(s.inactive.client.bottomLeft() + QPoint(1, -1)), Item::ApplicationBackground);
        EXPECT_EQ(at(s.active.caption.center()), Item::ActiveTitleBar);
        EXPECT_EQ(at(s.active.minButton.center()), Item::CaptionButtons);
        EXPECT_EQ(at(QPoint(s.active.window.right(), s.active.frameRight.center().y())),
                  Item::ActiveWindowBorder);
        EXPECT_EQ(at(s.menuNormal.center()), Item::Menu);
        EXPECT_EQ(at(s.menuDisabled.center()), Item::Menu);
        EXPECT_EQ(at(s.menuSelected.center()), Item::SelectedItems);
        EXPECT_EQ(at(s.windowText.center()), Item::Window);
        EXPECT_EQ(at(s.windowArea.topLeft()), Item::Window);
        EXPECT_EQ(at(s.thumb.center()), Item::Scrollbar);
        EXPECT_EQ(at(s.downArrow.center()), Item::Scrollbar);
        EXPECT_EQ(at(s.toolTip.center()), Item::ToolTip);
        // The message box lies over the active window.
        EXPECT_TRUE(s.active.window.intersects(s.messageBox.window));
        EXPECT_EQ(at(s.messageBox.caption.topLeft() + QPoint(4, 4)), Item::ActiveTitleBar);
        EXPECT_EQ(at(s.messageBox.closeButton.center()), Item::CaptionButtons);
        EXPECT_EQ(at(s.messageBox.frameBottom.center()), Item::ActiveWindowBorder);
        EXPECT_EQ(at(s.messageText.center()), Item::MessageBox);
        EXPECT_EQ(at(s.okButton.center()), Item::ThreeDObjects);
        EXPECT_EQ(at(QPoint(-1, 0)), std::nullopt);
        EXPECT_EQ(at(QPoint(0, s.desktop.height())), std::nullopt);
    };
    check(StylePreview::render(StyleLook::standard()).scene);
    check(StylePreview::render(fileOf(previewStyle().build())).scene);

    const std::pair<Item, const char*> names[] = {{Item::Desktop, "Desktop"},
                                                  {Item::ActiveTitleBar, "Active Title Bar"},
                                                  {Item::InactiveTitleBar, "Inactive Title Bar"},
                                                  {Item::ActiveWindowBorder, "Active Window Border"},
                                                  {Item::InactiveWindowBorder, "Inactive Window Border"},
                                                  {Item::Menu, "Menu"},
                                                  {Item::SelectedItems, "Selected Items"},
                                                  {Item::Window, "Window"},
                                                  {Item::MessageBox, "Message Box"},
                                                  {Item::ToolTip, "ToolTip"},
                                                  {Item::Scrollbar, "Scrollbar"},
                                                  {Item::ThreeDObjects, "3D Objects"},
                                                  {Item::CaptionButtons, "Caption Buttons"},
                                                  {Item::ApplicationBackground, "Application Background"}};
    for (const auto& [item, name] : names)
        EXPECT_EQ(StylePreview::itemName(item), name);
}

TEST(StylePreviewTest, TextIsDrawnWhereAnApplicationExists) {
    // This program has one; the test without one is test_preview_without_app.
    const StylePreview::Result result = StylePreview::render(StyleLook::standard());
    // How many pixels of rect are not its background's colour (text is smoothed).
    const auto inked = [&](const QRect& rect, QRgb background) {
        int found = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                found += (result.image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
        return found;
    };
    const auto& colors = StyleLook::standard().colors;
    const StylePreview::Scene& s = result.scene;
    EXPECT_GT(inked(s.windowText, colors[appearance::Window]), 20);
    EXPECT_GT(inked(s.menuNormal.adjusted(0, 1, 0, -1), colors[appearance::Menu]), 20);
    EXPECT_GT(inked(s.menuSelected, colors[appearance::Hilight]), 20);
    EXPECT_GT(inked(s.messageText, colors[appearance::ButtonFace]), 20);
    EXPECT_GT(inked(s.toolTip.adjusted(1, 1, -1, -1), colors[appearance::InfoWindow]), 20);
    int white = 0;
    for (int y = s.active.captionText.top(); y <= s.active.captionText.bottom(); ++y)
        for (int x = s.active.captionText.left(); x <= s.active.captionText.right(); ++x)
            white += qGray(result.image.pixel(x, y)) > 240;
    EXPECT_GT(white, 20);
}

TEST(StylePreviewTest, HostileFilesGetNoPictureButNeverACrash) {
    const auto error = [](const DrawableStyle& style) {
        return StylePreview::render(fileOf(style.build())).error;
    };
    const QString noCaption = "its style file holds no window caption that can be drawn";
    // More images than pixels: no image of the state.
    EXPECT_EQ(error(edited(previewStyle(), u"ImageCount = 2", u"ImageCount = 99999999")), noCaption);
    // A bitmap header that lies about its height, one of no width, one over the budget.
    DrawableStyle lying = previewStyle();
    PeBuilder::put32(lying.bitmaps[0].second, 8, 0x7FFFFFF);
    EXPECT_EQ(error(lying), noCaption);
    DrawableStyle empty = previewStyle();
    PeBuilder::put32(empty.bitmaps[0].second, 4, 0);
    EXPECT_EQ(error(empty), noCaption);
    DrawableStyle huge = previewStyle();
    // 2900 x 2900 pixels, every byte there: more than a preview decodes in all.
    huge.bitmaps[0].second = dib24({{0}});
    PeBuilder::put32(huge.bitmaps[0].second, 4, 2900);
    PeBuilder::put32(huge.bitmaps[0].second, 8, 2900);
    huge.bitmaps[0].second.resize(40 + 2900 * 8700, '\x01');
    EXPECT_EQ(error(huge), noCaption);
    // Not a style; INI data missing.
    EXPECT_EQ(StylePreview::render(fileOf("MZ")).error, "its style file cannot be read");
    EXPECT_EQ(StylePreview::render(fileOf(PeBuilder::build({{u"COLORNAMES", nameList({u"Blue"})},
                                                            {u"SIZENAMES", nameList({u"Normal"})}})))
                  .error,
              "its style file holds no INI data for the colour scheme and size");

    // What can be drawn is, however odd: margins far beyond the images, a caption section
    // alone, INI text of megabytes without a line end, parts of no size.
    for (const DrawableStyle& odd : {
             edited(previewStyle(), u"SizingMargins = 3, 3, 3, 3",
                    u"SizingMargins = 100000, -5, 100000, 99999"),
             edited(previewStyle(), u"ImageCount = 4", u"ImageCount = 0"),
             edited(previewStyle(), u"ScrollbarWidth = 20", u"ScrollbarWidth = -2147483648"),
             edited(previewStyle(), u"[Window.FrameLeft]", u"[Nothing]"),
             edited(previewStyle(), u"[SysMetrics]", u"[SysMetrics]\r\n" + std::u16string(2'000'000, u'x')),
             edited(previewStyle(), u"Background = 0 128 128",
                    u"CaptionFont = " + std::u16string(100000, u'F') + u", 99999"),
         }) {
        const auto result = StylePreview::render(fileOf(odd.build()));
        EXPECT_FALSE(result.image.isNull()) << qPrintable(result.error);
        EXPECT_EQ(result.image.size(), StylePreview::kSize);
    }
    DrawableStyle captionOnly = previewStyle();
    captionOnly.blueIni = u"[Window.Caption]\r\nImageFile = gen\\caption.bmp\r\nImageCount = 2\r\n";
    const auto plain = StylePreview::render(fileOf(captionOnly.build()));
    ASSERT_FALSE(plain.image.isNull());
    EXPECT_EQ(rgb(plain.image, plain.scene.active.caption.topLeft()), kCaptionCorners[0]);

    // Bytes damaged anywhere in the file.
    const std::string whole = previewStyle().build();
    std::mt19937 random(20250101);
    std::uniform_int_distribution<size_t> position(0, whole.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    int drawn = 0;
    for (int round = 0; round < 150; ++round) {
        std::string damaged = whole;
        for (int flips = 0; flips < 6; ++flips)
            damaged[position(random)] = char(byte(random));
        const auto result = StylePreview::render(fileOf(damaged));
        EXPECT_NE(result.image.isNull(), result.error.isEmpty());
        drawn += result.image.isNull() ? 0 : 1;
    }
    EXPECT_GT(drawn, 0);
}

TEST(StylePreviewTest, ARequestedSizeIsHeldWithinBoundsAndTheSceneWithinThePicture) {
    const StyleFile file = fileOf(previewStyle().build());
    EXPECT_EQ(StylePreview::render(file, 0, 0, QSize(10, 10)).image.size(), QSize(240, 160));
    EXPECT_EQ(StylePreview::render(file, 0, 0, QSize(100000, 500)).image.size(), QSize(2048, 500));
    EXPECT_EQ(StylePreview::render(file, 0, 0, QSize(-5, -5)).image.size(), QSize(240, 160));
    EXPECT_EQ(StylePreview::render(StyleLook::standard(), QSize(3000, 100)).image.size(), QSize(2048, 160));

    for (const QSize& size : {QSize(240, 160), StylePreview::kSize, QSize(2048, 300), QSize(240, 2048)})
        for (const StylePreview::Result& result :
             {StylePreview::render(file, 0, 0, size), StylePreview::render(StyleLook::standard(), size)}) {
            const StylePreview::Scene& s = result.scene;
            ASSERT_EQ(s.desktop, QRect(QPoint(0, 0), size));
            for (const StylePreview::SceneWindow* w : {&s.inactive, &s.active, &s.messageBox})
                for (const QRect& r : {w->window, w->caption, w->captionText, w->frameLeft, w->frameRight,
                                       w->frameBottom, w->minButton, w->maxButton, w->closeButton, w->client})
                    EXPECT_TRUE(r.isEmpty() || s.desktop.contains(r)) << size.width() << "x" << size.height();
            for (const QRect& r :
                 {s.menuBar, s.menuNormal, s.menuDisabled, s.menuSelected, s.windowArea, s.windowText,
                  s.scrollBar, s.upArrow, s.downArrow, s.thumb, s.toolTip, s.messageText, s.okButton}) {
                EXPECT_TRUE(r.isEmpty() || s.active.client.contains(r) || s.messageBox.client.contains(r))
                    << size.width() << "x" << size.height();
            }
        }
}

TEST(StylePreviewTest, AClassicLookOfAnySizesIsDrawnWithinThePicture) {
    appearance::ClassicLook look = StyleLook::standard();
    for (const int value :
         {std::numeric_limits<int>::min(), -1, 0, 1, 500, std::numeric_limits<int>::max()}) {
        appearance::Metrics& m = *look.metrics;
        m.borderWidth = m.scrollWidth = m.scrollHeight = m.captionWidth = m.captionHeight = value;
        m.menuHeight = m.paddedBorderWidth = value;
        m.captionFont.height = m.menuFont.height = m.messageFont.height = m.statusFont.height = value;
        m.captionFont.weight = value;
        const StylePreview::Result result = StylePreview::render(look);
        ASSERT_FALSE(result.image.isNull()) << value;
        EXPECT_EQ(result.image.size(), StylePreview::kSize);
        const StylePreview::Scene& s = result.scene;
        for (const QRect& r : {s.active.window, s.active.caption, s.active.closeButton, s.active.client,
                               s.menuBar, s.scrollBar, s.thumb, s.messageBox.window, s.okButton})
            EXPECT_TRUE(r.isEmpty() || s.desktop.contains(r)) << value;
    }
}
