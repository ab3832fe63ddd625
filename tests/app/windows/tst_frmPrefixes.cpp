// The style chosen in the main window carried into other prefixes: File, Windows Root,
// "Apply to other prefixes...", the prefixes a user's launchers keep listed with their
// Wine, the ones checked run by the program itself, and Cancel leaving those not started
// untouched; "Install to other prefixes..." carrying one archive into each.

#include "mainwindow/frmMainTestSupport.h"

#include "app/archive/ArchiveBuilder.h"
#include "app/style/StyleFileBuilder.h"
#include "commands/PrefixJobs.h"
#include "platform/linux/EnvGuard.h"
#include "platform/linux/wine/FakeWine.h"
#include "windows/frmPrefixes.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>

#include <fstream>

using namespace testing_support;
using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

fs::path makePrefix(const fs::path& folder) {
    fs::create_directories(folder / "drive_c/windows/Resources/Themes");
    fs::create_directories(folder / "dosdevices");
    fs::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:");
    write(folder / "system.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
    write(folder / "drive_c/windows/system32/uxtheme.dll", "MZ");
    return folder;
}

// A home of the test's own, so that the prefixes found are the ones it lays out.
struct ScratchHome {
    QTemporaryDir dir;
    fs::path scratch = dir.path().toStdString();
    fs::path home = scratch / "home";
    EnvGuard homeVar{"HOME", home.c_str()};
    EnvGuard configVar{"XDG_CONFIG_HOME", (home / ".config").c_str()};
    EnvGuard dataVar{"XDG_DATA_HOME", (home / ".local/share").c_str()};
};

QStringList column(const QTableWidget* table, int col) {
    QStringList out;
    for (int row = 0; row < table->rowCount(); ++row)
        out.append(table->item(row, col)->text());
    return out;
}

} // namespace

class tst_frmPrefixes : public QObject {
    Q_OBJECT

private slots:
    void init() {
        UiServices::setScripted(true);
        UiServices::resetScript();
        PrefixJobs::setProgram(QStringLiteral(KOLVMGR_PROGRAM));
    }
    void cleanup() {
        UiServices::setModalHandler({});
        PrefixJobs::setParallelRuns(0);
    }

    void theCheckedPrefixesTakeTheStyleInTheWindowsSchemeAndCancelStartsNoMore() {
        MainFixture fx;
        const ScratchHome at;
        const fs::path& scratch = at.scratch;
        const fs::path& home = at.home;
        // A Lutris game's prefix with a server of the stand-in's build running, and a
        // bottle, both made by the stand-in Wine; a Steam game's whose Proton is gone.
        const fs::path lutris = makePrefix(home / "Games/witcher");
        write(home / ".local/share/lutris/games/witcher-1.yml", "game:\n  prefix: " + lutris.string() + "\n");
        FakeWine wine(lutris, scratch / "wine", {true, nullptr});
        const fs::path bottle = makePrefix(home / ".local/share/bottles/bottles/Games");
        madeByWineIn(bottle, wine.build() / "bin");
        const fs::path apps = home / ".steam/steam/steamapps";
        const fs::path steam = makePrefix(apps / "compatdata/220/pfx");
        write(apps / "appmanifest_220.acf",
              "\"AppState\"\n{\n\t\"appid\"\t\"220\"\n\t\"name\"\t\"Half-Life 2\"\n}\n");
        const fs::path proton = apps / "common/Proton 8.0";
        write(apps / "compatdata/220/config_info",
              "8.0-104\n" + (proton / "files/share/fonts/").string() + "\n");
        const std::string style = styleFile({u"Blue", u"Silver"}, {u"Normal"});
        for (const fs::path& root : {fx.root->root(), lutris, bottle, steam})
            write(root / "drive_c/windows/Resources/Themes/Royale/Royale.msstyles", style);

        auto window = fx.loadWindow();
        select(*window, QStringLiteral("Royale"));
        window->cboColor->setCurrentIndex(window->cboColor->findData(QStringLiteral("Silver")));
        window->mnuRoots_AboutToShow();
        QAction* applyOthers = window->mnuRoots->findChild<QAction*>(QStringLiteral("mnuApplyToPrefixes"));
        QVERIFY(applyOthers);
        QCOMPARE(applyOthers->text(), QStringLiteral("Apply to other prefixes..."));

        const QString gone = QStringLiteral("the Wine ") + QString::fromStdString(proton.string()) +
                             QStringLiteral("/files/bin/wine named in ") +
                             QString::fromStdString((apps / "compatdata/220/config_info").string()) +
                             QStringLiteral(" is not there");
        QStringList names, wines, running, outcomes;
        QString what;
        UiServices::setModalHandler([&](QWidget* shown) {
            auto* dialog = qobject_cast<frmPrefixes*>(shown);
            QVERIFY(dialog);
            QTableWidget* table = dialog->lstPrefixes;
            names = column(table, frmPrefixes::ColPrefix);
            wines = column(table, frmPrefixes::ColWine);
            running = column(table, frmPrefixes::ColRunning);
            // The game's and the bottle's, not the Steam game's.
            table->item(names.indexOf(QStringLiteral("Lutris: witcher")), 0)->setCheckState(Qt::Checked);
            table->item(names.indexOf(QStringLiteral("Steam: Half-Life 2")), 0)->setCheckState(Qt::Checked);
            dialog->cmdStart->click();
            QTRY_VERIFY_WITH_TIMEOUT(dialog->isFinished(), 60000);
            outcomes = column(table, frmPrefixes::ColOutcome);
            what = dialog->lblWhat->text();
            QCOMPARE(dialog->cmdCancel->text(), QStringLiteral("&Close"));
            QSignalSpy closed(dialog, &QDialog::rejected);
            dialog->cmdCancel->click();
            QCOMPARE(closed.count(), 1);
        });
        applyOthers->trigger();

        QCOMPARE(what, QStringLiteral("Apply the visual style Royale, colour scheme Silver, in each prefix "
                                      "checked (it must be installed there):\nFinished: 1 of 2 applied."));
        QCOMPARE(names, QStringList({QStringLiteral("Bottles: Games"), QStringLiteral("Lutris: witcher"),
                                     QStringLiteral("Steam: Half-Life 2")}));
        QCOMPARE(wines,
                 QStringList({QStringLiteral("system"), QStringLiteral("system"),
                              QStringLiteral("Proton 8.0 (cannot drive: ") + gone + QLatin1Char(')')}));
        QCOMPARE(running, QStringList({QStringLiteral("no"), QStringLiteral("yes"), QStringLiteral("no")}));
        QCOMPARE(outcomes,
                 QStringList({QString(), QStringLiteral("applied"),
                              QStringLiteral("skipped: no Wine of its own may be started in it: ") + gone}));
        const std::string call =
            "[" + wine.themeProgram("x86_64") +
            "] [apply] <%systemroot%\\Resources\\Themes\\Royale\\Royale.msstyles> <Silver> "
            "<Normal>";
        QCOMPARE(wine.programCalls(),
                 std::vector<std::string>({"WINEPREFIX=" + lutris.string() + " " + call}));

        // One at a time, and Cancel as soon as the first has started: the second prefix
        // is never touched, the first finishes.
        PrefixJobs::setParallelRuns(1);
        wine.also("sleep 1");
        UiServices::setModalHandler([&](QWidget* shown) {
            auto* dialog = qobject_cast<frmPrefixes*>(shown);
            QVERIFY(dialog);
            QTableWidget* table = dialog->lstPrefixes;
            table->item(0, 0)->setCheckState(Qt::Checked);
            table->item(1, 0)->setCheckState(Qt::Checked);
            dialog->cmdStart->click();
            QCOMPARE(dialog->cmdCancel->text(), QStringLiteral("&Cancel"));
            QSignalSpy closed(dialog, &QDialog::rejected);
            dialog->cmdCancel->click();
            QVERIFY(!dialog->isFinished());
            // Neither Escape nor the close button takes the window from the run going.
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(!dialog->close());
            QCOMPARE(closed.count(), 0);
            QTRY_VERIFY_WITH_TIMEOUT(dialog->isFinished(), 60000);
            outcomes = column(table, frmPrefixes::ColOutcome);
            QTest::keyClick(dialog, Qt::Key_Escape);
            QCOMPARE(closed.count(), 1);
        });
        applyOthers->trigger();
        QCOMPARE(outcomes, QStringList({QStringLiteral("applied"), QStringLiteral("not started: cancelled"),
                                        QString()}));
        QCOMPARE(wine.programCalls().size(), size_t(2));
        QCOMPARE(wine.programCalls().back(), "WINEPREFIX=" + bottle.string() + " " + call);
    }

    void installReadsTheArchiveOnceForEveryPrefixChecked() {
        MainFixture fx;
        const ScratchHome at;
        const fs::path& scratch = at.scratch;
        const fs::path& home = at.home;
        // Two prefixes; the bottle's themes folder is yet to be made.
        const fs::path dotWine = makePrefix(home / ".wine");
        const fs::path bottle = makePrefix(home / ".local/share/bottles/bottles/Games");
        fs::remove_all(bottle / "drive_c/windows/Resources");
        const fs::path archive = scratch / "royale.zip";
        const std::string style = styleFile({u"Blue"}, {u"Normal"});
        writeArchive(archive, {fileEntry("Royale/Royale.msstyles", style)});

        auto window = fx.loadWindow();
        window->mnuRoots_AboutToShow();
        QAction* installOthers =
            window->mnuRoots->findChild<QAction*>(QStringLiteral("mnuInstallToPrefixes"));
        QVERIFY(installOthers);
        QCOMPARE(installOthers->text(), QStringLiteral("Install to other prefixes..."));
        UiServices::setNextFileName(QString::fromStdString(archive.string()));

        // One prefix at a time, and the archive replaced by another as soon as Start is
        // pressed: each prefix still gets what was there when it was pressed.
        PrefixJobs::setParallelRuns(1);
        QStringList names, outcomes;
        QString what;
        UiServices::setModalHandler([&](QWidget* shown) {
            auto* dialog = qobject_cast<frmPrefixes*>(shown);
            QVERIFY(dialog);
            QTableWidget* table = dialog->lstPrefixes;
            names = column(table, frmPrefixes::ColPrefix);
            for (int row = 0; row < table->rowCount(); ++row)
                table->item(row, 0)->setCheckState(Qt::Checked);
            dialog->cmdStart->click();
            writeArchive(archive, {fileEntry("Other/Other.msstyles", style)});
            QTRY_VERIFY_WITH_TIMEOUT(dialog->isFinished(), 60000);
            outcomes = column(table, frmPrefixes::ColOutcome);
            what = dialog->lblWhat->text();
            dialog->cmdCancel->click();
        });
        installOthers->trigger();

        QCOMPARE(UiServices::fileDialogs().size(), 1);
        QCOMPARE(UiServices::fileDialogs().front().title,
                 QStringLiteral("Install Visual Style from downloaded ZIP file"));
        QCOMPARE(names, QStringList({QStringLiteral("Wine: ~/.wine"), QStringLiteral("Bottles: Games")}));
        QCOMPARE(outcomes, QStringList({QStringLiteral("installed"), QStringLiteral("installed")}));
        QCOMPARE(what, QStringLiteral("Install the visual styles of ") +
                           QString::fromStdString(archive.string()) +
                           QStringLiteral(" in each prefix checked:\nFinished: 2 of 2 installed."));
        for (const fs::path& root : {dotWine, bottle}) {
            const fs::path themes = root / "drive_c/windows/Resources/Themes";
            QVERIFY2(fs::exists(themes / "Royale/Royale.msstyles"), root.c_str());
            QVERIFY2(!fs::exists(themes / "Other"), root.c_str());
        }
    }
};

QTEST_MAIN(tst_frmPrefixes)
#include "tst_frmPrefixes.moc"
