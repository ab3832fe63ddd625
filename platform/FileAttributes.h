#pragma once
// Windows file attributes of host files: hidden and system from the user.DOSATTRIB
// extended attribute (Samba's and Wine's text form "0x<hex>"), hidden also for a name
// starting with '.', read-only when the owner may not write, archive on every plain file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

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

// Stores the hidden and system bits of attributes in user.DOSATTRIB ("0x2", "0x4",
// "0x6"); removes the attribute when neither is set. False when the file system
// refuses extended attributes.
bool setDosAttributes(const std::filesystem::path& hostPath, uint32_t attributes);

// The hidden and system bits of a user.DOSATTRIB text ("0x" and 1 to 8 hex digits, no
// NUL); nullopt for every other form, which then counts as no attribute at all.
std::optional<uint32_t> parseDosAttributeText(std::string_view text);

} // namespace platform
