#include "NineGrid.h"

#include <QPainter>

namespace NineGrid {
namespace {

// Two margins fitted into length: kept when they fit, else scaled down in proportion
// (the first rounded down, the second taking the rest).
void fitPair(int& first, int& second, int length) {
    first = qMax(0, first);
    second = qMax(0, second);
    length = qMax(0, length);
    const qint64 sum = qint64(first) + second;
    if (sum <= length)
        return;
    first = int(qint64(first) * length / sum);
    second = length - first;
}

} // namespace

StyleValue::Margins sourceMargins(const QSize& image, const StyleValue::Margins& margins) {
    StyleValue::Margins m = margins;
    fitPair(m.left, m.right, image.width());
    fitPair(m.top, m.bottom, image.height());
    return m;
}

StyleValue::Margins targetMargins(const QSize& target, const StyleValue::Margins& margins) {
    return sourceMargins(target, margins);
}

QList<Cell> cells(const QSize& image, const QRect& target, const StyleValue::Margins& margins) {
    QList<Cell> out;
    if (image.isEmpty() || target.isEmpty())
        return out;
    const StyleValue::Margins s = sourceMargins(image, margins);
    const StyleValue::Margins t = targetMargins(target.size(), s);
    // Columns and rows: start and length in the source and in the target.
    const int sx[3] = {0, s.left, image.width() - s.right};
    const int sw[3] = {s.left, image.width() - s.left - s.right, s.right};
    const int sy[3] = {0, s.top, image.height() - s.bottom};
    const int sh[3] = {s.top, image.height() - s.top - s.bottom, s.bottom};
    const int tx[3] = {target.x(), target.x() + t.left, target.x() + target.width() - t.right};
    const int tw[3] = {t.left, target.width() - t.left - t.right, t.right};
    const int ty[3] = {target.y(), target.y() + t.top, target.y() + target.height() - t.bottom};
    const int th[3] = {t.top, target.height() - t.top - t.bottom, t.bottom};
    for (const bool corners : {true, false}) {
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                const bool corner = row != 1 && column != 1;
                if (corner != corners)
                    continue;
                const QRect source(sx[column], sy[row], sw[column], sh[row]);
                const QRect cell(tx[column], ty[row], tw[column], th[row]);
                if (source.isEmpty() || cell.isEmpty())
                    continue;
                out.append({source, cell, corner, row == 1 && column == 1});
            }
        }
    }
    return out;
}

void draw(QPainter& painter, const QImage& image, const QRect& target, const StyleValue::Margins& margins,
          Sizing sizing, bool borderOnly) {
    if (image.isNull() || target.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (sizing == Sizing::TrueSize) {
        QSize size = image.size();
        if (size.width() > target.width() || size.height() > target.height())
            size = size.scaled(target.size(), Qt::KeepAspectRatio);
        const QRect at(target.x() + (target.width() - size.width()) / 2,
                       target.y() + (target.height() - size.height()) / 2, size.width(), size.height());
        painter.drawImage(at, image);
        painter.restore();
        return;
    }
    for (const Cell& cell : cells(image.size(), target, margins)) {
        if (cell.centre && borderOnly)
            continue;
        const bool oneToOne = cell.source.size() == cell.target.size();
        if (oneToOne) {
            painter.drawImage(cell.target.topLeft(), image, cell.source);
        } else if (sizing == Sizing::Tile && !cell.corner) {
            // Repeated at its own size from the cell's corner: a brush, so that a 1-pixel
            // tile over a wide part is one fill and not thousands of copies.
            painter.setBrushOrigin(cell.target.topLeft());
            painter.fillRect(cell.target, QBrush(image.copy(cell.source)));
        } else {
            painter.drawImage(cell.target, image, cell.source);
        }
    }
    painter.restore();
}

} // namespace NineGrid
