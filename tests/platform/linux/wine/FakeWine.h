#pragma once
// Stand-ins for a running Wine in tests: a process holding the lock of a prefix's server
// folder (what tells the program a wineserver runs), and a `wine` program on PATH that
// records how it was called and the .reg file it was given.

#include "platform/linux/EnvGuard.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

// A stand-in for a running wineserver: a child process holding the write lock on the
// "lock" file of the server folder and listening on its "socket", until released. Given a
// program, the child becomes it (its lock and socket kept across the exec), so that the
// server's program is that file, as a real server's is its build's wineserver; without
// one it stays this test program.
class FakeServer {
public:
    explicit FakeServer(const std::filesystem::path& folder, const std::filesystem::path& program = {},
                        std::vector<std::string> environment = {}) {
        std::filesystem::create_directories(folder);
        const std::string lock = (folder / "lock").string();
        const std::string socketPath = (folder / "socket").string();
        const std::string programPath = program.string();
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        int ready[2], hold[2];
        if (::pipe(ready) != 0 || ::pipe(hold) != 0)
            throw std::runtime_error("pipe");
        std::fflush(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock fl {};
            fl.l_type = F_WRLCK;
            fl.l_whence = SEEK_SET;
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
            ::unlink(socketPath.c_str());
            const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const bool listening =
                listener >= 0 &&
                ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(listener, 5) == 0;
            const char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 && listening ? 'y' : 'n';
            if (!programPath.empty() && ok == 'y') {
                // Told ready once the exec is done: the pipe's end closes with it.
                ::fcntl(ready[1], F_SETFD, FD_CLOEXEC);
                ::close(hold[0]);
                char* argv[] = {const_cast<char*>(programPath.c_str()), const_cast<char*>("100000"), nullptr};
                ::execve(programPath.c_str(), argv, envp.data());
                (void)!::write(ready[1], "n", 1);
                ::_exit(1);
            }
            (void)!::write(ready[1], &ok, 1);
            char c;
            (void)!::read(hold[0], &c, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        m_release = hold[1];
        char ok = programPath.empty() ? 'n' : 'y';
        if (::read(ready[0], &ok, 1) == 1 && !programPath.empty())
            ok = 'n'; // only a failure is written when the child execs
        ::close(ready[0]);
        if (ok != 'y')
            throw std::runtime_error("the fake server could not lock");
    }
    ~FakeServer() { stop(); }
    pid_t pid() const { return m_pid; }
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;
    void stop() {
        if (m_release < 0)
            return;
        ::close(m_release);
        m_release = -1;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
};

// "server-<dev>-<ino>" of the prefix folder, as Wine names its server folder.
inline std::string serverLeaf(const std::filesystem::path& prefix) {
    struct stat st {};
    ::stat(prefix.c_str(), &st);
    char leaf[64];
    std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return leaf;
}

// The time of every stand-in build's wine.inf, and so the stamp of a prefix it made.
inline constexpr std::time_t kInfTime = 1676758571;

// Makes the wine in folder (a bin/ folder) a build of its own, the one that made the prefix:
// its wine.inf under ../share/wine/, of the time the prefix's .update-timestamp records.
inline void madeByWineIn(const std::filesystem::path& prefix, const std::filesystem::path& folder) {
    const std::filesystem::path inf = folder.parent_path() / "share" / "wine" / "wine.inf";
    std::filesystem::create_directories(inf.parent_path());
    std::ofstream(inf) << "[Version]\n";
    std::filesystem::last_write_time(
        inf, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(kInfTime)));
    std::filesystem::create_directories(prefix);
    std::ofstream(prefix / ".update-timestamp") << kInfTime << "\n";
}

// The one stand-in Wine of the suite: a Wine build of the test's own (<scratch>/fake-wine:
// bin/wine, bin/wineserver, share/wine/wine.inf), first on PATH, whose time the prefix's
// .update-timestamp records, so that it is the prefix's own Wine and starting it updates
// nothing; by default a server of this build runs for the prefix (its lock held, found
// through the prefix's "wineserver" file under TMPDIR), so that the program's changes go
// through it. Stand-ins of kolvmgr's Windows programs lie in a folder of their own, which
// KOLV_WINDOWS_PROGRAMS names (the program looks there before its own folders), so that
// nothing depends on mingw-w64 having built the real ones.
//
// Each call of the fake `wine` adds a line "WINEPREFIX=<p> WINEDEBUG=<d> ARGS=<args>" to
// calls().
// `wine reg import <file>` keeps the file as file(n), runs the shell lines given to
// onImport(), and ends with the exit code given (setExitCode); when that is 0, the key of
// the file's first section reads as that file from then on (what the running registry
// holds of the key is what was imported last; a file that deletes anything changes nothing
// of what the fake holds).
// `wine reg export <key> <file> /y` writes what setLive() gave for the key (names compared
// ignoring case) and ends with 0, or says the key is missing and ends with 1; an exit code
// given to setExportExitCode() makes it fail so instead.
// Any other call (a Windows program) is added to programCalls() as well, runs the shell
// lines given to also(), prints what reply() gave and ends with its exit code.
class FakeWine {
public:
    struct Options {
        bool server = true;
        // When given, the prefix is laid out as this build makes one for that architecture
        // ("win64", "win32"): system.reg records it, system32 holds uxtheme.dll.
        const char* arch = nullptr;
    };
    FakeWine(const std::filesystem::path& prefix, const std::filesystem::path& scratch)
        : FakeWine(prefix, scratch, Options{true, nullptr}) {}
    FakeWine(const std::filesystem::path& prefix, const std::filesystem::path& scratch, Options options)
        : m_build(scratch / "fake-wine"), m_bin(m_build / "bin"), m_log(scratch / "fake-log"),
          m_tmp(scratch / "fake-tmp"), m_tmpVar("TMPDIR", m_tmp.c_str()),
          m_path("PATH", (m_bin.string() + ":/usr/bin:/bin").c_str()), m_wineVar("WINE", nullptr),
          m_programsVar("KOLV_WINDOWS_PROGRAMS", (m_build / "programs").c_str()) {
        std::filesystem::create_directories(m_bin);
        std::filesystem::create_directories(m_log);
        std::filesystem::create_directories(m_tmp);
        std::filesystem::create_directories(m_build / "programs");
        for (const char* arch : {"x86_64", "i686"})
            std::ofstream(m_build / "programs" / ("kolvmgr-apply-theme-" + std::string(arch) + ".exe"))
                << "MZ";
        madeByWineIn(prefix, m_bin);
        if (options.arch) {
            std::filesystem::create_directories(prefix / "drive_c" / "windows" / "system32");
            std::ofstream(prefix / "drive_c" / "windows" / "system32" / "uxtheme.dll") << "MZ";
            std::ofstream(prefix / "system.reg")
                << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" << options.arch
                << "\n";
        }
        std::filesystem::copy_file("/bin/sleep", m_bin / "wineserver",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(m_bin / "wineserver", std::filesystem::perms::owner_all);
        std::ofstream(prefix / "wineserver") << "wine-kolv-fake\n";
        std::filesystem::create_directories(m_log / "live");
        setExitCode(0);
        setExportExitCode(0);
        reply("kolvmgr-apply-theme 1\ndone\n", 0);
        const auto wine = m_bin / "wine";
        std::ofstream(wine)
            << "#!/bin/sh\n"
               "log='"
            << m_log.string()
            << "'\n"
               "live() { printf '%s' \"$1\" | tr 'A-Z\\\\' 'a-z_'; }\n"
               "host() { printf '%s' \"$1\" | sed -e 's/^....unix//' -e 's:\\\\:/:g'; }\n"
               "printf '%s\\n' \"WINEPREFIX=$WINEPREFIX WINEDEBUG=$WINEDEBUG ARGS=$*\" >> \"$log/calls\"\n"
               "if [ \"$1\" != reg ]; then\n"
               "  line=\"WINEPREFIX=$WINEPREFIX\"\n"
               "  for a in \"$@\"; do line=\"$line|$a\"; done\n"
               "  printf '%s\\n' \"$line\" >> \"$log/program-calls\"\n"
               "  [ -f \"$log/also\" ] && . \"$log/also\"\n"
               "  cat \"$log/reply\"\n"
               "  exit $(cat \"$log/program-exit\")\n"
               "fi\n"
               "if [ \"$1 $2\" = 'reg export' ]; then\n"
               "  code=$(cat \"$log/export-exit\")\n"
               "  [ \"$code\" = 0 ] || { echo 'reg: the fake tool cannot export' >&2; exit $code; }\n"
               "  src=\"$log/live/$(live \"$3\")\"\n"
               "  [ -f \"$src\" ] || { echo 'reg: Unable to find the specified registry key' >&2; exit 1; }\n"
               "  cp \"$src\" \"$(host \"$4\")\"; exit 0\n"
               "fi\n"
               "n=$(ls \"$log\" | grep -c '^file')\n"
               "f=$(host \"$3\")\n"
               "cp \"$f\" \"$log/file$n\" 2>/dev/null\n"
               "[ -f \"$log/on-import\" ] && . \"$log/on-import\"\n"
               "code=$(cat \"$log/exit\")\n"
               "if [ \"$code\" = 0 ]; then\n"
               "  text=$(iconv -f UTF-16 -t UTF-8 \"$f\" | tr -d '\\r')\n"
               "  key=$(printf '%s\\n' \"$text\" | sed -n 's/^\\[\\(.*\\)\\]$/\\1/p' | head -n 1)\n"
               "  printf '%s\\n' \"$text\" | grep -q -e '=-$' -e '^\\[-' && exit 0\n"
               "  [ -n \"$key\" ] && cp \"$f\" \"$log/live/$(live \"$key\")\"\n"
               "  exit 0\n"
               "fi\n"
               "echo 'reg: the fake tool says no' >&2\n"
               "exit $code\n";
        std::filesystem::permissions(wine, std::filesystem::perms::owner_all);
        m_serverFolder = m_tmp / "wine-kolv-fake" / serverLeaf(prefix);
        if (options.server)
            startServer();
    }

    // What a Windows program run through the fake prints, and its exit code.
    void reply(const std::string& out, int code) const {
        std::ofstream(m_log / "reply") << out;
        std::ofstream(m_log / "program-exit") << code << "\n";
    }
    // Shell lines each Windows program call runs before it replies (what the program did in
    // Wine; they may end it).
    void also(const std::string& lines) const { std::ofstream(m_log / "also") << lines << "\n"; }
    // Each Windows program call as "WINEPREFIX=<p> [arg] [arg] <text>...": an argument of hex
    // digits (the Windows program's UTF-16 texts) decoded as <text>.
    std::vector<std::string> programCalls() const {
        std::vector<std::string> out;
        std::ifstream in(m_log / "program-calls");
        for (std::string line; std::getline(in, line);) {
            std::string call;
            size_t start = 0;
            for (size_t bar = line.find('|'); start != std::string::npos; bar = line.find('|', start)) {
                const std::string arg = line.substr(start, bar == std::string::npos ? bar : bar - start);
                call += start == 0 ? arg : " " + shown(arg);
                start = bar == std::string::npos ? bar : bar + 1;
            }
            out.push_back(call);
        }
        return out;
    }
    // The arguments of the last Windows program call as given, the program first, each
    // followed by a line end; empty before any.
    std::string lastProgramArguments() const {
        std::ifstream in(m_log / "program-calls");
        std::string last;
        for (std::string line; std::getline(in, line);)
            last = line;
        if (last.empty())
            return last;
        std::string out = last.substr(last.find('|') + 1) + "\n";
        for (char& c : out)
            if (c == '|')
                c = '\n';
        return out;
    }
    // A stand-in of kolvmgr's Windows program for the architecture, as wine is handed it.
    std::string themeProgram(const char* arch) const {
        std::string path = "\\\\?\\unix";
        for (const char c :
             (m_build / "programs" / ("kolvmgr-apply-theme-" + std::string(arch) + ".exe")).string())
            path += c == '/' ? '\\' : c;
        return path;
    }
    const std::filesystem::path& build() const { return m_build; }

    void setExitCode(int code) const { std::ofstream(m_log / "exit") << code << "\n"; }
    void setExportExitCode(int code) const { std::ofstream(m_log / "export-exit") << code << "\n"; }
    // Shell lines the fake runs on each import, before it ends (they may end it).
    void onImport(const std::string& lines) const { std::ofstream(m_log / "on-import") << lines << "\n"; }
    // What the running registry holds of a key ("HKEY_CURRENT_USER\\Software\\K"), as the
    // lines of a .reg file after its first line (ASCII; "\n" becomes "\r\n").
    void setLive(const std::string& key, const std::string& lines) const {
        std::string name;
        for (const char c : key)
            name += c == '\\' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string text = "Windows Registry Editor Version 5.00\r\n";
        for (const char c : lines) {
            if (c == '\n')
                text += '\r';
            text += c;
        }
        std::string bytes = "\xFF\xFE";
        for (const char c : text) {
            bytes += c;
            bytes += '\0';
        }
        std::ofstream(m_log / "live" / name, std::ios::binary) << bytes;
    }
    void stopServer() { m_server.reset(); }
    void startServer() { m_server.emplace(m_serverFolder, m_bin / "wineserver"); }
    pid_t serverPid() const { return m_server ? m_server->pid() : 0; }
    // The calls of `wine reg import`, and of `wine reg export`, in order.
    std::vector<std::string> imports() const { return callsOf("ARGS=reg import "); }
    std::vector<std::string> exports() const { return callsOf("ARGS=reg export "); }

    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        std::ifstream in(m_log / "calls");
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
    // The n-th .reg file given, as text (its UTF-16 units narrowed; not ASCII: '?').
    std::string file(int n) const {
        std::ifstream in(m_log / ("file" + std::to_string(n)), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const std::string raw = bytes.str();
        std::string text;
        for (size_t i = 2; i + 1 < raw.size(); i += 2) {
            const unsigned unit = static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1])
                                                                           << 8;
            text += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        return text;
    }
    const std::filesystem::path& temporaryFolder() const { return m_tmp; }
    // The files the program left in the temporary folder.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_tmp))
            if (entry.path().filename().string().starts_with("kolvmgr-"))
                names.push_back(entry.path().filename().string());
        return names;
    }

private:
    static std::string shown(const std::string& arg) {
        const bool hex = !arg.empty() && arg.size() % 4 == 0 &&
                         arg.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        if (!hex)
            return "[" + arg + "]";
        std::string text;
        for (size_t i = 0; i < arg.size(); i += 4) {
            const unsigned unit = std::stoul(arg.substr(i, 4), nullptr, 16);
            text += unit < 0x80 ? char(unit) : '?';
        }
        return "<" + text + ">";
    }
    std::vector<std::string> callsOf(const std::string& kind) const {
        std::vector<std::string> out;
        for (const std::string& call : calls())
            if (call.find(kind) != std::string::npos)
                out.push_back(call);
        return out;
    }

    std::filesystem::path m_build;
    std::filesystem::path m_bin;
    std::filesystem::path m_serverFolder;
    std::filesystem::path m_log;
    std::filesystem::path m_tmp;
    EnvGuard m_tmpVar;
    EnvGuard m_path;
    EnvGuard m_wineVar;
    EnvGuard m_programsVar;
    std::optional<FakeServer> m_server;
};

} // namespace testing_support
