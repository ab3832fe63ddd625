// Archives dropped on the main window, and the progress of long installs with its Cancel.

#include "ScopedHook.h"
#include "frmMainTestSupport.h"

#include "app/archive/ArchiveBuilder.h"
#include "app/style/StyleFileBuilder.h"
#include "archive/ArchiveExtractor.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <thread>
#include <unistd.h>

using namespace testing_support;
using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

Message cancelled() {
    return {QStringLiteral("The installation was cancelled; nothing was changed."), 64,
            QStringLiteral("Quorlin Visual Style Manager")};
}

Message unzipError(int code) {
    return {QStringLiteral("An error has occurred during unzipping. Error Code: ") + QString::number(code),
            16, QStringLiteral("Error unzipping")};
}

// Sends what a desktop sends when files are dragged over the window and let go; whether
// the window took the drag.
bool dropFiles(frmMain& window, const QList<fs::path>& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& file : files)
        urls.append(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    data.setUrls(urls);
    const QPoint at(300, 200);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    // The install runs once the drop has been handed back.
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

// A disk slow enough that an archive of a few hundred small entries takes seconds on any
// machine, so the progress dialog is sure to come up before the end.
ssize_t slowWrite(int fd, const void* data, std::size_t size) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ::write(fd, data, size);
}

std::vector<ArchiveEntry> manyEntries(const std::string& style, int count) {
    std::vector<ArchiveEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(
            fileEntry(style + "/part" + std::to_string(1000 + i) + ".bin", randomBytes(8192, unsigned(i))));
    return entries;
}

// The files below a folder, and whether any is an extraction's temporary.
std::vector<std::string> filesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const std::string& p : tree(folder)) {
        if (p.back() != '/')
            files.push_back(p);
    }
    return files;
}

// What the progress dialog showed when the test pressed Cancel.
struct Seen {
    bool shown = false;
    QString archive;
    QString done;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    qint64 entriesDone = -1;
};

// Watches for the progress dialog while an install runs and presses its Cancel button
// as soon as it shows.
class Canceller : public QObject {
public:
    Seen seen;
    Canceller() {
        connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
        m_timer.start(20);
    }

private:
    void look() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() != QLatin1String("InstallProgress") || !window->isVisible() ||
                seen.shown)
                continue;
            seen.shown = true;
            seen.archive = window->findChild<QLabel*>(QStringLiteral("lblArchive"))->text();
            seen.done = window->findChild<QLabel*>(QStringLiteral("lblDone"))->text();
            if (QApplication::overrideCursor())
                seen.pointer = QApplication::overrideCursor()->shape();
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^(\\d+) of ")).match(seen.done);
            if (m.hasMatch())
                seen.entriesDone = m.captured(1).toLongLong();
            window->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            m_timer.stop();
        }
    }
    QTimer m_timer;
};

} // namespace

class tst_frmMainDrop : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainFixture> m_fx;

    fs::path archivePath(const std::string& name) const { return m_fx->root->root() / "downloads" / name; }

    // Counts the times the list is filled anew.
    static void countRefreshes(frmMain& window, int& counter) {
        QObject::connect(window.lstVS->model(), &QAbstractItemModel::modelReset, [&counter] { ++counter; });
    }

private slots:
    void init() {
        m_fx = std::make_unique<MainFixture>();
        fs::create_directories(m_fx->root->root() / "downloads");
    }
    void cleanup() { m_fx.reset(); }

    void droppedArchivesInstallLikeInstallAndRefreshOnce() {
        m_fx->addStyle("Luna");
        writeArchive(archivePath("Zest.zip"), {fileEntry("Zest/Zest.msstyles", "z")});
        // Not an archive inside, though named as one: the extraction says so, as for Install.
        std::ofstream(archivePath("broken.zip")) << "not an archive";
        writeArchive(archivePath("Aqua.7z"), {folderEntry("Aqua/"), fileEntry("Aqua/Aqua.msstyles", "a")},
                     ArchiveFormat("7zip"));
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        int refreshes = 0;
        countRefreshes(*w, refreshes);

        QVERIFY(dropFiles(*w, {archivePath("Zest.zip"), archivePath("broken.zip"), archivePath("Aqua.7z")}));
        QVERIFY(sameMessages({unzipError(9)}));
        QCOMPARE(readFile(m_fx->themes() / "Zest/Zest.msstyles"), std::string("z"));
        QCOMPARE(readFile(m_fx->themes() / "Aqua/Aqua.msstyles"), std::string("a"));
        QCOMPARE(refreshes, 1);
        QCOMPARE(items(w->lstVS), toList(m_fx->expectedCatalogue()));
        QCOMPARE(items(w->lstVS).size(), 3);
    }

    void anArchiveNamedInLatin1InstallsByItsBytes() {
        // A desktop hands over such a name percent-encoded, byte by byte.
        const fs::path archive = archivePath("caf\xe9.zip");
        writeArchive(archive, {fileEntry("Cafe/Cafe.msstyles", "c")});
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        QMimeData data;
        data.setUrls({QUrl::fromEncoded(QByteArrayLiteral("file://") +
                                        QByteArray::fromStdString(archive.string()).toPercentEncoding("/"))});
        const QPoint at(300, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &drop);
        QCoreApplication::processEvents();
        QVERIFY(sameMessages({}));
        QCOMPARE(readFile(m_fx->themes() / "Cafe/Cafe.msstyles"), std::string("c"));
    }

    void anythingElseIsRefusedAndNothingInstalled() {
        m_fx->addStyle("Luna");
        writeArchive(archivePath("Zest.zip"), {fileEntry("Zest/Zest.msstyles", "z")});
        std::ofstream(archivePath("notes.txt")) << "notes";
        fs::create_directories(archivePath("Blue"));
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        int refreshes = 0;
        countRefreshes(*w, refreshes);

        QVERIFY(dropFiles(*w, {archivePath("Zest.zip"), archivePath("notes.txt"), archivePath("Blue")}));
        QVERIFY(sameMessages(
            {{QStringLiteral("Only archives (ZIP, 7z, RAR or tar files) and style files (.msstyles) "
                             "can be dropped here to install the visual styles they hold. Not an "
                             "archive or a style file: notes.txt, Blue. Nothing was installed."),
              48, QStringLiteral("Quorlin Visual Style Manager")}}));
        QVERIFY(!fs::exists(m_fx->themes() / "Zest"));
        QCOMPARE(refreshes, 0);

        // Dragged text that names no file is not taken at all.
        QMimeData text;
        text.setText(QStringLiteral("Zest.zip"));
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    // A style file on its own is a style: installed as Themes\<name>\<file> once the style
    // reader accepts it, dropped or given to Install ("All files"); one it refuses is
    // refused with its reason, and nothing is written.
    void aBareStyleFileIsInstalledAsItsOwnStyle() {
        const std::string light = testing_support::styleFile({u"Blue"}, {u"NormalSize"});
        writeFile(archivePath("light.msstyles"), light);
        writeFile(archivePath("Broken.msstyles"), "MZ but nothing a style holds");
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        UiServices::resetScript();

        QVERIFY(dropFiles(*w, {archivePath("light.msstyles")}));
        QVERIFY(sameMessages({}));
        QCOMPARE(readFile(m_fx->themes() / "light" / "light.msstyles"), light);
        QCOMPARE(filesBelow(m_fx->themes()),
                 std::vector<std::string>({"Luna/Luna.msstyles", "light/light.msstyles"}));
        QCOMPARE(items(w->lstVS), QStringList({"light", "Luna"}));

        // Into the folder of that name, whatever its case, replacing its file under the
        // file's own spelling, as Windows replaces a file.
        const std::string newer = testing_support::styleFile({u"Blue", u"Olive"}, {u"NormalSize"});
        writeFile(archivePath("LUNA.msstyles"), newer);
        UiServices::setNextFileName(QString::fromStdString(archivePath("LUNA.msstyles").string()));
        w->cmdInst_Click();
        QVERIFY(sameMessages({}));
        QCOMPARE(UiServices::fileDialogs().constLast().filter,
                 QStringLiteral("Zip compressed files (*.zip)|*.zip|All files (*.*)|*.*"));
        QCOMPARE(filesBelow(m_fx->themes()),
                 std::vector<std::string>({"Luna/Luna.msstyles", "light/light.msstyles"}));
        QCOMPARE(readFile(m_fx->themes() / "Luna" / "Luna.msstyles"), newer);

        const auto before = filesBelow(m_fx->themes());
        UiServices::setNextFileName(QString::fromStdString(archivePath("Broken.msstyles").string()));
        w->cmdInst_Click();
        QVERIFY(sameMessages(
            {{QStringLiteral("The file Broken.msstyles was not installed: it is no visual style that "
                             "Wine's theme service can load (the file cannot be read). Nothing was "
                             "written."),
              48, QStringLiteral("Install VS")}}));
        QCOMPARE(filesBelow(m_fx->themes()), before);
        QVERIFY(!fs::exists(m_fx->themes() / "Broken"));
    }

    void aLongInstallShowsItsProgressAndCancelLeavesTheStylesAsTheyWere() {
        const int count = 300;
        // The archive replaces a file of a style the user has, first thing.
        std::vector<ArchiveEntry> entries = {fileEntry("Luna/Luna.msstyles", "the archive's")};
        for (const ArchiveEntry& entry : manyEntries("Big", count))
            entries.push_back(entry);
        writeArchive(archivePath("Big.zip"), entries);
        m_fx->addStyle("Luna", "Luna.msstyles");
        writeFile(m_fx->themes() / "Luna/Luna.msstyles", "the user's");
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        const ScopedHook slowDisk(&ArchiveExtractor::setWriteFunction, &slowWrite);
        UiServices::setNextFileName(QString::fromStdString(archivePath("Big.zip").string()));

        Canceller canceller;
        w->cmdInst_Click();

        // The window's events flowed while it ran: the watcher saw the dialog and pressed
        // Cancel, under the busy pointer.
        const Seen& seen = canceller.seen;
        QVERIFY(seen.shown);
        QCOMPARE(seen.archive, QStringLiteral("Installing Big.zip"));
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d+ of 301 entries, .+ of .+$")).match(seen.done).hasMatch(),
            qPrintable(seen.done));
        QCOMPARE(seen.pointer, Qt::BusyCursor);
        QVERIFY(seen.entriesDone >= 1);

        // Cancel is the user's choice, said as such; the styles are as they were before.
        QVERIFY(sameMessages({cancelled()}));
        QCOMPARE(filesBelow(m_fx->themes()), std::vector<std::string>({"Luna/Luna.msstyles"}));
        QCOMPARE(readFile(m_fx->themes() / "Luna/Luna.msstyles"), std::string("the user's"));
        // The dialog and the busy pointer are gone.
        QVERIFY(!QApplication::overrideCursor());
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(window->objectName() != QLatin1String("InstallProgress"));
    }

    void cancellingOneOfSeveralDroppedArchivesStopsTheRun() {
        writeArchive(archivePath("Big.zip"), manyEntries("Big", 300));
        writeArchive(archivePath("Zest.zip"), {fileEntry("Zest/Zest.msstyles", "z")});
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        int refreshes = 0;
        countRefreshes(*w, refreshes);
        const ScopedHook slowDisk(&ArchiveExtractor::setWriteFunction, &slowWrite);

        Canceller canceller;
        QVERIFY(dropFiles(*w, {archivePath("Big.zip"), archivePath("Zest.zip")}));
        QVERIFY(canceller.seen.shown);
        QCOMPARE(canceller.seen.archive, QStringLiteral("Installing Big.zip (1 of 2)"));
        // Nothing is installed, and the refreshed list says so.
        QVERIFY(sameMessages({cancelled(), noStylesMessage()}));
        QVERIFY(!fs::exists(m_fx->themes() / "Zest"));
        QVERIFY(!fs::exists(m_fx->themes() / "Big"));
        QCOMPARE(refreshes, 1);
        QCOMPARE(items(w->lstVS), QStringList({"(NO VS installed)"}));
    }
};

QTEST_MAIN(tst_frmMainDrop)
#include "tst_frmMainDrop.moc"
