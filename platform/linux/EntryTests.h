#pragma once
// Whether a path names something, asked the two ways the Linux back end needs: through
// symbolic links (what opening the path would reach) or of the entry itself (a link is
// there even when it leads nowhere).

#include <filesystem>

namespace platform {

// A folder, or a link that leads to one.
bool isFolderFollowingLinks(const std::filesystem::path& path);
// Anything a program opening the path would reach; a link that leads nowhere is nothing.
bool existsFollowingLinks(const std::filesystem::path& path);
// The entry itself: a link counts, wherever it leads.
bool existsWithoutFollowingLinks(const std::filesystem::path& path);

} // namespace platform
