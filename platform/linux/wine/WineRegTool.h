#pragma once
// Wine's own registry tool, for a registry a wineserver holds in memory: changes become a
// .reg file that `wine reg import` reads into the running registry, one call for all of
// them; what the running registry holds comes out of `wine reg export`. Linux only.

#include "platform/Problem.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

// Why Wine's registry tool cannot be started in the prefix now (None when it can): the
// prefix's own Wine is not found, would update the prefix, or the running server's Wine
// cannot be told (WineChoice.h).
Problem toolUnavailable(const std::filesystem::path& prefix);

struct Result {
    bool ok = false;
    Problem problem; // why not
};

// Runs `wine reg import` on the file text with WINEPREFIX set to prefix and waits for it
// (at most a minute; a tool that hangs is ended). ok when the tool says it took the file.
// The file lives in the temporary folder while the tool runs, never in the prefix.
Result import(const std::filesystem::path& prefix, const std::string& fileText);

// A key of the running registry with everything below it.
struct Export {
    enum Outcome { Exported, Missing, Failed } outcome = Failed;
    // The key that was exported: the one asked for, or the nearest key above it whose name
    // the tool can be given on its command line (printable ASCII without '"').
    std::vector<std::u16string> key;
    std::string hiveText; // Exported: the keys in the hive files' own format
    Problem problem;      // Failed: why
};
Export exportKey(const std::filesystem::path& prefix, bool machine, const std::vector<std::u16string>& key);

// The keys of a .reg file as the tool exports them ("Windows Registry Editor Version 5.00",
// UTF-16 LE) in the hive files' own format, their paths below the root of the hive (keys
// of another root are refused). Strings come as the tool wrote them, with a terminator.
// Null and why when the text is not such a file.
std::optional<std::string> hiveTextOf(std::string_view regFile, bool machine, Problem& problem);

} // namespace platform::winereg
