#include "WindowObject.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace quorlin {

WindowObject::~WindowObject() = default;

namespace {
const QString kPictureName = QStringLiteral("quorlin_persistent_picture");
} // namespace

// The persistent picture of one widget: a child object of the widget, so it lives as
// long as the widget, painted under the widget's own painting.
class QtWindowObject::Picture : public QObject {
public:
    explicit Picture(QWidget* widget) : QObject(widget), m_widget(widget) {
        setObjectName(kPictureName);
        widget->installEventFilter(this);
    }

    QImage image;
    bool autoRedraw = false;

    // Grows the picture to the widget's size, keeping what was drawn.
    void fitWidget() {
        const QSize want = image.size().expandedTo(m_widget->size());
        if (image.size() == want)
            return;
        QImage grown(want, QImage::Format_ARGB32_Premultiplied);
        grown.fill(Qt::transparent);
        if (!image.isNull()) {
            QPainter p(&grown);
            p.drawImage(0, 0, image);
        }
        image = std::move(grown);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::Paint && !image.isNull()) {
            QPainter p(m_widget);
            p.drawImage(0, 0, image);
        }
        return false;
    }

private:
    QWidget* m_widget;
};

QtWindowObject::QtWindowObject(QWidget* window) : m_window(window) {}

QtWindowObject::~QtWindowObject() = default;

QWidget* QtWindowObject::window() const {
    return m_window;
}

QtWindowObject::Picture* QtWindowObject::picture() const {
    auto* existing = m_window->findChild<QObject*>(kPictureName, Qt::FindDirectChildrenOnly);
    if (existing)
        return static_cast<Picture*>(existing);
    return new Picture(m_window);
}

QImage QtWindowObject::picture(QWidget* window) {
    if (!window)
        return QImage();
    auto* existing = window->findChild<QObject*>(kPictureName, Qt::FindDirectChildrenOnly);
    return existing ? static_cast<Picture*>(existing)->image : QImage();
}

void QtWindowObject::setAutoRedraw(bool on) {
    picture()->autoRedraw = on;
}

bool QtWindowObject::autoRedraw() const {
    return picture()->autoRedraw;
}

double QtWindowObject::scaleHeight() const {
    return m_window->height() * TwipsPerPixel;
}

double QtWindowObject::scaleWidth() const {
    return m_window->width() * TwipsPerPixel;
}

void QtWindowObject::Cls() {
    Picture* pic = picture();
    pic->image = QImage();
    pic->fitWidget();
    m_window->update();
}

namespace {
// The pixels whose centres lie in [from, to) of a coordinate in twips.
std::pair<int, int> pixelSpan(double from, double to) {
    const double a = std::min(from, to) / QtWindowObject::TwipsPerPixel;
    const double b = std::max(from, to) / QtWindowObject::TwipsPerPixel;
    return {static_cast<int>(std::ceil(a - 0.5)), static_cast<int>(std::ceil(b - 0.5))};
}
} // namespace

void QtWindowObject::Line(double x1, double y1, double x2, double y2, const QColor& colour, int options) {
    Picture* pic = picture();
    pic->fitWidget();
    QPainter p(&pic->image);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (options & 2) {
        // Box form: filled, every pixel whose centre lies inside the box.
        const auto [left, right] = pixelSpan(x1, x2);
        const auto [top, bottom] = pixelSpan(y1, y2);
        if (right > left && bottom > top)
            p.fillRect(QRect(left, top, right - left, bottom - top), colour);
    } else {
        p.setPen(colour);
        p.drawLine(QPointF(x1 / TwipsPerPixel, y1 / TwipsPerPixel),
                   QPointF(x2 / TwipsPerPixel, y2 / TwipsPerPixel));
    }
    m_window->update();
}

} // namespace quorlin
