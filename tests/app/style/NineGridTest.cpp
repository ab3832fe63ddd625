// Nine-grid drawing: the arithmetic of the cells (corners 1:1, margins scaled down where
// the target is smaller, held to the image where they are larger) and the pixels drawn.

#include "style/NineGrid.h"

#include <gtest/gtest.h>

#include <QPainter>

using StyleValue::Margins;

namespace {

QRect sourceOf(const QList<NineGrid::Cell>& cells, const QRect& target) {
    for (const NineGrid::Cell& cell : cells)
        if (cell.target == target)
            return cell.source;
    return QRect();
}

// A width x height image whose pixel (x, y) is the colour (x, y, 7): each pixel tells
// where in the image it came from.
QImage coordinates(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, 7));
    return image;
}

QImage canvas(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(qRgb(1, 2, 3));
    return image;
}

} // namespace

TEST(NineGridTest, CornersOneToOneEdgesAndCentreFillTheRest) {
    const QRect target(100, 50, 40, 30);
    const auto cells = NineGrid::cells(QSize(10, 12), target, Margins{3, 4, 2, 5});
    ASSERT_EQ(cells.size(), 9);
    // Corners first, at their own size.
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(cells[i].corner);
        EXPECT_EQ(cells[i].source.size(), cells[i].target.size());
    }
    EXPECT_EQ(sourceOf(cells, QRect(100, 50, 3, 2)), QRect(0, 0, 3, 2));
    EXPECT_EQ(sourceOf(cells, QRect(136, 50, 4, 2)), QRect(6, 0, 4, 2));
    EXPECT_EQ(sourceOf(cells, QRect(100, 75, 3, 5)), QRect(0, 7, 3, 5));
    EXPECT_EQ(sourceOf(cells, QRect(136, 75, 4, 5)), QRect(6, 7, 4, 5));
    // Edges and centre span what lies between.
    EXPECT_EQ(sourceOf(cells, QRect(103, 50, 33, 2)), QRect(3, 0, 3, 2));
    EXPECT_EQ(sourceOf(cells, QRect(103, 52, 33, 23)), QRect(3, 2, 3, 5));
    EXPECT_EQ(sourceOf(cells, QRect(100, 52, 3, 23)), QRect(0, 2, 3, 5));
    EXPECT_EQ(std::count_if(cells.begin(), cells.end(), [](const NineGrid::Cell& c) { return c.centre; }), 1);
}

TEST(NineGridTest, MarginsScaledDownOnASmallTargetAndHeldToTheImage) {
    // Two margins of 3 and 4 on a target 5 wide: 3 * 5 / 7 = 2, and the rest, 3.
    EXPECT_EQ(NineGrid::targetMargins(QSize(5, 100), Margins{3, 4, 1, 1}), (Margins{2, 3, 1, 1}));
    EXPECT_EQ(NineGrid::targetMargins(QSize(100, 0), Margins{3, 4, 1, 1}), (Margins{3, 4, 0, 0}));
    // Margins beyond the image (or below zero) are held to it.
    EXPECT_EQ(NineGrid::sourceMargins(QSize(6, 6), Margins{10, 10, -5, 100000}), (Margins{3, 3, 0, 6}));
    EXPECT_EQ(NineGrid::sourceMargins(QSize(6, 6), Margins{100000, 100000, 100000, 100000}),
              (Margins{3, 3, 3, 3}));
    // A small target: the corners shrink with the margins, nothing lies outside it.
    const QRect small(0, 0, 5, 3);
    for (const NineGrid::Cell& cell : NineGrid::cells(QSize(10, 10), small, Margins{3, 4, 2, 2}))
        EXPECT_TRUE(small.contains(cell.target)) << cell.target.x() << "," << cell.target.width();
    EXPECT_TRUE(NineGrid::cells(QSize(0, 10), small, Margins{}).isEmpty());
    EXPECT_TRUE(NineGrid::cells(QSize(10, 10), QRect(0, 0, 0, 5), Margins{}).isEmpty());
}

TEST(NineGridTest, EachSizingDrawsCornersExactAndItsCentreAsItSays) {
    const QImage image = coordinates(6, 6);
    const Margins margins{2, 2, 2, 2};
    const QRect target(3, 4, 20, 16);
    const auto drawn = [&](NineGrid::Sizing sizing, bool borderOnly) {
        QImage out = canvas(QSize(30, 30));
        QPainter painter(&out);
        NineGrid::draw(painter, image, target, margins, sizing, borderOnly);
        painter.end();
        return out;
    };
    const QImage stretched = drawn(NineGrid::Sizing::Stretch, false);
    // The corners exactly, pixel by pixel; nothing outside the target.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(stretched.pixel(3 + x, 4 + y), qRgb(x, y, 7));
            EXPECT_EQ(stretched.pixel(21 + x, 18 + y), qRgb(4 + x, 4 + y, 7));
            EXPECT_EQ(stretched.pixel(21 + x, 4 + y), qRgb(4 + x, y, 7));
        }
    EXPECT_EQ(stretched.pixel(2, 4), qRgb(1, 2, 3));
    EXPECT_EQ(stretched.pixel(23, 20), qRgb(1, 2, 3));
    // Stretched, the centre holds only pixels of the image's centre, unsmoothed.
    for (int y = 6; y < 18; ++y)
        for (int x = 5; x < 21; ++x) {
            const QRgb p = stretched.pixel(x, y);
            EXPECT_TRUE(qRed(p) >= 2 && qRed(p) <= 3 && qGreen(p) >= 2 && qGreen(p) <= 3 && qBlue(p) == 7)
                << x << "," << y;
        }
    // Tiled, the centre repeats the image's centre at its own size from its corner.
    const QImage tiled = drawn(NineGrid::Sizing::Tile, false);
    EXPECT_EQ(tiled.pixel(5, 6), qRgb(2, 2, 7));
    EXPECT_EQ(tiled.pixel(6, 6), qRgb(3, 2, 7));
    EXPECT_EQ(tiled.pixel(7, 6), qRgb(2, 2, 7));
    EXPECT_EQ(tiled.pixel(8, 7), qRgb(3, 3, 7));
    // Border only: the centre is not drawn.
    const QImage border = drawn(NineGrid::Sizing::Stretch, true);
    EXPECT_EQ(border.pixel(12, 12), qRgb(1, 2, 3));
    EXPECT_EQ(border.pixel(3, 4), qRgb(0, 0, 7));
    // True size: the image as it is, centred.
    const QImage trueSize = drawn(NineGrid::Sizing::TrueSize, false);
    EXPECT_EQ(trueSize.pixel(3 + 7, 4 + 5), qRgb(0, 0, 7));
    EXPECT_EQ(trueSize.pixel(3 + 7 + 5, 4 + 5 + 5), qRgb(5, 5, 7));
    EXPECT_EQ(trueSize.pixel(3 + 6, 4 + 5), qRgb(1, 2, 3));
}

TEST(NineGridTest, AlphaIsBlendedStraight) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 0));
    QImage out = canvas(QSize(4, 4));
    {
        QPainter painter(&out);
        NineGrid::draw(painter, image, QRect(0, 0, 2, 2), Margins{}, NineGrid::Sizing::Stretch, false);
        image.setPixel(0, 0, qRgba(255, 0, 0, 255));
        NineGrid::draw(painter, image, QRect(2, 2, 2, 2), Margins{}, NineGrid::Sizing::Stretch, false);
    }
    EXPECT_EQ(out.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(out.pixel(3, 3), qRgb(255, 0, 0));
}
