#include "platform/Process.h"

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/WindowsRoot.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/wine/WineProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool endsWithIgnoreCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && equalsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

bool isWindowsProgram(std::string_view name) {
    return endsWithIgnoreCase(name, ".exe") || endsWithIgnoreCase(name, ".com");
}

// "X:\..." or "X:/...": a full DOS path, the only form a native program's argument is
// translated from (anything else may be an option or a text that merely looks like a
// path).
bool isFullDosPath(std::string_view text) {
    return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
           (text[2] == '\\' || text[2] == '/');
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isExecutableFile(const std::string& path) {
    return isRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

// The program named bare (no folder), searched along PATH as a shell would.
std::optional<std::string> searchPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t colon = rest.find(':');
        std::string folder(rest.substr(0, colon));
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + std::string(name);
        if (isExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(colon + 1);
    }
}

// Where Windows looks for a bare program name after the program's own folder: the
// system folder, then the Windows folder.
std::optional<std::string> searchWindowsFolders(std::string_view name) {
    for (const char* folder : {"C:\\windows\\system32\\", "C:\\windows\\"}) {
        const auto host = toHostPath(std::string(folder) + std::string(name));
        if (host && isRegularFile(host->string()))
            return host->string();
    }
    return std::nullopt;
}

struct Launch {
    std::string program;           // host path handed to execve
    std::vector<std::string> argv; // argv[0] included
    std::vector<std::string> env;  // the full environment
};

// Runs the launch in a grandchild, so that nobody has to wait for the program and no
// zombie is left behind. The grandchild reports a failed execve through a pipe closed
// on a successful one. Returns the errno of the failure, 0 when the program runs.
int spawnDetached(const Launch& launch) {
    std::vector<char*> argv, envp;
    for (const auto& a : launch.argv)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : launch.env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return errno;
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (devNull >= 0)
            ::close(devNull);
        return error;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::close(pipeFds[0]);
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid(); // its own session: closing our terminal does not end it
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            if (devNull >= 0)
                ::dup2(devNull, STDIN_FILENO);
            ::execve(launch.program.c_str(), argv.data(), envp.data());
            const int error = errno;
            (void)!::write(pipeFds[1], &error, sizeof error);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const int error = errno;
            (void)!::write(pipeFds[1], &error, sizeof error);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    if (devNull >= 0)
        ::close(devNull);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    do {
        n = ::read(pipeFds[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    if (line.empty())
        return args;
    size_t i = 0;

    // The program: up to the closing quote or the first blank; no escapes in it, as
    // Windows paths are full of backslashes.
    std::string program;
    if (line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"')
            program += line[i++];
        if (i < line.size())
            ++i;
    } else {
        while (i < line.size() && !isBlank(line[i]))
            program += line[i++];
    }
    args.push_back(std::move(program));

    // The arguments: 2n backslashes before a quote give n and the quote opens or closes
    // quoting; 2n+1 give n and a literal quote; other backslashes are literal. In a run
    // of quotes every third one is literal, so "" inside quotes gives a quote and ends
    // the quoting, as CommandLineToArgvW does.
    while (true) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::string arg;
        int quotes = 0; // 1 while quoted
        size_t slashes = 0;
        while (i < line.size() && (quotes != 0 || !isBlank(line[i]))) {
            const char c = line[i++];
            if (c == '\\') {
                arg += c;
                ++slashes;
                continue;
            }
            if (c != '"') {
                arg += c;
                slashes = 0;
                continue;
            }
            arg.resize(arg.size() - slashes / 2);
            if (slashes % 2 == 0) {
                ++quotes;
            } else {
                arg.back() = '"';
            }
            slashes = 0;
            for (; i < line.size() && line[i] == '"'; ++i) {
                if (++quotes == 3) {
                    arg += '"';
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

namespace {

// The host file of the command's program, or why there is none.
std::optional<std::string> resolveProgram(const std::string& program, Problem& failure) {
    std::optional<std::string> host;
    if (program.find_first_of("\\/:") != std::string::npos) {
        if (const auto translated = toHostPath(program))
            host = translated->string();
        if (host && !isRegularFile(*host))
            host.reset();
    } else if (isWindowsProgram(program)) {
        host = searchWindowsFolders(program);
        if (!host)
            host = searchPath(program);
    } else {
        host = searchPath(program);
    }
    if (!host)
        failure = {Problem::ProgramNotFound, program};
    return host;
}

// Starts the program of args[0] (found at host) with the other arguments.
Problem launchProgram(const std::string& host, const std::vector<std::string>& args) {
    const std::string& program = args[0];
    Launch launch;
    if (isWindowsProgram(host)) {
        std::vector<std::string> wineArgs{host};
        wineArgs.insert(wineArgs.end(), args.begin() + 1, args.end());
        wine::WineStart start = wine::wineStart(windowsRoot(), wineArgs);
        if (start.refused)
            return start.refused.cause == Problem::NoWineFound ? Problem{Problem::WineMissing, program}
                                                               : start.refused;
        launch.program = std::move(start.program);
        launch.argv = std::move(start.argv);
        launch.env = std::move(start.env);
    } else {
        if (::access(host.c_str(), X_OK) != 0)
            return {Problem::CannotStart, program, {}, EACCES};
        launch.program = host;
        launch.argv.push_back(host);
        for (size_t k = 1; k < args.size(); ++k) {
            std::string arg = args[k];
            // A native program knows no drive letters: give it the host path of an
            // existing file or folder.
            if (isFullDosPath(arg))
                if (const auto translated = toHostPath(arg);
                    translated && ::access(translated->c_str(), F_OK) == 0)
                    arg = translated->string();
            launch.argv.push_back(std::move(arg));
        }
        launch.env = environmentWithout({});
    }

    if (const int error = spawnDetached(launch))
        return {Problem::CannotStart, program, {}, error};
    return {};
}

Problem noProgram(std::string_view commandLine) {
    return {Problem::NoProgram, std::string(commandLine)};
}

} // namespace

Problem startProcess(std::string_view commandLine, int showState) {
    (void)showState; // a Linux desktop places and shows the new window itself
    const std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty() || args[0].empty())
        return noProgram(commandLine);
    Problem failure;
    const auto host = resolveProgram(args[0], failure);
    return host ? launchProgram(*host, args) : failure;
}

Problem startProcess(std::string_view commandLine, std::string_view argument, int showState) {
    std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty() || args[0].empty())
        return noProgram(commandLine);
    Problem failure;
    const auto host = resolveProgram(args[0], failure);
    if (!host)
        return failure;
    // A Windows program reads the whole line itself, as Windows hands it over.
    if (isWindowsProgram(*host))
        return startProcess(std::string(commandLine) + " " + std::string(argument), showState);
    args.emplace_back(argument);
    return launchProgram(*host, args);
}

std::optional<std::string> findProgramOnPath(std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    return searchPath(name);
}

std::string systemErrorText(int error) {
    return std::strerror(error);
}

} // namespace platform
