// The words for what went wrong beneath the program: the apply messages, the registry's
// messages and its diagnostic lines say it in these.

#include "common/ProblemText.h"
#include "platform/Problem.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using platform::Problem;
using quorlin::problemText;

TEST(ProblemText, WhyThePrefixsWineIsNotStarted) {
    EXPECT_EQ(problemText(Problem{Problem::UpdateUnknown, "/opt/wine/bin/wine"}.resting(
                  {Problem::CannotRead, "/p/.update-timestamp", {}, EIO})),
              "whether /opt/wine/bin/wine would update the prefix cannot be told: cannot read "
              "/p/.update-timestamp: Input/output error");
    EXPECT_EQ(problemText({Problem::ServerProgramUnknown, "4242", {}, EACCES}),
              "the program of the running wineserver (process 4242) cannot be read: Permission denied");
}

// A message that names the hive file says what went wrong without naming it again; a
// diagnostic line names every file.
TEST(ProblemText, AFileTheSentenceNamesIsNotNamedAgain) {
    const std::string hive = "/p/user.reg";
    EXPECT_EQ(problemText({Problem::CannotOpen, hive, {}, EACCES}, hive), "cannot open: Permission denied");
    EXPECT_EQ(problemText({Problem::CannotOpen, hive, {}, EACCES}),
              "cannot open /p/user.reg: Permission denied");
    EXPECT_EQ(problemText({Problem::CannotWrite, "/p/user.reg.tmpAB12", {}, ENOSPC}, hive),
              "cannot write /p/user.reg.tmpAB12: No space left on device");
    EXPECT_EQ(problemText({Problem::NotRegularFile, hive}, hive), "not a regular file");
    EXPECT_EQ(problemText({Problem::NotRegularFile, hive}), "not a regular file: /p/user.reg");
    EXPECT_EQ(problemText({Problem::ChangedWhileSaved, hive}, hive),
              "it was changed by another program while it was being saved");
    EXPECT_EQ(problemText({Problem::BadHexData, hive, {}, 7}, hive), "line 7: bad hex data");
    EXPECT_EQ(problemText({Problem::BadHexData, hive, {}, 7}), "/p/user.reg:7: bad hex data");
    EXPECT_EQ(problemText({Problem::TooLarge}), "the file is too large");
}

TEST(ProblemText, WhatRestsOnAnotherProblemSaysBoth) {
    Problem exported{Problem::ExitCode, "wine reg export", "reg: the fake tool cannot export", 3};
    EXPECT_EQ(
        problemText(Problem{Problem::RunningUnreadable}.resting(exported)),
        "what the running Wine holds could not be read: wine reg export ended with exit code 3 (reg: the "
        "fake tool cannot export)");
    EXPECT_EQ(
        problemText(Problem{Problem::NotRegistryExport, "wine reg export"}.resting({Problem::NotUtf16})),
        "wine reg export wrote what is not a registry file: not UTF-16 text");
    EXPECT_EQ(problemText({Problem::NotRegistryExport, "wine reg export"}),
              "wine reg export wrote what is not a registry file");
    EXPECT_EQ(problemText(Problem{Problem::HiveNotUsed, "/p/user.reg"}.resting(
                  {Problem::BadHexData, "/p/user.reg", {}, 7})),
              "/p/user.reg:7: bad hex data; its settings are not used and the file is left as it is");
}

} // namespace
