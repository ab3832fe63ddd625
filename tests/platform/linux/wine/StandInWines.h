#pragma once
// Stand-ins for the Wine builds a user has: a home of the test's own where launchers' records
// can be laid out, Wine builds whose `wine` is a shell script recording how it was called
// (in <build>/calls), with a wine.inf of a known time, a `wine` on PATH standing for the
// system's, and a wineserver of another build: a copy of sleep(1) that holds the prefix's
// server lock, as a running wineserver does.

#include "platform/linux/EnvGuard.h"
#include "platform/linux/TestRoot.h"
#include "platform/linux/wine/FakeWine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testing_support {

class StandInHome {
public:
    StandInHome() : home(scratch.root() / "home"), system(scratch.root() / "system") {
        std::filesystem::create_directories(home);
        // The system's Wine: wine 9.1 as its ntdll.so says.
        build(system);
        static const char kNtdll[] = "\x7f"
                                     "ELF\0wine-9.1 (Test build)";
        file(system / "lib/wine/x86_64-unix/ntdll.so", std::string(kNtdll, sizeof kNtdll));
    }

    // A Wine build at folder: <bin>/wine (a recording script), <bin>/wineserver, and
    // <bin>/../share/wine/wine.inf of the given time.
    std::filesystem::path build(const std::filesystem::path& folder, const std::string& bin = "bin",
                                std::time_t infTime = kInfTime) const {
        const std::filesystem::path wine = folder / bin / "wine";
        std::filesystem::create_directories(wine.parent_path());
        script(wine, "printf '%s\\n' \"WINEPREFIX=$WINEPREFIX WINESERVER=$WINESERVER ARGS=$*\" >> '" +
                         (folder / "calls").string() + "'\n");
        script(folder / bin / "wineserver", "exit 0\n");
        const std::filesystem::path inf = (folder / bin).parent_path() / "share" / "wine" / "wine.inf";
        file(inf, "[Version]\n");
        std::filesystem::last_write_time(
            inf, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(infTime)));
        return wine;
    }

    // A Proton build as Steam installs one: its proton script, files/, a version file.
    std::filesystem::path proton(const std::filesystem::path& folder, const std::string& version) const {
        const std::filesystem::path wine = build(folder / "files");
        file(folder / "proton", "#!/usr/bin/env python3\n");
        file(folder / "version", "1694456744 " + version + "\n");
        std::filesystem::create_directories(folder / "files" / "lib64" / "wine");
        std::filesystem::create_directories(folder / "files" / "lib" / "wine");
        std::filesystem::create_directories(folder / "files" / "lib" / "vkd3d");
        return folder / "files" / "bin" / "wine";
    }

    // A prefix whose .update-timestamp holds stamp (none when empty).
    std::filesystem::path prefix(const std::filesystem::path& folder,
                                 const std::string& stamp = std::to_string(kInfTime) + "\n") const {
        std::filesystem::create_directories(folder / "drive_c");
        std::ofstream(folder / "system.reg") << "WINE REGISTRY Version 2\n";
        if (!stamp.empty())
            file(folder / ".update-timestamp", stamp);
        return folder;
    }

    static void file(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static void script(const std::filesystem::path& path, const std::string& body) {
        file(path, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    // The calls a build's wine recorded.
    static std::vector<std::string> calls(const std::filesystem::path& build) {
        std::vector<std::string> out;
        std::ifstream in(build / "calls");
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

    TestRoot scratch;
    std::filesystem::path home;
    std::filesystem::path system;
    EnvGuard homeVar{"HOME", home.c_str()};
    EnvGuard wineVar{"WINE", nullptr};
    EnvGuard pathVar{"PATH", ((system / "bin").string() + ":/usr/bin:/bin").c_str()};
    EnvGuard tmpVar{"TMPDIR", scratch.root().c_str()};
};

// A wineserver of another build running for the prefix: a copy of sleep(1) named
// wineserver (in folder, beside whatever the test puts there), started holding the lock of
// the prefix's server folder (found through the prefix's "wineserver" file under TMPDIR),
// with the environment variables given.
class StandInServer {
public:
    StandInServer(const std::filesystem::path& prefix, const std::filesystem::path& program,
                  std::vector<std::string> environment = {}) {
        std::filesystem::create_directories(program.parent_path());
        std::filesystem::copy_file("/bin/sleep", program, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        std::ofstream(prefix / "wineserver") << "wine-kolv-standin\n";
        m_server.emplace(std::filesystem::path(std::getenv("TMPDIR")) / "wine-kolv-standin" /
                             serverLeaf(prefix),
                         program, std::move(environment));
    }
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;
    pid_t pid() const { return m_server->pid(); }

private:
    std::optional<FakeServer> m_server;
};

// Starts a program with the environment given and waits for it; its exit status.
inline int startAndWait(const std::filesystem::path& program, const std::vector<std::string>& args,
                        std::vector<std::string> environment) {
    std::vector<std::string> argStore{program.string()};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t child = -1;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<std::string> currentEnvironment() {
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e)
        out.emplace_back(*e);
    return out;
}

} // namespace testing_support
