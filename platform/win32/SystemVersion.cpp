#include "platform/SystemVersion.h"

#include <cstdint>
#include <string>

#include <windows.h>

namespace platform {

SystemVersion systemVersion() {
    SystemVersion result;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) {
        result.hostSystem = "Windows";
        return result;
    }
    result.platformId = static_cast<int>(info.dwPlatformId);
    result.version = static_cast<float>((info.dwMajorVersion * 100.0 + info.dwMinorVersion) / 100);
    result.build = static_cast<int16_t>(info.dwBuildNumber > INT16_MAX ? INT16_MAX : info.dwBuildNumber);
    result.hostSystem = "Windows " + std::to_string(info.dwMajorVersion) + "." +
                        std::to_string(info.dwMinorVersion) + " build " + std::to_string(info.dwBuildNumber);
    return result;
}

} // namespace platform
