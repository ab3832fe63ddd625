#include "platform/linux/FolderEntries.h"

#include "platform/Codepage.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr size_t kBlock = 32 * 1024;

} // namespace

const dirent64* FolderEntries::next() {
    if (!m_fd)
        return nullptr;
    if (m_offset >= m_filled) {
        if (!m_block)
            m_block.reset(new char[kBlock]); // left uninitialised: the kernel fills it
        const ssize_t got = ::getdents64(m_fd.get(), m_block.get(), kBlock);
        if (got <= 0)
            return nullptr;
        m_filled = static_cast<size_t>(got);
        m_offset = 0;
    }
    const auto* entry = reinterpret_cast<const dirent64*>(m_block.get() + m_offset);
    m_offset += entry->d_reclen;
    return entry;
}

void FolderEntries::close() {
    m_fd.reset();
    m_block.reset();
    m_offset = m_filled = 0;
}

std::optional<std::string> spellingInFolder(int dirFd, const char* relative, std::string_view name) {
    FolderEntries entries(::openat(dirFd, relative, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (const dirent64* entry = entries.next())
        if (equalsIgnoreCase(entry->d_name, name))
            return std::string(entry->d_name);
    return std::nullopt;
}

} // namespace platform
