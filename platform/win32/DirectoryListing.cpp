// The listing is the system's own FindFirstFile/FindNextFile walk, which also brings "."
// and ".." where Windows has them; the mask is applied here, as the callers' Dir() does.
#include "platform/DirectoryListing.h"

#include "platform/win32/Wide.h"

#include <windows.h>

namespace platform {

struct DirectoryListing::State {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW found{};
    bool pending = false; // found holds an entry next() has not looked at yet
    uint32_t mask = 0;
    std::string current;
    uint32_t attributes = 0;

    ~State() { close(); }
    void close() {
        if (find != INVALID_HANDLE_VALUE)
            ::FindClose(find);
        find = INVALID_HANDLE_VALUE;
        pending = false;
    }
};

DirectoryListing::DirectoryListing(std::string_view windowsPattern, uint32_t attributeMask)
    : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.mask = attributeMask;
    if (windowsPattern.empty() || windowsPattern.find('\0') != std::string_view::npos)
        return;
    std::wstring pattern = win32::wide(windowsPattern);
    // A folder alone lists everything in it.
    if (pattern.back() == L'\\' || pattern.back() == L'/' || (pattern.size() == 2 && pattern[1] == L':'))
        pattern += L'*';
    s.find =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &s.found, FindExSearchNameMatch, nullptr, 0);
    s.pending = s.find != INVALID_HANDLE_VALUE;
}

DirectoryListing::~DirectoryListing() = default;

std::optional<std::string> DirectoryListing::next() {
    State& s = *m_state;
    while (s.find != INVALID_HANDLE_VALUE) {
        if (!s.pending && !::FindNextFileW(s.find, &s.found))
            break;
        s.pending = false;
        const DWORD attributes = s.found.dwFileAttributes;
        if (!maskTakes(s.mask, attributes))
            continue;
        s.current = win32::narrow(s.found.cFileName);
        s.attributes =
            attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
        return s.current;
    }
    s.close();
    return std::nullopt;
}

uint32_t DirectoryListing::attributes() const {
    return m_state->attributes;
}

} // namespace platform
