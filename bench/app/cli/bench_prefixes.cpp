// One Apply carried into several Wine prefixes at once (`kolvmgr --prefix A --prefix B ...
// --apply light`: each prefix's run side by side, each with its own wine and wineserver)
// against the same Apply in one prefix (`kolvmgr --prefix A --apply light`), cold (no
// wineserver running for any prefix: each run starts one) and warm (a server running for
// each, as while a Wine program is open in it). Run by run, the two alternate who goes
// first. The prefixes are real: one made by wineboot in a temporary folder (tens of
// seconds), the others copies of it, each with Wine's own Light style. Without Wine the
// program says so and measures nothing.
//
//   bench_prefixes [repetitions] [prefix counts, e.g. 2,3,4]

#include "BenchSupport.h"

#include <thread>

namespace {

using namespace bench;
using namespace std::chrono_literals;

std::vector<fs::path> g_prefixes;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Stops every prefix's wineserver and waits until each has gone.
void stopServers() {
    for (const fs::path& prefix : g_prefixes)
        std::system(("WINEPREFIX=" + quoted(prefix.string()) + " wineserver -k 2>/dev/null; WINEPREFIX=" +
                     quoted(prefix.string()) + " wineserver -w 2>/dev/null")
                        .c_str());
}

// A server kept running for each prefix until it is stopped.
void startServers() {
    for (const fs::path& prefix : g_prefixes)
        std::system(("WINEPREFIX=" + quoted(prefix.string()) + " wineserver -p").c_str());
    std::this_thread::sleep_for(300ms);
}

// kolvmgr's Apply of Wine's Light in the first count prefixes; its time.
double timeApply(size_t count) {
    std::string command = quoted(KOLVMGR_PROGRAM);
    for (size_t i = 0; i < count; ++i)
        command += " --prefix " + quoted(g_prefixes[i].string());
    command += " --apply light >/dev/null 2>&1";
    const auto started = Clock::now();
    const int status = std::system(command.c_str());
    const double ms = msSince(started);
    if (status != 0)
        std::printf("the apply in %zu prefixes failed (status %d)\n", count, status);
    return ms;
}

void measure(size_t count, int repetitions, bool warm) {
    std::vector<double> several, one;
    for (int i = 0; i < repetitions; ++i) {
        for (int k = 0; k < 2; ++k) {
            if (!warm)
                stopServers();
            if ((i + k) % 2)
                one.push_back(timeApply(1));
            else
                several.push_back(timeApply(count));
        }
    }
    const std::string data = std::to_string(count) + " prefixes made by wineboot, Wine's light.msstyles, " +
                             (warm ? "warm" : "cold");
    result("`--apply` in several prefixes side by side (" + std::string(warm ? "warm" : "cold") + ")", data,
           milliseconds(median(several)), milliseconds(median(one)) + " one prefix",
           format("%.2fx", pairedRatio(several, one)), warm ? "-" : "<= 2.2x for 3");
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<int> countList = counts(argc > 2 ? argv[2] : nullptr, {3});
    const int most = *std::max_element(countList.begin(), countList.end());
    const fs::path first = freshWinePrefix("prefixes");
    if (first.empty())
        return 0;
    if (!fs::exists(first / "drive_c/windows/resources/themes/light/light.msstyles")) {
        std::printf("SKIPPED: this Wine made no light.msstyles\n");
        return 0;
    }
    ::unsetenv("WINEPREFIX");
    // The program's settings stay out of the user's.
    ::setenv("XDG_CONFIG_HOME", (first.parent_path() / "config").c_str(), 1);
    g_prefixes.push_back(first);
    for (int i = 1; i < most; ++i) {
        const fs::path copy = first.parent_path() / ("prefix" + std::to_string(i));
        std::system(("cp -a " + quoted(first.string()) + " " + quoted(copy.string())).c_str());
        g_prefixes.push_back(copy);
    }
    std::printf("%s; %u processors\n", machine().c_str(), std::thread::hardware_concurrency());

    for (const int count : countList)
        measure(static_cast<size_t>(count), repetitions, false);
    stopServers();
    startServers();
    for (const int count : countList)
        measure(static_cast<size_t>(count), repetitions, true);
    stopServers();
    std::error_code ec;
    fs::remove_all(first.parent_path(), ec);
    return 0;
}
