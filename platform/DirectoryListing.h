#pragma once
// Directory listing by pattern and attribute mask, one name at a time, in the file
// system's order: the Dir() of the callers.
//
// Pattern: a folder ("C:\x\" lists everything in it) or a folder and a wildcard name
// ("C:\x\*.msstyles", "C:\x\*.*"). '*' and '?' as on Windows, case ignored; "*.*"
// also matches names without a dot.
//
// Mask: an entry is reported when each of its HIDDEN, SYSTEM and DIRECTORY attributes is
// also in the mask (read-only and archive never exclude anything). So mask 16 gives
// plain files and folders but nothing hidden or system; mask 33 gives plain files only.
// "." and ".." are reported first when the mask asks for folders, the name part matches
// them and the folder is not a drive root.
//
// Names a Windows program could not hold are never reported: a name with a character
// Windows forbids (\ : * ? " < > | or a control character) or a name that is not valid
// UTF-8. Each listing is an object of its own, so listings may overlap freely.

#include "platform/FileAttributes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Whether a listing with attributeMask reports an entry with these attributes.
inline bool maskTakes(uint32_t attributeMask, uint32_t attributes) {
    constexpr uint32_t deciding = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (attributes & deciding & ~attributeMask) == 0;
}

class DirectoryListing {
public:
    DirectoryListing(std::string_view windowsPattern, uint32_t attributeMask);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // The next name (without its folder), nullopt when the listing has ended or the
    // folder could not be opened.
    std::optional<std::string> next();

    // Attributes of the name last returned by next().
    uint32_t attributes() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace platform
