// Path, drive and file tests, the text-file routines and LZ expansion.

#include "LibraryTestSupport.h"

#include "common/FileNumbers.h"
#include "common/RuntimeError.h"
#include "common/prgmain.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

namespace {

using library_test::LibraryTest;
using quorlin::RuntimeError;

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

// Takes every file number for the length of a scope, as a program that left 511 files
// open would.
class AllFileNumbersTaken {
public:
    AllFileNumbersTaken() {
        for (int n = 1; n <= quorlin::FileNumbers::Count; ++n)
            quorlin::FileNumbers::take(n);
    }
    ~AllFileNumbersTaken() {
        for (int n = 1; n <= quorlin::FileNumbers::Count; ++n)
            quorlin::FileNumbers::release(n);
    }
};

using PathTests = LibraryTest;

TEST_F(PathTests, ChkPathExistAcceptsEnterableFoldersOnly) {
    writeBytes(host("file.txt"), "x");
    std::filesystem::create_directories(host("sub"));
    const auto before = std::filesystem::current_path();
    EXPECT_TRUE(prgmain::ChkPathExist(QStringLiteral("C:\\")));
    EXPECT_TRUE(prgmain::ChkPathExist(win(QStringLiteral("sub"))));
    EXPECT_TRUE(prgmain::ChkPathExist(win(QStringLiteral("sub\\"))));
    EXPECT_FALSE(prgmain::ChkPathExist(win(QStringLiteral("file.txt"))));
    EXPECT_FALSE(prgmain::ChkPathExist(win(QStringLiteral("missing"))));
    EXPECT_FALSE(prgmain::ChkPathExist(QString()));
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(PathTests, ChkDrvExistLooksAtTheFirstLetterOnly) {
    EXPECT_TRUE(prgmain::ChkDrvExist(QStringLiteral("c")));
    EXPECT_TRUE(prgmain::ChkDrvExist(QStringLiteral("C:")));
    EXPECT_TRUE(prgmain::ChkDrvExist(QStringLiteral("c:\\no\\such\\folder")));
    EXPECT_FALSE(prgmain::ChkDrvExist(QStringLiteral("Q:")));
    EXPECT_FALSE(prgmain::ChkDrvExist(QString()));
}

TEST_F(PathTests, ChkFileExistAcceptsAnyReadableFile) {
    writeBytes(host("empty.txt"), "");
    std::filesystem::create_directories(host("sub"));
    EXPECT_TRUE(prgmain::ChkFileExist(win(QStringLiteral("empty.txt"))));
    EXPECT_FALSE(prgmain::ChkFileExist(win(QStringLiteral("sub"))));
    EXPECT_FALSE(prgmain::ChkFileExist(win(QStringLiteral("missing.txt"))));
    if (::geteuid() != 0) {
        writeBytes(host("secret.txt"), "x");
        std::filesystem::permissions(host("secret.txt"), std::filesystem::perms::none);
        EXPECT_FALSE(prgmain::ChkFileExist(win(QStringLiteral("secret.txt"))));
    }
    // The test gives its file number back.
    EXPECT_EQ(quorlin::FileNumbers::freeFile(), 1);
}

TEST_F(PathTests, WithoutAFreeFileNumberTheFileRoutinesFailWith67) {
    writeBytes(host("a.txt"), "line\r\n");
    const AllFileNumbersTaken taken;
    EXPECT_EQ(errorOf([&] { prgmain::ChkFileExist(win(QStringLiteral("a.txt"))); }), 67);
    EXPECT_EQ(errorOf([&] { prgmain::WriteToFile(win(QStringLiteral("a.txt")), QStringLiteral("x")); }), 67);
    EXPECT_EQ(prgmain::ReadFromFile(win(QStringLiteral("a.txt"))), QString());
    EXPECT_EQ(readBytes(host("a.txt")), "line\r\n");
}

using TextFiles = LibraryTest;

TEST_F(TextFiles, WriteThenAppendGivesTwoCrLfLines) {
    const QString file = win(QStringLiteral("out.txt"));
    prgmain::WriteToFile(file, QStringLiteral("one"));
    prgmain::AppendToFile(file, QStringLiteral("two"));
    EXPECT_EQ(readBytes(host("out.txt")), "one\r\ntwo\r\n");
    // Writing again replaces the contents.
    prgmain::WriteToFile(file, QStringLiteral("three"));
    EXPECT_EQ(readBytes(host("out.txt")), "three\r\n");
}

TEST_F(TextFiles, AppendCreatesAMissingFile) {
    prgmain::AppendToFile(win(QStringLiteral("new.txt")), QString());
    EXPECT_EQ(readBytes(host("new.txt")), "\r\n");
}

TEST_F(TextFiles, TextIsWrittenAndReadInTheAnsiCodePage) {
    prgmain::WriteToFile(win(QStringLiteral("ansi.txt")), QStringLiteral("\u00e9\u20ac\u4e2d"));
    EXPECT_EQ(readBytes(host("ansi.txt")), "\xe9\x80?\r\n");
    EXPECT_EQ(prgmain::ReadFromFile(win(QStringLiteral("ansi.txt"))), QStringLiteral("\u00e9\u20ac?\r\n"));
}

TEST_F(TextFiles, WriteFailuresAreReportedWithTheirNumbers) {
    std::filesystem::create_directories(host("folder"));
    EXPECT_EQ(
        errorOf([&] { prgmain::WriteToFile(win(QStringLiteral("nofolder\\x.txt")), QStringLiteral("x")); }),
        76);
    EXPECT_EQ(errorOf([&] { prgmain::AppendToFile(win(QStringLiteral("folder")), QStringLiteral("x")); }),
              75);
    EXPECT_EQ(errorOf([&] { prgmain::WriteToFile(QStringLiteral("Q:\\x.txt"), QStringLiteral("x")); }), 76);
    if (::geteuid() != 0) {
        writeBytes(host("ro.txt"), "keep\r\n");
        std::filesystem::permissions(host("ro.txt"), std::filesystem::perms::owner_read);
        EXPECT_EQ(errorOf([&] { prgmain::WriteToFile(win(QStringLiteral("ro.txt")), QStringLiteral("x")); }),
                  75);
        EXPECT_EQ(readBytes(host("ro.txt")), "keep\r\n");
    }
    // Every failure gave its file number back.
    EXPECT_EQ(quorlin::FileNumbers::freeFile(), 1);
}

TEST_F(TextFiles, ANameEndingInASeparatorOpensNoFile) {
    writeBytes(host("keep.txt"), "keep\r\n");
    for (const QString& name : {win(QStringLiteral("keep.txt\\")), win(QStringLiteral("keep.txt/"))}) {
        EXPECT_FALSE(prgmain::ChkFileExist(name));
        EXPECT_EQ(errorOf([&] { prgmain::WriteToFile(name, QStringLiteral("lost")); }), 76);
        EXPECT_EQ(errorOf([&] { prgmain::AppendToFile(name, QStringLiteral("lost")); }), 76);
        EXPECT_EQ(prgmain::ReadFromFile(name), QString());
    }
    EXPECT_EQ(readBytes(host("keep.txt")), "keep\r\n");
    EXPECT_EQ(quorlin::FileNumbers::freeFile(), 1);
}

TEST_F(TextFiles, ReadFromFileEndsEveryLineWithCrLf) {
    const struct {
        std::string bytes;
        QString text;
    } cases[] = {
        {"first\r\nsecond", QStringLiteral("first\r\nsecond\r\n")},
        {"first\r\nsecond\r\n", QStringLiteral("first\r\nsecond\r\n")},
        {"a\rb\r", QStringLiteral("a\r\nb\r\n")},
        {"\r\n\r\n", QStringLiteral("\r\n\r\n")},
        {"a\r\rb", QStringLiteral("a\r\n\r\nb\r\n")},
        // A lone line feed is no line break.
        {"a\nb\r\n", QStringLiteral("a\nb\r\n")},
        {"", QString()},
    };
    for (const auto& c : cases) {
        writeBytes(host("in.txt"), c.bytes);
        EXPECT_EQ(prgmain::ReadFromFile(win(QStringLiteral("in.txt"))), c.text) << c.bytes;
    }
}

TEST_F(TextFiles, ReadFromFileGivesEmptyTextOnFailure) {
    std::filesystem::create_directories(host("folder"));
    EXPECT_EQ(prgmain::ReadFromFile(win(QStringLiteral("missing.txt"))), QString());
    EXPECT_EQ(prgmain::ReadFromFile(win(QStringLiteral("folder"))), QString());
    EXPECT_EQ(prgmain::ReadFromFile(QStringLiteral("Q:\\x.txt")), QString());
}

// ---- LZ expansion ---------------------------------------------------------------------

std::string szddHeader(uint32_t length) {
    std::string out("SZDD\x88\xf0\x27\x33", 8);
    out += 'A';
    out += 't'; // the missing last character of the name
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((length >> (8 * i)) & 0xff);
    return out;
}

// Literals only: a flag byte with all bits set before every eight bytes.
std::string szddLiterals(const std::string& data) {
    std::string out = szddHeader(static_cast<uint32_t>(data.size()));
    for (size_t i = 0; i < data.size(); i += 8) {
        out += '\xff';
        out += data.substr(i, 8);
    }
    return out;
}

using LzExpansion = LibraryTest;

TEST_F(LzExpansion, ExpandsACompressedFile) {
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += static_cast<char>(i * 7);
    writeBytes(host("data.bi_"), szddLiterals(data));
    prgmain::DecompressLZFile(win(QStringLiteral("data.bi_")), win(QStringLiteral("data.bin")));
    EXPECT_EQ(readBytes(host("data.bin")), data);
}

TEST_F(LzExpansion, FollowsBackReferencesIntoThePresetWindow) {
    // Literal A, literal B, then five bytes from window position 0, which starts out as
    // blanks.
    std::string file = szddHeader(7);
    file += '\x03';
    file += "AB";
    file += std::string("\x00\x02", 2);
    writeBytes(host("ref.tx_"), file);
    prgmain::DecompressLZFile(win(QStringLiteral("ref.tx_")), win(QStringLiteral("ref.txt")));
    EXPECT_EQ(readBytes(host("ref.txt")), "AB     ");
}

TEST_F(LzExpansion, CopiesAnyOtherFileUnchanged) {
    const std::string plain("plain text\r\n\x00\x01 and more", 23);
    writeBytes(host("plain.txt"), plain);
    writeBytes(host("copy.txt"), "old contents that are longer than the new ones, to see truncation");
    prgmain::DecompressLZFile(win(QStringLiteral("plain.txt")), win(QStringLiteral("copy.txt")));
    EXPECT_EQ(readBytes(host("copy.txt")), plain);
    writeBytes(host("tiny"), "SZ");
    prgmain::DecompressLZFile(win(QStringLiteral("tiny")), win(QStringLiteral("tiny.out")));
    EXPECT_EQ(readBytes(host("tiny.out")), "SZ");
}

TEST_F(LzExpansion, AFileExpandedOntoItselfHoldsItsExpansion) {
    writeBytes(host("self.tx_"), szddLiterals("expanded in place"));
    prgmain::DecompressLZFile(win(QStringLiteral("self.tx_")), win(QStringLiteral("self.tx_")));
    EXPECT_EQ(readBytes(host("self.tx_")), "expanded in place");
}

TEST_F(LzExpansion, AMissingSourceIsAskedForUntilCancelled) {
    writeBytes(host("dest.txt"), "keep me");
    quorlin::UiServices::setNextAnswer(quorlin::AnswerRetry);
    quorlin::UiServices::setNextAnswer(quorlin::AnswerCancel);
    prgmain::DecompressLZFile(win(QStringLiteral("gone.tx_")), win(QStringLiteral("dest.txt")));
    const auto asked = quorlin::UiServices::messages();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked.at(0).text.contains(win(QStringLiteral("gone.tx_"))));
    EXPECT_EQ(asked.at(0).style, 5 + 48);
    // A cancelled expansion leaves the destination alone.
    EXPECT_EQ(readBytes(host("dest.txt")), "keep me");
}

TEST_F(LzExpansion, ACorruptFileLeavesTheDestinationAlone) {
    std::string corrupt("SZDD\x88\xf0\x27\x33"
                        "B",
                        9); // unknown compression mode
    corrupt += std::string(10, '\0');
    writeBytes(host("bad.tx_"), corrupt);
    writeBytes(host("dest.txt"), "keep me");
    prgmain::DecompressLZFile(win(QStringLiteral("bad.tx_")), win(QStringLiteral("dest.txt")));
    EXPECT_EQ(readBytes(host("dest.txt")), "keep me");
    // No temporary file stays behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(host("")))
        ++entries;
    EXPECT_EQ(entries, 2);
}

} // namespace
