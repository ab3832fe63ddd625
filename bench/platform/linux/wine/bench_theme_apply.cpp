// One Apply through Wine's theme service (kolvmgr-apply-theme run by wine: the style
// applied with its colours and metrics, then recorded), cold (no wineserver for the
// prefix: wine starts one) and warm (a server running, as while a Wine program is open).
// Baseline, the floor of anything done through wine: the same wine start of a Windows
// program that does nothing, measured side by side, run by run. A fresh prefix is made for
// the run (wineboot, tens of seconds); without Wine or mingw-w64 the program says so and
// measures nothing.
//
//   bench_theme_apply [repetitions]

#include "BenchSupport.h"

#include "platform/ThemeService.h"
#include "platform/linux/wine/WineProgram.h"
#include "platform/linux/wine/WineThemeService.h"
#include "platform/linux/wine/Wineserver.h"

#include <thread>

namespace {

using namespace bench;
using namespace std::chrono_literals;

fs::path g_prefix;

double timeNothing() {
    const auto started = Clock::now();
    const auto run = platform::wine::run(g_prefix, {platform::wine::unixPathForWine(KOLV_NOTHING)}, 120s);
    const double ms = msSince(started);
    if (!run.exitedWith(0))
        std::printf("the program that does nothing failed (%d)\n", run.code);
    return ms;
}

double timeApply(int round) {
    // Two colour schemes would need two styles; Light twice is a full apply each time, as
    // the program hands the theme service the file spelled anew.
    const auto started = Clock::now();
    const auto run = platform::ThemeService(g_prefix).applyStyle(
        "%systemroot%\\resources\\themes\\light\\light.msstyles", "Blue", "NormalSize");
    const double ms = msSince(started);
    if (run.kind != platform::ThemeOutcome::Applied)
        std::printf("apply %d failed (cause %d): %s %s\n", round, static_cast<int>(run.why.cause),
                    run.why.subject.c_str(), run.why.said.c_str());
    return ms;
}

void stopServer() {
    std::system("wineserver -k 2>/dev/null; wineserver -w 2>/dev/null");
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    if (!fs::exists(KOLV_NOTHING) || !platform::wine::applyThemeProgram(platform::wine::PrefixArch::Win64)) {
        std::printf("SKIPPED: the Windows programs were not built (mingw-w64 missing)\n");
        return 0;
    }
    g_prefix = freshWinePrefix("theme");
    if (g_prefix.empty())
        return 0;

    // Who goes first turns from run to run, so that neither always finds the disk cache
    // the other warmed.
    std::vector<double> coldApply, coldNothing, warmApply, warmNothing;
    for (int i = 0; i < repetitions; ++i) {
        for (int k = 0; k < 2; ++k) {
            stopServer();
            if ((i + k) % 2)
                coldNothing.push_back(timeNothing());
            else
                coldApply.push_back(timeApply(i));
        }
    }
    stopServer();
    std::system("wineserver -p");
    for (int i = 0; i < 300 && !platform::wineserverRunning(g_prefix); ++i)
        std::this_thread::sleep_for(100ms);
    timeNothing(); // the services a first program starts
    for (int i = 0; i < repetitions; ++i) {
        if (i % 2) {
            warmNothing.push_back(timeNothing());
            warmApply.push_back(timeApply(i));
        } else {
            warmApply.push_back(timeApply(i));
            warmNothing.push_back(timeNothing());
        }
    }
    stopServer();
    std::error_code ec;
    fs::remove_all(g_prefix.parent_path(), ec);

    result("Apply through Wine's theme service, cold (no wineserver)", "fresh prefix, Wine's Light",
           milliseconds(median(coldApply)),
           milliseconds(median(coldNothing)) + " wine start of a no-op program",
           format("%.2fx", pairedRatio(coldApply, coldNothing)), "<= 1.3x");
    result("Apply through Wine's theme service, warm (wineserver running)", "fresh prefix, Wine's Light",
           milliseconds(median(warmApply)),
           milliseconds(median(warmNothing)) + " wine start of a no-op program",
           format("%.2fx", pairedRatio(warmApply, warmNothing)), "<= 1.3x");
    return 0;
}
