#pragma once
// The look of Windows without a visual style: the 31 system colours, the non-client
// metrics and the fonts, as the Display control panel's Appearance tab edits them and as
// `HKEY_CURRENT_USER\Control Panel\Colors` and `Control Panel\Desktop\WindowMetrics` store
// them. A colour scheme is one of these; so is what a style's [SysMetrics] section gives,
// and what the Linux desktop's colours are mapped onto. The preview scene draws from it.

#include <QRgb>
#include <QString>

#include <array>
#include <optional>

namespace appearance {

// The system colours in the order of their indexes (COLOR_SCROLLBAR = 0 ... COLOR_MENUBAR
// = 30), which is also the order SetSysColors and GetSysColor number them.
enum SysColor : int {
    Scrollbar,
    Background,
    ActiveTitle,
    InactiveTitle,
    Menu,
    Window,
    WindowFrame,
    MenuText,
    WindowText,
    TitleText,
    ActiveBorder,
    InactiveBorder,
    AppWorkSpace,
    Hilight,
    HilightText,
    ButtonFace,
    ButtonShadow,
    GrayText,
    ButtonText,
    InactiveTitleText,
    ButtonHilight,
    ButtonDkShadow,
    ButtonLight,
    InfoText,
    InfoWindow,
    ButtonAlternateFace,
    HotTrackingColor,
    GradientActiveTitle,
    GradientInactiveTitle,
    MenuHilight,
    MenuBar,
    SysColorCount
};

// The value name under Control Panel\Colors of each colour, by index.
const char* sysColorName(SysColor color);

// A font as LOGFONTW describes one, in pixels at 96 dots per inch (height negative: the
// character height, as the Display control panel stores it).
struct Font {
    QString face;
    int height = -11;
    int weight = 400;
    bool italic = false;
    friend bool operator==(const Font&, const Font&) = default;
};

// The height at 96 dots per inch of a font of that many points, as LOGFONT stores it; and
// back, the points of a height, rounded to whole points.
int heightForPoints(double points);
int pointsForHeight(int height);

// The sizes of NONCLIENTMETRICS, in pixels at 96 dots per inch, and its fonts, with the
// icon title font beside them.
struct Metrics {
    int borderWidth = 1;
    int scrollWidth = 16;
    int scrollHeight = 16;
    int captionWidth = 18;
    int captionHeight = 18;
    int smCaptionWidth = 12;
    int smCaptionHeight = 15;
    int menuWidth = 18;
    int menuHeight = 18;
    int paddedBorderWidth = 0;
    Font captionFont;
    Font smCaptionFont;
    Font menuFont;
    Font statusFont;
    Font messageFont;
    Font iconFont;
    friend bool operator==(const Metrics&, const Metrics&) = default;
};

struct ClassicLook;
// The 3D shades that follow the button face (ButtonHilight, ButtonLight, ButtonShadow,
// ButtonDkShadow, ButtonAlternateFace), as the Windows schemes have them: light edges
// towards white, shadows towards black.
void deriveButtonShades(ClassicLook& look);

struct ClassicLook {
    std::array<QRgb, SysColorCount> colors{};
    // Absent where only colours are given (a scheme of colours alone keeps the sizes and
    // fonts in force).
    std::optional<Metrics> metrics;
    bool gradientCaptions = true;
    bool flatMenus = false;
    friend bool operator==(const ClassicLook&, const ClassicLook&) = default;
};

} // namespace appearance
