#include "TestSystem.h"

#include <atomic>
#include <string>

#include <windows.h>

namespace fs = std::filesystem;

namespace shared_test {
namespace {

std::wstring uniqueName(const wchar_t* kind) {
    static std::atomic<unsigned> counter{0};
    return std::wstring(L"kolv-") + kind + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
}

std::string utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

// Read-only files refuse deletion on Windows; clear the attribute first.
void removeTree(const fs::path& folder) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder, ec);
}

} // namespace

struct ScratchFolder::State {};

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    wchar_t longTemp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    const DWORD longLength = ::GetLongPathNameW(temp, longTemp, MAX_PATH + 1);
    m_host = fs::path(longLength > 0 && longLength <= MAX_PATH ? longTemp : std::wstring(temp, length)) /
             uniqueName(L"test");
    fs::create_directories(m_host);
    m_windowsPath = utf8(m_host.wstring()) + "\\";
}

ScratchFolder::~ScratchFolder() {
    removeTree(m_host);
}

fs::path ScratchFolder::host(std::string_view relative) const {
    if (relative.empty())
        return m_host;
    return m_host / fs::u8path(relative).make_preferred();
}

void ScratchFolder::makeReadOnly(std::string_view relative) const {
    const fs::path file = host(relative);
    ::SetFileAttributesW(file.c_str(), ::GetFileAttributesW(file.c_str()) | FILE_ATTRIBUTE_READONLY);
}

// HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT (as the machine's
// Software\Classes) lead to keys of their own under a temporary key while the object lives.
struct ScratchRegistry::State {
    std::wstring name;
    HKEY user = nullptr;
    HKEY machine = nullptr;
    HKEY classes = nullptr;
};

ScratchRegistry::ScratchRegistry() : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.name = L"Software\\" + uniqueName(L"registry");
    ::RegCreateKeyExW(HKEY_CURRENT_USER, (s.name + L"\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &s.user, nullptr);
    ::RegCreateKeyExW(HKEY_CURRENT_USER, (s.name + L"\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &s.machine, nullptr);
    ::RegCreateKeyExW(s.machine, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s.classes,
                      nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, s.user);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, s.machine);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, s.classes);
}

ScratchRegistry::~ScratchRegistry() {
    State& s = *m_state;
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    for (HKEY key : {s.classes, s.machine, s.user})
        if (key)
            ::RegCloseKey(key);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, s.name.c_str());
}

ThemeSystem::ThemeSystem() {
    wchar_t windows[MAX_PATH + 1];
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH + 1);
    const fs::path light =
        fs::path(std::wstring(windows, length)) / L"resources" / L"themes" / L"light" / L"light.msstyles";
    if (length == 0 || !fs::exists(light))
        m_skip = "this Windows has no light.msstyles";
}

ThemeSystem::~ThemeSystem() = default;

} // namespace shared_test
