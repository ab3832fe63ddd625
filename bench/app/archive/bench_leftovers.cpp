// The sweep at start-up that takes away what killed installs left, made at each start of
// the program and of each command: the themes folder read (the usual case), and every
// folder below it read once a killed install's mark is found there, its half-made style of
// a thousand files taken away; and a record of millions of entries planted beside a mark.
// Timed on a themes folder of many styles laid out as real ones are (a style file, a
// readme, a preview, the shell styles of three colour schemes), against what start-up
// spends on the same folder already (the catalogue's listing, readdir and one fstatat per
// style) and against a bare walk of every folder (readdir only), run by run.
//
//   bench_leftovers [runs] [style counts]     (defaults: 9 runs, counts 100,1000)
#include "BenchSupport.h"

#include "archive/InstallLeftovers.h"

using namespace bench;

namespace {

// Every folder below folder read once, nothing else asked: the least a walk costs.
size_t bareWalk(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir)
        return 0;
    size_t entries = 0;
    std::vector<std::string> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view n = entry->d_name;
        if (n == "." || n == "..")
            continue;
        ++entries;
        if (entry->d_type == DT_DIR)
            folders.emplace_back(n);
    }
    for (const std::string& folder : folders)
        entries += bareWalk(::dirfd(dir), folder.c_str());
    ::closedir(dir);
    return entries;
}

void makeStyle(const fs::path& folder) {
    fs::create_directories(folder / "Shell");
    touch(folder / (folder.filename().string() + ".msstyles"), std::string(4096, 's'));
    touch(folder / "readme.txt");
    touch(folder / "preview.jpg");
    for (const char* scheme : {"NormalColor", "Metallic", "HomeStead"}) {
        fs::create_directories(folder / "Shell" / scheme);
        touch(folder / "Shell" / scheme / "shellstyle.dll");
        for (int i = 0; i < 4; ++i)
            touch(folder / "Shell" / scheme / ("bitmap" + std::to_string(i) + ".bmp"));
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 9;
    const std::vector<int> sizes = counts(argc > 2 ? argv[2] : nullptr, {100, 1000});
    std::printf("%s\n", machine().c_str());
    for (const int styles : sizes) {
        TempRoot root;
        for (int i = 0; i < styles; ++i)
            makeStyle(root.themes() / ("Style " + std::to_string(i)));
        const std::string data = std::to_string(styles) + " styles of 17 files in 5 folders";
        std::vector<double> later, listing, walk, killed;
        // A pass before the timed ones, so every run finds the folders in the cache.
        InstallLeftovers::sweep(root.themes());
        for (int run = 0; run < runs; ++run) {
            // Who goes first turns from run to run.
            for (int turn = 0; turn < 3; ++turn) {
                switch ((run + turn) % 3) {
                case 0: {
                    const auto start = Clock::now();
                    InstallLeftovers::sweep(root.themes());
                    later.push_back(msSince(start));
                    break;
                }
                case 1: {
                    const auto start = Clock::now();
                    rawFolderCount(root.themes());
                    listing.push_back(msSince(start));
                    break;
                }
                default: {
                    const auto start = Clock::now();
                    bareWalk(AT_FDCWD, root.themes().c_str());
                    walk.push_back(msSince(start));
                }
                }
            }
            // A killed install's half-made style, made anew for each run (not timed).
            const fs::path bomb = root.themes() / "Bomb";
            fs::create_directories(bomb / "Shell" / "NormalColor");
            touch(root.themes() / ".kolv~999999999.1~run", "");
            for (int i = 0; i < 1000; ++i)
                touch(bomb / "Shell" / "NormalColor" / (".kolv~999999999.1~" + std::to_string(i)));
            const auto start = Clock::now();
            const InstallLeftovers::Swept swept = InstallLeftovers::sweep(root.themes());
            killed.push_back(msSince(start));
            if (swept.files != 1001 || fs::exists(bomb)) {
                std::fprintf(stderr, "the sweep left the killed install's files\n");
                return 1;
            }
        }
        std::printf("%d styles: a start %.2f ms, catalogue listing %.2f ms, bare walk %.2f ms, with a killed "
                    "install of 1000 files %.2f ms\n",
                    styles, median(later), median(listing), median(walk), median(killed));
        result("Start-up sweep of killed installs' leftovers, a start with nothing to remove", data,
               milliseconds(median(later)),
               milliseconds(median(listing)) + " catalogue listing (readdir+fstatat)",
               format("%.2fx", pairedRatio(later, listing)), "-");
        result("Start-up sweep, a killed install's 1000 files and its folders to remove", data,
               milliseconds(median(killed)),
               milliseconds(median(walk)) + " bare walk (readdir of every folder)",
               format("%.2fx", pairedRatio(killed, walk)), "-");
    }

    // A planted record of 2,000,000 entries (about 32 MB) beside a killed install's mark,
    // run by run against reading that file through once: the sweep reads no further than
    // an install writes a record.
    TempRoot root;
    makeStyle(root.themes() / "Blue");
    std::string record;
    for (int i = 0; i < 2'000'000; ++i)
        record += std::to_string(i) + "/f" + std::to_string(i) + '\0';
    const fs::path recordFile = root.themes() / "Blue" / ".kolv~999999999.1~kept";
    touch(recordFile, record);
    std::vector<double> planted, reading;
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((run + turn) % 2 == 0) {
                touch(root.themes() / ".kolv~999999999.1~run", "");
                const auto start = Clock::now();
                InstallLeftovers::sweep(root.themes());
                planted.push_back(msSince(start));
            } else {
                const auto start = Clock::now();
                const int fd = ::open(recordFile.c_str(), O_RDONLY | O_CLOEXEC);
                static char block[1 << 16];
                while (::read(fd, block, sizeof block) > 0) {
                }
                ::close(fd);
                reading.push_back(msSince(start));
            }
        }
    }
    const std::string data = format("%.0f MB record of 2,000,000 entries", double(record.size()) / 1e6);
    std::printf("%s: sweep %.2f ms, reading it %.2f ms\n", data.c_str(), median(planted), median(reading));
    result("Start-up sweep, a planted record of a killed install", data, milliseconds(median(planted)),
           milliseconds(median(reading)) + " reading the record (read(2))",
           format("%.2fx", pairedRatio(planted, reading)), "-");
    return 0;
}
