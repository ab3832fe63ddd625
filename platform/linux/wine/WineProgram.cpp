#include "platform/linux/wine/WineProgram.h"

#include "platform/WineChoice.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/wine/WineBuild.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

namespace platform::wine {
namespace {

constexpr size_t kKeptOutput = 1 << 20;

// A temporary file that is gone from the folder at once and read through its descriptor.
int anonymousFile() {
    std::string name = temporaryFolder() + "/kolvmgr-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}

std::string readBack(int fd) {
    std::string text;
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return text;
    char block[4096];
    while (text.size() < kKeptOutput) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(block, static_cast<size_t>(n));
    }
    if (text.size() > kKeptOutput)
        text.resize(kKeptOutput);
    return text;
}

// Waits for the child without spinning the processor; kills it at the deadline. The exit
// status, or nothing on a timeout.
std::optional<int> waitFor(pid_t child, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return status;
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return std::nullopt;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

} // namespace

Problem runProblem(const Run& run, const std::string& what, std::chrono::milliseconds limit,
                   const std::string& said) {
    switch (run.outcome) {
    case Run::NotStarted:
        return run.notStarted;
    case Run::TimedOut:
        return {Problem::TimedOut, what, said, std::chrono::ceil<std::chrono::seconds>(limit).count()};
    case Run::Signalled:
        return {Problem::EndedOnSignal, what, said, run.code};
    case Run::Exited:
        break;
    }
    return {Problem::ExitCode, what, said, run.code};
}

std::string_view lastLine(std::string_view text) {
    while (!text.empty()) {
        const size_t start = text.find_last_of('\n');
        std::string_view line = start == std::string_view::npos ? text : text.substr(start + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (!line.empty())
            return line;
        text = start == std::string_view::npos ? std::string_view() : text.substr(0, start);
    }
    return {};
}

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string_view folder = tmp ? tmp : "";
    const bool usable =
        !folder.empty() && folder.front() == '/' && std::all_of(folder.begin(), folder.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F && c != '\\';
        });
    return usable ? std::string(folder) : std::string("/tmp");
}

std::string unixPathForWine(const std::string& host) {
    std::string path = "\\\\?\\unix";
    for (const char c : host)
        path += c == '/' ? '\\' : c;
    return path;
}

WineStart wineStart(const std::filesystem::path& prefix, const std::vector<std::string>& args,
                    const std::vector<std::string>& extraEnv) {
    WineStart start;
    const WineChoice choice = chooseWine(prefix);
    if (choice.why || choice.program.empty()) {
        start.refused = choice.why ? choice.why : Problem{Problem::NoWineFound};
        return start;
    }
    start.program = choice.program.string();
    start.argv.push_back(start.program);
    start.argv.insert(start.argv.end(), args.begin(), args.end());
    start.env = withSettings(environmentWithout({"WINEPREFIX"}), choice.environment);
    start.env.push_back("WINEPREFIX=" + prefix.string());
    for (const std::string& setting : extraEnv) {
        const std::string name = setting.substr(0, setting.find('=') + 1);
        std::erase_if(start.env, [&](const std::string& entry) { return entry.starts_with(name); });
        start.env.push_back(setting);
    }
    return start;
}

Problem wineUnavailable(const std::filesystem::path& prefix) {
    static std::mutex mutex;
    static std::filesystem::path askedFor;
    static std::chrono::steady_clock::time_point askedAt;
    static Problem answer;
    const std::lock_guard lock(mutex);
    const auto now = std::chrono::steady_clock::now();
    if (askedFor != prefix || now - askedAt > std::chrono::seconds(1)) {
        const WineChoice choice = chooseWine(prefix);
        answer = choice.why ? choice.why : choice.program.empty() ? Problem{Problem::NoWineFound} : Problem{};
        askedFor = prefix;
        askedAt = now;
    }
    return answer;
}

Run run(const std::filesystem::path& prefix, const std::vector<std::string>& args,
        std::chrono::milliseconds limit) {
    Run result;
    WineStart start = wineStart(prefix, args, {"WINEDEBUG=-all"});
    if (start.refused) {
        result.notStarted = start.refused;
        return result;
    }
    const int out = anonymousFile();
    const int err = anonymousFile();
    if (out < 0 || err < 0) {
        result.notStarted = {Problem::NoOutputFile, {}, {}, errno};
        if (out >= 0)
            ::close(out);
        if (err >= 0)
            ::close(err);
        return result;
    }

    std::vector<char*> argv, envp;
    for (auto& a : start.argv)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : start.env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, start.program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    if (spawned != 0) {
        result.notStarted = {Problem::WineNotStarted, {}, {}, spawned};
    } else if (const auto status = waitFor(child, limit); !status) {
        result.outcome = Run::TimedOut;
    } else if (WIFEXITED(*status)) {
        result.outcome = Run::Exited;
        result.code = WEXITSTATUS(*status);
    } else {
        result.outcome = Run::Signalled;
        result.code = WIFSIGNALED(*status) ? WTERMSIG(*status) : 0;
    }
    result.out = readBack(out);
    result.err = readBack(err);
    ::close(out);
    ::close(err);
    return result;
}

} // namespace platform::wine
