#pragma once
// What an archive's entry names become on disk: decoded to UTF-8, split into the folder
// names and file name they stand for, and refused when they could land anywhere but
// below the folder being extracted into.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace EntryNames {

// The code page a name is taken in when its bytes are not valid UTF-8. ZIP archives
// without the UTF-8 flag carry the DOS code page 437 by the format's own definition
// (and that is what Windows' compressed folders and the usual Windows archivers write);
// for every other format the program's ANSI code page, Windows-1252, is the better guess.
enum class Fallback { Cp437, Windows1252 };

std::string cp437ToUtf8(std::string_view text);
// The name as UTF-8: unchanged when it already is valid UTF-8, else decoded from the
// fallback code page.
std::string decodeName(std::string_view raw, Fallback fallback);

// The components of a stored name, relative to the extraction folder. Backslashes count
// as separators, as Windows archivers write them; empty and "." components are dropped.
// nullopt, with the reason set, for a name that is absolute, starts with a drive letter,
// climbs with "..", or holds a character Windows forbids in names. An empty list means
// the name names the extraction folder itself.
std::optional<std::vector<std::string>> safeComponents(std::string_view name, std::string* reason = nullptr);

// The folder a style file at the top of an archive ("Flat.msstyles", one component) gives
// the archive's entries: its name without ".msstyles" (any case) and without the dots and
// blanks Windows drops from the end of a name. Empty for any other name.
std::string styleFolderOf(const std::vector<std::string>& components);

// The length of a UTF-8 text in UTF-16 units, the measure of Windows' path limits.
size_t utf16Length(std::string_view utf8);

// The key under which two names that Windows treats as the same name compare equal.
std::string foldedName(std::string_view utf8Name);

} // namespace EntryNames
