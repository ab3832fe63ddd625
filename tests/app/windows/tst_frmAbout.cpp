// The program's about window: its texts, the two panes, the fade-out started by OK,
// Enter or Esc (and not by the frame), the readme and forum links, and the system
// information command with its registry lookup.

#include "QuietOpacity.h"
#include "ScopedHook.h"
#include "windows/frmAbout.h"

#include "AppInfo.h"
#include "common/UiServices.h"
#include "platform/Registry.h"
#include "platform/linux/TestRoot.h"
#include "windows/LinkLabel.h"
#include "windows/ProgramReadme.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>

using quorlin::UiServices;

namespace {

const char kMsinfo[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kLocation[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

void setValue(const std::string& key, const std::string& name, uint32_t type, const std::string& bytes) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    QCOMPARE(reg.RegCreateKeyA(platform::HKEY_LOCAL_MACHINE, key, &handle), platform::ERROR_SUCCESS);
    QCOMPARE(reg.RegSetValueExA(handle, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                                static_cast<uint32_t>(bytes.size())),
             platform::ERROR_SUCCESS);
    reg.RegCloseKey(handle);
}

// A string value with its terminating zero.
void setText(const std::string& key, const std::string& name, const std::string& text) {
    setValue(key, name, platform::REG_SZ, std::string(text.c_str(), text.size() + 1));
}

QList<int> opacities(const QSignalSpy& spy) {
    QList<int> out;
    for (const auto& args : spy)
        out.append(args.at(0).toInt());
    return out;
}

QList<int> fadeOutSteps() {
    QList<int> expected;
    for (int level = 230; level > 0; level -= 25)
        expected.append(level);
    expected.append(0);
    return expected;
}

} // namespace

class tst_frmAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
        quiet_opacity::install();
    }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        std::filesystem::create_directories(m_root->driveC() / "Kolv");
        ProgramReadme::setProgramFolderForTests(QStringLiteral("C:\\Kolv"));
        UiServices::setScripted(true);
        UiServices::resetScript();
        UiServices::setModalHandler({});
    }
    void cleanup() {
        ProgramReadme::setProgramFolderForTests(QString());
        UiServices::setModalHandler({});
        m_root.reset();
    }

    void textsAndToolTips() {
        frmAbout w;
        QCOMPARE(w.windowTitle(), QStringLiteral("About Quorlin Visual Style Manager"));
        QCOMPARE(w.lblTitle->text(), QStringLiteral("Quorlin Visual Style Manager"));
        QCOMPARE(w.lblVersion->text(), QStringLiteral("Version 3.26.2640"));
        QCOMPARE(w.Label2->text(),
                 AppInfo::kForumName + QStringLiteral(" (") + AppInfo::kForumHost +
                     QStringLiteral(") is the official distributing and discussion site for "
                                    "Quorlin Zevra."));
        QCOMPARE(w.Label2->toolTip(), QStringLiteral("Click to open ") + AppInfo::kForumAddress);
        QCOMPARE(
            w.Label1->text(),
            QStringLiteral("Please read the readme documentations for the last minute reminders and other "
                           "stuff. Quorlin Zevra's official download site is ") +
                AppInfo::kDownloadSite + QStringLiteral(". ") + AppInfo::kMakerName +
                QStringLiteral(
                    " cannot assure that Zevra from other download sites are virus and spyware free."));
        QVERIFY(w.lblDescription->text().startsWith(
            QStringLiteral("Quorlin Visual Style Manager, created by ") + AppInfo::kMakerName));
        QVERIFY(w.lblDescription->text().contains(AppInfo::kMakerSite));
        QVERIFY(w.lblDescription->text().endsWith(
            QStringLiteral(", is programmed to resolve problems installing downloaded zip packages of Visual "
                           "styles. It also helps you to manage your visual styles installed.")));
        const struct {
            QPushButton* button;
            const char* caption;
            const char* tip;
        } buttons[] = {
            {w.cmdFAQ, "FAQ", "Toggle view of Frequent Asked Questions."},
            {w.ToggleHist, "Version History", "Toggle view of Version History"},
            {w.Command1, "&Readme", "view readme for Kolvane"},
            {w.cmdOK, "&OK", "close dialog"},
            {w.cmdSysInfo, "&System Info...", "view system information"},
        };
        for (const auto& b : buttons) {
            QCOMPARE(b.button->text(), QString::fromLatin1(b.caption));
            QCOMPARE(b.button->toolTip(), QString::fromLatin1(b.tip));
        }
        QVERIFY(w.cmdOK->isDefault());
        QCOMPARE(w.tmrFadeOut->interval(), 10);
        QVERIFY(!w.tmrFadeOut->isActive());
        QVERIFY(w.txtFAQ->isReadOnly());
        QVERIFY(w.txtHist->isReadOnly());
        QCOMPARE(w.txtFAQ->geometry(), w.txtHist->geometry());
    }

    void faqAndHistoryTexts() {
        const QStringList faq = frmAbout::faqText().split(QLatin1Char('\n'));
        QCOMPARE(faq.value(0), QStringLiteral("Quorlin Visual Style Manager"));
        QCOMPARE(faq.value(1), QStringLiteral("v3.26 Frequent Asked Questions(FAQ)"));
        QCOMPARE(faq.filter(QRegularExpression(QStringLiteral("^\\d\\. .*\\?$"))).size(), 6);
        for (const char* topic :
             {"Ctrl+F2", "15 MB", "notification area", "System Stats", "default browser", "live preview"})
            QVERIFY2(frmAbout::faqText().contains(QString::fromLatin1(topic)), topic);
        QVERIFY(faq.constLast().contains(AppInfo::kContactAddress));
        QVERIFY(faq.constLast().contains(AppInfo::kForumName));
        // Releases oldest first, from 2.45 to 3.26.
        QStringList releases;
        const QRegularExpression release(QStringLiteral("^(\\d\\.\\d\\d)  "));
        for (const QString& line : frmAbout::historyText().split(QLatin1Char('\n'))) {
            if (const auto m = release.match(line); m.hasMatch())
                releases.append(m.captured(1));
        }
        QVERIFY(releases.size() >= 2);
        QCOMPARE(releases.constFirst(), QStringLiteral("2.45"));
        QCOMPARE(releases.constLast(), QStringLiteral("3.26"));
        for (int i = 1; i < releases.size(); ++i)
            QVERIFY(releases[i - 1].toDouble() < releases[i].toDouble());
        frmAbout w;
        QCOMPARE(w.txtFAQ->toPlainText(), frmAbout::faqText());
        QCOMPARE(w.txtHist->toPlainText(), frmAbout::historyText());
    }

    void panesToggle() {
        frmAbout w;
        w.show();
        QVERIFY(!w.txtFAQ->isVisible());
        QVERIFY(!w.txtHist->isVisible());
        QTest::mouseClick(w.cmdFAQ, Qt::LeftButton);
        QVERIFY(w.txtFAQ->isVisible());
        QVERIFY(!w.txtHist->isVisible());
        // The history replaces the FAQ; pressed again it hides, leaving the area empty.
        QTest::mouseClick(w.ToggleHist, Qt::LeftButton);
        QVERIFY(!w.txtFAQ->isVisible());
        QVERIFY(w.txtHist->isVisible());
        QTest::mouseClick(w.ToggleHist, Qt::LeftButton);
        QVERIFY(!w.txtFAQ->isVisible());
        QVERIFY(!w.txtHist->isVisible());
        QTest::mouseClick(w.cmdFAQ, Qt::LeftButton);
        QTest::mouseClick(w.cmdFAQ, Qt::LeftButton);
        QVERIFY(!w.txtFAQ->isVisible());
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    // ---- fade-out ------------------------------------------------------------------

    void closeStartsFadeOut_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << QStringLiteral("ok");
        QTest::newRow("Enter") << QStringLiteral("enter");
        QTest::newRow("Esc") << QStringLiteral("esc");
    }
    void closeStartsFadeOut() {
        QFETCH(QString, how);
        frmAbout w;
        QCOMPARE(w.FadeLevel, 255);
        QCOMPARE(w.windowOpacity(), 1.0);
        QSignalSpy opacity(&w, &frmAbout::opacityApplied);
        QSignalSpy finished(&w, &QDialog::finished);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (how == QLatin1String("ok"))
            QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        else
            QTest::keyPress(&w, how == QLatin1String("esc") ? Qt::Key_Escape : Qt::Key_Return);
        // Disabled at once and still there: no second press can start another fade.
        QVERIFY(!w.isEnabled());
        QVERIFY(w.isVisible());
        QVERIFY(w.tmrFadeOut->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        QCOMPARE(opacities(opacity), fadeOutSteps());
        QCOMPARE(w.FadeLevel, -20);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.tmrFadeOut->isActive());
    }

    void frameCloseSkipsFade() {
        frmAbout w;
        QSignalSpy opacity(&w, &frmAbout::opacityApplied);
        QSignalSpy finished(&w, &QDialog::finished);
        w.show();
        QVERIFY(w.close());
        QCOMPARE(finished.count(), 1);
        QVERIFY(!w.isVisible());
        QVERIFY(opacity.isEmpty());
        QVERIFY(!w.tmrFadeOut->isActive());
    }

    void showingAgainLoadsAnew() {
        frmAbout w;
        QSignalSpy finished(&w, &QDialog::finished);
        w.show();
        QTest::mouseClick(w.cmdFAQ, Qt::LeftButton);
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        w.show();
        QCOMPARE(w.FadeLevel, 255);
        QVERIFY(w.isEnabled());
        QCOMPARE(w.windowOpacity(), 1.0);
        QVERIFY(!w.txtFAQ->isVisible());
        QVERIFY(!w.txtHist->isVisible());
    }

    // ---- readme and forum ----------------------------------------------------------

    void readme() {
        frmAbout w;
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages().constFirst().title, QStringLiteral("Unable to locate readme.txt"));
        QCOMPARE(UiServices::messages().constFirst().style, 48);
        QCOMPARE(UiServices::messages().constFirst().text, ProgramReadme::missingMessage());

        UiServices::resetScript();
        m_root->writeFile(std::filesystem::path("drive_c") / "Kolv" / "readme.txt", "hello\r\n");
        QString shown;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* edit = window->findChild<QPlainTextEdit*>(QStringLiteral("Text1")))
                shown = edit->toPlainText();
            window->close();
        });
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QCOMPARE(UiServices::modalWindowTitles(),
                 QStringList{QStringLiteral("Quorlin Visual Style Manager Readme")});
        QVERIFY(shown.startsWith(QStringLiteral("hello")));
        QVERIFY(UiServices::messages().isEmpty());
    }

    void forumLink() {
        frmAbout w;
        w.show();
        QTest::mouseClick(w.Label2, Qt::LeftButton);
        QCOMPARE(UiServices::startedCommands(), QStringList{QStringLiteral(" ") + AppInfo::kForumAddress});
        QVERIFY(AppInfo::kForumAddress.startsWith(QStringLiteral("http://")));
        QVERIFY(AppInfo::kForumAddress.endsWith(QLatin1Char('/')));
    }

    // ---- system information --------------------------------------------------------

    void sysInfoFromRecordedPath() {
        setText(kMsinfo, "PATH", "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
        frmAbout w;
        QTest::mouseClick(w.cmdSysInfo, Qt::LeftButton);
        // Quoted, so that the blanks do not split the program's path.
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral(
                     "\"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\"")});
        QVERIFY(UiServices::messages().isEmpty());
    }

    void sysInfoFromToolsLocation() {
        setText(kLocation, "MSINFO", "C:\\Tools\\MSInfo");
        m_root->writeFile(std::filesystem::path("drive_c") / "Tools" / "MSInfo" / "MSINFO32.EXE", "MZ");
        frmAbout::StartSysInfo();
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral("C:\\Tools\\MSInfo\\MSINFO32.EXE")});
        QVERIFY(UiServices::messages().isEmpty());
    }

    void sysInfoUnavailable_data() {
        QTest::addColumn<QString>("setup");
        QTest::newRow("nothing recorded") << QStringLiteral("none");
        QTest::newRow("folder without the program") << QStringLiteral("folder only");
        QTest::newRow("folder holds a folder of that name") << QStringLiteral("folder named like it");
        QTest::newRow("program does not start") << QStringLiteral("start fails");
    }
    void sysInfoUnavailable() {
        QFETCH(QString, setup);
        if (setup == QLatin1String("folder only")) {
            setText(kLocation, "MSINFO", "C:\\Tools\\MSInfo");
            std::filesystem::create_directories(m_root->driveC() / "Tools" / "MSInfo");
        } else if (setup == QLatin1String("folder named like it")) {
            setText(kLocation, "MSINFO", "C:\\Tools\\MSInfo");
            std::filesystem::create_directories(m_root->driveC() / "Tools" / "MSInfo" / "MSINFO32.EXE");
        } else if (setup == QLatin1String("start fails")) {
            setText(kMsinfo, "PATH", "C:\\nowhere\\msinfo32.exe");
            UiServices::setNextStartResult(false);
        }
        frmAbout::StartSysInfo();
        QCOMPARE(UiServices::startedCommands().size(), setup == QLatin1String("start fails") ? 1 : 0);
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages().constFirst().text, kUnavailable);
        QCOMPARE(UiServices::messages().constFirst().style, 0);
        QCOMPARE(UiServices::messages().constFirst().title, QStringLiteral("Quorlin Visual Style Manager"));
    }

    void keyValueTexts() {
        setValue(kMsinfo, "WithNul", platform::REG_SZ, std::string("C:\\a.exe\0", 9));
        setValue(kMsinfo, "WithoutNul", platform::REG_SZ, std::string("C:\\a.exe"));
        setValue(kMsinfo, "Number", platform::REG_DWORD, std::string("\x00\x01\x00\x00", 4));
        setValue(kMsinfo, "Binary", platform::REG_BINARY, std::string("\x01\x02", 2));
        setValue(kMsinfo, "Long", platform::REG_SZ, std::string(1500, 'x') + '\0');
        QString text = QStringLiteral("before");
        QVERIFY(frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, kMsinfo, "WithNul", text));
        QCOMPARE(text, QStringLiteral("C:\\a.exe"));
        text = QStringLiteral("before");
        QVERIFY(frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, kMsinfo, "WithoutNul", text));
        QCOMPARE(text, QStringLiteral("C:\\a.exe"));
        QVERIFY(frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, kMsinfo, "Number", text));
        QCOMPARE(text, QStringLiteral("256"));
        text = QStringLiteral("as passed");
        QVERIFY(frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, kMsinfo, "Binary", text));
        QCOMPARE(text, QStringLiteral("as passed"));
        // Failures give false and an empty text: a missing value, a missing key, a value
        // too long for the buffer, a root the registry refuses.
        QVERIFY(!frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, kMsinfo, "Missing", text));
        QCOMPARE(text, QString());
        text = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere", "PATH", text));
        QCOMPARE(text, QString());
        text = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(platform::HKEY_LOCAL_MACHINE, kMsinfo, "Long", text));
        QCOMPARE(text, QString());
        text = QStringLiteral("x");
        QVERIFY(!frmAbout::GetKeyValue(platform::HKEY_USERS, ".DEFAULT", "PATH", text));
        QCOMPARE(text, QString());
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
