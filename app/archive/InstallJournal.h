#pragma once
// The journal of an install: in each folder where it replaces a file, a record of which of
// its temporary files holds the file it replaced, so that the files of an install killed
// before it ended go back to their places.
//
// Before a file is replaced, the install gives it a second name, one of its temporary
// files (".kolv~<pid>.<start>~<n>", see InstallLeftovers.h), and appends to the folder's
// record ".kolv~<pid>.<start>~kept" an entry: the number n, '/', the file's name, NUL. An
// install killed before the entry was whole left the original in its place (its second
// name is a temporary file like any other); one killed after it left the record. An
// install that ends removes its records first and then the files kept aside, so that from
// then on a kill leaves the new files; an undo puts the files back first and removes the
// records last. What a record of an install whose process has gone says is done by
// settle(), at the next start or when the next install reads the folder.

#include "platform/UniqueFd.h"
#include "platform/WriteAll.h"

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace InstallJournal {

// The most a record holds: an install replaces no file it cannot enter within it, and
// what lies past it in a record is ignored. Some tens of thousands of files in one folder.
inline constexpr std::size_t kMaxRecordSize = std::size_t(1) << 22;

// This process's record in one folder, as its installs append to it.
class Record {
public:
    // Enters that the temporary file asideName holds the file named name, both in the
    // folder open at dir (write: the call that writes it, nullptr for write(2)). 0 or an
    // errno value; after an entry that could be neither written whole nor taken back,
    // nothing more is entered.
    int enter(int dir, const std::string& asideName, const std::string& name, platform::WriteCall write);
    bool isOpen() const { return static_cast<bool>(m_fd); }
    // Whether this install has opened the record since it began or since remove().
    bool opened() const { return m_opened; }
    // Closes the record, which stays as it is; the next entry opens it again.
    void close() { m_fd.reset(); }
    // Takes away the entries this install made (closed first): the whole record when it
    // held nothing before, otherwise only those (the entries of an earlier install of this
    // process whose files could not go back stay).
    void remove(int dir);

private:
    platform::UniqueFd m_fd; // open for appending, or none
    bool m_opened = false;
    bool m_cut = false; // an entry could be neither written nor taken back
    off_t m_start = 0;  // what the record held before this install's first entry
    off_t m_size = 0;   // what it held before the entry being appended
};

// What settling a killed install's record did.
struct Settled {
    bool read = false;                 // the record could be read to its end
    bool whole = false;                // each of its entries was settled: it can go
    std::vector<std::string> restored; // the names files went back to
    std::vector<std::string> staying;  // the temporary files that must stay
};
// Settles the record (a name in the folder open at folderFd) of an install whose process
// has gone, the temporary files of killed installs that lie in the folder given: each
// file it names goes back to its place (over what the install wrote there; a file never
// replaced has only its second name taken away). A record names files of its own folder
// only, of its own install; an entry that names anything else, or a place that does not
// hold a plain file, is passed over and its file stays. No link is followed, and none goes
// back. Of a record longer than an install writes, what lies past kMaxRecordSize is
// ignored, with a diagnostic line.
Settled settle(int folderFd, const std::string& record, const std::vector<std::string>& temporaries);

} // namespace InstallJournal
