// What a failed process start says: the platform tells what became of it, the shared
// routines word it for the message boxes, naming the program as the command line gives it.

#include "common/UiServices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <stdlib.h>

namespace {

using quorlin::UiServices;
namespace fs = std::filesystem;

TEST(ProcessStartText, EachFailureIsASentenceNamingTheProgram) {
    QString error;
    EXPECT_FALSE(UiServices::startProcess(QStringLiteral("/nonexistent/program x"), 1, &error));
    EXPECT_EQ(error.toStdString(), "The program \"/nonexistent/program\" was not found.");
    EXPECT_FALSE(UiServices::startProcess(QString(), 1, &error));
    EXPECT_EQ(error.toStdString(), "No program given in the command line \"\".");

    // A file nobody may run.
    std::string folder = (fs::temp_directory_path() / "kolv-start-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path script = fs::path(folder) / "script";
    std::ofstream(script) << "#!/bin/sh\n";
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(
        UiServices::startProcess(QString::fromStdString("\"" + script.string() + "\" a"), 1, &error));
    EXPECT_EQ(error.toStdString(),
              "The program \"" + script.string() + "\" cannot be started: Permission denied.");
    fs::remove_all(folder);
}

} // namespace
