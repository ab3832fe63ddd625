#pragma once
// The pieces of Wine's registry text format: escaped names and strings, value data in
// its five spellings (string, str(n), dword, hex, hex(n)), and the lines Wine writes for
// a value and a key, formatted exactly the way Wine formats them.

#include "platform/Problem.h"
#include "platform/linux/hive/HiveCase.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::hive {

inline constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
// What the keys of the user's hive (user.reg) and of the machine's (system.reg) are
// relative to, as their headers say.
inline constexpr std::string_view kUserHiveRoot = "\\\\User\\\\S-1-5-21-0-0-0-1000";
inline constexpr std::string_view kMachineHiveRoot = "\\\\Machine";

// The text before a hive's first key as Wine writes it: the signature, the line that says
// what the keys are relative to and, when one is given, the architecture line
// ("#arch=win32").
std::string formatHeader(std::string_view relativeTo, std::string_view archLine);

// The folded form of a name as bytes: each folded UTF-16 unit as one to three bytes in the
// UTF-8 pattern (surrogates too), so byte order is the units' order and an ASCII path takes
// a byte a character. Units 0 and 1 take two bytes (0x01 0x01, 0x01 0x02): a zero byte only
// ever separates the components of a folded path, and sorts before every unit as the end of
// a name does in Wine's order.
void appendFolded(std::string& out, std::u16string_view name);
bool equalFolded(std::u16string_view a, std::u16string_view b);
// <0, 0, >0 comparing the folded forms.
int compareFolded(std::u16string_view a, std::u16string_view b);

// Reads escaped text from text[pos] up to the unescaped endChar; appends the units to
// out when it is given. Returns the index of endChar, or npos when it is missing.
size_t unescape(std::string_view text, size_t pos, char endChar, std::u16string* out);

// Appends units escaped as Wine does; quote1 and quote2 are the extra characters that
// need a backslash ('"' in strings, '[' and ']' in key names). Every unit is written, a
// NUL too: a name that ends in one keeps it.
void appendEscaped(std::string& out, std::u16string_view units, char quote1, char quote2);

// Decodes value data (the text after '=', possibly over several lines with '\'
// continuations) into its type and bytes (strings as UTF-16LE with the terminator).
// bytes may be null to validate only. Returns None on success, else what is wrong.
Problem::Cause decodeData(std::string_view text, uint32_t& type, std::string* bytes);

// The line(s) Wine writes for a value, ending with a line feed.
std::string formatValue(std::u16string_view name, uint32_t type, std::string_view bytes);

// The "[Path\\To\\Key] <seconds>" line for a key whose components are joined by '\'.
std::string formatKeyLine(std::u16string_view path, int64_t unixSeconds);
// The "#time=..." line for a moment given in 100 ns units since 1601.
std::string formatTimeLine(uint64_t fileTime);
// Now, as Wine stamps a changed key.
uint64_t fileTimeNow();
int64_t fileTimeToUnix(uint64_t fileTime);

} // namespace platform::hive
