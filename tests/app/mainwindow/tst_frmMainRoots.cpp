// The Windows root in the main window: the roots found listed in File, Windows Root with
// the managed one checked, a folder of the user's choice, and the switch of the whole
// program to the one chosen, remembered for the next start.

#include "frmMainTestSupport.h"

#include "platform/WindowsRoot.h"
#include "platform/linux/wine/FakeWine.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

using namespace testing_support;
using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out.append(a->isSeparator()
                       ? QStringLiteral("-")
                       : (a->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + a->text());
    return out;
}

QAction* item(const QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

// A second prefix with one style and the My Computer entry unset.
fs::path makePrefix(const fs::path& folder, const std::string& style) {
    fs::create_directories(folder / "drive_c" / "windows" / "Resources" / "Themes" / style);
    fs::create_directories(folder / "dosdevices");
    fs::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:");
    return folder;
}

} // namespace

class tst_frmMainRoots : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<MainFixture> m_fx;

    fs::path home() const { return m_home.path().toStdString(); }
    QString remembered() const {
        return QSettings(QString::fromStdString((home() / ".config" / "kolvmgr" / "kolvmgr.conf").string()),
                         QSettings::IniFormat)
            .value(QStringLiteral("WindowsRoot"))
            .toString();
    }

private slots:
    void initTestCase() {
        // The program's settings and the places prefixes are found in: a home of the test's own.
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/.config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (m_home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    }
    void init() { m_fx = std::make_unique<MainFixture>(); }
    void cleanup() {
        platform::setChosenRoot({});
        platform::setRememberedRoot({});
        fs::remove_all(home() / ".config");
        fs::remove_all(home() / ".wine");
        m_fx.reset();
    }

    // A Wine running in the root chosen is noted in the window's line above the list, not
    // in a box that stops the switch; a root without one takes the line away again.
    void aRunningWineIsNotedInTheLineAboveTheList() {
        m_fx->addStyle("Alpha");
        const fs::path first = m_fx->root->root();
        const fs::path busy = makePrefix(home() / "busy", "Beta");
        auto w = m_fx->loadWindow();
        QVERIFY(w->fraNote->isHidden());
        {
            FakeWine wine(busy, home() / "scratch");
            QVERIFY(w->switchRoot(busy));
            QVERIFY(sameMessages({}));
            QVERIFY(!w->fraNote->isHidden());
            QCOMPARE(
                w->lblNote->text(),
                QStringLiteral("Wine is running in the prefix ") + QString::fromStdString(busy.string()) +
                    QStringLiteral(". While its programs run, Quorlin Visual Style Manager saves its changes "
                                   "through Wine's registry tool (wine reg), so that Wine keeps them; each "
                                   "change takes a moment, and the registry files show it once Wine has "
                                   "saved its registry."));
            QVERIFY(w->fraNote->geometry().bottom() < w->lstVS->geometry().top());
            QCOMPARE(items(w->lstVS), QStringList({"Beta"}));
        }
        QVERIFY(w->switchRoot(first));
        QVERIFY(w->fraNote->isHidden());
        QCOMPARE(w->lstVS->geometry().top(), 75);
        QVERIFY(sameMessages({}));
    }

    void theRootsFoundAreListedAndOneSwitchesTheWholeProgram() {
        m_fx->addStyle("Alpha");
        const fs::path first = m_fx->root->root();
        // The My Computer folder is on in the first root.
        writeString(platform::HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace\\"
                    "{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}",
                    "", "Visual Style Folder Shortcut from My Computer");
        const fs::path wine = makePrefix(home() / ".wine", "Beta");
        auto w = m_fx->loadWindow();
        QCOMPARE(items(w->lstVS), QStringList({"Alpha"}));
        QVERIFY(w->mnuAddShortcut->isChecked());

        emit w->mnuRoots->aboutToShow();
        const QString firstText =
            QStringLiteral("WINEPREFIX (") + QString::fromStdString(first.string()) + ')';
        QCOMPARE(captions(w->mnuRoots), QStringList({"[x] " + firstText, "[ ] Wine: ~/.wine (~/.wine)", "-",
                                                     "[ ] &Other folder..."}));

        item(w->mnuRoots, QStringLiteral("Wine: ~/.wine (~/.wine)"))->trigger();
        QCOMPARE(platform::windowsRoot(), wine);
        QCOMPARE(items(w->lstVS), QStringList({"Beta"}));
        QVERIFY(!w->mnuAddShortcut->isChecked());
        // The start-up registration reached the new root's registry.
        QVERIFY(keyExists(platform::HKEY_LOCAL_MACHINE,
                          "Software\\Classes\\CLSID\\{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}"));
        QVERIFY(fs::exists(wine / "system.reg"));
        QCOMPARE(remembered(), QString::fromStdString(wine.string()));
        QVERIFY(sameMessages({}));

        emit w->mnuRoots->aboutToShow();
        QCOMPARE(captions(w->mnuRoots), QStringList({"[ ] " + firstText, "[x] Wine: ~/.wine (~/.wine)", "-",
                                                     "[ ] &Other folder..."}));
        item(w->mnuRoots, firstText)->trigger();
        QCOMPARE(items(w->lstVS), QStringList({"Alpha"}));
        QVERIFY(w->mnuAddShortcut->isChecked());
    }

    void anotherFolderMustHoldAPrefix() {
        m_fx->addStyle("Alpha");
        auto w = m_fx->loadWindow();
        const fs::path plain = home() / "plain";
        fs::create_directories(plain);
        UiServices::setNextFileName(QString::fromStdString(plain.string()));
        UiServices::setNextFileName(QString()); // cancelled
        w->mnuOtherRoot_Click();
        w->mnuOtherRoot_Click();
        QCOMPARE(UiServices::fileDialogs().size(), 2);
        QVERIFY(UiServices::fileDialogs().at(0).folder);
        QCOMPARE(UiServices::fileDialogs().at(0).title, QStringLiteral("Choose the folder of a Wine prefix"));
        QVERIFY(
            sameMessages({{"The folder " + QString::fromStdString(plain.string()) +
                               " is not a Wine prefix: it holds neither system.reg nor drive_c. Choose the "
                               "folder of a Wine prefix, such as ~/.wine.",
                           48, "Windows Root"}}));
        QCOMPARE(platform::windowsRoot(), m_fx->root->root());
        QCOMPARE(items(w->lstVS), QStringList({"Alpha"}));
        QVERIFY(remembered().isEmpty());
    }

    void theNewRootsProblemsAreSaidOnTheSwitch() {
        m_fx->addStyle("Alpha");
        auto w = m_fx->loadWindow();
        const fs::path other = makePrefix(home() / "other", "Gamma");
        std::ofstream(other / "user.reg") << "not a registry\n";
        UiServices::setNextFileName(QString::fromStdString(other.string()));
        w->mnuOtherRoot_Click();
        QCOMPARE(items(w->lstVS), QStringList({"Gamma"}));
        const auto messages = UiServices::messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).text.startsWith("The registry file " +
                                                QString::fromStdString((other / "user.reg").string()) +
                                                " cannot be read ("),
                 qPrintable(messages.at(0).text));
        QCOMPARE(messages.at(0).style, 48);
        QCOMPARE(std::string(readAllText(other / "user.reg")), std::string("not a registry\n"));
    }

private:
    static std::string readAllText(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

QTEST_MAIN(tst_frmMainRoots)
#include "tst_frmMainRoots.moc"
