#pragma once
// What the Linux back end's paths give its other services beyond platform/Paths.h: a
// Windows folder opened through the same reused folder handles and drive lookups.

#include <string>
#include <string_view>

namespace platform {

// Opens a Windows folder for reading its entries (read-only, close-on-exec) and stores its
// host path in hostPath; -1 when it does not exist or cannot be opened.
int openFolder(std::string_view windowsFolder, std::string& hostPath);

} // namespace platform
