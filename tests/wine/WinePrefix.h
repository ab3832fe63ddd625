#pragma once
// The one fresh Wine prefix the real-Wine tests share (made by wineboot once for the whole
// program), its wineserver started and stopped as a Wine program's would be, and the
// program itself run on it as a user runs it.

#include "platform/Process.h"
#include "platform/Wineserver.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

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

extern char** environ;

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

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

// kolvmgr on the prefix, without a display, with a home of its own.
inline Result kolvmgr(std::vector<std::string> args) {
    const fs::path scratch = g_prefix.parent_path();
    const fs::path home = scratch / "home";
    fs::create_directories(home);
    std::vector<std::string> env = {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
                                    "XDG_DATA_HOME=" + (home / ".local/share").string(),
                                    "XDG_CACHE_HOME=" + (home / ".cache").string(), "LC_ALL=C.UTF-8"};
    for (char** e = environ; *e; ++e)
        for (const char* keep : {"PATH=", "TMPDIR=", "WINE", "ASAN_", "LSAN_", "UBSAN_"})
            if (std::string_view(*e).starts_with(keep))
                env.emplace_back(*e);
    std::vector<std::string> argv{KOLVMGR_PROGRAM, "--prefix", g_prefix.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp, envp;
    for (auto& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const fs::path out = scratch / "stdout", err = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    Result result;
    if (::posix_spawn(&pid, KOLVMGR_PROGRAM, &actions, nullptr, argp.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

} // namespace wine_test
