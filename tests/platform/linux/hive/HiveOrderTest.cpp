// The order of a hive's sections: Wine writes them sorted by its own comparison of key
// names (lower-cased, so "_" comes before the letters), and a hive in that order is read
// by searching it; a hive in any other order is read all the same, through a list of its
// sections. Several edits before one save keep the order and every key findable.
#include "platform/Diagnostics.h"
#include "platform/linux/EnvGuard.h"
#include "platform/linux/RegistryTestSupport.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/hive/HiveFile.h"

#include <algorithm>

using namespace platform;

namespace {

const std::string kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";

std::string section(const std::string& path, const std::string& value) {
    return "\n[" + path + "] 1700000000\n#time=1d9a3b2c4d5e6f7\n@=\"" + value + "\"\n";
}

// The three pairs of a fresh prefix's system.reg whose order depends on how "_" compares
// with letters, as Wine writes them.
const std::vector<std::string> kCharsets = {
    "_iso-2022-jp$SIO", "ANSI_X3.4-1968", "GB_2312-80", "GBK", "ks_c_5601-1989", "KSC5601", "us-ascii",
};

std::string charsetHive(const std::vector<std::string>& names) {
    std::string text = kHeader;
    for (const std::string& name : names)
        text += section("Software\\\\Classes\\\\MIME\\\\Database\\\\Charset\\\\" + name, name);
    return text;
}

std::vector<std::u16string> charsetKey(const std::string& name) {
    return {u"Software", u"Classes", u"MIME",
            u"Database", u"Charset", std::u16string(name.begin(), name.end())};
}

std::vector<std::string> keyLines(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = text.find("\n["); at != std::string::npos; at = text.find("\n[", at + 1))
        out.push_back(text.substr(at + 1, text.find(']', at) - at));
    return out;
}

bool isSorted(const std::string& text) {
    hive::Document doc;
    return !doc.parse(text) && doc.summary().sorted;
}

} // namespace

TEST(HiveOrder, WinesOwnOrderIsTheSortedOneAnyOtherIsReadAllTheSame) {
    hive::Document wine;
    ASSERT_FALSE(wine.parse(charsetHive(kCharsets)));
    EXPECT_TRUE(wine.summary().sorted) << "a hive as Wine writes it is searched, not listed";

    // The same keys with "_" after the letters, as a comparison of upper-cased names has them.
    const std::vector<std::string> other = {"ANSI_X3.4-1968", "GBK",      "GB_2312-80",      "KSC5601",
                                            "ks_c_5601-1989", "us-ascii", "_iso-2022-jp$SIO"};
    hive::Document hand;
    ASSERT_FALSE(hand.parse(charsetHive(other)));
    EXPECT_FALSE(hand.summary().sorted);

    for (hive::Document* doc : {&wine, &hand}) {
        for (const std::string& name : kCharsets) {
            std::string upper = name;
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](unsigned char c) { return std::toupper(c); });
            const long k = doc->findKey(hive::foldPath(charsetKey(upper)));
            ASSERT_GE(k, 0) << name;
            uint32_t type = 0;
            std::string bytes;
            doc->valueData(k, doc->findValue(k, u""), type, bytes);
            EXPECT_EQ(bytes.size(), (name.size() + 1) * 2) << name;
        }
        // New keys around them go where Wine puts them, and are found again.
        for (const char* name : {"_a", "GB_", "gb_z", "ks_", "KSC", "Z_"})
            ASSERT_TRUE(doc->createKey(charsetKey(name), 0)) << name;
        const std::string text = doc->render();
        hive::Document again;
        ASSERT_FALSE(again.parse(text));
        for (const char* name : {"_a", "GB_", "gb_z", "ks_", "KSC", "Z_", "GBK", "_iso-2022-jp$SIO"})
            EXPECT_GE(again.findKey(hive::foldPath(charsetKey(name))), 0) << name;
        if (doc == &wine) {
            EXPECT_TRUE(again.summary().sorted) << text;
        }
    }
    const std::string prefix = "[Software\\\\Classes\\\\MIME\\\\Database\\\\Charset\\\\";
    std::vector<std::string> expected;
    for (const char* name : {"_a", "_iso-2022-jp$SIO", "ANSI_X3.4-1968", "GB_", "GB_2312-80", "gb_z", "GBK",
                             "ks_", "ks_c_5601-1989", "KSC", "KSC5601", "us-ascii", "Z_"})
        expected.push_back(prefix + name + "]");
    EXPECT_EQ(keyLines(wine.render()), expected);
}

TEST(HiveOrder, NamesCompareAsWinesCaseTableHasThem) {
    // Wine lower-cases each UTF-16 unit by its own table: letters of every script have a
    // lower case, signs that merely look like letters and title-case letters have none.
    struct Pair {
        std::u16string a, b;
        bool same;
    };
    const Pair pairs[] = {
        {u"\u0411\u0443\u043A\u0432\u0430", u"\u0431\u0423\u041A\u0412\u0410", true}, // Cyrillic
        {u"\u03A3\u039F\u03A6\u0399\u0391", u"\u03C3\u03BF\u03C6\u03B9\u03B1", true}, // Greek
        {u"\u0178", u"\u00FF", true},                                                 // Y diaeresis
        {u"\u0152uvre", u"\u0153UVRE", true},
        {u"\uFF21", u"\uFF41", true},  // fullwidth A
        {u"\u1F88", u"\u1F80", true},  // Greek capital with prosgegrammeni
        {u"\u0130", u"i", false},      // dotted capital I
        {u"\u212A", u"k", false},      // Kelvin sign
        {u"\u2126", u"\u03C9", false}, // Ohm sign
        {u"\u1E9E", u"\u00DF", false}, // capital sharp s
        {u"\u01C5", u"\u01C6", false}, // title-case dz
        {u"\u00B5", u"\u039C", false}, // micro sign
    };
    for (const Pair& p : pairs) {
        hive::Document doc;
        ASSERT_FALSE(doc.parse(kHeader));
        ASSERT_TRUE(doc.createKey({u"Software", p.a}, 0));
        EXPECT_EQ(doc.findKey(hive::foldPath({u"software", p.b})) >= 0, p.same);
        EXPECT_EQ(doc.createKey({u"SOFTWARE", p.b}, 0), !p.same);
        hive::Document again;
        ASSERT_FALSE(again.parse(doc.render()));
        EXPECT_TRUE(again.summary().sorted);
    }
    // Wine's order puts a NUL unit, a tab and "_" before the letters, each name before its
    // longer names and a key's subkeys right after it.
    hive::Document doc;
    ASSERT_FALSE(doc.parse(kHeader));
    const std::vector<std::u16string> names = {
        u"b", std::u16string(u"a\0z", 3), u"a\tz", u"a_z", u"az", u"a", u"A\\sub", u"a-", u"\u00E0"};
    for (const std::u16string& name : names)
        ASSERT_TRUE(doc.createKey(hive::splitPath(u"Software\\" + name), 0));
    EXPECT_EQ(keyLines(doc.render()),
              (std::vector<std::string>{"[Software\\\\a]", "[Software\\\\a\\\\sub]", "[Software\\\\a\\0z]",
                                        "[Software\\\\a\\tz]", "[Software\\\\a-]", "[Software\\\\a_z]",
                                        "[Software\\\\az]", "[Software\\\\b]", "[Software\\\\\\xe0]"}));
    EXPECT_TRUE(isSorted(doc.render()));
}

TEST(HiveOrder, SeveralEditsBeforeOneSaveKeepTheOrderAndEveryKeyFindable) {
    // Keys made on both sides of a section deleted in the same save: W before the section
    // after it, that section deleted, Q (before W) made last.
    const std::string text = charsetHive({"A", "M", "X", "Y"});
    hive::Document doc;
    ASSERT_FALSE(doc.parse(text));
    ASSERT_TRUE(doc.createKey(charsetKey("W"), 0));
    ASSERT_TRUE(doc.deleteKey(hive::foldPath(charsetKey("X")), 0));
    ASSERT_TRUE(doc.createKey(charsetKey("Q"), 0));
    ASSERT_TRUE(doc.createKey(charsetKey("Z"), 0));
    ASSERT_TRUE(doc.createKey(charsetKey("B"), 0));
    const std::string saved = doc.render();
    EXPECT_TRUE(isSorted(saved)) << saved;

    doc.adopt(hive::SourceText(saved));
    EXPECT_TRUE(doc.summary().sorted);
    for (const char* name : {"A", "B", "M", "Q", "W", "Y", "Z"})
        EXPECT_GE(doc.findKey(hive::foldPath(charsetKey(name))), 0) << name;
    EXPECT_LT(doc.findKey(hive::foldPath(charsetKey("X"))), 0);
    EXPECT_FALSE(doc.createKey(charsetKey("Q"), 0)) << "no second section of a key already there";
}

using HiveOrderFiles = registry_test::RegistryFixture;

TEST_F(HiveOrderFiles, TheSummaryKeptForTheNextStartMatchesTheSavedFile) {
    // A hive large enough to be summarised for the next start, saved after several edits.
    const std::filesystem::path cache = root() / "cache";
    const testing_support::EnvGuard cacheHome("XDG_CACHE_HOME", cache.c_str());
    std::vector<std::string> names;
    for (int i = 0; i < 12000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "K%05d", i * 2);
        names.push_back(name);
    }
    writeFile(machine(), charsetHive(names));
    hive::Document doc;
    hive::FileIdentity identity;
    platform::Problem problem;
    std::optional<hive::ParseFailure> failure;
    ASSERT_EQ(hive::loadFile(machine(), doc, identity, problem, failure), hive::ReadStatus::Ok);
    ASSERT_FALSE(failure);
    ASSERT_TRUE(doc.createKey(charsetKey("K06001"), 0));
    ASSERT_TRUE(doc.deleteKey(hive::foldPath(charsetKey("K06002")), 0));
    ASSERT_TRUE(doc.createKey(charsetKey("K05999"), 0));
    {
        hive::WriterLock lock(machine());
        ASSERT_TRUE(hive::saveFile(machine(), doc, identity, problem)) << platform::wordsFor(problem);
    }
    EXPECT_TRUE(isSorted(readFile(machine())));

    // The next start takes the summary and searches the file: every key is found, and
    // making one again adds no second section.
    hive::Document next;
    ASSERT_EQ(hive::loadFile(machine(), next, identity, problem, failure), hive::ReadStatus::Ok);
    for (const char* name : {"K05999", "K06000", "K06001", "K06004", "K00000", "K23998"})
        EXPECT_GE(next.findKey(hive::foldPath(charsetKey(name))), 0) << name;
    EXPECT_LT(next.findKey(hive::foldPath(charsetKey("K06002"))), 0);
    EXPECT_FALSE(next.createKey(charsetKey("K05999"), 0));
}
