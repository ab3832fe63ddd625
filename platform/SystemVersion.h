#pragma once
// The operating system's version as the Windows side records it.

#include <cstdint>
#include <string>

namespace platform {

struct SystemVersion {
    // 2 for the NT family when the prefix records a version; otherwise -1, which names
    // no Windows platform.
    int platformId = -1;
    float version = 0.0f;   // major + minor / 100 (5.01 for Windows XP)
    int16_t build = 0;      // CurrentBuildNumber
    std::string hostSystem; // the host system in words, e.g. "Linux 6.1.0 x86_64"
};

// The Win32 back end asks GetVersionExA. The Linux back end reads what the current Windows
// root records in HKLM\Software\Microsoft\Windows NT\CurrentVersion (CurrentVersion
// "5.1", CurrentBuildNumber "2600").
SystemVersion systemVersion();

} // namespace platform
