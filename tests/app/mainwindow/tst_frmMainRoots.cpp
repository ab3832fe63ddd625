// The Windows root in the main window: the roots found listed in File, Windows Root with
// the managed one checked, a folder of the user's choice, and the switch of the whole
// program to the one chosen, remembered for the next start.

#include "frmMainTestSupport.h"

#include "commands/RootWine.h"
#include "platform/WindowsRoot.h"
#include "platform/WineChoice.h"
#include "platform/linux/wine/FakeWine.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>

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
    fs::path m_wine;

    // A Wine build: bin/wine, and share/wine/wine.inf of the time given.
    static fs::path makeWine(const fs::path& folder, std::time_t infTime) {
        fs::create_directories(folder / "bin");
        fs::create_directories(folder / "share" / "wine");
        std::ofstream(folder / "bin" / "wine") << "#!/bin/sh\nexit 0\n";
        fs::permissions(folder / "bin" / "wine", fs::perms::owner_all);
        std::ofstream(folder / "share" / "wine" / "wine.inf") << "[Version]\n";
        fs::last_write_time(
            folder / "share" / "wine" / "wine.inf",
            std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(infTime)));
        return folder / "bin" / "wine";
    }
    // What a root without a stamp shows after its name.
    QString unstamped() const {
        const QString wine = QString::fromStdString(m_wine.string());
        return QStringLiteral(" \u2014 wine=") + wine + QStringLiteral(", cannot drive: starting ") + wine +
               QStringLiteral(" would update the prefix (it has no .update-timestamp)");
    }

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
        // The Wine of every prefix without a record: a stand-in build of the test's own.
        m_wine = makeWine(home() / "standin", 1676758571);
        qputenv("WINE", QByteArray::fromStdString(m_wine.string()));
    }
    void cleanupTestCase() { qunsetenv("WINE"); }
    void init() { m_fx = std::make_unique<MainFixture>(); }
    void cleanup() {
        platform::setChosenRoot({});
        platform::setRememberedRoot({});
        platform::wine::setChosenWines({});
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
            QStringLiteral("WINEPREFIX (") + QString::fromStdString(first.string()) + ')' + unstamped();
        const QString wineText = QStringLiteral("Wine: ~/.wine (~/.wine)") + unstamped();
        QCOMPARE(captions(w->mnuRoots),
                 QStringList({"[x] " + firstText, "[ ] " + wineText, "-", "[ ] &Other folder...", "-",
                              "[ ] &Wine of This Prefix...", "[ ] Forget the Chosen W&ine", "-",
                              "[ ] Apply to other prefixes...", "[ ] Install to other prefixes..."}));

        item(w->mnuRoots, wineText)->trigger();
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
        QCOMPARE(captions(w->mnuRoots),
                 QStringList({"[ ] " + firstText, "[x] " + wineText, "-", "[ ] &Other folder...", "-",
                              "[ ] &Wine of This Prefix...", "[ ] Forget the Chosen W&ine", "-",
                              "[ ] Apply to other prefixes...", "[ ] Install to other prefixes..."}));
        item(w->mnuRoots, firstText)->trigger();
        QCOMPARE(items(w->lstVS), QStringList({"Alpha"}));
        QVERIFY(w->mnuAddShortcut->isChecked());
    }

    void aWineChosenForThePrefixIsRememberedShownAndForgotten() {
        const fs::path root = m_fx->root->root();
        m_fx->addStyle("Alpha");
        auto w = m_fx->loadWindow();
        // A build whose stamp the prefix holds can drive it.
        const fs::path own = makeWine(home() / "own", 1600000000);
        std::ofstream(root / ".update-timestamp") << "1600000000\n";
        UiServices::setNextFileName(QString::fromStdString(own.string()));
        w->mnuRootWine_Click();
        QVERIFY(sameMessages({}));
        QCOMPARE(UiServices::fileDialogs().at(0).title,
                 QStringLiteral("Choose the wine program of this Wine prefix"));
        QCOMPARE(RootWine::chosen(root), own);
        QSettings stored(QString::fromStdString((home() / ".config" / "kolvmgr" / "kolvmgr.conf").string()),
                         QSettings::IniFormat);
        QCOMPARE(stored.beginReadArray(QStringLiteral("PrefixWines")), 1);
        stored.setArrayIndex(0);
        QCOMPARE(stored.value(QStringLiteral("Prefix")).toString(), QString::fromStdString(root.string()));
        QCOMPARE(stored.value(QStringLiteral("Wine")).toString(), QString::fromStdString(own.string()));
        stored.endArray();

        emit w->mnuRoots->aboutToShow();
        const QString rootText = QStringLiteral("WINEPREFIX (") + QString::fromStdString(root.string()) + ')';
        QCOMPARE(captions(w->mnuRoots).at(0),
                 "[x] " + rootText + QStringLiteral(" \u2014 wine=") + QString::fromStdString(own.string()));
        QVERIFY(w->mnuRoots->findChild<QAction*>(QStringLiteral("mnuRootOwnWine"))->isEnabled());
        // Remembered for the next start, for this prefix alone.
        platform::wine::setChosenWines({});
        RootWine::loadChosen();
        QCOMPARE(RootWine::chosen(root), own);
        QVERIFY(RootWine::chosen(home() / "elsewhere").empty());

        // One that cannot be started there is said so at once.
        UiServices::setNextFileName(QString::fromStdString(m_wine.string()));
        w->mnuRootWine_Click();
        const QString wine = QString::fromStdString(m_wine.string());
        const QString updates =
            "starting " + wine +
            " would update the prefix (its .update-timestamp holds 1600000000, the wine.inf of " + wine +
            " has the time 1676758571)";
        QVERIFY(sameMessages({{"The Wine " + wine + " cannot be started in " +
                                   QString::fromStdString(root.string()) + ": " + updates + ".",
                               48, "Windows Root"}}));

        w->mnuRootOwnWine_Click();
        QVERIFY(RootWine::chosen(root).empty());
        emit w->mnuRoots->aboutToShow();
        QVERIFY(!w->mnuRoots->findChild<QAction*>(QStringLiteral("mnuRootOwnWine"))->isEnabled());
        QCOMPARE(captions(w->mnuRoots).at(0),
                 "[x] " + rootText + QStringLiteral(" \u2014 wine=") + wine + ", cannot drive: " + updates);
        fs::remove(root / ".update-timestamp");
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
