#include "platform/WindowsDirectoryText.h"

#include "platform/WindowsRoot.h"

namespace platform {

std::string windowsDirectoryText() {
    // The callers' way: a buffer of 500 blanks, trimmed, and the terminating null dropped.
    std::string buffer(500, ' ');
    GetWindowsDirectoryA(buffer.data(), static_cast<uint32_t>(buffer.size()));
    const size_t first = buffer.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const size_t last = buffer.find_last_not_of(' ');
    std::string text = buffer.substr(first, last - first + 1);
    text.pop_back();
    return text;
}

} // namespace platform
