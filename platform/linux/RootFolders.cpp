#include "platform/linux/RootFolders.h"

#include "platform/linux/ProcessEnvironment.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>

namespace fs = std::filesystem;

namespace platform {
namespace {

// The roots the program was given, guarded: the window may change them while another
// thread asks for the root.
struct GivenRoots {
    std::mutex mutex;
    fs::path chosen;
    fs::path remembered;
    std::atomic<bool> anyChosen{false};
};

GivenRoots& given() {
    static GivenRoots roots;
    return roots;
}

} // namespace

fs::path homeFolder() {
    std::string home = environmentValue("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return home;
}

fs::path privateRootFolder() {
    fs::path dataHome = environmentValue("XDG_DATA_HOME");
    // XDG's base-directory rules ignore a relative value.
    if (dataHome.empty() || dataHome.is_relative())
        dataHome = homeFolder() / ".local" / "share";
    return dataHome / "kolvmgr";
}

void keepChosenRoot(const fs::path& root) {
    GivenRoots& roots = given();
    std::lock_guard guard(roots.mutex);
    roots.chosen = root;
    roots.anyChosen = !root.empty();
}

void keepRememberedRoot(const fs::path& root) {
    GivenRoots& roots = given();
    std::lock_guard guard(roots.mutex);
    roots.remembered = root;
}

std::pair<fs::path, fs::path> givenRoots() {
    GivenRoots& roots = given();
    std::lock_guard guard(roots.mutex);
    return {roots.chosen, roots.remembered};
}

bool rootChosen() {
    return given().anyChosen.load(std::memory_order_relaxed);
}

} // namespace platform
