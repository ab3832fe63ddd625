#pragma once
// The checkup window's progress box: a three-toned bar with lighter top and bottom edges
// and a centred caption, drawn by rows in twips the way the window always drew it, but
// rendered once per percentage as pixel rows into an image.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class ProgressPicture : public QWidget {
    Q_OBJECT
public:
    explicit ProgressPicture(QWidget* parent = nullptr);

    // Paints the bar for percent (a byte; more than 100 fills past the box and is
    // clipped). Repainting the same percentage again leaves the image as it is.
    void paintProgress(uint8_t percent);

    // What the box shows now.
    const QImage& image() const;
    // The background that the unpainted parts show (the box's face colour).
    QColor background() const;

    // The caption printed over the bar.
    static QString caption(uint8_t percent);

    // Colours of one pixel row: the left part (0 to F) and the right part (F to W);
    // nullopt where no drawn row reaches that part of the pixel row.
    struct RowColours {
        std::optional<QRgb> left;
        std::optional<QRgb> right;
    };
    // The rows of a box widthTwips x heightTwips as the row-by-row drawing leaves them,
    // one entry per pixel row (15 twips each).
    static std::vector<RowColours> rowColours(float heightTwips, int pixelRows);
    // The pixel column where the filled part ends for F twips (clipped to the box).
    static int filledColumns(float filledTwips, int pixelColumns);
    // F: percent / 100 x W in single precision.
    static float filledTwips(uint8_t percent, float widthTwips);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();

    QImage m_image;
    int m_percent = 0;
    bool m_dirty = true; // m_image does not show m_percent yet
    QRgb m_renderedBackground = 0;
};
