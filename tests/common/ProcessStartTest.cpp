// What a failed process start says: the platform tells what became of it, the shared
// routines word it for the message boxes.

#include "common/UiServices.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using quorlin::UiServices;
using Status = platform::StartResult::Status;

TEST(ProcessStartText, RealFailuresAreWordedWithTheProgramAsGiven) {
    QString error;
    EXPECT_FALSE(UiServices::startProcess(QStringLiteral("/nonexistent/program x"), 1, &error));
    EXPECT_EQ(error.toStdString(), "The program \"/nonexistent/program\" was not found.");
    EXPECT_FALSE(UiServices::startProcess(QString(), 1, &error));
    EXPECT_EQ(error.toStdString(), "No program given in the command line \"\".");
}

TEST(ProcessStartText, EveryFailureHasItsSentence) {
    EXPECT_EQ(UiServices::startFailureText({Status::CannotStart, "C:\\broken", ENOENT}).toStdString(),
              "The program \"C:\\broken\" cannot be started: No such file or directory.");
    EXPECT_EQ(UiServices::startFailureText({Status::WineMissing, "C:\\windows\\notepad.exe"}).toStdString(),
              "The Windows program \"C:\\windows\\notepad.exe\" cannot run because wine is not installed "
              "(not found on PATH).");
    EXPECT_EQ(UiServices::startFailureText({Status::NotFound, "my program.exe"}).toStdString(),
              "The program \"my program.exe\" was not found.");
    EXPECT_TRUE(UiServices::startFailureText({}).isEmpty());
}

} // namespace
