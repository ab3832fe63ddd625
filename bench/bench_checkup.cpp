// The checkup tool: a scan of a themes folder of many styles against a raw loop doing
// the same five checks with stat, and the log save of many lines against one fwrite of
// the same bytes. The one-second pause of each (DelayExecution) is measured apart and
// left out of the ratios.
//
//   bench_checkup [styles] [lines] [runs]     (defaults: 10000 styles, 100000 lines, 3 runs)
//
// Runs offscreen. The data lives in a temporary Windows root under $TMPDIR (default
// /tmp), removed at the end.
#include "checkup/frmCleanUp.h"

#include "common/UiServices.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using quorlin::UiServices;

namespace {

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void touch(const fs::path& p) {
    std::ofstream(p, std::ios::binary) << "x";
}

// What the scan asks of the file system, done as directly as it can be done: the
// folder list, then five stats per style.
size_t rawScan(const fs::path& themes) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(themes.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat st {};
            if (::stat((themes / name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                names.push_back(name);
        }
        ::closedir(dir);
    }
    size_t found = 0;
    for (const auto& name : names) {
        const fs::path folder = themes / name;
        struct stat st {};
        found += ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        found += ::stat((folder / "Shell").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        found += ::stat((folder / "style.msstyles").c_str(), &st) == 0;
        found += ::stat((folder / "readme.txt").c_str(), &st) == 0;
        found += ::stat((folder / "preview.jpg").c_str(), &st) == 0;
    }
    return found;
}

} // namespace

int main(int argc, char** argv) {
    const int styles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int lines = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    const char* tmp = std::getenv("TMPDIR");
    std::string rootText = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-XXXXXX";
    if (!::mkdtemp(rootText.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = rootText;
    const fs::path themes = root / "drive_c" / "windows" / "Resources" / "Themes";
    fs::create_directories(themes);
    fs::create_directories(root / "dosdevices");
    fs::create_directory_symlink("../drive_c", root / "dosdevices" / "c:");
    ::setenv("WINEPREFIX", root.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

    // Every fourth style lacks its preview, so the list holds warnings as well.
    char name[32];
    for (int i = 0; i < styles; ++i) {
        std::snprintf(name, sizeof name, "Style%05d", i);
        const fs::path folder = themes / name;
        fs::create_directories(folder / "Shell");
        touch(folder / "style.msstyles");
        touch(folder / "readme.txt");
        if (i % 4)
            touch(folder / "preview.jpg");
    }

    QApplication app(argc, argv);
    UiServices::setScripted(true);

    std::vector<double> raw, scan, scanPause, fwriteMs, save, savePause;
    const fs::path logPath = root / "checkup.log";
    const fs::path rawPath = root / "raw.log";
    for (int run = 0; run < runs; ++run) {
        auto t0 = Clock::now();
        const size_t found = rawScan(themes);
        raw.push_back(msSince(t0));

        frmCleanUp window;
        window.show();
        // The clock is read by the scan at its start and end and by the pause in
        // between (the save reads it only in its pause): the readings' own times give
        // the pause without touching the loops.
        std::vector<Clock::time_point> readings;
        platform::setSecondsSinceMidnightSourceForTests([&readings] {
            readings.push_back(Clock::now());
            const auto now = std::chrono::system_clock::now();
            const std::time_t t = std::chrono::system_clock::to_time_t(now);
            std::tm local{};
            localtime_r(&t, &local);
            const double fraction =
                std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(t)).count();
            return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
        });
        auto pauseOf = [&readings](size_t first, size_t last) {
            return readings.size() > last ? std::chrono::duration<double, std::milli>(
                                                readings[readings.size() - 1 - last] - readings[first])
                                                .count()
                                          : 0.0;
        };
        t0 = Clock::now();
        window.cmdChk_Click();
        const double total = msSince(t0);
        double pause = pauseOf(1, 1);
        scan.push_back(total - pause);
        scanPause.push_back(pause);
        if (run == 0)
            std::printf("scan: %d list lines, raw loop found %zu parts\n", window.lstErrors->count(), found);

        // The save: the list is replaced by `lines` lines of the scan's kind.
        window.lstErrors->clear();
        QStringList items;
        for (int i = 0; i < lines; ++i)
            items << QStringLiteral(
                         "Message: Scanning of Style%1 resulted in no errors found. This VS is safe "
                         "for usage.")
                         .arg(i, 5, 10, QLatin1Char('0'));
        window.lstErrors->addItems(items);
        // The user has seen the list before saving it.
        QCoreApplication::processEvents();

        std::string bytes;
        for (const QString& item : items)
            bytes += item.toStdString() + "\r\n";
        t0 = Clock::now();
        if (FILE* f = std::fopen(rawPath.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        fwriteMs.push_back(msSince(t0));

        readings.clear();
        UiServices::setNextFileName(QString::fromStdString(logPath.string()));
        t0 = Clock::now();
        window.cmdSave_Click();
        pause = pauseOf(0, 0);
        const double saveTotal = msSince(t0);
        save.push_back(saveTotal - pause);
        savePause.push_back(pause);
    }

    const double r = median(raw), s = median(scan), f = median(fwriteMs), v = median(save);
    std::printf("scan of %d styles: %.1f ms (pause %.0f ms apart), raw stat loop %.1f ms, ratio %.2f\n",
                styles, s, median(scanPause), r, s / r);
    std::printf("save of %d lines: %.1f ms (pause %.0f ms apart), fwrite %.1f ms, ratio %.2f\n", lines, v,
                median(savePause), f, v / f);

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
