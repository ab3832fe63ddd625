// Clearing and listing folders, file names and extensions.

#include "LibraryTestSupport.h"

#include "common/RuntimeError.h"
#include "common/prgmain.h"
#include "platform/FileAttributes.h"

#include <filesystem>

#include <unistd.h>

namespace {

using library_test::LibraryTest;
namespace fs = std::filesystem;

using ClearFolder = LibraryTest;

TEST_F(ClearFolder, EmptiesTheFolderAndKeepsIt) {
    writeBytes(host("target/a.txt"), "a");
    writeBytes(host("target/sub/b.txt"), "b");
    writeBytes(host("target/sub/c.txt"), "c");
    writeBytes(host("target/.hidden"), "h");
    writeBytes(host("target/sub/deeper/d.txt"), "d");
    prgmain::ClearFolder(win(QStringLiteral("target\\")));
    ASSERT_TRUE(fs::is_directory(host("target")));
    EXPECT_TRUE(fs::is_empty(host("target")));
}

TEST_F(ClearFolder, ALinkIsRemovedButWhatItPointsAtSurvives) {
    writeBytes(host("precious/one.txt"), "1");
    writeBytes(host("precious/inner/two.txt"), "2");
    writeBytes(host("precious.txt"), "p");
    writeBytes(host("target/a.txt"), "a");
    fs::create_directory_symlink(host("precious"), host("target/link-to-folder"));
    fs::create_symlink(host("precious.txt"), host("target/link-to-file"));
    fs::create_directories(host("target/sub"));
    fs::create_directory_symlink("../../precious", host("target/sub/relative-link"));

    prgmain::ClearFolder(win(QStringLiteral("target\\")));

    EXPECT_TRUE(fs::is_empty(host("target")));
    EXPECT_EQ(readBytes(host("precious/one.txt")), "1");
    EXPECT_EQ(readBytes(host("precious/inner/two.txt")), "2");
    EXPECT_EQ(readBytes(host("precious.txt")), "p");
}

TEST_F(ClearFolder, SystemAndReadOnlyEntriesStayAndSoDoTheirFolders) {
    writeBytes(host("target/sys/system.dat"), "s");
    if (!platform::setDosAttributes(host("target/sys/system.dat"), platform::FILE_ATTRIBUTE_SYSTEM))
        GTEST_SKIP() << "the file system keeps no extended attributes";
    writeBytes(host("target/ro/readonly.txt"), "r");
    fs::permissions(host("target/ro/readonly.txt"), fs::perms::owner_read);
    writeBytes(host("target/plain.txt"), "p");

    prgmain::ClearFolder(win(QStringLiteral("target\\")));

    EXPECT_FALSE(fs::exists(host("target/plain.txt")));
    EXPECT_TRUE(fs::exists(host("target/sys/system.dat")));
    EXPECT_TRUE(fs::exists(host("target/ro/readonly.txt")));
}

TEST_F(ClearFolder, AMissingFolderIsNotAnError) {
    EXPECT_NO_THROW(prgmain::ClearFolder(win(QStringLiteral("missing\\"))));
    EXPECT_NO_THROW(prgmain::ClearFolder(QStringLiteral("Q:\\")));
    EXPECT_FALSE(fs::exists(host("missing"))) << "nothing is made in its place";
    EXPECT_TRUE(quorlin::UiServices::messages().isEmpty());
}

using LookFolder = LibraryTest;

// Creation order is the listing order on the usual file systems, but not a promise;
// the expected list is built from the platform's own order of the top folder.
TEST_F(LookFolder, SubfolderFilesComeWhereTheSubfolderIsListed) {
    writeBytes(host("tree/a.txt"), "a");
    writeBytes(host("tree/b/c.txt"), "c");
    writeBytes(host("tree/d.txt"), "d");
    QStringList expected;
    for (const auto& e : fs::directory_iterator(host("tree"))) {
        const QString name = QString::fromStdString(e.path().filename().string());
        if (name == QLatin1String("b"))
            expected << win(QStringLiteral("tree\\b\\c.txt"));
        else
            expected << win(QStringLiteral("tree\\")) + name;
    }
    // The platform lists in the file system's order, as directory_iterator does.
    const QStringList got = prgmain::LookFolder(win(QStringLiteral("tree\\")));
    EXPECT_EQ(got.size(), 3);
    EXPECT_EQ(got, expected);
}

TEST_F(LookFolder, HiddenAndSystemFilesAreListedUnreadableOnesNot) {
    writeBytes(host("tree/.hidden"), "h");
    writeBytes(host("tree/sub/x.txt"), "x");
    QStringList got = prgmain::LookFolder(win(QStringLiteral("tree\\")));
    got.sort();
    EXPECT_EQ(got,
              (QStringList{win(QStringLiteral("tree\\.hidden")), win(QStringLiteral("tree\\sub\\x.txt"))}));
    if (::geteuid() != 0) {
        fs::permissions(host("tree/.hidden"), fs::perms::none);
        EXPECT_EQ(prgmain::LookFolder(win(QStringLiteral("tree\\"))),
                  QStringList{win(QStringLiteral("tree\\sub\\x.txt"))});
    }
}

TEST_F(LookFolder, EmptyOrMissingFoldersGiveAnEmptyList) {
    fs::create_directories(host("empty"));
    EXPECT_TRUE(prgmain::LookFolder(win(QStringLiteral("empty\\"))).isEmpty());
    EXPECT_TRUE(prgmain::LookFolder(win(QStringLiteral("missing\\"))).isEmpty());
}

TEST_F(LookFolder, ALinkToAFolderAboveDoesNotLoop) {
    writeBytes(host("tree/a.txt"), "a");
    fs::create_directory_symlink(host("tree"), host("tree/loop"));
    EXPECT_EQ(prgmain::LookFolder(win(QStringLiteral("tree\\"))),
              QStringList{win(QStringLiteral("tree\\a.txt"))});
}

TEST(GetFilename, TakesTheNameAfterTheLastBackslash) {
    QString path = QStringLiteral("C:\\Windows\\notepad.exe");
    EXPECT_EQ(prgmain::GetFilename(path), QStringLiteral("notepad.exe"));
    EXPECT_EQ(path, QStringLiteral("C:\\Windows\\notepad.exe"));

    path = QStringLiteral("C:\\Windows\\");
    EXPECT_EQ(prgmain::GetFilename(path), QStringLiteral("Windows"));
    EXPECT_EQ(path, QStringLiteral("C:\\Windows"));

    path = QStringLiteral("C:\\");
    EXPECT_EQ(prgmain::GetFilename(path), QString());
    EXPECT_EQ(path, QStringLiteral("C:\\"));

    path = QStringLiteral("\\abc");
    EXPECT_EQ(prgmain::GetFilename(path), QStringLiteral("abc"));
}

TEST(GetFilename, FailsWith5WithoutABackslash) {
    QString path = QStringLiteral("abcd\\");
    try {
        prgmain::GetFilename(path);
        FAIL() << "no error";
    } catch (const quorlin::RuntimeError& e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_EQ(e.description(), QStringLiteral("Invalid procedure call or argument"));
    }
    // The trailing backslash went before the failure.
    EXPECT_EQ(path, QStringLiteral("abcd"));
}

TEST(GetExtension, TakesTheLastDotAndWhatFollows) {
    const struct {
        QString in, result, after;
    } cases[] = {
        {QStringLiteral("archive.tar.gz"), QStringLiteral(".gz"), QStringLiteral("archive.tar.gz")},
        {QStringLiteral("readme"), QStringLiteral("readme"), QStringLiteral("readme")},
        {QStringLiteral("name."), QStringLiteral("name"), QStringLiteral("name")},
        {QStringLiteral("C:\\my.dir\\file"), QStringLiteral(".dir\\file"),
         QStringLiteral("C:\\my.dir\\file")},
        {QStringLiteral(".profile"), QStringLiteral(".profile"), QStringLiteral(".profile")},
        {QStringLiteral("."), QString(), QString()},
        {QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        QString s = c.in;
        EXPECT_EQ(prgmain::GetExtension(s), c.result) << c.in.toStdString();
        EXPECT_EQ(s, c.after) << c.in.toStdString();
    }
}

} // namespace
