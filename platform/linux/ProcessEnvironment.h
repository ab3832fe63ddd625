#pragma once
// The process's environment, and the one a started program gets. Linux only.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The value of an environment variable; empty when it is unset.
std::string environmentValue(const char* name);

// This process's environment ("NAME=value" each) without the variables named, which the
// caller sets itself.
std::vector<std::string> environmentWithout(std::initializer_list<std::string_view> names);

} // namespace platform
