// Listing a folder of 10,000 subfolders with mask 16, against a raw readdir + fstatat
// loop over the same folder in the same run. Prints the medians and their ratio.
//
//   bench_listing [runs] [folders]     (defaults: 15 runs, 10000 folders)
//
// The data lives in a temporary Windows root under $TMPDIR (default /tmp), removed at
// the end.
#include "BenchSupport.h"
#include "platform/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

size_t rawLoop(const fs::path& folder) {
    size_t folders = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            ++folders;
    }
    ::closedir(dir);
    return folders;
}

size_t listing(const char* pattern) {
    size_t names = 0;
    platform::DirectoryListing list(pattern, 16);
    while (list.next())
        ++names;
    return names;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 15;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;

    const char* tmp = std::getenv("TMPDIR");
    std::string rootText = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-XXXXXX";
    if (!::mkdtemp(rootText.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = rootText;
    const fs::path folder = root / "drive_c" / "bench";
    fs::create_directories(folder);
    fs::create_directories(root / "dosdevices");
    fs::create_directory_symlink("../drive_c", root / "dosdevices" / "c:");
    ::setenv("WINEPREFIX", root.c_str(), 1);
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "Style %05d", i);
        fs::create_directory(folder / name);
    }

    const char* pattern = "C:\\bench\\";
    // Warm the caches once, and check both count the same folders ("." and ".." included).
    const size_t rawCount = rawLoop(folder);
    const size_t listCount = listing(pattern);
    if (rawCount != listCount) {
        std::fprintf(stderr, "mismatch: raw %zu, listing %zu\n", rawCount, listCount);
        fs::remove_all(root);
        return 1;
    }

    std::vector<double> raw, listed;
    for (int r = 0; r < runs; ++r) {
        auto start = Clock::now();
        rawLoop(folder);
        raw.push_back(millisecondsSince(start));
        start = Clock::now();
        listing(pattern);
        listed.push_back(millisecondsSince(start));
    }
    fs::remove_all(root);

    const double rawMedian = median(raw), listMedian = median(listed);
    std::printf("folders: %d, runs: %d\n", count, runs);
    std::printf("readdir+fstatat (baseline): %8.3f ms median\n", rawMedian);
    std::printf("DirectoryListing mask 16:   %8.3f ms median\n", listMedian);
    const double paired = bench::pairedRatio(listed, raw);
    std::printf("ratio: %.2fx of the medians, %.2fx run by run (target <= 1.5x)\n", listMedian / rawMedian,
                paired);
    bench::result("Directory listing, mask 16 (`DirectoryListing`)", std::to_string(count) + " subfolders",
                  bench::milliseconds(listMedian), bench::milliseconds(rawMedian) + " readdir+fstatat",
                  bench::format("%.2fx", paired), "<= 1.5x");
    return 0;
}
