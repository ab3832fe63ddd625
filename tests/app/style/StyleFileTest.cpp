// The style file reader: resources by number and name in every language, colour schemes
// and sizes with their names, string tables, details, INI data, out of the PE resource
// directory; nothing but "cannot be read" for anything else.

#include "style/StyleFile.h"
#include "style/ResourceLanguage.h"
#include "style/StringTable.h"

#include "StyleFileBuilder.h"
#include "WineLight.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <random>

using testing_support::nameList;
using testing_support::PeBuilder;
using testing_support::PeResource;
using testing_support::stringBlock;
using testing_support::styleFile;
using testing_support::utf16;

namespace {

QByteArrayView view(const std::string& bytes) {
    return QByteArrayView(bytes.data(), qsizetype(bytes.size()));
}

StyleFile read(const std::string& bytes) {
    return StyleFile::fromData(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

} // namespace

TEST(StyleFileTest, AStyleGivesItsSchemesSizesAndVersion) {
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

TEST(StyleFileTest, ANameListEndsAtTheEmptyNameOrTheEndOfItsData) {
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
    // A list of thousands is read as far as any style goes, and no further.
    const std::vector<std::u16string> many(5000, u"x");
    const StyleFile crowded = read(PeBuilder::build({{u"COLORNAMES", nameList(many)}}));
    ASSERT_TRUE(crowded.colorNames());
    EXPECT_EQ(crowded.colorNames()->size(), StyleFile::kMaxNames);
    EXPECT_EQ(crowded.colorSchemes().size(), StyleFile::kMaxNames);
    EXPECT_EQ(StyleFile::parseNameList(view(nameList(many)), 3).size(), 3);
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

TEST(StyleFileTest, OnlyAStyleFileOnDiskGivesAStyle) {
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

// ---- resources by number and by name, in every language ------------------------------

namespace {

PeResources resources(const std::string& image) {
    return PeResources(QByteArray(image.data(), qsizetype(image.size())));
}

QByteArray bytesOf(const std::optional<QByteArrayView>& data) {
    return data ? data->toByteArray() : QByteArray("(none)");
}

} // namespace

TEST(StyleFileTest, ResourcesAreFoundByNumberOrNameInAnyCaseAndLanguage) {
    const PeResources pe = resources(PeBuilder::build({
        {u"", "english", 0, u"Blue_Window_BMP", 0x409, 2},
        {u"", "german", 0, u"Blue_Window_BMP", 0x407, 2},
        {u"", "numbered", 7, u"", 0x409, 2},
        {u"TextFile", "text", 0, u"BLUE_INI"},
        {u"", "block", 63, u"", 0x804, 6},
    }));
    ASSERT_TRUE(pe.isValid());
    // Names are compared upper-cased, whatever case either side has.
    EXPECT_EQ(pe.languages(2, "BLUE_WINDOW_BMP"), QList<quint16>({0x409, 0x407}));
    EXPECT_EQ(bytesOf(pe.find(2, "blue_window_bmp")), "english");
    EXPECT_EQ(bytesOf(pe.find(2, QStringLiteral("BLUE_window_BMP"), 0x407)), "german");
    EXPECT_FALSE(pe.find(2, "BLUE_WINDOW_BMP", 0x411));
    EXPECT_EQ(bytesOf(pe.find("TEXTFILE", "blue_ini")), "text");
    EXPECT_EQ(bytesOf(pe.find(6, 63)), "block");
    // A number is not a name and a name is not a number, nor a type another type.
    EXPECT_FALSE(pe.find(2, 63));
    EXPECT_FALSE(pe.find(2, "7"));
    EXPECT_EQ(bytesOf(pe.find(2, 7)), "numbered");
    EXPECT_FALSE(pe.find(6, "BLUE_INI"));
    EXPECT_FALSE(pe.find("TEXTFIL", "BLUE_INI"));
    EXPECT_FALSE(pe.find(2, ""));

    QStringList names;
    for (const ResourceName& name : pe.names(2))
        names.append(name.toString());
    EXPECT_EQ(names, QStringList({"BLUE_WINDOW_BMP", "#7"}));
    EXPECT_EQ(pe.names(2, 1).size(), 1);

    // The user's language, else the same language elsewhere, else English, else the first.
    EXPECT_EQ(bytesOf(pe.findPreferred(2, "BLUE_WINDOW_BMP", 0x0807)), "german");
    EXPECT_EQ(bytesOf(pe.findPreferred(2, "BLUE_WINDOW_BMP", 0x0411)), "english");
    EXPECT_EQ(bytesOf(pe.findPreferred(6, 63, 0x0407)), "block");
}

TEST(StyleFileTest, TheUsersLanguageIsPickedElseItsNeutralFormElseEnglishElseTheFirst) {
    using ResourceLanguage::pick;
    const QList<quint16> light = {1, 7, 1028, 1033, 1046, 2052, 2070, 9242};
    EXPECT_EQ(pick(light, 0x0407), 7);    // German (Germany): the neutral German
    EXPECT_EQ(pick(light, 0x0804), 2052); // Chinese (PRC)
    EXPECT_EQ(pick(light, 0x0404), 1028); // Chinese (Taiwan)
    EXPECT_EQ(pick(light, 0x0C04), 1028); // Chinese (Hong Kong): Chinese of another place
    EXPECT_EQ(pick(light, 0x0416), 1046); // Portuguese (Brazil)
    EXPECT_EQ(pick(light, 0x0411), 1033); // Japanese: none, so English
    EXPECT_EQ(pick({1, 7}, 0x0411), 1);   // no English either: the first
    EXPECT_EQ(pick({0x0807, 0x0407}, 0x0C07), 0x0807);
    EXPECT_EQ(pick({0x0807, 0x0007}, 0x0C07), 0x0007); // the neutral form before another country's

    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("de_DE")), 0x0407);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("en_US")), 1033);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("en_GB")), 0x0809);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("zh_CN")), 0x0804);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("zh_TW")), 0x0404);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("pt_BR")), 0x0416);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("pt_PT")), 0x0816);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("sr_RS")), 0x281A);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale("sr_Latn_RS")), 0x241A);
    EXPECT_EQ(ResourceLanguage::fromLocale(QLocale::c()), 1033);
}

TEST(StyleFileTest, StringTableEntriesAreFoundInTheirBlockAndACutBlockKeepsWhatIsWhole) {
    // Block 63 holds ids 1008-1023; entry 0 is empty.
    const std::string block = stringBlock({{8, u"Blue"}, {9, u"\u00c4rger"}, {15, u"last"}});
    const QByteArrayView view(block.data(), qsizetype(block.size()));
    EXPECT_EQ(StringTable::blockOf(1000), 63);
    EXPECT_EQ(StringTable::indexOf(1000), 8);
    EXPECT_EQ(StringTable::entry(view, 8), QStringLiteral("Blue"));
    EXPECT_EQ(StringTable::entry(view, 9), QString::fromUtf16(u"\u00c4rger"));
    EXPECT_EQ(StringTable::entry(view, 15), QStringLiteral("last"));
    EXPECT_FALSE(StringTable::entry(view, 0));
    EXPECT_FALSE(StringTable::entry(view, 16));
    EXPECT_FALSE(StringTable::entry(view, -1));
    // A block cut off in the middle of its last string has the strings before it.
    const QByteArrayView cut = view.first(view.size() - 2);
    EXPECT_EQ(StringTable::entry(cut, 9), QString::fromUtf16(u"\u00c4rger"));
    EXPECT_FALSE(StringTable::entry(cut, 15));
    // A length beyond the block.
    std::string lying = block;
    lying[0] = char(0xFF);
    lying[1] = char(0x7F);
    EXPECT_FALSE(StringTable::entry(QByteArrayView(lying.data(), qsizetype(lying.size())), 8));
}

namespace {

// A style of two colour schemes and two sizes; the first of each named in the string
// table in English and German, the second only in THEMES_INI or nowhere.
std::string namedStyle(bool withDocumentationStrings) {
    std::vector<PeResource> r = {
        {u"COLORNAMES", nameList({u"NormalColor", u"Metallic"})},
        {u"SIZENAMES", nameList({u"NormalSize", u"LargeFonts"})},
        {u"", stringBlock({{8, u"Blue (default)"}}), 63, u"", 0x409, 6},
        {u"", stringBlock({{8, u"Blau"}}), 63, u"", 0x407, 6},
        {u"", stringBlock({{0, u"The blue one"}}), 126, u"", 0x409, 6},
        {u"", stringBlock({{8, u"Normal"}}), 188, u"", 0x409, 6},
        {u"TEXTFILE",
         utf16(u"\ufeff[documentation]\r\nDisplayName = From INI\r\nAuthor = Somebody\r\n"
               u"[ColorScheme.Metallic]\r\nDisplayName = Silver\r\nToolTip = The grey one\r\n"
               u"[Size.LargeFonts]\r\nToolTip = Large\r\n"),
         0, u"THEMES_INI"},
    };
    if (withDocumentationStrings)
        r.push_back({u"", stringBlock({{8, u"Luna"}, {11, u"Microsoft"}, {14, u"1.0"}}), 313, u"", 0x409, 6});
    return PeBuilder::build(r);
}

} // namespace

TEST(StyleFileTest, SchemesAndSizesAreNamedFromTheStringTableElseThemesIni) {
    StyleFile file = read(namedStyle(false));
    file.setLanguage(0x409);
    const QList<StyleChoice> colors = file.colorSchemes();
    ASSERT_EQ(colors.size(), 2);
    EXPECT_EQ(colors[0].name, "NormalColor");
    EXPECT_EQ(colors[0].displayName, "Blue (default)");
    EXPECT_EQ(colors[0].toolTip, "The blue one");
    // Not in the string table: THEMES_INI's [ColorScheme.<name>].
    EXPECT_EQ(colors[1].displayName, "Silver");
    EXPECT_EQ(colors[1].toolTip, "The grey one");
    const QList<StyleChoice> sizes = file.sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_EQ(sizes[0].displayName, "Normal");
    EXPECT_EQ(sizes[0].toolTip, "");
    // Named nowhere: its own name.
    EXPECT_EQ(sizes[1].displayName, "LargeFonts");
    EXPECT_EQ(sizes[1].toolTip, "Large");

    // The user's language where the table has it; English where it has not.
    file.setLanguage(0x0407);
    EXPECT_EQ(file.colorSchemes()[0].displayName, "Blau");
    EXPECT_EQ(file.colorSchemes()[0].toolTip, "The blue one");

    // A user names them by name or by display name, in any case.
    file.setLanguage(0x409);
    EXPECT_EQ(file.colorSchemeIndex("metallic"), 1);
    EXPECT_EQ(file.colorSchemeIndex("SILVER"), 1);
    EXPECT_EQ(file.colorSchemeIndex("blue (default)"), 0);
    EXPECT_EQ(file.sizeIndex("largefonts"), 1);
    EXPECT_FALSE(file.colorSchemeIndex("Olive"));
    EXPECT_FALSE(file.sizeIndex(""));
    EXPECT_EQ(describeChoices(file.colorSchemes()), "NormalColor (Blue (default)), Metallic (Silver)");
    EXPECT_EQ(describeChoices({}), "none");
    EXPECT_TRUE(read(styleFile({u"Blue"}, {})).colorSchemes().size() == 1);
    EXPECT_TRUE(read(std::string("MZ")).colorSchemes().isEmpty());
}

TEST(StyleFileTest, DetailsFromTheStringTableElseFromThemesIni) {
    StyleFile onlyIni = read(namedStyle(false));
    onlyIni.setLanguage(0x409);
    const StyleDetails fromIni = onlyIni.details();
    EXPECT_EQ(fromIni.displayName, "From INI");
    EXPECT_EQ(fromIni.author, "Somebody");
    EXPECT_EQ(fromIni.version, "");

    // Each one from the table where it has it (5000 display name, 5003 author, 5006
    // version), the others still from the INI.
    StyleFile both = read(namedStyle(true));
    both.setLanguage(0x409);
    const StyleDetails details = both.details();
    EXPECT_EQ(details.displayName, "Luna");
    EXPECT_EQ(details.author, "Microsoft");
    EXPECT_EQ(details.version, "1.0");
    EXPECT_EQ(details.company, "");
    EXPECT_EQ(both.string(5000), QStringLiteral("Luna"));
    EXPECT_FALSE(both.string(5001));
    EXPECT_FALSE(both.string(-1));
}

TEST(StyleFileTest, EachSchemeAndSizeHasItsOwnIniText) {
    std::string withNul = utf16(u"[Globals]\r\nA = 4");
    withNul += std::string("\0\0", 2) + utf16(u"garbage");
    const StyleFile file = read(PeBuilder::build({
        {u"COLORNAMES", nameList({u"Blue", u"Olive"})},
        {u"SIZENAMES", nameList({u"Normal", u"Large"})},
        {u"FILERESNAMES", nameList({u"BLUE_N_INI", u"BLUE_L_INI", u"OLIVE_N_INI", u"OLIVE_L_INI"})},
        {u"TEXTFILE", utf16(u"\ufeffblue normal"), 0, u"BLUE_N_INI"},
        {u"TEXTFILE", utf16(u"blue large") + "x", 0, u"blue_l_ini"},
        {u"TEXTFILE", utf16(u"olive normal"), 0, u"OLIVE_N_INI"},
        {u"TEXTFILE", withNul, 0, u"OLIVE_L_INI"},
    }));
    // Entry colour * (number of sizes) + size; a byte-order mark, an odd last byte and
    // what follows a NUL are not text.
    EXPECT_EQ(file.iniText(0, 0), QStringLiteral("blue normal"));
    EXPECT_EQ(file.iniText(0, 1), QStringLiteral("blue large"));
    EXPECT_EQ(file.iniText(1, 0), QStringLiteral("olive normal"));
    EXPECT_EQ(file.iniText(1, 1), QStringLiteral("[Globals]\r\nA = 4"));
    for (const auto& [color, size] : std::vector<std::pair<int, int>>{{2, 0}, {0, 2}, {-1, 0}, {0, -1}})
        EXPECT_FALSE(file.iniText(color, size)) << color << "," << size;

    EXPECT_EQ(file.iniFileName(1, 0), "OLIVE_N_INI");
    EXPECT_EQ(file.problem(), "the file is no style of format 3");

    // FILERESNAMES naming a file that is not there, or shorter than the lists.
    const StyleFile missing = read(PeBuilder::build({
        {u"COLORNAMES", nameList({u"Blue", u"Olive"})},
        {u"SIZENAMES", nameList({u"Normal"})},
        {u"FILERESNAMES", nameList({u"BLUE_INI"})},
    }));
    EXPECT_FALSE(missing.iniText(0, 0));
    EXPECT_FALSE(missing.iniText(1, 0));
    EXPECT_EQ(missing.problem(), "the file holds no INI data for colour scheme Blue in size Normal");
}

TEST(StyleFileTest, AFileLackingSchemesSizesOrIniDataIsNoStyleToApply) {
    EXPECT_EQ(read("MZ").problem(), "the file cannot be read");
    EXPECT_EQ(read(PeBuilder::build({{u"SIZENAMES", nameList({u"Normal"})}})).problem(),
              "the file lists no colour schemes");
    EXPECT_EQ(read(PeBuilder::build({{u"COLORNAMES", nameList({u"Blue"})}})).problem(),
              "the file lists no sizes");
    const std::vector<std::u16string> many(17, u"x");
    EXPECT_EQ(
        read(PeBuilder::build({{u"COLORNAMES", nameList(many)}, {u"SIZENAMES", nameList(many)}})).problem(),
        "the file lists more colour schemes and sizes than any style has");
    const StyleFile second = read(PeBuilder::build({
        {u"COLORNAMES", nameList({u"Blue", u"Olive"})},
        {u"SIZENAMES", nameList({u"Normal"})},
        {u"FILERESNAMES", nameList({u"BLUE_INI", u"OLIVE_INI"})},
        {u"TEXTFILE", utf16(u"[Globals]"), 0, u"BLUE_INI"},
    }));
    EXPECT_EQ(second.problem(), "the file holds no INI data for colour scheme Olive in size Normal");
}

// The theme service walks FILERESNAMES without looking for its end and loads the INI data
// it names: a file without all of it is never handed to it.
TEST(StyleFileTest, OnlyACompleteFormatThreeStyleGoesToTheThemeService) {
    const auto build = [](const std::string& version, const std::vector<std::u16string>& iniNames,
                          const std::vector<std::u16string>& textFiles) {
        std::vector<PeResource> resources{{u"PACKTHEM_VERSION", version},
                                          {u"COLORNAMES", nameList({u"Blue", u"Olive"})},
                                          {u"SIZENAMES", nameList({u"Normal"})},
                                          {u"FILERESNAMES", nameList(iniNames)}};
        for (const auto& name : textFiles)
            resources.push_back({u"TEXTFILE", utf16(u"[SysMetrics]"), 0, name});
        return read(PeBuilder::build(resources));
    };
    const std::string three("\x03\x00", 2);
    const std::vector<std::u16string> both{u"BLUE_INI", u"OLIVE_INI"};
    const std::vector<std::u16string> all{u"THEMES_INI", u"BLUE_INI", u"OLIVE_INI"};

    EXPECT_TRUE(build(three, both, all).problem().isEmpty());
    // Names are matched as Windows matches them, whatever case the list spells.
    EXPECT_TRUE(build(three, {u"blue_ini", u"Olive_Ini"}, all).problem().isEmpty());
    EXPECT_TRUE(
        read(styleFile({u"NormalColor", u"Metallic"}, {u"NormalSize", u"LargeFonts"})).problem().isEmpty());

    EXPECT_FALSE(build(std::string("\x04\x00", 2), both, all).problem().isEmpty()) << "format 4";
    EXPECT_FALSE(build(std::string("\x03\x00\x00\x00", 4), both, all).problem().isEmpty())
        << "the format number is two bytes";
    EXPECT_FALSE(build(three, {u"BLUE_INI"}, all).problem().isEmpty()) << "a pair without its INI";
    EXPECT_FALSE(build(three, both, {u"THEMES_INI", u"BLUE_INI"}).problem().isEmpty()) << "INI data missing";
    EXPECT_FALSE(build(three, both, {u"BLUE_INI", u"OLIVE_INI"}).problem().isEmpty()) << "no THEMES_INI";
    EXPECT_FALSE(read(PeBuilder::build({{u"PACKTHEM_VERSION", three},
                                        {u"COLORNAMES", nameList({u"Blue"})},
                                        {u"FILERESNAMES", nameList({u"BLUE_INI"})},
                                        {u"TEXTFILE", utf16(u"x"), 0, u"BLUE_INI"},
                                        {u"TEXTFILE", utf16(u"x"), 0, u"THEMES_INI"}}))
                     .problem()
                     .isEmpty())
        << "no sizes";
    EXPECT_FALSE(read("MZ not a style").problem().isEmpty());
}

TEST(StyleFileTest, DirectoriesThatLieAreReadAsFarAsTheyAreSound) {
    std::string image = PeBuilder::build({
        {u"COLORNAMES", nameList({u"Blue"})},
        {u"", "bitmap", 0, u"X", 0x409, 2},
    });
    const size_t root = PeBuilder::kSectionFileOffset;
    // The root claims 65,535 named and 65,535 numbered entries.
    std::string many = image;
    PeBuilder::put16(many, root + 12, 0xFFFF);
    PeBuilder::put16(many, root + 14, 0xFFFF);
    EXPECT_EQ(read(many).colorNames(), QStringList({"Blue"}));
    // The bitmap type's directory entry points back at the root, and a name far outside.
    std::string loop = image;
    PeBuilder::put32(loop, root + 16 + 8 + 4, 0x80000000u);
    EXPECT_FALSE(resources(loop).find(2, "X"));
    std::string farName = image;
    PeBuilder::put32(farName, root + 16, 0x8FFFFFF0u);
    EXPECT_FALSE(read(farName).colorNames());
    EXPECT_TRUE(resources(farName).names("COLORNAMES").isEmpty());
}

TEST(StyleFileTest, WinesLightIsReadWithItsSchemeSizeAndNames) {
    REQUIRE_WINE_LIGHT(light);
    ASSERT_TRUE(light.isReadable());
    EXPECT_EQ(light.packthemVersion(), 3);
    // What Light has: one colour scheme and one size, named in the string table in
    // many languages; no documentation strings, so THEMES_INI's.
    StyleFile english = light;
    english.setLanguage(1033);
    ASSERT_EQ(english.colorSchemes().size(), 1);
    EXPECT_EQ(english.colorSchemes()[0].name, "Blue");
    EXPECT_EQ(english.colorSchemes()[0].displayName, "Blue");
    ASSERT_EQ(english.sizes().size(), 1);
    EXPECT_EQ(english.sizes()[0].name, "NormalSize");
    EXPECT_EQ(english.sizes()[0].displayName, "Normal");
    EXPECT_FALSE(english.string(5000));
    EXPECT_EQ(english.details().displayName, "Light");
    EXPECT_EQ(english.details().toolTip, "Light Visual Style");
    EXPECT_EQ(english.sizeIndex("normal"), 0);

    StyleFile german = light;
    german.setLanguage(0x0407);
    EXPECT_EQ(german.colorSchemes()[0].displayName, "Blau");
    EXPECT_EQ(german.colorSchemeIndex("blau"), 0);

    const auto ini = light.iniText(0, 0);
    ASSERT_TRUE(ini);
    EXPECT_TRUE(ini->startsWith("[Globals]"));
    EXPECT_TRUE(ini->contains("[Window.Caption]"));
    EXPECT_FALSE(light.iniText(1, 0));
    EXPECT_EQ(light.problem(), "");

    const auto caption = light.bitmap("blue_window_caption.bmp", 1 << 20);
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->image.size(), QSize(66, 58));
    EXPECT_TRUE(caption->hasAlpha);
    EXPECT_FALSE(light.bitmap("blue_window_caption.bmp", 66 * 58 - 1));
    EXPECT_FALSE(light.bitmap("no_such.bmp", 1 << 20));
}
