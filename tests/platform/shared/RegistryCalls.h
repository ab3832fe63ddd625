#pragma once
// Registry calls made the way the program makes them, for tests of every back end.

#include "platform/Registry.h"

#include <optional>
#include <string>
#include <utility>

namespace registry_test {

// WriteRegStr's way: create the key, store the ANSI text with its terminator.
inline int32_t setString(platform::Registry& reg, platform::HKEY root, const std::string& key,
                         const std::string& name, const std::string& text, uint32_t type = platform::REG_SZ) {
    platform::HKEY h = 0;
    int32_t r = reg.RegCreateKeyA(root, key, &h);
    if (r != platform::ERROR_SUCCESS)
        return r;
    r = reg.RegSetValueExA(h, name, 0, type, reinterpret_cast<const uint8_t*>(text.c_str()),
                           static_cast<uint32_t>(text.size() + 1));
    reg.RegCloseKey(h);
    return r;
}

// The stored bytes and type of a value, or nothing when the query fails.
inline std::optional<std::pair<uint32_t, std::string>>
query(platform::Registry& reg, platform::HKEY root, const std::string& key, const std::string& name) {
    platform::HKEY h = 0;
    if (reg.RegOpenKeyA(root, key, &h) != platform::ERROR_SUCCESS)
        return std::nullopt;
    uint32_t size = 0;
    uint32_t type = 0;
    std::optional<std::pair<uint32_t, std::string>> out;
    if (reg.RegQueryValueExA(h, name, nullptr, nullptr, nullptr, &size) == platform::ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (reg.RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()), &size) ==
            platform::ERROR_SUCCESS)
            out = std::make_pair(type, data.substr(0, size));
    }
    reg.RegCloseKey(h);
    return out;
}

// The text of a string value without its terminator.
inline std::optional<std::string> text(platform::Registry& reg, platform::HKEY root, const std::string& key,
                                       const std::string& name) {
    auto v = query(reg, root, key, name);
    if (!v)
        return std::nullopt;
    std::string s = v->second;
    if (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

inline bool keyExists(platform::Registry& reg, platform::HKEY root, const std::string& key) {
    platform::HKEY h = 0;
    if (reg.RegOpenKeyA(root, key, &h) != platform::ERROR_SUCCESS)
        return false;
    reg.RegCloseKey(h);
    return true;
}

} // namespace registry_test
