#include "platform/linux/ProcessEnvironment.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

extern char** environ;

namespace platform {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::vector<std::string> environmentWithout(std::initializer_list<std::string_view> names) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        const bool replaced = std::any_of(names.begin(), names.end(), [&](std::string_view name) {
            return entry.size() > name.size() && entry.substr(0, name.size()) == name &&
                   entry[name.size()] == '=';
        });
        if (!replaced)
            env.emplace_back(entry);
    }
    return env;
}

} // namespace platform
