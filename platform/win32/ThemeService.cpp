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

} // namespace platform
