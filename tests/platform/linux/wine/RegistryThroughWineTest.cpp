// While a wineserver runs for the prefix, what is stored is what it holds: reads and the
// decisions of writes come from its running registry (exported through Wine's tool), and
// writes go to that tool as one .reg file per batch. A server that starts while a file is
// saved is given the change too; a tool that fails is a failed write only when the change
// is not there, and a failure that cannot be told apart from success is said to be one.
// Here the server and the tool are stand-ins; the test program tests/wine runs the same
// against a real Wine.
#include "FakeWine.h"
#include "ScopedHook.h"
#include "platform/linux/RegistryTestSupport.h"

#include "platform/linux/Recheck.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/hive/HiveFile.h"
#include "platform/linux/wine/WineRegTool.h"

#include <chrono>

using namespace platform;
using namespace registry_test;
using testing_support::FakeWine;

namespace {

const char kHive[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                     "#arch=win32\n\n[Software\\\\K] 1700000000\n#time=1d9f0c0a0b0c0d0\n\"v\"=\"before\"\n"
                     "\"gone\"=\"x\"\n\n[Software\\\\K\\\\Leaf] 1700000000\n#time=1d9f0c0a0b0c0d0\n";

// What the running registry holds of Software\K: what the file says, or v changed.
std::string liveK(const std::string& v = "before") {
    return "\n[HKEY_CURRENT_USER\\Software\\K]\n\"gone\"=\"x\"\n\"v\"=\"" + v +
           "\"\n\n[HKEY_CURRENT_USER\\Software\\K\\Leaf]\n";
}

class RegistryThroughWine : public RegistryFixture {
protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        writeFile(user(), kHive);
        wine.emplace(root(), root() / "scratch");
        wine->setLive("HKEY_CURRENT_USER\\Software\\K", liveK());
    }
    void TearDown() override {
        wine.reset();
        RegistryFixture::TearDown();
    }
    std::optional<testing_support::FakeWine> wine;
};

} // namespace

TEST_F(RegistryThroughWine, AWriteGoesToWinesToolAndWhatWineHoldsIsReadBack) {
    Registry reg(root());
    EXPECT_EQ(reg.prefixState(), Registry::PrefixState::WineWrites);
    const std::string before = readFile(user());

    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "caf\xE9"), ERROR_SUCCESS);
    EXPECT_EQ(readFile(user()), before) << "Wine would overwrite the file";
    const auto calls = wine->calls();
    ASSERT_EQ(calls.size(), 2u);
    const std::string tmp = wine->temporaryFolder().string();
    std::string expectedPath = "\\\\?\\unix";
    for (char c : tmp + "/kolvmgr-")
        expectedPath += c == '/' ? '\\' : c;
    EXPECT_EQ(calls[0].substr(0, calls[0].find(expectedPath)),
              "WINEPREFIX=" + root().string() +
                  " WINEDEBUG=-all ARGS=reg export HKEY_CURRENT_USER\\Software\\K ");
    EXPECT_TRUE(calls[0].ends_with("\\export.reg /y")) << calls[0];
    EXPECT_EQ(calls[1].substr(0, calls[1].find(expectedPath)),
              "WINEPREFIX=" + root().string() + " WINEDEBUG=-all ARGS=reg import ");
    // The key exists already: only the value, as UTF-16 text with its terminator.
    EXPECT_EQ(wine->file(0),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n"
              "\"v\"=hex(1):63,00,61,00,66,00,e9,00,00,00\r\n");
    EXPECT_TRUE(wine->leftovers().empty()) << "the files of both calls are gone";

    // Read back from Wine, not from what was sent: here Wine took something else meanwhile.
    wine->setLive("HKEY_CURRENT_USER\\Software\\K", liveK("Wine's own"));
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "Wine's own");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "gone"), "x");
    EXPECT_EQ(wine->exports().size(), 2u) << "the two reads of one moment share one export";
}

TEST_F(RegistryThroughWine, WhatIsStoredIsWhatWineHoldsNotWhatTheFileSays) {
    // The file still says "before"; Wine holds "Royale" since a change the file has not seen.
    wine->setLive("HKEY_CURRENT_USER\\Software\\K", liveK("Royale"));
    Registry reg(root());
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "Royale");
    // Storing what the file says is a change: it is sent.
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "before"), ERROR_SUCCESS);
    ASSERT_EQ(wine->imports().size(), 1u);
    EXPECT_NE(wine->file(0).find("\"v\"=hex(1):62,00,65,00,66,00,6f,00,72,00,65,00,00,00"),
              std::string::npos);
    // Storing what Wine holds is none: nothing is sent.
    wine->setLive("HKEY_CURRENT_USER\\Software\\K", liveK("Royale"));
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "Royale"), ERROR_SUCCESS);
    EXPECT_EQ(wine->imports().size(), 1u);
    // Whether a key is there is Wine's answer too.
    HKEY k = 0;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\OnlyInWine", &k), ERROR_FILE_NOT_FOUND);
    wine->setLive("HKEY_CURRENT_USER\\Software\\OnlyInWine", "\n[HKEY_CURRENT_USER\\Software\\OnlyInWine]\n");
    // What Wine answered is reused for a second.
    advanceRecheckClockForTests(std::chrono::milliseconds(1100));
    ASSERT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\OnlyInWine", &k), ERROR_SUCCESS);
    reg.RegCloseKey(k);
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
    EXPECT_TRUE(wine->imports().empty()) << "nothing is sent before the batch ends";
    EXPECT_EQ(wine->exports().size(), 2u) << "one export of each key the batch needs";
    // Read back inside the batch already.
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\K\\Leaf", &k), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(query(reg, HKEY_CURRENT_USER, "Software\\K", "gone"));
    ASSERT_EQ(reg.endBatch(), ERROR_SUCCESS);

    ASSERT_EQ(wine->imports().size(), 1u);
    EXPECT_EQ(wine->file(0), "Windows Registry Editor Version 5.00\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\New]Key]\r\n"
                             "\"say \\\"\\\\\\\"\\n\"=hex(4):01,02,03,04\r\n"
                             "@=hex(3):\r\n"
                             "\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n"
                             "\"gone\"=-\r\n"
                             "\r\n[-HKEY_CURRENT_USER\\Software\\K\\Leaf]\r\n");
}

TEST_F(RegistryThroughWine, TheMachineHiveAndAKeyWithSubkeysKeepTheirRules) {
    Registry reg(root());
    {
        RegistryBatch batch(reg);
        ASSERT_EQ(setString(reg, HKEY_CLASSES_ROOT, "CLSID\\{X}", "", "Visual Styles"), ERROR_SUCCESS);
    }
    // Windows refuses to delete a key with subkeys; the tool would take them all.
    EXPECT_EQ(reg.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\K"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(wine->imports().size(), 1u);
    EXPECT_EQ(wine->file(0),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{X}]\r\n"
              "@=hex(1):56,00,69,00,73,00,75,00,61,00,6c,00,20,00,53,00,74,00,79,00,6c,00,65,00,"
              "73,00,00,00\r\n");
    EXPECT_NE(wine->exports()[0].find("ARGS=reg export HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{X} "),
              std::string::npos);
}

TEST_F(RegistryThroughWine, WhatTheToolRefusesIsAFailedWriteAndIsNotReadBack) {
    wine->setExitCode(1);
    Registry reg(root());
    reg.beginBatch();
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "during"), ERROR_SUCCESS);
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\Other", "w", "x"), ERROR_SUCCESS);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(reg.endBatch(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Quorlin: the registry of the running Wine in " + root().string() +
                  " was not changed: wine reg import ended with exit code 1 (reg: the fake tool says no)\n");
    EXPECT_EQ(reg.writeProblem().kind, Registry::WriteProblem::NotTaken);
    EXPECT_EQ(wine->imports().size(), 1u) << "the server that refused it is not asked again";
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "before");
    HKEY k = 0;
    EXPECT_EQ(reg.RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Other", &k), ERROR_FILE_NOT_FOUND);
    // A single write outside a batch fails at once.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "again"), ERROR_ACCESS_DENIED);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "before");
}

TEST_F(RegistryThroughWine, AToolThatFailsAfterTheChangeTookIsNoFailure) {
    // The tool ends badly (a server stopping kills it), but Wine holds the change.
    wine->setExitCode(1);
    wine->onImport("cp \"$f\" \"$log/live/hkey_current_user_software_k\"");
    Registry reg(root());
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "took"), ERROR_SUCCESS);
    EXPECT_EQ(reg.writeProblem().kind, Registry::WriteProblem::None);
}

TEST_F(RegistryThroughWine, AFailureThatCannotBeToldApartFromSuccessIsSaidToBeOne) {
    wine->setExitCode(1);
    Registry reg(root());
    reg.beginBatch();
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "unknown"), ERROR_SUCCESS);
    wine->setExportExitCode(3); // nor can Wine be asked what it holds
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(reg.endBatch(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        ::testing::internal::GetCapturedStderr(),
        "Quorlin: whether the registry of the running Wine in " + root().string() +
            " took the changes cannot be told: wine reg import ended with exit code 1 (reg: the fake tool "
            "says no); what the running Wine holds could not be read: wine reg export ended with exit "
            "code 3 (reg: the fake tool cannot export)\n");
    const Registry::WriteProblem problem = reg.writeProblem();
    EXPECT_EQ(problem.kind, Registry::WriteProblem::Unknown);
    EXPECT_EQ(problem.file, "");
}

TEST_F(RegistryThroughWine, AServerThatStopsUnderTheToolLosesNothing) {
    // The server stops while the tool runs, without the change (the tool is killed with
    // it): the file is what Wine saved, and the change goes there.
    wine->setExitCode(1);
    wine->onImport("kill -9 " + std::to_string(wine->serverPid()) + "; sleep 0.2");
    Registry reg(root());
    EXPECT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "kept"), ERROR_SUCCESS);
    EXPECT_NE(readFile(user()).find("\"v\"=\"kept\""), std::string::npos) << readFile(user());
    EXPECT_EQ(wine->imports().size(), 1u);
}

namespace {
FakeWine* g_startsDuringSave = nullptr;
} // namespace

TEST_F(RegistryThroughWine, AServerThatStartsDuringASaveIsGivenTheChangeToo) {
    wine->stopServer();
    Registry reg(root());
    // It starts after the temporary file is written, before it replaces the hive: it may
    // have read the old file.
    g_startsDuringSave = &*wine;
    {
        const ScopedHook startsDuringSave(&hive::setSaveHookForTests, [](const std::filesystem::path&) {
            g_startsDuringSave->startServer();
            return true;
        });
        ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "both"), ERROR_SUCCESS);
    }
    EXPECT_NE(readFile(user()).find("\"v\"=\"both\""), std::string::npos);
    ASSERT_EQ(wine->imports().size(), 1u);
    EXPECT_EQ(wine->file(0),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n"
              "\"v\"=hex(1):62,00,6f,00,74,00,68,00,00,00\r\n");
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
    EXPECT_EQ(reg.prefixState(), Registry::PrefixState::Free);
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "after"), ERROR_SUCCESS);
    EXPECT_TRUE(wine->calls().empty());
    EXPECT_NE(readFile(user()).find("\"v\"=\"after\""), std::string::npos);
}

TEST_F(RegistryThroughWine, ABatchWhoseServerStopsGoesOnIntoTheFiles) {
    Registry reg(root());
    reg.beginBatch();
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "v", "first"), ERROR_SUCCESS);
    wine->stopServer(); // without the change, which never reached it
    ASSERT_EQ(setString(reg, HKEY_CURRENT_USER, "Software\\K", "gone", "second"), ERROR_SUCCESS);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\K", "v"), "first");
    ASSERT_EQ(reg.endBatch(), ERROR_SUCCESS);
    EXPECT_TRUE(wine->imports().empty());
    const std::string file = readFile(user());
    EXPECT_NE(file.find("\"v\"=\"first\""), std::string::npos) << file;
    EXPECT_NE(file.find("\"gone\"=\"second\""), std::string::npos) << file;
}

TEST_F(RegistryThroughWine, AKeyNameTheToolsCommandLineCannotCarryIsExportedWithItsParent) {
    // Wine hands a program its arguments through the system's character set: a name beyond
    // ASCII is asked for through the nearest key above it that has none.
    wine->setLive(
        "HKEY_CURRENT_USER\\Software",
        "\n[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\Caf\xE9]\n\"v\"=\"there\"\n");
    Registry reg(root());
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Caf\xE9", "v"), "there");
    ASSERT_EQ(wine->exports().size(), 1u);
    EXPECT_NE(wine->exports()[0].find("ARGS=reg export HKEY_CURRENT_USER\\Software "), std::string::npos)
        << wine->exports()[0];
}

TEST(WineRegExport, TheToolsExportIsReadAsTheHiveFilesOwnText) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]b]\r\n"
        u"@=\"default\"\r\n"
        u"\"Quote \\\"x\\\"\"=\"back\\\\slash\\nline\\0nul\"\r\n"
        u"\"caf\u00e9\"=dword:0000002a\r\n"
        u"\"Long\"=hex(7):61,00,62,00,63,00,00,00,64,00,65,00,66,00,00,00,67,00,68,00,69,00,\\\r\n"
        u"  00,00,00,00\r\n"
        u"\"Empty\"=hex:\r\n"
        u"\r\n[HKEY_CURRENT_USER\\Software\\A]b\\Sub]\r\n\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    platform::Problem problem;
    const auto hiveText = winereg::hiveTextOf(bytes, false, problem);
    ASSERT_TRUE(hiveText) << problem.cause;
    hive::Document doc;
    ASSERT_FALSE(doc.parse(*hiveText)) << *hiveText;
    const long k = doc.findKey(hive::foldPath({u"software", u"a]B"}));
    ASSERT_GE(k, 0) << *hiveText;
    EXPECT_TRUE(doc.keyExists(hive::foldPath({u"Software", u"A]b", u"Sub"})));
    auto value = [&](std::u16string_view name) {
        uint32_t type = 0;
        std::string data;
        const long v = doc.findValue(k, name);
        if (v >= 0)
            doc.valueData(k, v, type, data);
        return std::make_pair(v >= 0 ? type : ~0u, data);
    };
    auto utf16 = [](std::u16string_view units) {
        std::string out;
        for (const char16_t u : units) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        }
        return out + std::string(2, '\0');
    };
    EXPECT_EQ(value(u""), std::make_pair(REG_SZ, utf16(u"default")));
    EXPECT_EQ(value(u"Quote \"x\""),
              std::make_pair(REG_SZ, utf16(std::u16string(u"back\\slash\nline\0nul", 19))));
    EXPECT_EQ(value(u"CAF\u00c9"), std::make_pair(REG_DWORD, std::string("\x2a\0\0\0", 4)));
    EXPECT_EQ(value(u"Long").first, REG_MULTI_SZ);
    EXPECT_EQ(value(u"Long").second, utf16(std::u16string(u"abc\0def\0ghi\0", 12)));
    EXPECT_EQ(value(u"Empty"), std::make_pair(REG_BINARY, std::string()));

    // Keys of the other root, and what is no export, are refused.
    EXPECT_FALSE(winereg::hiveTextOf(bytes, true, problem));
    EXPECT_EQ(problem.cause, platform::Problem::NotKeyOf);
    EXPECT_EQ(problem.number, 3);
    EXPECT_EQ(problem.subject, "HKEY_LOCAL_MACHINE");
    EXPECT_FALSE(winereg::hiveTextOf("Windows Registry Editor Version 5.00\r\n", false, problem));
    EXPECT_EQ(problem.cause, platform::Problem::NotUtf16);
    EXPECT_FALSE(winereg::hiveTextOf(bytes.substr(0, bytes.size() - 40), false, problem)) << "cut in a line";
}
