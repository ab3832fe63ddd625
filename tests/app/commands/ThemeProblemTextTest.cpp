// How the commands word what kept Wine's theme service from a style: the words the apply
// messages end with.

#include "commands/StyleApply.h"
#include "platform/WineThemeService.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using platform::wine::ThemeProblem;

std::string text(const ThemeProblem& problem) {
    return StyleApply::problemText(problem).toStdString();
}

TEST(ThemeProblemText, EachCauseHasItsWords) {
    EXPECT_EQ(text({ThemeProblem::NotAPrefix, "/home/u/.local/share/kolvmgr"}),
              "/home/u/.local/share/kolvmgr is no prefix made by Wine");
    EXPECT_EQ(text({ThemeProblem::NotInstalled, "kolvmgr-apply-theme-i686.exe"}),
              "kolvmgr-apply-theme-i686.exe is not installed with kolvmgr");
    EXPECT_EQ(text({ThemeProblem::WineMissing}), "wine is not installed (not found on PATH)");
    EXPECT_EQ(text({ThemeProblem::NoOutputFile, {}, {}, ENOSPC}),
              "no temporary file for the program's output: No space left on device");
    EXPECT_EQ(text({ThemeProblem::WineNotStarted, {}, {}, EACCES}),
              "wine could not be started: Permission denied");
    EXPECT_EQ(text({ThemeProblem::TimeLimit, {}, {}, 1}),
              "wine did not finish within 1 second and was stopped");
    EXPECT_EQ(text({ThemeProblem::TimeLimit, {}, {}, 120}),
              "wine did not finish within 120 seconds and was stopped");
    EXPECT_EQ(text({ThemeProblem::Signal, {}, {}, 9}), "wine ended on signal 9");
    EXPECT_EQ(text({ThemeProblem::WineCannotRun, "kolvmgr-apply-theme-x86_64.exe",
                    "wine: could not load kernel32.dll, status c0000135"}),
              "wine could not run kolvmgr-apply-theme-x86_64.exe (wine: could not load kernel32.dll, status "
              "c0000135)");
    EXPECT_EQ(text({ThemeProblem::WineCannotRun, "kolvmgr-apply-theme-x86_64.exe"}),
              "wine could not run kolvmgr-apply-theme-x86_64.exe");
    EXPECT_EQ(text({ThemeProblem::ProgramSaid, {}, "the theme service refused the style (0x80070490)"}),
              "the theme service refused the style (0x80070490)");
    EXPECT_EQ(text({ThemeProblem::ExitCode, {}, {}, 5}), "exit code 5");
    EXPECT_EQ(text({}), "");
}

} // namespace
