// Installing a style archive: UnzipArchive with the install command's values against
// `unzip -o -q` and `bsdtar -xf` of the same archive in the same run, each into a fresh
// folder. Prints the medians and the ratios. With "again", each of the three extracts the
// archive once untimed and is timed extracting it a second time over its own output, so
// that every file it writes replaces one (an install keeps each replaced file aside until
// it ends).
//
//   bench_unzip [runs] [files] [megabytes] [again]   (defaults: 5 runs, 2000 files, 100 MB)
//
// The archive (deflate ZIP, half of each file random, half text) and the output live in
// a temporary folder under $TMPDIR (default /tmp), removed at the end.
#include "BenchSupport.h"
#include "commands/ZipUnzip.h"
#include "common/UiServices.h"

#include <archive.h>
#include <archive_entry.h>

#include <QCoreApplication>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void makeArchive(const fs::path& path, int files, size_t bytes) {
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open_filename(a, path.c_str());
    std::mt19937 random(42);
    const size_t size = bytes / size_t(files);
    std::string data(size, '\0');
    for (int i = 0; i < files; ++i) {
        for (size_t k = 0; k < size / 2; ++k)
            data[k] = char(random());
        for (size_t k = size / 2; k < size; ++k)
            data[k] = "[Style]\r\nColor=Blue\r\n"[k % 21];
        const std::string name =
            "Bench/Folder" + std::to_string(i % 40) + "/file" + std::to_string(i) + ".bin";
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, la_int64_t(size));
        archive_write_header(a, e);
        archive_write_data(a, data.data(), data.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

double run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& s : command)
        argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
    const size_t megabytes = argc > 3 ? size_t(std::atoi(argv[3])) : 100;
    const bool again = argc > 4 && std::string(argv[4]) == "again";
    QCoreApplication app(argc, argv);
    quorlin::UiServices::setScripted(true);

    const char* tmp = std::getenv("TMPDIR");
    std::string work = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-unzip-XXXXXX";
    if (!::mkdtemp(work.data()))
        return 1;
    const fs::path zip = fs::path(work) / "style.zip";
    makeArchive(zip, files, megabytes << 20);
    std::printf("archive: %d files, %zu MB of data, %.1f MB deflate ZIP\n", files, megabytes,
                double(fs::file_size(zip)) / (1 << 20));

    std::vector<double> ours, unzip, bsdtar;
    for (int i = 0; i < runs; ++i) {
        const fs::path out = fs::path(work) / ("out" + std::to_string(i));
        fs::create_directories(out / "a");
        fs::create_directories(out / "b");
        fs::create_directories(out / "c");
        const auto ourInstall = [&] {
            const auto start = Clock::now();
            ZipUnzip::UnzipArchive(QString::fromStdString(zip.string()),
                                   QString::fromStdString((out / "a").string() + "/"), 0, 1, 0, 0, 0, 0);
            return std::chrono::duration<double>(Clock::now() - start).count();
        };
        const std::vector<std::string> unzipCommand = {"unzip",      "-o", "-q",
                                                       zip.string(), "-d", (out / "b").string()};
        const std::vector<std::string> bsdtarCommand = {"bsdtar", "-xf", zip.string(), "-C",
                                                        (out / "c").string()};
        if (again) {
            ourInstall();
            run(unzipCommand);
            run(bsdtarCommand);
        }
        // Who goes first turns from run to run: the first after the last run's folders were
        // removed finds the file system busiest.
        for (int turn = 0; turn < 3; ++turn) {
            ::sync();
            switch ((turn + i) % 3) {
            case 0:
                ours.push_back(ourInstall());
                break;
            case 1:
                unzip.push_back(run(unzipCommand));
                break;
            default:
                bsdtar.push_back(run(bsdtarCommand));
                break;
            }
        }
        fs::remove_all(out);
    }
    if (!quorlin::UiServices::messages().isEmpty())
        std::printf("UnzipArchive reported: %s\n", qPrintable(quorlin::UiServices::messages().first().text));
    const double m = median(ours), u = median(unzip), b = median(bsdtar);
    std::printf("UnzipArchive   %8.3f s (median of %d)\n", m, runs);
    std::printf("unzip -o -q    %8.3f s   ratio %.2f\n", u, m / u);
    std::printf("bsdtar -xf     %8.3f s   ratio %.2f\n", b, m / b);
    const std::string data = std::to_string(files) + " files, " + std::to_string(megabytes) + " MB, deflate" +
                             (again ? ", over an earlier install of it" : "");
    bench::result("Install from archive (`UnzipArchive`)", data, bench::format("%.3f s", m),
                  bench::format("%.3f s `unzip -o -q`", u),
                  bench::format("%.2fx", bench::pairedRatio(ours, unzip)), "<= 1.0x");
    bench::result("Install from archive (`UnzipArchive`)", data, bench::format("%.3f s", m),
                  bench::format("%.3f s `bsdtar -xf`", b),
                  bench::format("%.2fx", bench::pairedRatio(ours, bsdtar)),
                  files >= 50000 ? "<= 1.0x" : "<= 1.2x"); // many small files: as fast as bsdtar
    if (!again)
        bench::growth("Install from archive, " + std::to_string((megabytes << 10) / size_t(files)) +
                          " KB a file",
                      "files", {{files, m * 1000}});
    fs::remove_all(work);
    return 0;
}
