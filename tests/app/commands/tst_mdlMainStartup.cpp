// What the program says once at start-up, before anything is written: a Windows root
// that does not exist, a registry file that cannot be read, a Wine that runs in the prefix.

#include "commands/mdlMainStartup.h"

#include "common/UiServices.h"
#include "platform/linux/EnvGuard.h"
#include "platform/linux/TestRoot.h"
#include "platform/linux/wine/FakeWine.h"

#include <QTemporaryDir>
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

    // Wine's registry tool can be started: the changes go through it, which is noted. The
    // note stops nothing, so no message box stops the start for it: it is handed back to be
    // shown in the window's own line.
    void aRunningWineWhoseToolTakesTheChangesIsNoted() {
        std::ofstream(m_root->root() / "user.reg") << "WINE REGISTRY Version 2\n";
        const QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        testing_support::FakeWine wine(m_root->root(), scratch.path().toStdString());
        const QStringList notes = mdlMain::ReportStartupProblems();
        QVERIFY(UiServices::messages().isEmpty());
        QCOMPARE(notes,
                 QStringList(
                     {QStringLiteral("Wine is running in the prefix ") +
                      QString::fromStdString(m_root->root().string()) +
                      QStringLiteral(". While its programs run, Quorlin Visual Style Manager saves its "
                                     "changes through Wine's registry tool (wine reg), so that Wine keeps "
                                     "them; each change takes a moment, and the registry files show it once "
                                     "Wine has saved its registry.")}));
    }

    // Where it cannot be started (here: the running server is of no build the program
    // knows, so nothing may talk to it), nothing can be saved: a warning that says why.
    void aRunningWineWithoutItsToolIsWarnedOf() {
        std::ofstream(m_root->root() / "user.reg") << "WINE REGISTRY Version 2\n";
        const QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const std::filesystem::path tmp = scratch.path().toStdString();
        testing_support::EnvGuard path("PATH", (tmp / "no-wine").c_str());
        testing_support::EnvGuard tmpVar("TMPDIR", tmp.c_str());
        std::ofstream(m_root->root() / "wineserver") << "wine-kolv-test\n";
        testing_support::FakeServer server(tmp / "wine-kolv-test" /
                                           testing_support::serverLeaf(m_root->root()));
        QVERIFY(mdlMain::ReportStartupProblems().isEmpty());
        QCOMPARE(UiServices::messages().size(), 1);
        const QString prefix = QString::fromStdString(m_root->root().string());
        QCOMPARE(UiServices::messages().constFirst().text,
                 QStringLiteral("Wine is running in the prefix ") + prefix +
                     QStringLiteral(
                         ". While it runs, Wine keeps that prefix's registry in memory and overwrites "
                         "the registry files when it stops, and Wine's registry tool, which could take "
                         "the changes, cannot be started (no wine lies beside the running wineserver ") +
                     QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string()) +
                     QStringLiteral(
                         "), so Quorlin Visual Style Manager cannot save its settings there now. To free "
                         "the prefix, close the Wine programs running in it or run \"wineserver -k\" "
                         "with WINEPREFIX set to ") +
                     prefix + QStringLiteral("."));
        QCOMPARE(UiServices::messages().constFirst().style, int(quorlin::MsgExclamation));
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_mdlMainStartup)
#include "tst_mdlMainStartup.moc"
