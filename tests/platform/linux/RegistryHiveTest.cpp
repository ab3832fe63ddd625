// The hive files: Wine's text read and written in place, untouched text kept byte for
// byte, and files that cannot be read left alone.
#include "RegistryTestSupport.h"
#include "platform/linux/hive/HiveDocument.h"

#include <algorithm>
#include <ctime>
#include <random>
#include <regex>

using namespace platform;
using namespace registry_test;

namespace {

// A hive the way Wine 8 writes one, with the awkward parts: escapes in names and data,
// a key name with brackets, a link key, a type Wine invents, wrapped hex, a hand-made
// comment and a line with a carriage return.
const std::string kWineHive =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[AppEvents\\\\Schemes] 1700000000\n"
    "#time=1da1b2c3d4e5f60\n"
    "@=\".Default\"\n"
    "\n"
    "[Control Panel\\\\Desktop] 1700000001\n"
    "#time=1da1b2c3d4e5f61\n"
    "\"ActiveWndTrkTimeout\"=dword:00000000\n"
    "\"Pattern\"=\"(None)\"\n"
    "\"Quoted \\\"name\\\"\"=\"back\\\\slash \\x00e9a caf\\xe9\"\n"
    "; a comment someone left here\n"
    "\"UserPreferencesMask\"=hex:9e,1e,07,80,12,00,00,00\n"
    "\"Wallpaper\"=\"\"\n"
    "\n"
    "[Software\\\\Odd \\[bracket\\] key] 1700000002\n"
    "#time=1da1b2c3d4e5f62\n"
    "\"Strange\"=hex(ffff0012):01,00,00,00,02,00,00,00,03,00,00,00,04,00,00,00,05,00,00,\\\n"
    "  00,06,00,00,00\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Expand\"=str(2):\"%SystemRoot%\\\\system32\"\n"
    "\n"
    "[Software\\\\Wine\\\\Link] 1700000003\n"
    "#time=1da1b2c3d4e5f63\n"
    "#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,45,00,47,00\n"
    "\n"
    "[Software\\\\Zeta] 1700000004\n"
    "#time=1da1b2c3d4e5f64\n"
    "\"Crlf\"=\"kept\"\r\n";

// Lines of after that are not in before, and the other way round, in order.
std::pair<std::vector<std::string>, std::vector<std::string>>
lineDiff(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    // Longest common subsequence: the files are small.
    const size_t n = before.size(), m = after.size();
    std::vector<std::vector<int>> l(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            l[i][j] = before[i] == after[j] ? l[i + 1][j + 1] + 1 : std::max(l[i + 1][j], l[i][j + 1]);
    std::vector<std::string> removed, added;
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && before[i] == after[j]) {
            ++i, ++j;
        } else if (j < m && (i == n || l[i][j + 1] >= l[i + 1][j])) {
            added.push_back(after[j++]);
        } else {
            removed.push_back(before[i++]);
        }
    }
    return {removed, added};
}

} // namespace

using RegistryHiveText = RegistryFixture;

TEST_F(RegistryHiveText, ReadsWinesEscapesAndTypes) {
    writeFile(user(), kWineHive);
    Registry reg(root());
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop", "Quoted \"name\""), "back\\slash \xE9"
                                                                                         "a caf\xE9");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "AppEvents\\Schemes", ""), ".Default");
    const auto strange = query(reg, HKEY_CURRENT_USER, "Software\\Odd [bracket] key", "Strange");
    ASSERT_TRUE(strange);
    EXPECT_EQ(strange->first, 0xFFFF0012u);
    EXPECT_EQ(strange->second, std::string("\1\0\0\0\2\0\0\0\3\0\0\0\4\0\0\0\5\0\0\0\6\0\0\0", 24));
    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Software\\Odd [bracket] key", "Multi")->second,
              std::string("one\0two\0\0", 9));
    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Software\\Odd [bracket] key", "Expand")->first, REG_EXPAND_SZ);
    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop", "ActiveWndTrkTimeout")->second,
              std::string(4, '\0'));
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Zeta", "Crlf"), "kept");
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Wine"));
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Wine\\Link"));
}

TEST_F(RegistryHiveText, AChangeRewritesOnlyWhatItTouches) {
    writeFile(user(), kWineHive);
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "control panel\\desktop", "pattern", "Boxes"), ERROR_SUCCESS);
    const auto [removed, added] = lineDiff(lines(kWineHive), lines(readFile(user())));
    ASSERT_EQ(removed.size(), 3u);
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(removed[0], "[Control Panel\\\\Desktop] 1700000001");
    EXPECT_TRUE(added[0].starts_with("[Control Panel\\\\Desktop] ")) << added[0];
    EXPECT_NE(added[0], removed[0]);
    EXPECT_EQ(removed[1], "#time=1da1b2c3d4e5f61");
    EXPECT_TRUE(added[1].starts_with("#time=")) << added[1];
    EXPECT_NE(added[1], removed[1]);
    EXPECT_EQ(removed[2], "\"Pattern\"=\"(None)\"");
    EXPECT_EQ(added[2], "\"Pattern\"=\"Boxes\"");
}

TEST_F(RegistryHiveText, NewKeysAndValuesGoWhereWinePutsThem) {
    writeFile(user(), kWineHive);
    Registry reg(root());
    // Values sort ignoring case; '_' sorts before the letters, as Wine compares lower case.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop", "SCREENSAVEACTIVE", "1"),
              ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop", "a_first", "1"), ERROR_SUCCESS);
    // Keys sort by path component: a key's subkeys come before a sibling that extends its name.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Wine-Extra", "v", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Wine\\Zz", "v", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Wine", "v", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Z_last", "v", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "A", "v", "1"), ERROR_SUCCESS);

    std::vector<std::string> keys, desktop;
    bool inDesktop = false;
    for (const auto& line : lines(readFile(user()))) {
        if (line.starts_with("[")) {
            keys.push_back(line.substr(0, line.rfind("] ") + 1));
            inDesktop = keys.back() == "[Control Panel\\\\Desktop]";
        } else if (inDesktop && line.starts_with("\"")) {
            desktop.push_back(line.substr(0, line.find("\"=")));
        }
    }
    const std::vector<std::string> expectedKeys = {
        "[A]",
        "[AppEvents\\\\Schemes]",
        "[Control Panel\\\\Desktop]",
        "[Software\\\\Odd \\[bracket\\] key]",
        "[Software\\\\Wine]",
        "[Software\\\\Wine\\\\Link]",
        "[Software\\\\Wine\\\\Zz]",
        "[Software\\\\Wine-Extra]",
        "[Software\\\\Z_last]",
        "[Software\\\\Zeta]",
    };
    EXPECT_EQ(keys, expectedKeys);
    const std::vector<std::string> expectedValues = {
        "\"a_first",          "\"ActiveWndTrkTimeout", "\"Pattern",   "\"Quoted \\\"name\\\"",
        "\"SCREENSAVEACTIVE", "\"UserPreferencesMask", "\"Wallpaper",
    };
    EXPECT_EQ(desktop, expectedValues);
    // A fresh read of the file sees everything.
    Registry fresh(root());
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "software\\wine\\zz", "v"), "1");
    EXPECT_EQ(query(fresh, HKEY_CURRENT_USER, "Software\\Wine\\Link", "SymbolicLinkValue")->first, 6u);
}

TEST_F(RegistryHiveText, LongBinaryDataWrapsAsWineWrapsIt) {
    Registry reg(root());
    std::string data;
    for (int i = 0; i < 60; ++i)
        data += static_cast<char>(i);
    HKEY h = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "Data", 0, REG_BINARY, reinterpret_cast<const uint8_t*>(data.data()), 60),
              ERROR_SUCCESS);
    reg.RegCloseKey(h);
    const std::string expected =
        "\n\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\n"
        "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\n";
    EXPECT_TRUE(readFile(user()).ends_with(expected)) << readFile(user());
}

TEST_F(RegistryHiveText, DeletingAKeyTakesOnlyItsBlock) {
    writeFile(user(), kWineHive);
    Registry reg(root());
    const int64_t before = std::time(nullptr);
    ASSERT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\Link"), ERROR_SUCCESS);
    const int64_t after = std::time(nullptr);
    const std::string file = readFile(user());

    // The emptied parent stays as a key of its own, with a fresh stamp: the time of the
    // change in seconds, and again as a FILETIME (100 ns since 1601).
    std::smatch stamp;
    ASSERT_TRUE(std::regex_search(file, stamp,
                                  std::regex("\n\\[Software\\\\\\\\Wine\\] ([0-9]+)\n#time=([0-9a-f]+)\n")))
        << file;
    const int64_t seconds = std::stoll(stamp[1].str());
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    const int64_t fileTimeSeconds =
        int64_t(std::stoull(stamp[2].str(), nullptr, 16) / 10000000) - 11644473600;
    EXPECT_GE(fileTimeSeconds, before);
    EXPECT_LE(fileTimeSeconds, after);

    std::string expected = kWineHive;
    const size_t from = expected.find("\n[Software\\\\Wine\\\\Link]");
    const size_t to = expected.find("\n[Software\\\\Zeta]");
    expected.replace(from, to - from,
                     "\n[Software\\\\Wine] " + stamp[1].str() + "\n#time=" + stamp[2].str() + "\n");
    EXPECT_EQ(file, expected);
}

using RegistryBrokenHive = RegistryFixture;

namespace {

struct BrokenCase {
    const char* what;
    std::string text;
    int line;
};

std::vector<BrokenCase> brokenCases() {
    const std::string header =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n";
    std::string garbage = "x";
    std::mt19937 random(7);
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(random() & 0xFF);
    return {
        {"broken header", "WINE REGISTRY Version 1\n\n[Software\\\\K] 0\n\"v\"=\"x\"\n", 1},
        {"unterminated string", header + "[Software\\\\K] 0\n\"a\"=\"ok\"\n\"v\"=\"x\n", 6},
        {"bad hex", header + "[Software\\\\K] 0\n\"v\"=hex:01,02,zz\n", 5},
        {"bad hex continuation", header + "[Software\\\\K] 0\n\"v\"=hex:01,02,\\\n  03,0g\n", 6},
        {"long line", header + "[Software\\\\K] 0\n\"v\"=\"" + std::string(1 << 20, 'a') + "\"\n", 5},
        {"binary garbage", header + "[Software\\\\K] 0\n\"v\"=\"x\"\n" + garbage, 6},
        {"garbage only", garbage, 1},
        {"unterminated key", header + "[Software\\\\K 0\n\"v\"=\"x\"\n", 4},
        {"value outside a key", header + "\"v\"=\"x\"\n", 4},
    };
}

} // namespace

TEST_F(RegistryBrokenHive, IsNeverWrittenAndGivesNothing) {
    for (const auto& c : brokenCases()) {
        SCOPED_TRACE(c.what);
        writeFile(user(), c.text);
        ::testing::internal::CaptureStderr();
        {
            Registry reg(root());
            EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\K"));
            EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software"));
            HKEY h = 0;
            EXPECT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_ACCESS_DENIED);
            EXPECT_EQ(reg.RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_SZ,
                                         reinterpret_cast<const uint8_t*>("y"), 2),
                      ERROR_ACCESS_DENIED);
            EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\K"), ERROR_ACCESS_DENIED);
            uint32_t size = 0;
            EXPECT_EQ(reg.RegQueryValueExA(HKEY_CURRENT_USER, "v", nullptr, nullptr, nullptr, &size),
                      ERROR_FILE_NOT_FOUND);
            // The machine hive is a file of its own and still works.
            EXPECT_EQ(setString(reg, HKEY_LOCAL_MACHINE, "Software\\K", "v", "x"), ERROR_SUCCESS);
        }
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(readFile(user()), c.text);
        EXPECT_TRUE(strayFiles().empty());
        const std::string where = user().string() + ":" + std::to_string(c.line) + ": ";
        EXPECT_TRUE(err.starts_with("Quorlin: " + where)) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        std::filesystem::remove(machine());
    }
}

TEST_F(RegistryBrokenHive, AMendedFileIsReadAgain) {
    writeFile(user(), "WINE REGISTRY Version 2\n[Software\\\\K] 0\n\"v\"=\"x\n");
    ::testing::internal::CaptureStderr();
    Registry reg(root());
    EXPECT_FALSE(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"));
    EXPECT_FALSE(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err; // said once, not on every read
    writeFile(user(), "WINE REGISTRY Version 2\n[Software\\\\K] 0\n\"v\"=\"mended\"\n");
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "w", "new"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "mended");
}

TEST(RegistryHiveDocument, KeysBeyondAsciiSortAndMatchAsWineDoes) {
    // Wine orders keys by their lower-cased UTF-16 units; the order must hold for letters
    // of every width, including a character made of two units.
    hive::Document doc;
    ASSERT_FALSE(doc.parse("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                           "[Software\\\\Alpha] 1700000000\n\"Name\"=\"a\"\n"));
    const std::vector<std::u16string> names = {u"\uFF21wide", u"\U0001F600face", u"\u4E2D", u"caf\u00E9",
                                               u"Zulu"};
    for (const auto& name : names)
        ASSERT_TRUE(doc.createKey({u"Software", name}, 0));
    std::vector<std::string> order;
    const std::string text = doc.render();
    for (size_t at = text.find("\n["); at != std::string::npos; at = text.find("\n[", at + 1))
        order.push_back(text.substr(at + 1, text.find(']', at) - at));
    const std::vector<std::string> expected = {
        "[Software\\\\Alpha]",   "[Software\\\\caf\\xe9]",           "[Software\\\\Zulu]",
        "[Software\\\\\\x4e2d]", "[Software\\\\\\xd83d\\xde00face]", "[Software\\\\\\xff21wide]",
    };
    EXPECT_EQ(order, expected);

    // Found again in any case, also after the text is read back.
    hive::Document again;
    ASSERT_FALSE(again.parse(text));
    for (hive::Document* d : {&doc, &again}) {
        EXPECT_GE(d->findKey(hive::foldPath({u"SOFTWARE", u"CAF\u00C9"})), 0);
        EXPECT_GE(d->findKey(hive::foldPath({u"software", u"\u4E2D"})), 0);
        EXPECT_GE(d->findKey(hive::foldPath({u"software", u"\U0001F600FACE"})), 0);
        EXPECT_LT(d->findKey(hive::foldPath({u"software", u"\U0001F601face"})), 0);
        EXPECT_TRUE(d->hasSubkeys(hive::foldPath({u"Software"})));
        const long alpha = d->findKey(hive::foldPath({u"software", u"alpha"}));
        ASSERT_GE(alpha, 0);
        EXPECT_EQ(d->findValue(alpha, u"NAME"), 0);
    }

    // A new value in a key read from the file keeps the spelling of an existing one.
    const std::string valueText = "[Software\\\\Beta] 1700000000\n\"Quoted \\\"Name\\\"\"=\"x\"\n";
    ASSERT_FALSE(again.parse("WINE REGISTRY Version 2\n\n" + valueText));
    EXPECT_TRUE(again.setValue({u"software", u"beta"}, u"QUOTED \"NAME\"", 1, std::string("y\0\0\0", 4), 0));
    EXPECT_NE(again.render().find("\"Quoted \\\"Name\\\"\"=\"y\"\n"), std::string::npos) << again.render();
    EXPECT_NE(again.render().find("[Software\\\\Beta]"), std::string::npos) << "the key keeps its spelling";
}
