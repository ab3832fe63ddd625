#pragma once
// JSON text as the front ends of Wine write their settings (Heroic's GamesConfig files):
// read whole into a tree, or not at all. Linux only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::json {

struct Value {
    enum Kind { Null, Boolean, Number, String, Array, Object } kind = Null;
    std::string text;               // a string's text (UTF-8), a number as written
    std::vector<Value> items;       // an array's items, or an object's member values
    std::vector<std::string> names; // an object's member names, one for each of items

    // The member of that name; nullptr when there is none or this is no object.
    const Value* member(std::string_view name) const;
};

// The value the text holds; nothing when it is not JSON or nests deeper than maxDepth.
std::optional<Value> parse(std::string_view text, int maxDepth = 64);

} // namespace platform::json
