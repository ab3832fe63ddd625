#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace Artwork {

void paintBackground(QPainter& p) {
    p.save();
    p.fillRect(QRect(0, 0, 600, 399), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);

    // A soft header band behind the title and the style commands.
    QLinearGradient header(0, 0, 0, 72);
    header.setColorAt(0.0, QColor(214, 226, 243));
    header.setColorAt(1.0, Qt::white);
    p.fillRect(QRect(0, 0, 600, 72), header);

    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(20);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(58, 90, 140));
    p.drawText(QPoint(30, 34), QStringLiteral("Quorlin Zevra"));

    QFont subtitle(QStringLiteral("Tahoma"));
    subtitle.setPixelSize(11);
    p.setFont(subtitle);
    p.setPen(QColor(128, 128, 128));
    p.drawText(QPoint(31, 56), QStringLiteral("Visual Style Manager"));

    // Thin rules framing the list and preview area.
    p.setPen(QPen(QColor(200, 210, 225), 1));
    p.drawLine(QPointF(30, 71.5), QPointF(590, 71.5));
    p.drawLine(QPointF(30, 364.5), QPointF(590, 364.5));
    p.restore();
}

QIcon programIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath frame;
    frame.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QLinearGradient back(0, 0, 0, 64);
    back.setColorAt(0.0, QColor(86, 130, 196));
    back.setColorAt(1.0, QColor(38, 70, 128));
    p.fillPath(frame, back);

    // Three overlapping window faces: styles laid over one another.
    const QColor faces[] = {QColor(236, 120, 72), QColor(110, 180, 90), QColor(245, 245, 245)};
    for (int i = 0; i < 3; ++i) {
        const QRectF face(12 + i * 8, 12 + i * 8, 28, 24);
        p.setPen(QPen(QColor(30, 40, 60), 1.5));
        p.setBrush(faces[i]);
        p.drawRoundedRect(face, 3, 3);
        p.fillRect(QRectF(face.left() + 1, face.top() + 1, face.width() - 2, 5), QColor(58, 90, 140));
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace Artwork
