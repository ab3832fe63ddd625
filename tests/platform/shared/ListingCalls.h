#pragma once
// Directory listings read the way the tests compare them.

#include "platform/DirectoryListing.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace listing_test {

// Every name a listing reports, in its order.
inline std::vector<std::string> list(std::string_view pattern, uint32_t mask) {
    std::vector<std::string> names;
    platform::DirectoryListing listing(pattern, mask);
    while (auto name = listing.next())
        names.push_back(*name);
    return names;
}

inline std::set<std::string> asSet(const std::vector<std::string>& names) {
    return {names.begin(), names.end()};
}

} // namespace listing_test
