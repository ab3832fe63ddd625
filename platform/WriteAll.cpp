#include "platform/WriteAll.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

bool writeAll(int fd, std::string_view data, std::size_t* written, WriteCall write) {
    std::size_t done = 0;
    int error = 0;
    while (done < data.size()) {
        const ssize_t n = write ? write(fd, data.data() + done, data.size() - done)
                                : ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (written)
        *written = done;
    if (error)
        errno = error;
    return error == 0;
}

} // namespace platform
