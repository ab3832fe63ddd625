// What the order of a hive's keys costs a start. The same keys written in Wine's order
// ("_" before the letters) and in another one (as a comparison of upper-cased names has
// them): `kolvmgr --list` and `kolvmgr --apply` on a generated user.reg of about 20 MB, time
// and peak memory of the process, each order as the last start left it (one untimed start
// first). Then a real prefix's system.reg, made by `wineboot -i`, in its own order and
// re-sorted: the first read of a value in a start, as the last start left the hive.
//
//   bench_hive_order [runs] [megabytes]     (defaults: 5, 20)

#include "BenchSupport.h"

#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/linux/hive/HiveDocument.h"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <map>
#include <thread>

extern char** environ;

namespace {

using namespace bench;

const char kUserHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n";

// A user.reg of about `megabytes`: programs' settings, each key with subkeys where "_"
// meets letters, and the visual style's key; the sections in the order given.
std::string userHive(int megabytes, bool wine) {
    std::vector<std::string> paths = {"Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\ThemeManager"};
    const size_t goal = size_t(megabytes) << 20;
    for (size_t i = 0, size = 0; size < goal; ++i) {
        char base[64];
        std::snprintf(base, sizeof base, "Software\\\\Bench\\\\App%06zu", i);
        for (const char* sub : {"", "\\\\In_Proc", "\\\\InprocServer32", "\\\\Instance"}) {
            paths.push_back(std::string(base) + sub);
            size += paths.back().size() + 110;
        }
    }
    std::sort(paths.begin(), paths.end(), [wine](const std::string& a, const std::string& b) {
        return orderKey(a, wine) < orderKey(b, wine);
    });
    std::string text = kUserHeader;
    text.reserve(goal + (goal >> 3));
    for (const std::string& path : paths) {
        text += "\n[" + path + "] 1700000000\n#time=1d9a3b2c4d5e6f7\n";
        if (path.ends_with("ThemeManager"))
            text += "\"DllName\"=str(2):\"%systemroot%\\\\Resources\\\\Themes\\\\Luna\\\\luna.msstyles\"\n";
        else
            text += "\"Path\"=\"C:\\\\Program Files\\\\Bench\\\\bench.exe\"\n\"Count\"=dword:0000002a\n"
                    "\"Blob\"=hex:00,01,02,03,04,05,06,07\n";
    }
    return text;
}

// A hive's sections re-sorted as a comparison of upper-cased names has them.
std::string reordered(const std::string& text) {
    size_t first = text.find("\n[");
    if (first == std::string::npos)
        return text;
    ++first;
    std::vector<std::pair<std::string, std::string>> sections;
    for (size_t at = first; at < text.size();) {
        size_t next = text.find("\n[", at);
        next = next == std::string::npos ? text.size() : next + 1;
        const std::string section = text.substr(at, next - at);
        const std::string path = section.substr(1, section.find("] ") - 1);
        sections.emplace_back(orderKey(path, false), section);
        at = next;
    }
    std::stable_sort(sections.begin(), sections.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string out = text.substr(0, first);
    for (const auto& section : sections)
        out += section.second;
    return out;
}

struct Run {
    double ms = -1;
    double peakMb = 0;
};

// One kolvmgr, as a user starts it on the root.
Run kolvmgr(const std::string& program, const fs::path& root, const std::vector<std::string>& args) {
    std::vector<std::string> argv{program, "--prefix", root.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const fs::path home = root / "home";
    std::vector<std::string> env = {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
                                    "XDG_CACHE_HOME=" + (home / "cache").string(),
                                    "XDG_DATA_HOME=" + (home / "data").string(), "LC_ALL=C.UTF-8"};
    if (const char* path = std::getenv("PATH"))
        env.push_back(std::string("PATH=") + path);
    std::vector<char*> argp, envp;
    for (auto& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    // A child of its own memory (not one sharing ours until it starts the program): the
    // peak the system reports for it is then the program's.
    Run run;
    const auto started = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execve(program.c_str(), argp.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        run.ms = msSince(started);
        run.peakMb = double(usage.ru_maxrss) / 1024;
    }
    return run;
}

// A root whose user.reg is the one given, with the style Luna installed.
std::unique_ptr<TempRoot> rootWith(const std::string& userReg) {
    auto root = std::make_unique<TempRoot>();
    fs::create_directories(root->themes() / "Luna");
    touch(root->themes() / "Luna" / "luna.msstyles", "data");
    touch(root->root() / "user.reg", userReg);
    touch(root->root() / "system.reg",
          "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n");
    return root;
}

void generated(const std::string& program, int runs, int megabytes) {
    struct Order {
        const char* name;
        std::unique_ptr<TempRoot> root;
        std::map<std::string, std::vector<double>> ms, peak;
    };
    Order orders[2] = {{"in Wine's order", nullptr, {}, {}}, {"in another order", nullptr, {}, {}}};
    double hiveMb = 0;
    {
        const std::string wine = userHive(megabytes, true);
        orders[0].root = rootWith(wine);
        orders[1].root = rootWith(reordered(wine));
        hiveMb = double(wine.size()) / (1 << 20);
    }
    // What made them goes back to the system: the children start from a small process.
    ::malloc_trim(0);
    // A file changed within the last seconds is read through at every start until it is
    // older (its identity cannot tell a change within the same tick); then one start each
    // reads it through and keeps what it learnt.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    for (Order& order : orders)
        kolvmgr(program, order.root->root(), {"--list"});
    const std::vector<std::vector<std::string>> commands = {{"--list"}, {"--apply", "Luna"}};
    for (int i = 0; i < runs; ++i)
        for (const auto& args : commands)
            for (int k = 0; k < 2; ++k) {
                Order& order = orders[(i + k) % 2]; // who goes first turns from run to run
                const Run run = kolvmgr(program, order.root->root(), args);
                if (run.ms < 0) {
                    std::fprintf(stderr, "kolvmgr %s failed %s\n", args[0].c_str(), order.name);
                    continue;
                }
                order.ms[args[0]].push_back(run.ms);
                order.peak[args[0]].push_back(run.peakMb);
            }
    for (const auto& args : commands) {
        const std::string& command = args[0];
        for (const char* what : {"time", "peak RSS"}) {
            const bool time = what[0] == 't';
            auto figure = [&](Order& o) {
                return time ? milliseconds(median(o.ms[command]))
                            : format("%.1f MB", median(o.peak[command]));
            };
            result(
                "`kolvmgr " + command + "`, hive order, " + what, format("%.1f MB `user.reg`", hiveMb),
                figure(orders[0]) + " in Wine's order", figure(orders[1]) + " in another order",
                time ? format("%.2fx", pairedRatio(orders[0].ms[command], orders[1].ms[command]))
                     : format("%+.1f MB", median(orders[0].peak[command]) - median(orders[1].peak[command])),
                "Wine's order <= another");
        }
    }
}

// The first read of a value in a start, the hive as the last start left it.
double firstRead(const fs::path& root) {
    const auto started = Clock::now();
    platform::Registry reg(root);
    platform::HKEY key = 0;
    if (reg.RegOpenKeyA(platform::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion",
                        &key) != platform::ERROR_SUCCESS)
        return -1;
    char value[64];
    uint32_t size = sizeof value;
    reg.RegQueryValueExA(key, "CurrentBuildNumber", nullptr, nullptr, reinterpret_cast<uint8_t*>(value),
                         &size);
    reg.RegCloseKey(key);
    return msSince(started);
}

void realPrefix(int runs) {
    for (const char* tool : {"wine", "wineboot", "wineserver"})
        if (!platform::findProgramOnPath(tool)) {
            std::printf("real prefix SKIPPED: %s not found on PATH\n", tool);
            return;
        }
    TempRoot made;
    const fs::path prefix = made.root() / "prefix";
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    if (std::system("wineboot -i >/dev/null 2>&1") != 0 || std::system("wineserver -w") != 0) {
        std::printf("real prefix SKIPPED: wineboot could not make a prefix\n");
        return;
    }
    std::ifstream in(prefix / "system.reg", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    platform::hive::Document doc;
    const bool sorted = !doc.parse(text) && doc.summary().sorted;
    std::printf("wineboot's system.reg: %.1f MB, read as in order: %s\n", double(text.size()) / (1 << 20),
                sorted ? "yes" : "no");
    TempRoot own, other;
    touch(own.root() / "system.reg", text);
    touch(other.root() / "system.reg", reordered(text));
    std::this_thread::sleep_for(std::chrono::seconds(3));
    ::setenv("XDG_CACHE_HOME", (made.root() / "cache").c_str(), 1);
    firstRead(own.root());
    firstRead(other.root());
    std::vector<double> ownMs, otherMs;
    for (int i = 0; i < runs * 3; ++i) {
        ownMs.push_back(firstRead(own.root()));
        otherMs.push_back(firstRead(other.root()));
    }
    result(
        "Registry: first read of a start, real `wineboot` `system.reg`, the hive as the last start left it",
        format("%.1f MB", double(text.size()) / (1 << 20)) +
            (sorted ? ", read as in order" : ", read as out of order"),
        milliseconds(median(ownMs)) + " in Wine's order", milliseconds(median(otherMs)) + " re-sorted",
        format("%.2fx", pairedRatio(ownMs, otherMs)), "Wine's order <= another");
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const std::string program = (fs::canonical("/proc/self/exe").parent_path() / "kolvmgr").string();
    if (!fs::exists(program)) {
        std::printf("SKIPPED: %s not built\n", program.c_str());
        return 0;
    }
    std::printf("%s\n", machine().c_str());
    generated(program, runs, megabytes);
    realPrefix(runs);
    return 0;
}
