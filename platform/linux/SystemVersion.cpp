#include "platform/SystemVersion.h"

#include "platform/Registry.h"

#include <sys/utsname.h>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {
namespace {

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";

std::optional<std::string> readText(Registry& registry, HKEY key, std::string_view name) {
    uint8_t data[256];
    uint32_t size = sizeof data;
    uint32_t type = 0;
    if (registry.RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return std::nullopt;
    std::string text(reinterpret_cast<const char*>(data), size);
    if (const size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

// A leading decimal number of text; the rest after it is returned in rest.
std::optional<long> leadingNumber(std::string_view text, std::string_view* rest = nullptr) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    if (rest)
        *rest = text.substr(static_cast<size_t>(end - text.data()));
    return value;
}

std::string hostSystemText() {
    utsname host{};
    if (::uname(&host) != 0)
        return "Unknown";
    return std::string(host.sysname) + " " + host.release + " " + host.machine;
}

} // namespace

SystemVersion systemVersion() {
    SystemVersion result;
    result.hostSystem = hostSystemText();

    Registry& registry = Registry::current();
    HKEY key = 0;
    if (registry.RegOpenKeyA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, &key) != ERROR_SUCCESS)
        return result;
    const auto version = readText(registry, key, "CurrentVersion");
    const auto build = readText(registry, key, "CurrentBuildNumber");
    registry.RegCloseKey(key);

    // "5.1": major 5, minor 1, given as 5.01 the way the version number is reported.
    std::string_view rest;
    const auto major = version ? leadingNumber(*version, &rest) : std::nullopt;
    if (!major || *major < 0 || *major > 99)
        return result;
    long minor = 0;
    if (!rest.empty() && rest.front() == '.') {
        const auto parsed = leadingNumber(rest.substr(1));
        if (!parsed || *parsed < 0 || *parsed > 99)
            return result;
        minor = *parsed;
    }
    result.platformId = 2;
    result.version =
        static_cast<float>((static_cast<double>(*major) * 100 + static_cast<double>(minor)) / 100);
    if (const auto number = build ? leadingNumber(*build) : std::nullopt; number && *number >= 0)
        result.build = static_cast<int16_t>(*number > INT16_MAX ? INT16_MAX : *number);
    return result;
}

} // namespace platform
