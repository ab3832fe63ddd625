#pragma once
// Wine's own registry tool, for changes made while a wineserver holds the prefix's
// registry in memory: the changes become a .reg file that `wine reg import` reads into the
// running registry, one call for all of them. Linux only.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform::winereg {

// One change, in the hive's own terms.
struct Edit {
    enum Kind { CreateKey, SetValue, DeleteValue, DeleteKey } kind = CreateKey;
    bool machine = false;            // HKEY_LOCAL_MACHINE; else HKEY_CURRENT_USER
    std::vector<std::u16string> key; // the key's components below the root
    std::u16string name;             // the value's name ("" the default value)
    uint32_t type = 0;               // SetValue: the value's type
    std::string bytes;               // SetValue: the bytes stored (UTF-16 LE for text)
};

// Whether a .reg file can carry the edit: a key name with a line break cannot be written
// in one.
bool canCarry(const Edit& edit);

// The .reg file that makes the edits in order: "Windows Registry Editor Version 5.00" in
// UTF-16 LE with a byte order mark; every value as hex(<type>) with its exact bytes, so
// nothing is converted on the way; a key deleted with "[-key]" (the caller makes sure it
// has no subkeys), a value with "=-". Edits that canCarry refuses are left out.
std::string importFile(const std::vector<Edit>& edits);

// Whether Wine's registry tool can be started at all: a `wine` on PATH.
bool toolAvailable();

struct Result {
    bool ok = false;
    std::string error; // why not, in words
};

// Runs `wine reg import` on the file text with WINEPREFIX set to prefix and waits for it
// (at most a minute; a tool that hangs is ended). ok when the tool says it took the file.
// The file lives in the temporary folder while the tool runs, never in the prefix.
Result import(const std::filesystem::path& prefix, const std::string& fileText);

} // namespace platform::winereg
