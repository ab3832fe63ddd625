// Pins how stored entry names become names on disk, and which names are refused.
#include "archive/EntryNames.h"

#include <gtest/gtest.h>

using namespace EntryNames;

TEST(EntryNames, NamesThatAreNotUtf8AreDecodedFromTheFallbackCodePage) {
    EXPECT_EQ(cp437ToUtf8("x\x82\x9C\xE1\xB0"), "x\xC3\xA9\xC2\xA3\xC3\x9F\xE2\x96\x91"); // é £ ß ░
    EXPECT_EQ(decodeName("Blue/x\x82.txt", Fallback::Cp437), "Blue/x\xC3\xA9.txt");
    EXPECT_EQ(decodeName("Blue/x\xE9.txt", Fallback::Windows1252), "Blue/x\xC3\xA9.txt");
    EXPECT_EQ(decodeName("Blue/x\xC3\xA9.txt", Fallback::Cp437), "Blue/x\xC3\xA9.txt"); // already UTF-8
}

TEST(EntryNames, StoredFoldersBecomeComponents) {
    using V = std::vector<std::string>;
    EXPECT_EQ(safeComponents("Blue/Shell/shellstyle.dll"), (V{"Blue", "Shell", "shellstyle.dll"}));
    EXPECT_EQ(safeComponents("Blue\\Shell\\x.ini"), (V{"Blue", "Shell", "x.ini"}));
    EXPECT_EQ(safeComponents("./Blue//a.txt"), (V{"Blue", "a.txt"}));
    EXPECT_EQ(safeComponents("Blue/"), (V{"Blue"}));
    EXPECT_EQ(safeComponents("./"), V{});
    EXPECT_EQ(safeComponents("Blue/..x/a..b"), (V{"Blue", "..x", "a..b"})); // dots inside names are fine
}

TEST(EntryNames, EscapingAndForbiddenNamesAreRefusedWithAReason) {
    const char* hostile[] = {"../evil.txt",   "Blue/../../evil.txt",
                             "..\\evil.txt",  "Blue\\..\\..\\evil.txt",
                             "/etc/evil",     "\\evil.txt",
                             "C:\\evil.txt",  "c:evil.txt",
                             "Blue/a?b.txt",  "Blue/a:b",
                             "Blue/a*b",      "Blue/\"q\"",
                             "Blue/<x>",      "Blue/a|b",
                             "Blue/tab\tname"};
    for (const char* name : hostile) {
        std::string reason;
        EXPECT_FALSE(safeComponents(name, &reason)) << name;
        EXPECT_FALSE(reason.empty()) << name;
    }
}

TEST(EntryNames, FoldingMatchesWhatWindowsTreatsAsOneName) {
    EXPECT_EQ(foldedName("Shell"), foldedName("sHELL"));
    EXPECT_EQ(foldedName("CAF\xC3\x89"), foldedName("caf\xC3\xA9"));
    EXPECT_NE(foldedName("Shell"), foldedName("Shell2"));
}
