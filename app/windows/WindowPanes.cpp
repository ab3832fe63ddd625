#include "WindowPanes.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace WindowPanes {
namespace {

// One window pane: a title bar gradient over a pale body, with rounded top corners as
// the styles of the day had them.
void drawPane(QPainter& p, const QRectF& r, const QColor& bar) {
    QPainterPath frame;
    frame.addRoundedRect(r, 6, 6);
    p.fillPath(frame, QColor(250, 250, 252));
    const QRectF title(r.left(), r.top(), r.width(), 18);
    QLinearGradient g(title.topLeft(), title.bottomLeft());
    g.setColorAt(0, bar.lighter(140));
    g.setColorAt(1, bar);
    QPainterPath titlePath;
    titlePath.addRoundedRect(title, 6, 6);
    titlePath.addRect(title.adjusted(0, 9, 0, 0));
    p.fillPath(titlePath.simplified(), g);
    // the close box
    p.setBrush(QColor(220, 80, 60));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(title.right() - 16, title.top() + 3, 12, 12), 2, 2);
    p.setPen(QPen(bar.darker(150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
}

void drawPaneStack(QPainter& p, const QRectF& area) {
    const QColor colours[] = {QColor(120, 130, 150), QColor(60, 140, 80), QColor(40, 90, 200)};
    const qreal w = area.width() * 0.62;
    const qreal h = area.height() * 0.52;
    for (int i = 0; i < 3; ++i) {
        const QRectF r(area.left() + i * area.width() * 0.17, area.top() + i * area.height() * 0.2, w, h);
        p.setOpacity(0.55 + 0.15 * i);
        drawPane(p, r, colours[i]);
    }
    p.setOpacity(1.0);
}

} // namespace

QPixmap splashBackdrop(const QSize& size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(255, 255, 255));
    sky.setColorAt(0.55, QColor(228, 236, 248));
    sky.setColorAt(1, QColor(180, 200, 232));
    p.fillRect(pm.rect(), sky);
    // a soft glow behind the panes
    QRadialGradient glow(size.width() * 0.78, size.height() * 0.42, size.height() * 0.6);
    glow.setColorAt(0, QColor(255, 255, 255, 200));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(pm.rect(), glow);
    drawPaneStack(
        p, QRectF(size.width() * 0.58, size.height() * 0.12, size.width() * 0.38, size.height() * 0.62));
    // a thin band along the bottom
    p.fillRect(QRectF(0, size.height() - 6, size.width(), 6), QColor(40, 90, 200));
    p.setPen(QColor(120, 140, 180));
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return pm;
}

QPixmap welcomePicture(const QSize& size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient side(0, 0, size.width(), size.height());
    side.setColorAt(0, QColor(40, 90, 200));
    side.setColorAt(1, QColor(20, 40, 110));
    p.fillRect(pm.rect(), side);
    drawPaneStack(p,
                  QRectF(size.width() * 0.1, size.height() * 0.08, size.width() * 0.85, size.height() * 0.3));
    // a large welcome mark: a tick in a circle
    const qreal d = size.width() * 0.55;
    const QRectF circle((size.width() - d) / 2, size.height() * 0.55, d, d);
    p.setPen(QPen(QColor(255, 255, 255, 220), 4));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(circle);
    QPainterPath tick;
    tick.moveTo(circle.left() + d * 0.25, circle.top() + d * 0.52);
    tick.lineTo(circle.left() + d * 0.43, circle.top() + d * 0.7);
    tick.lineTo(circle.left() + d * 0.76, circle.top() + d * 0.32);
    p.setPen(QPen(QColor(255, 255, 255), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return pm;
}

} // namespace WindowPanes
