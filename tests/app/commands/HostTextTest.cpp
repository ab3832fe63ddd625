// Names as the system hands them over: any bytes come back exactly as they came, through
// every text of the program; those that are UTF-8 read as the characters they are.
#include "commands/HostText.h"
#include "app/archive/ArchiveBuilder.h"
#include "app/archive/ExtractorFixture.h"
#include "commands/InstallArchive.h"

#include <gtest/gtest.h>

#include <random>

using namespace testing_support;

TEST(HostText, AnyBytesComeBackAsTheyCame) {
    std::mt19937 generator(11);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(generator() % 24, '\0');
        for (char& c : bytes)
            c = static_cast<char>(round % 2 ? generator() : 0x80 | generator()); // mostly no UTF-8
        ASSERT_EQ(HostText::toBytes(HostText::fromBytes(bytes)), bytes) << round;
    }
    // What no UTF-8 decoder accepts: a lone continuation byte, a cut sequence, an overlong
    // form, an encoded surrogate, a code point beyond Unicode.
    for (const std::string bytes :
         {"caf\xe9.zip", "\x80", "\xe2\x82", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"})
        EXPECT_EQ(HostText::toBytes(HostText::fromBytes(bytes)), bytes);
}

TEST(HostText, Utf8ReadsAsItsCharacters) {
    EXPECT_EQ(HostText::fromBytes("caf\xc3\xa9 \xf0\x9f\x8e\xa8.zip"), QStringLiteral(u"café 🎨.zip"));
    EXPECT_EQ(HostText::toBytes(QStringLiteral(u"café 🎨.zip")), "caf\xc3\xa9 \xf0\x9f\x8e\xa8.zip");
    // Latin-1 é among UTF-8: the byte alone stands apart, the rest reads as text.
    const QString mixed = HostText::fromBytes("\xc3\xa9t\xe9");
    EXPECT_EQ(mixed.left(2), QStringLiteral(u"ét"));
    EXPECT_EQ(mixed.size(), 3);
}

using ArchiveNamedInLatin1 = Extractor;

TEST_F(ArchiveNamedInLatin1, InstallsByTheBytesOfItsName) {
    const std::filesystem::path path = archive("caf\xe9.zip");
    writeArchive(path, {fileEntry("Caf\xc3\xa9/Caf\xc3\xa9.msstyles", "style")});
    const InstallResult result = installArchive(HostText::fromBytes(path.native()),
                                                QStringLiteral("C:\\windows\\Resources\\Themes\\"));
    EXPECT_EQ(result.code, 0) << result.meaning.toStdString();
    EXPECT_EQ(readFile(target() / "Caf\xc3\xa9/Caf\xc3\xa9.msstyles"), "style");
}
