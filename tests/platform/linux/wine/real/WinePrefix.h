#pragma once
// The one fresh Wine prefix the real-Wine tests share (made by wineboot once for the whole
// program), its wineserver started and stopped as a Wine program's would be, and the
// program itself run on it as a user runs it.

#include "ProgramRun.h"
#include "platform/Process.h"
#include "platform/linux/wine/Wineserver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace wine_test {

namespace fs = std::filesystem;

inline fs::path g_prefix;
inline std::string g_skip;

inline std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char block[4096];
        size_t n;
        while ((n = std::fread(block, 1, sizeof block, pipe)) > 0)
            out.append(block, n);
        ::pclose(pipe);
    }
    return out;
}

inline std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A server that stays until it is told to go, as while a Wine program runs, with its
// registry loaded (a client has been served).
inline void startServer() {
    std::system("wineserver -p 2>/dev/null");
    for (int i = 0; i < 300 && !platform::wineserverRunning(g_prefix); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::system("wine reg query 'HKCU\\Software' >/dev/null 2>&1");
}

// Stopped, the server writes its registry to the files.
inline void stopServer() {
    std::system("wineserver -k 2>/dev/null; wineserver -w 2>/dev/null");
}

using Result = testing_support::ProgramResult;

// kolvmgr on the prefix, without a display, with a home of its own.
inline Result kolvmgr(std::vector<std::string> args) {
    const fs::path scratch = g_prefix.parent_path();
    const fs::path home = scratch / "home";
    fs::create_directories(home);
    std::vector<std::string> env = {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
                                    "XDG_DATA_HOME=" + (home / ".local/share").string(),
                                    "XDG_CACHE_HOME=" + (home / ".cache").string(), "LC_ALL=C.UTF-8"};
    for (std::string& e :
         testing_support::inheritedEnvironment({"PATH=", "TMPDIR=", "WINE", "ASAN_", "LSAN_", "UBSAN_"}))
        env.push_back(std::move(e));
    std::vector<std::string> argv{KOLVMGR_PROGRAM, "--prefix", g_prefix.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing_support::runProgram(std::move(argv), std::move(env), scratch);
}

} // namespace wine_test
