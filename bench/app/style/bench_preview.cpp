// The preview scene drawn from Wine's Light (light.msstyles, 7.5 MB) for the main window:
// the style file read and the picture drawn, as a selection does it, against the single
// window the preview drew before it became the scene (the same file read and drawn by
// that version's code, kept beside this program), and against reading the file with
// QFile::readAll (the floor: the file is read once per selection); also both drawings
// from a file already read, and the scene of the classic look alone. Runs side by side,
// who goes first turning from run to run; the first draw of a process, which loads the
// font database, is timed on its own.
//
// Memory: each job once more in a child process of its own, after the same start (the
// application, its fonts loaded); its extra peak is the peak resident size the job
// reaches over the resident size before it (the peak reset through clear_refs first).
//
//   bench_preview [runs] [file]     (defaults: 15, the light.msstyles of the installed Wine)
#include "BenchSupport.h"
#include "SingleWindowPreview.h"

#include "platform/linux/wine/WineInstall.h"
#include "style/StyleFile.h"
#include "style/StyleLook.h"
#include "style/StylePreview.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <functional>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
using namespace bench;

namespace {

qint64 readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().size();
}

bool readAndDraw(const QString& path) {
    const StyleFile file = StyleFile::fromHostPath(path);
    return !StylePreview::render(file).image.isNull();
}

bool readAndDrawSingleWindow(const QString& path) {
    const StyleFile file = StyleFile::fromHostPath(path);
    return !SingleWindowPreview::render(file).image.isNull();
}

// Loads the fonts a preview draws with, so that a job's figures leave them out.
void loadFonts() {
    QImage image(16, 16, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.drawText(0, 12, QStringLiteral("Aa"));
}

// In a child: the extra peak of one job, in kB, on standard output.
int childPeak(const char* job, const QString& path) {
    loadFonts();
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = procKb("/proc/self/status", "VmRSS:");
    const bool done = std::strcmp(job, "draw") == 0 ? readAndDraw(path) : readAll(path) > 0;
    const long peak = procKb("/proc/self/status", "VmHWM:");
    std::printf("%ld\n", done ? peak - before : -1);
    return done ? 0 : 1;
}

// Runs this program as a child measuring one job; its extra peak in MB, or -1.
double peakOf(const char* job, const std::string& path) {
    const fs::path out = fs::temp_directory_path() / ("kolv-bench-preview-" + std::to_string(::getpid()));
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> args = {self, "--peak", job, path};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    int status = -1;
    if (::posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    long kb = -1;
    std::ifstream(out) >> kb;
    std::error_code ec;
    fs::remove(out, ec);
    return status == 0 && kb >= 0 ? kb / 1024.0 : -1;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0)
        return childPeak(argv[2], QString::fromLocal8Bit(argv[3]));

    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 15;
    std::string path;
    if (argc > 2) {
        path = argv[2];
    } else if (const auto light = platform::wineStyleFile(platform::wineLibraryFolders())) {
        path = light->string();
    } else {
        std::printf("SKIPPED: no light.msstyles (Wine is not installed)\n");
        return 0;
    }
    const QString file = QString::fromStdString(path);
    const double megabytes = double(fs::file_size(path)) / (1024 * 1024);

    // The first draw of this process loads the font database; then the file is in the
    // page cache for every run that follows.
    auto start = Clock::now();
    if (!readAndDraw(file)) {
        std::fprintf(stderr, "%s cannot be drawn\n", path.c_str());
        return 1;
    }
    const double first = msSince(start);
    readAll(file);

    const StyleFile loaded = StyleFile::fromHostPath(file);
    const std::vector<std::pair<const char*, std::function<void()>>> jobs = {
        {"scene", [&] { readAndDraw(file); }},
        {"single", [&] { readAndDrawSingleWindow(file); }},
        {"read", [&] { readAll(file); }},
        {"scene drawn", [&] { StylePreview::render(loaded); }},
        {"single drawn", [&] { SingleWindowPreview::render(loaded); }},
        {"classic", [&] { StylePreview::render(StyleLook::standard()); }},
    };
    std::vector<std::vector<double>> times(jobs.size());
    for (int r = 0; r < runs; ++r)
        for (size_t j = 0; j < jobs.size(); ++j) {
            const size_t job = (j + size_t(r)) % jobs.size();
            const auto t = Clock::now();
            jobs[job].second();
            times[job].push_back(msSince(t));
        }
    const std::vector<double>& drawn = times[0];
    const std::vector<double>& single = times[1];
    const std::vector<double>& read = times[2];
    const double drawPeak = peakOf("draw", path);
    const double readPeak = peakOf("read", path);

    const double ratio = pairedRatio(drawn, read);
    const double sceneRatio = pairedRatio(drawn, single);
    const double drawnRatio = pairedRatio(times[3], times[4]);
    const std::string data = format("light.msstyles, %.1f MB", megabytes);
    std::printf("%s, %d runs\n", machine().c_str(), runs);
    std::printf("QFile::readAll (floor):          %8.2f ms median\n", median(read));
    std::printf("read + single window (before):   %8.2f ms median\n", median(single));
    std::printf("read + scene (preview):          %8.2f ms median, first of the process %.2f ms\n",
                median(drawn), first);
    std::printf("single window drawn, file read:  %8.2f ms median\n", median(times[4]));
    std::printf("scene drawn, file read:          %8.2f ms median\n", median(times[3]));
    std::printf("scene of the classic look:       %8.2f ms median\n", median(times[5]));
    std::printf(
        "ratio scene / single window: %.2fx read + draw, %.2fx draw alone, run by run (target <= 2x)\n",
        sceneRatio, drawnRatio);
    std::printf("ratio read + scene / readAll: %.2fx run by run (target <= 3x, <= 50 ms)\n", ratio);
    std::printf("extra peak: read + draw %.1f MB, readAll %.1f MB (target <= 10 MB)\n", drawPeak, readPeak);
    result("Preview scene drawn from the style file (read + draw, `StylePreview`)", data,
           milliseconds(median(drawn)), milliseconds(median(single)) + " the single window before",
           format("%.2fx", sceneRatio), "<= 2x");
    result("Preview scene drawn, the style file already read", data, milliseconds(median(times[3])),
           milliseconds(median(times[4])) + " the single window before", format("%.2fx", drawnRatio),
           "<= 2x");
    result("Preview scene drawn from the style file (read + draw, `StylePreview`)", data,
           milliseconds(median(drawn)), milliseconds(median(read)) + " `QFile::readAll`",
           format("%.2fx", ratio), "<= 3x, <= 50 ms");
    result("Preview scene of the classic look alone (`StyleLook::standard()`)", "-",
           milliseconds(median(times[5])), "-", "-", "-");
    result("Preview drawn, the first of a process (font database loaded)", data, milliseconds(first), "-",
           "-", "-");
    result("Preview drawn, extra peak RSS (VmHWM over VmRSS before)", data, format("%.1f MB", drawPeak),
           format("%.1f MB `QFile::readAll`", readPeak), format("%+.1f MB", drawPeak - readPeak), "<= 10 MB");
    return 0;
}
