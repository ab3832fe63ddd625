// Start-up: from starting a process to the main window shown, with a catalogue of many
// styles and system.reg files of several sizes; and the memory the process holds then,
// against a bare Qt window of the same size under the same platform plugin, and against the
// same start with the program's own small system.reg.
//
//   bench_startup [runs] [styles] [system.reg megabytes]     (defaults: 7, 1000, 10,30)
//
// The program itself opens with the splash (a fade and a one-second wait), which this
// leaves out: each timed run starts this program anew as a child process that goes
// through the same steps as the program's Main after its splash (the start-up checks, the
// main window, its Form_Load, show) and reports the moment the main window is exposed
// and painted, with its memory. The parent times from just before it starts the child to
// that moment. The bare window is a child too, so both carry the same start. The children
// of one run (bare window, small hive, each large hive) start one after another, their
// order turning from run to run, and every figure is taken against the others of its run.
#include "BenchSupport.h"

#include "commands/InstallArchive.h"
#include "commands/mdlMainStartup.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "mainwindow/frmMain.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstring>
#include <sstream>

extern char** environ;
using namespace bench;

namespace {

int64_t monotonicNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// kB figures of this process: peak resident, resident, private (clean + dirty).
struct Memory {
    long peak = 0, resident = 0, privateKb = 0;
};

Memory memoryNow() {
    Memory m;
    m.peak = procKb("/proc/self/status", "VmHWM:");
    m.resident = procKb("/proc/self/status", "VmRSS:");
    m.privateKb = procKb("/proc/self/smaps_rollup", "Private_Clean:") +
                  procKb("/proc/self/smaps_rollup", "Private_Dirty:");
    return m;
}

// Reports once the window has been exposed and the event loop has come round again,
// so the first paint is done.
class ShownProbe : public QObject {
public:
    explicit ShownProbe(QWidget* window) : m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Expose && m_window->windowHandle() == watched &&
            m_window->windowHandle()->isExposed()) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                const int64_t shown = monotonicNs();
                const Memory m = memoryNow();
                // KOLV_BENCH_SMAPS=<prefix> keeps each child's smaps for a closer look.
                if (const char* keep = std::getenv("KOLV_BENCH_SMAPS")) {
                    std::ifstream in("/proc/self/smaps");
                    std::ofstream(std::string(keep) + "." + std::to_string(::getpid())) << in.rdbuf();
                }
                std::printf("SHOWN %lld %ld %ld %ld\n", static_cast<long long>(shown), m.peak, m.resident,
                            m.privateKb);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_seen = false;
};

class BenchMain : public frmMain {
protected:
    bool trayAvailable() const override { return false; }
};

int child(int argc, char** argv, bool bare) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    // A message box here would wait for a click that never comes; none is expected in a
    // start on a well-formed root, and one that shows is counted below.
    quorlin::UiServices::setScripted(true);
    QTimer::singleShot(30000, [] { std::_Exit(3); });
    std::unique_ptr<QWidget> window;
    if (bare) {
        window = std::make_unique<QWidget>();
        window->resize(std::atoi(std::getenv("KOLV_BENCH_WIDTH")),
                       std::atoi(std::getenv("KOLV_BENCH_HEIGHT")));
    } else {
        // The steps of Main after the splash.
        const QStringList notes = mdlMain::ReportStartupProblems();
        removeInstallLeftovers(mdlMain::themesDirectory());
        QApplication::setQuitOnLastWindowClosed(false);
        auto main = std::make_unique<BenchMain>();
        main->showNotes(notes);
        main->Form_Load();
        window = std::move(main);
    }
    ShownProbe probe(window.get());
    app.installEventFilter(&probe);
    window->show();
    const int status = QApplication::exec();
    if (!quorlin::UiServices::messages().isEmpty())
        std::fprintf(stderr, "start-up showed a message: %s\n",
                     qPrintable(quorlin::UiServices::messages().first().text));
    std::printf("SIZE %d %d\n", window->width(), window->height());
    return status;
}

struct Start {
    double ms = -1;
    Memory memory;
    int width = 0, height = 0;
};

// Starts this program as a child in the given mode, for the Windows root given.
Start startChild(const char* self, const char* mode, const fs::path& root) {
    int out[2];
    if (::pipe(out) != 0)
        return {};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "WINEPREFIX=", 11) != 0 && std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
            env.emplace_back(*e);
    env.push_back("WINEPREFIX=" + root.string());
    // The program's settings of the bench's own, beside the root, never the user's.
    env.push_back("XDG_CONFIG_HOME=" + (root / "config").string());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(mode), nullptr};
    pid_t pid = 0;
    const int64_t start = monotonicNs();
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(out[0]);
    if (spawned != 0)
        return {};
    int status = 0;
    ::waitpid(pid, &status, 0);
    Start s;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        if (word == "SHOWN") {
            long long shown = 0;
            in >> shown >> s.memory.peak >> s.memory.resident >> s.memory.privateKb;
            s.ms = double(shown - start) / 1e6;
        } else if (word == "SIZE") {
            in >> s.width >> s.height;
        }
    return s;
}

// A Wine-format system.reg of about `megabytes`, keys in Wine's order: each class, then its
// subkeys "In_Proc" before "InprocServer32" ("_" before the letters, as Wine sorts).
void writeSystemHive(const fs::path& path, int megabytes) {
    std::ofstream out(path, std::ios::binary);
    out << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
    const size_t goal = size_t(megabytes) << 20;
    size_t written = 0;
    char key[768];
    for (int i = 0; written < goal; ++i) {
        char clsid[96];
        std::snprintf(clsid, sizeof clsid,
                      "Software\\\\Classes\\\\CLSID\\\\{%08X-0000-4000-8000-00000000%04X}", i, i & 0xFFFF);
        const int n = std::snprintf(
            key, sizeof key,
            "\n[%s] 1700000000\n#time=1d9a3b2c4d5e6f7\n@=\"Bench class %d\"\n\"Flags\"=dword:%08x\n"
            "\n[%s\\\\In_Proc] 1700000000\n#time=1d9a3b2c4d5e6f7\n\"Data\"=hex:00,01,02,03,04,05,06,07\n"
            "\n[%s\\\\InprocServer32] 1700000000\n#time=1d9a3b2c4d5e6f7\n@=\"C:\\\\windows\\\\bench%d.dll\"\n"
            "\"ThreadingModel\"=\"Both\"\n",
            clsid, i, i, clsid, clsid, i);
        out.write(key, n);
        written += size_t(n);
    }
}

// One Windows root of the comparison and the starts made on it.
struct Case {
    Case(std::string n, int mb, bool changed) : name(std::move(n)), megabytes(mb), cold(changed) {}
    std::unique_ptr<TempRoot> root;
    std::string name;
    int megabytes = 0; // of the generated system.reg; 0: the program's own
    bool cold = false; // the hive changed since the last start, so it is read through
    double hiveMb = 0;
    std::vector<double> ms, peak, priv;
};

bool prepare(const char* self, Case& c, int styles) {
    c.root = std::make_unique<TempRoot>();
    char name[32];
    for (int i = 0; i < styles; ++i) {
        std::snprintf(name, sizeof name, "Style %05d", i);
        fs::create_directories(c.root->themes() / name / "Shell");
        touch(c.root->themes() / name / "style.msstyles");
    }
    if (c.megabytes > 0)
        writeSystemHive(c.root->root() / "system.reg", c.megabytes);
    {
        // The welcome window belongs to the first start only.
        platform::Registry reg(c.root->root());
        platform::HKEY key = 0;
        reg.RegCreateKeyA(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", &key);
        reg.RegSetValueExA(key, "firstrun", 0, platform::REG_SZ, reinterpret_cast<const uint8_t*>("1"), 2);
        reg.RegCloseKey(key);
    }
    // The first start records the shell folder class in system.reg; later starts find it
    // there and write nothing, as every start after the first does. It is not timed.
    const Start first = startChild(self, "--child", c.root->root());
    if (first.ms < 0) {
        std::fprintf(stderr, "the start-up child did not report\n");
        return false;
    }
    std::error_code ec;
    c.hiveMb = double(fs::file_size(c.root->root() / "system.reg", ec)) / (1 << 20);
    // The main window's size, for the bare window.
    ::setenv("KOLV_BENCH_WIDTH", std::to_string(first.width).c_str(), 1);
    ::setenv("KOLV_BENCH_HEIGHT", std::to_string(first.height).c_str(), 1);
    return true;
}

// The hive as another program leaves it: a new version, same bytes.
void changeHive(const Case& c) {
    const fs::path hive = c.root->root() / "system.reg";
    ::utimensat(AT_FDCWD, hive.c_str(), nullptr, 0);
}

std::vector<double> differences(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> d;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        d.push_back(a[i] - b[i]);
    return d;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc > 1 && (std::strcmp(argv[1], "--child") == 0 || std::strcmp(argv[1], "--bare") == 0))
        return child(argc, argv, std::strcmp(argv[1], "--bare") == 0);

    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    const int styles = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const std::vector<int> sizes = counts(argc > 3 ? argv[3] : nullptr, {10, 30});

    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 1;
    self[length] = '\0';

    // Keeps what the starts learn about their hives where this run can clear it away.
    TempRoot cacheHome;
    ::setenv("XDG_CACHE_HOME", (cacheHome.root() / "cache").c_str(), 1);

    std::vector<Case> cases;
    cases.push_back(Case("small", 0, false));
    for (const int mb : sizes) {
        cases.push_back(Case(std::to_string(mb) + " MB", mb, false));
        cases.push_back(Case(std::to_string(mb) + " MB, changed since the last start", mb, true));
    }
    for (Case& c : cases)
        if (!prepare(self, c, styles))
            return 1;
    Case bare("bare", 0, false);
    for (int run = 0; run < runs; ++run) {
        const size_t n = cases.size() + 1;
        for (size_t k = 0; k < n; ++k) {
            const size_t which = (k + size_t(run)) % n;
            Case& c = which == cases.size() ? bare : cases[which];
            if (c.cold)
                changeHive(c);
            const bool isBare = &c == &bare;
            const Start t =
                startChild(self, isBare ? "--bare" : "--child", (isBare ? cases[0] : c).root->root());
            if (t.ms < 0) {
                std::fprintf(stderr, "a child did not report\n");
                return 1;
            }
            c.ms.push_back(t.ms);
            c.peak.push_back(double(t.memory.peak) / 1024);
            c.priv.push_back(double(t.memory.privateKb) / 1024);
        }
    }

    const Case& small = cases[0];
    const std::string styleText = std::to_string(styles) + " styles";
    std::printf("start-up, median of %d: bare window %.1f ms, small system.reg %.1f ms", runs,
                median(bare.ms), median(small.ms));
    for (size_t i = 1; i < cases.size(); ++i)
        std::printf(", %s %.1f ms", cases[i].name.c_str(), median(cases[i].ms));
    std::printf("\n");
    for (size_t i = 1; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string data = styleText + format(", %.1f MB `system.reg`", c.hiveMb) +
                                 (c.cold ? ", changed since the last start" : "");
        if (c.megabytes == 10 && !c.cold)
            result("Start-up to the main window shown (splash left out)", data, milliseconds(median(c.ms)),
                   "none (bare Qt window: " + milliseconds(median(bare.ms)) + ")", "-", "<= 200 ms");
        result("Start-up with a large `system.reg`, time", data, milliseconds(median(c.ms)),
               milliseconds(median(small.ms)) + " small `system.reg`",
               format("%.2fx", pairedRatio(c.ms, small.ms)), "<= 1.2x");
        result("Start-up with a large `system.reg`, peak RSS (VmHWM)", data,
               format("%.1f MB", median(c.peak)), format("%.1f MB small `system.reg`", median(small.peak)),
               format("%+.1f MB", median(differences(c.peak, small.peak))), "<= baseline + 3 MB");
        result("Start-up with a large `system.reg`, private (smaps_rollup)", data,
               format("%.1f MB", median(c.priv)), format("%.1f MB small `system.reg`", median(small.priv)),
               format("%+.1f MB", median(differences(c.priv, small.priv))), "<= baseline + 3 MB");
    }
    const std::string data = styleText + " listed, the program's own small `system.reg`";
    result("Memory after start-up, peak RSS (VmHWM)", data, format("%.1f MB", median(small.peak)),
           format("%.1f MB bare Qt window", median(bare.peak)),
           format("%+.1f MB", median(differences(small.peak, bare.peak))), "<= baseline + 5 MB");
    result("Memory after start-up, private (smaps_rollup)", data, format("%.1f MB", median(small.priv)),
           format("%.1f MB bare Qt window", median(bare.priv)),
           format("%+.1f MB", median(differences(small.priv, bare.priv))), "<= baseline + 5 MB");
    return 0;
}
