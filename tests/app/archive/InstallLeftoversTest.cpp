// What installs killed half-way leave in the themes folder, and the sweep at start-up that
// takes it away without touching anything of the user's or of an install still running.
#include "archive/InstallLeftovers.h"
#include "ArchiveBuilder.h"
#include "ExtractorFixture.h"
#include "archive/InstallJournal.h"
#include "commands/InstallArchive.h"
#include "common/ProblemText.h"
#include "platform/Diagnostics.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <set>
#include <sys/stat.h>
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

// The file names an install of the given process writes.
std::string temporary(pid_t pid, const std::string& rest) {
    return ".kolv~" + std::to_string(pid) + ".12345~" + rest;
}

// An install in a child that dies by SIGKILL at its dieAt-th write (of a file's data or of
// an entry of its record): before making it, having made a part of it, or after making it
// whole. It tells which write it was: 'd' for data, 'r' for the record.
enum class Death { Before, Midway, After };
int g_writes = 0;
int g_dieAt = 0;
Death g_death = Death::Before;
int g_tell = -1;

bool isRecord(int fd) {
    char target[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    return n > 0 && std::string_view(target, static_cast<size_t>(n)).ends_with("~kept");
}

ssize_t dyingWrite(int fd, const void* data, std::size_t size) {
    if (++g_writes != g_dieAt)
        return ::write(fd, data, size);
    const char what = isRecord(fd) ? 'r' : 'd';
    const std::size_t part = g_death == Death::Before ? 0 : g_death == Death::Midway ? size / 2 : size;
    const ssize_t written = part ? ::write(fd, data, part) : 0;
    if (::write(g_tell, &what, 1) == 1)
        ::raise(SIGKILL);
    return written;
}

// A record that cannot be written.
ssize_t refusingRecord(int fd, const void* data, std::size_t size) {
    if (isRecord(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, size);
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
    // A temporary deep in the user's style, and one alone in a folder.
    writeFile(target() / "Blue/Blue.msstyles", "style");
    writeFile(target() / "Blue/Shell/NormalColor" / temporary(gone, "4"), "x");
    writeFile(target() / "Blue/Shell/Large/shellstyle.dll", "dll");
    writeFile(target() / "Blue/Shell/Large" / temporary(gone, "5"), "x");
    // What is not ours to take: the user's own empty style folder, names that only look
    // like ours, and this process's temporary (it runs).
    fs::create_directories(target() / "Empty");
    writeFile(target() / "Notes/.kolv~notes.txt", "notes");
    writeFile(target() / "Notes" / (".kolv~" + std::to_string(gone) + "~x"), "not a number");
    writeFile(target() / "Notes" / (".kolv~" + std::to_string(gone) + ".7~run"),
              "a mark lies only at the top");
    const std::string running = InstallLeftovers::ownPrefix() + "3";
    writeFile(target() / "Green" / running, "being written");
    // A link is never followed.
    fs::create_directories(root.root() / "elsewhere");
    writeFile(root.root() / "elsewhere" / temporary(gone, "7"), "x");
    fs::create_directory_symlink(root.root() / "elsewhere", target() / "Linked");

    const InstallLeftovers::Swept swept = InstallLeftovers::sweep(target());
    EXPECT_EQ(swept.files, 5u);
    EXPECT_EQ(tree(target()),
              (std::vector<std::string>{
                  "Blue/", "Blue/Blue.msstyles", "Blue/Shell/", "Blue/Shell/Large/",
                  "Blue/Shell/Large/shellstyle.dll", "Empty/", "Green/", "Green/" + running, "Linked",
                  "Notes/", "Notes/" + (".kolv~" + std::to_string(gone) + ".7~run"),
                  "Notes/" + (".kolv~" + std::to_string(gone) + "~x"), "Notes/.kolv~notes.txt"}));
    EXPECT_TRUE(fs::exists(root.root() / "elsewhere" / temporary(gone, "7")));
}

TEST_F(Leftovers, WhileAnInstallRunsItsFoldersStay) {
    const pid_t gone = endedProcess();
    writeFile(target() / (InstallLeftovers::ownPrefix() + "run"), "");
    writeFile(target() / temporary(gone, "run"), "");
    writeFile(target() / "Bomb" / temporary(gone, "0"), "x");
    InstallLeftovers::sweep(target());
    EXPECT_EQ(tree(target()), (std::vector<std::string>{InstallLeftovers::ownPrefix() + "run", "Bomb/"}));
}

TEST_F(Leftovers, AKilledInstallsReplacedFilesGoBackWhereverItDied) {
    // The user's files that the archive replaces, in two styles, and a style it adds.
    const std::map<std::string, std::string> users = {
        {"Blue/Blue.msstyles", randomBytes(3000, 1)},
        {"Blue/Shell/NormalColor/shellstyle.dll", randomBytes(70000, 2)},
        {"Green/readme.txt", "the user's own notes"},
    };
    writeArchive(archive("update.zip"),
                 {fileEntry("Blue/Blue.msstyles", randomBytes(2000, 3)), fileEntry("Blue/new.txt", "new"),
                  fileEntry("Blue/Shell/NormalColor/shellstyle.dll", randomBytes(200000, 4)),
                  fileEntry("Bomb/Bomb.msstyles", randomBytes(5000, 5)),
                  fileEntry("Green/readme.txt", "replaced")});
    writeArchive(archive("other.zip"), {fileEntry("Other/other.txt", "other")});

    std::set<std::pair<char, Death>> diedAt;
    std::set<std::string> replacedWhenKilled;
    bool finished = false;
    for (int dieAt = 1; !finished && dieAt < 100; ++dieAt) {
        for (const Death death : {Death::Before, Death::Midway, Death::After}) {
            fs::remove_all(target());
            for (const auto& [path, data] : users)
                writeFile(target() / path, data);
            int tell[2];
            ASSERT_EQ(::pipe(tell), 0);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(tell[0]);
                g_tell = tell[1];
                g_dieAt = dieAt;
                g_death = death;
                ArchiveExtractor::setWriteFunction(&dyingWrite);
                ::_exit(extract(archive("update.zip")) == UnzipOk ? 0 : 1);
            }
            ::close(tell[1]);
            char what = 0;
            const bool told = ::read(tell[0], &what, 1) == 1;
            ::close(tell[0]);
            int status = 0;
            ::waitpid(child, &status, 0);
            if (!told) { // more writes than the install makes: it ran to its end
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                finished = true;
                break;
            }
            ASSERT_TRUE(WIFSIGNALED(status));
            diedAt.insert({what, death});
            for (const auto& [path, data] : users) {
                if (readFile(target() / path) != data)
                    replacedWhenKilled.insert(path);
            }
            // The new files it had finished, which stay.
            std::map<std::string, std::string> added;
            for (const std::string& path : tree(target())) {
                if (!users.contains(path) && path.find(".kolv~") == std::string::npos && !path.ends_with('/'))
                    added[path] = readFile(target() / path);
            }

            // At the next start, or when the next install finds the killed one's mark.
            if (dieAt % 2)
                removeInstallLeftovers(QStringLiteral("C:\\windows\\Resources\\Themes\\"));
            else
                ASSERT_EQ(extract(archive("other.zip")), UnzipOk);
            const std::string point = "died at write " + std::to_string(dieAt) + " " + what + " " +
                                      std::to_string(static_cast<int>(death));
            for (const auto& [path, data] : users)
                EXPECT_TRUE(readFile(target() / path) == data) << path << ", " << point;
            for (const std::string& left : tree(target()))
                EXPECT_EQ(left.find(".kolv~"), std::string::npos) << left << ", " << point;
            for (const auto& [path, data] : added)
                EXPECT_TRUE(readFile(target() / path) == data) << path << ", " << point;
        }
    }
    EXPECT_TRUE(finished);
    // It died before, while and after entering a file in the record, and while writing a
    // file's data after files had been replaced.
    EXPECT_EQ(diedAt.size(), 6u);
    EXPECT_TRUE(replacedWhenKilled.contains("Blue/Blue.msstyles"));
    EXPECT_TRUE(replacedWhenKilled.contains("Blue/Shell/NormalColor/shellstyle.dll"));
}

// More folders than records stay open, the archive taking turns among them: every record
// closed at the limit and opened again goes on where it was.
TEST_F(Leftovers, RecordsOfMoreFoldersThanStayOpenStillPutEveryFileBack) {
    constexpr int kFolders = 150;
    std::map<std::string, std::string> users;
    std::vector<ArchiveEntry> entries;
    for (const char* name : {"a.txt", "b.txt"})
        for (int i = 0; i < kFolders; ++i) {
            const std::string path = "S" + std::to_string(i) + "/" + name;
            users[path] = "the user's " + path;
            entries.push_back(fileEntry(path, "replaced " + path));
        }
    entries.push_back(fileEntry("Last/last.txt", "last"));
    for (const auto& [path, data] : users)
        writeFile(target() / path, data);
    writeArchive(archive("turns.zip"), entries);

    const pid_t child = ::fork();
    if (child == 0) {
        int seen = 0;
        // Killed once its last entry is written, before the install ends.
        callbacks.service = [&](const char*, std::uint64_t) {
            if (++seen == static_cast<int>(entries.size()))
                ::raise(SIGKILL);
            return 0;
        };
        ::_exit(extract(archive("turns.zip")) == UnzipOk ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    for (const auto& [path, data] : users)
        ASSERT_EQ(readFile(target() / path), "replaced " + path) << "killed before it replaced " << path;

    removeInstallLeftovers(QStringLiteral("C:\\windows\\Resources\\Themes\\"));
    for (const auto& [path, data] : users)
        EXPECT_EQ(readFile(target() / path), data) << path;
    for (const std::string& left : tree(target()))
        EXPECT_EQ(left.find(".kolv~"), std::string::npos) << left;
}

TEST_F(Leftovers, AFileThatCannotBeRecordedIsNotReplaced) {
    writeFile(target() / "Blue/Blue.msstyles", "the user's");
    writeArchive(archive("blue.zip"), {fileEntry("Blue/Blue.msstyles", "new")});
    ArchiveExtractor::setWriteFunction(&refusingRecord);
    EXPECT_EQ(extract(archive("blue.zip")), UnzipDiskFull);
    ArchiveExtractor::setWriteFunction(nullptr);
    EXPECT_EQ(readFile(target() / "Blue/Blue.msstyles"), "the user's");
    EXPECT_FALSE(hasTemporaryFiles(target()));
}

TEST_F(Leftovers, AFileCancelCouldNotPutBackGoesBackOnceTheProcessHasEnded) {
    writeFile(target() / "Blue/readme.txt", "the user's readme");
    writeFile(target() / "Blue/notes.txt", "the user's notes");
    writeArchive(archive("blue.zip"),
                 {fileEntry("Blue/readme.txt", "new"), fileEntry("Blue/more.txt", "more")});
    writeArchive(archive("notes.zip"), {fileEntry("Blue/notes.txt", "new notes")});
    const pid_t child = ::fork();
    if (child == 0) {
        callbacks.service = [this](const char* entry, std::uint64_t) {
            if (std::string_view(entry) != "Blue/more.txt")
                return 0;
            // Something stands in the way of the file until the process has ended.
            fs::remove(target() / "Blue/readme.txt");
            fs::create_directory(target() / "Blue/readme.txt");
            return 1;
        };
        if (extract(archive("blue.zip")) != UnzipCancelled)
            ::_exit(1);
        // A later install into the same folder, in the same process, that ends well: the
        // entries of the one cancelled before stay in the record.
        callbacks.service = nullptr;
        ::_exit(extract(archive("notes.zip")) == UnzipOk ? 0 : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::vector<std::string> left = tree(target() / "Blue");
    ASSERT_EQ(left.size(), 4u) << "the file kept aside, its record, the folder in the way, notes";
    fs::remove(target() / "Blue/readme.txt");

    // The next start, which reads the style folders only when it finds a killed install's
    // mark.
    InstallLeftovers::sweep(target());
    EXPECT_EQ(tree(target() / "Blue"), (std::vector<std::string>{"notes.txt", "readme.txt"}));
    EXPECT_EQ(readFile(target() / "Blue/readme.txt"), "the user's readme");
    EXPECT_EQ(readFile(target() / "Blue/notes.txt"), "new notes");
}

// A cancel that could not put a file back, then a later install of the same process that
// replaced that file again and was killed: the record names the file twice, the original
// first. The original goes back and stays; the version in between goes.
TEST_F(Leftovers, AFileRecordedTwiceGoesBackToTheOriginalForGood) {
    writeFile(target() / "Blue/readme.txt", "the user's readme");
    writeArchive(archive("first.zip"),
                 {fileEntry("Blue/readme.txt", "first"), fileEntry("Blue/more.txt", "more")});
    writeArchive(archive("second.zip"), {fileEntry("Blue/readme.txt", "second")});
    writeArchive(archive("other.zip"), {fileEntry("Blue/other.txt", "other")});
    const pid_t child = ::fork();
    if (child == 0) {
        const fs::path readme = target() / "Blue/readme.txt", away = root.root() / "away.txt";
        callbacks.service = [&](const char* entry, std::uint64_t) {
            if (std::string_view(entry) != "Blue/more.txt")
                return 0;
            // A folder stands in the way of the file while the cancel tries to put it back.
            fs::rename(readme, away);
            fs::create_directory(readme);
            return 1;
        };
        if (extract(archive("first.zip")) != UnzipCancelled)
            ::_exit(1);
        fs::remove(readme);
        fs::rename(away, readme);
        // Killed once the second install has replaced the file the first one wrote.
        callbacks.service = [](const char*, std::uint64_t) {
            ::raise(SIGKILL);
            return 0;
        };
        extract(archive("second.zip"));
        ::_exit(2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    ASSERT_EQ(readFile(target() / "Blue/readme.txt"), "second");

    removeInstallLeftovers(QStringLiteral("C:\\windows\\Resources\\Themes\\"));
    EXPECT_EQ(readFile(target() / "Blue/readme.txt"), "the user's readme");
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/readme.txt"}));
    // The next install into that folder finds nothing to put back.
    ASSERT_EQ(extract(archive("other.zip")), UnzipOk);
    EXPECT_EQ(readFile(target() / "Blue/readme.txt"), "the user's readme");
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/other.txt", "Blue/readme.txt"}));
}

TEST_F(Leftovers, ADamagedOrHostileRecordTouchesNothingOutsideItsFolder) {
    const pid_t gone = endedProcess();
    writeFile(target() / temporary(gone, "run"), "");
    const fs::path blue = target() / "Blue";
    const auto aside = [&](int n) { return blue / temporary(gone, std::to_string(n)); };
    // Outside the folder: a file beside the style folder, one the style links to, and a
    // folder a link in the themes folder leads to, holding a record and a file of its own.
    writeFile(target() / "outside.txt", "outside");
    writeFile(root.root() / "elsewhere/target.txt", "elsewhere");
    writeFile(root.root() / "elsewhere" / temporary(gone, "0"), "kept elsewhere");
    writeFile(root.root() / "elsewhere" / temporary(gone, "kept"), std::string("0/target.txt\0", 13));
    fs::create_directory_symlink(root.root() / "elsewhere", target() / "Linked");
    writeFile(blue / "Shell/inner.txt", "inner");
    fs::create_symlink(root.root() / "elsewhere/target.txt", blue / "link.txt");
    writeFile(blue / "readme.txt", "the install's");
    writeFile(blue / "notes.txt", "the user's notes");
    for (int n = 0; n <= 12; ++n)
        writeFile(aside(n), "kept " + std::to_string(n));
    std::string record;
    for (const std::string& entry : std::vector<std::string>{
             "0/readme.txt", "1/../outside.txt", "2//outside.txt", "3/Shell/inner.txt", "4/.", "5/..", "6/",
             "7/" + temporary(gone, "kept"), "8/" + temporary(gone, "run"), "x/readme.txt", "9/link.txt",
             "10/Shell", "11/readme.txt", "0/readme.txt"})
        record += entry + '\0';
    record += std::string(100000, 'z') + '\0'; // far longer than any entry
    record += "12/notes.txt";                  // cut short: its file never replaced one
    writeFile(blue / temporary(gone, "kept"), record);
    // The record of a killed install elsewhere, through a link: never read, so the file
    // beside it stays.
    writeFile(target() / "Green/readme.txt", "green");
    fs::create_symlink(root.root() / "elsewhere" / temporary(gone, "kept"),
                       target() / "Green" / temporary(gone, "kept"));
    writeFile(target() / "Green" / temporary(gone, "0"), "kept in green");
    const auto outside = tree(root.root() / "elsewhere");

    const InstallLeftovers::Swept swept = InstallLeftovers::sweep(target());
    EXPECT_EQ(swept.restored, 1u);
    EXPECT_EQ(readFile(blue / "readme.txt"), "kept 0");
    // Names with a slash, "." and "..", our own names, what a link or a folder holds now,
    // and a file entered twice, are passed over; a later file for a name put back goes;
    // nothing outside the folder changed.
    EXPECT_EQ(readFile(target() / "outside.txt"), "outside");
    EXPECT_EQ(readFile(blue / "Shell/inner.txt"), "inner");
    EXPECT_EQ(readFile(blue / "notes.txt"), "the user's notes");
    EXPECT_TRUE(fs::is_symlink(blue / "link.txt"));
    EXPECT_EQ(readFile(root.root() / "elsewhere/target.txt"), "elsewhere");
    EXPECT_EQ(tree(root.root() / "elsewhere"), outside);
    EXPECT_EQ(readFile(target() / "Green/readme.txt"), "green");
    // The files that could not go back stay, with the record that names them; the other
    // temporary files go, as they always did.
    EXPECT_EQ(tree(blue),
              (std::vector<std::string>{temporary(gone, "10"), temporary(gone, "9"), temporary(gone, "kept"),
                                        "Shell/", "Shell/inner.txt", "link.txt", "notes.txt", "readme.txt"}));
    EXPECT_EQ(tree(target() / "Green"),
              (std::vector<std::string>{temporary(gone, "0"), temporary(gone, "kept"), "readme.txt"}));
}

// A planted record that names links: one to a file outside the themes folder, one more
// name of such a file. Neither takes the place of the user's file, and neither is touched.
TEST_F(Leftovers, OnlyAFileOfItsOwnGoesBackInPlaceOfTheUsers) {
    const pid_t gone = endedProcess();
    writeFile(target() / temporary(gone, "run"), "");
    const fs::path blue = target() / "Blue";
    writeFile(root.root() / "elsewhere/secret.txt", "secret");
    writeFile(root.root() / "elsewhere/shared.txt", "shared");
    writeFile(blue / "readme.txt", "the user's readme");
    writeFile(blue / "notes.txt", "the user's notes");
    fs::create_symlink(root.root() / "elsewhere/secret.txt", blue / temporary(gone, "0"));
    fs::create_hard_link(root.root() / "elsewhere/shared.txt", blue / temporary(gone, "1"));
    writeFile(blue / temporary(gone, "kept"), std::string("0/readme.txt\0"
                                                          "1/notes.txt\0",
                                                          25));

    InstallLeftovers::sweep(target());
    EXPECT_FALSE(fs::is_symlink(blue / "readme.txt"));
    EXPECT_EQ(readFile(blue / "readme.txt"), "the user's readme");
    EXPECT_EQ(readFile(blue / "notes.txt"), "the user's notes");
    struct stat notes {};
    ASSERT_EQ(::lstat((blue / "notes.txt").c_str(), &notes), 0);
    EXPECT_EQ(notes.st_nlink, 1u);
    EXPECT_TRUE(fs::is_symlink(blue / temporary(gone, "0")));
    EXPECT_EQ(readFile(blue / temporary(gone, "1")), "shared");
    EXPECT_EQ(readFile(root.root() / "elsewhere/secret.txt"), "secret");
    EXPECT_EQ(readFile(root.root() / "elsewhere/shared.txt"), "shared");
}

// A record that is no file (a pipe, a folder, a link) cannot be read: the files its install
// kept aside stay, for none of them is known to be a mere temporary file. The pipe is never
// waited on.
TEST_F(Leftovers, WhileARecordCannotBeReadTheFilesItNamesStay) {
    const pid_t gone = endedProcess();
    writeFile(target() / temporary(gone, "run"), "");
    writeFile(root.root() / "elsewhere" / temporary(gone, "kept"), std::string("0/readme.txt\0", 13));
    const std::vector<std::string> styles = {"Pipe", "Folder", "Link"};
    for (const std::string& style : styles) {
        writeFile(target() / style / "readme.txt", "the install's");
        writeFile(target() / style / temporary(gone, "0"), "the user's readme");
    }
    ASSERT_EQ(::mkfifo((target() / "Pipe" / temporary(gone, "kept")).c_str(), 0600), 0);
    fs::create_directory(target() / "Folder" / temporary(gone, "kept"));
    fs::create_symlink(root.root() / "elsewhere" / temporary(gone, "kept"),
                       target() / "Link" / temporary(gone, "kept"));

    ::alarm(60); // a sweep that waits on the pipe ends the test here
    InstallLeftovers::sweep(target());
    ::alarm(0);
    for (const std::string& style : styles) {
        EXPECT_EQ(readFile(target() / style / "readme.txt"), "the install's") << style;
        EXPECT_EQ(readFile(target() / style / temporary(gone, "0")), "the user's readme") << style;
    }
}

// A record longer than an install writes one (a planted one of millions of entries) is read
// no further, with a word on stderr; an entry past that point is not acted on, and the file
// it names stays. An install never writes so far: it does not replace a file it cannot enter.
TEST_F(Leftovers, ARecordIsReadNoFurtherThanAnInstallWritesOne) {
    quorlin::installProblemWords();
    platform::setDiagnosticName("kolvmgr");
    const pid_t gone = endedProcess();
    writeFile(target() / temporary(gone, "run"), "");
    const fs::path blue = target() / "Blue";
    writeFile(blue / "readme.txt", "the install's readme");
    writeFile(blue / temporary(gone, "0"), "the user's readme");
    writeFile(blue / "notes.txt", "the install's notes");
    writeFile(blue / temporary(gone, "1"), "the user's notes");
    std::string record("0/readme.txt\0", 13);
    for (unsigned n = 2; record.size() < InstallJournal::kMaxRecordSize; ++n)
        record += std::to_string(n) + "/f" + std::to_string(n) + '\0';
    record += std::string("1/notes.txt\0", 12);
    const fs::path recordFile = blue / temporary(gone, "kept");
    writeFile(recordFile, record);

    ::testing::internal::CaptureStderr();
    InstallLeftovers::sweep(target());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "kolvmgr: " + recordFile.string() +
                        " is longer than any record an install writes; what lies past its first " +
                        std::to_string(InstallJournal::kMaxRecordSize) + " bytes was ignored\n");
    EXPECT_EQ(readFile(blue / "readme.txt"), "the user's readme");
    EXPECT_EQ(readFile(blue / "notes.txt"), "the install's notes");
    EXPECT_EQ(readFile(blue / temporary(gone, "1")), "the user's notes");
    EXPECT_TRUE(fs::exists(recordFile));

    // This process's own record, as an earlier install of it left it, all but full.
    writeFile(target() / "Green/readme.txt", "the user's");
    writeFile(target() / "Green" / (InstallLeftovers::ownPrefix() + "kept"),
              std::string(InstallJournal::kMaxRecordSize - 8, 'x'));
    writeArchive(archive("green.zip"),
                 {fileEntry("Green/readme.txt", "new"), fileEntry("Green/new.txt", "new")});
    EXPECT_EQ(extract(archive("green.zip")), UnzipWarning);
    EXPECT_EQ(readFile(target() / "Green/readme.txt"), "the user's");
    EXPECT_EQ(readFile(target() / "Green/new.txt"), "new");
}
