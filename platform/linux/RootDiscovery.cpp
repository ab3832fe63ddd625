#include "platform/RootDiscovery.h"

#include "platform/UniqueFd.h"
#include "platform/linux/EntryTests.h"
#include "platform/linux/Launchers.h"
#include "platform/linux/RootFolders.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace fs = std::filesystem;

namespace platform {
namespace {

using launchers::entriesOf;

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
        m_found.push_back({folder, launchers::shownName(std::move(name)), programsOwn});
    }

    void winePrefix() {
        if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
            add(prefix, "WINEPREFIX");
    }

    void wine() { add(m_home / ".wine", "Wine: ~/.wine"); }

    void bottles(const fs::path& data, const std::string& kind) {
        const fs::path store = data / "bottles";
        for (const std::string& entry : entriesOf(store)) {
            const fs::path folder = store / entry;
            const auto yml = records::readYaml(folder / "bottle.yml");
            const std::string given = yml ? launchers::bottle(*yml).name : std::string();
            add(folder, kind + ": " + (given.empty() ? entry : given));
        }
    }

    void lutris(const fs::path& data, const std::string& kind) {
        const fs::path games = data / "games";
        for (const std::string& entry : entriesOf(games)) {
            if (!entry.ends_with(".yml"))
                continue;
            const auto yml = records::readYaml(games / entry);
            if (!yml)
                continue;
            const launchers::LutrisGame game = launchers::lutrisGame(*yml, m_home);
            if (game.prefix.empty())
                continue;
            // Lutris names its files <slug>-<number>.yml; the slug is the game's name.
            std::string name = entry.substr(0, entry.size() - 4);
            if (const size_t dash = name.rfind('-');
                dash != std::string::npos && dash + 1 < name.size() &&
                std::all_of(name.begin() + static_cast<long>(dash) + 1, name.end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                name.erase(dash);
            add(game.prefix, kind + ": " + (game.name.empty() ? name : game.name));
        }
    }

    void playOnLinux() {
        const fs::path store = launchers::playOnLinuxFolder(m_home) / "wineprefix";
        for (const std::string& entry : entriesOf(store))
            add(store / entry, "PlayOnLinux: " + entry);
    }

    void steam(const fs::path& main, const std::string& kind) {
        const std::vector<fs::path> libraries = launchers::steamLibraries(main);
        for (const fs::path& library : libraries) {
            const fs::path compatdata = library / "steamapps" / "compatdata";
            for (const std::string& appid : entriesOf(compatdata)) {
                if (!std::all_of(appid.begin(), appid.end(),
                                 [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                    continue;
                const std::string name = launchers::steamGameName(libraries, appid);
                add(compatdata / appid / "pfx", kind + ": " + (name.empty() ? "app " + appid : name));
            }
        }
    }

    void winetricks() {
        const fs::path store = m_home / ".local" / "share" / "wineprefixes";
        for (const std::string& entry : entriesOf(store))
            add(store / entry, "winetricks: " + entry);
    }

    // Heroic's settings of each game, GamesConfig/<game>.json. A Proton prefix holds Wine's
    // in its pfx folder. Heroic names a game's prefix folder after the game.
    void heroic(const fs::path& config, const std::string& kind) {
        const fs::path games = config / "GamesConfig";
        for (const std::string& entry : entriesOf(games)) {
            if (!entry.ends_with(".json"))
                continue;
            const auto settings = records::readJson(games / entry);
            if (!settings)
                continue;
            for (const launchers::HeroicGame& game : launchers::heroicGames(*settings, m_home)) {
                const fs::path& folder = game.winePrefix;
                add(isWindowsRootFolder(folder / "pfx") ? folder / "pfx" : folder,
                    kind + ": " + folder.filename().string());
            }
        }
    }

    void privateRoot() { add(privateRootFolder(), {}, true); }

private:
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
        for (const launchers::Place& bottles : launchers::bottlesFolders(home))
            finder.bottles(bottles.folder, bottles.kind);
        for (const launchers::Place& lutris : launchers::lutrisFolders(home))
            finder.lutris(lutris.folder, lutris.kind);
        finder.playOnLinux();
        for (const launchers::Place& steam : launchers::steamRoots(home))
            finder.steam(steam.folder, steam.kind);
        finder.winetricks();
        for (const launchers::Place& heroic : launchers::heroicFolders(home))
            finder.heroic(heroic.folder, heroic.kind);
    }
    finder.privateRoot();
    return finder.take();
}

} // namespace platform
