// The extraction engine: an archive is whatever the user downloaded. Each input is
// extracted, the install command's way, into a fresh folder; afterwards nothing exists
// outside that folder, nothing inside it is a link or a temporary file, listing the
// archive writes nothing at all, and an install cancelled part-way leaves nothing.
#include "FuzzCheck.h"
#include "archive/ArchiveExtractor.h"
#include "archive/InstallLeftovers.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

// A Windows root of its own (so no path leads into the user's), its drive C: holding
// one folder per run: the archive, the extraction folder, and nothing else.
fs::path g_run;

// What this process's temporary files, mark and records start with, known by its length
// and its hash alone: a comparison with the text itself would teach the fuzzer the text
// (its value profile reads the operands of comparisons), which it would then write into an
// entry's name.
size_t g_ownPrefixLength = 0;
uint64_t g_ownPrefixHash = 0;

// Whether the name is one of this process's own: its prefix, and the rest one of ours.
// An archive may well hold a file named ".kolv~something" of its own, which is extracted
// as any other.
bool isOwnFile(std::string_view name) {
    return name.size() > g_ownPrefixLength &&
           fuzzing::hashOf(name.substr(0, g_ownPrefixLength)) == g_ownPrefixHash &&
           InstallLeftovers::kindOf(name) != InstallLeftovers::Kind::None;
}

// Every path below folder, relative; a link or a temporary file of ours fails the run.
std::vector<std::string> contents(const fs::path& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        FUZZ_EXPECT(!it->is_symlink(ec));
        FUZZ_EXPECT(!isOwnFile(it->path().filename().native()));
        out.push_back(it->path().lexically_relative(folder).string());
    }
    FUZZ_EXPECT(!ec);
    return out;
}

// The arguments libFuzzer is about to read, each path it writes a finding to made
// absolute: a finding is written while an input runs, in the run's folder (with no
// prefix given, the folder the fuzzer was started in is the prefix).
void resolveArtifactPaths(int* argc, char*** argv) {
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    const std::string here = fs::current_path().string() + "/";
    bool prefixed = false;
    for (int i = 0; i < *argc; ++i) {
        std::string arg = (*argv)[i];
        for (const std::string_view flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
            if (arg.starts_with(flag)) {
                prefixed = true;
                if (arg.size() == flag.size() || arg[flag.size()] != '/')
                    arg.insert(flag.size(), here);
            }
        }
        texts.push_back(std::move(arg));
    }
    if (!prefixed)
        texts.push_back("-artifact_prefix=" + here);
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(texts.size());
    *argv = pointers.data();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    resolveArtifactPaths(argc, argv);
    const std::string own = InstallLeftovers::ownPrefix();
    g_ownPrefixLength = own.size();
    g_ownPrefixHash = fuzzing::hashOf(own);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        std::abort();
    const fs::path root = pattern;
    fs::create_directories(root / "drive_c");
    fs::create_directories(root / "dosdevices");
    fs::create_directory_symlink("../drive_c", root / "dosdevices" / "c:");
    ::setenv("WINEPREFIX", root.c_str(), 1);
    g_run = root / "drive_c" / "run";
    std::atexit([] { fs::remove_all(g_run.parent_path().parent_path()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fs::remove_all(g_run);
    fs::create_directories(g_run);
    const fs::path archive = g_run / "in.bin";
    std::ofstream(archive, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    // A name resolved against the working folder would land beside the archive.
    const fs::path working = fs::current_path();
    fs::current_path(g_run);

    UnzipNameList none;
    UnzipOptions options;
    options.archivePath = archive.string();
    options.targetFolder = (g_run / "Themes").string() + "/";
    options.overwriteAll = 1;
    UnzipCallbacks callbacks;
    callbacks.password = [](char*, int, const char*, const char*) { return 1; };

    options.listOnly = 1;
    ArchiveExtractor::extract(0, none, 0, none, options, callbacks);
    FUZZ_EXPECT(contents(g_run) == std::vector<std::string>{"in.bin"});

    options.listOnly = 0;
    const int code = ArchiveExtractor::extract(0, none, 0, none, options, callbacks);
    for (const std::string& path : contents(g_run))
        FUZZ_EXPECT(path == "in.bin" || path == "Themes" || path.starts_with("Themes/"));
    FUZZ_EXPECT(contents(g_run.parent_path()).size() == contents(g_run).size() + 1);
    // A second run over what the first one left replaces, and stays inside, likewise.
    if (code == UnzipOk) {
        ArchiveExtractor::extract(0, none, 0, none, options, callbacks);
        for (const std::string& path : contents(g_run))
            FUZZ_EXPECT(path == "in.bin" || path == "Themes" || path.starts_with("Themes/"));
    }
    // Cancelled after a few entries (how many, the input decides), an install leaves
    // nothing behind, not even the folder it was to extract into.
    fs::remove_all(g_run / "Themes");
    int entriesLeft = int(size % 5);
    callbacks.service = [&entriesLeft](const char*, std::uint64_t) { return entriesLeft-- > 0 ? 0 : 1; };
    if (ArchiveExtractor::extract(0, none, 0, none, options, callbacks) == UnzipCancelled)
        FUZZ_EXPECT(contents(g_run) == std::vector<std::string>{"in.bin"});
    fs::current_path(working);
    return 0;
}
