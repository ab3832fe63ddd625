// The launchers' records: a front end's file may be hand-edited, cut short or written by
// anyone, and it decides which program is started in a user's prefix. Whatever the input,
// read as KeyValues text, YAML and JSON: reading ends and throws nothing; a tree given keeps
// within its limits (64 levels of containers, a key for each value of a map); a YAML or JSON tree is given
// only for a text yaml-cpp or nlohmann-json would take as a whole themselves (JSON: exactly
// when they take it, unless the tree was over the limits); and what each launcher's record
// is read for, taken from any tree or text, is a path that is absolute, a folder name that
// cannot leave its folder, or nothing.
#include "FuzzCheck.h"
#include "platform/linux/LauncherRecords.h"
#include "platform/linux/Launchers.h"
#include "platform/linux/wine/PrefixWine.h"

#include <nlohmann/json.hpp>
#include <yaml-cpp/yaml.h>

#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using platform::records::Node;
namespace launchers = platform::launchers;

namespace {

const fs::path kHome = "/home/u";

// Depth and shape of a tree, without recursion of its own.
size_t depthOf(const Node& root) {
    size_t deepest = 0;
    std::vector<std::pair<const Node*, size_t>> pending{{&root, 1}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        FUZZ_EXPECT(node->kind != Node::Map || node->keys.size() == node->items.size());
        FUZZ_EXPECT(node->kind == Node::Map || node->keys.empty());
        FUZZ_EXPECT(node->kind == Node::Map || node->kind == Node::List || node->items.empty());
        for (const Node& item : node->items)
            pending.emplace_back(&item, depth + 1);
    }
    return deepest;
}

void expectPath(const fs::path& path) {
    FUZZ_EXPECT(path.empty() || path.is_absolute());
    FUZZ_EXPECT(path.native().find('\0') == std::string::npos);
}

// What every launcher reads of a tree.
void readFields(const Node& tree) {
    const launchers::LutrisGame game = launchers::lutrisGame(tree, kHome);
    expectPath(game.prefix);
    expectPath(game.customWine);
    launchers::lutrisDefaultWine(tree);
    launchers::bottle(tree);
    for (const launchers::HeroicGame& heroic : launchers::heroicGames(tree, kHome)) {
        FUZZ_EXPECT(!heroic.winePrefix.empty());
        expectPath(heroic.winePrefix);
        if (heroic.wine)
            expectPath(heroic.wine->bin);
    }
    if (const auto wine = launchers::heroicDefaultWine(tree, kHome))
        expectPath(wine->bin);
    const std::string mapped = launchers::compatToolMapping(tree, "220");
    platform::wine::valveProtonFolder(mapped);
    for (const launchers::CompatTool& tool : launchers::compatTools(tree, "/steam/compatibilitytools.d/x"))
        FUZZ_EXPECT(!tool.name.empty() && tool.folder.is_absolute());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto vdf = platform::records::parseKeyValues(text)) {
        FUZZ_EXPECT(vdf->kind == Node::Map);
        FUZZ_EXPECT(depthOf(*vdf) <= 65);
        readFields(*vdf);
    }

    const auto yaml = platform::records::parseYaml(text);
    if (yaml) {
        FUZZ_EXPECT(depthOf(*yaml) <= 65);
        readFields(*yaml);
        bool loads = true;
        try {
            YAML::Load(std::string(text));
        } catch (...) {
            loads = false;
        }
        FUZZ_EXPECT(loads);
    }

    const auto json = platform::records::parseJson(text);
    const bool takes = nlohmann::json::accept(text);
    if (json) {
        FUZZ_EXPECT(takes);
        FUZZ_EXPECT(depthOf(*json) <= 65);
        readFields(*json);
    } else if (takes) {
        // Over the limits only: more than 64 levels somewhere, or too many nodes.
        const auto parsed = nlohmann::json::parse(text, nullptr, false);
        size_t deepest = 0, depth = 0;
        bool inString = false, escaped = false;
        for (const char c : text) {
            if (inString) {
                if (escaped)
                    escaped = false;
                else if (c == '\\')
                    escaped = true;
                else if (c == '"')
                    inString = false;
                continue;
            }
            if (c == '"')
                inString = true;
            else if (c == '[' || c == '{')
                deepest = std::max(deepest, ++depth);
            else if (c == ']' || c == '}')
                --depth;
        }
        // (A text of fewer than 200,000 bytes holds fewer nodes than the limit.)
        FUZZ_EXPECT(!parsed.is_discarded() && (deepest > 64 || text.size() >= 200000));
    }

    // The plain-text records.
    if (const auto proton = launchers::protonOfConfigInfo(text))
        FUZZ_EXPECT(proton->is_absolute() && proton->native().find('\0') == std::string::npos);
    const std::string version = launchers::protonVersionName(text);
    // One word, or "Proton " and one word.
    FUZZ_EXPECT(version.find_first_of("\t\r\n") == std::string::npos);
    FUZZ_EXPECT(version.find(' ') == std::string::npos ||
                (version.starts_with("Proton ") && version.find(' ', 7) == std::string::npos));
    const launchers::PlayOnLinuxWine pol = launchers::playOnLinuxWine(text);
    FUZZ_EXPECT(!pol.arch.empty());
    if (launchers::isFolderName(pol.version))
        FUZZ_EXPECT((fs::path("/w") / pol.version).lexically_normal().parent_path() == "/w");
    expectPath(launchers::recordPath(std::string(text), kHome));
    return 0;
}
