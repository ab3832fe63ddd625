#pragma once
// A throw-away Windows root for tests: a temporary prefix folder with
// drive_c/windows/Resources/Themes and dosdevices/c: -> ../drive_c, made the Windows root
// through WINEPREFIX. The previous WINEPREFIX comes back and the folder goes away when the
// object dies. Links inside are removed, never followed.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <unistd.h>

namespace testing_support {

class TestRoot {
public:
    TestRoot() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-test-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        m_root = pattern;
        std::filesystem::create_directories(themes());
        std::filesystem::create_directories(m_root / "dosdevices");
        std::filesystem::create_directory_symlink("../drive_c", m_root / "dosdevices" / "c:");
        if (const char* old = std::getenv("WINEPREFIX"))
            m_oldPrefix = old;
        ::setenv("WINEPREFIX", m_root.c_str(), 1);
    }
    ~TestRoot() {
        if (m_oldPrefix)
            ::setenv("WINEPREFIX", m_oldPrefix->c_str(), 1);
        else
            ::unsetenv("WINEPREFIX");
        std::error_code ec;
        makeWritable(m_root);
        std::filesystem::remove_all(m_root, ec);
    }
    TestRoot(const TestRoot&) = delete;
    TestRoot& operator=(const TestRoot&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path driveC() const { return m_root / "drive_c"; }
    std::filesystem::path windows() const { return driveC() / "windows"; }
    std::filesystem::path themes() const { return windows() / "Resources" / "Themes"; }

    // Adds dosdevices/<letter>: pointing at target (any folder, "/" for Z:).
    void addDrive(char letter, const std::filesystem::path& target) const {
        std::filesystem::create_directory_symlink(target, m_root / "dosdevices" / std::string{letter, ':'});
    }

    // Writes a file (and its folders) below the root; returns its path.
    std::filesystem::path writeFile(const std::filesystem::path& relative, std::string_view text = {}) const {
        const auto path = m_root / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    // Tests take write or search permission away; give it back so the folder can go.
    static void makeWritable(const std::filesystem::path& folder) {
        std::error_code ec;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        for (auto it = std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::skip_permission_denied, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        }
    }

    std::filesystem::path m_root;
    std::optional<std::string> m_oldPrefix;
};

} // namespace testing_support
