#pragma once
// What the benchmark programs share: a throw-away Windows root, medians, ratios taken
// run by run, and the result lines scripts/bench gathers into one table.
//
// A result line reads
//   RESULT|job|data|our time|baseline time|ratio|target
// and a growth line
//   GROWTH|job|unit|count=time,count=time,...

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median of the ratios of runs made side by side: each run's pair shares the
// machine's load of that moment.
inline double pairedRatio(const std::vector<double>& ours, const std::vector<double>& baseline) {
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < baseline.size(); ++i)
        if (baseline[i] > 0)
            ratios.push_back(ours[i] / baseline[i]);
    return median(ratios);
}

inline std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

inline std::string milliseconds(double ms) {
    return format(ms >= 100 ? "%.0f ms" : ms >= 10 ? "%.1f ms" : "%.2f ms", ms);
}

inline void result(const std::string& job, const std::string& data, const std::string& ours,
                   const std::string& baseline, const std::string& ratio, const std::string& target) {
    std::printf("RESULT|%s|%s|%s|%s|%s|%s\n", job.c_str(), data.c_str(), ours.c_str(), baseline.c_str(),
                ratio.c_str(), target.c_str());
    std::fflush(stdout);
}

inline void growth(const std::string& job, const std::string& unit,
                   const std::vector<std::pair<int, double>>& timesMs) {
    std::string text;
    for (const auto& [count, ms] : timesMs)
        text += (text.empty() ? "" : ",") + std::to_string(count) + "=" + format("%.2f", ms);
    std::printf("GROWTH|%s|%s|%s\n", job.c_str(), unit.c_str(), text.c_str());
    std::fflush(stdout);
}

// Counts from the command line ("1000,10000,50000"), or the fallback.
inline std::vector<int> counts(const char* text, std::vector<int> fallback) {
    if (!text || !*text)
        return fallback;
    std::vector<int> out;
    for (const char* p = text; *p;) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p)
            break;
        if (v > 0)
            out.push_back(static_cast<int>(v));
        p = *end == ',' ? end + 1 : end;
    }
    return out.empty() ? fallback : out;
}

// The order of two key paths as a hive file writes them ("\\\\" between components, names
// in ASCII): Wine's, component by component, names compared after lower-casing, so "_"
// comes before the letters; or, for a hive in another order, after upper-casing.
inline std::string orderKey(const std::string& path, bool wine) {
    std::string key;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path.compare(i, 2, "\\\\") == 0) {
            key += '\x01'; // below every character of a name: a key before its longer siblings
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(path[i]);
        key += static_cast<char>(wine ? std::tolower(c) : std::toupper(c));
    }
    return key;
}
inline bool inWinesOrder(const std::string& a, const std::string& b) {
    return orderKey(a, true) < orderKey(b, true);
}

inline void touch(const fs::path& path, const std::string& text = "x") {
    std::ofstream(path, std::ios::binary) << text;
}

// A temporary Windows root (drive_c/windows/Resources/Themes, dosdevices/c:) under
// $TMPDIR, made the process's root through WINEPREFIX and removed with the object.
class TempRoot {
public:
    TempRoot() {
        const char* tmp = std::getenv("TMPDIR");
        std::string text = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-XXXXXX";
        if (!::mkdtemp(text.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_root = text;
        fs::create_directories(themes());
        fs::create_directories(m_root / "dosdevices");
        fs::create_directory_symlink("../drive_c", m_root / "dosdevices" / "c:");
        ::setenv("WINEPREFIX", m_root.c_str(), 1);
    }
    ~TempRoot() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const fs::path& root() const { return m_root; }
    fs::path themes() const { return m_root / "drive_c" / "windows" / "Resources" / "Themes"; }

private:
    fs::path m_root;
};

// The plain way to count the folders of a folder: readdir and one fstatat per entry.
inline size_t rawFolderCount(const fs::path& folder) {
    size_t folders = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
            ++folders;
    }
    ::closedir(dir);
    return folders;
}

// The sum of the kB figures a /proc file gives on the lines that start with name
// ("VmHWM:" of /proc/self/status, "Private_Dirty:" of /proc/self/smaps_rollup).
inline long procKb(const std::string& file, const char* name) {
    std::ifstream in(file);
    long total = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name, 0) == 0)
            total += std::atol(line.c_str() + std::strlen(name));
    return total;
}

// A fresh Wine prefix under $TMPDIR made with wineboot (tens of seconds), the process's
// WINEPREFIX from then on; its folder goes with the prefix's parent folder. Empty, with
// "SKIPPED: why" printed, where Wine or the prefix is missing.
inline fs::path freshWinePrefix(const std::string& tag) {
    for (const char* tool : {"wine", "wineboot", "wineserver"})
        if (std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) != 0) {
            std::printf("SKIPPED: %s not found on PATH\n", tool);
            return {};
        }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-" + tag + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::printf("SKIPPED: no temporary folder\n");
        return {};
    }
    const fs::path prefix = fs::path(pattern) / "prefix";
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    const auto started = Clock::now();
    if (std::system("wineboot -i >/dev/null 2>&1") != 0 || std::system("wineserver -w") != 0) {
        std::printf("SKIPPED: wineboot could not make a prefix\n");
        return {};
    }
    std::printf("prefix made in %.1f s\n", msSince(started) / 1000);
    return prefix;
}

// The machine the figures come from.
inline std::string machine() {
    std::string cpu = "unknown CPU";
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    std::string kernel;
    std::ifstream("/proc/sys/kernel/osrelease") >> kernel;
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return "nproc " + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) + ", " + cpu + ", Linux " + kernel +
           format(", load %.2f", load);
}

} // namespace bench
