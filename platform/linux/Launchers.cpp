#include "platform/linux/Launchers.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>

namespace fs = std::filesystem;

namespace platform::launchers {
namespace {

using records::Node;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The lines of a text, without their line ends.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// The node at a path of KeyValues keys (matched ignoring case), or nullptr.
const Node* keyValuesAt(const Node& root, std::initializer_list<std::string_view> path) {
    const Node* node = &root;
    for (const std::string_view key : path)
        if (!(node = node->memberIgnoringCase(key)))
            return nullptr;
    return node;
}

std::optional<HeroicWine> heroicWine(const Node* wine, const fs::path& home) {
    if (!wine || wine->kind != Node::Map)
        return std::nullopt;
    HeroicWine out;
    out.bin = recordPath(wine->scalarOf("bin"), home);
    out.name = wine->scalarOf("name");
    out.type = wine->scalarOf("type");
    if (out.bin.empty())
        return std::nullopt;
    return out;
}

} // namespace

std::string shownName(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return text;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
    constexpr size_t kMaxEntries = 4096;
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

fs::path recordPath(const std::string& text, const fs::path& home) {
    if (text.empty() || text.find('\0') != std::string::npos)
        return {};
    fs::path path = text;
    if (text == "~" || text == "$HOME")
        path = home;
    else if (text.starts_with("~/"))
        path = home / text.substr(2);
    else if (text.starts_with("$HOME/"))
        path = home / text.substr(6);
    return path.is_absolute() ? path : fs::path();
}

bool isFolderName(std::string_view text) {
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string_view::npos &&
           text.find('\0') == std::string_view::npos;
}

// ---- Steam ------------------------------------------------------------------------------

std::vector<Place> steamRoots(const fs::path& home) {
    return {{home / ".steam" / "steam", "Steam"},
            {home / ".var" / "app" / "com.valvesoftware.Steam" / ".local" / "share" / "Steam",
             "Steam (Flatpak)"}};
}

std::vector<fs::path> steamLibraries(const fs::path& root) {
    std::vector<fs::path> libraries{root};
    const auto vdf = records::readKeyValues(root / "steamapps" / "libraryfolders.vdf");
    if (!vdf)
        return libraries;
    for (const Node& top : vdf->items) {
        if (top.kind != Node::Map)
            continue;
        for (const Node& library : top.items) {
            // Today each library is a block with its "path"; older files gave the path
            // itself under the library's number.
            std::string path = library.text;
            if (library.kind == Node::Map) {
                const Node* given = library.memberIgnoringCase("path");
                path = given && given->kind == Node::Scalar ? given->text : std::string();
            }
            if (!path.empty() && path.find('\0') == std::string::npos && fs::path(path).is_absolute())
                libraries.emplace_back(path);
        }
    }
    return libraries;
}

std::string steamGameName(const std::vector<fs::path>& libraries, const std::string& appid) {
    for (const fs::path& library : libraries) {
        const auto acf = records::readKeyValues(library / "steamapps" / ("appmanifest_" + appid + ".acf"));
        if (!acf)
            continue;
        for (const Node& top : acf->items)
            if (const Node* name = top.memberIgnoringCase("name");
                name && name->kind == Node::Scalar && !name->text.empty())
                return name->text;
    }
    return {};
}

fs::path SteamApp::compatdata() const {
    return library / "steamapps" / "compatdata" / appid;
}

std::optional<SteamApp> steamAppOfPrefix(const fs::path& prefix) {
    fs::path folder = prefix.lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    const fs::path app = folder.parent_path();
    const fs::path compatdata = app.parent_path();
    const fs::path steamapps = compatdata.parent_path();
    if (folder.filename() != "pfx" || compatdata.filename() != "compatdata" ||
        steamapps.filename() != "steamapps" || !allDigits(app.filename().string()))
        return std::nullopt;
    return SteamApp{steamapps.parent_path(), app.filename().string()};
}

std::string compatToolMapping(const Node& config, std::string_view appid) {
    const Node* mapping =
        keyValuesAt(config, {"InstallConfigStore", "Software", "Valve", "Steam", "CompatToolMapping"});
    if (!mapping)
        return {};
    for (const std::string_view key : {appid, std::string_view("0")}) {
        const Node* entry = mapping->memberIgnoringCase(key);
        const Node* name = entry ? entry->memberIgnoringCase("name") : nullptr;
        if (name && name->kind == Node::Scalar && !name->text.empty())
            return name->text;
    }
    return {};
}

std::vector<CompatTool> compatTools(const Node& declaration, const fs::path& vdfFolder) {
    std::vector<CompatTool> tools;
    const Node* top = declaration.memberIgnoringCase("compatibilitytools");
    if (!top)
        return tools;
    for (const std::string_view listName : {"compat_tools", "compat tools"}) {
        const Node* list = top->memberIgnoringCase(listName);
        if (!list || list->kind != Node::Map)
            continue;
        for (size_t i = 0; i < list->items.size(); ++i) {
            const Node& tool = list->items[i];
            const Node* installPath = tool.memberIgnoringCase("install_path");
            if (list->keys[i].empty() || !installPath || installPath->kind != Node::Scalar ||
                installPath->text.empty() || installPath->text.find('\0') != std::string::npos)
                continue;
            const Node* display = tool.memberIgnoringCase("display_name");
            tools.push_back({list->keys[i], (vdfFolder / installPath->text).lexically_normal(),
                             display && display->kind == Node::Scalar ? display->text : std::string()});
        }
    }
    return tools;
}

std::optional<fs::path> protonOfConfigInfo(std::string_view configInfo) {
    const std::vector<std::string_view> lines = linesOf(configInfo);
    // The fonts folder, then the library folder, each below "files/" (or "dist/").
    const std::pair<size_t, std::vector<std::string_view>> places[] = {
        {1, {"/files/share/fonts", "/dist/share/fonts"}}, {2, {"/files/lib", "/dist/lib"}}};
    for (const auto& [line, tails] : places) {
        if (line >= lines.size())
            continue;
        std::string_view text = trimmed(lines[line]);
        while (text.size() > 1 && text.back() == '/')
            text.remove_suffix(1);
        if (text.empty() || text.front() != '/' || text.find('\0') != std::string_view::npos)
            continue;
        for (const std::string_view tail : tails)
            if (text.size() > tail.size() && text.ends_with(tail))
                return fs::path(text.substr(0, text.size() - tail.size()));
    }
    return std::nullopt;
}

std::string protonVersionName(std::string_view versionFile) {
    const std::vector<std::string_view> lines = linesOf(versionFile);
    if (lines.empty())
        return {};
    std::string_view line = trimmed(lines.front());
    // "<build time> <name>"; a file with the name alone names it too.
    if (const size_t space = line.find_first_of(" \t");
        space != std::string_view::npos && allDigits(line.substr(0, space)))
        line = trimmed(line.substr(space + 1));
    if (line.empty() || line.find_first_of(" \t") != std::string_view::npos || allDigits(line))
        return {};
    if (line.starts_with("proton-") && line.size() > 7)
        return shownName("Proton " + std::string(line.substr(7)));
    return shownName(std::string(line));
}

// ---- Lutris -----------------------------------------------------------------------------

std::vector<Place> lutrisFolders(const fs::path& home) {
    // Lutris keeps its games' settings under ~/.local/share now, under ~/.config before.
    return {{home / ".local" / "share" / "lutris", "Lutris"},
            {home / ".config" / "lutris", "Lutris"},
            {home / ".var" / "app" / "net.lutris.Lutris" / "data" / "lutris", "Lutris (Flatpak)"}};
}

LutrisGame lutrisGame(const Node& game, const fs::path& home) {
    LutrisGame out;
    out.name = game.scalarOf("name");
    if (const Node* settings = game.member("game"))
        out.prefix = recordPath(settings->scalarOf("prefix"), home);
    if (const Node* wine = game.member("wine")) {
        out.wineVersion = wine->scalarOf("version");
        out.customWine = recordPath(wine->scalarOf("custom_wine_path"), home);
    }
    return out;
}

std::string lutrisDefaultWine(const Node& runner) {
    const Node* wine = runner.member("wine");
    return wine ? wine->scalarOf("version") : std::string();
}

// ---- Bottles ----------------------------------------------------------------------------

std::vector<Place> bottlesFolders(const fs::path& home) {
    return {{home / ".local" / "share" / "bottles", "Bottles"},
            {home / ".var" / "app" / "com.usebottles.bottles" / "data" / "bottles", "Bottles (Flatpak)"}};
}

Bottle bottle(const Node& yml) {
    return {yml.scalarOf("Name"), yml.scalarOf("Runner")};
}

// ---- Heroic -----------------------------------------------------------------------------

std::vector<Place> heroicFolders(const fs::path& home) {
    return {
        {home / ".config" / "heroic", "Heroic"},
        {home / ".var" / "app" / "com.heroicgameslauncher.hgl" / "config" / "heroic", "Heroic (Flatpak)"}};
}

std::vector<HeroicGame> heroicGames(const Node& config, const fs::path& home) {
    std::vector<HeroicGame> games;
    if (config.kind != Node::Map)
        return games;
    for (const Node& game : config.items) {
        const Node* prefix = game.member("winePrefix");
        if (!prefix || prefix->kind != Node::Scalar)
            continue;
        fs::path folder = recordPath(prefix->text, home).lexically_normal();
        if (!folder.has_filename())
            folder = folder.parent_path(); // "a/b/" names "a/b"
        if (folder.empty())
            continue;
        games.push_back({folder, heroicWine(game.member("wineVersion"), home)});
    }
    return games;
}

std::optional<HeroicWine> heroicDefaultWine(const Node& config, const fs::path& home) {
    const Node* defaults = config.member("defaultSettings");
    return defaults ? heroicWine(defaults->member("wineVersion"), home) : std::nullopt;
}

// ---- PlayOnLinux ------------------------------------------------------------------------

fs::path playOnLinuxFolder(const fs::path& home) {
    return home / ".PlayOnLinux";
}

PlayOnLinuxWine playOnLinuxWine(std::string_view cfg) {
    PlayOnLinuxWine out{{}, "x86"};
    for (const std::string_view line : linesOf(cfg)) {
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "VERSION")
            out.version = value;
        else if (key == "ARCH" && !value.empty())
            out.arch = value;
    }
    return out;
}

} // namespace platform::launchers
