// One part of a style: which image of which bitmap its state draws, which pixels of it
// show, and the properties it finds through the fallback order.

#include "style/ThemePart.h"
#include "style/StyleFile.h"

#include "StyleFileBuilder.h"

#include <gtest/gtest.h>

#include <QPainter>

using namespace testing_support;

namespace {

// Five images of 4 x 3 stacked (vertical) or side by side: image i is all colour i * 0x10.
std::string strip(bool horizontal) {
    std::vector<std::vector<uint32_t>> pixels;
    if (horizontal) {
        pixels.assign(3, std::vector<uint32_t>(20));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 20; ++x)
                pixels[y][x] = uint32_t(x / 4 + 1) * 0x10;
    } else {
        for (int i = 1; i <= 5; ++i)
            for (int y = 0; y < 3; ++y)
                pixels.push_back(std::vector<uint32_t>(4, uint32_t(i) * 0x10));
    }
    return dib24(pixels);
}

StyleFile partsFile() {
    const uint32_t keyed[4] = {0xFF00FF, 0x00FF00, 0x0000FF, 0x123456};
    std::vector<PeResource> resources = {
        {u"", strip(false), 0, u"STRIP_BMP", 0x409, 2},
        {u"", strip(true), 0, u"WIDE_BMP", 0x409, 2},
        {u"", dib24(cornered(2, 2, 0x777777, keyed)), 0, u"KEYED_BMP", 0x409, 2},
        {u"", dib32({{0x00FF00FF, 0xFF123456}}), 0, u"ALPHA_BMP", 0x409, 2},
    };
    for (const char16_t* name : {u"A1_BMP", u"A2_BMP", u"A3_BMP", u"A7_BMP"})
        resources.push_back({u"", dib24({{0x010101}}), 0, name, 0x409, 2});
    // Squares of side 4 and 8 (two images of 4 x 2 and 8 x 4 where ImageCount is 2).
    for (const auto& [name, side] : {std::pair{u"SQ4_BMP", 4}, std::pair{u"SQ8_BMP", 8}})
        resources.push_back({u"",
                             dib24(std::vector<std::vector<uint32_t>>(
                                 size_t(side), std::vector<uint32_t>(size_t(side), 0x2))),
                             0, name, 0x409, 2});
    const std::string image = PeBuilder::build(resources);
    return StyleFile::fromData(QByteArray(image.data(), qsizetype(image.size())));
}

uint32_t colourOf(const QImage& image) {
    return image.isNull() ? 0xDEAD : image.pixel(0, 0) & 0xFFFFFF;
}

} // namespace

TEST(ThemePartTest, StateSelectsTheImage) {
    const StyleFile file = partsFile();
    const StyleIni ini = StyleIni::parse(u"[Button.Pushbutton]\nImageFile = strip.bmp\nImageCount = 5\n"
                                         u"[Button.Wide]\nImageFile = wide.bmp\nImageCount = 5\n"
                                         u"ImageLayout = Horizontal\n"
                                         u"[Button.Three]\nImageFile = strip.bmp\nImageCount = 3\n"
                                         u"[Button.None]\nImageFile = strip.bmp\nImageCount = 0\n"
                                         u"[Button.Huge]\nImageFile = strip.bmp\nImageCount = 99999\n");
    PartPainter parts(file, ini);
    // Image min(ImageCount, state) - 1: normal 1 ... defaulted 5.
    for (int state = 1; state <= 5; ++state) {
        EXPECT_EQ(colourOf(parts.background({"Button", "Pushbutton", "", state})), uint32_t(state) * 0x10);
        EXPECT_EQ(colourOf(parts.background({"Button", "Wide", "", state})), uint32_t(state) * 0x10);
    }
    EXPECT_EQ(parts.background({"Button", "Pushbutton", "", 5}).size(), QSize(4, 3));
    EXPECT_EQ(parts.background({"Button", "Wide", "", 2}).size(), QSize(4, 3));
    // A state past the images takes the last; a count past the bitmap leaves no image.
    // Three images of five rows: the third starts on the strip's eleventh row.
    EXPECT_EQ(colourOf(parts.background({"Button", "Three", "", 5})), 0x40u);
    EXPECT_EQ(parts.background({"Button", "Three", "", 5}).size(), QSize(4, 5));
    EXPECT_EQ(parts.background({"Button", "None", "", 3}).size(), QSize(4, 15));
    EXPECT_EQ(parts.background({"Button", "Pushbutton", "", 0}).size(), QSize(4, 3));
    EXPECT_TRUE(parts.background({"Button", "Huge", "", 1}).isNull());
    EXPECT_TRUE(parts.background({"Button", "Missing", "", 1}).isNull());
}

TEST(ThemePartTest, PropertiesFallBackToClassAndGlobals) {
    const StyleFile file = partsFile();
    const StyleIni ini = StyleIni::parse(u"[Globals]\nImageCount = 5\nTextColor = 1 2 3\n"
                                         u"[Window]\nImageFile = strip.bmp\n"
                                         u"[Window.Caption]\nTextColor = 4 5 6\n"
                                         u"[Window.Caption(Inactive)]\nImageFile = wide.bmp\n"
                                         u"ImageLayout = horizontal\n");
    PartPainter parts(file, ini);
    // ImageFile from [Window], ImageCount from [Globals].
    EXPECT_EQ(colourOf(parts.background({"Window", "Caption", "Active", 4})), 0x40u);
    EXPECT_EQ(parts.background({"Window", "Caption", "Active", 4}).size(), QSize(4, 3));
    EXPECT_EQ(parts.background({"Window", "Caption", "Inactive", 2}).size(), QSize(4, 3));
    EXPECT_EQ(parts.color({"Window", "Caption", "Active", 1}, u"TextColor"), QColor(4, 5, 6));
    EXPECT_EQ(parts.color({"Window", "FrameLeft", "Active", 1}, u"TextColor"), QColor(1, 2, 3));
}

TEST(ThemePartTest, TheImageFileIsChosenByDpiSizeOrGlyph) {
    const StyleFile file = partsFile();
    const StyleIni ini = StyleIni::parse(u"[Dpi.Part]\nImageSelectType = DPI\nImageFile1 = a1.bmp\n"
                                         u"ImageFile2 = a2.bmp\nImageFile3 = a3.bmp\nMinDpi1 = 96\n"
                                         u"MinDpi2 = 120\nMinDpi3 = 144\n"
                                         u"[Low.Part]\nImageSelectType = Dpi\nImageFile1 = a1.bmp\n"
                                         u"ImageFile7 = a7.bmp\nMinDpi1 = 120\nMinDpi7 = 72\n"
                                         u"[Gap.Part]\nImageSelectType = Dpi\nImageFile = strip.bmp\n"
                                         u"ImageFile1 = a1.bmp\nMinDpi2 = 96\n"
                                         u"[Size.Part]\nImageSelectType = Size\nImageFile1 = a1.bmp\n"
                                         u"ImageFile2 = a2.bmp\nImageFile3 = a3.bmp\nMinSize1 = 10, 10\n"
                                         u"MinSize2 = 17, 17\nMinSize3 = 26, 26\n"
                                         u"[Own.Part]\nImageSelectType = size\nImageFile1 = sq4.bmp\n"
                                         u"ImageFile2 = sq8.bmp\nImageFile3 = missing.bmp\n"
                                         u"[Halves.Part]\nImageSelectType = size\nImageFile1 = sq4.bmp\n"
                                         u"ImageFile2 = sq8.bmp\nImageCount = 2\n"
                                         u"[Glyph.Part]\nImageFile = strip.bmp\nGlyphImageFile = wide.bmp\n"
                                         u"[NoGlyph.Part]\nImageFile = strip.bmp\nImageFile1 = a1.bmp\n"
                                         u"[Odd.Part]\nImageSelectType = Sometimes\nImageFile1 = a1.bmp\n"
                                         u"GlyphImageFile = wide.bmp\n"
                                         u"[Both.Part]\nImageFile = strip.bmp\nImageSelectType = dpi\n"
                                         u"ImageFile1 = a1.bmp\nMinDpi1 = 96\n"
                                         u"[Sized.Part]\nImageFile = strip.bmp\nGlyphType = ImageGlyph\n"
                                         u"ImageSelectType = dpi\nImageFile1 = a1.bmp\nMinDpi1 = 96\n"
                                         u"GlyphImageFile = wide.bmp\n");
    PartPainter parts(file, ini);
    const auto chosen = [&](const char* cls, bool glyph, QSize target = QSize(17, 17)) {
        return parts.imageFile({cls, "Part", "", 1}, glyph, target).value_or("(none)");
    };
    // At 96 dpi: the image of the highest MinDpi at most 96; where that image is not
    // given, none (the theme service does not look further).
    EXPECT_EQ(chosen("Dpi", false), "a1.bmp");
    EXPECT_EQ(chosen("Low", false), "a7.bmp");
    EXPECT_EQ(chosen("Gap", false), "(none)");
    // By size: the last image whose MinSize fits the part, else the first.
    EXPECT_EQ(chosen("Size", false, QSize(17, 20)), "a2.bmp");
    EXPECT_EQ(chosen("Size", false, QSize(30, 26)), "a3.bmp");
    EXPECT_EQ(chosen("Size", false, QSize(30, 16)), "a1.bmp");
    EXPECT_EQ(chosen("Size", false, QSize(5, 5)), "a1.bmp");
    // Without MinSize, the image's own size decides (one of ImageCount); a file that
    // cannot be read is passed over.
    EXPECT_EQ(chosen("Own", false, QSize(8, 8)), "sq8.bmp");
    EXPECT_EQ(chosen("Own", false, QSize(8, 7)), "sq4.bmp");
    EXPECT_EQ(chosen("Own", false, QSize(3, 3)), "sq4.bmp");
    EXPECT_EQ(chosen("Halves", false, QSize(8, 4)), "sq8.bmp");
    EXPECT_EQ(chosen("Halves", false, QSize(7, 4)), "sq4.bmp");
    // A glyph has its own file, or the selected one; without either, none. An
    // ImageSelectType the service does not know selects nothing.
    EXPECT_EQ(chosen("Glyph", true), "wide.bmp");
    EXPECT_EQ(chosen("NoGlyph", true), "(none)");
    EXPECT_EQ(chosen("NoGlyph", false), "strip.bmp");
    EXPECT_EQ(chosen("Odd", true), "wide.bmp");
    EXPECT_EQ(chosen("Odd", false), "(none)");
    // The selected file comes first, for a background too; but a part with an image
    // glyph keeps ImageFile for its background, and its numbered files go to the glyph.
    EXPECT_EQ(chosen("Both", false), "a1.bmp");
    EXPECT_EQ(chosen("Both", true), "a1.bmp");
    EXPECT_EQ(chosen("Sized", false), "strip.bmp");
    EXPECT_EQ(chosen("Sized", true), "a1.bmp");
}

TEST(ThemePartTest, AGlyphIsDrawnAtItsOwnSizeWhereItsAlignmentSays) {
    const StyleFile file = partsFile();
    const StyleIni ini = StyleIni::parse(u"[Glyph.Centre]\nGlyphType = ImageGlyph\nGlyphImageFile = sq4.bmp\n"
                                         u"ImageFile = strip.bmp\nContentMargins = 3, 3, 3, 3\n"
                                         u"[Glyph.Corner]\nGlyphType = ImageGlyph\nGlyphImageFile = sq4.bmp\n"
                                         u"HAlign = Right\nVAlign = Top\n"
                                         u"[Glyph.Other]\nGlyphType = ImageGlyph\nGlyphImageFile = sq4.bmp\n"
                                         u"HAlign = Left\nVAlign = Bottom\n"
                                         u"[Glyph.Font]\nGlyphType = FontGlyph\nGlyphImageFile = sq4.bmp\n");
    PartPainter parts(file, ini);
    const auto drawn = [&](const char* part) {
        QImage image(11, 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        parts.drawGlyph(painter, {"Glyph", part, "", 1}, QRect(0, 0, 11, 10));
        painter.end();
        // The glyph's top left corner, where it was drawn.
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 11; ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == 0x2)
                    return QPoint(x, y);
        return QPoint(-1, -1);
    };
    // Centred in the whole part (its content margins do not move it), unscaled.
    EXPECT_EQ(drawn("Centre"), QPoint(3, 3));
    EXPECT_EQ(drawn("Corner"), QPoint(7, 0));
    EXPECT_EQ(drawn("Other"), QPoint(0, 6));
    EXPECT_EQ(drawn("Font"), QPoint(-1, -1));
}

TEST(ThemePartTest, TheTransparentColourIsKeyedOutUnlessTheImageHasAlpha) {
    const StyleFile file = partsFile();
    const StyleIni ini =
        StyleIni::parse(u"[Keyed.Part]\nImageFile = keyed.bmp\nTransparent = true\n"
                        u"[Green.Part]\nImageFile = keyed.bmp\nTransparent = true\n"
                        u"TransparentColor = 0 255 0\n"
                        u"[Opaque.Part]\nImageFile = keyed.bmp\n"
                        u"[Alpha.Part]\nImageFile = alpha.bmp\nTransparent = true\n"
                        u"[Glyphs.Part]\nGlyphImageFile = keyed.bmp\nGlyphTransparent = true\n"
                        u"GlyphTransparentColor = 0 0 255\n");
    PartPainter parts(file, ini);
    // Magenta unless another colour is given.
    const QImage keyed = parts.background({"Keyed", "Part", "", 1});
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(keyed.pixel(1, 0), 0xFF00FF00u);
    const QImage green = parts.background({"Green", "Part", "", 1});
    EXPECT_EQ(green.pixel(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(qAlpha(green.pixel(1, 0)), 0);
    EXPECT_EQ(parts.background({"Opaque", "Part", "", 1}).pixel(0, 0), 0xFFFF00FFu);
    // An image with alpha keeps it; its magenta is not keyed out.
    const QImage alpha = parts.background({"Alpha", "Part", "", 1});
    EXPECT_EQ(alpha.pixel(0, 0), 0x00FF00FFu);
    EXPECT_EQ(alpha.pixel(1, 0), 0xFF123456u);
    const QImage glyph = parts.glyph({"Glyphs", "Part", "", 1});
    EXPECT_EQ(qAlpha(glyph.pixel(0, 1)), 0);
    EXPECT_EQ(glyph.pixel(0, 0), 0xFFFF00FFu);
}
