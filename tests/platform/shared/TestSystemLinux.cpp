#include "TestSystem.h"

#include "platform/linux/TestRoot.h"

#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace shared_test {

// Each scratch folder is the themes folder of a Windows root of its own.
struct ScratchFolder::State {
    testing_support::TestRoot root;
};

ScratchFolder::ScratchFolder() : m_state(std::make_unique<State>()) {
    m_host = m_state->root.themes();
    m_windowsPath = "C:\\windows\\Resources\\Themes\\";
}

ScratchFolder::~ScratchFolder() = default;

fs::path ScratchFolder::host(std::string_view relative) const {
    std::string path(relative);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path.empty() ? m_host : m_host / path;
}

void ScratchFolder::makeReadOnly(std::string_view relative) const {
    fs::permissions(host(relative), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

// A Windows root without hives: the registry makes them as they are written.
struct ScratchRegistry::State {
    testing_support::TestRoot root;
};

ScratchRegistry::ScratchRegistry() : m_state(std::make_unique<State>()), m_root(m_state->root.root()) {}

ScratchRegistry::~ScratchRegistry() = default;

ThemeSystem::ThemeSystem() {
    if (std::system("command -v wineboot >/dev/null 2>&1") != 0) {
        m_skip = "wineboot is not on PATH (scripts/deps installs Wine)";
        return;
    }
    char folder[] = "/tmp/kolv-theme-system-XXXXXX";
    if (!::mkdtemp(folder)) {
        m_skip = "no temporary folder";
        return;
    }
    m_root = fs::path(folder) / "prefix";
    const std::string command =
        "WINEPREFIX='" + m_root.string() +
        "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' wineboot -i >/dev/null 2>&1 && "
        "WINEPREFIX='" +
        m_root.string() + "' wineserver -w";
    if (std::system(command.c_str()) != 0)
        m_skip = "wineboot could not make a prefix";
}

ThemeSystem::~ThemeSystem() {
    if (m_root.empty())
        return;
    std::system(("WINEPREFIX='" + m_root.string() + "' wineserver -k >/dev/null 2>&1; WINEPREFIX='" +
                 m_root.string() + "' wineserver -w >/dev/null 2>&1")
                    .c_str());
    std::error_code ec;
    fs::remove_all(m_root.parent_path(), ec);
}

} // namespace shared_test
