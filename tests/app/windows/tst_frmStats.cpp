// The stats window: captions and tool tips, every value of the fill for a Windows XP,
// another NT and an unrecorded system, the last-check texts, the style count, the
// browser, Refresh reading everything anew, and the two links.

#include "ScopedHook.h"
#include "app/RegistryWrites.h"
#include "windows/frmStats.h"

#include "AppInfo.h"
#include "common/UiServices.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SystemVersion.h"
#include "platform/linux/TestRoot.h"
#include "windows/AboutWindowsBox.h"
#include "windows/LinkLabel.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>

using quorlin::UiServices;

namespace {

const char kCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char kClients[] = "SOFTWARE\\Clients\\StartMenuInternet";

void recordWindows(const std::string& version, const std::string& build) {
    writeString(platform::HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentVersion", version);
    writeString(platform::HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentBuildNumber", build);
}

const QString kNoCheck =
    QStringLiteral("No previous check has been done. Goto [Tools > Cleanup] to start a check now.");

} // namespace

class tst_frmStats : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        QLocale::setDefault(QLocale::c());
        UiServices::setScripted(true);
        UiServices::resetScript();
        UiServices::setModalHandler({});
    }
    void cleanup() {
        QLocale::setDefault(QLocale::system());
        UiServices::setModalHandler({});
        m_root.reset();
    }

    void captionsAndToolTips() {
        frmStats w;
        QCOMPARE(w.windowTitle(), QStringLiteral("System Stats"));
        QCOMPARE(w.Command2->text(), QStringLiteral("&Refresh"));
        QCOMPARE(w.Command1->text(), QStringLiteral("&Close"));
        const struct {
            QLabel* label;
            const char* text;
        } captions[] = {
            {w.Label6, "Default Web Browser:"},
            {w.Label5, "Time since OS started:"},
            {w.Label4, "Last check of Visual Styles by Zevra:"},
            {w.Label2, "Number of Visual Styles installed:"},
            {w.Label3, "Quorlin Zevra Version:"},
            {w.Label1, "Operating System Version: "},
        };
        for (const auto& c : captions)
            QCOMPARE(c.label->text(), QString::fromLatin1(c.text));
        const struct {
            QLabel* label;
            const char* tip;
        } tips[] = {
            {w.lblBrowser, "Default Web Browser to be launch"},
            {w.lblTimeStarted, "The count starting from your OS started till now."},
            {w.lblLastChk, "Last check done by Quorlin Zevra on VS"},
            {w.lblNumVSinstalled, "Number of Visual Style installed on your computer."},
            {w.lblzevraVer, "Click to check the latest version of QuorlinZevra"},
            {w.lblSysVer, "Version of your Operating System"},
        };
        for (const auto& t : tips)
            QCOMPARE(t.label->toolTip(), QString::fromLatin1(t.tip));
        QVERIFY(w.lblDateTime->toolTip().isEmpty());
    }

    void systemVersion_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Windows XP") << "5.1"
                                    << "2600"
                                    << "5.01.2600 [Platform Name: Windows XP]";
        QTest::newRow("another NT version") << "6.1"
                                            << "7601"
                                            << "6.01.7601 [Platform Name: Windows NT]";
        QTest::newRow("Windows 2000") << "5.0"
                                      << "2195"
                                      << "5.2195 [Platform Name: Windows NT]";
        QTest::newRow("nothing recorded")
            << QString() << QString() << "0.0 [Platform Name: Unknown OS Platform]";
    }
    void systemVersion() {
        QFETCH(QString, version);
        QFETCH(QString, build);
        QFETCH(QString, expected);
        if (!version.isNull())
            recordWindows(version.toStdString(), build.toStdString());
        frmStats w;
        QCOMPARE(w.lblSysVer->text(), expected);
    }

    void versionInUsersNumberFormat() {
        // The number is shown as the user writes numbers; the XP test still reads it in
        // the invariant form.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        recordWindows("5.1", "2600");
        frmStats w;
        QCOMPARE(w.lblSysVer->text(), QStringLiteral("5,01.2600 [Platform Name: Windows XP]"));
    }

    void platformNames() {
        platform::SystemVersion v;
        v.version = 5.01f;
        const std::pair<int, const char*> cases[] = {
            {0, "Windows 32-bit"},      {1, "Windows 95"},           {2, "Windows XP"},
            {3, "Unknown OS Platform"}, {-1, "Unknown OS Platform"},
        };
        for (const auto& [id, name] : cases) {
            v.platformId = id;
            QCOMPARE(frmStats::platformName(v), QString::fromLatin1(name));
        }
        v.platformId = 2;
        v.version = 5.02f;
        QCOMPARE(frmStats::platformName(v), QStringLiteral("Windows NT"));
    }

    void lastCheck_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QString() << kNoCheck;
        QTest::newRow("empty") << "" << kNoCheck;
        QTest::newRow("the default itself") << "%ERROR&" << kNoCheck;
        QTest::newRow("a date") << "12/8/2026 2:45:07 PM"
                                << "Last check process done at 12/8/2026 2:45:07 PM.";
    }
    void lastCheck() {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        if (!stored.isNull())
            writeString(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk",
                        stored.toStdString());
        frmStats w;
        QCOMPARE(w.lblLastChk->text(), expected);
    }

    void programStylesClockAndBrowser() {
        std::filesystem::create_directory(m_root->themes() / "Luna");
        std::filesystem::create_directory(m_root->themes() / "Zune");
        m_root->writeFile(m_root->themes().lexically_relative(m_root->root()) / "notes.txt", "x");
        const std::string dateBefore = platform::generalDateText();
        const uint32_t ticksBefore = platform::GetTickCount();
        frmStats w;
        const uint32_t ticksAfter = platform::GetTickCount();
        const std::string dateAfter = platform::generalDateText();
        QCOMPARE(w.lblzevraVer->text(), QStringLiteral("Version 3.26.2640"));
        QCOMPARE(w.lblNumVSinstalled->text(), QStringLiteral("2 visual styles installed."));
        QVERIFY(w.lblDateTime->text() == QString::fromStdString(dateBefore) ||
                w.lblDateTime->text() == QString::fromStdString(dateAfter));
        QVERIFY(w.lblTimeStarted->text().endsWith(QStringLiteral(" mins")));
        const uint minutes = w.lblTimeStarted->text().chopped(5).toUInt();
        QVERIFY(minutes >= ticksBefore / 60000 && minutes <= ticksAfter / 60000);
        QCOMPARE(w.lblBrowser->text(), QStringLiteral("Internet Explorer; "));
        QVERIFY(w.Command2->isEnabled());
        QCOMPARE(UiServices::mousePointer(), 0);
    }

    void refreshReadsEverythingAgain() {
        frmStats w;
        QCOMPARE(w.lblNumVSinstalled->text(), QStringLiteral("0 visual styles installed."));
        QCOMPARE(w.lblLastChk->text(), kNoCheck);
        QCOMPARE(w.lblBrowser->text(), QStringLiteral("Internet Explorer; "));
        std::filesystem::create_directory(m_root->themes() / "Royale");
        writeString(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "LastChk",
                    "1/2/2027 3:04:05 AM");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "xdg");
        writeString(platform::HKEY_LOCAL_MACHINE, std::string(kClients) + "\\xdg", "", "Desktop browser");
        writeString(platform::HKEY_LOCAL_MACHINE, std::string(kClients) + "\\xdg\\shell\\open\\command", "",
                    "xdg-open");
        recordWindows("5.1", "2600");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(w.lblNumVSinstalled->text(), QStringLiteral("1 visual styles installed."));
        QCOMPARE(w.lblLastChk->text(), QStringLiteral("Last check process done at 1/2/2027 3:04:05 AM."));
        QCOMPARE(w.lblBrowser->text(), QStringLiteral("Desktop browser; xdg-open"));
        QCOMPARE(w.lblSysVer->text(), QStringLiteral("5.01.2600 [Platform Name: Windows XP]"));
        QVERIFY(w.Command2->isEnabled());
    }

    void closeButton() {
        frmStats w;
        w.show();
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    // ---- links ---------------------------------------------------------------------

    void versionOpensUpdatePage() {
        frmStats w;
        w.show();
        QTest::mouseClick(w.lblzevraVer, Qt::LeftButton);
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral(" http://www.quorlin.example/zevra/updates/?v=3.26.2640")});
    }

    void systemVersionOpensAboutWindows_data() {
        QTest::addColumn<bool>("recorded");
        QTest::newRow("Windows recorded") << true;
        QTest::newRow("nothing recorded") << false;
    }
    void systemVersionOpensAboutWindows() {
        QFETCH(bool, recorded);
        if (recorded)
            recordWindows("5.1", "2600");
        QString text;
        QString app;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* box = qobject_cast<AboutWindowsBox*>(window)) {
                text = box->lblSystem->text();
                app = box->lblApp->text();
            }
            window->close();
        });
        frmStats w;
        w.show();
        QTest::mouseClick(w.lblSysVer, Qt::LeftButton);
        QCOMPARE(UiServices::modalWindowTitles(), QStringList{QStringLiteral("About Windows")});
        QCOMPARE(app, QStringLiteral("Windows"));
        // Says honestly what runs underneath and which folder stands for Windows.
        QVERIFY(text.contains(QString::fromStdString(platform::systemVersion().hostSystem)));
        QVERIFY(text.contains(QString::fromStdString(m_root->root().string())));
        QVERIFY(text.contains(QStringLiteral("not Microsoft Windows")));
        if (recorded)
            QVERIFY(text.contains(QStringLiteral("Windows version 5.1, build 2600")));
        else
            QVERIFY(text.contains(QStringLiteral("records no Windows version")));
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_frmStats)
#include "tst_frmStats.moc"
