#include "ProgressPicture.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kTwipsPerPixel = 15;

// Rounding of the row bounds: halves to the even neighbour (R(172.5) = 172).
int roundHalfEven(float x) {
    return static_cast<int>(std::nearbyint(x));
}

QFont captionFont() {
    // Tahoma 9 pt, or the nearest font the system has (Qt's font matching picks it).
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.0);
    return font;
}

} // namespace

ProgressPicture::ProgressPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(captionFont());
}

QColor ProgressPicture::background() const {
    return palette().color(QPalette::Button);
}

QString ProgressPicture::caption(uint8_t percent) {
    return QStringLiteral("Please wait while checking (") + QString::number(percent) + QStringLiteral("%)");
}

float ProgressPicture::filledTwips(uint8_t percent, float widthTwips) {
    return static_cast<float>(percent) / 100.0f * widthTwips;
}

int ProgressPicture::filledColumns(float filledTwips, int pixelColumns) {
    // A line from x 0 to x F leaves out its end point: it covers the pixel columns
    // before the one that holds F.
    const double column = std::floor(static_cast<double>(filledTwips) / kTwipsPerPixel);
    if (column <= 0)
        return 0;
    return column >= pixelColumns ? pixelColumns : static_cast<int>(column);
}

std::vector<ProgressPicture::RowColours> ProgressPicture::rowColours(float heightTwips, int pixelRows) {
    // The bar is drawn as horizontal lines one per twip row, in this order; a later line
    // paints over an earlier one. Twip row y falls on pixel row floor(y / 15), so a pixel
    // row shows, in each part, the colour of the last drawn twip row among its fifteen;
    // rows below the box are clipped.
    std::vector<RowColours> rows(pixelRows > 0 ? static_cast<size_t>(pixelRows) : 0);
    auto band = [&](int from, int to, std::optional<QRgb> left, std::optional<QRgb> right) {
        for (int y = from; y <= to; ++y) {
            if (y < 0)
                continue;
            const int row = y / kTwipsPerPixel;
            if (row >= pixelRows)
                break;
            if (left)
                rows[row].left = left;
            if (right)
                rows[row].right = right;
        }
    };
    const int middle = roundHalfEven(heightTwips / 2.0f);
    const int lower = roundHalfEven(heightTwips - 30.0f);
    const int bottom = roundHalfEven(heightTwips);
    // Top edge: only the filled part gets its light line.
    band(0, 25, qRgb(160, 230, 160), std::nullopt);
    band(30, middle, qRgb(150, 220, 100), qRgb(245, 245, 245));
    band(middle, lower, qRgb(150, 200, 100), qRgb(220, 220, 220));
    band(lower, bottom, qRgb(150, 220, 150), qRgb(250, 250, 250));
    return rows;
}

void ProgressPicture::paintProgress(uint8_t percent) {
    // The picture depends on the percentage (and the face colour) alone. It is made
    // when it is next looked at: a loop that updates many times between two repaints
    // pays for one picture.
    if (percent == m_percent)
        return;
    m_percent = percent;
    m_dirty = true;
    update();
}

const QImage& ProgressPicture::image() const {
    if (m_dirty || m_image.size() != size() || m_renderedBackground != background().rgb())
        const_cast<ProgressPicture*>(this)->render();
    return m_image;
}

void ProgressPicture::render() {
    const int columns = width();
    const int pixelRows = height();
    m_dirty = false;
    if (columns <= 0 || pixelRows <= 0) {
        m_image = QImage();
        return;
    }
    const float widthTwips = static_cast<float>(columns * kTwipsPerPixel);
    const float heightTwips = static_cast<float>(pixelRows * kTwipsPerPixel);
    const auto percent = static_cast<uint8_t>(m_percent);

    m_renderedBackground = background().rgb();
    if (m_image.size() != size())
        m_image = QImage(size(), QImage::Format_RGB32);
    m_image.fill(m_renderedBackground);

    const int split = filledColumns(filledTwips(percent, widthTwips), columns);
    const std::vector<RowColours> rows = rowColours(heightTwips, pixelRows);
    for (int y = 0; y < pixelRows; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        if (rows[y].left)
            std::fill(line, line + split, *rows[y].left);
        if (rows[y].right)
            std::fill(line + split, line + columns, *rows[y].right);
    }

    // The caption, centred by its measured size, in the box's font; the bar shows
    // through around the letters.
    QPainter painter(&m_image);
    painter.setFont(font());
    painter.setPen(QColor(20, 20, 20));
    const QString text = caption(percent);
    const QFontMetrics metrics(font());
    const int x = static_cast<int>(std::floor(columns / 2.0 - metrics.horizontalAdvance(text) / 2.0));
    const int top = static_cast<int>(std::floor(pixelRows / 2.0 - metrics.height() / 2.0));
    painter.drawText(x, top + metrics.ascent(), text);
}

void ProgressPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& picture = image();
    if (picture.size() != size())
        painter.fillRect(event->rect(), background());
    else
        painter.drawImage(event->rect(), picture, event->rect());
}
