#include "MainBackground.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QSize>

namespace MainBackground {

void paint(QPainter& p, const QSize& size, qreal lowerRule) {
    p.save();
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
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
    p.drawLine(QPointF(30, lowerRule), QPointF(590, lowerRule));
    p.restore();
}

} // namespace MainBackground
