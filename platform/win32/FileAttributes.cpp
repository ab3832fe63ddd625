#include "platform/FileAttributes.h"

#include <windows.h>

namespace platform {
namespace {

constexpr uint32_t kReported = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_REPARSE_POINT;
// What SetFileAttributes can change; the rest describes the entry and stays.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

} // namespace

std::optional<uint32_t> fileAttributes(const std::filesystem::path& hostPath) {
    const DWORD attributes = ::GetFileAttributesW(hostPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes & kReported;
}

bool setDosAttributes(const std::filesystem::path& hostPath, uint32_t attributes) {
    const DWORD current = ::GetFileAttributesW(hostPath.c_str());
    if (current == INVALID_FILE_ATTRIBUTES)
        return false;
    constexpr DWORD kHiddenAndSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    DWORD wanted = (current & kSettable & ~kHiddenAndSystem) | (attributes & kHiddenAndSystem);
    if (wanted == 0)
        wanted = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(hostPath.c_str(), wanted) != 0;
}

} // namespace platform
