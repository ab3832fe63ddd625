#include "platform/linux/EntryTests.h"

#include <sys/stat.h>

namespace platform {

bool isFolderFollowingLinks(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool existsFollowingLinks(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool existsWithoutFollowingLinks(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace platform
