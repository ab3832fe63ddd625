// What the program says once at start-up, before anything is written: a Windows root
// that does not exist, a registry file that cannot be read.

#include "commands/mdlMainStartup.h"

#include "common/UiServices.h"
#include "platform/linux/TestRoot.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

using quorlin::UiServices;

class tst_mdlMainStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        UiServices::setScripted(true);
        UiServices::resetScript();
    }
    void cleanup() { m_root.reset(); }

    void aSoundRootSaysNothing() {
        std::ofstream(m_root->root() / "user.reg") << "WINE REGISTRY Version 2\n";
        mdlMain::ReportStartupProblems();
        QVERIFY(UiServices::messages().isEmpty());
    }

    void aPrefixThatDoesNotExistIsNamed() {
        const QString missing = QString::fromStdString((m_root->root() / "no such prefix").string());
        qputenv("WINEPREFIX", missing.toUtf8());
        mdlMain::ReportStartupProblems();
        QCOMPARE(UiServices::messages().size(), 1);
        const auto message = UiServices::messages().constFirst();
        QCOMPARE(message.text, QStringLiteral("The Wine prefix ") + missing +
                                   QStringLiteral(" that WINEPREFIX names does not exist, so there are no "
                                                  "visual styles to manage and no settings can be saved. Set "
                                                  "WINEPREFIX to an existing Wine prefix, or unset it to use "
                                                  "~/.wine, and start the program again."));
        QCOMPARE(message.style, int(quorlin::MsgExclamation));
        QCOMPARE(message.title, QStringLiteral("Quorlin Visual Style Manager"));
        QVERIFY2(!QFileInfo::exists(missing), "nothing is made in its place");
    }

    void aHiveThatCannotBeReadIsNamed() {
        // A folder where the user's hive should be: it can be neither read nor replaced.
        const auto user = m_root->root() / "user.reg";
        std::filesystem::create_directory(user);
        mdlMain::ReportStartupProblems();
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages().constFirst().text,
                 QStringLiteral("The registry file ") + QString::fromStdString(user.string()) +
                     QStringLiteral(" cannot be read (not a regular file). The settings it holds are not "
                                    "used, and no settings can be saved in it until it is repaired."));
        QCOMPARE(UiServices::messages().constFirst().style, int(quorlin::MsgExclamation));
    }

    void aHiveThatCannotBeParsedIsNamedWithItsLine() {
        const auto machine = m_root->root() / "system.reg";
        std::ofstream(m_root->root() / "user.reg") << "WINE REGISTRY Version 2\n";
        std::ofstream(machine) << "this is not a registry file\n";
        const std::string before = "this is not a registry file\n";
        mdlMain::ReportStartupProblems();
        QCOMPARE(UiServices::messages().size(), 1);
        const QString text = UiServices::messages().constFirst().text;
        QVERIFY2(text.startsWith(QStringLiteral("The registry file ") +
                                 QString::fromStdString(machine.string()) +
                                 QStringLiteral(" cannot be read (line 1: ")),
                 qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("). The settings it holds are not used, and no settings can be "
                                              "saved in it until it is repaired.")),
                 qPrintable(text));
        std::ifstream in(machine);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}), before);
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_mdlMainStartup)
#include "tst_mdlMainStartup.moc"
