// The theme service's Linux side, against a stand-in `wine`: which program for which
// prefix, what its command line carries, how its answers read, and that a hang ends.
#include "platform/linux/wine/WineThemeService.h"
#include "platform/ThemeService.h"

#include "platform/linux/EnvGuard.h"
#include "platform/linux/TestRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace fs = std::filesystem;
using namespace platform::wine;
using platform::ThemeOutcome;
using namespace std::chrono_literals;

namespace {

ThemeOutcome applyStyle(const fs::path& prefix, const std::string& dll, const std::string& color,
                        const std::string& size) {
    return platform::ThemeService(prefix).applyStyle(dll, color, size);
}

ThemeOutcome applyClassic(const fs::path& prefix,
                          std::chrono::milliseconds limit = platform::ThemeService::kTimeLimit) {
    return platform::ThemeService(prefix, limit).applyClassic();
}

platform::Problem whyUnreachable(const fs::path& prefix) {
    return platform::ThemeService(prefix).unreachable();
}

class ThemeService : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = root.root();
        fs::create_directories(prefix / "drive_c" / "windows" / "system32");
        std::ofstream(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll") << "MZ";
        setArch("win64");
        bin = prefix.parent_path() / (prefix.filename().string() + "-bin");
        fs::create_directories(bin);
        path.emplace("PATH", (bin.string() + ":/usr/bin:/bin").c_str());
    }
    void TearDown() override {
        path.reset();
        std::error_code ec;
        fs::remove_all(bin, ec);
    }
    void setArch(const std::string& arch) {
        std::ofstream(prefix / "system.reg")
            << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" << arch
            << "\n\n[Software] 1\n";
    }
    // A `wine` that records its arguments, then runs the shell text given.
    void fakeWine(const std::string& body) {
        std::ofstream(bin / "wine") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (bin / "args").string()
                                    << "'\n"
                                    << body << "\n";
        fs::permissions(bin / "wine", fs::perms::owner_all);
    }
    std::string args() const {
        std::ifstream in(bin / "args");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool programsBuilt() {
        return applyThemeProgram(PrefixArch::Win64) && applyThemeProgram(PrefixArch::Win32);
    }

    testing_support::TestRoot root;
    fs::path prefix, bin;
    std::optional<testing_support::EnvGuard> path;
};

} // namespace

TEST_F(ThemeService, ThePrefixRecordsItsArchitectureInItsHeader) {
    EXPECT_EQ(prefixArchitecture(prefix), PrefixArch::Win64);
    setArch("win32");
    EXPECT_EQ(prefixArchitecture(prefix), PrefixArch::Win32);
    setArch("arm64");
    EXPECT_EQ(prefixArchitecture(prefix), std::nullopt);
    // Only the header counts: a value's text further down names nothing.
    std::ofstream(prefix / "system.reg")
        << "WINE REGISTRY Version 2\n\n[A] 1\n\"a\"=\"1\"\n\"b\"=\"1\"\n\"c\"=\"1\"\n"
           "\"d\"=\"1\"\n\"e\"=\"1\"\n#arch=win64\n";
    EXPECT_EQ(prefixArchitecture(prefix), std::nullopt);
    fs::remove(prefix / "system.reg");
    EXPECT_EQ(prefixArchitecture(prefix), std::nullopt);
}

TEST_F(ThemeService, TextsTravelAsHexOfTheirUtf16Units) {
    EXPECT_EQ(hexArgument(""), "");
    EXPECT_EQ(hexArgument("A b"), "004100200062");
    // Beyond ASCII and beyond the BMP, whatever code page wine would otherwise use.
    EXPECT_EQ(hexArgument("\xC3\xA9\xF0\x9F\x98\x80"), "00E9D83DDE00");
}

TEST_F(ThemeService, AFolderNoWineMadeIsNeverHandedToWine) {
    fakeWine("echo 'kolvmgr-apply-theme 1'");
    fs::remove(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll");
    EXPECT_EQ(whyUnreachable(prefix).cause, platform::Problem::NotAPrefix);
    EXPECT_EQ(whyUnreachable(prefix).subject, prefix.string());
    const ThemeOutcome run = applyClassic(prefix);
    EXPECT_EQ(run.kind, ThemeOutcome::CannotRun);
    EXPECT_FALSE(fs::exists(bin / "args")) << "wine was started";

    fs::remove(bin / "wine");
    std::ofstream(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll") << "MZ";
    testing_support::EnvGuard noWine("PATH", bin.c_str());
    if (programsBuilt()) {
        EXPECT_EQ(whyUnreachable(prefix).cause, platform::Problem::WineMissing);
    }
}

TEST_F(ThemeService, EachAnswerOfTheProgramGivesItsOutcome) {
    if (!programsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    EXPECT_EQ(whyUnreachable(prefix).cause, platform::Problem::None);
    const auto runWith = [&](const std::string& out, int code) {
        fakeWine("printf '" + out + "'\nexit " + std::to_string(code));
        return applyStyle(prefix, "%systemroot%\\Resources\\Themes\\A\\a.msstyles", "Blue", "Normal");
    };
    ThemeOutcome run = runWith("kolvmgr-apply-theme 1\\ndone\\n", 0);
    EXPECT_EQ(run.kind, ThemeOutcome::Applied);
    std::string program = "\\\\?\\unix";
    for (const char c : applyThemeProgram(PrefixArch::Win64)->string())
        program += c == '/' ? '\\' : c;
    EXPECT_EQ(args(), program + "\napply\n" + hexArgument("%systemroot%\\Resources\\Themes\\A\\a.msstyles") +
                          "\n" + hexArgument("Blue") + "\n" + hexArgument("Normal") + "\n");

    run = runWith("kolvmgr-apply-theme 1\\nerror: the theme service refused the style (0x80070490)\\n", 43);
    EXPECT_EQ(run.kind, ThemeOutcome::Refused);
    EXPECT_EQ(run.why.cause, platform::Problem::ProgramSaid);
    EXPECT_EQ(run.why.said, "the theme service refused the style (0x80070490)");
    EXPECT_EQ(runWith("kolvmgr-apply-theme 1\\nerror: no style file\\n", 42).kind, ThemeOutcome::Refused);
    EXPECT_EQ(runWith("kolvmgr-apply-theme 1\\nerror: x\\n", 44).kind, ThemeOutcome::Failed);
    EXPECT_EQ(runWith("kolvmgr-apply-theme 1\\nerror: y\\n", 45).kind, ThemeOutcome::NotRecorded);
    // Killed part-way: wine may say nothing of it, and only the last word is success.
    run = runWith("kolvmgr-apply-theme 1\\n", 0);
    EXPECT_EQ(run.kind, ThemeOutcome::Interrupted);
    EXPECT_EQ(run.why.cause, platform::Problem::ProgramUnfinished);
    EXPECT_EQ(run.why.subject, "kolvmgr-apply-theme-x86_64.exe");
    fakeWine("printf 'kolvmgr-apply-theme 1\\n'\nkill -9 $$");
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::Interrupted);
    run = runWith("kolvmgr-apply-theme 1\\n", 5);
    EXPECT_EQ(run.kind, ThemeOutcome::Interrupted) << "a program that crashed";
    EXPECT_EQ(run.why.cause, platform::Problem::ProgramUnfinished);

    // Wine that never got the program going: nothing was changed.
    fakeWine("echo 'wine: could not load kernel32.dll, status c0000135' >&2\nexit 1");
    run = applyClassic(prefix);
    EXPECT_EQ(run.kind, ThemeOutcome::CannotRun);
    EXPECT_EQ(run.why.cause, platform::Problem::WineCannotRun);
    EXPECT_EQ(run.why.subject, "kolvmgr-apply-theme-x86_64.exe");
    EXPECT_EQ(run.why.said, "wine: could not load kernel32.dll, status c0000135");
    EXPECT_EQ(args(), program + "\nclassic\n");
    // Its wineserver stopped as it started: the second start serves.
    fakeWine("if [ -f '" + (bin / "once").string() +
             "' ]; then printf 'kolvmgr-apply-theme 1\\ndone\\n'; "
             "else touch '" +
             (bin / "once").string() + "'; exit 1; fi");
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::Applied);

    setArch("win32");
    fakeWine("printf 'kolvmgr-apply-theme 1\\ndone\\n'");
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::Applied);
    EXPECT_NE(args().find("kolvmgr-apply-theme-i686.exe\nclassic\n"), std::string::npos) << args();
}

TEST_F(ThemeService, AProgramThatHangsIsStoppedAndSaidSo) {
    if (!programsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    fakeWine("echo 'kolvmgr-apply-theme 1'\nexec sleep 30");
    const ThemeOutcome run = applyClassic(prefix, 300ms);
    EXPECT_EQ(run.kind, ThemeOutcome::TimedOut);
    EXPECT_EQ(run.why.cause, platform::Problem::TimedOut);
    EXPECT_EQ(run.why.subject, "wine");
    EXPECT_EQ(run.why.number, 1) << "the limit, rounded up to whole seconds";
    EXPECT_EQ(applyClassic(prefix, 2500ms).why.number, 3);
}

TEST_F(ThemeService, ALookTravelsFieldByFieldAndOneNoScreenHasNeverReachesWine) {
    if (!programsBuilt())
        GTEST_SKIP() << "the Windows programs were not built (scripts/deps installs mingw-w64)";
    fakeWine("printf 'kolvmgr-apply-theme 1\\ndone\\n'");
    std::string program = "\\\\?\\unix";
    for (const char c : applyThemeProgram(PrefixArch::Win64)->string())
        program += c == '/' ? '\\' : c;

    // Colours alone: over the look in force, flags then the 31 colours as RRGGBB.
    platform::Look look;
    look.colors[0] = 0xFF0080;
    look.colors[30] = 0x0A0B0C;
    look.gradientCaptions = false;
    look.flatMenus = true;
    EXPECT_EQ(platform::ThemeService(prefix).applyLook(look, false).kind, ThemeOutcome::Applied);
    std::string colors = "FF0080";
    for (int i = 1; i < 30; ++i)
        colors += "000000";
    colors += "0A0B0C";
    EXPECT_EQ(args(), program + "\nlook\n2\n" + colors + "\n");

    // A scheme with sizes and fonts: ten sizes of eight digits, then each font's height
    // (two's complement), weight, italic and face as UTF-16.
    look.gradientCaptions = true;
    platform::LookMetrics metrics;
    metrics.sizes = {1, 16, 16, 18, 18, 12, 15, 18, 18, 0};
    metrics.fonts.fill({-13, 400, true, "Caf\xC3\xA9"});
    metrics.fonts[0] = {-11, 700, false, "Tahoma"};
    look.metrics = metrics;
    EXPECT_EQ(platform::ThemeService(prefix).applyLook(look, true).kind, ThemeOutcome::Applied);
    std::string expected =
        program + "\nscheme\n3\n" + colors +
        "\n00000001000000100000001000000012000000120000000C0000000F000000120000001200000000\n"
        "FFFFFFF5000002BC0" +
        hexArgument("Tahoma") + "\n";
    for (int i = 1; i < 6; ++i)
        expected += "FFFFFFF300000190100430061006600E9\n";
    EXPECT_EQ(args(), expected);

    // Beyond a screen, or a face LOGFONTW cannot hold: refused before wine is started.
    for (const auto& spoil : std::vector<std::function<void(platform::LookMetrics&)>>{
             [](platform::LookMetrics& m) { m.sizes[2] = 1001; },
             [](platform::LookMetrics& m) { m.sizes[0] = -1; },
             [](platform::LookMetrics& m) { m.fonts[3].height = -1001; },
             [](platform::LookMetrics& m) { m.fonts[3].weight = 1001; },
             [](platform::LookMetrics& m) { m.fonts[5].face = std::string(32, 'x'); }}) {
        platform::Look spoilt = look;
        spoil(*spoilt.metrics);
        fs::remove(bin / "args");
        const ThemeOutcome run = platform::ThemeService(prefix).applyLook(spoilt, false);
        EXPECT_EQ(run.kind, ThemeOutcome::Refused);
        EXPECT_EQ(run.why.cause, platform::Problem::LookUnusable);
        EXPECT_FALSE(fs::exists(bin / "args")) << "wine was started";
    }
    look.metrics->fonts[5].face = std::string(31, 'x');
    EXPECT_EQ(platform::ThemeService(prefix).applyLook(look, false).kind, ThemeOutcome::Applied);
}
