// Archives made to hurt: targets without a drive, names too deep or too long, entries that
// cannot be read, and the leftovers of an install killed half-way.
#include "AllocatedBytes.h"
#include "ArchiveBuilder.h"
#include "ExtractorFixture.h"
#include "commands/InstallArchive.h"
#include "commands/ZipUnzip.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The folder a process starts in; put back when the test ends.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& to) : m_old(fs::current_path()) { fs::current_path(to); }
    ~WorkingFolder() { fs::current_path(m_old); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    fs::path m_old;
};

using HostileArchive = Extractor;

// A name of depth folders of one letter each, then the file name.
std::string deepName(size_t depth, const std::string& file = "x") {
    std::string name;
    for (size_t i = 0; i < depth; ++i)
        name += "a/";
    return name + file;
}

// Sets the compression method of every entry of a stored ZIP archive, in its local and
// central headers, the way an archiver using that method would have written it.
void setZipMethod(const fs::path& zip, uint16_t method) {
    std::string bytes = readFile(zip);
    for (const auto& [signature, offset] :
         {std::pair<std::string, size_t>{"PK\x03\x04", 8}, {"PK\x01\x02", 10}}) {
        for (size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
            bytes[at + offset] = char(method & 0xFF);
            bytes[at + offset + 1] = char(method >> 8);
        }
    }
    writeFile(zip, bytes);
}

} // namespace

TEST_F(HostileArchive, ATargetWithoutADriveIsOnTheRootsDriveNeverTheWorkingFolders) {
    // A prefix whose Windows directory cannot be read gives the install the target
    // "\Resources\Themes\"; the program works in a folder outside the root, which is Z:.
    const fs::path outside = root.root().parent_path() / (root.root().filename().string() + "-outside");
    fs::create_directories(outside);
    root.addDrive('z', outside);
    fs::remove_all(root.windows());
    writeArchive(archive("style.zip"), {fileEntry("Blue/Blue.msstyles", "style")});
    quorlin::UiServices::setScripted(true);
    quorlin::UiServices::resetScript();
    {
        WorkingFolder working(outside);
        ASSERT_EQ(mdlMain::themesDirectory(), QStringLiteral("\\Resources\\Themes\\"));
        ZipUnzip::UnzipArchive(QString::fromStdString(archive("style.zip").string()),
                               mdlMain::themesDirectory(), 0, 1, 0, 0, 0, 0);
    }
    EXPECT_TRUE(quorlin::UiServices::messages().empty());
    EXPECT_EQ(readFile(root.driveC() / "Resources/Themes/Blue/Blue.msstyles"), "style");
    EXPECT_TRUE(tree(outside).empty()) << tree(outside).front();

    // In a root without a C: drive there is nowhere to go: the install fails, writing nothing.
    {
        TestRoot noC;
        fs::remove(noC.root() / "dosdevices" / "c:");
        noC.addDrive('z', outside);
        WorkingFolder working(outside);
        EXPECT_EQ(extract(archive("style.zip"), "\\Resources\\Themes\\"), UnzipError);
    }
    EXPECT_TRUE(tree(outside).empty());
    quorlin::UiServices::resetScript();
    fs::remove_all(outside);
}

TEST_F(HostileArchive, NamesTooLongForWindowsAreSkippedBeforeAnythingIsMade) {
    // "C:\windows\Resources\Themes\" takes 28 of the 259 characters a path may have.
    const std::string fits = "Blue/" + std::string(259 - 28 - 5, 'f');
    const std::string tooLong = "Blue/Deep/" + std::string(259 - 28 - 10 + 1, 'g');
    writeArchive(archive("long.zip"),
                 {fileEntry(fits, "fits"), fileEntry(tooLong, "x"), fileEntry(deepName(2000), "x"),
                  fileEntry("Green/" + std::string(300, 'h') + "/x", "x")});
    EXPECT_EQ(extract(archive("long.zip")), UnzipWarning);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Blue/", fits}));
    EXPECT_EQ(skipped(), 3u) << printed;
    EXPECT_NE(printed.find("skipping: " + tooLong + "  (path too long)\n"), std::string::npos) << printed;

    // A few hundred bytes of .tar.gz holding one name 50,000 folders deep.
    writeArchive(archive("deep.tgz"), {fileEntry(deepName(50000), "x")}, {"pax", "gzip"});
    ASSERT_LT(fs::file_size(archive("deep.tgz")), 2000u);
    fs::remove_all(target());
    EXPECT_EQ(extract(archive("deep.tgz")), UnzipWarning);
    EXPECT_FALSE(fs::exists(target())) << "not even the extraction folder is made";
}

TEST_F(HostileArchive, AnEntryCostsWorkLinearInTheDepthOfItsName) {
    // Four times the depth, about four times the work; not sixteen (or more).
    auto bytesFor = [&](size_t depth) {
        writeArchive(archive("deep.zip"), {fileEntry(deepName(depth), "x")});
        fs::remove_all(target());
        unsigned long long bytes = 0;
        bytes = allocatedBytes([&] { EXPECT_EQ(extract(archive("deep.zip")), UnzipOk) << printed; });
        EXPECT_EQ(readFile(target() / deepName(depth)), "x");
        return bytes;
    };
    const unsigned long long shallow = bytesFor(25);
    const unsigned long long deep = bytesFor(100);
    EXPECT_LT(deep, 8 * shallow) << shallow << " bytes at 25 levels, " << deep << " at 100";
}

TEST_F(HostileArchive, EncryptedOrUnsupportedEntriesLeaveNoStyleBehind) {
    const std::vector<ArchiveEntry> style = {folderEntry("Blue/"), folderEntry("Blue/Shell/"),
                                             fileEntry("Blue/Blue.msstyles", "style"),
                                             fileEntry("Blue/Shell/shellstyle.dll", "shell")};
    struct Case {
        const char* what;
        ArchiveFormat format;
        int code;
    };
    const Case cases[] = {
        {"zip -P", {"zip", "", "zip:encryption=zipcrypt", "secret"}, UnzipNoPassword},
        {"AES-256", {"zip", "", "zip:encryption=aes256", "secret"}, UnzipNoPassword},
        {"Deflate64", {"zip", "", "zip:compression=store"}, UnzipUnsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeArchive(archive("style.zip"), style, c.format);
        if (c.code == UnzipUnsupported)
            setZipMethod(archive("style.zip"), 9);
        fs::remove_all(target());
        EXPECT_EQ(extract(archive("style.zip")), c.code) << printed;
        EXPECT_FALSE(fs::exists(target())) << "no empty style, no empty themes folder";
    }

    // Beside a style that does arrive, folders made for refused entries go again; a folder
    // an entry names stays.
    writeArchive(archive("locked.zip"), {fileEntry("Red/Shell/a.dll", "x")}, cases[0].format);
    writeArchive(archive("plain.zip"), {fileEntry("Green/g.msstyles", "green"), folderEntry("Green/Empty/")});
    joinZips(archive("plain.zip"), archive("locked.zip"), archive("mixed.zip"));
    fs::create_directories(target());
    EXPECT_EQ(extract(archive("mixed.zip")), UnzipWarning);
    EXPECT_EQ(tree(target()), (std::vector<std::string>{"Green/", "Green/Empty/", "Green/g.msstyles"}));
}

TEST_F(HostileArchive, TheFirstBytesOfAFileStartNoProgram) {
    // Compressions that libarchive hands to a program of their name, found on PATH.
    const fs::path bin = root.root() / "bin";
    const fs::path started = root.root() / "started";
    for (const std::string name : {"lrzip", "lzop", "grzip"}) {
        writeFile(bin / name, "#!/bin/sh\necho " + name + " >>'" + started.string() + "'\ncat >/dev/null\n");
        fs::permissions(bin / name, fs::perms::owner_all);
    }
    writeFile(archive("a.lrz"), std::string("LRZI\0\6", 6) + std::string(18, '\0'));
    writeFile(archive("a.lzo"),
              std::string("\x89LZO\0\r\n\x1a\n\x10\x30\x20\xa0\x09\x40\x01\x05\x03\0\0\1\0\0\x81\xa4", 25));
    writeFile(archive("a.grz"), std::string("GRZipII\0\2\4:)", 12) + std::string(12, '\0'));
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    for (const char* name : {"a.lrz", "a.lzo", "a.grz"})
        EXPECT_EQ(extract(archive(name)), UnzipNoArchive) << name;
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(fs::exists(started)) << readFile(started);
}

namespace {

int g_toParent = -1;   // the writer tells: "I am writing"
int g_fromParent = -1; // and waits for a word before it goes on
bool g_dieWhileWriting = false;

ssize_t pausingWrite(int fd, const void* data, size_t size) {
    if (g_toParent >= 0) {
        char c = 'w';
        if (::write(g_toParent, &c, 1) != 1)
            ::_exit(3);
        ::close(g_toParent);
        g_toParent = -1;
        if (g_dieWhileWriting)
            ::raise(SIGKILL);
        if (::read(g_fromParent, &c, 1) != 1)
            ::_exit(3);
    }
    return ::write(fd, data, size);
}

} // namespace

TEST_F(HostileArchive, TemporariesOfAKilledInstallGoAndThoseOfARunningOneStay) {
    writeArchive(archive("big.zip"), {fileEntry("Blue/big.bin", randomBytes(1 << 20, 3))});
    writeArchive(archive("small.zip"), {fileEntry("Green/g.txt", "g")});
    writeArchive(archive("blue.zip"), {fileEntry("Blue/more.txt", "more")});
    auto temporaries = [&] {
        std::vector<std::string> out;
        for (const std::string& p : tree(target()))
            if (p.find(".kolv~") != std::string::npos)
                out.push_back(p);
        return out;
    };
    // Starts an install in a child that stops while writing the data; it then dies there
    // or waits for a word from this process.
    auto startInstall = [&](bool die, int& word) {
        int up[2], down[2];
        EXPECT_EQ(::pipe(up), 0);
        EXPECT_EQ(::pipe(down), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(up[0]);
            ::close(down[1]);
            g_toParent = up[1];
            g_fromParent = down[0];
            g_dieWhileWriting = die;
            ArchiveExtractor::setWriteFunction(&pausingWrite);
            ::_exit(extract(archive("big.zip")) == UnzipOk ? 0 : 1);
        }
        ::close(up[1]);
        ::close(down[0]);
        char c = 0;
        EXPECT_EQ(::read(up[0], &c, 1), 1);
        ::close(up[0]);
        word = down[1];
        return child;
    };

    int word = -1;
    const pid_t killed = startInstall(true, word);
    int status = 0;
    ::waitpid(killed, &status, 0);
    ::close(word);
    ASSERT_TRUE(WIFSIGNALED(status));
    // Its temporary file, and its mark in the themes folder.
    const auto left = temporaries();
    ASSERT_EQ(left.size(), 2u) << "the killed install left its temporary file";
    EXPECT_TRUE(left[0].starts_with(".kolv~") && left[0].ends_with("~run")) << left[0];
    EXPECT_TRUE(left[1].starts_with("Blue/.kolv~")) << left[1];
    // The next install, of another style, takes both away.
    EXPECT_EQ(extract(archive("small.zip")), UnzipOk);
    EXPECT_TRUE(temporaries().empty()) << temporaries().front();

    // One install runs while another starts. Beside it lies a temporary of a process whose
    // number now belongs to another process; it goes as the install passes its folder.
    const pid_t running = startInstall(false, word);
    writeFile(target() / "Blue" / (".kolv~" + std::to_string(::getpid()) + ".1~6"), "number reused");
    writeFile(target() / "Blue" / ".kolv~note.txt", "not a temporary file");
    EXPECT_EQ(extract(archive("blue.zip")), UnzipOk);
    EXPECT_EQ(temporaries().size(), 3u) << "the running install's file and mark, the note";
    EXPECT_TRUE(fs::exists(target() / "Blue/.kolv~note.txt"));
    EXPECT_EQ(readFile(target() / "Blue/more.txt"), "more");

    // The running install finishes undisturbed.
    ASSERT_EQ(::write(word, "g", 1), 1);
    ::close(word);
    ::waitpid(running, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(target() / "Blue/big.bin"), randomBytes(1 << 20, 3));
    EXPECT_EQ(temporaries(), (std::vector<std::string>{"Blue/.kolv~note.txt"}));
}

// An archive that holds what a killed install leaves (its mark, a record and the file it
// names) would have the next start put that file in place of the user's, unasked: such
// names are never extracted, at any depth.
TEST_F(HostileArchive, TheInstallsOwnNamesAreNeverExtracted) {
    writeFile(target() / "Blue/notes.txt", "the user's notes");
    const std::string killed = ".kolv~999999999.1~";
    writeArchive(
        archive("planted.zip"),
        {fileEntry(killed + "run", ""),
         fileEntry("Blue/" + killed + "kept", std::string("0/notes.txt\0", 12)),
         fileEntry("Blue/" + killed + "0", "planted notes"), fileEntry("Blue/" + killed + "x/a.txt", "a"),
         fileEntry("Blue/.kolv~notes.txt", "an ordinary name"), fileEntry("Blue/readme.txt", "readme")});
    EXPECT_EQ(extract(archive("planted.zip")), UnzipWarning);
    EXPECT_EQ(skipped(), 3u) << printed;
    EXPECT_NE(
        printed.find("skipping: Blue/" + killed + "kept  (unsafe name: the name of an install's own file)"),
        std::string::npos)
        << printed;
    removeInstallLeftovers(QStringLiteral("C:\\windows\\Resources\\Themes\\"));
    EXPECT_EQ(readFile(target() / "Blue/notes.txt"), "the user's notes");
    EXPECT_EQ(tree(target()),
              (std::vector<std::string>{"Blue/", "Blue/" + killed + "x/", "Blue/" + killed + "x/a.txt",
                                        "Blue/.kolv~notes.txt", "Blue/notes.txt", "Blue/readme.txt"}));
}
