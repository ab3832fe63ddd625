#include "WineRegTool.h"

#include "Process.h"
#include "ProcessEnvironment.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

namespace platform::winereg {
namespace {

// The tool takes a few tenths of a second with a running server; a minute means it hangs.
constexpr auto kTimeout = std::chrono::seconds(60);

void appendUnit(std::u16string& out, char16_t unit) {
    out += unit;
}

void appendAscii(std::u16string& out, std::string_view text) {
    for (const char c : text)
        appendUnit(out, static_cast<char16_t>(static_cast<unsigned char>(c)));
}

void appendKey(std::u16string& out, const Edit& edit) {
    appendAscii(out, edit.machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER");
    for (const std::u16string& component : edit.key) {
        appendUnit(out, u'\\');
        out += component; // the tool ends the name at the line's last ']', so ']' needs no escape
    }
}

// A value name in quotes, escaped as the tool reads it back.
void appendName(std::u16string& out, std::u16string_view name) {
    if (name.empty()) {
        appendUnit(out, u'@');
        return;
    }
    appendUnit(out, u'"');
    for (const char16_t c : name) {
        switch (c) {
        case u'\\':
            appendAscii(out, "\\\\");
            break;
        case u'"':
            appendAscii(out, "\\\"");
            break;
        case u'\n':
            appendAscii(out, "\\n");
            break;
        case u'\r':
            appendAscii(out, "\\r");
            break;
        default:
            appendUnit(out, c);
        }
    }
    appendUnit(out, u'"');
}

void appendHexData(std::u16string& out, uint32_t type, std::string_view bytes) {
    char head[24];
    std::snprintf(head, sizeof head, "hex(%x):", type);
    appendAscii(out, head);
    for (size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        appendAscii(out, digits);
    }
}

// Where the file goes: the temporary folder, when the tool can be given its path as is.
std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string_view folder = tmp ? tmp : "";
    const bool usable =
        !folder.empty() && folder.front() == '/' && std::all_of(folder.begin(), folder.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F && c != '\\';
        });
    return usable ? std::string(folder) : std::string("/tmp");
}

// Wine opens a host path given as \\?\unix\<path>, whatever drives the prefix maps.
std::string unixPathForWine(const std::string& host) {
    std::string path = "\\\\?\\unix";
    for (const char c : host)
        path += c == '/' ? '\\' : c;
    return path;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// What the tool said on its standard error: its own "reg:" lines when there are any (Wine
// itself may warn about things that do not matter here), else its last line.
std::string toolMessage(int fd) {
    std::string text;
    if (::lseek(fd, 0, SEEK_SET) == 0) {
        char block[4096];
        ssize_t n;
        while (text.size() < 65536 &&
               ((n = ::read(fd, block, sizeof block)) > 0 || (n < 0 && errno == EINTR)))
            if (n > 0)
                text.append(block, static_cast<size_t>(n));
    }
    std::string own, last;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty())
            continue;
        last = line;
        if (line.starts_with("reg:"))
            own += (own.empty() ? "" : " ") + line;
    }
    return own.empty() ? last : own;
}

// Waits for the child without spinning; ends it when it takes too long. The exit status,
// or nothing on a timeout.
std::optional<int> waitFor(pid_t child) {
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
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

bool canCarry(const Edit& edit) {
    return std::none_of(edit.key.begin(), edit.key.end(), [](const std::u16string& component) {
        return component.find_first_of(u"\r\n") != std::u16string::npos;
    });
}

std::string importFile(const std::vector<Edit>& edits) {
    std::u16string text;
    appendAscii(text, "Windows Registry Editor Version 5.00\r\n");
    std::u16string section; // the key the last lines went to
    for (const Edit& edit : edits) {
        if (!canCarry(edit))
            continue;
        std::u16string key;
        appendKey(key, edit);
        if (edit.kind == Edit::DeleteKey) {
            appendAscii(text, "\r\n[-");
            text += key;
            appendAscii(text, "]\r\n");
            section.clear();
            continue;
        }
        if (key != section) {
            appendAscii(text, "\r\n[");
            text += key;
            appendAscii(text, "]\r\n");
            section = key;
        }
        if (edit.kind == Edit::SetValue) {
            appendName(text, edit.name);
            appendUnit(text, u'=');
            appendHexData(text, edit.type, edit.bytes);
            appendAscii(text, "\r\n");
        } else if (edit.kind == Edit::DeleteValue) {
            appendName(text, edit.name);
            appendAscii(text, "=-\r\n");
        }
    }
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

bool toolAvailable() {
    return findProgramOnPath("wine").has_value();
}

Result import(const std::filesystem::path& prefix, const std::string& fileText) {
    const auto wine = findProgramOnPath("wine");
    if (!wine)
        return {false, "wine is not installed (not found on PATH)"};

    std::string file = temporaryFolder() + "/kolvmgr-XXXXXX.reg";
    const int fd = ::mkstemps(file.data(), 4);
    if (fd < 0)
        return {false, std::string("no temporary file for the changes: ") + std::strerror(errno)};
    const bool written = writeAll(fd, fileText);
    ::close(fd);
    std::string errorsName = temporaryFolder() + "/kolvmgr-XXXXXX";
    const int errors = ::mkstemp(errorsName.data());
    if (errors >= 0)
        ::unlink(errorsName.c_str()); // read through its descriptor, gone with it
    if (!written || errors < 0) {
        ::unlink(file.c_str());
        if (errors >= 0)
            ::close(errors);
        return {false, "the changes could not be written to a temporary file"};
    }

    std::vector<std::string> args{"wine", "reg", "import", unixPathForWine(file)};
    std::vector<std::string> env = environmentWithout({"WINEPREFIX", "WINEDEBUG"});
    env.push_back("WINEPREFIX=" + prefix.string());
    env.push_back("WINEDEBUG=-all");
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, wine->c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    Result result;
    if (spawned != 0) {
        result.error = "wine could not be started: " + std::string(std::strerror(spawned));
    } else if (const auto status = waitFor(child); !status) {
        result.error = "wine reg import did not finish within a minute and was ended";
    } else if (WIFEXITED(*status) && WEXITSTATUS(*status) == 0) {
        result.ok = true;
    } else {
        const std::string said = toolMessage(errors);
        result.error = WIFEXITED(*status)
                           ? "wine reg import ended with exit code " + std::to_string(WEXITSTATUS(*status))
                           : "wine reg import was ended by signal " + std::to_string(WTERMSIG(*status));
        if (!said.empty())
            result.error += " (" + said + ")";
    }
    ::close(errors);
    ::unlink(file.c_str());
    return result;
}

} // namespace platform::winereg
