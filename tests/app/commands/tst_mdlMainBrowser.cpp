// The default browser of the program module: which registry values decide the name and
// the command, the command line a page is opened with, the failure message; and the
// count of installed styles that the stats window shows.

#include "app/RegistryWrites.h"
#include "commands/mdlMainBrowser.h"
#include "commands/mdlMainThemes.h"

#include "common/UiServices.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/linux/ArgumentRecorder.h"
#include "platform/linux/TestRoot.h"

#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>

using quorlin::UiServices;

namespace {

const char kClients[] = "SOFTWARE\\Clients\\StartMenuInternet";

// A browser recorded under the machine's clients key: its display name and command.
void addBrowser(const std::string& keyName, const std::string& displayName, const std::string& command) {
    writeString(platform::HKEY_LOCAL_MACHINE, std::string(kClients) + "\\" + keyName, "", displayName);
    writeString(platform::HKEY_LOCAL_MACHINE,
                std::string(kClients) + "\\" + keyName + "\\shell\\open\\command", "", command);
}

// What a stand-in program was started with, as the tests compare it.
QStringList recorded(const std::filesystem::path& out) {
    QStringList args;
    for (const auto& a : testing_support::recordedArguments(out))
        args.append(QString::fromStdString(a));
    return args;
}

QString failureText(const QString& command, const QString& address) {
    return QStringLiteral("We are unable to load your default browser (") + command +
           QStringLiteral(") to open the following page:") + QStringLiteral("\r\r\t") + address;
}

} // namespace

class tst_mdlMainBrowser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // As the program names itself at start-up: message boxes without a title get it.
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        UiServices::setScripted(true);
        UiServices::resetScript();
        UiServices::setModalHandler({});
        // PATH holds only what a test puts there: whether the desktop's opener exists is
        // the test's choice, not the machine's.
        m_oldPath = qgetenv("PATH");
        m_bin = m_root->root() / "bin";
        std::filesystem::create_directory(m_bin);
        qputenv("PATH", QByteArray::fromStdString(m_bin.string()));
    }
    void cleanup() {
        qputenv("PATH", m_oldPath);
        UiServices::resetScript();
        m_root.reset();
    }

    // ---- name and command ----------------------------------------------------------

    void machineChoiceGivesNameAndCommand() {
        addBrowser("FIREFOX.EXE", "Mozilla Firefox", "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\"");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "FIREFOX.EXE");
        QCOMPARE(mdlMain::GetDefaultBrowserName(), QStringLiteral("Mozilla Firefox"));
        QCOMPARE(mdlMain::GetDefaultBrowserCommand(),
                 QStringLiteral("\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\""));
    }

    void userChoiceOverridesMachineForNameAndCommand() {
        addBrowser("FIREFOX.EXE", "Mozilla Firefox", "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\"");
        addBrowser("Opera", "Opera Browser", "\"C:\\Program Files\\Opera\\opera.exe\"");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "FIREFOX.EXE");
        writeString(platform::HKEY_CURRENT_USER, kClients, "", "Opera");
        QCOMPARE(mdlMain::GetDefaultBrowserName(), QStringLiteral("Opera Browser"));
        QCOMPARE(mdlMain::GetDefaultBrowserCommand(),
                 QStringLiteral("\"C:\\Program Files\\Opera\\opera.exe\""));
        mdlMain::OpenInBrowser(QStringLiteral("http://a.example/"));
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral("\"C:\\Program Files\\Opera\\opera.exe\" http://a.example/")});
    }

    void userChoiceIsOnlyAKeyName() {
        // The name and command are read under the machine's key only: a browser the user
        // records with no machine entry is as good as none.
        writeString(platform::HKEY_CURRENT_USER, kClients, "", "Opera");
        writeString(platform::HKEY_CURRENT_USER, std::string(kClients) + "\\Opera", "", "Opera Browser");
        writeString(platform::HKEY_CURRENT_USER, std::string(kClients) + "\\Opera\\shell\\open\\command", "",
                    "\"C:\\opera.exe\"");
        QCOMPARE(mdlMain::GetDefaultBrowserName(), QStringLiteral("Internet Explorer"));
        QCOMPARE(mdlMain::GetDefaultBrowserCommand(), QString());
    }

    void nothingRecorded() {
        QCOMPARE(mdlMain::GetDefaultBrowserName(), QStringLiteral("Internet Explorer"));
        QCOMPARE(mdlMain::GetDefaultBrowserCommand(), QString());
        // A blank, then the address: nothing can be started from that.
        UiServices::setNextStartResult(false);
        mdlMain::OpenInBrowser(QStringLiteral("http://forum.example/"));
        QCOMPARE(UiServices::startedCommands(), QStringList{QStringLiteral(" http://forum.example/")});
        QCOMPARE(UiServices::messages().size(), 1);
        const auto message = UiServices::messages().constFirst();
        QCOMPARE(message.text,
                 QStringLiteral("We are unable to load your default browser () to open the following "
                                "page:\r\r\thttp://forum.example/"));
        QCOMPARE(message.style, 0);
        QCOMPARE(message.title, QStringLiteral("Quorlin Visual Style Manager"));
        QVERIFY(platform::startProcess(UiServices::startedCommands().constFirst().toStdString(), 2));
    }

    // ---- opening a page ------------------------------------------------------------

    void storedCommandIsUsedAsItIs() {
        addBrowser("IEXPLORE.EXE", "Internet Explorer",
                   "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "IEXPLORE.EXE");
        // Blanks in the address are not quoted; nothing in the command is replaced.
        mdlMain::OpenInBrowser(QStringLiteral("C:\\windows\\Resources\\Themes\\My Style\\preview.jpg"));
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral("\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome "
                                            "C:\\windows\\Resources\\Themes\\My Style\\preview.jpg")});
        QVERIFY(UiServices::messages().isEmpty());
    }

    void missingProgramIsReported() {
        const std::string command = "\"C:\\Program Files\\Gone\\gone.exe\"";
        addBrowser("Gone", "Gone Browser", command);
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "Gone");
        const QString line = QString::fromStdString(command) + QStringLiteral(" http://b.example/?q=1&r=2");
        // The real start of that line fails, and so does the scripted one.
        QVERIFY(platform::startProcess(line.toStdString(), 2));
        UiServices::setNextStartResult(false);
        mdlMain::OpenInBrowser(QStringLiteral("http://b.example/?q=1&r=2"));
        QCOMPARE(UiServices::startedCommands(), QStringList{line});
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages().constFirst().text,
                 failureText(QString::fromStdString(command), QStringLiteral("http://b.example/?q=1&r=2")));
    }

    void startedProgramIsNotReported() {
        // A program that does start is success, whatever it then does with the address.
        addBrowser("True", "True", "\"/bin/true\"");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "True");
        mdlMain::OpenInBrowser(QStringLiteral("http://c.example/"));
        QCOMPARE(UiServices::startedCommands(),
                 QStringList{QStringLiteral("\"/bin/true\" http://c.example/")});
        QVERIFY(!platform::startProcess("\"/bin/true\" http://c.example/", 2));
        QVERIFY(UiServices::messages().isEmpty());
    }

    void pathWithBlanksReachesANativeBrowserWhole() {
        const auto out = m_root->root() / "argv";
        const auto browser = testing_support::writeArgumentRecorder(m_bin, "browser", out);
        addBrowser("Native", "Native Browser", "\"" + browser.string() + "\"");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "Native");
        m_root->writeFile("drive_c/windows/Resources/Themes/Luna Blue Plus/preview.jpg", "jpeg");
        UiServices::setRealProcessStarts(true);
        mdlMain::OpenInBrowser(QStringLiteral("C:\\windows\\Resources\\Themes\\Luna Blue Plus\\preview.jpg"));
        const auto preview =
            std::filesystem::weakly_canonical(m_root->themes() / "Luna Blue Plus" / "preview.jpg");
        QCOMPARE(recorded(out), QStringList{QString::fromStdString(preview.string())});
        QVERIFY(UiServices::messages().isEmpty());
    }

    void withoutARecordedBrowserTheDesktopOpenerTakesTheAddress() {
        const auto out = m_root->root() / "argv";
        testing_support::writeArgumentRecorder(m_bin, "xdg-open", out);
        UiServices::setRealProcessStarts(true);
        const QString address =
            QStringLiteral("https://payments.example/cgi-bin/webscr?cmd=_xclick&cn=Two Words");
        mdlMain::OpenInBrowser(address);
        QCOMPARE(recorded(out), QStringList{address});
        QCOMPARE(UiServices::startedCommands(),
                 (QStringList{QLatin1Char(' ') + address, QStringLiteral("xdg-open ") + address}));
        QVERIFY(UiServices::messages().isEmpty());
    }

    void aBrowserWhoseProgramIsGoneGivesWayToTheDesktopOpener() {
        const auto out = m_root->root() / "argv";
        testing_support::writeArgumentRecorder(m_bin, "xdg-open", out);
        addBrowser("Gone", "Gone Browser", "\"C:\\Program Files\\Gone\\gone.exe\"");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "Gone");
        UiServices::setRealProcessStarts(true);
        mdlMain::OpenInBrowser(QStringLiteral("http://forum.quorlin.example/"));
        QCOMPARE(recorded(out), QStringList{QStringLiteral("http://forum.quorlin.example/")});
        QVERIFY(UiServices::messages().isEmpty());
    }

    void withNeitherBrowserNorOpenerTheFailureIsReported() {
        // A prefix with a browser that is gone and a desktop without xdg-open.
        addBrowser("Gone", "Gone Browser", "\"C:\\Program Files\\Gone\\gone.exe\"");
        writeString(platform::HKEY_LOCAL_MACHINE, kClients, "", "Gone");
        UiServices::setRealProcessStarts(true);
        mdlMain::OpenInBrowser(QStringLiteral("http://forum.quorlin.example/"));
        QCOMPARE(UiServices::startedCommands().size(), 1);
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages().constFirst().text,
                 failureText(QStringLiteral("\"C:\\Program Files\\Gone\\gone.exe\""),
                             QStringLiteral("http://forum.quorlin.example/")));
    }

    // ---- installed styles ----------------------------------------------------------

    void countsOnlyEnterableVisibleFolders() {
        const auto themes = m_root->themes();
        QCOMPARE(mdlMain::CountInstalledStyles(), 0);
        std::filesystem::create_directory(themes / "Luna");
        std::filesystem::create_directory(themes / "Royale Noir"); // no .msstyles: still a style folder
        std::filesystem::create_directory(themes / "Zune");
        m_root->writeFile(themes.lexically_relative(m_root->root()) / "Luna" / "Luna.msstyles", "x");
        m_root->writeFile(themes.lexically_relative(m_root->root()) / "loose.msstyles", "x"); // a file
        std::filesystem::create_directory(themes / ".hidden");                                // hidden
        std::filesystem::create_directory_symlink(themes / "nowhere", themes / "Dangling");   // not enterable
        QCOMPARE(mdlMain::CountInstalledStyles(), 3);
    }

    void countWithoutThemesFolderIsZero() {
        std::filesystem::remove_all(m_root->themes());
        QCOMPARE(mdlMain::CountInstalledStyles(), 0);
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
    std::filesystem::path m_bin;
    QByteArray m_oldPath;
};

QTEST_MAIN(tst_mdlMainBrowser)
#include "tst_mdlMainBrowser.moc"
