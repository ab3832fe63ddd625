#include "platform/FileAttributes.h"

#include "platform/linux/DosAttributeText.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr char kDosAttrib[] = "user.DOSATTRIB";

std::optional<uint32_t> storedDosAttributes(const char* path) {
    char text[16];
    const ssize_t size = ::lgetxattr(path, kDosAttrib, text, sizeof text);
    if (size <= 0)
        return std::nullopt;
    return parseDosAttributeText(std::string_view(text, static_cast<size_t>(size)));
}

} // namespace

std::optional<uint32_t> fileAttributes(const fs::path& hostPath) {
    struct stat st {};
    if (::lstat(hostPath.c_str(), &st) != 0)
        return std::nullopt;
    uint32_t attributes = 0;
    if (S_ISLNK(st.st_mode)) {
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        // The rest describes what the link leads to; a dangling link stays a plain entry.
        struct stat target {};
        if (::stat(hostPath.c_str(), &target) == 0)
            st = target;
    }
    if (S_ISDIR(st.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else {
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
        if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR))
            attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (const auto stored = storedDosAttributes(hostPath.c_str())) {
        attributes |= *stored;
    } else {
        const std::string name = hostPath.filename().string();
        if (name.size() > 1 && name[0] == '.' && name != "..")
            attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes;
}

bool setDosAttributes(const fs::path& hostPath, uint32_t attributes) {
    const uint32_t bits = attributes & kDosAttributeTextBits;
    if (bits == 0)
        return ::lremovexattr(hostPath.c_str(), kDosAttrib) == 0 || errno == ENODATA;
    char text[16];
    const int size = std::snprintf(text, sizeof text, "0x%x", bits);
    return ::lsetxattr(hostPath.c_str(), kDosAttrib, text, static_cast<size_t>(size), 0) == 0;
}

} // namespace platform
