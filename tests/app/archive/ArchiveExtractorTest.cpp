// The extraction engine: what lands where, what is refused, and which result code says so.
#include "ArchiveBuilder.h"
#include "ExtractorFixture.h"
#include "ScopedHook.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kBig = randomBytes(3 << 20, 7); // spans several read blocks, incompressible

std::vector<ArchiveEntry> styleEntries() {
    return {folderEntry("Blue/"), fileEntry("Blue/Blue.msstyles", randomBytes(70000, 1)),
            fileEntry("Blue/Shell/NormalColor/shellstyle.dll", kBig),
            fileEntry("Blue/readme.txt", "Blue\r\n"), fileEntry("Blue/empty.txt", "")};
}

void expectStyle(const fs::path& themes) {
    EXPECT_EQ(readFile(themes / "Blue/Blue.msstyles"), randomBytes(70000, 1));
    EXPECT_EQ(readFile(themes / "Blue/Shell/NormalColor/shellstyle.dll"), kBig);
    EXPECT_EQ(readFile(themes / "Blue/readme.txt"), "Blue\r\n");
    EXPECT_TRUE(fs::is_regular_file(themes / "Blue/empty.txt"));
}

} // namespace

TEST_F(Extractor, StyleArchivesOfEveryFormatRecreateTheirFolders) {
    const ArchiveFormat formats[] = {{"zip"}, {"7zip"}, {"pax", "gzip"}};
    for (const ArchiveFormat& format : formats) {
        SCOPED_TRACE(format.format);
        fs::remove_all(target());
        writeArchive(archive("style"), styleEntries(), format);
        EXPECT_EQ(extract(archive("style")), UnzipOk);
        expectStyle(target());
        EXPECT_EQ(fs::last_write_time(target() / "Blue/readme.txt"),
                  fs::last_write_time(target() / "Blue/Blue.msstyles"));
        struct stat st {};
        ASSERT_EQ(::stat((target() / "Blue/readme.txt").c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, 1136073600);
        EXPECT_FALSE(hasTemporaryFiles(target()));
        EXPECT_EQ(callbacks.entryCount, 5u);
    }
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(printed, "");
}

TEST_F(Extractor, DosTargetFolderIsTranslatedAndCreatedWhenMissing) {
    writeArchive(archive("style.zip"), styleEntries());
    fs::remove_all(root.windows() / "Resources");
    EXPECT_EQ(extract(archive("style.zip"), "C:\\windows\\Resources\\Themes\\"), UnzipOk);
    expectStyle(target());
}

TEST_F(Extractor, NamesBeyondAsciiArriveAsUtf8) {
    writeArchive(archive("names.7z"), {fileEntry("Blue/caf\xC3\xA9.txt", "1")}, {"7zip"});
    EXPECT_EQ(extract(archive("names.7z")), UnzipOk);
    EXPECT_EQ(readFile(target() / "Blue/caf\xC3\xA9.txt"), "1");

    // A ZIP name without the UTF-8 flag is code page 437: write a placeholder, then put
    // the byte 0x82 (é) in its place in the local and central headers.
    writeArchive(archive("dos.zip"), {fileEntry("Blue/x#.txt", "2")});
    std::string bytes = readFile(archive("dos.zip"));
    for (size_t at = bytes.find("x#.txt"); at != std::string::npos; at = bytes.find("x#.txt", at))
        bytes[++at] = '\x82';
    writeFile(archive("dos.zip"), bytes);
    EXPECT_EQ(extract(archive("dos.zip")), UnzipOk);
    EXPECT_EQ(readFile(target() / "Blue/x\xC3\xA9.txt"), "2");
}

TEST_F(Extractor, ExistingFilesAreReplacedSilentlyUnderTheInstallValues) {
    writeFile(target() / "Blue/readme.txt", "old readme that is longer than the new one");
    writeArchive(archive("style.zip"), styleEntries());
    EXPECT_EQ(extract(archive("style.zip")), UnzipOk);
    expectStyle(target());
    EXPECT_TRUE(asked.empty());
}

TEST_F(Extractor, ReplaceAnswersSkipOverwriteOrStopOverwriting) {
    for (const char* name : {"a", "b", "c", "d"})
        writeFile(target() / "Blue" / name, std::string("old ") + name);
    writeArchive(archive("s.zip"),
                 {fileEntry("Blue/a", "new a"), fileEntry("Blue/b", "new b"), fileEntry("Blue/new", "new"),
                  fileEntry("Blue/c", "new c"), fileEntry("Blue/d", "new d")});
    options.overwriteAll = 0;
    options.promptToOverwrite = 1;
    answers = {ReplaceNo, ReplaceYes, ReplaceNone};
    EXPECT_EQ(extract(archive("s.zip"), "C:\\windows\\Resources\\Themes\\"), UnzipWarning);
    EXPECT_EQ(asked, (std::vector<std::string>{"C:\\windows\\Resources\\Themes\\Blue\\a",
                                               "C:\\windows\\Resources\\Themes\\Blue\\b",
                                               "C:\\windows\\Resources\\Themes\\Blue\\c"}));
    EXPECT_EQ(readFile(target() / "Blue/a"), "old a");
    EXPECT_EQ(readFile(target() / "Blue/b"), "new b");
    EXPECT_EQ(readFile(target() / "Blue/new"), "new");
    EXPECT_EQ(readFile(target() / "Blue/c"), "old c");
    EXPECT_EQ(readFile(target() / "Blue/d"), "old d"); // not asked after "none"

    // "All" overwrites the rest without asking; with neither flag nothing is replaced
    // and nobody is asked.
    asked.clear();
    answers = {ReplaceAll};
    EXPECT_EQ(extract(archive("s.zip")), UnzipOk);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(readFile(target() / "Blue/d"), "new d");
    options.promptToOverwrite = 0;
    writeFile(target() / "Blue/a", "kept");
    EXPECT_EQ(extract(archive("s.zip")), UnzipOk);
    EXPECT_EQ(readFile(target() / "Blue/a"), "kept");
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(Extractor, EscapingEntriesAreSkippedAndTheRestExtracted) {
    const std::string outside = (root.root() / "outside").string();
    std::vector<ArchiveEntry> entries = {fileEntry("../evil1", "x"),
                                         fileEntry("Blue/../../evil2", "x"),
                                         fileEntry("..\\evil3", "x"),
                                         fileEntry("Blue\\..\\..\\evil4", "x"),
                                         fileEntry(outside + "/evil5", "x"),
                                         fileEntry("C:\\evil6", "x"),
                                         fileEntry("C:evil7", "x"),
                                         fileEntry("Blue/what?.txt", "x"),
                                         fileEntry("Blue/a\x01.txt", "x"),
                                         symlinkEntry("Blue/link", outside),
                                         fileEntry("Blue/link/evil8", "x"),
                                         fileEntry("Blue/good.txt", "good"),
                                         fileEntry("Blue\\Shell\\x.ini", "ini")};
    const size_t hostile = 10;
    fs::create_directories(outside);
    const auto before = outsideTarget();
    writeArchive(archive("evil.zip"), entries);
    EXPECT_EQ(extract(archive("evil.zip")), UnzipWarning);
    EXPECT_EQ(outsideTarget(), before);
    EXPECT_EQ(readFile(target() / "Blue/good.txt"), "good");
    EXPECT_EQ(readFile(target() / "Blue/Shell/x.ini"), "ini");
    EXPECT_FALSE(fs::is_symlink(target() / "Blue/link"));
    EXPECT_EQ(skipped(), hostile) << printed;

    // Links in a tar, and a link to elsewhere already in the target, are no way out.
    fs::create_directory_symlink(outside, target() / "Elsewhere");
    writeArchive(archive("links.tar"),
                 {fileEntry("Blue/ok", "ok"), hardlinkEntry("Blue/hard", outside + "/x"),
                  symlinkEntry("Blue/soft", "/etc/passwd"), fileEntry("Elsewhere/evil9", "x")},
                 {"pax"});
    EXPECT_EQ(extract(archive("links.tar")), UnzipWarning);
    EXPECT_EQ(outsideTarget(), before);
    EXPECT_EQ(readFile(target() / "Blue/ok"), "ok");
    EXPECT_FALSE(fs::exists(target() / "Blue/hard"));
}

TEST_F(Extractor, FoldersDifferingOnlyInCaseAreMerged) {
    writeFile(target() / "Blue/Shell/NormalColor/old.ini", "old");
    writeFile(target() / "Blue/README.TXT", "old");
    writeArchive(archive("case.zip"),
                 {fileEntry("BLUE/shell/normalcolor/new.ini", "new"),
                  fileEntry("blue/readme.txt", "new readme"), fileEntry("blue/Extra/x", "x")});
    EXPECT_EQ(extract(archive("case.zip")), UnzipOk);
    EXPECT_EQ(tree(target()),
              (std::vector<std::string>{"Blue/", "Blue/Extra/", "Blue/Extra/x", "Blue/README.TXT",
                                        "Blue/Shell/", "Blue/Shell/NormalColor/",
                                        "Blue/Shell/NormalColor/new.ini", "Blue/Shell/NormalColor/old.ini"}));
    EXPECT_EQ(readFile(target() / "Blue/README.TXT"), "new readme");
}

TEST_F(Extractor, AFileInTheWayOfAFolderSkipsItsEntries) {
    writeFile(target() / "Blue", "a file, not a folder");
    writeArchive(archive("s.zip"), {fileEntry("Blue/a", "a"), fileEntry("Green/b", "b")});
    EXPECT_EQ(extract(archive("s.zip")), UnzipWarning);
    EXPECT_EQ(readFile(target() / "Blue"), "a file, not a folder");
    EXPECT_EQ(readFile(target() / "Green/b"), "b");
}

TEST_F(Extractor, EncryptedEntriesGetNoPasswordAndNoFile) {
    const ArchiveFormat zipCrypto{"zip", "", "zip:encryption=zipcrypt", "secret"};
    writeArchive(archive("locked.zip"), {fileEntry("Blue/secret.txt", "hidden")}, zipCrypto);
    writeFile(target() / "Blue/secret.txt", "mine");
    EXPECT_EQ(extract(archive("locked.zip")), UnzipNoPassword);
    EXPECT_EQ(passwordAsked, std::vector<std::string>{"Blue/secret.txt"});
    EXPECT_EQ(readFile(target() / "Blue/secret.txt"), "mine");

    // Mixed with plain entries: those arrive, the result is a warning.
    writeArchive(archive("plain.zip"), {fileEntry("Blue/plain.txt", "plain")});
    joinZips(archive("plain.zip"), archive("locked.zip"), archive("mixed.zip"));
    fs::remove_all(target() / "Blue");
    EXPECT_EQ(extract(archive("mixed.zip")), UnzipWarning);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/plain.txt"}));

    // A password handed over through the callback does open the entry.
    callbacks.password = [](char* buffer, int size, const char*, const char*) {
        std::snprintf(buffer, size_t(size), "secret");
        return PasswordEntered;
    };
    EXPECT_EQ(extract(archive("locked.zip")), UnzipOk);
    EXPECT_EQ(readFile(target() / "Blue/secret.txt"), "hidden");
}

TEST_F(Extractor, ArchivesCutShortStopWithoutTouchingTheFileBeingReplaced) {
    const std::vector<ArchiveEntry> entries = {fileEntry("Blue/a.txt", "a"), fileEntry("Blue/big.bin", kBig)};
    const ArchiveFormat formats[] = {{"zip"}, {"pax", "gzip"}};
    for (const ArchiveFormat& format : formats) {
        SCOPED_TRACE(format.format);
        fs::remove_all(target());
        writeFile(target() / "Blue/big.bin", "old big");
        writeArchive(archive("full"), entries, format);
        fs::resize_file(archive("full"), fs::file_size(archive("full")) / 2);
        EXPECT_EQ(extract(archive("full")), UnzipEndOfArchive) << printed;
        EXPECT_EQ(readFile(target() / "Blue/a.txt"), "a");
        EXPECT_EQ(readFile(target() / "Blue/big.bin"), "old big");
        EXPECT_FALSE(hasTemporaryFiles(target()));
    }
}

TEST_F(Extractor, CorruptDataIsAFormatErrorAndReplacesNothing) {
    writeArchive(archive("bad.zip"), {fileEntry("Blue/big.bin", kBig), fileEntry("Blue/after.txt", "after")});
    std::string bytes = readFile(archive("bad.zip"));
    for (size_t i = 0; i < 4096; ++i)
        bytes[bytes.size() / 2 + i] ^= 0x5A;
    writeFile(archive("bad.zip"), bytes);
    writeFile(target() / "Blue/big.bin", "old big");
    const int code = extract(archive("bad.zip"));
    EXPECT_TRUE(code == UnzipError || code == UnzipSevereError) << code;
    EXPECT_EQ(readFile(target() / "Blue/big.bin"), "old big");
    EXPECT_FALSE(hasTemporaryFiles(target()));
}

TEST_F(Extractor, MissingUnreadableAndNonArchivesAreNotFound) {
    writeFile(archive("text.zip"), "just some text, not an archive\n");
    writeFile(archive("zero.zip"), "");
    fs::create_directories(archive("folder.zip"));
    for (const char* name : {"missing.zip", "text.zip", "zero.zip", "folder.zip"}) {
        EXPECT_EQ(extract(archive(name)), UnzipNoArchive) << name;
    }
    fs::remove_all(target());
    EXPECT_EQ(extract(archive("missing.zip")), UnzipNoArchive);
    EXPECT_FALSE(fs::exists(target())); // nothing made for an archive that is not there
}

TEST_F(Extractor, EmptyArchivesHaveNoEntries) {
    writeArchive(archive("empty.zip"), {});
    writeArchive(archive("empty.tgz"), {}, {"pax", "gzip"});
    EXPECT_EQ(extract(archive("empty.zip")), UnzipNoEntries);
    EXPECT_EQ(extract(archive("empty.tgz")), UnzipNoEntries);
}

namespace {
size_t g_bytesBeforeFull = 0;
ssize_t fillingDisk(int fd, const void* data, size_t size) {
    if (size > g_bytesBeforeFull) {
        errno = ENOSPC;
        return -1;
    }
    g_bytesBeforeFull -= size;
    return ::write(fd, data, size);
}
} // namespace

TEST_F(Extractor, AFullDiskStopsWithNoPartialFile) {
    writeArchive(archive("s.zip"), {fileEntry("Blue/a.txt", "a"), fileEntry("Blue/big.bin", kBig),
                                    fileEntry("Blue/z.txt", "z")});
    writeFile(target() / "Blue/big.bin", "old big");
    g_bytesBeforeFull = 1 << 20;
    {
        const ScopedHook fullDisk(&ArchiveExtractor::setWriteFunction, &fillingDisk);
        EXPECT_EQ(extract(archive("s.zip")), UnzipDiskFull);
    }
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/a.txt", "Blue/big.bin"}));
    EXPECT_EQ(readFile(target() / "Blue/big.bin"), "old big");
}

TEST_F(Extractor, IncludeAndExcludeListsSelectEntries) {
    writeArchive(archive("s.zip"), styleEntries());
    include[0] = "Blue/*.txt";
    includeCount = 1;
    EXPECT_EQ(extract(archive("s.zip")), UnzipOk);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", "Blue/empty.txt", "Blue/readme.txt"}));
    include[0] = "Green/*";
    EXPECT_EQ(extract(archive("s.zip")), UnzipNoEntries);
}

TEST_F(Extractor, ListingShowsEveryEntryAndWritesNothing) {
    writeArchive(archive("s.zip"), styleEntries());
    std::vector<std::string> listed;
    callbacks.message = [&listed](std::uint64_t size, std::uint64_t, unsigned, unsigned, unsigned,
                                  unsigned year, unsigned, unsigned, char, const char* name, const char*,
                                  std::uint32_t, char) {
        listed.push_back(std::string(name) + " " + std::to_string(size) + " " + std::to_string(year));
    };
    options.listOnly = 1;
    EXPECT_EQ(extract(archive("s.zip")), UnzipOk);
    EXPECT_EQ(listed, (std::vector<std::string>{"Blue/ 0 2006", "Blue/Blue.msstyles 70000 2006",
                                                "Blue/Shell/NormalColor/shellstyle.dll 3145728 2006",
                                                "Blue/readme.txt 6 2006", "Blue/empty.txt 0 2006"}));
    EXPECT_TRUE(tree(target()).empty());
}

TEST_F(Extractor, TheCallerCanFollowEachBlockAndStopAfterAnEntry) {
    writeArchive(archive("s.zip"), styleEntries());
    std::uint64_t written = 0;
    std::vector<std::string> done;
    std::vector<std::string> onDiskWhenStopped;
    callbacks.progress = [&written](std::uint64_t bytes) { written += bytes; };
    callbacks.service = [&](const char* name, std::uint64_t size) {
        done.push_back(std::string(name) + " " + std::to_string(size));
        // Stop once the large file, written in several blocks, is complete.
        if (done.size() < 3)
            return 0;
        onDiskWhenStopped = tree(target());
        return 1;
    };
    EXPECT_EQ(extract(archive("s.zip")), UnzipCancelled);
    EXPECT_EQ(done, (std::vector<std::string>{"Blue/ 0", "Blue/Blue.msstyles 70000",
                                              "Blue/Shell/NormalColor/shellstyle.dll 3145728"}));
    EXPECT_EQ(written, 70000u + kBig.size());
    // The entries were written whole before the stop, and then taken away again.
    EXPECT_TRUE(std::find(onDiskWhenStopped.begin(), onDiskWhenStopped.end(),
                          "Blue/Shell/NormalColor/shellstyle.dll") != onDiskWhenStopped.end());
    EXPECT_TRUE(tree(target()).empty());
}

TEST_F(Extractor, StoppingBeforeAnyFileLeavesNoFolderOfTheArchive) {
    writeArchive(archive("s.zip"), styleEntries());
    callbacks.service = [](const char*, std::uint64_t) { return 1; };
    EXPECT_EQ(extract(archive("s.zip")), UnzipCancelled);
    EXPECT_TRUE(tree(target()).empty());
}
