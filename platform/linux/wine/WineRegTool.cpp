#include "platform/linux/wine/WineRegTool.h"

#include "platform/Codepage.h"
#include "platform/Process.h"
#include "platform/WriteAll.h"
#include "platform/linux/hive/HiveText.h"
#include "platform/linux/wine/WineProgram.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

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

// What the tool said (it writes its messages on standard output, Wine its warnings on
// standard error): its own "reg:" lines when there are any, else the last line.
std::string toolMessage(const std::string& text) {
    std::string own;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (line.starts_with("reg:"))
            own += (own.empty() ? "" : " ") + std::string(line);
    }
    return own.empty() ? std::string(wine::lastLine(text)) : own;
}

// What became of a run of the tool that did not end well; said: the tool's own words.
Problem runProblem(const wine::Run& run, const char* tool) {
    return wine::runProblem(run, tool, kTimeout, toolMessage(run.out + "\n" + run.err));
}

// A key name the tool is given on its command line: Wine hands the arguments over through
// the system's character set and a Windows command line, which printable ASCII without
// quotes passes unchanged.
bool commandLineCanCarry(std::u16string_view name) {
    return std::all_of(name.begin(), name.end(),
                       [](char16_t c) { return c >= 0x20 && c < 0x7F && c != u'"'; });
}

std::optional<std::string> readWhole(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(block, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

// The lines of the text, a line that ends in a backslash (wrapped hex data) joined with the
// next one without its indent.
std::vector<std::u16string> logicalLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::u16string line;
    bool continued = false;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view piece = text.substr(pos, end - pos);
        pos = end + 1;
        if (piece.ends_with(u'\r'))
            piece.remove_suffix(1);
        if (continued)
            while (!piece.empty() && (piece.front() == u' ' || piece.front() == u'\t'))
                piece.remove_prefix(1);
        line += piece;
        continued = line.ends_with(u'\\') && !line.starts_with(u'[');
        if (continued) {
            line.pop_back();
            if (pos <= text.size())
                continue;
        }
        lines.push_back(std::move(line));
        line.clear();
    }
    return lines;
}

// Reads an escaped name or string from line[pos] on (after its opening quote) up to its
// closing quote; pos ends after that quote. False when it has none.
bool readQuoted(std::u16string_view line, size_t& pos, std::u16string& out) {
    while (pos < line.size()) {
        char16_t c = line[pos++];
        if (c == u'"')
            return true;
        if (c == u'\\' && pos < line.size()) {
            c = line[pos++];
            c = c == u'n' ? u'\n' : c == u'r' ? u'\r' : c == u'0' ? u'\0' : c;
        }
        out += c;
    }
    return false;
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// "xx,xx,..." into bytes; false on anything else.
bool readHexBytes(std::u16string_view data, std::string& bytes) {
    int digits = 0;
    unsigned value = 0;
    for (const char16_t c : data) {
        if (c == u' ' || c == u'\t')
            continue;
        if (c == u',') {
            if (digits == 0)
                return false;
            bytes += static_cast<char>(value);
            digits = 0;
            value = 0;
            continue;
        }
        const int d = hexDigit(c);
        if (d < 0 || ++digits > 2)
            return false;
        value = value * 16 + static_cast<unsigned>(d);
    }
    if (digits > 0)
        bytes += static_cast<char>(value);
    return true;
}

// One value line into the hive format's line(s); false when it is not one.
bool convertValue(std::u16string_view line, std::string& out) {
    std::u16string name;
    size_t pos = 1;
    if (line.front() == u'"' ? !readQuoted(line, pos, name) : line.front() != u'@')
        return false;
    if (pos >= line.size() || line[pos] != u'=')
        return false;
    const std::u16string_view data = line.substr(pos + 1);
    uint32_t type = 0;
    std::string bytes;
    if (data.starts_with(u'"')) {
        std::u16string units;
        size_t at = 1;
        if (!readQuoted(data, at, units) || at != data.size())
            return false;
        type = 1;
        bytes = utf16Le(units);
        bytes.append(2, '\0');
    } else if (data.starts_with(u"dword:")) {
        const std::u16string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        uint32_t value = 0;
        for (const char16_t c : digits) {
            if (hexDigit(c) < 0)
                return false;
            value = value * 16 + static_cast<uint32_t>(hexDigit(c));
        }
        type = 4;
        for (int k = 0; k < 4; ++k)
            bytes += static_cast<char>((value >> (8 * k)) & 0xFF);
    } else if (data.starts_with(u"hex:")) {
        type = 3;
        if (!readHexBytes(data.substr(4), bytes))
            return false;
    } else if (data.starts_with(u"hex(")) {
        const size_t close = data.find(u"):");
        if (close == std::u16string_view::npos || close == 4 || close > 12)
            return false;
        for (const char16_t c : data.substr(4, close - 4)) {
            if (hexDigit(c) < 0)
                return false;
            type = type * 16 + static_cast<uint32_t>(hexDigit(c));
        }
        if (!readHexBytes(data.substr(close + 2), bytes))
            return false;
    } else {
        return false;
    }
    out += hive::formatValue(name, type, bytes);
    return true;
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
    appendUtf16Le(bytes, text);
    return bytes;
}

Problem toolUnavailable(const std::filesystem::path& prefix) {
    return wine::wineUnavailable(prefix);
}

Result import(const std::filesystem::path& prefix, const std::string& fileText) {
    if (Problem refused = toolUnavailable(prefix))
        return {false, std::move(refused)};

    std::string file = wine::temporaryFolder() + "/kolvmgr-XXXXXX.reg";
    const int fd = ::mkstemps(file.data(), 4);
    if (fd < 0)
        return {false, {Problem::NoChangesFile, {}, {}, errno}};
    const bool written = writeAll(fd, fileText);
    ::close(fd);
    if (!written) {
        ::unlink(file.c_str());
        return {false, {Problem::ChangesNotWritten}};
    }

    const wine::Run run = wine::run(prefix, {"reg", "import", wine::unixPathForWine(file)}, kTimeout);
    ::unlink(file.c_str());
    Result result;
    result.ok = run.exitedWith(0);
    if (!result.ok)
        result.problem = runProblem(run, "wine reg import");
    return result;
}

Export exportKey(const std::filesystem::path& prefix, bool machine, const std::vector<std::u16string>& key) {
    Export result;
    const auto usable = std::find_if(key.begin(), key.end(),
                                     [](const std::u16string& name) { return !commandLineCanCarry(name); });
    result.key.assign(key.begin(), usable);
    std::string name = machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    for (const std::u16string& component : result.key) {
        name += '\\';
        name.append(component.begin(), component.end());
    }
    if (Problem refused = toolUnavailable(prefix)) {
        result.problem = std::move(refused);
        return result;
    }
    // The tool makes the file itself, in a folder of our own.
    std::string folder = wine::temporaryFolder() + "/kolvmgr-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        result.problem = {Problem::NoExportFolder, {}, {}, errno};
        return result;
    }
    const std::string file = folder + "/export.reg";
    const wine::Run run =
        wine::run(prefix, {"reg", "export", name, wine::unixPathForWine(file), "/y"}, kTimeout);
    const std::optional<std::string> bytes = readWhole(file);
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
    if (run.exitedWith(0) && bytes) {
        Problem flaw;
        if (auto text = hiveTextOf(*bytes, machine, flaw)) {
            result.outcome = Export::Exported;
            result.hiveText = std::move(*text);
        } else {
            result.problem = Problem{Problem::NotRegistryExport, "wine reg export"}.resting(std::move(flaw));
        }
        return result;
    }
    // The tool opens the key before it makes the file, and says so when there is none
    // (a Wine program that lost its server ends with 1 too, without a word).
    if (run.exitedWith(1) && !bytes && toolMessage(run.out + "\n" + run.err).starts_with("reg:")) {
        result.outcome = Export::Missing;
        return result;
    }
    if (run.exitedWith(0)) {
        result.problem = {bytes ? Problem::NotRegistryExport : Problem::NoExportFile, "wine reg export"};
        return result;
    }
    result.problem = runProblem(run, "wine reg export");
    return result;
}

std::optional<std::string> hiveTextOf(std::string_view regFile, bool machine, Problem& problem) {
    if (regFile.size() < 2 || regFile.substr(0, 2) != "\xFF\xFE" || regFile.size() % 2 != 0) {
        problem = {Problem::NotUtf16};
        return std::nullopt;
    }
    std::u16string text;
    text.reserve(regFile.size() / 2);
    for (size_t i = 2; i + 1 < regFile.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(regFile[i]) |
                                      static_cast<unsigned char>(regFile[i + 1]) << 8);
    const std::vector<std::u16string> lines = logicalLines(text);
    if (lines.empty() || lines.front() != u"Windows Registry Editor Version 5.00") {
        problem = {Problem::NoEditorLine, {}, {}, 1};
        return std::nullopt;
    }
    const std::u16string_view root = machine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
    std::string out = std::string(hive::kSignature) + "\n";
    bool inKey = false;
    for (size_t n = 1; n < lines.size(); ++n) {
        const std::u16string_view line = lines[n];
        if (line.empty())
            continue;
        if (line.front() == u'[') {
            // The name runs to the line's last ']'; it is written unescaped.
            std::u16string_view name = line.substr(1, line.size() - (line.back() == u']' ? 2 : 1));
            const bool ours = line.back() == u']' && name.size() >= root.size() &&
                              hive::equalFolded(name.substr(0, root.size()), root) &&
                              (name.size() == root.size() || name[root.size()] == u'\\');
            if (!ours) {
                problem = {
                    Problem::NotKeyOf, std::string(root.begin(), root.end()), {}, static_cast<long>(n + 1)};
                return std::nullopt;
            }
            name.remove_prefix(std::min(name.size(), root.size() + 1));
            out += "\n" + hive::formatKeyLine(name, 0);
            inKey = true;
            continue;
        }
        if (!inKey || (line.front() != u'"' && line.front() != u'@') || !convertValue(line, out)) {
            problem = {Problem::NotValueLine, {}, {}, static_cast<long>(n + 1)};
            return std::nullopt;
        }
    }
    return out;
}

} // namespace platform::winereg
