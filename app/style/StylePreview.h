#pragma once
// The preview scene of the Display control panel, drawn without a display: on the desktop
// colour, an inactive window ("Inactive Window") behind the active one ("Active Window"),
// whose menu bar shows an item in each of its states ("Normal", "Disabled", "Selected"),
// whose window area holds "Window Text", a tooltip ("ToolTip") and a vertical scroll bar,
// and in front a message box ("Message Box") with "Message Text" and a defaulted "OK".
//
// It is drawn from a style file (its bitmaps through the nine-grid in their states and
// glyphs, its INI data's colours and fonts; what the style draws no image for, such as
// the menu bar, in the classic look its [SysMetrics] give), or from a classic look alone
// (colours, sizes and fonts of a colour scheme or of items being edited: 3D edges,
// caption gradients, no bitmap), so that either can be seen before it is applied.
//
// A style that cannot be drawn (its file unreadable, no INI data for the colour scheme
// and size, no window caption image) gives no picture and says why.

#include "appearance/ClassicLook.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class StyleFile;

namespace StylePreview {

// The size of the picture in the main window's preview area (and of --preview's file).
constexpr QSize kSize(411, 281);

// The items of the Display control panel's Advanced appearance window that the scene shows.
enum class Item {
    Desktop,
    ActiveTitleBar,
    InactiveTitleBar,
    ActiveWindowBorder,
    InactiveWindowBorder,
    Menu,
    SelectedItems,
    Window,
    MessageBox,
    ToolTip,
    Scrollbar,
    ThreeDObjects,
    CaptionButtons,
    ApplicationBackground,
};
// The item's name as that window lists it ("Active Title Bar", "3D Objects", ...).
QString itemName(Item item);

// A window of the scene, where each of its parts was drawn. The frame is what lies
// between the window's outline and its caption and client area.
struct SceneWindow {
    QRect window;
    QRect caption;
    QRect captionText;
    QRect frameLeft;
    QRect frameRight;
    QRect frameBottom;
    QRect minButton; // empty where the window has none (the message box)
    QRect maxButton;
    QRect closeButton;
    QRect client;
};

// Where each element of the scene was drawn, back to front.
struct Scene {
    QRect desktop;
    SceneWindow inactive; // its client area is the application background
    SceneWindow active;
    QRect menuBar;
    QRect menuNormal;
    QRect menuDisabled;
    QRect menuSelected;
    QRect windowArea; // the active window's client edge and all inside it
    QRect windowText;
    QRect scrollBar;
    QRect upArrow;
    QRect downArrow;
    QRect thumb;
    QRect toolTip;
    SceneWindow messageBox;
    QRect messageText;
    QRect okButton;
};

// The item a click at point selects: the one of the frontmost element there (a caption
// button before its caption, the OK button before its message box); nullopt outside the
// picture.
std::optional<Item> itemAt(const Scene& scene, const QPoint& point);

struct Result {
    QImage image; // Format_RGB32; null when it cannot be drawn
    Scene scene;
    QString error; // why it cannot be drawn, to follow "cannot be previewed: "
};

// Draws the style's colour scheme colorIndex in size sizeIndex (0 and 0 are the style's
// defaults) at the given size, held within 240 x 160 and 2048 x 2048. Text is drawn only
// where a QGuiApplication exists.
Result render(const StyleFile& file, int colorIndex = 0, int sizeIndex = 0, const QSize& size = kSize);
// Draws the classic look: its colours, and its sizes and fonts (the standard ones where it
// has none); sizes beyond what the picture can hold are held to it.
Result render(const appearance::ClassicLook& look, const QSize& size = kSize);

} // namespace StylePreview
