// What installs killed half-way leave in the themes folder, and the sweep at start-up that
// takes it away without touching anything of the user's or of an install still running.
#include "archive/InstallLeftovers.h"
#include "ArchiveBuilder.h"
#include "ExtractorFixture.h"
#include "commands/InstallArchive.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The number of a process that has ended.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// The file names an install of the given process writes, in today's form and the older one.
std::string temporary(pid_t pid, const std::string& rest) {
    return ".kolv~" + std::to_string(pid) + ".12345~" + rest;
}
std::string oldTemporary(pid_t pid, int n) {
    return ".kolv~" + std::to_string(pid) + "~" + std::to_string(n);
}

// Starts an install in a child that dies by SIGKILL while it writes the data of its one
// large file.
ssize_t dieWhileWriting(int, const void*, std::size_t) {
    ::raise(SIGKILL);
    return -1;
}

using Leftovers = Extractor;

} // namespace

TEST_F(Leftovers, GoWithTheStyleFoldersThatHeldNothingElse) {
    const pid_t gone = endedProcess();
    // A killed install's mark and a style that had only begun.
    writeFile(target() / temporary(gone, "run"), "");
    writeFile(target() / "Bomb" / temporary(gone, "0"), std::string(4096, 'x'));
    writeFile(target() / "Bomb/Shell/NormalColor" / temporary(gone, "1"), "x");
    fs::create_directories(target() / "Bomb/Shell/Empty");
    // An older version's temporary deep in the user's style, and one alone in a folder.
    writeFile(target() / "Blue/Blue.msstyles", "style");
    writeFile(target() / "Blue/Shell/NormalColor" / oldTemporary(gone, 4), "x");
    writeFile(target() / "Blue/Shell/Large/shellstyle.dll", "dll");
    writeFile(target() / "Blue/Shell/Large" / oldTemporary(gone, 5), "x");
    // What is not ours to take: the user's own empty style folder, names that only look
    // like ours, and this process's temporary (it runs), also under an older process's start.
    fs::create_directories(target() / "Empty");
    writeFile(target() / "Notes/.kolv~notes.txt", "notes");
    writeFile(target() / "Notes" / (".kolv~" + std::to_string(gone) + "~x"), "not a number");
    writeFile(target() / "Notes" / (".kolv~" + std::to_string(gone) + ".7~run"),
              "a mark lies only at the top");
    const std::string running = InstallLeftovers::ownPrefix() + "3";
    writeFile(target() / "Green" / running, "being written");
    writeFile(target() / "Green" / oldTemporary(::getpid(), 6), "this number runs");
    // A link is never followed.
    fs::create_directories(root.root() / "elsewhere");
    writeFile(root.root() / "elsewhere" / oldTemporary(gone, 7), "x");
    fs::create_directory_symlink(root.root() / "elsewhere", target() / "Linked");

    const InstallLeftovers::Swept swept = InstallLeftovers::sweep(target());
    EXPECT_EQ(swept.files, 5u);
    EXPECT_EQ(tree(target()),
              (std::vector<std::string>{"Blue/", "Blue/Blue.msstyles", "Blue/Shell/", "Blue/Shell/Large/",
                                        "Blue/Shell/Large/shellstyle.dll", "Empty/", "Green/",
                                        "Green/" + running, "Green/" + oldTemporary(::getpid(), 6), "Linked",
                                        "Notes/", "Notes/" + (".kolv~" + std::to_string(gone) + ".7~run"),
                                        "Notes/" + (".kolv~" + std::to_string(gone) + "~x"),
                                        "Notes/.kolv~notes.txt"}));
    EXPECT_TRUE(fs::exists(root.root() / "elsewhere" / oldTemporary(gone, 7)));
}

TEST_F(Leftovers, WhileAnInstallRunsItsFoldersStay) {
    const pid_t gone = endedProcess();
    writeFile(target() / (InstallLeftovers::ownPrefix() + "run"), "");
    writeFile(target() / "Bomb" / temporary(gone, "0"), "x");
    InstallLeftovers::sweep(target());
    EXPECT_EQ(tree(target()), (std::vector<std::string>{InstallLeftovers::ownPrefix() + "run", "Bomb/"}));
}

TEST_F(Leftovers, OfAnInstallKilledWhileWritingGoAtTheNextStart) {
    writeFile(target() / "Blue/Blue.msstyles", "the user's");
    writeArchive(archive("bomb.zip"), {fileEntry("Blue/Blue.msstyles", "replaced first"),
                                       fileEntry("Bomb/Shell/big.bin", randomBytes(1 << 16, 9))});
    const pid_t child = ::fork();
    if (child == 0) {
        int entries = 0;
        callbacks.service = [&entries](const char*, std::uint64_t) {
            if (++entries == 1)
                ArchiveExtractor::setWriteFunction(&dieWhileWriting);
            return 0;
        };
        ::_exit(extract(archive("bomb.zip")));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(hasTemporaryFiles(target()));

    removeInstallLeftovers(QStringLiteral("C:\\windows\\Resources\\Themes\\"));
    // What the killed install finished stays, as an install that was not cancelled.
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/Blue.msstyles"}));
    EXPECT_EQ(readFile(target() / "Blue/Blue.msstyles"), "replaced first");
}
