// The binding: what it hands to the library, in which order, and what the user sees.
#include "commands/ZipUnzip.h"
#include "ScopedHook.h"
#include "app/archive/ArchiveBuilder.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "platform/linux/TestRoot.h"

#include <gtest/gtest.h>

using namespace testing_support;
using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

const QString kThemes = QStringLiteral("C:\\windows\\Resources\\Themes\\");

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        UiServices::setScripted(true);
        UiServices::resetScript();
        fs::create_directories(root.root() / "archives");
    }
    void TearDown() override { UiServices::resetScript(); }
    QString archive(const std::string& name) const {
        return QString::fromStdString((root.root() / "archives" / name).string());
    }
    // The install command's values.
    void install(const QString& path) { ZipUnzip::UnzipArchive(path, kThemes, 0, 1, 0, 0, 0, 0); }
    static QStringList shown() {
        QStringList out;
        for (const auto& m : UiServices::messages())
            out << QStringLiteral("%1|%2|%3").arg(m.text).arg(m.style).arg(m.title);
        return out;
    }

    TestRoot root;
};

// A stand-in library that records what reached it.
struct Recorded {
    std::vector<std::string> calls;
    UnzipVersionInfo versionAtCall;
    UnzipOptions options;
    int includeCount = -1, excludeCount = -1;
    bool listsEmpty = false;
    bool filled[6] = {};
    int result = 0;
} g_recorded;

int recordVersion(UnzipVersionInfo& info) {
    g_recorded.calls.push_back("version");
    g_recorded.versionAtCall = info;
    return 0;
}
int recordUnzip(int includeCount, const UnzipNameList& include, int excludeCount,
                const UnzipNameList& exclude, const UnzipOptions& options, UnzipCallbacks& callbacks) {
    g_recorded.calls.push_back("unzip");
    g_recorded.includeCount = includeCount;
    g_recorded.excludeCount = excludeCount;
    g_recorded.listsEmpty = true;
    for (size_t i = 0; i < include.size(); ++i)
        g_recorded.listsEmpty = g_recorded.listsEmpty && include[i].empty() && exclude[i].empty();
    g_recorded.options = options;
    const bool filled[6] = {bool(callbacks.print),    bool(callbacks.sound),   bool(callbacks.replace),
                            bool(callbacks.password), bool(callbacks.message), bool(callbacks.service)};
    std::copy(std::begin(filled), std::end(filled), g_recorded.filled);
    return g_recorded.result;
}

} // namespace

TEST_F(Binding, InstallValuesReachTheLibraryAfterTheVersionQuery) {
    g_recorded = Recorded();
    const ScopedHook library(&ZipUnzip::setLibrary, {&recordVersion, &recordUnzip},
                             ZipUnzip::archiveLibrary());
    ZipUnzip::UnzipArchive(QStringLiteral("/tmp/style.zip"), kThemes, 0, 1, 0, 0, 0, 0);

    EXPECT_EQ(g_recorded.calls, (std::vector<std::string>{"version", "unzip"}));
    const UnzipVersionInfo& v = g_recorded.versionAtCall;
    EXPECT_EQ(v.structLength, 64u);
    EXPECT_EQ(std::string(v.betaLevel), std::string(9, ' '));
    EXPECT_EQ(std::string(v.date), std::string(19, ' '));
    EXPECT_EQ(std::string(v.zlibVersion), std::string(9, ' '));

    const UnzipOptions& o = g_recorded.options;
    const std::int32_t fields[15] = {o.extractOnlyNewer, o.spaceToUnderscore,    o.promptToOverwrite,
                                     o.quietLevel,       o.toStandardOutput,     o.testOnly,
                                     o.listOnly,         o.freshenOnly,          o.showComment,
                                     o.folderOption,     o.overwriteAll,         o.translateLineEnds,
                                     o.infoListing,      o.caseInsensitiveMatch, o.restoreSecurity};
    const std::int32_t expected[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(fields), std::end(fields), std::begin(expected)));
    EXPECT_EQ(o.archivePath, "/tmp/style.zip");
    EXPECT_EQ(o.targetFolder, "C:\\windows\\Resources\\Themes\\"); // unchanged, backslash kept
    EXPECT_EQ(g_recorded.includeCount, 0);
    EXPECT_EQ(g_recorded.excludeCount, 0);
    EXPECT_TRUE(g_recorded.listsEmpty);
    const bool filled[6] = {true, false, true, true, true, false};
    EXPECT_TRUE(std::equal(std::begin(filled), std::end(filled), g_recorded.filled));
    EXPECT_TRUE(UiServices::messages().isEmpty());

    // The caller's flags land in fields 3, 11, 7 and 10, sign-extended.
    ZipUnzip::UnzipArchive(QStringLiteral("a"), QStringLiteral("b"), 1, 0, 1, -1, 2, 3);
    EXPECT_EQ(g_recorded.options.promptToOverwrite, 1);
    EXPECT_EQ(g_recorded.options.overwriteAll, 0);
    EXPECT_EQ(g_recorded.options.listOnly, 1);
    EXPECT_EQ(g_recorded.options.folderOption, -1);
    EXPECT_EQ(g_recorded.includeCount, 2);
    EXPECT_EQ(g_recorded.excludeCount, 3);
}

TEST_F(Binding, ANonZeroResultIsShownOnceWithItsCode) {
    g_recorded = Recorded();
    g_recorded.result = 11;
    const ScopedHook library(&ZipUnzip::setLibrary, {&recordVersion, &recordUnzip},
                             ZipUnzip::archiveLibrary());
    install(QStringLiteral("/tmp/x.zip"));
    EXPECT_EQ(shown(),
              QStringList{"An error has occurred during unzipping. Error Code: 11|16|Error unzipping"});
}

TEST_F(Binding, AMissingEntryPointIsARunTimeErrorWithoutAMessage) {
    const ScopedHook library(&ZipUnzip::setLibrary, {&recordVersion, nullptr}, ZipUnzip::archiveLibrary());
    try {
        install(QStringLiteral("/tmp/x.zip"));
        FAIL() << "no error raised";
    } catch (const quorlin::RuntimeError& e) {
        EXPECT_EQ(e.number(), 453);
    }
    EXPECT_TRUE(UiServices::messages().isEmpty());
}

TEST_F(Binding, AStyleArchiveInstallsIntoTheThemesFolderSilently) {
    writeFile(root.themes() / "Blue/Blue.msstyles", "old");
    writeArchive(
        (root.root() / "archives/Blue.zip"),
        {fileEntry("Blue/Blue.msstyles", "new"), fileEntry("Blue/Shell/NormalColor/shellstyle.dll", "dll")});
    install(archive("Blue.zip"));
    EXPECT_EQ(readFile(root.themes() / "Blue/Blue.msstyles"), "new");
    EXPECT_EQ(readFile(root.themes() / "Blue/Shell/NormalColor/shellstyle.dll"), "dll");
    EXPECT_TRUE(UiServices::messages().isEmpty());
}

TEST_F(Binding, FailuresShowTheResultCode) {
    writeArchive((root.root() / "archives/locked.zip"), {fileEntry("Blue/a.txt", "a")},
                 {"zip", "", "zip:encryption=zipcrypt", "pw"});
    writeArchive((root.root() / "archives/empty.zip"), {});
    install(archive("missing.zip"));
    install(archive("empty.zip"));
    install(archive("locked.zip"));
    const QString text =
        QStringLiteral("An error has occurred during unzipping. Error Code: %1|16|Error unzipping");
    EXPECT_EQ(shown(), (QStringList{text.arg(9), text.arg(11), text.arg(82)}));
    EXPECT_FALSE(fs::exists(root.themes() / "Blue/a.txt"));
}

TEST_F(Binding, ReplaceQuestionsFollowTheButtonsPressed) {
    for (const char* name : {"a", "b", "c", "d"})
        writeFile(root.themes() / "Blue" / name, "old");
    writeArchive((root.root() / "archives/s.zip"), {fileEntry("Blue/a", "new"), fileEntry("Blue/b", "new"),
                                                    fileEntry("Blue/c", "new"), fileEntry("Blue/d", "new")});
    UiServices::setNextAnswer(quorlin::AnswerNo);
    UiServices::setNextAnswer(quorlin::AnswerYes);
    UiServices::setNextAnswer(quorlin::AnswerCancel);
    ZipUnzip::UnzipArchive(archive("s.zip"), kThemes, 1, 0, 0, 0, 0, 0);
    const QString question =
        QStringLiteral("Do you want to overwrite file 'C:\\windows\\Resources\\Themes\\Blue\\%1'?|35|"
                       "File overwrite comfirmation");
    EXPECT_EQ(shown(),
              (QStringList{question.arg("a"), question.arg("b"), question.arg("c"),
                           "An error has occurred during unzipping. Error Code: 1|16|Error unzipping"}));
    EXPECT_EQ(readFile(root.themes() / "Blue/a"), "old");
    EXPECT_EQ(readFile(root.themes() / "Blue/b"), "new");
    EXPECT_EQ(readFile(root.themes() / "Blue/c"), "old");
    EXPECT_EQ(readFile(root.themes() / "Blue/d"), "old");
}

TEST_F(Binding, ReplaceShowsAtMost256BytesOfTheName) {
    std::string name(300, 'n');
    EXPECT_EQ(ZipUnzip::UnzipReplace(name.data()), ReplaceYes); // a scripted box answers Yes
    // A character cut in half by the limit is dropped rather than garbled.
    std::string accented = std::string(255, 'e') + "\xC3\xA9" + "tail";
    UiServices::setNextAnswer(quorlin::AnswerNo);
    EXPECT_EQ(ZipUnzip::UnzipReplace(accented.data()), ReplaceNo);
    UiServices::setNextAnswer(quorlin::AnswerCancel);
    EXPECT_EQ(ZipUnzip::UnzipReplace(nullptr), ReplaceNone);
    const auto messages = UiServices::messages();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[0].text, "Do you want to overwrite file '" + QString(256, 'n') + "'?");
    EXPECT_EQ(messages[1].text, "Do you want to overwrite file '" + QString(255, 'e') + "'?");
    EXPECT_EQ(messages[2].text, QStringLiteral("Do you want to overwrite file ''?"));
}

TEST_F(Binding, NoPasswordIsEverSupplied) {
    char buffer[8] = "keep";
    EXPECT_EQ(ZipUnzip::UnzipPassword(buffer, sizeof buffer, "Enter password for: ", "Blue/a.txt"), 1);
    EXPECT_STREQ(buffer, "keep");
    EXPECT_EQ(ZipUnzip::UnzipPrint("text", 4), 0);
    EXPECT_TRUE(UiServices::messages().isEmpty());
}
