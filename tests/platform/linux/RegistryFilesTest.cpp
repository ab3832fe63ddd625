// What the Win32 calls leave in the Linux back end's hive files: Wine's spelling of keys,
// names and data, the roots it serves, and files left alone when nothing changes.
#include "RegistryTestSupport.h"

using namespace platform;
using namespace registry_test;

namespace {

const uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

} // namespace

using RegistryFiles = RegistryFixture;

TEST_F(RegistryFiles, KeysAndValuesKeepTheFirstSpelling) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun", "1"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "software\\QUORLIN\\zevra", "FirstRun", "2"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "SOFTWARE\\Quorlin\\zevra\\Sub", "x", "y"), ERROR_SUCCESS);
    const std::string file = readFile(user());
    EXPECT_NE(file.find("\n[Software\\\\Quorlin\\\\Zevra] "), std::string::npos) << file;
    EXPECT_NE(file.find("\n[Software\\\\Quorlin\\\\Zevra\\\\Sub] "), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"firstrun\"=\"2\"\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("FirstRun"), std::string::npos) << file;
    EXPECT_EQ(file.find("SOFTWARE"), std::string::npos) << file;
}

TEST_F(RegistryFiles, TheDefaultValueIsWrittenAsAtAndAValueNamedAtIsQuoted) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "", "default text"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "@", "at sign"), ERROR_SUCCESS);
    const std::string file = readFile(user());
    EXPECT_NE(file.find("\n@=\"default text\"\n\"@\"=\"at sign\"\n"), std::string::npos) << file;
}

TEST_F(RegistryFiles, ClassesRootLivesInTheSystemHive) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CLASSES_ROOT, "CLSID\\{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}", "",
                        "Visual Styles"),
              ERROR_SUCCESS);
    EXPECT_NE(readFile(machine()).find("[Software\\\\Classes\\\\CLSID\\\\{B691D85E"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(user()));
}

TEST_F(RegistryFiles, OtherRootsAreRefused) {
    Registry reg(root());
    for (HKEY rootKey : {HKEY_USERS, HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA}) {
        HKEY h = 1;
        EXPECT_EQ(reg.RegCreateKeyA(rootKey, "Software", &h), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegOpenKeyA(rootKey, "Software", &h), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegOpenKeyExA(rootKey, "Software", 0, 0, &h), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegSetValueExA(rootKey, "v", 0, REG_SZ, bytes("x"), 2), ERROR_ACCESS_DENIED);
        uint32_t size = 0;
        EXPECT_EQ(reg.RegQueryValueExA(rootKey, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegDeleteKeyA(rootKey, "Software"), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegDeleteValueA(rootKey, "v"), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegCloseKey(rootKey), ERROR_ACCESS_DENIED);
    }
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(user()));
}

TEST_F(RegistryFiles, EachTypeIsWrittenInWinesSpelling) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "DllName", "%SystemRoot%\\Blue.msstyles",
                        REG_EXPAND_SZ),
              ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "text dword", "1", REG_DWORD), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);
    const uint8_t number[4] = {0x2A, 0x01, 0x00, 0x80};
    ASSERT_EQ(reg.RegSetValueExA(h, "number", 0, REG_DWORD, number, 4), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "blob", 0, REG_BINARY, bytes(std::string("\x00\xff\x10", 3)), 3),
              ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "multi", 0, REG_MULTI_SZ, bytes(std::string("a\0b\0\0", 5)), 5),
              ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
    reg.RegCloseKey(h);
    const std::string file = readFile(user());
    EXPECT_NE(file.find("\n\"DllName\"=str(2):\"%SystemRoot%\\\\Blue.msstyles\"\n"), std::string::npos)
        << file;
    EXPECT_NE(file.find("\n\"text dword\"=hex(4):31,00\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"number\"=dword:8000012a\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"blob\"=hex:00,ff,10\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"multi\"=str(7):\"a\\0b\\0\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"empty\"=hex(1):\n"), std::string::npos) << file;
}

TEST_F(RegistryFiles, AnsiTextIsStoredAsUnicode) {
    Registry reg(root());
    // Windows-1252: e-acute, the euro sign, then an ASCII hex digit after the e-acute.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Caf\xE9", "na\xEFve",
                        "\xE9"
                        "a \x80 \xE9z"),
              ERROR_SUCCESS);
    const std::string file = readFile(user());
    EXPECT_NE(file.find("[Software\\\\Caf\\xe9] "), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"na\\xefve\"=\"\\x00e9a \\x20ac \\xe9z\"\n"), std::string::npos) << file;
    for (char c : file)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST_F(RegistryFiles, AnEmptiedParentKeepsABlockOfItsOwn) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Parent\\Child", "v", "x"), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent\\Child"), ERROR_SUCCESS);
    EXPECT_NE(readFile(user()).find("\n[Software\\\\Parent] "), std::string::npos);
}

TEST_F(RegistryFiles, StoringTheSameAgainLeavesTheFileAsItWas) {
    const std::vector<std::pair<std::string, std::pair<uint32_t, std::string>>> written = {
        {"text", {REG_SZ, std::string("  abc  \0", 8)}},
        {"quote \"and\" back\\slash", {REG_SZ, std::string("[a] \"b\" \\c\\ \t\n\0", 16)}},
        {"binary", {REG_BINARY, std::string(300, '\xAB')}},
        {"odd", {0xFFFF0012u, std::string("\x01\x02\x03", 3)}},
        {"unterminated", {REG_SZ, std::string("abc", 3)}},
    };
    const auto store = [&](Registry& reg) {
        HKEY h = 0;
        ASSERT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Key [with] brackets", &h), ERROR_SUCCESS);
        for (const auto& [name, value] : written)
            ASSERT_EQ(reg.RegSetValueExA(h, name, 0, value.first, bytes(value.second),
                                         static_cast<uint32_t>(value.second.size())),
                      ERROR_SUCCESS);
        reg.RegCloseKey(h);
    };
    {
        Registry reg(root());
        store(reg);
    }
    const std::string saved = readFile(machine());
    EXPECT_NE(saved.find("[Software\\\\Key \\[with\\] brackets] "), std::string::npos) << saved;
    Registry fresh(root());
    store(fresh);
    EXPECT_EQ(readFile(machine()), saved);
}

TEST_F(RegistryFiles, AnUnchangedWriteTouchesNoFile) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "same"), ERROR_SUCCESS);
    const auto before = stamp(user());
    const auto files = std::distance(std::filesystem::directory_iterator(root()), {});
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "software\\k", "V", "same"), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);
    reg.RegCloseKey(h);
    EXPECT_TRUE(stamp(user()) == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root()), {}), files);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "other"), ERROR_SUCCESS);
    EXPECT_FALSE(stamp(user()) == before);
}

TEST_F(RegistryFiles, AReadOnlyHiveIsLeftAlone) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "kept"), ERROR_SUCCESS);
    const std::string before = readFile(user());
    std::filesystem::permissions(user(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "changed"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(readFile(user()), before);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "kept");
}

TEST_F(RegistryFiles, NewHiveGetsWinesHeader) {
    writeFile(machine(), "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    const std::string file = readFile(user());
    EXPECT_TRUE(
        file.starts_with("WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                         "\n#arch=win32\n\n[Software\\\\K] "))
        << file;
    EXPECT_TRUE(file.ends_with("\n\"v\"=\"x\"\n")) << file;
}

TEST_F(RegistryFiles, CurrentFollowsTheWindowsRoot) {
    Registry& reg = Registry::current();
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk", "today"),
              ERROR_SUCCESS);
    EXPECT_NE(readFile(user()).find("\"LastChk\"=\"today\""), std::string::npos);
    EXPECT_EQ(&Registry::current(), &reg);
}

// Windows documents that making a key needs KEY_CREATE_SUB_KEY on its parent's handle;
// Wine does not check it, so this stays out of the tests every back end must pass.
TEST_F(RegistryFiles, AKeyIsNotMadeThroughAHandleWithoutTheRight) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    HKEY readOnly = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, 0x20019, &readOnly), ERROR_SUCCESS);
    const std::string before = readFile(user());
    HKEY sub = 0;
    EXPECT_EQ(reg.RegCreateKeyA(readOnly, "Sub", &sub), ERROR_ACCESS_DENIED);
    EXPECT_EQ(readFile(user()), before);
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K\\Sub", &sub), ERROR_SUCCESS);
    reg.RegCloseKey(sub);
    EXPECT_EQ(reg.RegCreateKeyA(readOnly, "Sub", &sub), ERROR_SUCCESS) << "an existing key opens";
    reg.RegCloseKey(sub);
    reg.RegCloseKey(readOnly);
}
