// Hive files made by hand, by other tools or by an attacker: keys written in several
// sections, NUL units inside key names, very deep keys, files cut short or far too large;
// and the hives of prefixes that hold many programs, megabytes of keys.
#include "AllocatedBytes.h"
#include "platform/linux/RegistryTestSupport.h"
#include "platform/linux/hive/HiveDocument.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using registry_test::keyExists;
using registry_test::RegistryFixture;
using registry_test::setString;
using registry_test::text;
using testing_support::allocatedBytes;

namespace {

const std::string kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n";

// The lines of after that differ from before, line by line (the files keep their length).
std::vector<std::pair<std::string, std::string>> changedLines(const std::vector<std::string>& before,
                                                              const std::vector<std::string>& after) {
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        const std::string a = i < before.size() ? before[i] : "";
        const std::string b = i < after.size() ? after[i] : "";
        if (a != b)
            out.emplace_back(a, b);
    }
    return out;
}

// A machine hive of a prefix that holds many programs: sections in Wine's order, each with
// a string and wrapped hex data, about 190 bytes a key.
std::string largeHive(size_t keys) {
    std::string out = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
    char section[320];
    for (size_t i = 0; i < keys; ++i) {
        const int n =
            std::snprintf(section, sizeof section,
                          "\n[Software\\\\Classes\\\\CLSID\\\\{%08zX}] 1700000000\n#time=1d9a3b2c4d5e6f7\n"
                          "@=\"Class %zu\"\n\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,"
                          "10,11,12,13,14,15,16,17,18,19,\\\n  1a,1b\n",
                          i, i);
        out.append(section, static_cast<size_t>(n));
    }
    return out;
}

std::string classKey(size_t i) {
    char name[64];
    std::snprintf(name, sizeof name, "Software\\Classes\\CLSID\\{%08zX}", i);
    return name;
}

// Sets XDG_CACHE_HOME for the life of the object.
class CacheHome {
public:
    explicit CacheHome(const std::filesystem::path& folder) {
        if (const char* old = std::getenv("XDG_CACHE_HOME"))
            m_old = old;
        ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    }
    ~CacheHome() {
        if (m_old)
            ::setenv("XDG_CACHE_HOME", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

using RegistryHostileHive = RegistryFixture;

TEST_F(RegistryHostileHive, AllSectionsOfAKeyAreOneKey) {
    const std::string hive = kHeader + "[Software\\\\Dup] 1700000000\n"
                                       "#time=1da1b2c3d4e5f60\n"
                                       "\"a\"=\"first\"\n"
                                       "\"shared\"=\"old\"\n"
                                       "\n"
                                       "[Software\\\\Other] 1700000001\n"
                                       "#time=1da1b2c3d4e5f61\n"
                                       "\"o\"=\"x\"\n"
                                       "\n"
                                       "[software\\\\DUP] 1700000002\n"
                                       "#time=1da1b2c3d4e5f62\n"
                                       "\"b\"=\"second\"\n"
                                       "\"shared\"=\"new\"\n";
    writeFile(user(), hive);
    Registry reg(root());
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Dup", "a"), "first");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Dup", "b"), "second");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Dup", "shared"), "new") << "the last one counts";

    // A write changes the value where it stands; only that line and its block's stamp change.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Dup", "B", "changed"), ERROR_SUCCESS);
    const auto changed = changedLines(lines(hive), lines(readFile(user())));
    ASSERT_EQ(changed.size(), 3u) << readFile(user());
    EXPECT_EQ(changed[0].first, "[software\\\\DUP] 1700000002");
    EXPECT_TRUE(changed[0].second.starts_with("[software\\\\DUP] ")) << changed[0].second;
    EXPECT_EQ(changed[1].first, "#time=1da1b2c3d4e5f62");
    EXPECT_EQ(changed[2], std::make_pair(std::string("\"b\"=\"second\""), std::string("\"b\"=\"changed\"")));
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Dup", "shared", "newer"), ERROR_SUCCESS);
    EXPECT_NE(readFile(user()).find("\"shared\"=\"old\""), std::string::npos) << "the shadowed copy is left";
    EXPECT_NE(readFile(user()).find("\"shared\"=\"newer\""), std::string::npos);

    // A value new to the key goes into its first section; a deletion takes every copy.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Dup", "c", "third"), ERROR_SUCCESS);
    const std::string file = readFile(user());
    EXPECT_LT(file.find("\"c\"=\"third\""), file.find("[Software\\\\Other]"));
    HKEY h = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Dup", &h), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(h, "shared"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(h, "shared"), ERROR_FILE_NOT_FOUND);
    reg.RegCloseKey(h);
    EXPECT_EQ(readFile(user()).find("\"shared\""), std::string::npos);

    Registry fresh(root());
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\Dup", "a"), "first");
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\Dup", "b"), "changed");
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\Dup", "c"), "third");
    EXPECT_FALSE(text(fresh, HKEY_CURRENT_USER, "Software\\Dup", "shared"));
}

TEST_F(RegistryHostileHive, ANulInAKeyNameIsPartOfThatOneName) {
    // "\0" and "\x0000" are NUL units; the key is "A<NUL>B" below Software, not Software\A\B.
    const std::string nulKeys = "[Software\\\\A\\0B] 1700000000\n"
                                "\"v\"=\"nul key\"\n"
                                "\n"
                                "[Software\\\\C\\x0000\\\\D] 1700000001\n"
                                "\"v\"=\"nul at the end of C\"\n";
    writeFile(user(), kHeader + nulKeys);
    Registry reg(root());
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\A\\B"));
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\A"));
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\C\\D"));
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\C"));
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software"));

    // Writing the names they do not alias makes keys of their own and leaves theirs be.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\A\\B", "v", "plain"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\C\\D", "v", "plain"), ERROR_SUCCESS);
    const std::string file = readFile(user());
    EXPECT_NE(file.find("[Software\\\\A\\0B] 1700000000\n\"v\"=\"nul key\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[Software\\\\C\\x0000\\\\D] 1700000001\n\"v\"=\"nul at the end of C\"\n"),
              std::string::npos)
        << file;
    Registry fresh(root());
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\A\\B", "v"), "plain");
    EXPECT_EQ(text(fresh, HKEY_CURRENT_USER, "Software\\C\\D", "v"), "plain");
}

TEST(RegistryHostileDocument, ANulEndingAKeyNameSurvivesItsKeyBeingWrittenAnew) {
    // Deleting the only subkey writes its parent as a key of its own, name and all.
    hive::Document doc;
    ASSERT_FALSE(doc.parse(kHeader + "[Software\\\\C\\x0000\\\\D] 1700000001\n"));
    const long d = doc.findKey(hive::foldPath({u"Software", std::u16string(u"C\0", 2), u"D"}));
    ASSERT_GE(d, 0);
    ASSERT_TRUE(doc.deleteKey(doc.key(d).folded, 0));
    hive::Document again;
    ASSERT_FALSE(again.parse(doc.render()));
    EXPECT_GE(again.findKey(hive::foldPath({u"Software", std::u16string(u"C\0", 2)})), 0) << doc.render();
    EXPECT_LT(again.findKey(hive::foldPath({u"Software", u"C"})), 0) << doc.render();
}

TEST(RegistryHostileDocument, CreatingADeepKeyIsLinearInItsDepth) {
    // Each level below the last existing key is looked at once: four times the depth
    // costs about four times the work, not sixteen.
    auto deepKey = [](size_t depth) {
        hive::Document doc;
        EXPECT_FALSE(doc.parse(kHeader + "[Software\\\\Start] 1700000000\n"));
        std::vector<std::u16string> path = {u"software", u"start"};
        for (size_t i = 0; i < depth; ++i)
            path.push_back(u"k" + std::u16string(1, char16_t(u'a' + i % 26)));
        unsigned long long bytes = allocatedBytes([&] { EXPECT_TRUE(doc.createKey(path, 0)); });
        const std::string text = doc.render();
        EXPECT_NE(text.find("[Software\\\\Start\\\\ka\\\\kb\\\\"), std::string::npos)
            << "the existing part keeps its spelling";
        hive::Document again;
        EXPECT_FALSE(again.parse(text));
        EXPECT_GE(again.findKey(hive::foldPath(path)), 0);
        return bytes;
    };
    const unsigned long long shallow = deepKey(2000);
    const unsigned long long deep = deepKey(8000);
    EXPECT_LT(deep, 6 * shallow) << shallow << " bytes at 2,000 levels, " << deep << " at 8,000";
}

TEST(RegistryHostileDocument, EveryCutOfAHiveIsReadWhollyOrRefused) {
    // A hive cut short at any byte (a full disk, a killed writer) never crashes the reader,
    // and what it reads it gives back unchanged.
    const std::string hive = kHeader +
                             "[Control Panel\\\\Desktop] 1700000001\n"
                             "#time=1da1b2c3d4e5f61\n"
                             "\"Quoted \\\"name\\\"\"=\"back\\\\slash \\x00e9a caf\\xe9\"\n"
                             "\"Mask\"=hex:9e,1e,07,80,12,00,00,00,01,02,03,04,05,06,07,08,09,0a,0b,0c,\\\n"
                             "  0d,0e\n"
                             "\"Multi\"=str(7):\"one\\0two\\0\"\n"
                             "\"Dword\"=dword:00000010\n";
    size_t refused = 0;
    for (size_t cut = 0; cut <= hive.size(); ++cut) {
        const std::string part = hive.substr(0, cut);
        hive::Document doc;
        if (doc.parse(part)) {
            ++refused;
            EXPECT_TRUE(doc.sections().empty());
            continue;
        }
        EXPECT_EQ(doc.render(), part) << "cut at " << cut;
    }
    EXPECT_GT(refused, 0u);
}

TEST(RegistryHostileDocument, AControlCharacterAnywhereInALineIsRefusedTabsAndReturnsAreNot) {
    // Lines are checked several bytes at a time: a control character must be found in
    // every place of a line, and tabs and carriage returns pass wherever they stand.
    const std::string line = "\"Name\"=\"a value long enough to span several words\"";
    for (size_t at = 0; at < line.size(); ++at) {
        for (const char c : {'\x01', '\x1f', '\x0b'}) {
            std::string bad = line;
            bad.insert(at, 1, c);
            hive::Document doc;
            const auto failure = doc.parse(kHeader + "[Key] 1700000000\n" + bad + "\n");
            ASSERT_TRUE(failure) << "at " << at;
            EXPECT_EQ(failure->reason, platform::Problem::BinaryData) << "at " << at;
        }
        std::string spaced = line;
        spaced.insert(line.size() - 1, "\t\r");
        spaced.insert(at, "\t");
        const std::string text = kHeader + "[Key] 1700000000\n" + spaced + "\r\n";
        hive::Document doc;
        const auto failure = doc.parse(text);
        EXPECT_FALSE(failure) << "at " << at << ": " << failure->reason;
        EXPECT_EQ(doc.render(), text);
    }
}

TEST_F(RegistryHostileHive, AFileFarTooLargeIsNeitherReadNorWritten) {
    // A sparse file: as large as it claims, without taking the disk.
    writeFile(user(), kHeader + "[Software\\\\K] 1700000000\n\"v\"=\"x\"\n");
    ASSERT_EQ(::truncate(user().c_str(), off_t(hive::kMaxHiveSize) + 1), 0);
    const Stamp before = stamp(user());
    ::testing::internal::CaptureStderr();
    {
        Registry reg(root());
        EXPECT_FALSE(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"));
        EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "y"), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quorlin: the file is too large: " + user().string() +
                  "; its settings are not used and the file is left as it is\n");
    EXPECT_TRUE(stamp(user()) == before);
}

TEST_F(RegistryHostileHive, ALargeHiveCostsTheMemoryOfTheKeysUsedNotOfTheFile) {
    const CacheHome cache(root() / "cache");
    const std::string hive = largeHive(32768); // about 6 MB
    writeFile(machine(), hive);
    Registry reg(root());
    std::optional<std::string> read;
    const auto reading = allocatedBytes([&] { read = text(reg, HKEY_LOCAL_MACHINE, classKey(16384), ""); });
    EXPECT_EQ(read, "Class 16384");
    const auto writing = allocatedBytes([&] {
        EXPECT_EQ(setString(reg, HKEY_LOCAL_MACHINE, classKey(16384), "", "changed"), ERROR_SUCCESS);
    });
    EXPECT_LT(reading, hive.size() / 8) << "bytes allocated to read one value";
    EXPECT_LT(writing, hive.size() / 8) << "bytes allocated to write one value";

    // The rest of the file is copied as it was: only the key's stamps and the value changed.
    const auto changed = changedLines(lines(hive), lines(readFile(machine())));
    ASSERT_EQ(changed.size(), 3u);
    EXPECT_EQ(changed[0].first, "[Software\\\\Classes\\\\CLSID\\\\{00004000}] 1700000000");
    EXPECT_EQ(changed[1].first, "#time=1d9a3b2c4d5e6f7");
    EXPECT_EQ(changed[2], std::make_pair(std::string("@=\"Class 16384\""), std::string("@=\"changed\"")));
    Registry fresh(root());
    EXPECT_EQ(text(fresh, HKEY_LOCAL_MACHINE, classKey(16384), ""), "changed");
    EXPECT_EQ(text(fresh, HKEY_LOCAL_MACHINE, classKey(16383), ""), "Class 16383");
    EXPECT_EQ(text(fresh, HKEY_LOCAL_MACHINE, classKey(32767), ""), "Class 32767");
    EXPECT_FALSE(keyExists(fresh, HKEY_LOCAL_MACHINE, classKey(32768)));
}

TEST_F(RegistryHostileHive, ALargeHiveInWinesOrderIsSearchedNotListed) {
    // Names where "_" meets letters, in the order Wine writes them ("_" before the letters):
    // such a hive is read as one in order, whatever its size.
    const CacheHome cache(root() / "cache");
    std::string hive = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    char section[200];
    for (size_t i = 0; i < 20000; ++i)
        for (const char* tail : {"", "_x", "A"}) {
            const int n =
                std::snprintf(section, sizeof section,
                              "\n[Software\\\\Charset\\\\K%05zu%s] 1700000000\n#time=1d9a3b2c4d5e6f7\n"
                              "@=\"%zu%s\"\n",
                              i, tail, i, tail);
            hive.append(section, static_cast<size_t>(n));
        }
    writeFile(machine(), hive);
    Registry reg(root());
    std::optional<std::string> read;
    const auto reading =
        allocatedBytes([&] { read = text(reg, HKEY_LOCAL_MACHINE, "Software\\Charset\\k12345_X", ""); });
    EXPECT_EQ(read, "12345_x");
    EXPECT_LT(reading, hive.size() / 8) << "bytes allocated to read one value";
    EXPECT_EQ(text(reg, HKEY_LOCAL_MACHINE, "Software\\Charset\\K19999a", ""), "19999A");
}

TEST_F(RegistryHostileHive, ALargeHiveReadThroughOnceIsNotReadAgainUntilItChanges) {
    const CacheHome cache(root() / "cache");
    writeFile(machine(), largeHive(32768));
    {
        // Its own save leaves the file known to be whole.
        Registry reg(root());
        ASSERT_EQ(setString(reg, HKEY_LOCAL_MACHINE, classKey(7), "", "seven"), ERROR_SUCCESS);
    }
    const std::string saved = readFile(machine());
    Registry again(root());
    std::optional<std::string> read;
    const auto reading = allocatedBytes([&] { read = text(again, HKEY_LOCAL_MACHINE, classKey(20000), ""); });
    EXPECT_EQ(read, "Class 20000");
    EXPECT_LT(reading, 64u * 1024) << "the next start reads only the key it asks for";

    // Another program's change is read through anew: a line it broke deep in the file makes
    // the whole hive unusable, as ever.
    std::string broken = saved;
    const size_t at = broken.find("@=\"Class 30000\"");
    ASSERT_NE(at, std::string::npos);
    broken.insert(at + 14, " and more");
    broken.erase(at + 14 + 9, 1); // the closing quote
    writeFile(machine(), broken);
    ::testing::internal::CaptureStderr();
    Registry third(root());
    EXPECT_FALSE(text(third, HKEY_LOCAL_MACHINE, classKey(20000), ""));
    EXPECT_EQ(setString(third, HKEY_LOCAL_MACHINE, classKey(20000), "", "x"), ERROR_ACCESS_DENIED);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(": unterminated string;"), std::string::npos) << err;
    EXPECT_EQ(readFile(machine()), broken);
}
