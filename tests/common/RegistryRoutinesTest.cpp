// The registry routines of both libraries: what they store and how they read it back
// through a 500-byte text buffer.

#include "LibraryTestSupport.h"

#include "common/prgmain.h"
#include "platform/Registry.h"

#include <string>
#include <vector>

namespace {

using library_test::LibraryTest;

constexpr int32_t HKCU = static_cast<int32_t>(0x80000001u);
const QString kKey = QStringLiteral("Software\\Quorlin\\Test");

struct Stored {
    int32_t rc = -1;
    uint32_t type = 0;
    std::string bytes;
};

// The value as the registry itself holds it, read without the routines under test.
Stored stored(const std::string& subkey, const std::string& name) {
    auto& reg = platform::Registry::current();
    Stored out;
    platform::HKEY key = 0;
    if (reg.RegOpenKeyA(platform::HKEY_CURRENT_USER, subkey, &key) != platform::ERROR_SUCCESS)
        return out;
    std::vector<uint8_t> data(4096);
    uint32_t size = static_cast<uint32_t>(data.size());
    out.rc = reg.RegQueryValueExA(key, name, nullptr, &out.type, data.data(), &size);
    if (out.rc == platform::ERROR_SUCCESS)
        out.bytes.assign(reinterpret_cast<const char*>(data.data()), size);
    reg.RegCloseKey(key);
    return out;
}

void storeRaw(const std::string& subkey, const std::string& name, uint32_t type, const std::string& bytes) {
    auto& reg = platform::Registry::current();
    platform::HKEY key = 0;
    ASSERT_EQ(reg.RegCreateKeyA(platform::HKEY_CURRENT_USER, subkey, &key), platform::ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                                 static_cast<uint32_t>(bytes.size())),
              platform::ERROR_SUCCESS);
    reg.RegCloseKey(key);
}

using RegistryRoutines = LibraryTest;

TEST_F(RegistryRoutines, WriteRegStrCreatesTheWholePathAndStoresTheTerminator) {
    prgmain::WriteRegStr(HKCU, QStringLiteral("Software\\Quorlin\\New\\Deeper"), QStringLiteral("Empty"),
                         QString());
    const Stored s = stored("Software\\Quorlin\\New\\Deeper", "Empty");
    ASSERT_EQ(s.rc, platform::ERROR_SUCCESS);
    EXPECT_EQ(s.type, platform::REG_SZ);
    EXPECT_EQ(s.bytes, std::string(1, '\0'));
}

TEST_F(RegistryRoutines, TextGoesInTheAnsiCodePage) {
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("Name"), QStringLiteral("Caf\u00e9 \u20ac"));
    EXPECT_EQ(stored("Software\\Quorlin\\Test", "Name").bytes, std::string("Caf\xe9 \x80\0", 7));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("Name")), QStringLiteral("Caf\u00e9 \u20ac"));
}

TEST_F(RegistryRoutines, WriteRegStrReplacesAValueOfAnotherType) {
    prgmain::WriteRegInt(HKCU, kKey, QStringLiteral("V"), 7);
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("V"), QStringLiteral("x"));
    const Stored s = stored("Software\\Quorlin\\Test", "V");
    EXPECT_EQ(s.type, platform::REG_SZ);
    EXPECT_EQ(s.bytes, std::string("x\0", 2));
}

TEST_F(RegistryRoutines, LeadingSpacesAreLostTrailingOnesKept) {
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("S"), QStringLiteral("  abc  "));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("S")), QStringLiteral("abc  "));
}

TEST_F(RegistryRoutines, MissingEmptyOrBlankTextGivesTheDefault) {
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("Missing")), QString());
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("Missing"), QStringLiteral("None")),
              QStringLiteral("None"));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, QStringLiteral("Software\\No\\Such"), QStringLiteral("x"),
                                  QStringLiteral("None")),
              QStringLiteral("None"));
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("Empty"), QString());
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("Blank"), QStringLiteral("    "));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("Empty"), QStringLiteral("None")),
              QStringLiteral("None"));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("Blank"), QStringLiteral("None")),
              QStringLiteral("None"));
}

TEST_F(RegistryRoutines, TheBufferHolds499CharactersAndItsTerminator) {
    const QString fits(499, QLatin1Char('a'));
    const QString tooLong(500, QLatin1Char('b'));
    const QString muchTooLong(600, QLatin1Char('c'));
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("Fits"), fits);
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("TooLong"), tooLong);
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("MuchTooLong"), muchTooLong);
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("Fits"), QStringLiteral("D")), fits);
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("TooLong"), QStringLiteral("D")),
              QStringLiteral("D"));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("MuchTooLong"), QStringLiteral("D")),
              QStringLiteral("D"));
}

TEST_F(RegistryRoutines, ANumberReadAsTextGivesItsBytesUpToTheFirstZero) {
    prgmain::WriteRegInt(HKCU, kKey, QStringLiteral("N"), 0x00434241); // "ABC\0"
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("N")), QStringLiteral("ABC"));
}

TEST_F(RegistryRoutines, WriteRegIntStoresFourBytesLeastSignificantFirst) {
    prgmain::WriteRegInt(HKCU, kKey, QStringLiteral("N"), -2);
    const Stored s = stored("Software\\Quorlin\\Test", "N");
    EXPECT_EQ(s.type, platform::REG_DWORD);
    EXPECT_EQ(s.bytes, std::string("\xfe\xff\xff\xff", 4));
    EXPECT_EQ(prgmain::ReadRegInt(HKCU, kKey, QStringLiteral("N")), -2);
}

TEST_F(RegistryRoutines, ReadRegIntTakesUpToFourBytesOfAnyType) {
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("One"), QStringLiteral("1"));
    EXPECT_EQ(prgmain::ReadRegInt(HKCU, kKey, QStringLiteral("One")), 49);
    storeRaw("Software\\Quorlin\\Test", "Bin3", platform::REG_BINARY, std::string("\x01\x02\x03", 3));
    EXPECT_EQ(prgmain::ReadRegInt(HKCU, kKey, QStringLiteral("Bin3")), 0x030201);
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("Long"), QStringLiteral("1234"));
    EXPECT_EQ(prgmain::ReadRegInt(HKCU, kKey, QStringLiteral("Long")), 0);
    EXPECT_EQ(prgmain::ReadRegInt(HKCU, kKey, QStringLiteral("Missing")), 0);
}

TEST_F(RegistryRoutines, WriteRegistryStoresTheTextBytesWhateverTheType) {
    prgmain::WriteRegistry(HKCU, kKey, QStringLiteral("D"), platform::REG_DWORD, QStringLiteral("1"));
    const Stored s = stored("Software\\Quorlin\\Test", "D");
    EXPECT_EQ(s.type, platform::REG_DWORD);
    EXPECT_EQ(s.bytes, std::string("1\0", 2));
}

TEST_F(RegistryRoutines, ReadRegistryHandsBackTheActualType) {
    storeRaw("Software\\Quorlin\\Test", "Path", platform::REG_EXPAND_SZ, std::string("%windir%\\x\0", 11));
    int32_t type = platform::REG_SZ;
    EXPECT_EQ(prgmain::ReadRegistry(HKCU, kKey, QStringLiteral("Path"), type), QStringLiteral("%windir%\\x"));
    EXPECT_EQ(type, static_cast<int32_t>(platform::REG_EXPAND_SZ));

    // A failed query leaves the caller's variable alone.
    type = platform::REG_BINARY;
    EXPECT_EQ(prgmain::ReadRegistry(HKCU, kKey, QStringLiteral("Missing"), type, QStringLiteral("None")),
              QStringLiteral("None"));
    EXPECT_EQ(type, static_cast<int32_t>(platform::REG_BINARY));
}

TEST_F(RegistryRoutines, DeleteRegKeyLeavesAKeyWithSubkeys) {
    prgmain::WriteRegStr(HKCU, QStringLiteral("Software\\Quorlin\\Parent\\Child\\Grandchild"),
                         QStringLiteral("v"), QStringLiteral("x"));
    prgmain::DeleteRegKey(HKCU, QStringLiteral("Software\\Quorlin\\Parent"), QStringLiteral("Child"));
    EXPECT_EQ(stored("Software\\Quorlin\\Parent\\Child\\Grandchild", "v").bytes, std::string("x\0", 2));

    prgmain::DeleteRegKey(HKCU, QStringLiteral("Software\\Quorlin\\Parent\\Child"),
                          QStringLiteral("Grandchild"));
    EXPECT_EQ(stored("Software\\Quorlin\\Parent\\Child\\Grandchild", "v").rc, -1);
}

TEST_F(RegistryRoutines, DeleteRegValueRemovesOneValue) {
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("A"), QStringLiteral("1"));
    prgmain::WriteRegStr(HKCU, kKey, QStringLiteral("B"), QStringLiteral("2"));
    prgmain::DeleteRegValue(HKCU, kKey, QStringLiteral("A"));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("A"), QStringLiteral("gone")),
              QStringLiteral("gone"));
    EXPECT_EQ(prgmain::ReadRegStr(HKCU, kKey, QStringLiteral("B")), QStringLiteral("2"));
    // Nothing to delete, nothing reported.
    prgmain::DeleteRegValue(HKCU, QStringLiteral("Software\\No\\Such"), QStringLiteral("A"));
}

TEST_F(RegistryRoutines, RefusedRootsAreSilent) {
    const int32_t users = static_cast<int32_t>(0x80000003u);
    prgmain::WriteRegStr(users, kKey, QStringLiteral("x"), QStringLiteral("y"));
    prgmain::WriteRegInt(users, kKey, QStringLiteral("x"), 1);
    EXPECT_EQ(prgmain::ReadRegStr(users, kKey, QStringLiteral("x"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(prgmain::ReadRegInt(users, kKey, QStringLiteral("x")), 0);
}

TEST(StripTerminator, CutsAtTheFirstZero) {
    EXPECT_EQ(prgmain::StripTerminator(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(prgmain::StripTerminator(QString(QChar(u'\0')) + QStringLiteral("abc")), QString());
    EXPECT_EQ(
        prgmain::StripTerminator(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("c") + QChar(u'\0')),
        QStringLiteral("ab"));
}

} // namespace
