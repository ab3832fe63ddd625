// The theme service's Linux side, against a stand-in `wine`: which program for which
// prefix, what its command line carries, how its answers read, and that a hang ends.
#include "platform/linux/wine/WineThemeService.h"
#include "platform/ThemeService.h"

#include "platform/linux/EnvGuard.h"
#include "platform/linux/TestRoot.h"
#include "platform/linux/wine/FakeWine.h"

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
        wine.emplace(prefix, prefix.parent_path() / (prefix.filename().string() + "-wine"),
                     testing_support::FakeWine::Options{false});
    }
    void TearDown() override {
        wine.reset();
        std::error_code ec;
        fs::remove_all(prefix.parent_path() / (prefix.filename().string() + "-wine"), ec);
    }
    void setArch(const std::string& arch) {
        std::ofstream(prefix / "system.reg")
            << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" << arch
            << "\n\n[Software] 1\n";
    }
    // The program's last call (FakeWine::programCalls), or nothing.
    std::string lastCall() const {
        const auto calls = wine->programCalls();
        return calls.empty() ? std::string() : calls.back();
    }
    // A run of the program that answers out and ends with code.
    ThemeOutcome runWith(const std::string& out, int code) {
        wine->reply(out, code);
        return applyStyle(prefix, "%systemroot%\\Resources\\Themes\\A\\a.msstyles", "Blue", "Normal");
    }

    testing_support::TestRoot root;
    fs::path prefix;
    std::optional<testing_support::FakeWine> wine;
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
    fs::remove(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll");
    EXPECT_EQ(whyUnreachable(prefix).cause, platform::Problem::NotAPrefix);
    EXPECT_EQ(whyUnreachable(prefix).subject, prefix.string());
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::CannotRun);
    EXPECT_TRUE(wine->calls().empty()) << "wine was started";

    // A prefix that no wine may be started in: the reason is the Wine choice's.
    std::ofstream(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll") << "MZ";
    testing_support::EnvGuard noWine("PATH", "/nonexistent");
    EXPECT_EQ(whyUnreachable(prefix).cause, platform::Problem::NoWineFound);
    EXPECT_TRUE(wine->calls().empty());
}

TEST_F(ThemeService, EachAnswerOfTheProgramGivesItsOutcome) {
    EXPECT_EQ(whyUnreachable(prefix).cause, platform::Problem::None);
    ThemeOutcome run = runWith("kolvmgr-apply-theme 1\ndone\n", 0);
    EXPECT_EQ(run.kind, ThemeOutcome::Applied);
    EXPECT_EQ(lastCall(), "WINEPREFIX=" + prefix.string() + " [" + wine->themeProgram("x86_64") +
                              "] [apply] <%systemroot%\\Resources\\Themes\\A\\a.msstyles> <Blue> <Normal>");

    run = runWith("kolvmgr-apply-theme 1\nerror: the theme service refused the style (0x80070490)\n", 43);
    EXPECT_EQ(run.kind, ThemeOutcome::Refused);
    EXPECT_EQ(run.why.cause, platform::Problem::ProgramSaid);
    EXPECT_EQ(run.why.said, "the theme service refused the style (0x80070490)");
    EXPECT_EQ(runWith("kolvmgr-apply-theme 1\nerror: no style file\n", 42).kind, ThemeOutcome::Refused);
    EXPECT_EQ(runWith("kolvmgr-apply-theme 1\nerror: x\n", 44).kind, ThemeOutcome::Failed);
    EXPECT_EQ(runWith("kolvmgr-apply-theme 1\nerror: y\n", 45).kind, ThemeOutcome::NotRecorded);
    // Killed part-way: wine may say nothing of it, and only the last word is success.
    run = runWith("kolvmgr-apply-theme 1\n", 0);
    EXPECT_EQ(run.kind, ThemeOutcome::Interrupted);
    EXPECT_EQ(run.why.cause, platform::Problem::ProgramUnfinished);
    EXPECT_EQ(run.why.subject, "kolvmgr-apply-theme-x86_64.exe");
    run = runWith("kolvmgr-apply-theme 1\n", 5);
    EXPECT_EQ(run.kind, ThemeOutcome::Interrupted) << "a program that crashed";
    EXPECT_EQ(run.why.cause, platform::Problem::ProgramUnfinished);
    wine->also("printf 'kolvmgr-apply-theme 1\\n'; kill -9 $$");
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::Interrupted);

    // Wine that never got the program going: nothing was changed.
    wine->also("echo 'wine: could not load kernel32.dll, status c0000135' >&2");
    wine->reply("", 1);
    run = applyClassic(prefix);
    EXPECT_EQ(run.kind, ThemeOutcome::CannotRun);
    EXPECT_EQ(run.why.cause, platform::Problem::WineCannotRun);
    EXPECT_EQ(run.why.subject, "kolvmgr-apply-theme-x86_64.exe");
    EXPECT_EQ(run.why.said, "wine: could not load kernel32.dll, status c0000135");
    EXPECT_EQ(lastCall(),
              "WINEPREFIX=" + prefix.string() + " [" + wine->themeProgram("x86_64") + "] [classic]");
    // Its wineserver stopped as it started: the second start serves.
    const fs::path once = wine->build() / "once";
    wine->reply("kolvmgr-apply-theme 1\ndone\n", 0);
    wine->also("[ -f '" + once.string() + "' ] || { touch '" + once.string() + "'; exit 1; }");
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::Applied);

    setArch("win32");
    wine->also("");
    EXPECT_EQ(applyClassic(prefix).kind, ThemeOutcome::Applied);
    EXPECT_EQ(lastCall(),
              "WINEPREFIX=" + prefix.string() + " [" + wine->themeProgram("i686") + "] [classic]");
}

TEST_F(ThemeService, AProgramThatHangsIsStoppedAndSaidSo) {
    wine->also("echo 'kolvmgr-apply-theme 1'; exec sleep 30");
    const ThemeOutcome run = applyClassic(prefix, 300ms);
    EXPECT_EQ(run.kind, ThemeOutcome::TimedOut);
    EXPECT_EQ(run.why.cause, platform::Problem::TimedOut);
    EXPECT_EQ(run.why.subject, "wine");
    EXPECT_EQ(run.why.number, 1) << "the limit, rounded up to whole seconds";
    EXPECT_EQ(applyClassic(prefix, 2500ms).why.number, 3);
}

TEST_F(ThemeService, ALookTravelsFieldByFieldAndOneNoScreenHasNeverReachesWine) {
    const std::string program = wine->themeProgram("x86_64");
    const auto args = [&] { return wine->lastProgramArguments(); };

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
        const size_t calls = wine->programCalls().size();
        const ThemeOutcome run = platform::ThemeService(prefix).applyLook(spoilt, false);
        EXPECT_EQ(run.kind, ThemeOutcome::Refused);
        EXPECT_EQ(run.why.cause, platform::Problem::LookUnusable);
        EXPECT_EQ(wine->programCalls().size(), calls) << "wine was started";
    }
    look.metrics->fonts[5].face = std::string(31, 'x');
    EXPECT_EQ(platform::ThemeService(prefix).applyLook(look, false).kind, ThemeOutcome::Applied);
}
