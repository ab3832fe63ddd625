#pragma once
// A throw-away prefix folder for the registry tests, made the Windows root through
// WINEPREFIX, and small helpers that speak to a Registry the way the program does.

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace registry_test {

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-reg-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        m_root = pattern;
        if (const char* old = std::getenv("WINEPREFIX"))
            m_oldPrefix = old;
        ::setenv("WINEPREFIX", m_root.c_str(), 1);
    }
    void TearDown() override {
        if (m_oldPrefix)
            ::setenv("WINEPREFIX", m_oldPrefix->c_str(), 1);
        else
            ::unsetenv("WINEPREFIX");
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path user() const { return m_root / "user.reg"; }
    std::filesystem::path machine() const { return m_root / "system.reg"; }

    static std::string readFile(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void writeFile(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
    // Names in the folder other than the hives and their lock files: leftovers of a save.
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(m_root)) {
            const std::string name = e.path().filename().string();
            if (name != "user.reg" && name != "system.reg" && !name.ends_with(".lock") &&
                name != "wineserver")
                out.push_back(name);
        }
        return out;
    }

    // WriteRegStr's way: create the key, store the ANSI text with its terminator.
    static int32_t setString(platform::Registry& reg, platform::HKEY root, const std::string& key,
                             const std::string& name, const std::string& text,
                             uint32_t type = platform::REG_SZ) {
        platform::HKEY h = 0;
        int32_t r = reg.RegCreateKeyA(root, key, &h);
        if (r != platform::ERROR_SUCCESS)
            return r;
        r = reg.RegSetValueExA(h, name, 0, type, reinterpret_cast<const uint8_t*>(text.c_str()),
                               static_cast<uint32_t>(text.size() + 1));
        reg.RegCloseKey(h);
        return r;
    }
    // The stored bytes and type of a value, or nothing when the query fails.
    static std::optional<std::pair<uint32_t, std::string>>
    query(platform::Registry& reg, platform::HKEY root, const std::string& key, const std::string& name) {
        platform::HKEY h = 0;
        if (reg.RegOpenKeyA(root, key, &h) != platform::ERROR_SUCCESS)
            return std::nullopt;
        uint32_t size = 0;
        uint32_t type = 0;
        std::optional<std::pair<uint32_t, std::string>> out;
        if (reg.RegQueryValueExA(h, name, nullptr, nullptr, nullptr, &size) == platform::ERROR_SUCCESS) {
            std::string data(size, '\0');
            if (reg.RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()),
                                     &size) == platform::ERROR_SUCCESS)
                out = std::make_pair(type, data.substr(0, size));
        }
        reg.RegCloseKey(h);
        return out;
    }
    // The text of a string value without its terminator.
    static std::optional<std::string> text(platform::Registry& reg, platform::HKEY root,
                                           const std::string& key, const std::string& name) {
        auto v = query(reg, root, key, name);
        if (!v)
            return std::nullopt;
        std::string s = v->second;
        if (!s.empty() && s.back() == '\0')
            s.pop_back();
        return s;
    }
    static bool keyExists(platform::Registry& reg, platform::HKEY root, const std::string& key) {
        platform::HKEY h = 0;
        if (reg.RegOpenKeyA(root, key, &h) != platform::ERROR_SUCCESS)
            return false;
        reg.RegCloseKey(h);
        return true;
    }
    struct Stamp {
        ino_t ino;
        timespec mtime;
        off_t size;
        bool operator==(const Stamp& o) const {
            return ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
                   mtime.tv_nsec == o.mtime.tv_nsec;
        }
    };
    static Stamp stamp(const std::filesystem::path& file) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return {st.st_ino, st.st_mtim, st.st_size};
    }

private:
    std::filesystem::path m_root;
    std::optional<std::string> m_oldPrefix;
};

} // namespace registry_test
