#include "platform/linux/ReadAll.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

bool readAll(int fd, std::size_t limit, std::string& out) {
    const std::size_t start = out.size();
    char block[8192];
    while (out.size() - start <= limit) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        out.append(block, static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace platform
