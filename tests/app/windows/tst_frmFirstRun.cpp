// The first-run window: its texts and tool tips, Continue recording that it has been
// seen whatever was stored before, the readme button for a readme that is there, gone,
// not a file, or there but unreadable, and the donation button.

#include "ScopedHook.h"
#include "app/RegistryWrites.h"
#include "windows/frmFirstRun.h"

#include "AppInfo.h"
#include "common/UiServices.h"
#include "platform/Registry.h"
#include "platform/linux/TestRoot.h"
#include "windows/ProgramReadme.h"
#include "windows/frmInfo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <sys/stat.h>

using quorlin::UiServices;

namespace {

const char kSettings[] = "Software\\Quorlin\\Zevra";

std::optional<std::string> readText(const std::string& key, const std::string& name) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    if (reg.RegOpenKeyA(platform::HKEY_CURRENT_USER, key, &handle) != platform::ERROR_SUCCESS)
        return std::nullopt;
    char data[256] = {};
    uint32_t size = sizeof data;
    uint32_t type = 0;
    const int32_t r =
        reg.RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<uint8_t*>(data), &size);
    reg.RegCloseKey(handle);
    if (r != platform::ERROR_SUCCESS || type != platform::REG_SZ)
        return std::nullopt;
    std::string text(data, size);
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

QString missingReadmeText() {
    return QStringLiteral(
               "Kolvane is unable to locate the readme file. Please download the latest version from "
               "Zevra's official Download site(") +
           AppInfo::kDownloadSite + QStringLiteral(").");
}

} // namespace

class tst_frmFirstRun : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        std::filesystem::create_directories(programFolder());
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
        frmFirstRun w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Welcome to Quorlin Zevra"));
        QCOMPARE(w.Label1->text(),
                 QStringLiteral(
                     "Welcome to Quorlin Visual Style Manager. This welcome screen will appear once only."));
        QCOMPARE(w.Label2->text(),
                 QStringLiteral("Quorlin Visual Style Manager helps you in: -managing your visual styles"
                                "                        -installing and uninstalling of visual styles"
                                "     -clearing up of installed visual styles"));
        QCOMPARE(w.Label3->text(),
                 QStringLiteral(
                     "It is also totally free of charge! Easy to use, lightweight! However, a donation to "
                     "us will keep this software's development running fine and smooth thus enabling "
                     "more new freewares to be published."));
        QCOMPARE(
            w.Label4->text(),
            QStringLiteral("You can donate safely to us via Paypal which is recommended or clicking on our "
                           "sponsors' links on our site. Thank you for supporting us by downloading and "
                           "installing Quorlin Visual Style Manager."));
        QCOMPARE(w.Label5->text(),
                 QStringLiteral("Please do read the readme documentations before clicking continue. "
                                "Visit ") +
                     AppInfo::kMakerName + QStringLiteral(" - ") + AppInfo::kDownloadSite +
                     QStringLiteral(" - for more updates on Quorlin Zevra"));
        QCOMPARE(w.Command1->text(), QStringLiteral("&Continue"));
        QCOMPARE(w.Command1->toolTip(), QStringLiteral("Continue using Quorlin Zevra"));
        QCOMPARE(w.Command2->text(), QStringLiteral("&Readme"));
        QCOMPARE(w.Command2->toolTip(), QStringLiteral("View the readme documentations"));
        QCOMPARE(w.Command3->text(), QStringLiteral("Donate"));
        QCOMPARE(w.Command3->toolTip(),
                 QStringLiteral("Click to safely donate money to us via Paypal Secure."));
        QVERIFY(!w.Image1->pixmap().isNull());
    }

    void continueRecordsSeen_data() {
        QTest::addColumn<QString>("before");
        QTest::newRow("missing") << QString();
        QTest::newRow("0") << QStringLiteral("0");
        QTest::newRow("1") << QStringLiteral("1");
    }
    void continueRecordsSeen() {
        QFETCH(QString, before);
        if (!before.isNull())
            writeString(platform::HKEY_CURRENT_USER, kSettings, "firstrun", before.toStdString());
        frmFirstRun w;
        QSignalSpy finished(&w, &QDialog::finished);
        w.show();
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QCOMPARE(readText(kSettings, "firstrun"), std::optional<std::string>("1"));
        QCOMPARE(finished.count(), 1);
        QVERIFY(!w.isVisible());
        QVERIFY(UiServices::messages().isEmpty());
    }

    void closingOtherwiseRecordsNothing() {
        writeString(platform::HKEY_CURRENT_USER, kSettings, "firstrun", "0");
        frmFirstRun w;
        w.show();
        w.close();
        QCOMPARE(readText(kSettings, "firstrun"), std::optional<std::string>("0"));
        frmFirstRun fresh;
        fresh.show();
        QTest::keyClick(&fresh, Qt::Key_Escape);
        QVERIFY(!fresh.isVisible());
        QCOMPARE(readText(kSettings, "firstrun"), std::optional<std::string>("0"));
    }

    // ---- readme --------------------------------------------------------------------

    void readmePresent() {
        writeReadme("Quorlin Visual Style Manager\r\nRead me first.\r\n");
        QStringList shownText;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            auto* info = qobject_cast<frmInfo*>(window);
            QVERIFY(info);
            shownText.append(info->Text1->toPlainText());
            window->close();
        });
        frmFirstRun w;
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(UiServices::modalWindowTitles(),
                 QStringList{QStringLiteral("Quorlin Visual Style Manager Readme")});
        QCOMPARE(shownText.size(), 1);
        QCOMPARE(shownText.constFirst().split(QRegularExpression(QStringLiteral("\r?\n"))),
                 QStringList({QStringLiteral("Quorlin Visual Style Manager"),
                              QStringLiteral("Read me first."), QString()}));
        QVERIFY(UiServices::messages().isEmpty());
    }

    void readmeNotThere_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("folder of that name") << QStringLiteral("folder");
        QTest::newRow("pipe of that name") << QStringLiteral("pipe");
    }
    void readmeNotThere() {
        QFETCH(QString, kind);
        const auto readme = programFolder() / "readme.txt";
        if (kind == QLatin1String("folder"))
            std::filesystem::create_directory(readme);
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(readme.c_str(), 0644), 0);
        frmFirstRun w;
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QVERIFY(UiServices::modalWindows().isEmpty());
        QCOMPARE(UiServices::messages().size(), 1);
        const auto message = UiServices::messages().constFirst();
        QCOMPARE(message.text, missingReadmeText());
        QCOMPARE(message.style, 48);
        QCOMPARE(message.title, QStringLiteral("Unable to locate readme.txt"));
    }

    void readmeThereButUnreadable() {
        // The process's own memory file opens like any file, but its first page is never
        // mapped, so reading fails: the viewer then shows an empty text.
        std::filesystem::create_symlink("/proc/self/mem", programFolder() / "readme.txt");
        QStringList shownText;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* info = qobject_cast<frmInfo*>(window))
                shownText.append(info->Text1->toPlainText());
            window->close();
        });
        frmFirstRun w;
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(UiServices::modalWindowTitles(),
                 QStringList{QStringLiteral("Quorlin Visual Style Manager Readme")});
        QCOMPARE(shownText, QStringList{QString()});
        QVERIFY(UiServices::messages().isEmpty());
    }

    // ---- donation ------------------------------------------------------------------

    void donateOpensPaymentPageAndThanks_data() {
        QTest::addColumn<bool>("browserStarts");
        QTest::newRow("browser starts") << true;
        QTest::newRow("browser fails") << false;
    }
    void donateOpensPaymentPageAndThanks() {
        QFETCH(bool, browserStarts);
        UiServices::setNextStartResult(browserStarts);
        frmFirstRun w;
        QTest::mouseClick(w.Command3, Qt::LeftButton);
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral(" ") + AppInfo::donationAddress()});
        const auto messages = UiServices::messages();
        QCOMPARE(messages.size(), browserStarts ? 1 : 2);
        if (!browserStarts)
            QVERIFY(messages.constFirst().text.startsWith(
                QStringLiteral("We are unable to load your default browser")));
        QCOMPARE(messages.constLast().text,
                 QStringLiteral("Thank you for choosing to donate to us. Your browser window "
                                "should now be opened showing you Paypal."));
        QCOMPARE(messages.constLast().style, 64);
        QCOMPARE(messages.constLast().title, QStringLiteral("Thank you"));
        QVERIFY(AppInfo::donationAddress().startsWith(QStringLiteral("https://")));
        QVERIFY(AppInfo::donationAddress().contains(QStringLiteral("/cgi-bin/webscr?cmd=_xclick&business=")));
    }

private:
    std::filesystem::path programFolder() const { return m_root->driveC() / "Kolv"; }
    void writeReadme(const std::string& text) const {
        m_root->writeFile(std::filesystem::path("drive_c") / "Kolv" / "readme.txt", text);
    }

    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_frmFirstRun)
#include "tst_frmFirstRun.moc"
