#include "platform/WindowsRoot.h"

#include <windows.h>

namespace platform {

std::filesystem::path windowsRoot() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH);
    if (length < 3 || length >= MAX_PATH)
        return std::filesystem::path(L"C:\\");
    return std::filesystem::path(std::wstring(folder, 3)); // "C:\"
}

// Windows has one root, the system's own: there is nothing to choose.
RootSource windowsRootSource() {
    return RootSource::System;
}

void setChosenRoot(const std::filesystem::path&) {}

void setRememberedRoot(const std::filesystem::path&) {}

uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) {
    return ::GetWindowsDirectoryA(buffer, size);
}

} // namespace platform
