#pragma once
// The names of the temporary files an install writes, which process they belong to, and
// the sweep at start-up that takes away what an install killed earlier left behind.
//
// ".kolv~<pid>.<start>~<n>" is a temporary file (data being written, or a file the install
// replaced, kept aside until it ends) and ".kolv~<pid>.<start>~run" the mark an install
// keeps in the themes folder while it runs. ".kolv~<pid>.<start>~kept" lies beside the
// files an install kept aside in a folder: the record of which temporary file holds which
// replaced file (InstallJournal.h). They are hidden, unlike any name a style would hold,
// and name the writing process by its number and its start time (a number alone may
// belong to a later process).

#include <dirent.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace InstallLeftovers {

// ".kolv~<pid>.<start>~" for this process (read again in a child made by fork).
std::string ownPrefix();
// What follows that prefix in the name of the mark and of the record.
inline constexpr std::string_view kRunMark = "run";
inline constexpr std::string_view kKeptRecord = "kept";

enum class Kind { None, Temporary, RunMark, KeptRecord };
// Which of our names this is, whatever became of the process it names.
Kind kindOf(std::string_view name);
// Which of our names this is when the process it names has gone: its number runs no
// process, or one that started at another time. None for any other name, and for the
// names of a process that still runs.
Kind stale(std::string_view name);
// The same for an entry of a folder of the type given (DT_REG, ...): a record whatever it
// is (one that is no plain file cannot be read, and the files of its install then stay), a
// temporary file or a mark only when it is a plain file.
Kind staleEntry(std::string_view name, unsigned char type);
// Whether the name is the mark of an install whose process still runs.
bool isLiveRunMark(std::string_view name);

// A folder being read, closed when it goes.
struct FolderCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using FolderReader = std::unique_ptr<DIR, FolderCloser>;
// Reads the folder name below the folder open at parentFd ("." for that one itself), never
// through a link; null when it cannot be read.
FolderReader readFolder(int parentFd, const char* name);

// The type of an entry of the folder being read (DT_DIR, DT_REG, ...), a link never
// followed; DT_UNKNOWN when the entry has gone.
unsigned char entryType(DIR* dir, const dirent& item);

// What killed installs left in one folder, gathered while the folder is read and dealt with
// once it has been read whole (a record may come after the files it names).
class FolderLeftovers {
public:
    // Takes an entry of the folder, of the kind staleEntry() gave it, when it is a
    // temporary file or a record; false for anything else.
    bool take(std::string_view name, Kind kind);

    struct Settled {
        std::size_t removed = 0;           // temporary files and records removed
        std::vector<std::string> restored; // the names files kept aside went back to
        bool stays = false;                // something of theirs could not be settled
    };
    // Puts each file a record names back in its place (InstallJournal::settle), then
    // removes the records and the other temporary files. A file an entry was passed over
    // for stays, with its record, as do all the temporary files of an install whose record
    // cannot be read. No link is followed.
    Settled settle(int folderFd);

private:
    std::vector<std::string> m_temporaries;
    std::vector<std::string> m_records;
};

struct Swept {
    std::size_t files = 0;    // temporary files, records and marks removed
    std::size_t restored = 0; // files kept aside that went back to their places
    std::size_t folders = 0;  // folders removed because they then held nothing
};
// Settles, in the themes folder (a host path), what installs whose process has gone left:
// the files they kept aside go back to their places and their other temporary files,
// records and marks go (FolderLeftovers). The folders below it are read only when a killed
// install's mark lies there (an install leaves its mark there while it runs, so a walk
// finds all it left), at any depth; then each folder that held such temporaries and holds
// nothing any more goes, up to and including its style folder, unless an install runs
// there now. Nothing else is touched: no other file, no folder that held none of them, no
// link followed.
Swept sweep(const std::filesystem::path& themesFolder);
// The same for the themes folder open at themesFolderFd (left open).
Swept sweep(int themesFolderFd);

} // namespace InstallLeftovers
