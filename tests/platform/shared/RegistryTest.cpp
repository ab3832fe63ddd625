// The Win32 "A" behaviour of the registry that the program's registry routines build on.
#include "RegistryTestSupport.h"

#include <cstring>

using namespace platform;
using registry_test::RegistryFixture;

namespace {

const uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

} // namespace

using RegistryNames = RegistryFixture;

TEST_F(RegistryNames, KeysAndValuesIgnoreCaseAndKeepTheFirstSpelling) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun", "1"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "SOFTWARE\\quorlin\\ZEVRA", "FIRSTRUN"), "1");

    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "software\\QUORLIN\\zevra", "FirstRun", "2"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "SOFTWARE\\Quorlin\\zevra\\Sub", "x", "y"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun"), "2");

    const std::string file = readFile(user());
    EXPECT_NE(file.find("\n[Software\\\\Quorlin\\\\Zevra] "), std::string::npos) << file;
    EXPECT_NE(file.find("\n[Software\\\\Quorlin\\\\Zevra\\\\Sub] "), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"firstrun\"=\"2\"\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("FirstRun"), std::string::npos) << file;
    EXPECT_EQ(file.find("SOFTWARE"), std::string::npos) << file;
}

TEST_F(RegistryNames, EmptyNameIsTheDefaultValue) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "", "default text"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "@", "at sign"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", ""), "default text");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "@"), "at sign");
    const std::string file = readFile(user());
    EXPECT_NE(file.find("\n@=\"default text\"\n\"@\"=\"at sign\"\n"), std::string::npos) << file;
}

TEST_F(RegistryNames, ClassesRootIsMachineSoftwareClasses) {
    Registry reg(root());
    const std::string clsid = "CLSID\\{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}";
    ASSERT_EQ(setString(reg, HKEY_CLASSES_ROOT, clsid, "", "Visual Styles"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_LOCAL_MACHINE, "Software\\Classes\\" + clsid, ""), "Visual Styles");
    EXPECT_NE(readFile(machine()).find("[Software\\\\Classes\\\\CLSID\\\\{B691D85E"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(user()));
}

TEST_F(RegistryNames, OtherRootsAreRefused) {
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

using RegistryValues = RegistryFixture;

TEST_F(RegistryValues, ExpandSzIsReadBackUnexpandedWithItsType) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                        "DllName", "%SystemRoot%\\Resources\\Themes\\Blue\\Blue.msstyles", REG_EXPAND_SZ),
              ERROR_SUCCESS);
    const auto v = query(reg, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                         "dllname");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->first, REG_EXPAND_SZ);
    EXPECT_EQ(v->second, std::string("%SystemRoot%\\Resources\\Themes\\Blue\\Blue.msstyles") + '\0');
    EXPECT_NE(readFile(user()).find(
                  "\"DllName\"=str(2):\"%SystemRoot%\\\\Resources\\\\Themes\\\\Blue\\\\Blue.msstyles\"\n"),
              std::string::npos);
}

TEST_F(RegistryValues, FiveHundredByteBufferTakes499CharactersAndNoMore) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "fits", std::string(499, 'a')), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "long", std::string(500, 'b')), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);

    std::string buffer(500, ' ');
    uint32_t size = 500;
    uint32_t type = 99;
    ASSERT_EQ(
        reg.RegQueryValueExA(h, "fits", nullptr, &type, reinterpret_cast<uint8_t*>(buffer.data()), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 500u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(buffer, std::string(499, 'a') + '\0');

    buffer.assign(500, ' ');
    size = 500;
    type = 99;
    EXPECT_EQ(
        reg.RegQueryValueExA(h, "long", nullptr, &type, reinterpret_cast<uint8_t*>(buffer.data()), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 501u);
    EXPECT_EQ(buffer, std::string(500, ' '));
    EXPECT_EQ(type, 99u); // a failed query leaves the caller's type alone
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_SUCCESS);
}

TEST_F(RegistryValues, SizeQueriesAndParameterChecks) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "hello"), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);
    uint32_t size = 0;
    uint32_t type = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, REG_SZ);
    uint8_t buffer[8] = {};
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
    uint32_t reserved = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.RegQueryValueExA(h, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegSetValueExA(h, "v", 0, REG_SZ, nullptr, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.RegQueryValueExA(12345, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryValues, OtherTypesKeepTheGivenBytes) {
    Registry reg(root());
    // WriteRegistry with REG_DWORD stores the text "1" and its terminator.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "text dword", "1", REG_DWORD), ERROR_SUCCESS);
    const auto v = query(reg, HKEY_CURRENT_USER, "Software\\K", "text dword");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->first, REG_DWORD);
    EXPECT_EQ(v->second, std::string("1\0", 2));

    HKEY h = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);
    const uint8_t number[4] = {0x2A, 0x01, 0x00, 0x80};
    ASSERT_EQ(reg.RegSetValueExA(h, "number", 0, REG_DWORD, number, 4), ERROR_SUCCESS);
    const std::string blob("\x00\xff\x10", 3);
    ASSERT_EQ(reg.RegSetValueExA(h, "blob", 0, REG_BINARY, bytes(blob), 3), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "multi", 0, REG_MULTI_SZ, bytes(std::string("a\0b\0\0", 5)), 5),
              ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
    reg.RegCloseKey(h);

    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Software\\K", "number")->second,
              std::string("\x2a\x01\x00\x80", 4));
    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Software\\K", "blob")->second, blob);
    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Software\\K", "multi")->second, std::string("a\0b\0\0", 5));
    EXPECT_EQ(query(reg, HKEY_CURRENT_USER, "Software\\K", "empty")->second, "");
    const std::string file = readFile(user());
    EXPECT_NE(file.find("\n\"text dword\"=hex(4):31,00\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"number\"=dword:8000012a\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"blob\"=hex:00,ff,10\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"multi\"=str(7):\"a\\0b\\0\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"empty\"=hex(1):\n"), std::string::npos) << file;
}

TEST_F(RegistryValues, AnsiTextIsStoredAsUnicode) {
    Registry reg(root());
    // Windows-1252: e-acute, the euro sign, then an ASCII hex digit after the e-acute.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Caf\xE9", "na\xEFve",
                        "\xE9"
                        "a \x80 \xE9z"),
              ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "software\\CAF\xC9", "NA\xCFVE"), "\xE9"
                                                                             "a \x80 \xE9z");
    const std::string file = readFile(user());
    EXPECT_NE(file.find("[Software\\\\Caf\\xe9] "), std::string::npos) << file;
    EXPECT_NE(file.find("\n\"na\\xefve\"=\"\\x00e9a \\x20ac \\xe9z\"\n"), std::string::npos) << file;
    for (char c : file)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

using RegistryKeys = RegistryFixture;

TEST_F(RegistryKeys, DeletingAKeyWithSubkeysIsRefused) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Parent\\Child", "v", "x"), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software", &h), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKeyA(h, "Parent"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Parent\\Child"));
    EXPECT_EQ(reg.RegDeleteKeyA(h, "Parent\\Child"), ERROR_SUCCESS);
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Parent\\Child"));
    // The parent stays, now as an empty key of its own.
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Parent"));
    EXPECT_NE(readFile(user()).find("\n[Software\\\\Parent] "), std::string::npos);
    EXPECT_EQ(reg.RegDeleteKeyA(h, "parent"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKeyA(h, "Parent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    reg.RegCloseKey(h);
}

TEST_F(RegistryKeys, MissingKeysAndValues) {
    Registry reg(root());
    HKEY h = 77;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Nowhere", &h), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Nowhere"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, 0x20019, &h), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(h, "w"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegDeleteValueA(h, "V"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(h, "v"), ERROR_FILE_NOT_FOUND);
    uint32_t size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // The key itself stays after its last value goes.
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\K"));
    reg.RegCloseKey(h);
}

TEST_F(RegistryKeys, HandleOfADeletedKey) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Gone", "v", "x"), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Gone", &h), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone"), ERROR_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegSetValueExA(h, "v", 0, REG_SZ, bytes("y"), 2), ERROR_KEY_DELETED);
    HKEY sub = 0;
    EXPECT_EQ(reg.RegCreateKeyA(h, "Sub", &sub), ERROR_KEY_DELETED);
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Gone"));
    reg.RegCloseKey(h);
}

using RegistryPersistence = RegistryFixture;

TEST_F(RegistryPersistence, AFreshInstanceReadsWhatWasWritten) {
    std::vector<std::pair<std::string, std::pair<uint32_t, std::string>>> written = {
        {"text", {REG_SZ, std::string("  abc  \0", 8)}},
        {"expand", {REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)}},
        {"quote \"and\" back\\slash", {REG_SZ, std::string("[a] \"b\" \\c\\ \t\n\0", 16)}},
        {"number", {REG_DWORD, std::string("\x01\x00\x00\x00", 4)}},
        {"text number", {REG_DWORD, std::string("1\0", 2)}},
        {"binary", {REG_BINARY, std::string(300, '\xAB')}},
        {"odd", {0xFFFF0012u, std::string("\x01\x02\x03", 3)}},
        {"multi", {REG_MULTI_SZ, std::string("one\0two\0\0", 9)}},
        {"unterminated", {REG_SZ, std::string("abc", 3)}},
    };
    {
        Registry reg(root());
        HKEY h = 0;
        ASSERT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Key [with] brackets", &h), ERROR_SUCCESS);
        for (const auto& [name, value] : written)
            ASSERT_EQ(reg.RegSetValueExA(h, name, 0, value.first, bytes(value.second),
                                         static_cast<uint32_t>(value.second.size())),
                      ERROR_SUCCESS);
        reg.RegCloseKey(h);
    }
    const std::string saved = readFile(machine());
    EXPECT_NE(saved.find("[Software\\\\Key \\[with\\] brackets] "), std::string::npos) << saved;
    Registry fresh(root());
    for (const auto& [name, value] : written) {
        const auto got = query(fresh, HKEY_LOCAL_MACHINE, "Software\\Key [with] brackets", name);
        ASSERT_TRUE(got) << name;
        EXPECT_EQ(got->first, value.first) << name;
        EXPECT_EQ(got->second, value.second) << name;
        // Storing the same again changes nothing.
        HKEY h = 0;
        ASSERT_EQ(fresh.RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Key [with] brackets", &h), ERROR_SUCCESS);
        EXPECT_EQ(fresh.RegSetValueExA(h, name, 0, value.first, bytes(value.second),
                                       static_cast<uint32_t>(value.second.size())),
                  ERROR_SUCCESS);
        fresh.RegCloseKey(h);
    }
    EXPECT_EQ(readFile(machine()), saved);
}

TEST_F(RegistryPersistence, AnUnchangedWriteTouchesNoFile) {
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

TEST_F(RegistryPersistence, AReadOnlyHiveIsLeftAlone) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "kept"), ERROR_SUCCESS);
    const std::string before = readFile(user());
    std::filesystem::permissions(user(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "changed"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(readFile(user()), before);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "kept");
}

TEST_F(RegistryPersistence, NewHiveGetsWinesHeader) {
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

TEST_F(RegistryPersistence, CurrentFollowsTheWindowsRoot) {
    Registry& reg = Registry::current();
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk", "today"),
              ERROR_SUCCESS);
    EXPECT_NE(readFile(user()).find("\"LastChk\"=\"today\""), std::string::npos);
    EXPECT_EQ(&Registry::current(), &reg);
}
