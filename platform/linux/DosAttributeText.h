#pragma once
// The Linux back end's store of the hidden and system attributes: the user.DOSATTRIB
// extended attribute in the text form Samba and Wine write ("0x" and hex digits).

#include "platform/FileAttributes.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// The attributes the text stores; the others come from the file system itself.
inline constexpr uint32_t kDosAttributeTextBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The hidden and system bits of a user.DOSATTRIB text ("0x" and 1 to 8 hex digits, no
// NUL); nullopt for every other form, which then counts as no attribute at all.
std::optional<uint32_t> parseDosAttributeText(std::string_view text);

} // namespace platform
