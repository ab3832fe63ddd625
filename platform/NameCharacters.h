#pragma once
// The characters Windows refuses in a file name, the same for every back end.

#include <string_view>

namespace platform {

// True when the name contains a character Windows forbids in a file name
// (\ / : * ? " < > | or a control character below 32).
bool hasForbiddenNameCharacter(std::string_view name);

} // namespace platform
