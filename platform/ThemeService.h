#pragma once
// The theme service of a Windows root: applies a visual style, with its system colours,
// metrics and fonts, or the classic look, so that programs started afterwards show it,
// then records the values kolvmgr's readers expect (ThemeManager's Dllname, ColorName,
// SizeName and ThemeActive). The Win32 back end asks the system's own uxtheme, in this
// process; the Linux back end runs kolvmgr's small Windows program through the prefix's
// own Wine, one start per call. Either way nothing of the record in force is changed
// before the theme service applies, so an apply cut short leaves the old style or the new
// one recorded.

#include "platform/Problem.h"

#include <chrono>
#include <filesystem>
#include <memory>
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

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// The outcome an exit code of the apply steps (ApplyThemeProtocol.h) stands for, with
// what the steps said when they failed. Shared by both back ends.
ThemeOutcome themeOutcome(int code, const std::string& said);

} // namespace platform
