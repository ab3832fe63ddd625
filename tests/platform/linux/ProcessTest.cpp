// Pins Windows command-line splitting and the start of programs without waiting:
// detected failures, DOS path arguments for native programs, no zombies.
#include "platform/Process.h"
#include "TestRoot.h"
#include "platform/linux/wine/FakeWine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

using namespace platform;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

// Waits (up to ten seconds) for a started program to leave its file; the start never waits.
std::string awaitFile(const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        // The scripts end their output with a line "end".
        if (text.str().find("end\n") != std::string::npos)
            return text.str();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "<no output>";
}

// Saves PATH and restores it at the end of a test.
class PathGuard {
public:
    PathGuard() : m_old(std::getenv("PATH") ? std::getenv("PATH") : "") {}
    ~PathGuard() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

} // namespace

class ProcessTest : public ::testing::Test {
protected:
    TestRoot root;
    fs::path bin = root.root() / "bin";
    void SetUp() override { fs::create_directories(bin); }
    // A script that writes each of its arguments on a line of out, then "end".
    fs::path argvScript(const char* name = "show-args") {
        const auto script = bin / name;
        std::ofstream(script)
            << "#!/bin/sh\nout=\"$1\"; shift\n: > \"$out.tmp\"\nfor a in \"$@\"; do printf '%s\\n' "
               "\"$a\" >> \"$out.tmp\"; done\necho end >> \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }
};

TEST_F(ProcessTest, MissingProgramFailsToStart) {
    for (const char* line : {"C:\\windows\\missing.exe", "/nonexistent/program x", "no-such-program-kolv x",
                             "", " http://example.org", "C:\\windows"}) {
        const Problem r = startProcess(line, 2);
        EXPECT_NE(r.cause, Problem::None) << line;
    }
    const Problem missing = startProcess("/nonexistent/program x", 1);
    EXPECT_EQ(missing.cause, Problem::ProgramNotFound);
    EXPECT_EQ(missing.subject, "/nonexistent/program");
}

TEST_F(ProcessTest, FileThatCannotBeExecutedFailsToStart) {
    const auto notExecutable = root.writeFile("drive_c/tool", "#!/bin/sh\n");
    fs::permissions(notExecutable, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(startProcess("C:\\tool", 1).cause, Problem::None);

    const auto badInterpreter = root.writeFile("drive_c/broken", "#!/nonexistent/interpreter\n");
    fs::permissions(badInterpreter, fs::perms::owner_all);
    const Problem r = startProcess("C:\\broken", 1);
    EXPECT_EQ(r.cause, Problem::CannotStart) << "the failed execve is reported";
    EXPECT_EQ(r.subject, "C:\\broken");
    EXPECT_EQ(r.number, ENOENT);
}

TEST_F(ProcessTest, StartsWithoutWaiting) {
    const auto out = root.root() / "out.txt";
    const Problem r = startProcess("/bin/sh -c \"sleep 0.2; echo end > '" + out.string() + "'\"", 1);
    ASSERT_EQ(r.cause, Problem::None) << int(r.cause) << " " << r.subject;
    EXPECT_FALSE(fs::exists(out)) << "the start returned before the program finished";
    EXPECT_EQ(awaitFile(out), "end\n");
}

TEST_F(ProcessTest, NativeProgramGetsHostPathsOfExistingDosPaths) {
    argvScript();
    const auto out = root.root() / "args.txt";
    fs::create_directory(root.themes() / "My Style");
    const Problem r = startProcess((bin / "show-args").string() + " " + out.string() +
                                       " \"C:\\WINDOWS\\Resources\\Themes\\my style\" C:\\missing\\file.txt "
                                       "/Action:Open \"a \\\"quoted\\\" word\"",
                                   2);
    ASSERT_EQ(r.cause, Problem::None) << int(r.cause) << " " << r.subject;
    EXPECT_EQ(awaitFile(out), (fs::weakly_canonical(root.themes() / "My Style")).string() +
                                  "\nC:\\missing\\file.txt\n/Action:Open\na \"quoted\" word\nend\n");
}

TEST_F(ProcessTest, ProgramGivenAsDosPathIsTranslated) {
    fs::create_directories(root.driveC() / "Tools");
    fs::copy_file(argvScript(), root.driveC() / "Tools" / "show-args");
    fs::permissions(root.driveC() / "Tools" / "show-args", fs::perms::owner_all);
    const auto out = root.root() / "args.txt";
    const Problem r = startProcess("\"c:\\tools\\SHOW-ARGS\" " + out.string() + " one", 1);
    ASSERT_EQ(r.cause, Problem::None) << int(r.cause) << " " << r.subject;
    EXPECT_EQ(awaitFile(out), "one\nend\n");
}

TEST_F(ProcessTest, BareNamesAreSearchedOnPath) {
    PathGuard path;
    argvScript("kolv-show-args");
    ::setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
    const auto out = root.root() / "args.txt";
    ASSERT_EQ(startProcess("kolv-show-args " + out.string() + " x", 1).cause, Problem::None);
    EXPECT_EQ(awaitFile(out), "x\nend\n");
}

TEST_F(ProcessTest, WindowsProgramRunsThroughWineWithThePrefix) {
    PathGuard path;
    // A stand-in for wine that records its arguments and WINEPREFIX.
    const auto out = root.root() / "wine.txt";
    std::ofstream(bin / "wine") << "#!/bin/sh\n{ printf '%s\\n' \"$@\" \"$WINEPREFIX\"; echo end; } > '"
                                << out.string() << ".tmp'\nmv '" << out.string() << ".tmp' '" << out.string()
                                << "'\n";
    fs::permissions(bin / "wine", fs::perms::owner_all);
    root.writeFile("drive_c/windows/system32/rundll32.exe", "MZ");
    testing_support::madeByWineIn(root.root(), bin);
    ::setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1); // ours comes first

    const Problem r = startProcess("C:\\WINDOWS\\system32\\rundll32.exe shell32.dll,Control_RunDLL "
                                   "C:\\windows\\system32\\desk.cpl",
                                   2);
    ASSERT_EQ(r.cause, Problem::None) << int(r.cause) << " " << r.subject;
    EXPECT_EQ(awaitFile(out), fs::weakly_canonical(root.windows() / "system32" / "rundll32.exe").string() +
                                  "\nshell32.dll,Control_RunDLL\nC:\\windows\\system32\\desk.cpl\n" +
                                  root.root().string() + "\nend\n")
        << "Windows arguments stay as they are";

    fs::remove(out);
    ASSERT_EQ(startProcess("rundll32.exe x", 2).cause, Problem::None)
        << "a bare name is found in the system folder";
    EXPECT_NE(awaitFile(out).find("rundll32.exe\nx\n"), std::string::npos);
}

TEST_F(ProcessTest, WindowsProgramWithoutWineFailsClearly) {
    PathGuard path;
    root.writeFile("drive_c/windows/notepad.exe", "MZ");
    ::setenv("PATH", bin.c_str(), 1); // no wine there
    const Problem r = startProcess("C:\\windows\\notepad.exe readme.txt", 1);
    EXPECT_EQ(r.cause, Problem::WineMissing);
    EXPECT_EQ(r.subject, "C:\\windows\\notepad.exe");
}

TEST_F(ProcessTest, LeavesNoChildBehind) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(startProcess("/bin/true", 1).cause, Problem::None);
    EXPECT_NE(startProcess("/nonexistent", 1).cause, Problem::None);
    // Every process started went to a grandchild; nothing is left for us to reap.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}
