#pragma once
// A throw-away prefix folder for the tests of the Linux back end's registry files, made
// the Windows root through WINEPREFIX; RegistryCalls.h speaks to a Registry the way the
// program does.

#include "platform/Registry.h"
#include "platform/shared/RegistryCalls.h"

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
    // Names in the folder other than the hives: leftovers of a save.
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(m_root)) {
            const std::string name = e.path().filename().string();
            if (name != "user.reg" && name != "system.reg" && name != "wineserver")
                out.push_back(name);
        }
        return out;
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
