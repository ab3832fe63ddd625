// The preview drawn from a style file: exact pixels of the caption, the frame and the
// buttons against the bitmaps they come from (Wine's Light and a generated style), the
// colour scheme chosen, and hostile files that get no picture but never a crash.

#include "style/StylePreview.h"
#include "style/StyleFile.h"

#include "PreviewStyles.h"
#include "WineLight.h"

#include <gtest/gtest.h>

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

    // The caption's four corners 1:1; magenta keyed out, the desktop showing through.
    EXPECT_EQ(rgb(p, s.caption.topLeft()), kCaptionCorners[0]);
    EXPECT_EQ(rgb(p, s.caption.topRight()), kCaptionCorners[1]);
    EXPECT_EQ(rgb(p, s.caption.bottomLeft()), kCaptionCorners[2]);
    EXPECT_EQ(rgb(p, s.caption.bottomRight()), kCaptionCorners[3]);
    EXPECT_EQ(rgb(p, s.caption.topLeft() + QPoint(1, 0)), kBackground);
    EXPECT_EQ(rgb(p, s.caption.topLeft() + QPoint(5, 1)), kBlueCaption);

    EXPECT_EQ(rgb(p, s.frameLeft.center()), kFrame);
    EXPECT_EQ(rgb(p, s.frameBottom.center()), kFrame);
    EXPECT_EQ(s.frameLeft.width(), 6);
    EXPECT_EQ(rgb(p, QPoint(s.client.x() + 4, s.client.center().y())), kWindow);

    // Caption buttons: image 1 of the four [Window] gives them all (its bottom corner is
    // image 1's, not image 4's); the close button's glyph in its centre.
    for (const QRect& button : {s.minButton, s.maxButton, s.closeButton}) {
        EXPECT_EQ(rgb(p, button.topLeft()), captionButton(1));
        EXPECT_EQ(rgb(p, button.bottomLeft()), captionButton(1));
    }
    EXPECT_EQ(rgb(p, s.closeButton.center()), kGlyph);
    EXPECT_EQ(rgb(p, s.minButton.center()), captionButton(1));
    EXPECT_LT(s.minButton.right(), s.maxButton.left());
    EXPECT_LT(s.maxButton.right(), s.closeButton.left());

    // The defaulted push button is image 5, the normal one image 1.
    EXPECT_EQ(rgb(p, s.okButton.topLeft()), push(5));
    EXPECT_EQ(rgb(p, s.okButton.bottomRight()), push(5));
    EXPECT_EQ(rgb(p, s.cancelButton.topLeft()), push(1));
    EXPECT_EQ(s.okButton.size(), QSize(75, 23));

    // No scroll bar images: drawn plainly in the button face colour, at [SysMetrics]'s width.
    EXPECT_EQ(s.scrollBar.width(), 20);
    EXPECT_EQ(rgb(p, s.upArrow.center()), kButtonFace);
    EXPECT_EQ(rgb(p, s.thumb.center()), kButtonFace);
    EXPECT_TRUE(s.client.contains(s.scrollBar));
    EXPECT_TRUE(s.client.contains(s.okButton));
}

TEST(StylePreviewTest, TheChosenColourSchemeIsDrawnAndOneTheStyleLacksIsNot) {
    const StyleFile file = fileOf(previewStyle().build());
    const auto olive = StylePreview::render(file, 1, 0);
    ASSERT_FALSE(olive.image.isNull()) << qPrintable(olive.error);
    EXPECT_EQ(rgb(olive.image, olive.scene.caption.topLeft() + QPoint(5, 1)), kOliveCaption);
    EXPECT_EQ(rgb(olive.image, olive.scene.caption.topLeft()), kOliveCaption);
    // A scheme or size the style does not have cannot be drawn.
    EXPECT_TRUE(StylePreview::render(file, 2, 0).image.isNull());
    EXPECT_EQ(StylePreview::render(file, 0, 1).error,
              "its style file holds no INI data for the colour scheme and size");
}

TEST(StylePreviewTest, WinesLightIsDrawnFromItsOwnBitmaps) {
    REQUIRE_WINE_LIGHT(light);
    const StylePreview::Result result = StylePreview::render(light);
    ASSERT_FALSE(result.image.isNull()) << qPrintable(result.error);
    const QImage& p = result.image;
    const StylePreview::Scene& s = result.scene;
    EXPECT_GE(p.width(), 240);
    EXPECT_GE(p.height(), 160);

    // The caption: 66 x 58, two images; sizing margins 28, 35, 9, 17.
    const auto caption = light.bitmap("blue_window_caption.bmp", 1 << 20);
    ASSERT_TRUE(caption);
    EXPECT_EQ(s.caption.height(), 29);
    EXPECT_GT(compareCorners(p, s.caption, caption->image, QRect(0, 0, 66, 29), 28, 35, 9, 17, QRect(),
                             {s.minButton, s.maxButton, s.closeButton, s.captionText}),
              500);

    // The close button: 28 x 17 images, eight of them, magenta keyed out; its glyph in
    // the middle is left out of the comparison.
    const auto close = light.bitmap("blue_window_close_button_background.bmp", 1 << 20);
    ASSERT_TRUE(close);
    EXPECT_EQ(s.closeButton.size(), QSize(28, 17));
    EXPECT_GT(
        compareCorners(p, s.closeButton, close->image, QRect(0, 0, 28, 17), 2, 2, 7, 7, QRect(7, 2, 14, 13)),
        30);

    // The defaulted push button: image 5 of the six of blue_button.bmp (22 x 23 each);
    // it is not the normal image.
    const auto button = light.bitmap("blue_button.bmp", 1 << 20);
    ASSERT_TRUE(button);
    EXPECT_GT(compareCorners(p, s.okButton, button->image, QRect(0, 4 * 23, 22, 23), 8, 8, 8, 8), 100);
    bool differs = false;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 22; ++x)
            differs = differs || button->image.pixel(x, 4 * 23 + y) != button->image.pixel(x, y);
    EXPECT_TRUE(differs);
    EXPECT_GT(compareCorners(p, s.cancelButton, button->image, QRect(0, 0, 22, 23), 8, 8, 8, 8), 100);

    // The up arrow: image 1 of twenty 17 x 17 ones, its glyph in the middle left out.
    const auto arrows = light.bitmap("blue_scrollbar_arrows.bmp", 1 << 20);
    ASSERT_TRUE(arrows);
    EXPECT_EQ(s.upArrow.size(), QSize(17, 17));
    EXPECT_GT(
        compareCorners(p, s.upArrow, arrows->image, QRect(0, 0, 17, 17), 8, 8, 8, 8, QRect(2, 2, 13, 13)),
        20);
    EXPECT_GT(compareCorners(p, s.downArrow, arrows->image, QRect(0, 4 * 17, 17, 17), 8, 8, 8, 8,
                             QRect(2, 2, 13, 13)),
              20);
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
    EXPECT_EQ(rgb(plain.image, plain.scene.caption.topLeft()), kCaptionCorners[0]);

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

TEST(StylePreviewTest, ARequestedSizeIsHeldWithinBounds) {
    const StyleFile file = fileOf(previewStyle().build());
    EXPECT_EQ(StylePreview::render(file, 0, 0, QSize(10, 10)).image.size(), QSize(240, 160));
    EXPECT_EQ(StylePreview::render(file, 0, 0, QSize(100000, 500)).image.size(), QSize(2048, 500));
    EXPECT_EQ(StylePreview::render(file, 0, 0, QSize(-5, -5)).image.size(), QSize(240, 160));
}
