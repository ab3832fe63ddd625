// Catalogue refresh: the main window's Refresh command on a themes folder of many style
// folders, against a raw readdir + fstatat loop over the same folder, run by run.
//
//   bench_catalogue [runs] [counts]     (defaults: 7 runs, counts 1000,10000,50000)
//
// Runs offscreen. Each count gets a fresh temporary Windows root under $TMPDIR.
#include "BenchSupport.h"

#include "commands/mdlMainControl.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "mainwindow/frmMain.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QListWidget>

using namespace bench;

namespace {

// The main window without the desktop's tray, as the offscreen platform has none.
class BenchMain : public frmMain {
protected:
    bool trayAvailable() const override { return false; }
    void endProgram() override {}
};

// The Refresh's own parts on their own, to show where its time goes: the listing, the
// listing with the platform's folder test, and with that test called as the window
// calls it (through the utility control's late binding).
void breakdown(int styles, int runs) {
    const QString themes = mdlMain::themesDirectory();
    const std::string pattern = themes.toStdString();
    std::vector<double> listing, platformTest, controlTest;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        {
            platform::DirectoryListing entries(pattern, 16);
            while (entries.next()) {
            }
        }
        listing.push_back(msSince(start));
        start = Clock::now();
        {
            platform::DirectoryListing entries(pattern, 16);
            while (const auto name = entries.next())
                platform::isEnterableDirectory(pattern + *name + "\\");
        }
        platformTest.push_back(msSince(start));
        start = Clock::now();
        {
            platform::DirectoryListing entries(pattern, 16);
            while (const auto name = entries.next())
                mdlMain::ChkPathExist(themes + QString::fromStdString(*name) + QLatin1Char('\\'));
        }
        controlTest.push_back(msSince(start));
    }
    std::printf("  parts for %d styles: listing %.2f ms, + isEnterableDirectory %.2f ms, + ChkPathExist "
                "through the control %.2f ms\n",
                styles, median(listing), median(platformTest), median(controlTest));
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    const std::vector<int> sizes = counts(argc > 2 ? argv[2] : nullptr, {1000, 10000, 50000});
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    quorlin::UiServices::setScripted(true);

    std::vector<std::pair<int, double>> grown;
    for (const int styles : sizes) {
        TempRoot root;
        char name[32];
        for (int i = 0; i < styles; ++i) {
            std::snprintf(name, sizeof name, "Style %05d", i);
            fs::create_directory(root.themes() / name);
        }
        // Loose files lie there as well; they are no styles.
        touch(root.themes() / "readme.txt");
        touch(root.themes() / "notes.log");

        BenchMain window;
        window.show();
        QCoreApplication::processEvents();
        // A first Refresh fills the list, so each timed one clears a full list first, as
        // pressing F5 does.
        window.cmdRefresh_Click();
        const size_t rawFolders = rawFolderCount(root.themes());
        if (window.lstVS->count() != styles || rawFolders != size_t(styles) + 2) {
            std::fprintf(stderr, "mismatch: %d styles, list %d, raw loop %zu folders\n", styles,
                         window.lstVS->count(), rawFolders);
            return 1;
        }

        std::vector<double> ours, raw;
        for (int run = 0; run < runs; ++run) {
            // Alternate who goes first, so neither always gets the warmer cache.
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (run % 2 == 0)) {
                    const auto start = Clock::now();
                    window.cmdRefresh_Click();
                    ours.push_back(msSince(start));
                } else {
                    const auto start = Clock::now();
                    rawFolderCount(root.themes());
                    raw.push_back(msSince(start));
                }
            }
            QCoreApplication::processEvents();
        }
        const double o = median(ours), r = median(raw), ratio = pairedRatio(ours, raw);
        std::printf(
            "refresh of %d styles: %.2f ms, readdir+fstatat %.2f ms, ratio %.2f (median of %d pairs)\n",
            styles, o, r, ratio, runs);
        result("Catalogue refresh (`cmdRefresh_Click`)", std::to_string(styles) + " style folders",
               milliseconds(o), milliseconds(r) + " readdir+fstatat", format("%.2fx", ratio), "<= 2x");
        breakdown(styles, runs);
        grown.emplace_back(styles, o);
    }
    growth("Catalogue refresh", "styles", grown);
    return 0;
}
