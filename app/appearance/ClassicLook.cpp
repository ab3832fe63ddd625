#include "ClassicLook.h"

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

} // namespace appearance
