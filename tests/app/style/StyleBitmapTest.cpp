// The bitmaps of a style: device-independent bitmaps of every depth the reader takes,
// straight alpha where the theme service sees alpha, PNG, and headers that lie.

#include "style/StyleBitmap.h"

#include "StyleFileBuilder.h"

#include <gtest/gtest.h>

#include <QBuffer>

using namespace testing_support;

namespace {

constexpr qint64 kBudget = 1 << 20;

std::optional<StyleBitmap> decode(const std::string& data, qint64 budget = kBudget) {
    return StyleBitmapReader::decode(QByteArrayView(data.data(), qsizetype(data.size())), budget);
}

// A DIB header of 40 bytes (or size bytes), the rest of the data following.
std::string header(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                   uint32_t colorsUsed = 0, uint32_t size = 40) {
    std::string h(size, '\0');
    PeBuilder::put32(h, 0, size);
    PeBuilder::put32(h, 4, uint32_t(width));
    PeBuilder::put32(h, 8, uint32_t(height));
    PeBuilder::put16(h, 12, 1);
    PeBuilder::put16(h, 14, bits);
    PeBuilder::put32(h, 16, compression);
    PeBuilder::put32(h, 32, colorsUsed);
    return h;
}

std::string le32(uint32_t v) {
    std::string s;
    PeBuilder::put32(s, 0, v);
    return s;
}

} // namespace

TEST(StyleBitmapTest, ThirtyTwoBitRgbCarriesStraightAlphaWhenAnyPixelHasOne) {
    // Not premultiplied: a half-transparent pure red stays 255 red.
    const auto withAlpha = decode(dib32({{0x80FF0000, 0x00000000}, {0xFF00FF00, 0x400000FF}}));
    ASSERT_TRUE(withAlpha);
    EXPECT_TRUE(withAlpha->hasAlpha);
    EXPECT_EQ(withAlpha->image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(withAlpha->image.pixel(0, 0), 0x80FF0000u);
    EXPECT_EQ(withAlpha->image.pixel(1, 0), 0x00000000u);
    EXPECT_EQ(withAlpha->image.pixel(0, 1), 0xFF00FF00u);
    EXPECT_EQ(withAlpha->image.pixel(1, 1), 0x400000FFu);

    // Every fourth byte zero: an opaque bitmap, colours as they are.
    const auto opaque = decode(dib32({{0x00FF0000, 0x00123456}}));
    ASSERT_TRUE(opaque);
    EXPECT_FALSE(opaque->hasAlpha);
    EXPECT_EQ(opaque->image.format(), QImage::Format_RGB32);
    EXPECT_EQ(opaque->image.pixel(1, 0), 0xFF123456u);
}

TEST(StyleBitmapTest, BitFieldMasksGiveAlphaAndEachColourScaledTo8Bits) {
    // A 124-byte header giving an alpha mask: alpha as it stands, even all zero.
    std::string v5 = header(2, 1, 32, 3, 0, 124);
    for (auto [at, mask] : {std::pair{40, 0xFF0000u}, {44, 0xFF00u}, {48, 0xFFu}, {52, 0xFF000000u}})
        PeBuilder::put32(v5, at, mask);
    const auto transparent = decode(v5 + le32(0x00FF0000) + le32(0x000000FF));
    ASSERT_TRUE(transparent);
    EXPECT_TRUE(transparent->hasAlpha);
    EXPECT_EQ(qAlpha(transparent->image.pixel(0, 0)), 0);
    EXPECT_EQ(transparent->image.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);

    // 16 bits, 5-6-5 masks after a 40-byte header; scaled to 8 bits a colour.
    const std::string rgb565 = header(2, 1, 16, 3) + le32(0xF800) + le32(0x07E0) + le32(0x001F);
    std::string pixels;
    PeBuilder::put16(pixels, 0, 0xF800);
    PeBuilder::put16(pixels, 2, 0x07E0);
    const auto wide = decode(rgb565 + pixels);
    ASSERT_TRUE(wide);
    EXPECT_FALSE(wide->hasAlpha);
    EXPECT_EQ(wide->image.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(wide->image.pixel(1, 0), 0xFF00FF00u);

    // 16 bits without masks: 5-5-5; with colours swapped about in the masks of 32 bits.
    std::string rgb555;
    PeBuilder::put16(rgb555, 0, 0x7C00);
    PeBuilder::put16(rgb555, 2, 0x001F);
    const auto plain = decode(header(2, 1, 16) + rgb555);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->image.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(plain->image.pixel(1, 0), 0xFF0000FFu);
    const std::string bgr = header(1, 1, 32, 3) + le32(0xFF) + le32(0xFF00) + le32(0xFF0000);
    EXPECT_EQ(decode(bgr + le32(0x000000FF))->image.pixel(0, 0), 0xFFFF0000u);
}

TEST(StyleBitmapTest, PalettedRowsArePaddedAndBottomUpUnlessTheHeightIsNegative) {
    // 1, 4 and 8 bits through a palette (blue, green, red, reserved order), rows padded
    // to four bytes, bottom row first unless the height is negative.
    const std::string palette = le32(0x00000000) + le32(0x00FF0000) + le32(0x0000FF00) + le32(0x000000FF);
    const auto mono = decode(header(9, 2, 1, 0, 2) + palette.substr(0, 8) +
                             std::string("\x80\x00\x00\x00", 4) + std::string("\x00\x80\x00\x00", 4));
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->image.pixel(0, 1), 0xFFFF0000u);
    EXPECT_EQ(mono->image.pixel(8, 0), 0xFFFF0000u);
    EXPECT_EQ(mono->image.pixel(0, 0), 0xFF000000u);
    const auto nibbles = decode(header(3, -1, 4, 0, 4) + palette + std::string("\x12\x30\x00\x00", 4));
    ASSERT_TRUE(nibbles);
    EXPECT_EQ(nibbles->image.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(nibbles->image.pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(nibbles->image.pixel(2, 0), 0xFF0000FFu);
    // An index beyond the palette is black, not a read past it.
    const auto bytes =
        decode(header(2, 1, 8, 0, 2) + palette.substr(0, 8) + std::string("\x01\xFF\x00\x00", 4));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->image.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bytes->image.pixel(1, 0), 0xFF000000u);
    // 24 bits; an OS/2 header of 12 bytes.
    const auto deep = decode(dib24({{0x102030, 0x405060}, {0x708090, 0xA0B0C0}}));
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->image.pixel(1, 0), 0xFF405060u);
    EXPECT_EQ(deep->image.pixel(0, 1), 0xFF708090u);
    std::string core(12, '\0');
    PeBuilder::put32(core, 0, 12);
    PeBuilder::put16(core, 4, 1);
    PeBuilder::put16(core, 6, 1);
    PeBuilder::put16(core, 8, 1);
    PeBuilder::put16(core, 10, 24);
    EXPECT_EQ(decode(core + std::string("\x30\x20\x10\x00", 4))->image.pixel(0, 0), 0xFF102030u);
}

TEST(StyleBitmapTest, HeadersThatLieAreNotRead) {
    const std::string good = dib32({{0xFF000000, 0xFF000000}, {0xFF000000, 0xFF000000}});
    ASSERT_TRUE(decode(good));
    // Every cut that loses pixel data; the last row may go without its padding.
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(decode(good.substr(0, length))) << length;
    EXPECT_TRUE(decode(dib24({{0x010203}})).has_value());
    EXPECT_TRUE(decode(dib24({{0x010203}}).substr(0, 43)).has_value());
    EXPECT_FALSE(decode(dib24({{0x010203}}).substr(0, 42)).has_value());

    const std::string pixels(64, '\0');
    const auto sized = [&](uint32_t size) {
        std::string h = header(2, 2, 32) + pixels;
        PeBuilder::put32(h, 0, size);
        return h;
    };
    for (const std::string& lie : {
             sized(0),                                 // header size 0
             sized(39),                                // between the known ones
             sized(0x7FFFFFFF),                        // beyond the data
             header(0, 2, 32) + pixels,                // no width
             header(2, 0, 32) + pixels,                // no height
             header(-2, 2, 32) + pixels,               // negative width
             header(2, INT32_MIN, 32) + pixels,        // a height that has no positive
             header(100000, 1, 32) + pixels,           // wider than Windows makes
             header(2, 2, 7) + pixels,                 // no such depth
             header(2, 2, 8, 1) + pixels,              // RLE
             header(2, 2, 24, 3) + pixels,             // masks for 24 bits
             header(2, 2, 8, 0, 0xFFFFFFFF) + pixels,  // a palette larger than any file
             header(2, 2, 32, 0, 0x40000000) + pixels, // likewise, before pixels of 32 bits
             header(1 << 15, 1 << 15, 32) + pixels,    // over the budget, not allocated
         })
        EXPECT_FALSE(decode(lie)) << QByteArray(lie.data(), 40).toHex().constData();
    EXPECT_FALSE(decode(good, 3)); // four pixels, a budget of three
}

TEST(StyleBitmapTest, APngIsKnownByItsSignatureAndKeepsItsAlpha) {
    QImage source(3, 2, QImage::Format_ARGB32);
    source.fill(qRgba(255, 0, 0, 128));
    source.setPixel(2, 1, qRgba(0, 0, 255, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(source.save(&buffer, "PNG"));
    const std::string data(png.constData(), size_t(png.size()));
    const auto decoded = decode(data);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->hasAlpha);
    EXPECT_EQ(decoded->image.pixel(0, 0), qRgba(255, 0, 0, 128));
    EXPECT_EQ(decoded->image.pixel(2, 1), qRgba(0, 0, 255, 255));
    EXPECT_FALSE(decode(data, 5));
    EXPECT_FALSE(decode(data.substr(0, 30)));
}
