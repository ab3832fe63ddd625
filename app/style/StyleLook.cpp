#include "StyleLook.h"

#include "appearance/ColorSchemes.h"

namespace StyleLook {
namespace {

using appearance::SysColor;

constexpr int kDpi = 96;
// Fonts are drawn at most this tall, whatever a look says.
constexpr int kMaxFontPixels = 200;

const char* const kColorNames[appearance::SysColorCount] = {"Scrollbar",
                                                            "Background",
                                                            "ActiveCaption",
                                                            "InactiveCaption",
                                                            "Menu",
                                                            "Window",
                                                            "WindowFrame",
                                                            "MenuText",
                                                            "WindowText",
                                                            "CaptionText",
                                                            "ActiveBorder",
                                                            "InactiveBorder",
                                                            "AppWorkSpace",
                                                            "Highlight",
                                                            "HighlightText",
                                                            "BtnFace",
                                                            "BtnShadow",
                                                            "GrayText",
                                                            "BtnText",
                                                            "InactiveCaptionText",
                                                            "BtnHighlight",
                                                            "DkShadow3d",
                                                            "Light3d",
                                                            "InfoText",
                                                            "InfoBk",
                                                            "ButtonAlternateFace",
                                                            "HotTracking",
                                                            "GradientActiveCaption",
                                                            "GradientInactiveCaption",
                                                            "MenuHilight",
                                                            "MenuBar"};

appearance::ClassicLook makeStandard() {
    // The scheme Windows starts with, in the standard sizes.
    appearance::ClassicLook look = appearance::findScheme(appearance::kLightSchemeName)->look;
    if (!look.metrics)
        look.metrics = appearance::standardMetrics();
    return look;
}

} // namespace

const appearance::ClassicLook& standard() {
    static const appearance::ClassicLook look = makeStandard();
    return look;
}

const char* sysMetricsColorName(SysColor color) {
    return color >= 0 && color < appearance::SysColorCount ? kColorNames[color] : "";
}

appearance::Font fontOf(const StyleValue::Font& font) {
    // Points to pixels as MulDiv rounds, then negative: the character height.
    return appearance::Font{font.face, -((font.points * kDpi + 36) / 72), font.bold ? 700 : 400, font.italic};
}

int pixelSize(const appearance::Font& font) {
    // A positive height is the cell's, of which the character takes about four fifths; none
    // is the system's 8 points.
    if (font.height < 0)
        return font.height < -kMaxFontPixels ? kMaxFontPixels : -font.height;
    if (font.height > 0)
        return qMax(1, qMin(font.height, kMaxFontPixels) * 4 / 5);
    return 11;
}

QFont toQFont(const appearance::Font& font) {
    QFont out(font.face);
    out.setPixelSize(pixelSize(font));
    out.setWeight(QFont::Weight(qBound(100, font.weight, 900)));
    out.setItalic(font.italic);
    return out;
}

appearance::ClassicLook fromSysMetrics(const StyleIni& ini, const appearance::ClassicLook& base) {
    appearance::ClassicLook look = base;
    const auto value = [&](const char* name) { return ini.value(u"SysMetrics", QString::fromLatin1(name)); };
    for (int i = 0; i < appearance::SysColorCount; ++i) {
        const auto text = value(kColorNames[i]);
        if (const auto color = text ? StyleValue::color(*text) : std::nullopt)
            look.colors[size_t(i)] = color->rgb();
    }
    appearance::Metrics metrics = base.metrics.value_or(*standard().metrics);
    const std::pair<const char*, int*> sizes[] = {
        {"SizingBorderWidth", &metrics.borderWidth},      {"ScrollbarWidth", &metrics.scrollWidth},
        {"ScrollbarHeight", &metrics.scrollHeight},       {"CaptionBarWidth", &metrics.captionWidth},
        {"CaptionBarHeight", &metrics.captionHeight},     {"SmCaptionBarWidth", &metrics.smCaptionWidth},
        {"SmCaptionBarHeight", &metrics.smCaptionHeight}, {"MenuBarWidth", &metrics.menuWidth},
        {"MenuBarHeight", &metrics.menuHeight},           {"PaddedBorderWidth", &metrics.paddedBorderWidth}};
    for (const auto& [name, field] : sizes) {
        const auto text = value(name);
        if (const auto number = text ? StyleValue::integer(*text) : std::nullopt)
            *field = *number;
    }
    const std::pair<const char*, appearance::Font*> fonts[] = {
        {"CaptionFont", &metrics.captionFont}, {"SmallCaptionFont", &metrics.smCaptionFont},
        {"MenuFont", &metrics.menuFont},       {"StatusFont", &metrics.statusFont},
        {"MsgBoxFont", &metrics.messageFont},  {"IconTitleFont", &metrics.iconFont}};
    for (const auto& [name, field] : fonts) {
        const auto text = value(name);
        if (const auto font = text ? StyleValue::font(*text) : std::nullopt)
            *field = fontOf(*font);
    }
    look.metrics = metrics;
    if (const auto flat = value("FlatMenus"))
        look.flatMenus = StyleValue::boolean(*flat);
    return look;
}

} // namespace StyleLook
