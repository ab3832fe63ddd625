// The style file reader: colour schemes, sizes and format number out of the PE resource
// directory, and nothing but "cannot be read" for anything else.

#include "main/StyleFile.h"

#include "StyleFileBuilder.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <random>

using testing_support::nameList;
using testing_support::PeBuilder;
using testing_support::PeResource;
using testing_support::styleFile;

namespace {

QByteArrayView view(const std::string& bytes) {
    return QByteArrayView(bytes.data(), qsizetype(bytes.size()));
}

StyleFile read(const std::string& bytes) {
    return StyleFile::fromData(view(bytes));
}

} // namespace

TEST(StyleFileTest, ListsAndVersionOfAStyle) {
    const StyleFile file =
        read(styleFile({u"NormalColor", u"Metallic", u"HomeStead"}, {u"NormalSize", u"LargeFonts"}));
    ASSERT_TRUE(file.colorNames());
    EXPECT_EQ(*file.colorNames(), QStringList({"NormalColor", "Metallic", "HomeStead"}));
    ASSERT_TRUE(file.sizeNames());
    EXPECT_EQ(*file.sizeNames(), QStringList({"NormalSize", "LargeFonts"}));
    EXPECT_EQ(file.packthemVersion(), 3);
}

TEST(StyleFileTest, SixtyFourBitImagesAreReadToo) {
    const std::string bytes = PeBuilder::build({{u"COLORNAMES", nameList({u"Blue", u"Olive"})}}, true);
    const StyleFile file = read(bytes);
    ASSERT_TRUE(file.colorNames());
    EXPECT_EQ(*file.colorNames(), QStringList({"Blue", "Olive"}));
    EXPECT_FALSE(file.sizeNames());
    EXPECT_FALSE(file.packthemVersion());
}

TEST(StyleFileTest, TypeNamesMatchIgnoringCaseAndOnlyNameOneCounts) {
    EXPECT_TRUE(read(PeBuilder::build({{u"colornames", nameList({u"Blue"})}})).colorNames());
    PeResource otherId{u"COLORNAMES", nameList({u"Blue"}), 2};
    EXPECT_FALSE(read(PeBuilder::build({otherId})).colorNames());
    EXPECT_FALSE(read(PeBuilder::build({{u"COLORNAME", nameList({u"Blue"})}})).colorNames());
}

TEST(StyleFileTest, NameListEndings) {
    // Ended by the empty name; what follows it is not part of the list.
    std::string data = nameList({u"One", u"Two"}) + nameList({u"Ignored"});
    EXPECT_EQ(StyleFile::parseNameList(view(data)), QStringList({"One", "Two"}));
    // A last name cut off by the end of the data, and an odd trailing byte.
    std::string cut = nameList({u"One", u"Two"});
    cut.resize(cut.size() - 5);
    EXPECT_EQ(StyleFile::parseNameList(view(cut)), QStringList({"One", "Tw"}));
    // Names beyond Latin-1 come through as they are.
    EXPECT_EQ(StyleFile::parseNameList(view(nameList({u"Bl\u00e4u\u6f22"}))),
              QStringList({QString::fromUtf16(u"Bl\u00e4u\u6f22")}));
    // An empty list cannot say what the style offers.
    EXPECT_FALSE(read(PeBuilder::build({{u"COLORNAMES", nameList({})}})).colorNames());
}

TEST(StyleFileTest, WhatIsNotAPeCannotBeRead) {
    for (const std::string& bytes : {std::string(), std::string("MZ"), std::string("plain text, not a style"),
                                     std::string(4096, '\0'), std::string(64, 'M')}) {
        const StyleFile file = read(bytes);
        EXPECT_FALSE(file.colorNames());
        EXPECT_FALSE(file.sizeNames());
        EXPECT_FALSE(file.packthemVersion());
    }
}

TEST(StyleFileTest, EveryTruncationIsUnreadableOrCorrectNeverACrash) {
    const std::string whole = styleFile({u"NormalColor", u"Silver"}, {u"NormalSize"});
    for (size_t length = 0; length < whole.size(); ++length) {
        const StyleFile file = read(whole.substr(0, length));
        // Only a cut in the padding after the last resource can keep a list, and then
        // it is the whole list.
        if (file.colorNames()) {
            EXPECT_EQ(*file.colorNames(), QStringList({"NormalColor", "Silver"})) << length;
        }
        if (file.sizeNames()) {
            EXPECT_EQ(*file.sizeNames(), QStringList({"NormalSize"})) << length;
        }
    }
    EXPECT_FALSE(read(whole.substr(0, PeBuilder::kSectionFileOffset)).colorNames());
}

TEST(StyleFileTest, DamagedImagesNeverCrash) {
    // Random bytes flipped in a valid image: offsets that point anywhere, counts that
    // claim thousands of entries. The sanitizer builds catch any read outside the data.
    const std::string whole = styleFile({u"NormalColor", u"Silver"}, {u"NormalSize"});
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> position(0, whole.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    int readable = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = whole;
        for (int flips = 0; flips < 4; ++flips)
            damaged[position(random)] = char(byte(random));
        if (read(damaged).colorNames())
            ++readable;
    }
    // Most damage lands in padding or data and leaves the directory intact.
    EXPECT_GT(readable, 0);
}

TEST(StyleFileTest, MoreSectionsThanWindowsLoadsCannotBeRead) {
    // The resource section moved behind a table of sections, the others empty ones.
    auto withSections = [](uint16_t count) {
        std::string image = styleFile({u"NormalColor"}, {u"NormalSize"});
        const std::string section = image.substr(PeBuilder::kSectionFileOffset);
        const size_t table = 0x44 + 20 + 224;
        const std::string rsrc = image.substr(table, 40);
        image.resize(table);
        image[0x46] = char(count & 0xFF);
        image[0x47] = char(count >> 8);
        const uint32_t raw = uint32_t(table + count * 40 + 0x1FF) & ~0x1FFu;
        for (uint32_t i = 0; i < count; ++i) {
            std::string header = rsrc;
            const uint32_t rva = i == 0 ? PeBuilder::kSectionRva : 0x100000 + i * 0x1000;
            for (int k = 0; k < 4; ++k) {
                header[12 + k] = char(rva >> (8 * k));
                header[20 + k] = char(raw >> (8 * k));
            }
            image += header;
        }
        image.resize(raw, '\0');
        return image + section;
    };
    const StyleFile most = read(withSections(96));
    ASSERT_TRUE(most.colorNames());
    EXPECT_EQ(*most.colorNames(), QStringList({"NormalColor"}));
    EXPECT_FALSE(read(withSections(97)).colorNames());
    EXPECT_FALSE(read(withSections(65535)).sizeNames());
}

TEST(StyleFileTest, FilesOnDisk) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    std::ofstream(folder / "Luna.msstyles", std::ios::binary) << styleFile({u"Blue"}, {u"Tall"});
    std::ofstream(folder / "empty.msstyles", std::ios::binary);
    std::filesystem::create_directory(folder / "folder.msstyles");

    const StyleFile luna =
        StyleFile::fromHostPath(QString::fromStdString((folder / "Luna.msstyles").string()));
    ASSERT_TRUE(luna.colorNames());
    EXPECT_EQ(*luna.colorNames(), QStringList({"Blue"}));
    for (const char* name : {"empty.msstyles", "folder.msstyles", "missing.msstyles"})
        EXPECT_FALSE(StyleFile::fromHostPath(QString::fromStdString((folder / name).string())).colorNames())
            << name;
}

// The theme service walks FILERESNAMES without looking for its end and loads the INI data
// it names: a file without all of it is never handed to it.
TEST(StyleFileTest, OnlyACompleteFormatThreeStyleGoesToTheThemeService) {
    using testing_support::utf16Text;
    const auto build = [](const std::string& version, const std::vector<std::u16string>& iniNames,
                          const std::vector<std::u16string>& textFiles) {
        std::vector<PeResource> resources{{u"PACKTHEM_VERSION", version},
                                          {u"COLORNAMES", nameList({u"Blue", u"Olive"})},
                                          {u"SIZENAMES", nameList({u"Normal"})},
                                          {u"FILERESNAMES", nameList(iniNames)}};
        for (const auto& name : textFiles)
            resources.push_back({u"TEXTFILE", utf16Text(u"[SysMetrics]"), 0, name});
        return read(PeBuilder::build(resources));
    };
    const std::string three("\x03\x00", 2);
    const std::vector<std::u16string> both{u"BLUE_INI", u"OLIVE_INI"};
    const std::vector<std::u16string> all{u"THEMES_INI", u"BLUE_INI", u"OLIVE_INI"};

    EXPECT_TRUE(build(three, both, all).themeServiceCanOpen());
    // Names are matched as Windows matches them, whatever case the list spells.
    EXPECT_TRUE(build(three, {u"blue_ini", u"Olive_Ini"}, all).themeServiceCanOpen());
    EXPECT_TRUE(
        read(styleFile({u"NormalColor", u"Metallic"}, {u"NormalSize", u"LargeFonts"})).themeServiceCanOpen());

    EXPECT_FALSE(build(std::string("\x04\x00", 2), both, all).themeServiceCanOpen()) << "format 4";
    EXPECT_FALSE(build(std::string("\x03\x00\x00\x00", 4), both, all).themeServiceCanOpen())
        << "the format number is two bytes";
    EXPECT_FALSE(build(three, {u"BLUE_INI"}, all).themeServiceCanOpen()) << "a pair without its INI";
    EXPECT_FALSE(build(three, both, {u"THEMES_INI", u"BLUE_INI"}).themeServiceCanOpen())
        << "INI data missing";
    EXPECT_FALSE(build(three, both, {u"BLUE_INI", u"OLIVE_INI"}).themeServiceCanOpen()) << "no THEMES_INI";
    EXPECT_FALSE(read(PeBuilder::build({{u"PACKTHEM_VERSION", three},
                                        {u"COLORNAMES", nameList({u"Blue"})},
                                        {u"FILERESNAMES", nameList({u"BLUE_INI"})},
                                        {u"TEXTFILE", utf16Text(u"x"), 0, u"BLUE_INI"},
                                        {u"TEXTFILE", utf16Text(u"x"), 0, u"THEMES_INI"}}))
                     .themeServiceCanOpen())
        << "no sizes";
    EXPECT_FALSE(read("MZ not a style").themeServiceCanOpen());

    // Thousands of pairs are a file made to keep the reader busy, not a style.
    std::vector<std::u16string> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(u"C" + std::u16string(1, char16_t(u'A' + i % 26)) +
                       std::u16string(1, char16_t(0x100 + i)));
    EXPECT_FALSE(read(styleFile(many, {u"Normal"})).themeServiceCanOpen());
    many.resize(200);
    EXPECT_TRUE(read(styleFile(many, {u"Normal"})).themeServiceCanOpen());
}
