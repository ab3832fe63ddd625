#pragma once
// The entries of an open folder, read in blocks straight from the kernel: nothing else is
// asked of the folder (no stat), which matters for the many small listings of a checkup.

#include "platform/UniqueFd.h"

#include <dirent.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class FolderEntries {
public:
    // Takes over fd (a folder opened for reading); -1 gives no entries.
    explicit FolderEntries(int fd) : m_fd(fd) {}
    FolderEntries(const FolderEntries&) = delete;
    FolderEntries& operator=(const FolderEntries&) = delete;

    int fd() const { return m_fd.get(); }
    bool isOpen() const { return static_cast<bool>(m_fd); }

    // The next entry, "." and ".." included; nullptr at the end or when reading fails.
    const dirent64* next();

    // Gives the descriptor back to the system and the buffer to the heap.
    void close();

    // Closes what is open and takes over fd instead.
    void reset(int fd) {
        close();
        m_fd.reset(fd);
    }

private:
    UniqueFd m_fd;
    std::unique_ptr<char[]> m_block;
    size_t m_offset = 0;
    size_t m_filled = 0;
};

// The name of the entry of the folder at dirFd/relative that equals name ignoring case (the
// first one in the folder's order), or nullopt when there is none or the folder cannot be
// read.
std::optional<std::string> spellingInFolder(int dirFd, const char* relative, std::string_view name);

} // namespace platform
