// Pins the GetWindowsDirectoryA buffer behaviour the themes-directory lookup is built on.
#include "TestSystem.h"
#include "platform/Paths.h"
#include "platform/WindowsDirectoryText.h"
#include "platform/WindowsRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace platform;

TEST(WindowsDirectory, GetWindowsDirectoryAFillsABufferLargeEnoughAndLeavesASmallOneUntouched) {
    shared_test::ScratchFolder scratch; // a Windows root where the back end needs one
    const uint32_t needed = GetWindowsDirectoryA(nullptr, 0);
    ASSERT_GT(needed, 3u) << "the size needed, null included";
    const uint32_t length = needed - 1;

    char buffer[500];
    std::fill(std::begin(buffer), std::end(buffer), ' ');
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 500), length);
    const std::string expected(buffer, length);
    EXPECT_EQ(buffer[length], '\0') << "terminated by a null";
    EXPECT_EQ(buffer[length + 1], ' ') << "nothing written after the null";
    EXPECT_EQ(expected.substr(1, 2), ":\\") << expected;
    EXPECT_NE(expected.back(), '\\') << "no trailing backslash";
    EXPECT_TRUE(isEnterableDirectory(expected)) << expected;

    std::string exact(needed, 'x');
    EXPECT_EQ(GetWindowsDirectoryA(exact.data(), needed), length);
    EXPECT_EQ(exact, expected + '\0');

    std::string small(length, 'x');
    EXPECT_EQ(GetWindowsDirectoryA(small.data(), length), needed);
    EXPECT_EQ(small, std::string(length, 'x')) << "buffer untouched";

    EXPECT_EQ(windowsDirectoryText(), expected);
}
