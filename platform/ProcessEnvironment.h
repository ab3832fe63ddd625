#pragma once
// The environment a started program gets. Linux only.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// This process's environment ("NAME=value" each) without the variables named, which the
// caller sets itself.
std::vector<std::string> environmentWithout(std::initializer_list<std::string_view> names);

} // namespace platform
