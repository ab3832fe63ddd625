// The Win32 back end of the theme service: the system's own uxtheme, asked in this process
// through the steps kolvmgr's Windows program takes under Wine (ThemeServiceCore).
#include "platform/ThemeService.h"

#include "Wide.h"

#include <windows.h>

extern "C" {
#include "ThemeServiceCore.h"
}

namespace platform {

// Windows always has its theme service: nothing to decide beforehand.
struct ThemeService::Impl {
    Problem unreachable;
};

ThemeService::ThemeService(const std::filesystem::path&, std::chrono::milliseconds)
    : m_impl(std::make_unique<Impl>()) {}

ThemeService::~ThemeService() = default;

const Problem& ThemeService::unreachable() const {
    return m_impl->unreachable;
}

ThemeOutcome ThemeService::applyStyle(const std::string& dllName, const std::string& color,
                                      const std::string& size) {
    KolvThemeProgress progress{};
    const int code = kolvApplyStyle(win32::wide(dllName).c_str(), win32::wide(color).c_str(),
                                    win32::wide(size).c_str(), &progress);
    return themeOutcome(code, progress.message);
}

ThemeOutcome ThemeService::applyClassic() {
    KolvThemeProgress progress{};
    return themeOutcome(kolvApplyClassic(&progress), progress.message);
}

ThemeOutcome ThemeService::applyLook(const Look& look, bool classic) {
    if (!lookUsable(look))
        return {ThemeOutcome::Refused, {Problem::LookUnusable}};
    KolvLook request{};
    for (int i = 0; i < Look::kColorCount; ++i) {
        const uint32_t c = look.colors[static_cast<size_t>(i)];
        request.colors[i] = RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
    }
    request.gradientCaptions = look.gradientCaptions;
    request.flatMenus = look.flatMenus;
    if (look.metrics) {
        NONCLIENTMETRICSW& m = request.metrics;
        m.cbSize = sizeof m;
        int* sizes[] = {&m.iBorderWidth,   &m.iScrollWidth,      &m.iScrollHeight,    &m.iCaptionWidth,
                        &m.iCaptionHeight, &m.iSmCaptionWidth,   &m.iSmCaptionHeight, &m.iMenuWidth,
                        &m.iMenuHeight,    &m.iPaddedBorderWidth};
        for (size_t i = 0; i < look.metrics->sizes.size(); ++i)
            *sizes[i] = look.metrics->sizes[i];
        LOGFONTW* fonts[] = {&m.lfCaptionFont, &m.lfSmCaptionFont, &m.lfMenuFont,
                             &m.lfStatusFont,  &m.lfMessageFont,   &request.iconFont};
        for (size_t i = 0; i < look.metrics->fonts.size(); ++i) {
            const LookFont& font = look.metrics->fonts[i];
            kolvLookFont(fonts[i], font.height, font.weight, font.italic, win32::wide(font.face).c_str());
        }
        request.hasMetrics = TRUE;
    }
    KolvThemeProgress progress{};
    return themeOutcome(kolvApplyLook(&request, classic, &progress), progress.message);
}

} // namespace platform
