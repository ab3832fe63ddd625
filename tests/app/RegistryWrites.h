#pragma once
// Registry values the window tests set up before a window reads them, written through the
// platform's own calls.

#include "platform/Registry.h"

#include <QtTest>

#include <cstdint>
#include <string>

inline bool keyExists(platform::HKEY root, const std::string& key) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    if (reg.RegOpenKeyA(root, key, &handle) != platform::ERROR_SUCCESS)
        return false;
    reg.RegCloseKey(handle);
    return true;
}

inline void writeString(platform::HKEY root, const std::string& key, const std::string& name,
                        const std::string& text, uint32_t type = platform::REG_SZ) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    QVERIFY(reg.RegCreateKeyA(root, key, &handle) == platform::ERROR_SUCCESS);
    QVERIFY(reg.RegSetValueExA(handle, name, 0, type, reinterpret_cast<const uint8_t*>(text.c_str()),
                               uint32_t(text.size() + 1)) == platform::ERROR_SUCCESS);
    reg.RegCloseKey(handle);
}
