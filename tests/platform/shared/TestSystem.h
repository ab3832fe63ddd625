#pragma once
// What the tests of every back end need from the system under test, made the same way
// for each: a throw-away folder known by its Windows path, and a throw-away registry.
// Linux: a temporary Wine prefix, made the Windows root. Windows: a folder under the
// temporary folder, and the predefined registry roots redirected to temporary keys.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace shared_test {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as the Windows side names it, with a trailing backslash.
    const std::string& windowsPath() const { return m_windowsPath; }
    // The host path of the folder, or of an entry below it ("a/b" or "a\\b").
    std::filesystem::path host(std::string_view relative = {}) const;

    // Makes a folder, or a file holding text, below the folder (with missing parents).
    std::filesystem::path makeFolder(std::string_view relative) const;
    std::filesystem::path writeFile(std::string_view relative, std::string_view text = "x") const;
    // Takes write permission from a file: the read-only attribute.
    void makeReadOnly(std::string_view relative) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::filesystem::path m_host;
    std::string m_windowsPath;
};

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // The Windows root to build a Registry over.
    const std::filesystem::path& root() const { return m_root; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::filesystem::path m_root;
};

// A Windows whose theme service can apply Wine's Light style, the style Wine ships as
// "%systemroot%\resources\themes\light\light.msstyles": Linux: a prefix the Wine on PATH
// makes (wineboot) for the test, gone afterwards; Windows: the system the test runs on (the
// Wine leg's fresh prefix), where the file is looked for. skip() says why there is none.
class ThemeSystem {
public:
    ThemeSystem();
    ~ThemeSystem();
    ThemeSystem(const ThemeSystem&) = delete;
    ThemeSystem& operator=(const ThemeSystem&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    const std::string& skip() const { return m_skip; }

private:
    std::filesystem::path m_root;
    std::string m_skip;
};

// The text with its ASCII letters in upper case: a Windows path in another spelling.
inline std::string upperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return text;
}

// Changes the current directory for a test and puts it back afterwards.
class CwdGuard {
public:
    explicit CwdGuard(const std::filesystem::path& to) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(to);
    }
    ~CwdGuard() { std::filesystem::current_path(m_old); }
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;

private:
    std::filesystem::path m_old;
};

// The contents of a file on the host (empty when it cannot be read).
std::string readHostFile(const std::filesystem::path& file);

} // namespace shared_test
