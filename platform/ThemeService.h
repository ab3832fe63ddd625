#pragma once
// The theme service of a Windows root: applies a visual style, with its system colours,
// metrics and fonts, or the classic look, so that programs started afterwards show it,
// then records the values kolvmgr's readers expect (ThemeManager's Dllname, ColorName,
// SizeName and ThemeActive). It also sets system colours, sizes and fonts of the user's
// choosing (a look), through SetSysColors and SystemParametersInfo, and stores them under
// Control Panel\Colors and Control Panel\Desktop\WindowMetrics in Windows' formats: the
// calls reach the programs started next even while a wineserver runs, and the stored
// values are what a Wine started later reads (in Wine, SetSysColors stores nothing). The Win32 back end asks
// the system's own uxtheme, in this process; the Linux back end runs kolvmgr's small Windows program through
// the prefix's own Wine, one start per call. Either way nothing of the record in force is changed before the
// theme service applies, so an apply cut short leaves the old style or the new one recorded.

#include "platform/Problem.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct ThemeOutcome {
    enum Kind {
        // The theme service cannot be reached (no Wine, no prefix made by Wine, kolvmgr's
        // Windows program missing, wine unable to run it): nothing was changed.
        CannotRun,
        Applied,
        // The theme service refused the style file, its colour scheme or its size, or the
        // file is not there: nothing was changed.
        Refused,
        // The theme service failed (what it had written was put back).
        Failed,
        // Applied, but the values recorded afterwards could not be written or read back.
        NotRecorded,
        // Still running at the time limit: stopped.
        TimedOut,
        // Ended before it said how it went (killed, or its wineserver stopped): the style
        // may have been applied or not, as the registry now says.
        Interrupted,
    } kind = CannotRun;
    Problem why;
};

// A font as LOGFONTW gives one: height in pixels (negative: the character height), weight,
// italic, face name (UTF-8, at most 31 UTF-16 units).
struct LookFont {
    int32_t height = -11;
    int32_t weight = 400;
    bool italic = false;
    std::string face;
    friend bool operator==(const LookFont&, const LookFont&) = default;
};

// The sizes of NONCLIENTMETRICS in pixels, its five fonts and the icon title font.
struct LookMetrics {
    std::array<int32_t, 10> sizes{}; // border, scroll bar width and height, caption button
                                     // width and height, small caption button width and
                                     // height, menu width and height, padded border
    std::array<LookFont, 6> fonts{}; // caption, small caption, menu, status, message, icon
    friend bool operator==(const LookMetrics&, const LookMetrics&) = default;
};

// The system colours (0xRRGGBB by index, COLOR_SCROLLBAR first) and, where given, the
// sizes and fonts; with gradient captions and flat menus.
struct Look {
    static constexpr int kColorCount = 31;
    std::array<uint32_t, kColorCount> colors{};
    std::optional<LookMetrics> metrics;
    bool gradientCaptions = true;
    bool flatMenus = false;
    friend bool operator==(const Look&, const Look&) = default;
};

// Sizes and font heights beyond this are no screen's: the theme service refuses them.
inline constexpr int32_t kLookMaxPixels = 1000;

class ThemeService {
public:
    // A cold start of Wine in a prefix takes seconds, one that updates the prefix tens of
    // seconds; beyond this it hangs.
    static constexpr std::chrono::seconds kTimeLimit{120};

    // The theme service of the Windows root (ignored by the Win32 back end): whether and
    // how it can be reached is decided here, once.
    explicit ThemeService(const std::filesystem::path& root, std::chrono::milliseconds limit = kTimeLimit);
    ~ThemeService();
    ThemeService(const ThemeService&) = delete;
    ThemeService& operator=(const ThemeService&) = delete;

    // Why it cannot be reached; None when it can.
    const Problem& unreachable() const;

    // Applies the style whose file dllName names (a Windows path, "%systemroot%\..." kept
    // literally: it is recorded so, and expanded to find the file), in the colour scheme
    // and size given (names the style offers; UTF-8).
    ThemeOutcome applyStyle(const std::string& dllName, const std::string& color, const std::string& size);
    // Switches to the classic look (no visual style).
    ThemeOutcome applyClassic();
    // Sets look over the look in force (a visual style's colours too, until a style is
    // applied again), or with classic, switches to the classic look in it; and stores it.
    // Nothing of the user's values is removed before the new ones are set. Refused (and
    // nothing changed) when a size or font is beyond kLookMaxPixels or a face name too long.
    ThemeOutcome applyLook(const Look& look, bool classic);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// The outcome an exit code of the apply steps (ApplyThemeProtocol.h) stands for, with
// what the steps said when they failed. Shared by both back ends.
ThemeOutcome themeOutcome(int code, const std::string& said);

// Whether the theme service can take the look: sizes from 0 and font heights from
// -kLookMaxPixels, up to kLookMaxPixels; weights 0 to 1000; faces of at most 31 UTF-16
// units. Shared by both back ends, which refuse any other.
bool lookUsable(const Look& look);

} // namespace platform
