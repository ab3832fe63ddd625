#include "platform/linux/wine/PrefixWine.h"

#include "platform/Process.h"
#include "platform/linux/Launchers.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/RootFolders.h"
#include "platform/linux/wine/WineBuild.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace fs = std::filesystem;

namespace platform::wine {
namespace {

namespace launchers = platform::launchers;
using records::Node;

// Compatibility tools installed for every user, besides each Steam folder's own.
const char* const kSystemCompatTools[] = {"/usr/share/steam/compatibilitytools.d",
                                          "/usr/local/share/steam/compatibilitytools.d"};

fs::path withoutTrailingSlash(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    return normal.has_filename() || normal == normal.root_path() ? normal : normal.parent_path();
}

// The same folder, however it is spelled.
bool samePlace(const fs::path& a, const fs::path& b) {
    if (a.empty() || b.empty())
        return false;
    if (withoutTrailingSlash(a) == withoutTrailingSlash(b))
        return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

bool isFolder(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

PrefixWine found(const fs::path& wine, std::string name, WineSource source, fs::path record = {}) {
    PrefixWine out;
    out.wine = wine;
    out.name = launchers::shownName(name.empty() ? wine.string() : std::move(name));
    out.source = source;
    out.record = std::move(record);
    out.environment = buildEnvironment(wine);
    return out;
}

// A record names a Wine that is not there (subject: where it was looked for), or that leads
// to no wine program.
PrefixWine notThere(const fs::path& wine, std::string name, WineSource source, const fs::path& record = {}) {
    PrefixWine out;
    out.name = launchers::shownName(std::move(name));
    out.source = source;
    out.record = record;
    std::error_code ec;
    out.missing = {fs::exists(wine, ec) ? Problem::NotAWine : Problem::WineNotThere, wine.string(),
                   record.string(), static_cast<long>(source)};
    return out;
}

// `wine` on PATH, "system <version>" to a person.
std::optional<PrefixWine> systemWine(WineSource source, fs::path record = {}, std::string name = {}) {
    const auto wine = findProgramOnPath("wine");
    if (!wine)
        return std::nullopt;
    if (name.empty()) {
        const std::string version = wineVersionOf(*wine);
        name = version.empty() ? "system" : "system " + version;
    }
    return found(*wine, std::move(name), source, std::move(record));
}

PrefixWine noSystemWine(std::string name, WineSource source, fs::path record = {}) {
    PrefixWine out;
    out.name = launchers::shownName(std::move(name));
    out.source = source;
    out.record = std::move(record);
    out.missing = {Problem::NoWineFound};
    return out;
}

// ---- overrides --------------------------------------------------------------------------

std::optional<PrefixWine> overrideWine(const fs::path& named, WineSource source) {
    if (named.empty())
        return std::nullopt;
    if (const auto wine = wineOfNamed(named))
        return found(*wine, named.string(), source);
    return notThere(named, named.string(), source);
}

// ---- Steam ------------------------------------------------------------------------------

class SteamTools {
public:
    SteamTools(const fs::path& home, const launchers::SteamApp& app) {
        for (const launchers::Place& root : launchers::steamRoots(home)) {
            if (!isFolder(root.folder))
                continue;
            std::vector<fs::path> libraries = launchers::steamLibraries(root.folder);
            const bool holdsApp =
                std::any_of(libraries.begin(), libraries.end(),
                            [&](const fs::path& library) { return samePlace(library, app.library); });
            // The Steam that holds the game comes first: its mapping is the game's.
            m_roots.insert(holdsApp ? m_roots.begin() : m_roots.end(), root.folder);
            m_libraries.insert(m_libraries.end(), libraries.begin(), libraries.end());
        }
    }

    // The tool config.vdf maps to the game, and the file that maps it.
    std::pair<std::string, fs::path> mapping(const std::string& appid) const {
        for (const fs::path& root : m_roots) {
            const fs::path file = root / "config" / "config.vdf";
            if (const auto config = records::readKeyValues(file))
                if (std::string name = launchers::compatToolMapping(*config, appid); !name.empty())
                    return {name, file};
        }
        return {};
    }

    // The folder of the tool of that internal name, and its display name.
    std::optional<launchers::CompatTool> find(const std::string& name) const {
        for (const launchers::CompatTool& tool : declaredTools())
            if (tool.name == name)
                return tool;
        const std::string official = valveProtonFolder(name);
        if (official.empty())
            return std::nullopt;
        for (const fs::path& library : m_libraries) {
            const fs::path common = library / "steamapps" / "common";
            for (const std::string& entry : launchers::entriesOf(common))
                if ((entry == official || entry.starts_with(official + " (")) && isFolder(common / entry))
                    return launchers::CompatTool{name, common / entry, entry};
        }
        return std::nullopt;
    }

    // The tools the compatibilitytool.vdf files declare: one in each folder of
    // compatibilitytools.d, or beside them naming their install path.
    std::vector<launchers::CompatTool> declaredTools() const {
        std::vector<fs::path> stores;
        for (const fs::path& root : m_roots)
            stores.push_back(root / "compatibilitytools.d");
        stores.insert(stores.end(), std::begin(kSystemCompatTools), std::end(kSystemCompatTools));
        std::vector<launchers::CompatTool> tools;
        for (const fs::path& store : stores) {
            for (const std::string& entry : launchers::entriesOf(store)) {
                const fs::path path = store / entry;
                const bool folder = isFolder(path);
                if (!folder && !entry.ends_with(".vdf"))
                    continue;
                const fs::path file = folder ? path / "compatibilitytool.vdf" : path;
                if (const auto declaration = records::readKeyValues(file)) {
                    auto declared = launchers::compatTools(*declaration, file.parent_path());
                    tools.insert(tools.end(), declared.begin(), declared.end());
                }
            }
        }
        return tools;
    }

    // A tool's name: its version file's, else the name Steam shows, else its folder's.
    std::string nameOf(const fs::path& tool, const std::string& displayName = {}) const {
        if (const auto version = records::readRecordFile(tool / "version"))
            if (std::string name = launchers::protonVersionName(*version); !name.empty())
                return name;
        if (!displayName.empty())
            return displayName;
        for (const launchers::CompatTool& declared : declaredTools())
            if (samePlace(declared.folder, tool) && !declared.displayName.empty())
                return declared.displayName;
        return withoutTrailingSlash(tool).filename().string();
    }

private:
    std::vector<fs::path> m_roots;
    std::vector<fs::path> m_libraries;
};

std::optional<PrefixWine> steamWine(const fs::path& prefix, const fs::path& home) {
    const auto app = launchers::steamAppOfPrefix(prefix);
    if (!app)
        return std::nullopt;
    const SteamTools tools(home, *app);

    // The Proton that last set up the prefix: the prefix is its own.
    const fs::path configInfo = app->compatdata() / "config_info";
    std::optional<fs::path> madeBy;
    if (const auto text = records::readRecordFile(configInfo))
        madeBy = launchers::protonOfConfigInfo(*text);
    if (madeBy)
        if (const auto wine = wineOfBuildFolder(*madeBy))
            return found(*wine, tools.nameOf(*madeBy), WineSource::Steam, configInfo);

    // That one is gone (or the prefix was never run): the tool Steam would run it with.
    const auto [mapped, config] = tools.mapping(app->appid);
    if (!mapped.empty()) {
        if (const auto tool = tools.find(mapped)) {
            if (const auto wine = wineOfBuildFolder(tool->folder))
                return found(*wine, tools.nameOf(tool->folder, tool->displayName), WineSource::Steam, config);
            return notThere(tool->folder / "files" / "bin" / "wine",
                            tools.nameOf(tool->folder, tool->displayName), WineSource::Steam, config);
        }
        if (!madeBy) {
            PrefixWine out;
            out.name = launchers::shownName(mapped);
            out.source = WineSource::Steam;
            out.record = config;
            out.missing = {Problem::ToolNotInstalled, mapped, config.string()};
            return out;
        }
    }
    if (madeBy)
        return notThere(*madeBy / "files" / "bin" / "wine", withoutTrailingSlash(*madeBy).filename().string(),
                        WineSource::Steam, configInfo);
    return std::nullopt;
}

// ---- Bottles ----------------------------------------------------------------------------

std::optional<PrefixWine> bottlesWine(const fs::path& prefix, const fs::path& home) {
    const fs::path record = prefix / "bottle.yml";
    const auto yml = records::readYaml(record);
    if (!yml)
        return std::nullopt;
    const std::string runner = launchers::bottle(*yml).runner;
    if (runner.starts_with("sys-")) {
        if (auto wine = systemWine(WineSource::Bottles, record, runner))
            return wine;
        return noSystemWine(runner, WineSource::Bottles, record);
    }
    if (!launchers::isFolderName(runner))
        return std::nullopt;
    // A bottle of <data>/bottles/ runs with <data>/runners/; one kept elsewhere with the
    // runners of Bottles' own folders.
    std::vector<fs::path> runners;
    const fs::path bottles = withoutTrailingSlash(prefix).parent_path();
    if (bottles.filename() == "bottles")
        runners.push_back(bottles.parent_path() / "runners");
    for (const launchers::Place& place : launchers::bottlesFolders(home))
        runners.push_back(place.folder / "runners");
    for (const fs::path& folder : runners)
        if (const auto wine = wineOfBuildFolder(folder / runner))
            return found(*wine, runner, WineSource::Bottles, record);
    return notThere(runners.front() / runner / "bin" / "wine", runner, WineSource::Bottles, record);
}

// ---- PlayOnLinux ------------------------------------------------------------------------

std::optional<PrefixWine> playOnLinuxWine(const fs::path& prefix, const fs::path& home) {
    const fs::path record = prefix / "playonlinux.cfg";
    const auto cfg = records::readRecordFile(record);
    if (!cfg)
        return std::nullopt;
    const launchers::PlayOnLinuxWine pol = launchers::playOnLinuxWine(*cfg);
    // No version: the prefix runs with the system's Wine, as PlayOnLinux starts it.
    if (pol.version.empty() || !launchers::isFolderName(pol.version) || !launchers::isFolderName(pol.arch))
        return std::nullopt;
    const fs::path store = withoutTrailingSlash(prefix).parent_path();
    const fs::path folder =
        store.filename() == "wineprefix" && store.parent_path().filename() == ".PlayOnLinux"
            ? store.parent_path()
            : launchers::playOnLinuxFolder(home);
    const fs::path wine = folder / "wine" / ("linux-" + pol.arch) / pol.version / "bin" / "wine";
    const std::string name = pol.version + " (" + pol.arch + ")";
    if (isProgram(wine))
        return found(wine, name, WineSource::PlayOnLinux, record);
    return notThere(wine, name, WineSource::PlayOnLinux, record);
}

// ---- Lutris -----------------------------------------------------------------------------

std::optional<PrefixWine> lutrisWine(const fs::path& prefix, const fs::path& home) {
    const std::vector<launchers::Place> folders = launchers::lutrisFolders(home);
    for (const launchers::Place& place : folders) {
        const fs::path games = place.folder / "games";
        for (const std::string& entry : launchers::entriesOf(games)) {
            if (!entry.ends_with(".yml"))
                continue;
            const fs::path record = games / entry;
            const auto yml = records::readYaml(record);
            if (!yml)
                continue;
            const launchers::LutrisGame game = launchers::lutrisGame(*yml, home);
            if (!samePlace(game.prefix, prefix))
                continue;
            // A game without a version runs with the runner's default, its own Lutris's first.
            std::string version = game.wineVersion;
            for (size_t i = 0; version.empty() && i <= folders.size(); ++i) {
                const fs::path folder = i == 0 ? place.folder : folders[i - 1].folder;
                if (const auto runner = records::readYaml(folder / "runners" / "wine.yml"))
                    version = launchers::lutrisDefaultWine(*runner);
            }
            if (version == "system") {
                if (auto wine = systemWine(WineSource::Lutris, record))
                    return wine;
                return noSystemWine(version, WineSource::Lutris, record);
            }
            if (version == "custom" && !game.customWine.empty()) {
                if (const auto wine = wineOfNamed(game.customWine))
                    return found(*wine, game.customWine.string(), WineSource::Lutris, record);
                return notThere(game.customWine, game.customWine.string(), WineSource::Lutris, record);
            }
            if (!launchers::isFolderName(version))
                continue;
            // The game's own Lutris keeps its runners; the others may hold the same one.
            std::vector<fs::path> runners{place.folder / "runners" / "wine"};
            for (const launchers::Place& other : folders)
                runners.push_back(other.folder / "runners" / "wine");
            for (const fs::path& folder : runners)
                if (const auto wine = wineOfBuildFolder(folder / version))
                    return found(*wine, version, WineSource::Lutris, record);
            return notThere(runners.front() / version / "bin" / "wine", version, WineSource::Lutris, record);
        }
    }
    return std::nullopt;
}

// ---- Heroic -----------------------------------------------------------------------------

std::optional<PrefixWine> heroicWine(const fs::path& prefix, const fs::path& home) {
    for (const launchers::Place& place : launchers::heroicFolders(home)) {
        const fs::path games = place.folder / "GamesConfig";
        for (const std::string& entry : launchers::entriesOf(games)) {
            if (!entry.ends_with(".json"))
                continue;
            const fs::path record = games / entry;
            const auto config = records::readJson(record);
            if (!config)
                continue;
            for (const launchers::HeroicGame& game : launchers::heroicGames(*config, home)) {
                // A Proton prefix is the pfx folder of the one Heroic records.
                if (!samePlace(game.winePrefix, prefix) && !samePlace(game.winePrefix / "pfx", prefix))
                    continue;
                std::optional<launchers::HeroicWine> wine = game.wine;
                fs::path named = record;
                if (!wine) {
                    named = place.folder / "config.json";
                    if (const auto defaults = records::readJson(named))
                        wine = launchers::heroicDefaultWine(*defaults, home);
                }
                if (!wine)
                    continue;
                const std::string name = wine->name.empty() ? wine->bin.string() : wine->name;
                if (const auto program = wineOfNamed(wine->bin))
                    return found(*program, name, WineSource::Heroic, named);
                return notThere(wine->bin, name, WineSource::Heroic, named);
            }
        }
    }
    return std::nullopt;
}

// ---- $WINE ------------------------------------------------------------------------------

std::optional<PrefixWine> variableWine() {
    const std::string value = environmentValue("WINE");
    if (value.empty())
        return std::nullopt;
    // A name alone is looked for on PATH, as a shell would.
    std::optional<fs::path> wine;
    if (value.find('/') == std::string::npos) {
        if (const auto onPath = findProgramOnPath(value))
            wine = fs::path(*onPath);
    } else {
        std::error_code ec;
        wine = wineOfNamed(fs::absolute(value, ec));
    }
    if (wine)
        return found(*wine, value, WineSource::WineVariable);
    return notThere(value, value, WineSource::WineVariable);
}

} // namespace

std::string valveProtonFolder(const std::string& internalName) {
    if (internalName == "proton_experimental")
        return "Proton - Experimental";
    if (internalName == "proton_hotfix")
        return "Proton Hotfix";
    if (!internalName.starts_with("proton_"))
        return {};
    const std::string digits = internalName.substr(7);
    if (digits.empty() || digits.size() > 4 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        }))
        return {};
    // No Proton 1.x was ever made: a leading 1 is the first of two digits (10, 11, ...).
    const size_t major = digits.size() >= 2 && digits[0] == '1' ? 2 : 1;
    const std::string minor = digits.size() > major ? digits.substr(major) : "0";
    return "Proton " + digits.substr(0, major) + "." + minor;
}

PrefixWine prefixWine(const fs::path& prefix, const Overrides& overrides) {
    if (auto given = overrideWine(overrides.givenForRun, WineSource::GivenForRun))
        return *given;
    if (auto chosen = overrideWine(overrides.chosenForPrefix, WineSource::ChosenForPrefix))
        return *chosen;
    const fs::path home = homeFolder();
    if (!home.empty()) {
        for (auto* recorded : {&steamWine, &bottlesWine, &playOnLinuxWine, &lutrisWine, &heroicWine})
            if (auto wine = recorded(prefix, home))
                return *wine;
    }
    if (auto wine = variableWine())
        return *wine;
    if (auto wine = systemWine(WineSource::SearchPath))
        return *wine;
    return noSystemWine({}, WineSource::None);
}

} // namespace platform::wine
