#pragma once
// The folder an archive is extracted into, as the extraction sees it: stored folder paths
// resolved to folders on disk (an existing folder whose name differs only in case is
// used, as Windows would), missing folders created, and files written through temporary
// names beside their targets. Each folder is read once per extraction, and each one is
// reached from its parent's handle, so the work for a stored path is linear in its length.
//
// Nothing is ever written through a symbolic link below it. A file an extraction replaces
// is kept aside until it ends, so that everything it did can be undone (rollBack), and is
// entered in the folder's record (InstallJournal.h) before anything replaces it, so that it
// goes back to its place when the extraction is killed. Folders it made that hold nothing extracted are
// removed again at the end, and what extractions whose process has gone left behind is
// settled: in each folder read (the files they kept aside go back, their other temporary
// files go), and, when such an extraction's mark lies in the extraction folder, everywhere
// InstallLeftovers sweeps.

#include "platform/UniqueFd.h"
#include "platform/WriteAll.h"

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class ExtractionFolder {
public:
    // A folder at or below the extraction folder.
    struct Folder;

    ExtractionFolder();
    ~ExtractionFolder();
    ExtractionFolder(const ExtractionFolder&) = delete;
    ExtractionFolder& operator=(const ExtractionFolder&) = delete;

    // The function the records are written with (nullptr: write(2)), for tests.
    using WriteFunction = platform::WriteCall;
    void setWriteFunction(WriteFunction function) { m_write = function; }

    // Opens the folder, creating it (and its parents) when missing. 0 or an errno value.
    int open(const std::filesystem::path& hostFolder);
    bool isOpen() const { return static_cast<bool>(m_fd); }

    // The folder for the first count stored components, created where missing; nullptr
    // with err set to an errno value and error saying why (ENOTDIR when a file is in the way).
    Folder* resolve(const std::vector<std::string>& components, size_t count, int& err, std::string& error);
    // An archive entry names this folder itself: it stays even when nothing is extracted
    // into it, unless the extraction extracts no file at all.
    void named(Folder& folder);

    struct Existing {
        bool found = false;
        bool isFolder = false;
        std::string name; // as spelled on disk
    };
    Existing find(Folder& folder, const std::string& name);

    // A new, empty temporary file in folder; the descriptor, or -1 with errno set.
    int createTemporary(Folder& folder, std::string& tempName);
    // Puts a complete temporary file in place of folder/name; a file of that name that
    // this extraction did not write is kept aside until it ends. 0 or an errno value.
    int commit(Folder& folder, const std::string& tempName, const std::string& name);
    void discard(Folder& folder, const std::string& tempName);

    // Before the first entry: removes what killed extractions left and marks the
    // extraction folder as in use by this one.
    void begin();
    // After the last entry: drops the records and the files kept aside, removes the mark,
    // and the folders this extraction made that stayed empty, deepest first; folders an
    // entry named stay when keepNamed is set.
    void finish(bool keepNamed);
    // Instead of finish: undoes everything the extraction did. The files it wrote where none
    // was go, the files it replaced are put back, the folders it made go, and so does its
    // mark. False when something could not be undone (a file kept aside then stays under
    // its temporary name rather than be lost, with its record and the mark, so that it
    // goes back when a later start finds this process gone).
    bool rollBack();

    // The folder's path below the extraction folder, '/'-separated, "" for the folder itself.
    std::string path(const Folder& folder) const;

private:
    struct Listing {
        struct Child {
            std::string name;
            bool isFolder = false;
        };
        std::unordered_map<std::string, Child> byName;
        std::unordered_map<std::string, std::string> byFolded;
        void add(const std::string& name, bool isFolder);
        const Child* find(const std::string& name) const;
    };
    Listing& listing(Folder& folder);
    Folder& child(Folder& parent, const std::string& name);
    // A handle of the folder (owned here, valid until the next call), or -1 with errno set.
    int handle(Folder& folder);
    void forgetHandles();
    int keepAside(Folder& folder, int dir, const std::string& name, std::string& asideName);
    // Enters in the folder's record that asideName holds the file named name. 0 or an errno value.
    int record(Folder& folder, int dir, const std::string& asideName, const std::string& name);
    void closeRecords();
    void removeRecords();
    int nextTemporary(Folder& folder, std::string& tempName);
    // Whether every folder it was to remove has gone.
    bool removeUnused(bool keepNamed);
    void dropKeptFiles();
    void removeMark();

    platform::UniqueFd m_fd;
    std::unique_ptr<Folder> m_root;
    std::vector<Folder*> m_created;                    // in the order they were made
    std::vector<std::filesystem::path> m_createdAbove; // made by open(), outermost first
    static constexpr size_t kMaxHandles = 64;
    std::vector<Folder*> m_handles; // the folders that have a handle open
    std::string m_tempPrefix;
    std::vector<Folder*> m_writtenIn;   // the folders files were put in, in that order
    std::vector<Folder*> m_recordedIn;  // the folders that hold a record of this extraction
    std::vector<Folder*> m_openRecords; // the folders whose record is open (all closed at the limit)
    WriteFunction m_write = nullptr;
    std::string m_mark;                    // this extraction's mark in the extraction folder
    std::vector<std::string> m_staleMarks; // marks of killed extractions found there
};
