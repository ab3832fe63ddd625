#include "platform/WineChoice.h"

#include "platform/linux/wine/PrefixUpdate.h"
#include "platform/linux/wine/PrefixWine.h"
#include "platform/linux/wine/ServerWine.h"
#include "platform/linux/wine/WineBuild.h"

#include <mutex>

namespace fs = std::filesystem;

namespace platform::wine {
namespace {

// What the command line and the window gave; another thread may ask while the window
// changes them.
std::mutex g_overridesMutex;
fs::path g_givenForRun;
std::vector<std::pair<fs::path, fs::path>> g_chosen;

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return a.lexically_normal() == b.lexically_normal() || fs::equivalent(a, b, ec);
}

// Two wine programs of one build: the same wine.inf (Debian's /usr/bin/wine and the
// /usr/lib/wine/wine64 beside its server are one build), or the same file.
bool sameBuild(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec))
        return true;
    const auto infA = wineInfOf(a);
    const auto infB = wineInfOf(b);
    return infA && infB && fs::equivalent(*infA, *infB, ec);
}

// The stamp as it can be shown: its first line, blanks around it dropped, anything that is
// not printable ASCII as '?' (the file may hold anything).
std::string shownStamp(const std::string& stamp) {
    std::string out = stamp.substr(0, stamp.find_first_of("\r\n"));
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t'))
        out.pop_back();
    out.erase(0, out.find_first_not_of(" \t"));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            c = '?';
    return out;
}

} // namespace

void setWineForThisRun(const fs::path& wine) {
    const std::lock_guard lock(g_overridesMutex);
    g_givenForRun = wine;
}

void setChosenWines(std::vector<std::pair<fs::path, fs::path>> prefixAndWine) {
    const std::lock_guard lock(g_overridesMutex);
    g_chosen = std::move(prefixAndWine);
}

Overrides wineOverrides(const fs::path& prefix) {
    const std::lock_guard lock(g_overridesMutex);
    Overrides out;
    out.givenForRun = g_givenForRun;
    for (const auto& [folder, wine] : g_chosen)
        if (!wine.empty() && sameFolder(folder, prefix)) {
            out.chosenForPrefix = wine;
            break;
        }
    return out;
}

WineChoice chooseWine(const fs::path& prefix, const Overrides& overrides) {
    const PrefixWine own = prefixWine(prefix, overrides);
    WineChoice choice;
    choice.name = own.name;
    choice.source = own.source;

    // A running server decides: only its own build can talk to it (whatever the records or
    // the user name), and starting that build updates nothing, the prefix update being
    // made when a server session begins.
    const ServerWine server = runningServerWine(prefix);
    if (server.state != ServerWine::NoServer) {
        choice.serverRunning = true;
        if (server.state == ServerWine::NotFound) {
            choice.why = server.why;
            return choice;
        }
        choice.program = server.wine;
        choice.source = WineSource::RunningServer;
        if (own.wine.empty() || !sameBuild(own.wine, server.wine))
            choice.name = server.wine.string();
        choice.environment = buildEnvironment(server.wine);
        choice.environment.insert(choice.environment.end(), server.environment.begin(),
                                  server.environment.end());
        return choice;
    }

    if (own.missing) {
        choice.why = own.missing;
        return choice;
    }
    const UpdateCheck update = updateCheck(prefix, own.wine);
    switch (update.verdict) {
    case UpdateCheck::WouldNotUpdate:
        choice.program = own.wine;
        choice.environment = own.environment;
        break;
    case UpdateCheck::WouldUpdate:
        choice.why = {Problem::WouldUpdatePrefix, own.wine.string(),
                      update.stampMissing ? std::string() : shownStamp(update.prefixStamp),
                      static_cast<long>(update.wineStamp)};
        break;
    case UpdateCheck::CannotTell:
        choice.why = Problem{Problem::UpdateUnknown, own.wine.string()}.resting(update.why);
        break;
    }
    return choice;
}

WineChoice chooseWine(const fs::path& prefix) {
    return chooseWine(prefix, wineOverrides(prefix));
}

} // namespace platform::wine
