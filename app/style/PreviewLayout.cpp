#include "PreviewLayout.h"

namespace StylePreview {
namespace {

constexpr int kMargin = 8;

// A text's width in a font of the given pixel size, a little generously: the average
// character of the faces a style names is under three fifths of its height.
int textWidth(const QString& text, int pixels) {
    return int(text.size()) * ((pixels * 3 + 4) / 5);
}

int lineHeight(int pixels) {
    return pixels + pixels / 3 + 2;
}

SceneWindow layOutWindow(const QRect& window, const FrameSizes& f, bool minMax) {
    SceneWindow s;
    s.window = window;
    const QRect& w = window;
    const int inset = f.captionOverFrame ? 0 : f.left;
    const int captionTop = w.y() + (f.captionOverFrame ? 0 : f.top);
    s.caption =
        QRect(w.x() + inset, captionTop, qMax(0, w.width() - inset - (f.captionOverFrame ? 0 : f.right)),
              qMin(f.caption, qMax(0, w.bottom() - captionTop + 1)));
    const int sideTop = s.caption.bottom() + 1;
    const int sideHeight = qMax(0, w.bottom() - f.bottom - sideTop + 1);
    s.frameLeft = QRect(w.x(), sideTop, f.left, sideHeight);
    s.frameRight = QRect(w.right() - f.right + 1, sideTop, f.right, sideHeight);
    s.frameBottom = QRect(w.x(), w.bottom() - f.bottom + 1, w.width(), f.bottom);
    s.client = QRect(w.x() + f.left, sideTop, qMax(0, w.width() - f.left - f.right), sideHeight);

    // The caption buttons from the right.
    int right = s.caption.right() - f.buttonsRight;
    const auto place = [&](const QSize& button, int gapBefore) {
        const QRect at(right - button.width() + 1, s.caption.y() + (f.buttonBand - button.height()) / 2,
                       button.width(), button.height());
        right = at.x() - 1 - gapBefore;
        return at;
    };
    s.closeButton = place(f.closeButton, f.gapMaxClose);
    if (minMax) {
        s.maxButton = place(f.maxButton, f.gapMinMax);
        s.minButton = place(f.minButton, 0);
    }
    const int textRight = (minMax ? s.minButton : s.closeButton).x() - 4 - qMax(0, f.captionMargins.right);
    s.captionText =
        QRect(QPoint(s.caption.x() + f.textInset + qMax(0, f.captionMargins.left),
                     s.caption.y() + qMax(0, f.captionMargins.top)),
              QPoint(textRight, s.caption.y() + f.buttonBand - 1 - qMax(0, f.captionMargins.bottom)));
    return s;
}

// The frame of a window: all of it but its caption and client area.
bool onFrame(const SceneWindow& w, const QPoint& point) {
    return w.window.contains(point) && !w.caption.contains(point) && !w.client.contains(point);
}

bool onCaptionButton(const SceneWindow& w, const QPoint& point) {
    return w.minButton.contains(point) || w.maxButton.contains(point) || w.closeButton.contains(point);
}

} // namespace

Scene layOut(const SceneSizes& z, const QSize& size) {
    Scene s;
    s.desktop = QRect(QPoint(0, 0), size);
    const int width = size.width();
    const int height = size.height();
    const int step = qBound(6, width / 24, 24);

    // The message box, in front at the bottom, right of the middle.
    const FrameSizes& d = z.dialog;
    const int messageLine = lineHeight(z.messageText);
    const int messageClientHeight = 3 * kMargin + messageLine + kPushHeight;
    const int messageClientWidth =
        qMax(textWidth(QStringLiteral("Message Text"), z.messageText), kPushWidth) + 4 * kMargin;
    const int messageWidth =
        qMin(qMax(width * 5 / 11, messageClientWidth + d.left + d.right), width - 2 * kMargin);
    const int messageHeight = d.top + d.caption + messageClientHeight + d.bottom;
    const QRect messageBox(
        qBound(kMargin, width * 11 / 20 - messageWidth / 2, width - kMargin - messageWidth),
        height - kMargin - messageHeight, messageWidth, messageHeight);

    // The inactive window's caption shows above the active one; its left side beside it.
    const FrameSizes& f = z.window;
    const int windowWidth = width - 2 * kMargin - step;
    const int activeTop = kMargin + f.top + f.caption + qMax(4, height / 48);
    const int activeBottom = height - kMargin - qMax(8, height / 10);
    const QRect active(kMargin + step, activeTop, windowWidth, qMax(0, activeBottom - activeTop + 1));
    const QRect inactive(kMargin, kMargin, windowWidth, qMax(0, activeTop + active.height() / 2 - kMargin));
    s.inactive = layOutWindow(inactive, f, true);
    s.active = layOutWindow(active, f, true);
    s.messageBox = layOutWindow(messageBox, d, false);

    // The menu bar; its items as wide as their text and an average character each side.
    const QRect& client = s.active.client;
    s.menuBar = QRect(client.x(), client.y(), client.width(), qMin(z.menuHeight, client.height()));
    int x = s.menuBar.x();
    const int pad = (z.menuText * 3 + 4) / 5;
    for (auto [rect, text] : {std::pair{&s.menuNormal, QStringLiteral("Normal")},
                              std::pair{&s.menuDisabled, QStringLiteral("Disabled")},
                              std::pair{&s.menuSelected, QStringLiteral("Selected")}}) {
        *rect =
            QRect(x, s.menuBar.y(), textWidth(text, z.menuText) + 2 * pad, s.menuBar.height()) & s.menuBar;
        x += rect->width();
    }

    // Below it the window area: the client edge, the text, the scroll bar at the right.
    s.windowArea = QRect(QPoint(client.x(), s.menuBar.bottom() + 1), client.bottomRight());
    const QRect inside = s.windowArea.adjusted(kClientEdge, kClientEdge, -kClientEdge, -kClientEdge);
    const int barWidth = qMin(z.scrollWidth, qMax(0, inside.width()));
    const int arrowHeight = qMin(z.arrowHeight, qMax(0, inside.height() / 2));
    s.scrollBar = QRect(inside.right() - barWidth + 1, inside.y(), barWidth, qMax(0, inside.height()));
    s.upArrow = QRect(s.scrollBar.x(), inside.y(), barWidth, arrowHeight);
    s.downArrow = QRect(s.scrollBar.x(), s.scrollBar.bottom() - arrowHeight + 1, barWidth, arrowHeight);
    const int track = qMax(0, s.scrollBar.height() - 2 * arrowHeight);
    s.thumb =
        QRect(s.scrollBar.x(), s.upArrow.bottom() + 1 + track / 5, barWidth, qMin(qMax(track / 3, 8), track));
    const QRect textRoom(inside.topLeft(), QPoint(s.scrollBar.x() - 1, inside.bottom()));
    s.windowText = QRect(inside.x() + 4, inside.y() + 3,
                         textWidth(QStringLiteral("Window Text"), z.messageText), messageLine) &
                   textRoom;
    const int toolTipLine = lineHeight(z.toolTipText);
    s.toolTip = QRect(inside.x() + inside.width() * 2 / 5, s.windowText.bottom() + 1 + toolTipLine / 2,
                      textWidth(QStringLiteral("ToolTip"), z.toolTipText) + 8, toolTipLine + 2) &
                textRoom;

    // The message box's text at the top left, its OK button centred below.
    const QRect& box = s.messageBox.client;
    s.messageText = QRect(box.x() + 2 * kMargin, box.y() + kMargin,
                          textWidth(QStringLiteral("Message Text"), z.messageText), messageLine) &
                    box;
    s.okButton = QRect(box.x() + (box.width() - kPushWidth) / 2, s.messageText.bottom() + 1 + kMargin,
                       kPushWidth, kPushHeight) &
                 box;
    return s;
}

QString itemName(Item item) {
    switch (item) {
    case Item::Desktop:
        return QStringLiteral("Desktop");
    case Item::ActiveTitleBar:
        return QStringLiteral("Active Title Bar");
    case Item::InactiveTitleBar:
        return QStringLiteral("Inactive Title Bar");
    case Item::ActiveWindowBorder:
        return QStringLiteral("Active Window Border");
    case Item::InactiveWindowBorder:
        return QStringLiteral("Inactive Window Border");
    case Item::Menu:
        return QStringLiteral("Menu");
    case Item::SelectedItems:
        return QStringLiteral("Selected Items");
    case Item::Window:
        return QStringLiteral("Window");
    case Item::MessageBox:
        return QStringLiteral("Message Box");
    case Item::ToolTip:
        return QStringLiteral("ToolTip");
    case Item::Scrollbar:
        return QStringLiteral("Scrollbar");
    case Item::ThreeDObjects:
        return QStringLiteral("3D Objects");
    case Item::CaptionButtons:
        return QStringLiteral("Caption Buttons");
    case Item::ApplicationBackground:
        return QStringLiteral("Application Background");
    }
    return QString();
}

std::optional<Item> itemAt(const Scene& s, const QPoint& point) {
    if (!s.desktop.contains(point))
        return std::nullopt;
    // Front to back: the message box, the tooltip, the active window, the inactive one.
    const SceneWindow& box = s.messageBox;
    if (box.window.contains(point)) {
        if (s.okButton.contains(point))
            return Item::ThreeDObjects;
        if (onCaptionButton(box, point))
            return Item::CaptionButtons;
        if (box.caption.contains(point))
            return Item::ActiveTitleBar;
        return onFrame(box, point) ? Item::ActiveWindowBorder : Item::MessageBox;
    }
    if (s.toolTip.contains(point))
        return Item::ToolTip;
    const SceneWindow& active = s.active;
    if (active.window.contains(point)) {
        if (onCaptionButton(active, point))
            return Item::CaptionButtons;
        if (active.caption.contains(point))
            return Item::ActiveTitleBar;
        if (s.menuSelected.contains(point))
            return Item::SelectedItems;
        if (s.menuBar.contains(point))
            return Item::Menu;
        if (s.scrollBar.contains(point))
            return Item::Scrollbar;
        if (s.windowArea.contains(point))
            return Item::Window;
        return Item::ActiveWindowBorder;
    }
    const SceneWindow& inactive = s.inactive;
    if (inactive.window.contains(point)) {
        if (onCaptionButton(inactive, point))
            return Item::CaptionButtons;
        if (inactive.caption.contains(point))
            return Item::InactiveTitleBar;
        return onFrame(inactive, point) ? Item::InactiveWindowBorder : Item::ApplicationBackground;
    }
    return Item::Desktop;
}

} // namespace StylePreview
