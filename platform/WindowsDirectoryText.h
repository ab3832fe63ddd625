#pragma once
// The Windows directory as the program reads it, the same for every back end.

#include <string>

namespace platform {

// The Windows directory text the way the program reads it: a 500-blank buffer handed to
// GetWindowsDirectoryA, trimmed of blanks, the terminating null dropped. Empty when the
// directory cannot be given.
std::string windowsDirectoryText();

} // namespace platform
