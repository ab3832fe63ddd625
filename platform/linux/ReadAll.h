#pragma once
// Reading a descriptor to its end, the one way the Linux back end reads what it keeps
// whole (a launcher's record, a process's environment). Linux only.

#include <cstddef>
#include <string>

namespace platform {

// Appends what fd holds from where it stands to its end, again after an interruption, but
// stops once more than limit bytes were read (out then holds more than limit: the caller
// can tell "too large"). False, with errno set, when a read fails.
bool readAll(int fd, std::size_t limit, std::string& out);

} // namespace platform
