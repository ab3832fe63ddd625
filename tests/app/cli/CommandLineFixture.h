#pragma once
// The command line's tests run the built program in a process of their own, without a
// display, in a scratch home with a Wine prefix of its own.
#include "ProgramRun.h"
#include "app/archive/ArchiveBuilder.h"
#include "platform/Registry.h"
#include "platform/linux/wine/FakeWine.h"
#include "platform/shared/RegistryCalls.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace cli_test {

namespace fs = std::filesystem;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline const std::string kThemes = "C:\\windows\\Resources\\Themes\\";
inline const std::string kUsageHint = "Try 'kolvmgr --help' for more information.\n";

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-cli-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        scratch = pattern;
        home = scratch / "home";
        prefix = makePrefix(scratch / "prefix");
        fs::create_directories(home);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }

    static fs::path makePrefix(const fs::path& folder) {
        fs::create_directories(folder / "drive_c" / "windows" / "Resources" / "Themes");
        fs::create_directories(folder / "dosdevices");
        fs::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:");
        return folder;
    }
    fs::path themes(const fs::path& root) const {
        return root / "drive_c" / "windows" / "Resources" / "Themes";
    }
    fs::path addStyle(const fs::path& root, const std::string& name,
                      const std::vector<std::string>& files) const {
        const fs::path folder = themes(root) / name;
        fs::create_directories(folder);
        for (const std::string& f : files) {
            fs::create_directories((folder / f).parent_path());
            std::ofstream(folder / f) << "data";
        }
        return folder;
    }

    // Starts the program with the arguments, in an environment of the test's making: no
    // display, the scratch home, and WINEPREFIX only when given; as the user nobody when
    // asked (for a test of permissions run by root). Its process, for finish().
    pid_t start(const std::vector<std::string>& args, const std::map<std::string, std::string>& vars = {},
                bool asNobody = false) const {
        std::vector<std::string> env = {
            "HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
            "XDG_DATA_HOME=" + (home / ".local/share").string(), "LC_ALL=C.UTF-8"};
        // The sanitizers' settings reach a program built with them, and a stand-in Wine's
        // Windows programs (FakeWine) the program under test.
        for (std::string& e : testing_support::inheritedEnvironment(
                 {"PATH=", "TMPDIR=", "KOLV_WINDOWS_PROGRAMS=", "ASAN_", "LSAN_", "UBSAN_"}))
            env.push_back(std::move(e));
        // What the test gives stands in for what it inherited.
        for (const auto& [name, value] : vars) {
            std::erase_if(env, [&](const std::string& entry) { return entry.starts_with(name + "="); });
            env.push_back(name + "=" + value);
        }
        std::vector<std::string> argv{KOLVMGR_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::vector<char*> argp = testing_support::execArray(argv),
                                 envp = testing_support::execArray(env);

        const fs::path out = scratch / "stdout", err = scratch / "stderr";
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::dup2(in, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0)
                ::_exit(127);
            if (asNobody && ::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(127);
            ::execve(KOLVMGR_PROGRAM, argp.data(), envp.data());
            ::_exit(127);
        }
        ::close(in);
        ::close(outFd);
        ::close(errFd);
        return pid;
    }
    // Waits for the program started and takes what it said.
    Result finish(pid_t pid) const {
        Result result;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
            result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = readFile(scratch / "stdout");
        result.err = readFile(scratch / "stderr");
        return result;
    }
    Result run(const std::vector<std::string>& args, const std::map<std::string, std::string>& vars = {},
               bool asNobody = false) const {
        return finish(start(args, vars, asNobody));
    }
    Result runOn(const fs::path& root, std::vector<std::string> args) const {
        args.insert(args.begin(), {"--prefix", root.string()});
        return run(args);
    }

    fs::path scratch, home, prefix;
};

// Every entry below a folder, relative, sorted.
inline std::vector<std::string> entriesBelow(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        out.push_back(entry.path().lexically_relative(folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

inline void expectResult(const Result& r, int code, const std::string& out, const std::string& err) {
    EXPECT_EQ(r.code, code);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
}

} // namespace cli_test
