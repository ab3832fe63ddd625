// The Win32 "A" behaviour of the registry that the program's registry routines build on.
#include "RegistryCalls.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace platform;
using namespace registry_test;

namespace {

const uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

// Access rights of RegOpenKeyExA.
constexpr uint32_t kSetValue = 0x2;
constexpr uint32_t kRead = 0x20019;
constexpr uint32_t kAllAccess = 0xF003F;
constexpr uint32_t kGenericAll = 0x10000000;

class RegistryFixture : public ::testing::Test {
protected:
    shared_test::ScratchRegistry scratch;
    const std::filesystem::path& root() const { return scratch.root(); }
};

} // namespace

using RegistryNames = RegistryFixture;

TEST_F(RegistryNames, KeysAndValuesIgnoreCase) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun", "1"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "SOFTWARE\\quorlin\\ZEVRA", "FIRSTRUN"), "1");

    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "software\\QUORLIN\\zevra", "FirstRun", "2"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "SOFTWARE\\Quorlin\\zevra\\Sub", "x", "y"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun"), "2");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "software\\quorlin\\zevra\\SUB", "X"), "y");
}

TEST_F(RegistryNames, EmptyNameIsTheDefaultValue) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "", "default text"), ERROR_SUCCESS);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "@", "at sign"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", ""), "default text");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "@"), "at sign");
}

TEST_F(RegistryNames, ClassesRootIsMachineSoftwareClasses) {
    Registry reg(root());
    const std::string clsid = "CLSID\\{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}";
    ASSERT_EQ(setString(reg, HKEY_CLASSES_ROOT, clsid, "", "Visual Styles"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_LOCAL_MACHINE, "Software\\Classes\\" + clsid, ""), "Visual Styles");
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\Classes\\" + clsid));
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
    EXPECT_EQ(type, REG_SZ) << "the type is told even when the data does not fit";
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_SUCCESS);
}

TEST_F(RegistryValues, ASizeQueryGivesTheSizeAndBadParametersOrHandlesAreRefused) {
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
    EXPECT_EQ(size, 0u) << "a size query of a missing value answers 0";
    size = sizeof buffer;
    EXPECT_EQ(reg.RegQueryValueExA(h, "missing", nullptr, nullptr, buffer, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, sizeof buffer) << "a read of a missing value leaves the size";
    // Data the call cannot read: Windows reports the access fault rather than a parameter.
    EXPECT_EQ(reg.RegSetValueExA(h, "v", 0, REG_BINARY, nullptr, 3), ERROR_NOACCESS);
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
}

TEST_F(RegistryValues, AnsiNamesIgnoreCaseBeyondAscii) {
    Registry reg(root());
    // Windows-1252: e-acute, the euro sign, then an ASCII hex digit after the e-acute.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Caf\xE9", "na\xEFve",
                        "\xE9"
                        "a \x80 \xE9z"),
              ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "software\\CAF\xC9", "NA\xCFVE"), "\xE9"
                                                                             "a \x80 \xE9z");
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
    EXPECT_EQ(reg.RegDeleteKeyA(h, "parent"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKeyA(h, "Parent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    reg.RegCloseKey(h);
}

TEST_F(RegistryKeys, AnEmptyNameOpensTheKeyItself) {
    Registry reg(root());
    HKEY h = 0;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "", &h), ERROR_SUCCESS);
    EXPECT_EQ(h, HKEY_CURRENT_USER) << "the very handle given";
    h = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, 0x20019, &h), ERROR_SUCCESS);
    EXPECT_EQ(h, HKEY_CURRENT_USER);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    HKEY k = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K", &k), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegOpenKeyA(k, "", &h), ERROR_SUCCESS);
    EXPECT_EQ(h, k);
    EXPECT_EQ(reg.RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_INVALID_HANDLE) << "one handle, closed once";
}

TEST_F(RegistryKeys, ALeadingBackslashIsABadPath) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    HKEY h = 1;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "\\Software\\K", &h), ERROR_BAD_PATHNAME);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "\\Software\\New", &h), ERROR_BAD_PATHNAME);
    EXPECT_FALSE(keyExists(reg, HKEY_CURRENT_USER, "Software\\New"));
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "\\Software\\K"), ERROR_BAD_PATHNAME);
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\K"));
    // Doubled and trailing backslashes are fine.
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\\\K\\", "v"), "x");
}

TEST_F(RegistryKeys, MissingKeysAndValuesAreNotFoundAndAKeyOutlivesItsLastValue) {
    Registry reg(root());
    HKEY h = 77;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Nowhere", &h), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Nowhere"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, kAllAccess, &h), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(h, "w"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegDeleteValueA(h, "V"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(h, "v"), ERROR_FILE_NOT_FOUND);
    uint32_t size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    // The key itself stays after its last value goes.
    EXPECT_TRUE(keyExists(reg, HKEY_CURRENT_USER, "Software\\K"));
    reg.RegCloseKey(h);
}

TEST_F(RegistryKeys, AHandleHasTheRightsItWasOpenedWith) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "x"), ERROR_SUCCESS);
    HKEY readOnly = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, kRead, &readOnly), ERROR_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(readOnly, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegSetValueExA(readOnly, "v", 0, REG_SZ, bytes("y"), 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegDeleteValueA(readOnly, "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "x");
    reg.RegCloseKey(readOnly);

    HKEY writeOnly = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, kSetValue, &writeOnly), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegSetValueExA(writeOnly, "v", 0, REG_SZ, bytes("y"), 2), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegQueryValueExA(writeOnly, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    reg.RegCloseKey(writeOnly);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "y");

    HKEY all = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\K", 0, kGenericAll, &all), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValueA(all, "v"), ERROR_SUCCESS);
    reg.RegCloseKey(all);
}

TEST_F(RegistryKeys, EveryCallThroughTheHandleOfADeletedKeyFails) {
    Registry reg(root());
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Gone", "v", "x"), ERROR_SUCCESS);
    HKEY h = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Gone", &h), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone"), ERROR_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(reg.RegDeleteValueA(h, "v"), ERROR_KEY_DELETED);
    HKEY other = 0;
    EXPECT_EQ(reg.RegOpenKeyA(h, "Sub", &other), ERROR_KEY_DELETED);
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
    Registry fresh(root());
    for (const auto& [name, value] : written) {
        const auto got = query(fresh, HKEY_LOCAL_MACHINE, "Software\\Key [with] brackets", name);
        ASSERT_TRUE(got) << name;
        EXPECT_EQ(got->first, value.first) << name;
        EXPECT_EQ(got->second, value.second) << name;
    }
}

TEST_F(RegistryPersistence, AnUnterminatedStringKeepsItsLength) {
    Registry reg(root());
    HKEY h = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\K", &h), ERROR_SUCCESS);
    // The byte after the given size is not a NUL: Windows adds a terminator of its own to
    // a string whose next byte is one, reading beyond the size it was given.
    ASSERT_EQ(reg.RegSetValueExA(h, "unterminated", 0, REG_SZ, bytes("abc!"), 3), ERROR_SUCCESS);
    const auto got = query(reg, HKEY_CURRENT_USER, "Software\\K", "unterminated");
    ASSERT_TRUE(got);
    EXPECT_EQ(got->second, "abc");
    // Read into a larger buffer, the text gets a terminator after its size, as on Windows.
    std::string buffer(8, 'x');
    uint32_t size = 8;
    EXPECT_EQ(reg.RegQueryValueExA(h, "unterminated", nullptr, nullptr,
                                   reinterpret_cast<uint8_t*>(buffer.data()), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buffer, std::string("abc\0xxxx", 8));
    reg.RegCloseKey(h);
}
