// The program's own readme ships with it: the readme command finds it beside the program
// and shows it whole.

#include "AppInfo.h"
#include "ScopedHook.h"
#include "common/UiServices.h"
#include "platform/linux/TestRoot.h"
#include "windows/ProgramReadme.h"
#include "windows/frmInfo.h"

#include <QPlainTextEdit>
#include <QtTest>

#include <memory>

using quorlin::UiServices;

class tst_programReadme : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        m_root->addDrive('z', "/"); // the program's folder is reached through Z:, as in a prefix
        UiServices::setScripted(true);
        UiServices::resetScript();
        ProgramReadme::setProgramFolderForTests(QString()); // the real one
    }
    void cleanup() {
        UiServices::setModalHandler({});
        m_root.reset();
    }

    void theReadmeBesideTheProgramIsShown() {
        QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/readme.txt"));
        QVERIFY2(file.open(QIODevice::ReadOnly), "no readme.txt beside the program");
        const QString onDisk = QString::fromLatin1(file.readAll());

        QString shownText;
        QString shownTitle;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* info = qobject_cast<frmInfo*>(window)) {
                shownText = info->Text1->toPlainText();
                shownTitle = info->windowTitle();
            }
        });
        ProgramReadme::show(nullptr);
        QVERIFY(UiServices::messages().isEmpty());
        QCOMPARE(UiServices::modalWindows().size(), 1);
        QCOMPARE(shownTitle, QStringLiteral("Quorlin Visual Style Manager Readme"));
        QCOMPARE(shownText, QString(onDisk).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        // It is the program's: its name and version, how styles are installed, where things
        // are kept on Linux, the shortcuts, the questions and the history of the about box.
        QVERIFY(shownText.startsWith(AppInfo::kTitle + QStringLiteral("\nReadme Document\n") +
                                     AppInfo::versionText() + QLatin1Char('\n')));
        for (const char* part :
             {"Installing a visual style", "Where it keeps things on Linux", "WINEPREFIX", "user.reg",
              "Ctrl+F2", "Frequently asked questions", "Version history", "3.26  "})
            QVERIFY2(shownText.contains(QLatin1String(part)), part);
        QVERIFY(!onDisk.contains(QStringLiteral("@KOLV_VERSION@")));
        QVERIFY2(!onDisk.contains(QRegularExpression(QStringLiteral("[^\r]\n"))), "every line ends in CR LF");
    }

    void anInstalledProgramReadsItsReadmeFromShare() {
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        const QString bin = prefix.path() + QStringLiteral("/bin");
        // Built: the readme lies beside the program.
        QCOMPARE(ProgramReadme::readmeBeside(bin), bin + QStringLiteral("/readme.txt"));
        // Installed: under share/ of the same prefix, wherever the prefix is.
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/kolvmgr")));
        QFile readme(prefix.path() + QStringLiteral("/share/kolvmgr/readme.txt"));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        readme.close();
        QCOMPARE(ProgramReadme::readmeBeside(bin), readme.fileName());
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_programReadme)
#include "tst_programReadme.moc"
