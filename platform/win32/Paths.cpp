// Paths on Windows are the system's own: these calls ask it, after the checks the
// interface promises on every back end (no NUL, no character Windows forbids in a name).
#include "platform/Paths.h"
#include "platform/NameCharacters.h"

#include "platform/win32/Wide.h"

#include <cctype>

#include <windows.h>

namespace platform {
namespace {

using win32::narrow;
using win32::wide;

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool hasDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// The full path the system makes of a path (separators, "." and "..", relative to the
// current directory), keeping a trailing separator.
std::optional<std::wstring> systemFullPath(const std::wstring& given) {
    const DWORD needed = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return std::nullopt;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return std::nullopt;
    full.resize(length);
    return full;
}

// The full path of a Windows path; nullopt for a text that is not a usable path.
std::optional<std::wstring> fullPath(std::string_view windowsPath) {
    if (windowsPath.empty() || windowsPath.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string_view rest = hasDriveLetter(windowsPath) ? windowsPath.substr(2) : windowsPath;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = rest.size();
        if (hasForbiddenNameCharacter(rest.substr(start, end - start)))
            return std::nullopt;
        start = end + 1;
    }
    return systemFullPath(wide(windowsPath));
}

// Without its trailing separator, unless it is a root ("C:\").
std::wstring withoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && isSeparator(path.back()))
        path.pop_back();
    return path;
}

bool driveLetterExists(wchar_t letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    const UINT type = ::GetDriveTypeW(root);
    return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR &&
           ::GetFileAttributesW(root) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::optional<std::filesystem::path> toHostPath(std::string_view windowsPath) {
    const auto full = fullPath(windowsPath);
    if (!full)
        return std::nullopt;
    if (full->size() >= 2 && (*full)[1] == L':' && !driveLetterExists((*full)[0]))
        return std::nullopt;
    return std::filesystem::path(withoutTrailingSeparator(*full));
}

std::optional<std::string> toDosPath(const std::filesystem::path& hostPath) {
    const auto full = systemFullPath(hostPath.wstring());
    if (!full)
        return std::nullopt;
    return narrow(withoutTrailingSeparator(*full));
}

bool driveExists(std::string_view drive) {
    if (drive.empty() || !std::isalpha(static_cast<unsigned char>(drive[0])))
        return false;
    return driveLetterExists(static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(drive[0]))));
}

std::string currentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, folder.data());
    folder.resize(length < needed ? length : 0);
    return narrow(withoutTrailingSeparator(folder));
}

bool isEnterableDirectory(std::string_view windowsPath) {
    const auto full = fullPath(windowsPath);
    if (!full)
        return false;
    const DWORD attributes = ::GetFileAttributesW(full->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Entering needs the right to traverse, which the folder's attributes do not tell.
    const HANDLE folder = ::CreateFileW(full->c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(folder);
    return true;
}

bool isReadableFile(std::string_view windowsPath) {
    const auto full = fullPath(windowsPath);
    if (!full)
        return false;
    const HANDLE file =
        ::CreateFileW(full->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool plain =
        ::GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(file);
    return plain;
}

} // namespace platform
