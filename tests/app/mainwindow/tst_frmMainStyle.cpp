// Apply and Open on the selected style: the registry afterwards, value by value and type
// by type, and the Display control panel's command line.

#include "ScopedHook.h"
#include "frmMainTestSupport.h"

#include "app/style/StyleFileBuilder.h"
#include "platform/FileAttributes.h"
#include "platform/linux/wine/FakeWine.h"

#include "commands/StyleApply.h"
#include "commands/ThemeServiceRun.h"
#include "platform/ThemeService.h"

#include <QComboBox>
#include <QPushButton>
#include <QSemaphore>

#include <map>

using namespace testing_support;
using quorlin::UiServices;

namespace {

const std::string kThemeManager = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

std::optional<RegValue> themeValue(const std::string& name) {
    return readValue(platform::HKEY_CURRENT_USER, kThemeManager, name);
}

Message confirm(const QString& style) {
    return {"Are you sure to apply " + style + " as your visual style?", 36, "Comfirm Apply"};
}

const Message kApplied{
    "Selected visual style applied. You will need to logoff and login again to apply the settings", 64,
    "Comfirmation"};
const Message kNoStyleFile{"Unable to find MSStyles file in the folder.", 48, "Error"};

// The first *.msstyles name the file system reports for a folder.
std::string firstStyleFile(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".msstyles")
            return entry.path().filename().string();
    return {};
}

// The value names stored under the ThemeManager key, as the hive file holds them.
QStringList themeValueNames(const std::filesystem::path& root) {
    std::ifstream hive(root / "user.reg");
    std::string line;
    bool inKey = false;
    QStringList names;
    while (std::getline(hive, line)) {
        if (!line.empty() && line.front() == '[') {
            inKey =
                line.rfind("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\ThemeManager]", 0) == 0;
            continue;
        }
        if (inKey && !line.empty() && line.front() == '"')
            names.append(QString::fromStdString(line.substr(1, line.find('"', 1) - 1)));
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

} // namespace

class tst_frmMainStyle : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainFixture> m_fx;

    void checkString(const std::string& name, uint32_t type, const QString& text) {
        const auto value = themeValue(name);
        QVERIFY2(value, name.c_str());
        QCOMPARE(value->type, type);
        QCOMPARE(value->text(), text);
        // Stored with its terminator.
        QCOMPARE(value->data.size(), size_t(text.size() + 1));
    }

    // Open on the style Luna, its program really started, with PATH as given meanwhile.
    void openLunaWithPath(const std::string& path) {
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        const QByteArray saved = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(path));
        UiServices::setRealProcessStarts(true);
        w->cmdOpen_Click();
        qputenv("PATH", saved);
    }

private slots:
    void init() { m_fx = std::make_unique<MainFixture>(); }
    void cleanup() { m_fx.reset(); }

    // ---- Apply -----------------------------------------------------------------------------

    void applyWithoutSelection() {
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        w->cmdApply_Click();
        QVERIFY(sameMessages(
            {{"QuorlinZevra cannot apply your visual style because you did not select any visual "
              "style on the list.",
              64, "Error"}}));
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
    }

    void applyWithoutAStyleFile() {
        // Only a hidden style file: it does not count.
        const auto folder = m_fx->addStyle("Hidden File", "Hidden.msstyles");
        QVERIFY(platform::setDosAttributes(folder / "Hidden.msstyles", platform::FILE_ATTRIBUTE_HIDDEN));
        m_fx->addStyle("Empty");
        auto w = m_fx->loadWindow();
        for (const char* style : {"Hidden File", "Empty"}) {
            select(*w, style);
            w->cmdApply_Click();
            w->cmdOpen_Click();
        }
        QVERIFY(sameMessages({kNoStyleFile, kNoStyleFile, kNoStyleFile, kNoStyleFile}));
        QVERIFY(UiServices::startedCommands().isEmpty());
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    void applyAnsweredNoWritesNothing() {
        m_fx->addStyle("Luna", "Luna.msstyles", styleFile({u"NormalColor"}, {u"NormalSize"}));
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        UiServices::setNextAnswer(quorlin::AnswerNo);
        w->cmdApply_Click();
        QVERIFY(sameMessages({confirm("Luna")}));
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    void applyWithThemesOffOnAStyleOfferingNormalColor() {
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "0");
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "SizeName", "NormalSize");
        m_fx->addStyle("Luna Blue", "Luna Blue.msstyles",
                       styleFile({u"Metallic", u"NormalColor"}, {u"NormalSize", u"LargeFonts"}));
        auto w = m_fx->loadWindow();
        select(*w, "Luna Blue");
        UiServices::setNextAnswer(quorlin::AnswerYes);
        w->mnuApply->trigger();
        QVERIFY(sameMessages({confirm("Luna Blue"), kApplied}));
        checkString("Dllname", platform::REG_EXPAND_SZ,
                    "%systemroot%\\Resources\\Themes\\Luna Blue\\Luna Blue.msstyles");
        checkString("ColorName", platform::REG_SZ, "NormalColor");
        checkString("ThemeActive", platform::REG_SZ, "1");
        checkString("SizeName", platform::REG_SZ, "NormalSize");
        QCOMPARE(themeValueNames(m_fx->root->root()),
                 QStringList({"ColorName", "Dllname", "SizeName", "ThemeActive"}));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    // A write the registry refuses is said in the window as on the command line, never
    // confirmed as applied.
    void applyARegistryRefusesIsSaidNotConfirmed() {
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "1");
        const std::filesystem::path hive = m_fx->root->root() / "user.reg";
        std::filesystem::permissions(hive, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        m_fx->addStyle("Luna", "Luna.msstyles", styleFile({u"NormalColor"}, {u"NormalSize"}));
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        UiServices::setNextAnswer(quorlin::AnswerYes);
        w->cmdApply_Click();
        QVERIFY(
            sameMessages({confirm("Luna"),
                          {QString::fromStdString("Visual Style Luna was not applied: the registry file " +
                                                  hive.string() + " cannot be written (it is read-only)."),
                           16, "Error"}}));
        QVERIFY(!themeValue("ColorName"));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    void applyWithThemesOnOnAStyleWithOtherSchemes() {
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "1");
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "SizeName", "NormalSize");
        // The spelling Windows uses; names are one value whatever their case.
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "DllName", "C:\\old\\old.msstyles");
        m_fx->addStyle("Royale", "Royale.msstyles", styleFile({u"Blue", u"Silver"}, {u"Normal", u"Large"}));
        auto w = m_fx->loadWindow();
        select(*w, "Royale");
        w->cmdApply_Click();
        QVERIFY(sameMessages({confirm("Royale"), kApplied}));
        checkString("DllName", platform::REG_EXPAND_SZ,
                    "%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles");
        checkString("ColorName", platform::REG_SZ, "Blue");
        checkString("SizeName", platform::REG_SZ, "Normal");
        checkString("ThemeActive", platform::REG_SZ, "1");
    }

    void applyKeepsASizeTheStyleOffers() {
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "SizeName", "large");
        m_fx->addStyle("Royale", "Royale.msstyles", styleFile({u"Blue"}, {u"Normal", u"Large"}));
        auto w = m_fx->loadWindow();
        select(*w, "Royale");
        w->cmdApply_Click();
        checkString("SizeName", platform::REG_SZ, "large");
        checkString("ColorName", platform::REG_SZ, "Blue");
    }

    void applyOnAStyleFileThatIsNoPe() {
        // Themes never switched on: no ThemeActive at all.
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "SizeName", "Whatever");
        m_fx->addStyle("Plain", "Plain.msstyles", "this is text, not a resource library");
        auto w = m_fx->loadWindow();
        select(*w, "Plain");
        w->cmdApply_Click();
        QVERIFY(sameMessages({confirm("Plain"), kApplied}));
        checkString("Dllname", platform::REG_EXPAND_SZ,
                    "%systemroot%\\Resources\\Themes\\Plain\\Plain.msstyles");
        checkString("ColorName", platform::REG_SZ, "NormalColor");
        checkString("SizeName", platform::REG_SZ, "Whatever");
        checkString("ThemeActive", platform::REG_SZ, "1");
    }

    void applyWritesNoSizeWhenNoneIsStored() {
        m_fx->addStyle("Royale", "Royale.msstyles", styleFile({u"Blue"}, {u"Normal"}));
        auto w = m_fx->loadWindow();
        select(*w, "Royale");
        w->cmdApply_Click();
        QVERIFY(!themeValue("SizeName"));
        checkString("ColorName", platform::REG_SZ, "Blue");
        QCOMPARE(themeValueNames(m_fx->root->root()), QStringList({"ColorName", "Dllname", "ThemeActive"}));
    }

    void applyUsesTheFirstStyleFileListed() {
        const auto folder = m_fx->addStyle("Twin", "Alpha.msstyles", styleFile({u"Red"}, {}));
        std::ofstream(folder / "Beta.msstyles", std::ios::binary) << styleFile({u"Green"}, {});
        std::ofstream(folder / "Gamma.msstyles", std::ios::binary) << styleFile({u"Blue"}, {});
        const std::string first = firstStyleFile(folder);
        auto w = m_fx->loadWindow();
        select(*w, "Twin");
        w->cmdApply_Click();
        checkString("Dllname", platform::REG_EXPAND_SZ,
                    QString::fromStdString("%systemroot%\\Resources\\Themes\\Twin\\" + first));
        const std::map<std::string, QString> schemes = {
            {"Alpha.msstyles", "Red"}, {"Beta.msstyles", "Green"}, {"Gamma.msstyles", "Blue"}};
        checkString("ColorName", platform::REG_SZ, schemes.at(first));
    }

    // ---- Apply through Wine's theme service (scripted) --------------------------------------

    void applyTakesTheSchemeAndSizeChosenInTheWindow() {
        QList<QStringList> requests;
        platform::ThemeOutcome answer;
        answer.kind = platform::ThemeOutcome::Applied;
        const ScopedHook themeService(&ThemeServiceRun::setScriptForTests,
                                      ThemeServiceRun::Script{[] { return QString(); },
                                                              [&](const QStringList& request) {
                                                                  requests.append(request);
                                                                  return answer;
                                                              },
                                                              {}});
        m_fx->addStyle("Royale", "Royale.msstyles",
                       styleFile({u"Blue", u"Silver", u"Olive"}, {u"Normal", u"Large"}));
        m_fx->addStyle("Luna", "Luna.msstyles", styleFile({u"NormalColor"}, {u"NormalSize"}));
        auto w = m_fx->loadWindow();
        QVERIFY(w->cboColor->isHidden() && w->cboSize->isHidden());

        select(*w, "Royale");
        QVERIFY(!w->cboColor->isHidden() && !w->cboSize->isHidden());
        QCOMPARE(w->cboColor->count(), 3);
        QCOMPARE(w->cboColor->currentText(), QStringLiteral("Blue"));
        QCOMPARE(w->cboSize->currentText(), QStringLiteral("Normal"));
        w->cboColor->setCurrentIndex(w->cboColor->findText(QStringLiteral("Silver")));
        w->cboSize->setCurrentIndex(w->cboSize->findText(QStringLiteral("Large")));
        w->cmdApply_Click();
        QList<Message> messages{confirm("Royale"), kApplied};
        QVERIFY(sameMessages(messages));
        const QString royale = QStringLiteral("%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles");
        QCOMPARE(requests, QList<QStringList>({{"apply", royale, "Silver", "Large"}}));
        // Wine's own program records the style; the window writes nothing itself.
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
        QCOMPARE(UiServices::mousePointer(), 0);

        // One scheme and one size: shown, nothing to choose, the style's own applied.
        select(*w, "Luna");
        QVERIFY(!w->cboColor->isHidden() && !w->cboSize->isHidden());
        QVERIFY(!w->cboColor->isEnabled() && !w->cboSize->isEnabled());
        w->cmdApply_Click();
        messages << confirm("Luna") << kApplied;
        QVERIFY(sameMessages(messages));
        QCOMPARE(requests.last(),
                 QStringList({"apply", "%systemroot%\\Resources\\Themes\\Luna\\Luna.msstyles", "NormalColor",
                              "NormalSize"}));

        // What Wine's theme service refuses is said, not the confirmation.
        answer.kind = platform::ThemeOutcome::Refused;
        answer.why = {platform::Problem::ProgramSaid, {}, "the theme service refused the style (0x80070490)"};
        select(*w, "Royale");
        w->cmdApply_Click();
        messages << confirm("Royale")
                 << Message{"Visual Style Royale was not applied: Wine's theme service refused it: the theme "
                            "service refused the style (0x80070490).",
                            16, "Error"};
        QVERIFY(sameMessages(messages));
        QCOMPARE(UiServices::mousePointer(), 0);

        // The classic look, from the Visual Style menu.
        answer.kind = platform::ThemeOutcome::Applied;
        UiServices::setNextAnswer(quorlin::AnswerYes);
        w->mnuClassic->trigger();
        messages << Message{"Are you sure to switch to the classic look, without a visual style?", 36,
                            "Classic Look"}
                 << Message{"The classic look is applied: programs started from now on show no visual style.",
                            64, "Classic Look"};
        QVERIFY(sameMessages(messages));
        QCOMPARE(requests.last(), QStringList({"classic"}));
    }

    void aDamagedStyleFileIsNeverHandedToWine() {
        int runs = 0;
        const ScopedHook themeService(&ThemeServiceRun::setScriptForTests,
                                      ThemeServiceRun::Script{[] { return QString(); },
                                                              [&](const QStringList&) {
                                                                  ++runs;
                                                                  return platform::ThemeOutcome{};
                                                              },
                                                              {}});
        m_fx->addStyle("Plain", "Plain.msstyles", "this is text, not a resource library");
        auto w = m_fx->loadWindow();
        select(*w, "Plain");
        w->cmdApply_Click();
        QVERIFY(
            sameMessages({confirm("Plain"),
                          {"Visual Style Plain cannot be applied: its file Plain.msstyles is damaged or is "
                           "no visual style that Wine's theme service can load. Nothing was changed.",
                           16, "Error"}}));
        QCOMPARE(runs, 0);
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
    }

    // ---- Open ------------------------------------------------------------------------------

    void openWithoutSelection() {
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        w->cmdOpen_Click();
        QVERIFY(
            sameMessages({{"QuorlinZevra cannot open your visual style because you did not select any visual "
                           "style on the list.",
                           64, "Error"}}));
        QVERIFY(UiServices::startedCommands().isEmpty());
    }

    void openCommandLineWithSpaces() {
        m_fx->root->writeFile("drive_c/windows/system32/desk.cpl", "MZ");
        m_fx->addStyle("My Blue Style", "My Blue.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "My Blue Style");
        w->cmdOpen->click();
        QVERIFY(sameMessages({}));
        QCOMPARE(UiServices::startedCommands(),
                 QStringList(
                     {"C:\\windows\\system32\\rundll32.exe C:\\windows\\system32\\shell32.dll,Control_RunDLL "
                      "C:\\windows\\system32\\desk.cpl desk,@Appearance /Action:OpenMSTheme "
                      "/file:\"C:\\windows\\Resources\\Themes\\My Blue Style\\My Blue.msstyles\""}));
        // Until Wine shows the program: the pointer of a program starting, Open not twice;
        // the window waits on nothing meanwhile.
        QCOMPARE(UiServices::mousePointer(), 13);
        QVERIFY(!w->cmdOpen->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(UiServices::mousePointer(), 0, 10000);
        QVERIFY(w->cmdOpen->isEnabled());
        // Open records nothing.
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
    }

    void openWhoseProgramCannotRunSaysWhyInASentence() {
        m_fx->root->writeFile("drive_c/windows/system32/desk.cpl", "MZ");
        m_fx->root->writeFile("drive_c/windows/system32/rundll32.exe", "MZ");
        openLunaWithPath(m_fx->root->root().string()); // no wine
        QVERIFY(sameMessages({{"The Display control panel could not be started. The Windows program "
                               "\"C:\\windows\\system32\\rundll32.exe\" cannot run because wine is not "
                               "installed (not found on PATH).",
                               16, "Error"}}));
    }

    void applyRefusesANameTheAnsiPageCannotCarry_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("file");
        QTest::newRow("folder") << QStringLiteral("日本語テーマ") << QStringLiteral("Luna.msstyles");
        QTest::newRow("file") << QStringLiteral("Luna") << QStringLiteral("ルナ.msstyles");
    }
    void applyRefusesANameTheAnsiPageCannotCarry() {
        QFETCH(QString, style);
        QFETCH(QString, file);
        m_fx->addStyle(style.toStdString(), file.toStdString());
        auto w = m_fx->loadWindow();
        select(*w, style);
        w->cmdApply_Click();
        QVERIFY(sameMessages(
            {{"Visual Style " + style + " cannot be applied: the name of its folder or of its file " + file +
                  " holds characters that the registry's ANSI text cannot carry. Rename them "
                  "with Latin letters, refresh the list and apply it again.",
              48, "Error"}}));
        QVERIFY(!keyExists(platform::HKEY_CURRENT_USER, kThemeManager));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    void applyKeepsANameTheAnsiPageCarries() {
        m_fx->addStyle("Ñandú Café", "Ñandú.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "Ñandú Café");
        UiServices::setNextAnswer(quorlin::AnswerYes);
        w->cmdApply_Click();
        QVERIFY(sameMessages({confirm("Ñandú Café"), kApplied}));
        checkString("Dllname", platform::REG_EXPAND_SZ,
                    QStringLiteral("%systemroot%\\Resources\\Themes\\Ñandú Café\\Ñandú.msstyles"));
    }

    void openWithoutTheDisplayControlPanel() {
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        w->cmdOpen_Click();
        QVERIFY(UiServices::startedCommands().isEmpty());
        QVERIFY(sameMessages(
            {{"The Display control panel (C:\\windows\\system32\\desk.cpl) is not installed, so the "
              "visual style cannot be opened in it. Use Apply to make it your visual style instead.",
              16, "Error"}}));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    // A Wine prefix has no desk.cpl: Open hands the style to the prefix's winecfg, which
    // runs through wine with WINEPREFIX set to the prefix.
    void openInAWinePrefixStartsItsWinecfg() {
        const auto winecfg = m_fx->root->writeFile("drive_c/windows/system32/winecfg.exe", "MZ");
        const auto bin = m_fx->root->root() / "bin";
        const auto record = m_fx->root->root() / "wine-called";
        std::filesystem::create_directories(bin);
        std::ofstream(bin / "wine") << "#!/bin/sh\necho \"$WINEPREFIX|$*\" > '" << record.string()
                                    << ".part'\n"
                                    << "mv '" << record.string() << ".part' '" << record.string() << "'\n";
        std::filesystem::permissions(bin / "wine", std::filesystem::perms::owner_all);
        testing_support::madeByWineIn(m_fx->root->root(), bin);
        openLunaWithPath(bin.string() + ":/usr/bin:/bin");
        QVERIFY(sameMessages({}));
        QCOMPARE(UiServices::startedCommands(), QStringList({"C:\\windows\\system32\\winecfg.exe"}));
        QCOMPARE(UiServices::mousePointer(), 13);
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(record), 10000);
        std::ifstream in(record);
        std::string called;
        std::getline(in, called);
        QCOMPARE(QString::fromStdString(called),
                 QString::fromStdString(m_fx->root->root().string() + "|" + winecfg.string()));
    }

    void openInAWinePrefixSaysWhenWinecfgCannotStart() {
        m_fx->root->writeFile("drive_c/windows/system32/winecfg.exe", "MZ");
        openLunaWithPath(m_fx->root->root().string()); // no wine
        QVERIFY(
            sameMessages({{"Wine's configuration program (C:\\windows\\system32\\winecfg.exe) could not be "
                           "started. The Windows program \"C:\\windows\\system32\\winecfg.exe\" cannot run "
                           "because wine is not installed (not found on PATH).",
                           16, "Error"}}));
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    // While Wine runs for the prefix, Apply's values reach it in one call of its tool.
    void applyWhileWineRunsIsOneCall() {
        m_fx->addStyle("Luna", "Luna.msstyles", styleFile({u"Metallic"}, {u"NormalSize"}));
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        FakeWine wine(m_fx->root->root(), m_fx->root->root() / "scratch");
        w->cmdApply_Click();
        QVERIFY(sameMessages({confirm("Luna"), kApplied}));
        QCOMPARE(wine.imports().size(), size_t(1));
        const std::string file = wine.file(0);
        for (const char* value : {"\"Dllname\"=hex(2):", "\"ColorName\"=hex(1):", "\"ThemeActive\"=hex(1):"})
            QVERIFY2(file.find(value) != std::string::npos, file.c_str());
        // Read back from Wine, which alone holds it.
        checkString("ColorName", platform::REG_SZ, QStringLiteral("Metallic"));
    }

    // ---- Wine's work, aside from the window ---------------------------------------------------

    void theWindowAnswersWhileWineWorksAndAWaitingCloseEndsItAfter() {
        // What the window shows and does while the theme service runs, asked from the
        // service's side: a window that waited in place would never answer.
        struct During {
            bool answered = false;
            int pointer = -1;
            QStringList enabled;
            QStringList requestsAfterClicks;
        } during;
        TestMain* window = nullptr;
        QList<QStringList> requests;
        const ScopedHook themeService(
            &ThemeServiceRun::setScriptForTests,
            ThemeServiceRun::Script{[] { return QString(); },
                                    [&](const QStringList& request) {
                                        requests.append(request);
                                        QSemaphore answered;
                                        QMetaObject::invokeMethod(
                                            window,
                                            [&] {
                                                during.pointer = UiServices::mousePointer();
                                                for (QWidget* command :
                                                     {(QWidget*)window->cmdApply, (QWidget*)window->cmdOpen,
                                                      (QWidget*)window->cmdInst, (QWidget*)window->cmdUninst,
                                                      (QWidget*)window->cmdRefresh, (QWidget*)window->lstVS})
                                                    if (command->isEnabled())
                                                        during.enabled.append(command->objectName());
                                                if (window->mnuClassic->isEnabled())
                                                    during.enabled.append(QStringLiteral("mnuClassic"));
                                                // Clicked meanwhile: nothing more reaches Wine.
                                                window->cmdApply->click();
                                                window->mnuClassic->trigger();
                                                during.requestsAfterClicks = requests.last();
                                                window->close();
                                                answered.release();
                                            },
                                            Qt::QueuedConnection);
                                        during.answered = answered.tryAcquire(1, 10000);
                                        platform::ThemeOutcome outcome;
                                        outcome.kind = platform::ThemeOutcome::Applied;
                                        return outcome;
                                    },
                                    {}});
        m_fx->addStyle("Luna", "Luna.msstyles", styleFile({u"NormalColor"}, {u"NormalSize"}));
        auto w = m_fx->loadWindow();
        window = w.get();
        select(*w, "Luna");
        UiServices::setNextAnswer(quorlin::AnswerYes);
        w->cmdApply_Click();
        QVERIFY2(during.answered, "the window did not answer while Wine worked");
        QCOMPARE(during.pointer, 13);
        QCOMPARE(during.enabled, QStringList({QStringLiteral("lstVS")}));
        QCOMPARE(requests.size(), 1);
        // The close asked for meanwhile: the program ends once Wine is done, without a word.
        QVERIFY(sameMessages({confirm("Luna")}));
        QCOMPARE(w->ended, 1);
        QVERIFY(w->cmdApply->isEnabled() && w->mnuClassic->isEnabled());
        QCOMPARE(UiServices::mousePointer(), 0);

        // The classic look the same way.
        auto second = m_fx->loadWindow();
        window = second.get();
        during = During{};
        UiServices::setNextAnswer(quorlin::AnswerYes);
        second->mnuClassic_Click();
        QVERIFY(during.answered);
        QCOMPARE(during.pointer, 13);
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.last(), QStringList({"classic"}));
        QCOMPARE(second->ended, 1);
    }

    // ---- the style in use, marked in the list -----------------------------------------------

    void theStyleInUseIsMarkedAfterApplyClassicAndRefresh() {
        const auto marked = [](const frmMain& w) {
            QStringList out;
            for (int i = 0; i < w.lstVS->count(); ++i) {
                const QListWidgetItem* item = w.lstVS->item(i);
                const bool bold = item->font().bold();
                const bool checked = !item->icon().isNull();
                if (bold != checked)
                    return QStringList({"half-marked " + item->text()});
                if (bold)
                    out.append(item->text());
            }
            return out;
        };
        // Wine's theme service records what it applied; the scripted one does the same.
        const ScopedHook themeService(
            &ThemeServiceRun::setScriptForTests,
            ThemeServiceRun::Script{
                [] { return QString(); },
                [](const QStringList& request) {
                    if (request.first() == "apply") {
                        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "DllName",
                                    request.at(1).toStdString(), platform::REG_EXPAND_SZ);
                        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "1");
                    } else {
                        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "0");
                    }
                    platform::ThemeOutcome outcome;
                    outcome.kind = platform::ThemeOutcome::Applied;
                    return outcome;
                },
                {}});
        for (const char* style : {"Luna", "Royale", "light"})
            m_fx->addStyle(style, std::string(style) + ".msstyles",
                           styleFile({u"NormalColor"}, {u"NormalSize"}));
        // The theme service may record the path in capitals.
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "DllName",
                    "C:\\WINDOWS\\RESOURCES\\THEMES\\LIGHT\\LIGHT.MSSTYLES");
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "1");
        auto w = m_fx->loadWindow();
        QCOMPARE(marked(*w), QStringList({"light"}));
        QCOMPARE(items(w->lstVS), QStringList({"light", "Luna", "Royale"}));

        select(*w, "Royale");
        w->cmdApply_Click();
        QCOMPARE(marked(*w), QStringList({"Royale"}));
        QCOMPARE(w->selectedStyle(), QStringLiteral("Royale"));

        UiServices::setNextAnswer(quorlin::AnswerYes);
        w->mnuClassic_Click();
        QCOMPARE(marked(*w), QStringList());

        // Changed from outside (another program applied Luna): Refresh shows it.
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "DllName",
                    "%systemroot%\\Resources\\Themes\\luna\\luna.msstyles", platform::REG_EXPAND_SZ);
        writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "1");
        w->cmdRefresh_Click();
        QCOMPARE(marked(*w), QStringList({"Luna"}));
        QCOMPARE(items(w->lstVS), QStringList({"light", "Luna", "Royale"}));

        // While Wine runs, what it holds counts, not the registry file it will overwrite.
        FakeWine wine(m_fx->root->root(), m_fx->root->root() / "scratch");
        const std::string key = "HKEY_CURRENT_USER\\" + kThemeManager;
        wine.setLive(key, "\n[" + key +
                              "]\n\"DllName\"=\"C:\\\\windows\\\\resources\\\\themes\\\\royale\\\\royale."
                              "msstyles\"\n\"ThemeActive\"=\"1\"\n");
        w->cmdRefresh_Click();
        QCOMPARE(marked(*w), QStringList({"Royale"}));
        QVERIFY(!wine.exports().empty());
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    void openThatCannotStart() {
        m_fx->root->writeFile("drive_c/windows/system32/desk.cpl", "MZ");
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        UiServices::setNextStartResult(false);
        w->cmdOpen_Click();
        QCOMPARE(UiServices::startedCommands().size(), 1);
        QVERIFY(sameMessages({{"The Display control panel could not be started. The program was not started "
                               "(a scripted failure).",
                               16, "Error"}}));
        QCOMPARE(UiServices::mousePointer(), 0);
    }
};

QTEST_MAIN(tst_frmMainStyle)
#include "tst_frmMainStyle.moc"
