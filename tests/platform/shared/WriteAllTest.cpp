// Pins how a whole buffer reaches a file descriptor when the system takes it in pieces,
// is interrupted, or takes nothing at all.
#include "platform/WriteAll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the scripted write call did, and what it answers next: a count of bytes to take
// (at most what it is offered), or -1 with the error number.
struct Script {
    Script() = default;
    explicit Script(std::vector<std::pair<ssize_t, int>> a) : answers(std::move(a)) {}
    std::vector<std::pair<ssize_t, int>> answers;
    size_t next = 0;
    std::string taken;
    int calls = 0;
};
Script* g_script = nullptr;

ssize_t scriptedWrite(int, const void* data, std::size_t size) {
    Script& s = *g_script;
    ++s.calls;
    if (s.next >= s.answers.size())
        return 0; // a script that runs out takes nothing, the way a full disk does
    const auto [count, error] = s.answers[s.next++];
    if (count < 0) {
        errno = error;
        return -1;
    }
    const size_t n = std::min<size_t>(static_cast<size_t>(count), size);
    s.taken.append(static_cast<const char*>(data), n);
    return static_cast<ssize_t>(n);
}

struct ScriptGuard {
    explicit ScriptGuard(Script& s) { g_script = &s; }
    ~ScriptGuard() { g_script = nullptr; }
};

} // namespace

TEST(WriteAll, ShortAndInterruptedWritesAreContinuedUntilAllIsWritten) {
    Script s({{3, 0}, {-1, EINTR}, {1, 0}, {100, 0}});
    ScriptGuard guard(s);
    size_t written = 0;
    EXPECT_TRUE(platform::writeAll(7, "hello, world", &written, scriptedWrite));
    EXPECT_EQ(s.taken, "hello, world");
    EXPECT_EQ(written, 12u);
    EXPECT_EQ(s.calls, 4);
}

TEST(WriteAll, AWriteThatTakesNothingFailsAsADiskFullInsteadOfLoopingForever) {
    Script s({{5, 0}});
    ScriptGuard guard(s);
    size_t written = 0;
    errno = 0;
    EXPECT_FALSE(platform::writeAll(7, "hello, world", &written, scriptedWrite));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(written, 5u) << "what reached the file is counted";
    EXPECT_EQ(s.calls, 2);
}

TEST(WriteAll, AFailedWriteReportsItsOwnErrorNumber) {
    Script s({{2, 0}, {-1, EIO}});
    ScriptGuard guard(s);
    size_t written = 0;
    EXPECT_FALSE(platform::writeAll(7, "hello", &written, scriptedWrite));
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(written, 2u);
}

TEST(WriteAll, NothingToWriteCallsNothing) {
    Script s;
    ScriptGuard guard(s);
    EXPECT_TRUE(platform::writeAll(7, "", nullptr, scriptedWrite));
    EXPECT_EQ(s.calls, 0);
}
