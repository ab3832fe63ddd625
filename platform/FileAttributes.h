#pragma once
// Windows file attributes of the files behind host paths (Paths.h). The Win32 back end
// asks the system; the Linux one keeps hidden and system in the user.DOSATTRIB extended
// attribute (Samba's and Wine's text form "0x<hex>"), counts a name starting with '.' as
// hidden, read-only when the owner may not write, and archive on every plain file.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

enum FileAttribute : uint32_t {
    FILE_ATTRIBUTE_READONLY = 0x1,
    FILE_ATTRIBUTE_HIDDEN = 0x2,
    FILE_ATTRIBUTE_SYSTEM = 0x4,
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_ARCHIVE = 0x20,
    // A symbolic link (to anything, also a dangling one). Deleting code removes the link
    // itself and never follows it.
    FILE_ATTRIBUTE_REPARSE_POINT = 0x400,
};

// The attributes of the entry at hostPath (not following a final link for the link
// bit; DIRECTORY is set when the link points at a folder). nullopt when it does not exist.
std::optional<uint32_t> fileAttributes(const std::filesystem::path& hostPath);

// Sets the hidden and system bits of the entry to those of attributes, leaving its other
// attributes as they are (the Linux back end stores them in user.DOSATTRIB as "0x2",
// "0x4", "0x6" and removes it when neither is set). False when the file system refuses.
bool setDosAttributes(const std::filesystem::path& hostPath, uint32_t attributes);

} // namespace platform
