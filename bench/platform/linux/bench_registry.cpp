// Registry hive costs on a generated Wine-format system.reg of about 10 MB: parsing, the
// first read of a start (the hive read through when it changed since the last start, and
// when it did not), a warm read of one value, one value written end to end, and an
// unchanged write. Then, side by side, one value written into a hive of about 30 MB
// against copying that file.
#include "BenchSupport.h"
#include "platform/Registry.h"
#include "platform/linux/hive/HiveDocument.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr size_t kKeys = 50000;

std::string guid(std::mt19937& r) {
    char buf[48];
    auto u = [&r] { return static_cast<unsigned>(r()); };
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%04X%08X}", u(), u() & 0xFFFFu, u() & 0xFFFFu,
                  u() & 0xFFFFu, u() & 0xFFFFu, u());
    return buf;
}

std::string hexBytes(std::mt19937& r, size_t n, size_t count) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(r() & 0xFF));
        out += buf;
        count += 2;
        if (i + 1 < n) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    return out;
}

// The keys and values a prefix has: class registrations, file types, services, fonts.
std::string generateHive(size_t keys = kKeys) {
    std::mt19937 r(2640);
    std::vector<std::string> paths;
    paths.reserve(keys);
    const char* areas[] = {"Software\\\\Classes\\\\CLSID\\\\", "Software\\\\Classes\\\\Interface\\\\",
                           "Software\\\\Classes\\\\TypeLib\\\\",
                           "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\",
                           "System\\\\ControlSet001\\\\Services\\\\"};
    while (paths.size() < keys) {
        const std::string base = areas[r() % 5] + guid(r);
        paths.push_back(base);
        paths.push_back(base + "\\\\InprocServer32");
        // Names where "_" meets letters, as Wine's own hives have them.
        paths.push_back(base + "\\\\Inproc_Handler");
        if (r() % 2)
            paths.push_back(base + "\\\\ProxyStubClsid32");
    }
    paths.resize(keys);
    std::sort(paths.begin(), paths.end(), bench::inWinesOrder);

    std::string out = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    for (const auto& p : paths) {
        const uint64_t ft = 0x1d9f0000000000ull + r();
        char head[64];
        std::snprintf(head, sizeof head, "] %u\n#time=%x%08x\n",
                      1700000000u + static_cast<unsigned>(r() % 1000), static_cast<unsigned>(ft >> 32),
                      static_cast<unsigned>(ft));
        out += "\n[" + p + head;
        switch (r() % 5) {
        case 0:
            out += "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n\"ThreadingModel\"=\"Both\"\n";
            break;
        case 1:
            out += "@=\"PSFactoryBuffer \\x00e9l\\xe9ment\"\n\"NumMethods\"=dword:0000000" +
                   std::to_string(r() % 10) + "\n";
            break;
        case 2:
            out +=
                "\"DisplayName\"=\"Wine Mono Runtime\"\n\"ImagePath\"=str(2):\"%SystemRoot%\\\\system32\\\\"
                "svchost.exe -k netsvcs\"\n";
            break;
        case 3:
            out += "\"DependOnService\"=str(7):\"RpcSs\\0PlugPlay\\0\"\n\"Security\"=hex:" +
                   hexBytes(r, 20 + r() % 60, 18) + "\n";
            break;
        default:
            out += "\"Type\"=dword:00000020\n\"Blob\"=hex(ffff0012):" + hexBytes(r, 8, 23) + "\n";
            break;
        }
    }
    return out;
}

class BenchFolder {
public:
    BenchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        root = pattern;
        text = generateHive();
        std::ofstream(root / "system.reg", std::ios::binary) << text;
        std::ofstream(root / "user.reg", std::ios::binary) << "WINE REGISTRY Version 2\n";
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
    std::string text;
};

BenchFolder& folder() {
    static BenchFolder f;
    return f;
}

// A key and value the generator always makes: the first key of the file.
std::string firstKey() {
    const std::string& t = folder().text;
    const size_t open = t.find("\n[") + 2;
    std::string path = t.substr(open, t.find(']', open) - open);
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        out += path[i];
        if (path[i] == '\\')
            ++i;
    }
    return out;
}

void BM_ParseHive(benchmark::State& state) {
    const std::string& text = folder().text;
    size_t keys = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = text;
        hive::Document doc;
        state.ResumeTiming();
        if (doc.parse(std::move(copy)))
            state.SkipWithError("the generated hive did not parse");
        benchmark::DoNotOptimize(doc);
    }
    {
        hive::Document doc;
        doc.parse(text);
        keys = doc.sections().size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["keys"] = static_cast<double>(keys);
}
BENCHMARK(BM_ParseHive)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A new Registry, its first read, as at a start after another program changed the hive:
// the file is read through.
void BM_FirstReadChangedHive(benchmark::State& state) {
    const std::string key = firstKey();
    const std::filesystem::path hive = folder().root / "system.reg";
    for (auto _ : state) {
        state.PauseTiming();
        ::utimensat(AT_FDCWD, hive.c_str(), nullptr, 0);
        state.ResumeTiming();
        Registry reg(folder().root);
        HKEY h = 0;
        if (reg.RegOpenKeyA(HKEY_LOCAL_MACHINE, key, &h) != ERROR_SUCCESS)
            state.SkipWithError("key missing");
        reg.RegCloseKey(h);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * folder().text.size()));
}
BENCHMARK(BM_FirstReadChangedHive)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same when the hive is as the last start left it: only the key's sections are read.
void BM_FirstReadSameHive(benchmark::State& state) {
    const std::string key = firstKey();
    {
        // A save leaves the hive known to be whole.
        Registry reg(folder().root);
        HKEY h = 0;
        reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Quorlin\\Zevra", &h);
        static int n = 0;
        const std::string value = "start " + std::to_string(n++);
        reg.RegSetValueExA(h, "Start", 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()),
                           static_cast<uint32_t>(value.size() + 1));
        reg.RegCloseKey(h);
    }
    for (auto _ : state) {
        Registry reg(folder().root);
        HKEY h = 0;
        if (reg.RegOpenKeyA(HKEY_LOCAL_MACHINE, key, &h) != ERROR_SUCCESS)
            state.SkipWithError("key missing");
        reg.RegCloseKey(h);
    }
}
BENCHMARK(BM_FirstReadSameHive)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_WarmReadOneValue(benchmark::State& state) {
    Registry reg(folder().root);
    HKEY h = 0;
    reg.RegOpenKeyA(HKEY_LOCAL_MACHINE, firstKey(), &h);
    uint8_t buffer[500];
    for (auto _ : state) {
        uint32_t size = sizeof buffer;
        uint32_t type = 0;
        if (reg.RegQueryValueExA(h, "", nullptr, &type, buffer, &size) != ERROR_SUCCESS &&
            reg.RegQueryValueExA(h, "DisplayName", nullptr, &type, buffer, &size) != ERROR_SUCCESS &&
            reg.RegQueryValueExA(h, "DependOnService", nullptr, &type, buffer, &size) != ERROR_SUCCESS &&
            reg.RegQueryValueExA(h, "Type", nullptr, &type, buffer, &size) != ERROR_SUCCESS)
            state.SkipWithError("value missing");
        benchmark::DoNotOptimize(buffer);
    }
    reg.RegCloseKey(h);
}
BENCHMARK(BM_WarmReadOneValue);

// The way the program reads: open the key, query into 500 bytes, close.
void BM_WarmOpenQueryClose(benchmark::State& state) {
    Registry reg(folder().root);
    const std::string key = firstKey();
    uint8_t buffer[500];
    for (auto _ : state) {
        HKEY h = 0;
        reg.RegOpenKeyA(HKEY_LOCAL_MACHINE, key, &h);
        uint32_t size = sizeof buffer;
        reg.RegQueryValueExA(h, "", nullptr, nullptr, buffer, &size);
        reg.RegCloseKey(h);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_WarmOpenQueryClose);

// One changed value saved into the 10 MB hive: render, write, fsync, rename, fsync folder.
void BM_WriteOneValue(benchmark::State& state) {
    Registry reg(folder().root);
    HKEY h = 0;
    reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Quorlin\\Zevra", &h);
    int n = 0;
    for (auto _ : state) {
        const std::string value = "value " + std::to_string(n++);
        if (reg.RegSetValueExA(h, "LastChk", 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()),
                               static_cast<uint32_t>(value.size() + 1)) != ERROR_SUCCESS)
            state.SkipWithError("write refused");
    }
    reg.RegCloseKey(h);
}
BENCHMARK(BM_WriteOneValue)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_UnchangedWrite(benchmark::State& state) {
    Registry reg(folder().root);
    HKEY h = 0;
    reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Quorlin\\Zevra", &h);
    const std::string value = "same";
    reg.RegSetValueExA(h, "Same", 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()), 5);
    struct stat before {};
    ::stat((folder().root / "system.reg").c_str(), &before);
    for (auto _ : state)
        reg.RegSetValueExA(h, "Same", 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()), 5);
    struct stat after {};
    ::stat((folder().root / "system.reg").c_str(), &after);
    const bool touched = before.st_ino != after.st_ino || before.st_mtim.tv_sec != after.st_mtim.tv_sec ||
                         before.st_mtim.tv_nsec != after.st_mtim.tv_nsec;
    state.counters["file_touched"] = touched ? 1 : 0;
    static bool said = false;
    if (!said)
        std::printf("unchanged write: system.reg mtime %lld.%09ld before, %lld.%09ld after (%s)\n",
                    static_cast<long long>(before.st_mtim.tv_sec), before.st_mtim.tv_nsec,
                    static_cast<long long>(after.st_mtim.tv_sec), after.st_mtim.tv_nsec,
                    touched ? "TOUCHED" : "untouched");
    said = true;
    reg.RegCloseKey(h);
}
BENCHMARK(BM_UnchangedWrite)->Unit(benchmark::kMicrosecond);

// One value written into a hive of about 30 MB (as `wine reg` would leave a prefix with
// many programs), against copying the file: read and written in 128 KB blocks into a new
// file beside it and synced, as a save must be; and the same copy without the sync.
void writeAgainstCopy(int runs) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return;
    const std::filesystem::path root = pattern;
    const std::string text = generateHive(kKeys * 3);
    std::ofstream(root / "system.reg", std::ios::binary) << text;
    std::ofstream(root / "user.reg", std::ios::binary) << "WINE REGISTRY Version 2\n";
    const double megabytes = static_cast<double>(text.size()) / (1 << 20);

    auto copy = [&](bool sync) {
        const auto start = std::chrono::steady_clock::now();
        const int in = ::open((root / "system.reg").c_str(), O_RDONLY | O_CLOEXEC);
        const int out = ::open((root / "copy.reg").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::vector<char> block(128 * 1024);
        for (ssize_t n; (n = ::read(in, block.data(), block.size())) > 0;)
            if (::write(out, block.data(), static_cast<size_t>(n)) != n)
                break;
        if (sync)
            ::fsync(out);
        ::close(out);
        ::close(in);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::filesystem::remove(root / "copy.reg");
        return ms;
    };
    Registry reg(root);
    HKEY h = 0;
    reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Quorlin\\Zevra", &h);
    std::vector<double> ours, copies, plain;
    for (int run = 0; run < runs; ++run) {
        ::sync();
        if (run % 2)
            copies.push_back(copy(true));
        const std::string value = "value " + std::to_string(run);
        const auto start = std::chrono::steady_clock::now();
        if (reg.RegSetValueExA(h, "LastChk", 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()),
                               static_cast<uint32_t>(value.size() + 1)) != ERROR_SUCCESS)
            std::fprintf(stderr, "the write was refused\n");
        ours.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (run % 2 == 0)
            copies.push_back(copy(true));
        plain.push_back(copy(false));
    }
    reg.RegCloseKey(h);
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < copies.size(); ++i)
        ratios.push_back(ours[i] / copies[i]);
    char data[64], line[512];
    std::snprintf(data, sizeof data, "%.1f MB hive", megabytes);
    std::printf("write into the %s: %.1f ms, copy and fsync %.1f ms, plain copy %.1f ms (medians of %d)\n",
                data, median(ours), median(copies), median(plain), runs);
    std::snprintf(
        line, sizeof line,
        "RESULT|Registry: one value written, fsync and rename|%s|%.1f ms|%.1f ms copy of the file and "
        "fsync (%.1f ms without)|%.2fx|<= 2x\n",
        data, median(ours), median(copies), median(plain), median(ratios));
    std::fputs(line, stdout);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    writeAgainstCopy(9);
    return 0;
}
