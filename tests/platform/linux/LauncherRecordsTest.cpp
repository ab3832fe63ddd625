// The launchers' records read as their formats are written (what a line scanner gets
// wrong: quoting, block scalars, flow maps, anchors, escapes), and hostile ones passed over
// whole, quickly, without a crash: nesting past any real file, aliases that multiply, text
// that is not of the format.
#include "platform/linux/LauncherRecords.h"
#include "platform/linux/Launchers.h"

#include <gtest/gtest.h>

using namespace platform;
using records::Node;

namespace {

std::string scalarAt(const std::optional<Node>& tree, std::initializer_list<const char*> path) {
    if (!tree)
        return "<no tree>";
    const Node* node = &*tree;
    for (const char* key : path)
        if (!(node = node->member(key)))
            return "<missing>";
    return node->kind == Node::Scalar ? node->text : "<not a scalar>";
}

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace

TEST(LauncherRecords, YamlIsReadAsYaml) {
    const auto game = records::parseYaml("# a comment\n"
                                         "name: \"Diablo \\\"II\\\"\"   # quoted, escaped\n"
                                         "game: {exe: 'C:\\x.exe', prefix: '~/Games/it''s'}\n"
                                         "wine: &runner\n"
                                         "  version: lutris-GE-Proton8-26-x86_64\n"
                                         "system:\n"
                                         "  env: *runner\n"
                                         "  notes: |\n"
                                         "    version: not this one\n"
                                         "    second line\n"
                                         "  folded: >\n"
                                         "    a\n"
                                         "    b\n"
                                         "  nothing: ~\n"
                                         "---\n"
                                         "name: the second document is not read\n");
    EXPECT_EQ(scalarAt(game, {"name"}), "Diablo \"II\"");
    EXPECT_EQ(scalarAt(game, {"game", "prefix"}), "~/Games/it's");
    EXPECT_EQ(scalarAt(game, {"wine", "version"}), "lutris-GE-Proton8-26-x86_64");
    EXPECT_EQ(scalarAt(game, {"system", "env", "version"}), "lutris-GE-Proton8-26-x86_64");
    EXPECT_EQ(scalarAt(game, {"system", "notes"}), "version: not this one\nsecond line\n");
    EXPECT_EQ(scalarAt(game, {"system", "folded"}), "a b\n");
    ASSERT_TRUE(game->member("system")->member("nothing"));
    EXPECT_EQ(game->member("system")->member("nothing")->kind, Node::Null);
    EXPECT_EQ(launchers::lutrisGame(*game, "/home/u").prefix, "/home/u/Games/it's");

    for (const char* garbage : {"a: [1, 2\n", "a: b\n c: d\n", "\t- tab\n", "{{{", "a: *nowhere\n"})
        EXPECT_FALSE(records::parseYaml(garbage)) << garbage;
    EXPECT_FALSE(records::parseYaml(""));
}

TEST(LauncherRecords, JsonIsReadAsJson) {
    const auto config = records::parseJson(
        R"({"Game": {"winePrefix": "/home/u/Games/C\u00e9leste \ud83d\ude00", "n": 2.50e0, "i": -3,
            "t": true, "z": null, "list": [1, "two"], "winePrefix": "second"}})");
    ASSERT_TRUE(config);
    EXPECT_EQ(scalarAt(config, {"Game", "winePrefix"}), "/home/u/Games/C\xc3\xa9leste \xf0\x9f\x98\x80")
        << "escapes become UTF-8; a repeated key: the first";
    EXPECT_EQ(scalarAt(config, {"Game", "n"}), "2.50e0") << "a number as written";
    EXPECT_EQ(scalarAt(config, {"Game", "i"}), "-3");
    EXPECT_EQ(scalarAt(config, {"Game", "t"}), "true");
    EXPECT_EQ(config->member("Game")->member("z")->kind, Node::Null);
    EXPECT_EQ(config->member("Game")->member("list")->items.size(), 2u);

    for (const char* garbage : {"{\"a\": 1", "{\"a\": 1} x", "{'a': 1}", "{\"a\": \"\\q\"}",
                                "{\"a\": \"\x01\"}", "\xff\xfe{}", "", "[1,]"})
        EXPECT_FALSE(records::parseJson(garbage)) << garbage;
}

TEST(LauncherRecords, KeyValuesKeepTheirOrderAndCaseInsensitiveKeys) {
    const auto vdf =
        records::parseKeyValues("\"InstallConfigStore\"\n{\n  // comment\n"
                                "  \"Software\" { \"valve\" { \"Steam\" { \"CompatToolMapping\" {\n"
                                "    \"0\" { \"name\" \"proton_experimental\" }\n"
                                "    \"220\" { \"name\" \"GE-Proton8-25\" \"config\" \"\" "
                                "\"priority\" \"250\" [$LINUX] }\n"
                                "  } } } }\n}\n");
    ASSERT_TRUE(vdf);
    EXPECT_EQ(launchers::compatToolMapping(*vdf, "220"), "GE-Proton8-25");
    EXPECT_EQ(launchers::compatToolMapping(*vdf, "440"), "proton_experimental") << "the default mapping";
    EXPECT_FALSE(records::parseKeyValues("\"a\" { \"b\" \"c\" "));
    EXPECT_FALSE(records::parseKeyValues("\"a\" \"unterminated"));
}

// Each at most a MiB, as the files are read: they end, and make no tree.
TEST(LauncherRecords, HostileRecordsEndQuicklyWithNothing) {
    // Nesting far past any record (and past yaml-cpp's own guard).
    EXPECT_FALSE(records::parseYaml(repeated("[", 100000)));
    EXPECT_FALSE(records::parseYaml(repeated("- ", 5000) + "x\n"));
    EXPECT_FALSE(records::parseJson(repeated("[", 100000) + repeated("]", 100000)));
    EXPECT_FALSE(records::parseKeyValues(repeated("\"k\" { ", 100000) + repeated("} ", 100000)));
    // Aliases of aliases: ten lines that would stand for ten billion nodes.
    std::string laughs =
        "a: &a [\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\"]\n";
    for (char c = 'b'; c <= 'k'; ++c) {
        const std::string previous(1, static_cast<char>(c - 1));
        laughs +=
            std::string(1, c) + ": &" + c + " [" + repeated("*" + previous + ",", 9) + "*" + previous + "]\n";
    }
    EXPECT_FALSE(records::parseYaml(laughs));
    // A few aliases are fine.
    EXPECT_TRUE(records::parseYaml("a: &a [1, 2]\nb: [*a, *a]\n"));
}
