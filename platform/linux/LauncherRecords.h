#pragma once
// The files Wine's front ends (Steam, Lutris, Bottles, Heroic) keep their settings in, read
// whole into one tree whatever their format, or not at all: Valve's KeyValues text (Steam's
// .vdf and .acf files) with our own reader, YAML (Lutris' games, Bottles' bottle.yml) with
// yaml-cpp, JSON (Heroic's) with nlohmann-json. These files decide which program the
// program starts in a user's prefix, so each is read as its format is written (quoting,
// block scalars, flow maps, anchors, escapes) and anything that is not what it claims is
// passed over whole. Nothing here throws and no input can make it run long: a file is at
// most 1 MiB of text, a tree at most 64 levels deep and 100,000 nodes (YAML aliases
// included, so that a file of nested aliases stays small), and the parsers' own exceptions
// end at this boundary. Linux only.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::records {

// A value of a record: nothing, a scalar (a string, a number or true/false as written), a
// list, or a map whose keys are kept in their order (a key may repeat: KeyValues text
// allows it).
struct Node {
    enum Kind { Null, Scalar, List, Map } kind = Null;
    std::string text;              // a scalar's text (UTF-8 as the file has it)
    std::vector<std::string> keys; // a map's keys, one for each of items
    std::vector<Node> items;       // a list's items, or a map's values

    // The first value of that key; nullptr when there is none or this is no map. YAML and
    // JSON keys are matched exactly, KeyValues keys ignoring ASCII case, as Steam does.
    const Node* member(std::string_view key) const;
    const Node* memberIgnoringCase(std::string_view key) const;
    // The text of a scalar member; empty when it is missing or no scalar.
    std::string scalarOf(std::string_view key) const;
};

// The text of a plain file of at most 1 MiB holding no NUL byte; nothing for anything else
// (missing, unreadable, a folder, a pipe or device, which is never waited on).
std::optional<std::string> readRecordFile(const std::filesystem::path& file);

// The tree the text holds; nothing when it is not of that format or exceeds the limits.
// KeyValues text: its top-level entries as a map (a platform condition such as
// "[$WIN32]" after a value is dropped; // comments are skipped). YAML: the first document.
std::optional<Node> parseKeyValues(std::string_view text);
std::optional<Node> parseYaml(std::string_view text);
std::optional<Node> parseJson(std::string_view text);

// The same for a file, read by readRecordFile.
std::optional<Node> readKeyValues(const std::filesystem::path& file);
std::optional<Node> readYaml(const std::filesystem::path& file);
std::optional<Node> readJson(const std::filesystem::path& file);

} // namespace platform::records
