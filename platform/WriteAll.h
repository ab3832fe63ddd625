#pragma once
// Writing a whole buffer to a file descriptor, the one way every writer of this program
// does it.

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace platform {

// The call that writes one block (write(2) unless a test puts another in its place).
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);

// Writes all of data to fd, again after an interruption and after a short write. A write
// that takes no bytes is an error (ENOSPC), never a reason to try again: a file that takes
// nothing would otherwise hold the writer forever. False, with errno set, when a write
// fails; written, when given, receives the number of bytes written either way.
bool writeAll(int fd, std::string_view data, std::size_t* written = nullptr, WriteCall write = nullptr);

} // namespace platform
