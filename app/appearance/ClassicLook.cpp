#include "ClassicLook.h"

#include "ColorMath.h"

#include <cmath>
#include <cstdlib>

namespace appearance {

const char* sysColorName(SysColor color) {
    static const char* const names[SysColorCount] = {"Scrollbar",
                                                     "Background",
                                                     "ActiveTitle",
                                                     "InactiveTitle",
                                                     "Menu",
                                                     "Window",
                                                     "WindowFrame",
                                                     "MenuText",
                                                     "WindowText",
                                                     "TitleText",
                                                     "ActiveBorder",
                                                     "InactiveBorder",
                                                     "AppWorkSpace",
                                                     "Hilight",
                                                     "HilightText",
                                                     "ButtonFace",
                                                     "ButtonShadow",
                                                     "GrayText",
                                                     "ButtonText",
                                                     "InactiveTitleText",
                                                     "ButtonHilight",
                                                     "ButtonDkShadow",
                                                     "ButtonLight",
                                                     "InfoText",
                                                     "InfoWindow",
                                                     "ButtonAlternateFace",
                                                     "HotTrackingColor",
                                                     "GradientActiveTitle",
                                                     "GradientInactiveTitle",
                                                     "MenuHilight",
                                                     "MenuBar"};
    return color >= 0 && color < SysColorCount ? names[color] : "";
}

int heightForPoints(double points) {
    return -static_cast<int>(std::lround(points * 96.0 / 72.0));
}

int pointsForHeight(int height) {
    return static_cast<int>(std::lround(std::abs(height) * 72.0 / 96.0));
}

void deriveButtonShades(ClassicLook& look) {
    const QRgb face = look.colors[ButtonFace];
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    look.colors[ButtonHilight] = mixColors(face, white, 0.6);
    look.colors[ButtonLight] = mixColors(face, white, 0.2);
    look.colors[ButtonShadow] = mixColors(face, black, 0.4);
    look.colors[ButtonDkShadow] = mixColors(face, black, 0.7);
    look.colors[ButtonAlternateFace] = mixColors(face, black, 0.15);
}

} // namespace appearance
