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

} // namespace shared_test
