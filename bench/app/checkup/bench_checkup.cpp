// The checkup tool: a scan of a themes folder of many styles against a raw loop doing
// the same five checks with stat, and the log save of many lines against one fwrite of
// the same bytes. The one-second pause of each (DelayExecution) is measured apart and
// left out of the ratios.
//
//   bench_checkup [runs] [style counts] [line counts]
//       (defaults: 5 runs, styles 1000,10000,50000, lines 1000,10000,50000,100000)
//
// Runs offscreen. Each style count gets a fresh temporary Windows root under $TMPDIR.
#include "BenchSupport.h"

#include "checkup/frmCleanUp.h"
#include "common/UiServices.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QListWidget>

#include <cmath>
#include <ctime>

using namespace bench;
using quorlin::UiServices;

namespace {

// What the scan asks of the file system, done as directly as it can be done: the
// folder list, then five stats per style.
size_t rawScan(const fs::path& themes) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(themes.c_str())) {
        const int fd = ::dirfd(dir);
        while (const dirent* e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            struct stat st {};
            if (::fstatat(fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
                names.push_back(e->d_name);
        }
        ::closedir(dir);
    }
    size_t found = 0;
    std::string path;
    for (const auto& name : names) {
        const std::string folder = themes.native() + "/" + name + "/";
        struct stat st {};
        found += ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        found += ::stat((folder + "Shell").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        found += ::stat((folder + "style.msstyles").c_str(), &st) == 0;
        found += ::stat((folder + "readme.txt").c_str(), &st) == 0;
        found += ::stat((folder + "preview.jpg").c_str(), &st) == 0;
    }
    return found;
}

// The clock the checkup reads, with the moment of each reading kept: the pause's first
// and last readings bound it, so it can be taken out of the total exactly.
std::vector<Clock::time_point>& readings() {
    static std::vector<Clock::time_point> moments;
    return moments;
}

void recordClockReadings() {
    platform::setSecondsSinceMidnightSourceForTests([] {
        readings().push_back(Clock::now());
        const auto now = std::chrono::system_clock::now();
        const std::time_t t = std::chrono::system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&t, &local);
        const double fraction =
            std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(t)).count();
        return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
    });
}

// The time between the first reading after `skipFirst` and the last before `skipLast`.
double pauseMs(size_t skipFirst, size_t skipLast) {
    const auto& r = readings();
    if (r.size() <= skipFirst + skipLast)
        return 0;
    return std::chrono::duration<double, std::milli>(r[r.size() - 1 - skipLast] - r[skipFirst]).count();
}

void makeStyles(const fs::path& themes, int styles) {
    // Every fourth style lacks its preview and every tenth its Shell folder, so the list
    // holds errors and warnings as well as verdicts.
    char name[32];
    for (int i = 0; i < styles; ++i) {
        std::snprintf(name, sizeof name, "Style%05d", i);
        const fs::path folder = themes / name;
        fs::create_directories(folder);
        if (i % 10)
            fs::create_directory(folder / "Shell");
        touch(folder / "style.msstyles");
        touch(folder / "readme.txt");
        if (i % 4)
            touch(folder / "preview.jpg");
    }
    touch(themes / "stray.txt");
}

void benchScan(int styles, int runs, std::vector<std::pair<int, double>>& grown) {
    TempRoot root;
    makeStyles(root.themes(), styles);
    frmCleanUp window;
    window.show();
    QCoreApplication::processEvents();

    std::vector<double> raw, scan, pause;
    size_t found = 0;
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (run % 2 == 0)) {
                const auto start = Clock::now();
                found = rawScan(root.themes());
                raw.push_back(msSince(start));
            } else {
                // The scan reads the clock at its start, in its pause and at its end.
                readings().clear();
                const auto start = Clock::now();
                window.cmdChk_Click();
                const double total = msSince(start);
                const double p = pauseMs(1, 1);
                scan.push_back(total - p);
                pause.push_back(p);
            }
        }
    }
    const double s = median(scan), r = median(raw), ratio = pairedRatio(scan, raw);
    std::printf(
        "scan of %d styles: %d list lines, raw loop found %zu parts; %.1f ms + pause %.0f ms, raw %.1f "
        "ms, ratio %.2f\n",
        styles, window.lstErrors->count(), found, s, median(pause), r, ratio);
    result("Checkup scan (`cmdChk_Click`), pause apart", std::to_string(styles) + " styles (3/4 complete)",
           milliseconds(s) + " + pause " + milliseconds(median(pause)), milliseconds(r) + " 5-stat loop",
           format("%.2fx", ratio), "<= 3x + pause");
    grown.emplace_back(styles, s);
}

void benchSave(int lines, int runs, std::vector<std::pair<int, double>>& grown) {
    TempRoot root;
    frmCleanUp window;
    window.show();
    QStringList items;
    for (int i = 0; i < lines; ++i)
        items << QStringLiteral(
                     "Message: Scanning of Style%1 resulted in no errors found. This VS is safe for usage.")
                     .arg(i, 5, 10, QLatin1Char('0'));
    window.lstErrors->addItems(items);
    // The user has seen the list before saving it.
    QCoreApplication::processEvents();

    // The same bytes the log holds, written the plainest way.
    std::string bytes =
        "[Quorlin Visual Style Manager] Checkup Tool Log File\r\n[DateTime] 1/1/2024 12:00:00 "
        "PM\r\n" +
        std::string(68, '-') + "\r\n";
    for (const QString& item : items)
        bytes += item.toStdString() + "\r\n";
    bytes += std::string(68, '-') +
             "\r\n[Quorlin Visual Style Manager] Checkup Tool Log File [End of log file]\r\n";
    const fs::path logPath = root.root() / "checkup.log";
    const fs::path rawPath = root.root() / "raw.log";

    std::vector<double> raw, save, pause;
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (run % 2 == 0)) {
                const auto start = Clock::now();
                if (FILE* f = std::fopen(rawPath.c_str(), "wb")) {
                    std::fwrite(bytes.data(), 1, bytes.size(), f);
                    std::fclose(f);
                }
                raw.push_back(msSince(start));
            } else {
                // The save reads the clock only in its pause.
                readings().clear();
                UiServices::setNextFileName(QString::fromStdString(logPath.string()));
                const auto start = Clock::now();
                window.cmdSave_Click();
                const double total = msSince(start);
                const double p = pauseMs(0, 0);
                save.push_back(total - p);
                pause.push_back(p);
            }
        }
    }
    std::error_code ec;
    const auto size = fs::file_size(logPath, ec);
    const double s = median(save), r = median(raw), ratio = pairedRatio(save, raw);
    std::printf("save of %d lines (%.1f MB): %.1f ms + pause %.0f ms, fwrite %.1f ms, ratio %.2f\n", lines,
                double(size) / (1 << 20), s, median(pause), r, ratio);
    result("Log save (`cmdSave_Click`), pause apart", std::to_string(lines) + " list lines",
           milliseconds(s) + " + pause " + milliseconds(median(pause)), milliseconds(r) + " fwrite",
           format("%.2fx", ratio), "<= 3x + pause");
    grown.emplace_back(lines, s);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 5;
    const std::vector<int> styleCounts = counts(argc > 2 ? argv[2] : nullptr, {1000, 10000, 50000});
    const std::vector<int> lineCounts = counts(argc > 3 ? argv[3] : nullptr, {1000, 10000, 50000, 100000});
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    UiServices::setScripted(true);
    recordClockReadings();

    std::vector<std::pair<int, double>> scans, saves;
    for (int styles : styleCounts)
        benchScan(styles, runs, scans);
    growth("Checkup scan", "styles", scans);
    for (int lines : lineCounts)
        benchSave(lines, runs, saves);
    growth("Log save", "lines", saves);
    return 0;
}
