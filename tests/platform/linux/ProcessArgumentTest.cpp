// Pins the start of a program with one argument kept whole (an address or a path handed
// to a browser): a native program receives it as one argument however many blanks it
// holds, a Windows program still gets the whole command line.
#include "ArgumentRecorder.h"
#include "TestRoot.h"
#include "platform/Process.h"
#include "platform/linux/wine/FakeWine.h"

#include <gtest/gtest.h>

using namespace platform;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

class ProcessArgument : public ::testing::Test {
protected:
    TestRoot root;
    fs::path bin = root.root() / "bin";
    fs::path out = root.root() / "argv";
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    void SetUp() override { fs::create_directories(bin); }
    void TearDown() override { ::setenv("PATH", oldPath.c_str(), 1); }

    fs::path recorder(const std::string& name) {
        return testing_support::writeArgumentRecorder(bin, name, out);
    }
    Args recorded() const { return testing_support::recordedArguments(out); }
};

} // namespace

TEST_F(ProcessArgument, NativeProgramGetsAPathWithBlanksAsOneHostPath) {
    recorder("browser");
    root.writeFile("drive_c/windows/Resources/Themes/Luna Blue Plus/preview.jpg", "jpeg");
    const Problem r = startProcess("\"" + (bin / "browser").string() + "\" --new-window",
                                   "C:\\windows\\Resources\\Themes\\Luna Blue Plus\\preview.jpg", 2);
    ASSERT_EQ(r.cause, Problem::None) << int(r.cause) << " " << r.subject;
    EXPECT_EQ(recorded(),
              (Args{"--new-window",
                    fs::weakly_canonical(root.themes() / "Luna Blue Plus" / "preview.jpg").string()}));
}

TEST_F(ProcessArgument, NativeProgramGetsAnAddressAsItIs) {
    recorder("browser");
    // Blanks, quotes and backslashes are the address's own: nothing is split or unescaped.
    const std::string address = "http://forum.example/search?q=a b&t=\"x\\\" y";
    ASSERT_EQ(startProcess((bin / "browser").string(), address, 2).cause, Problem::None);
    EXPECT_EQ(recorded(), Args{address});
}

TEST_F(ProcessArgument, ADosPathOfNothingStaysAsItIs) {
    recorder("browser");
    ASSERT_EQ(startProcess((bin / "browser").string(), "C:\\no such\\file.jpg", 2).cause, Problem::None);
    EXPECT_EQ(recorded(), Args{"C:\\no such\\file.jpg"});
}

TEST_F(ProcessArgument, WindowsProgramGetsTheWholeLine) {
    // wine receives the line's words and joins them again into the Windows command line.
    recorder("wine");
    const auto browser = root.writeFile("drive_c/Program Files/Web/browser.exe", "MZ");
    testing_support::madeByWineIn(root.root(), bin);
    ::setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
    const Problem r = startProcess("\"C:\\Program Files\\Web\\browser.exe\"",
                                   "C:\\windows\\Resources\\Themes\\Luna Blue Plus\\preview.jpg", 2);
    ASSERT_EQ(r.cause, Problem::None) << int(r.cause) << " " << r.subject;
    EXPECT_EQ(recorded(), (Args{fs::weakly_canonical(browser).string(),
                                "C:\\windows\\Resources\\Themes\\Luna", "Blue", "Plus\\preview.jpg"}));
}

TEST_F(ProcessArgument, NoProgramStartsNothing) {
    recorder("browser");
    // An empty command must not start the argument itself.
    const auto page = root.writeFile("drive_c/page", "#!/bin/sh\n");
    fs::permissions(page, fs::perms::owner_all);
    for (const char* command : {"", "   "}) {
        const Problem r = startProcess(command, "C:\\page", 2);
        EXPECT_NE(r.cause, Problem::None) << command;
        EXPECT_EQ(r.cause, Problem::NoProgram) << command;
    }
    EXPECT_NE(startProcess("/nonexistent/browser", "http://example.org/", 2).cause, Problem::None);
}

TEST_F(ProcessArgument, ProgramsAreFoundOnPath) {
    recorder("kolv-opener");
    ::setenv("PATH", ("/nonexistent:" + bin.string()).c_str(), 1);
    EXPECT_EQ(findProgramOnPath("kolv-opener"), (bin / "kolv-opener").string());
    EXPECT_EQ(findProgramOnPath("kolv-no-such-opener"), std::nullopt);
    EXPECT_EQ(findProgramOnPath(""), std::nullopt);
    EXPECT_EQ(findProgramOnPath((bin / "kolv-opener").string()), std::nullopt) << "a name, not a path";
}
