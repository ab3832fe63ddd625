#pragma once
// An interrupt (Ctrl+C) or a termination signal noted while a command runs, as the command
// line's Cancel: the command stops where it can stop cleanly. Only the first one: a second
// ends the program at once, as it always would. One watch at a time.

#include <csignal>
#include <iterator>

namespace CommandLine {

class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool interrupted() const;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)]{};
};

} // namespace CommandLine
