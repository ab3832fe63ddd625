// While a wineserver runs for the prefix, writes go to Wine's registry tool as one .reg
// file per batch, are read back at once, and a failure of the tool is a failed write.
// Here the server and the tool are stand-ins that record what they were given; the test
// program tests/wine runs the same against a real Wine.
#include "FakeWine.h"
#include "RegistryTestSupport.h"

#include "platform/Recheck.h"

#include <thread>

using namespace platform;
using namespace registry_test;
using testing_support::FakeWine;

namespace {

const char kHive[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                     "#arch=win32\n\n[Software\\\\K] 1700000000\n#time=1d9f0c0a0b0c0d0\n\"v\"=\"before\"\n"
                     "\"gone\"=\"x\"\n\n[Software\\\\K\\\\Leaf] 1700000000\n#time=1d9f0c0a0b0c0d0\n";

class RegistryThroughWine : public RegistryFixture {
protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        writeFile(user(), kHive);
        wine.emplace(root(), root() / "scratch");
    }
    void TearDown() override {
        wine.reset();
        RegistryFixture::TearDown();
    }
    std::optional<testing_support::FakeWine> wine;
};

} // namespace

TEST_F(RegistryThroughWine, AWriteGoesToWinesToolAndIsReadBackAtOnce) {
    Registry reg(root());
    EXPECT_EQ(reg.busyPrefixMessage(), "");
    EXPECT_EQ(reg.wineWritesNote(),
              "Wine is running in the prefix " + root().string() +
                  ". While its programs run, Quorlin Visual Style Manager saves its changes through Wine's "
                  "registry tool (wine reg), so that Wine keeps them; each change takes a moment, and the "
                  "registry files show it once Wine has saved its registry.");
    const std::string before = readFile(user());

    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "caf\xE9"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "caf\xE9");
    EXPECT_EQ(readFile(user()), before) << "Wine would overwrite the file";

    const auto calls = wine->calls();
    ASSERT_EQ(calls.size(), 1u);
    const std::string tmp = wine->temporaryFolder().string();
    std::string expectedPath = "\\\\?\\unix";
    for (char c : tmp + "/kolvmgr-")
        expectedPath += c == '/' ? '\\' : c;
    EXPECT_EQ(calls[0].substr(0, calls[0].find(expectedPath)),
              "WINEPREFIX=" + root().string() + " WINEDEBUG=-all ARGS=reg import ");
    // The key exists already: only the value, as UTF-16 text with its terminator.
    EXPECT_EQ(wine->file(0),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n"
              "\"v\"=hex(1):63,00,61,00,66,00,e9,00,00,00\r\n");
    EXPECT_TRUE(wine->leftovers().empty()) << "the .reg file is gone";
}

TEST_F(RegistryThroughWine, ABatchIsOneCallAndKeepsItsOrder) {
    Registry reg(root());
    reg.beginBatch();
    HKEY key = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\New]Key", &key), ERROR_SUCCESS);
    const uint8_t number[4] = {1, 2, 3, 4};
    ASSERT_EQ(reg.RegSetValueExA(key, "say \"\\\"\n", 0, REG_DWORD, number, 4), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(key, "", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    reg.RegCloseKey(key);
    HKEY k = 0;
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K", &k), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegDeleteValueA(k, "gone"), ERROR_SUCCESS);
    reg.RegCloseKey(k);
    ASSERT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\K\\Leaf"), ERROR_SUCCESS);
    EXPECT_TRUE(wine->calls().empty()) << "nothing is sent before the batch ends";
    // Read back inside the batch already.
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K\\Leaf", &k), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(reg.endBatch(), ERROR_SUCCESS);

    ASSERT_EQ(wine->calls().size(), 1u);
    EXPECT_EQ(wine->file(0), "Windows Registry Editor Version 5.00\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\New]Key]\r\n"
                             "\"say \\\"\\\\\\\"\\n\"=hex(4):01,02,03,04\r\n"
                             "@=hex(3):\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n"
                             "\"gone\"=-\r\n"
                             "\r\n[-HKEY_CURRENT_USER\\Software\\K\\Leaf]\r\n");
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\New]Key", &k), ERROR_SUCCESS);
    reg.RegCloseKey(k);
}

TEST_F(RegistryThroughWine, TheMachineHiveAndAKeyWithSubkeysKeepTheirRules) {
    Registry reg(root());
    {
        RegistryBatch batch(reg);
        ASSERT_EQ(setString(reg, HKEY_CLASSES_ROOT, "CLSID\\{X}", "", "Visual Styles"), ERROR_SUCCESS);
    }
    // Windows refuses to delete a key with subkeys; the tool would take them all.
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\K"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(wine->calls().size(), 1u);
    EXPECT_EQ(wine->file(0),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{X}]\r\n"
              "@=hex(1):56,00,69,00,73,00,75,00,61,00,6c,00,20,00,53,00,74,00,79,00,6c,00,65,00,"
              "73,00,00,00\r\n");
}

TEST_F(RegistryThroughWine, WhatTheToolRefusesIsAFailedWriteAndIsNotReadBack) {
    wine->setExitCode(1);
    Registry reg(root());
    reg.beginBatch();
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "during"), ERROR_SUCCESS);
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Other", "w", "x"), ERROR_SUCCESS);
    EXPECT_EQ(reg.endBatch(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "before");
    HKEY k = 0;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Other", &k), ERROR_FILE_NOT_FOUND);
    // A single write outside a batch fails at once.
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "again"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "before");
}

TEST_F(RegistryThroughWine, AFileSavedByWineMeanwhileKeepsTheBatchVisible) {
    Registry reg(root());
    reg.beginBatch();
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "mine"), ERROR_SUCCESS);
    // Wine saves its registry (with a change of its own) while the batch is open.
    std::string saved = kHive;
    saved += "\n[Software\\\\Wine] 1700000001\n#time=1d9f0c0a0b0c0d1\n\"w\"=\"wine's\"\n";
    writeFile(user(), saved);
    std::this_thread::sleep_for(kRecheckInterval * 5);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Wine", "w"), "wine's");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "mine");
    EXPECT_EQ(reg.endBatch(), ERROR_SUCCESS);
}

TEST_F(RegistryThroughWine, AKeyNameWithALineBreakCannotBeCarried) {
    Registry reg(root());
    HKEY key = 0;
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Two\nLines", &key), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(wine->calls().empty());
}

TEST_F(RegistryThroughWine, OnceTheServerStopsTheFilesAreWrittenAgain) {
    Registry reg(root());
    wine->stopServer();
    EXPECT_EQ(reg.wineWritesNote(), "");
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "after"), ERROR_SUCCESS);
    EXPECT_TRUE(wine->calls().empty());
    EXPECT_NE(readFile(user()).find("\"v\"=\"after\""), std::string::npos);
}
