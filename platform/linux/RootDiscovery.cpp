#include "platform/RootDiscovery.h"

#include "platform/UniqueFd.h"
#include "platform/linux/EntryTests.h"
#include "platform/linux/JsonText.h"
#include "platform/linux/RootFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace fs = std::filesystem;

namespace platform {
namespace {

// The files read here are a few kilobytes; anything much larger is not one of them.
constexpr size_t kMaxFileSize = size_t(1) << 20;
// A folder listed here holds a handful of prefixes; one with more entries than this is
// read only so far.
constexpr size_t kMaxEntries = 4096;
// Steam's files nest three or four levels deep.
constexpr int kMaxDepth = 32;

// The text of a plain file that is not too large; nothing for anything else. A pipe or
// device under the name is never waited on.
std::optional<std::string> readSmallFile(const fs::path& file) {
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> text;
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<size_t>(st.st_size) <= kMaxFileSize) {
        std::string bytes;
        char block[8192];
        while (bytes.size() <= kMaxFileSize) {
            const ssize_t n = ::read(fd.get(), block, sizeof block);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                bytes.assign(kMaxFileSize + 1, '\0'); // a read error: not used
                break;
            }
            if (n == 0)
                break;
            bytes.append(block, static_cast<size_t>(n));
        }
        // Text files only: a NUL says it is something else.
        if (bytes.size() <= kMaxFileSize && bytes.find('\0') == std::string::npos)
            text = std::move(bytes);
    }
    return text;
}

// The names in a folder (no "." or ".."), sorted so that the menu keeps its order.
std::vector<std::string> entriesOf(const fs::path& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        names.emplace_back(name);
        if (names.size() >= kMaxEntries)
            break;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// A YAML scalar as the front ends write it: bare, or in single or double quotes; a
// comment after a bare value is dropped.
std::string yamlScalar(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return std::string(text.substr(1, text.size() - 2));
    if (const size_t hash = text.find(" #"); hash != std::string_view::npos)
        text = trimmed(text.substr(0, hash));
    return std::string(text);
}

// The value of "key:" on a line of its own; at the line's start only when topLevel.
std::vector<std::string> yamlValues(std::string_view text, std::string_view key, bool topLevel) {
    std::vector<std::string> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::string_view content = trimmed(line);
        if (topLevel && !line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
            continue;
        if (content.size() > key.size() && content.substr(0, key.size()) == key && content[key.size()] == ':')
            values.push_back(yamlScalar(content.substr(key.size() + 1)));
    }
    return values;
}

// "~/x" and "$HOME/x" as the front ends may write them.
fs::path expandHome(const std::string& path, const fs::path& home) {
    if (path == "~" || path == "$HOME")
        return home;
    if (path.starts_with("~/"))
        return home / path.substr(2);
    if (path.starts_with("$HOME/"))
        return home / path.substr(6);
    return path;
}

// ---- Valve's KeyValues text (libraryfolders.vdf, appmanifest_*.acf) --------------------

struct VdfNode {
    std::string key;
    std::string value;
    std::vector<VdfNode> children;
    bool object = false;

    const VdfNode* child(std::string_view name) const {
        for (const VdfNode& c : children)
            if (c.key.size() == name.size() &&
                std::equal(c.key.begin(), c.key.end(), name.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) ==
                           std::tolower(static_cast<unsigned char>(b));
                }))
                return &c;
        return nullptr;
    }
};

class VdfReader {
public:
    explicit VdfReader(std::string_view text) : m_text(text) {}

    // The whole text as a list of entries; nothing when it is not KeyValues text.
    std::optional<std::vector<VdfNode>> read() {
        std::vector<VdfNode> nodes;
        if (!readList(nodes, 0))
            return std::nullopt;
        Token t;
        if (!next(t) || t.kind != Token::End)
            return std::nullopt;
        return nodes;
    }

private:
    struct Token {
        enum Kind { End, Text, Open, Close, Bad } kind = End;
        std::string text;
    };

    bool next(Token& t) {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_pos;
            } else if (m_text.substr(m_pos, 2) == "//") {
                const size_t end = m_text.find('\n', m_pos);
                m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
            } else {
                break;
            }
        }
        t.text.clear();
        if (m_pos >= m_text.size()) {
            t.kind = Token::End;
            return true;
        }
        const char c = m_text[m_pos];
        if (c == '{' || c == '}') {
            t.kind = c == '{' ? Token::Open : Token::Close;
            ++m_pos;
            return true;
        }
        if (c == '"') {
            ++m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] != '"') {
                char ch = m_text[m_pos++];
                if (ch == '\\' && m_pos < m_text.size()) {
                    const char escaped = m_text[m_pos++];
                    ch = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
                }
                t.text += ch;
            }
            if (m_pos >= m_text.size()) {
                t.kind = Token::Bad; // unterminated
                return false;
            }
            ++m_pos;
            t.kind = Token::Text;
            return true;
        }
        while (m_pos < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_pos])) &&
               m_text[m_pos] != '{' && m_text[m_pos] != '}' && m_text[m_pos] != '"')
            t.text += m_text[m_pos++];
        t.kind = Token::Text;
        return true;
    }

    // Entries up to the closing brace (or the end at the top level).
    bool readList(std::vector<VdfNode>& out, int depth) {
        if (depth > kMaxDepth)
            return false;
        while (true) {
            const size_t before = m_pos;
            Token key;
            if (!next(key))
                return false;
            if (key.kind == Token::End || key.kind == Token::Close) {
                m_pos = before; // the caller takes the end or the brace
                return true;
            }
            if (key.kind != Token::Text)
                return false;
            Token value;
            if (!next(value))
                return false;
            VdfNode node;
            node.key = std::move(key.text);
            if (value.kind == Token::Text) {
                node.value = std::move(value.text);
                skipCondition();
            } else if (value.kind == Token::Open) {
                node.object = true;
                if (!readList(node.children, depth + 1))
                    return false;
                Token close;
                if (!next(close) || close.kind != Token::Close)
                    return false;
            } else {
                return false;
            }
            out.push_back(std::move(node));
        }
    }

    // A platform condition after a value ("[$WIN32]") says nothing here.
    void skipCondition() {
        const size_t before = m_pos;
        Token t;
        if (next(t) && t.kind == Token::Text && t.text.size() >= 2 && t.text.front() == '[' &&
            t.text.back() == ']')
            return;
        m_pos = before;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

std::optional<std::vector<VdfNode>> readVdf(const fs::path& file) {
    const auto text = readSmallFile(file);
    if (!text)
        return std::nullopt;
    return VdfReader(*text).read();
}

// ---- the places ------------------------------------------------------------------------

class Finder {
public:
    explicit Finder(fs::path home) : m_home(std::move(home)) {}

    std::vector<FoundRoot> take() { return std::move(m_found); }

    void add(const fs::path& folder, std::string name, bool programsOwn = false) {
        if (!isWindowsRootFolder(folder))
            return;
        std::error_code ec;
        fs::path key = fs::weakly_canonical(folder, ec);
        if (ec)
            key = folder.lexically_normal();
        if (std::find(m_seen.begin(), m_seen.end(), key) != m_seen.end())
            return;
        m_seen.push_back(key);
        m_found.push_back({folder, std::move(name), programsOwn});
    }

    void winePrefix() {
        if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
            add(prefix, "WINEPREFIX");
    }

    void wine() { add(m_home / ".wine", "Wine: ~/.wine"); }

    void bottles(const fs::path& store, const std::string& kind) {
        for (const std::string& entry : entriesOf(store)) {
            const fs::path folder = store / entry;
            std::string name = entry;
            if (const auto yml = readSmallFile(folder / "bottle.yml"))
                for (const std::string& given : yamlValues(*yml, "Name", true))
                    if (!given.empty()) {
                        name = given;
                        break;
                    }
            add(folder, kind + ": " + name);
        }
    }

    void lutris(const fs::path& games, const std::string& kind) {
        for (const std::string& entry : entriesOf(games)) {
            if (!entry.ends_with(".yml"))
                continue;
            const auto yml = readSmallFile(games / entry);
            if (!yml)
                continue;
            // Lutris names its files <slug>-<number>.yml; the slug is the game's name.
            std::string name = entry.substr(0, entry.size() - 4);
            if (const size_t dash = name.rfind('-');
                dash != std::string::npos && dash + 1 < name.size() &&
                std::all_of(name.begin() + static_cast<long>(dash) + 1, name.end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                name.erase(dash);
            for (const std::string& given : yamlValues(*yml, "name", true))
                if (!given.empty()) {
                    name = given;
                    break;
                }
            for (const std::string& prefix : yamlValues(*yml, "prefix", false)) {
                const fs::path folder = expandHome(prefix, m_home);
                if (folder.is_absolute())
                    add(folder, kind + ": " + name);
            }
        }
    }

    void playOnLinux() {
        const fs::path store = m_home / ".PlayOnLinux" / "wineprefix";
        for (const std::string& entry : entriesOf(store))
            add(store / entry, "PlayOnLinux: " + entry);
    }

    void steam(const fs::path& main, const std::string& kind) {
        std::vector<fs::path> libraries{main};
        if (const auto vdf = readVdf(main / "steamapps" / "libraryfolders.vdf")) {
            for (const VdfNode& top : *vdf) {
                if (!top.object)
                    continue;
                for (const VdfNode& library : top.children) {
                    // Today each library is a block with its "path"; older files gave the
                    // path itself under the library's number.
                    std::string path = library.value;
                    if (library.object)
                        path = library.child("path") ? library.child("path")->value : std::string();
                    if (!path.empty() && fs::path(path).is_absolute())
                        libraries.emplace_back(path);
                }
            }
        }
        for (const fs::path& library : libraries) {
            const fs::path compatdata = library / "steamapps" / "compatdata";
            for (const std::string& appid : entriesOf(compatdata)) {
                if (!std::all_of(appid.begin(), appid.end(),
                                 [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                    continue;
                add(compatdata / appid / "pfx", kind + ": " + gameName(libraries, appid));
            }
        }
    }

    void winetricks() {
        const fs::path store = m_home / ".local" / "share" / "wineprefixes";
        for (const std::string& entry : entriesOf(store))
            add(store / entry, "winetricks: " + entry);
    }

    // Heroic's settings of each game, GamesConfig/<game>.json: { "<game>": { "winePrefix":
    // "...", "wineVersion": { "type": "proton", ... }, ... }, ... }. A Proton prefix holds
    // Wine's in its pfx folder. Heroic names a game's prefix folder after the game.
    void heroic(const fs::path& config, const std::string& kind) {
        const fs::path games = config / "GamesConfig";
        for (const std::string& entry : entriesOf(games)) {
            if (!entry.ends_with(".json"))
                continue;
            const auto text = readSmallFile(games / entry);
            const auto settings = text ? json::parse(*text, kMaxDepth) : std::nullopt;
            if (!settings || settings->kind != json::Value::Object)
                continue;
            for (const json::Value& game : settings->items) {
                const json::Value* prefix = game.member("winePrefix");
                if (!prefix || prefix->kind != json::Value::String)
                    continue;
                fs::path folder = expandHome(prefix->text, m_home).lexically_normal();
                if (!folder.has_filename())
                    folder = folder.parent_path(); // "a/b/" names "a/b"
                if (!folder.is_absolute())
                    continue;
                add(isWindowsRootFolder(folder / "pfx") ? folder / "pfx" : folder,
                    kind + ": " + folder.filename().string());
            }
        }
    }

    void privateRoot() { add(privateRootFolder(), {}, true); }

private:
    // The game's name from its manifest in any library; its number when none names it.
    static std::string gameName(const std::vector<fs::path>& libraries, const std::string& appid) {
        for (const fs::path& library : libraries) {
            const auto acf = readVdf(library / "steamapps" / ("appmanifest_" + appid + ".acf"));
            if (!acf)
                continue;
            for (const VdfNode& top : *acf)
                if (const VdfNode* name = top.object ? top.child("name") : nullptr;
                    name && !name->value.empty())
                    return name->value;
        }
        return "app " + appid;
    }

    fs::path m_home;
    std::vector<fs::path> m_seen;
    std::vector<FoundRoot> m_found;
};

} // namespace

bool isWindowsRootFolder(const fs::path& folder) {
    return isFolderFollowingLinks(folder) &&
           (existsFollowingLinks(folder / "system.reg") || isFolderFollowingLinks(folder / "drive_c"));
}

std::vector<FoundRoot> findWindowsRoots() {
    const fs::path home = homeFolder();
    Finder finder(home);
    finder.winePrefix();
    if (!home.empty()) {
        finder.wine();
        finder.bottles(home / ".local" / "share" / "bottles" / "bottles", "Bottles");
        finder.bottles(home / ".var" / "app" / "com.usebottles.bottles" / "data" / "bottles" / "bottles",
                       "Bottles (Flatpak)");
        // Lutris keeps its games' settings under ~/.local/share now, under ~/.config before.
        finder.lutris(home / ".local" / "share" / "lutris" / "games", "Lutris");
        finder.lutris(home / ".config" / "lutris" / "games", "Lutris");
        finder.lutris(home / ".var" / "app" / "net.lutris.Lutris" / "data" / "lutris" / "games",
                      "Lutris (Flatpak)");
        finder.playOnLinux();
        finder.steam(home / ".steam" / "steam", "Steam");
        finder.steam(home / ".var" / "app" / "com.valvesoftware.Steam" / ".local" / "share" / "Steam",
                     "Steam (Flatpak)");
        finder.winetricks();
        finder.heroic(home / ".config" / "heroic", "Heroic");
        finder.heroic(home / ".var" / "app" / "com.heroicgameslauncher.hgl" / "config" / "heroic",
                      "Heroic (Flatpak)");
    }
    finder.privateRoot();
    return finder.take();
}

} // namespace platform
