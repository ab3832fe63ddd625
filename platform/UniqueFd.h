#pragma once
// A file descriptor that is closed when its holder goes, so that no early return leaks one.
// Where the result of close matters (a file just written, whose last data may fail to reach
// the disk only then), close() gives it.

#include <unistd.h>

#include <utility>

namespace platform {

class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }

    // Gives the descriptor up without closing it.
    int release() noexcept { return std::exchange(m_fd, -1); }
    // Closes the one held, if any, and holds fd instead.
    void reset(int fd = -1) noexcept {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes it now: false, with errno set, when the system reports an error.
    bool close() noexcept {
        const int fd = release();
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};

} // namespace platform
