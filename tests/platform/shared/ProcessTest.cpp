// Pins Windows command-line splitting and the start of programs that cannot start.
#include "platform/Process.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

using Args = std::vector<std::string>;

} // namespace

TEST(SplitCommandLine, TheProgramTokenEndsAtItsQuoteOrBlankAndKeepsItsBackslashes) {
    EXPECT_EQ(splitCommandLine("\"C:\\Program Files\\Web Browser\\browser.exe\" http://example.org/a b"),
              (Args{"C:\\Program Files\\Web Browser\\browser.exe", "http://example.org/a", "b"}));
    // No escapes in the program token: its backslashes are a path's.
    EXPECT_EQ(splitCommandLine("C:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL x"),
              (Args{"C:\\windows\\system32\\rundll32.exe", "shell32.dll,Control_RunDLL", "x"}));
    EXPECT_EQ(splitCommandLine("\"C:\\dir\\\"rest"), (Args{"C:\\dir\\", "rest"}));
    // Blanks before the program make an empty program token, as on Windows (which then
    // finds no program); an empty line has no tokens at all.
    EXPECT_EQ(splitCommandLine("  prog\targ  "), (Args{"", "prog", "arg"}));
    EXPECT_EQ(splitCommandLine("   "), Args{""});
    EXPECT_EQ(splitCommandLine(""), Args{});
}

TEST(SplitCommandLine, ArgumentsFollowTheQuoteAndBackslashRulesOfWindows) {
    EXPECT_EQ(splitCommandLine("p \"a b\" c"), (Args{"p", "a b", "c"}));
    EXPECT_EQ(splitCommandLine("p a\\\"b"), (Args{"p", "a\"b"}));                  // \"   -> "
    EXPECT_EQ(splitCommandLine("p a\\\\\\\"b"), (Args{"p", "a\\\"b"}));            // \\\" -> \"
    EXPECT_EQ(splitCommandLine("p a\\\\\"b c\""), (Args{"p", "a\\b c"}));          // \\"  -> \ and quoting
    EXPECT_EQ(splitCommandLine("p a\\\\b \\c\\"), (Args{"p", "a\\\\b", "\\c\\"})); // no quote: literal
    EXPECT_EQ(splitCommandLine("p \"\" x"), (Args{"p", "", "x"}));                 // "" is an empty argument
    EXPECT_EQ(splitCommandLine("p \"a\"\"b c\""), (Args{"p", "a\"b", "c"}));       // "" in quotes ends them
    EXPECT_EQ(splitCommandLine("p \"\"\"a\"\"\" x"), (Args{"p", "\"a\"", "x"}));
    EXPECT_EQ(splitCommandLine("p /file:\"C:\\Themes\\My Style\\My Style.msstyles\""),
              (Args{"p", "/file:C:\\Themes\\My Style\\My Style.msstyles"}));
    EXPECT_EQ(splitCommandLine("p \"unterminated arg"), (Args{"p", "unterminated arg"}));
}

TEST(StartProcess, MissingProgramFailsToStart) {
    shared_test::ScratchFolder scratch; // a Windows root where the back end needs one
    for (const char* line : {"C:\\windows\\missing-kolv.exe", "C:\\missing-kolv\\program.exe x", "", "   "}) {
        const Problem r = startProcess(line, 2);
        EXPECT_NE(r.cause, Problem::None) << line;
    }
    const Problem missing = startProcess("\"C:\\missing-kolv\\my program.exe\" x", 1);
    EXPECT_EQ(missing.cause, Problem::ProgramNotFound);
    EXPECT_EQ(missing.subject, "C:\\missing-kolv\\my program.exe");
    const Problem empty = startProcess("", 1);
    EXPECT_EQ(empty.cause, Problem::NoProgram);
    EXPECT_EQ(empty.subject, "");
}
