#include "platform/RootDiscovery.h"
#include "platform/WindowsRoot.h"

#include <system_error>

namespace platform {

// Windows runs on one root, its own: that is all there is to find.
std::vector<FoundRoot> findWindowsRoots() {
    return {{windowsRoot(), "Windows"}};
}

bool isWindowsRootFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::equivalent(folder, windowsRoot(), ec);
}

} // namespace platform
