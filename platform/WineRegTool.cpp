#include "WineRegTool.h"

#include "Process.h"
#include "WineProgram.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
std::string toolMessage(const std::string& text) {
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
    if (!toolAvailable())
        return {false, "wine is not installed (not found on PATH)"};

    std::string file = wine::temporaryFolder() + "/kolvmgr-XXXXXX.reg";
    const int fd = ::mkstemps(file.data(), 4);
    if (fd < 0)
        return {false, std::string("no temporary file for the changes: ") + std::strerror(errno)};
    const bool written = writeAll(fd, fileText);
    ::close(fd);
    if (!written) {
        ::unlink(file.c_str());
        return {false, "the changes could not be written to a temporary file"};
    }

    const wine::Run run = wine::run(prefix, {"reg", "import", wine::unixPathForWine(file)}, kTimeout);
    ::unlink(file.c_str());
    Result result;
    switch (run.outcome) {
    case wine::Run::NotStarted:
        result.error = run.why;
        break;
    case wine::Run::TimedOut:
        result.error = "wine reg import did not finish within a minute and was ended";
        break;
    case wine::Run::Exited:
        result.ok = run.code == 0;
        if (!result.ok)
            result.error = "wine reg import ended with exit code " + std::to_string(run.code);
        break;
    case wine::Run::Signalled:
        result.error = "wine reg import was ended by signal " + std::to_string(run.code);
        break;
    }
    if (!result.ok) {
        const std::string said = toolMessage(run.err);
        if (!said.empty())
            result.error += " (" + said + ")";
    }
    return result;
}

} // namespace platform::winereg
