#include "ExtractionFolder.h"

#include "EntryNames.h"
#include "InstallJournal.h"
#include "InstallLeftovers.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

struct ExtractionFolder::Folder {
    Folder* parent = nullptr;
    platform::UniqueFd fd; // an open handle of it, or none
    std::string name;      // as spelled on disk; empty for the extraction folder
    bool listed = false;
    bool created = false;          // made by this extraction
    bool named = false;            // an entry of the archive names it
    InstallJournal::Record record; // of the files this extraction kept aside here
    Listing entries;
    // The names of the files this extraction put here, each with the temporary name of the
    // file it replaced (empty when there was none).
    std::unordered_map<std::string, std::string> written;
    std::unordered_map<std::string, std::unique_ptr<Folder>> subfolders; // by name on disk
};

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The number of this process's next temporary file. Shared by every extraction the process
// makes, so that a name never comes twice and an old record entry can never name a newer
// extraction's file.
unsigned g_temporaryCounter = 0;

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + '/' + name;
}

} // namespace

void ExtractionFolder::Listing::add(const std::string& name, bool isFolder) {
    byName[name] = Child{name, isFolder};
    byFolded.emplace(EntryNames::foldedName(name), name);
}

const ExtractionFolder::Listing::Child* ExtractionFolder::Listing::find(const std::string& name) const {
    auto exact = byName.find(name);
    if (exact != byName.end())
        return &exact->second;
    auto folded = byFolded.find(EntryNames::foldedName(name));
    if (folded == byFolded.end())
        return nullptr;
    return &byName.find(folded->second)->second;
}

ExtractionFolder::ExtractionFolder() : m_root(std::make_unique<Folder>()) {}

ExtractionFolder::~ExtractionFolder() {
    // Neither finished nor rolled back: what was written stays, as if finished.
    dropKeptFiles();
    removeMark();
    closeRecords();
    forgetHandles();
}

int ExtractionFolder::open(const std::filesystem::path& hostFolder) {
    // The folders create_directories is about to make, so that they can go again when
    // nothing is extracted into them.
    std::error_code error;
    std::vector<std::filesystem::path> missing;
    std::filesystem::path folder = hostFolder.lexically_normal();
    if (!folder.has_filename() && folder.has_parent_path())
        folder = folder.parent_path(); // "a/b/" names "a/b"
    for (std::filesystem::path p = folder; !p.empty() && !std::filesystem::exists(p, error);
         p = p.parent_path()) {
        missing.insert(missing.begin(), p);
        if (p == p.parent_path())
            break;
    }
    std::filesystem::create_directories(hostFolder, error);
    m_fd.reset(::open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_fd)
        return error ? error.value() : errno;
    for (const auto& p : missing) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            m_createdAbove.push_back(p);
    }
    if (!missing.empty())
        m_root->listed = true; // new and empty: no need to read it
    return 0;
}

void ExtractionFolder::forgetHandles() {
    for (Folder* folder : m_handles)
        folder->fd.reset();
    m_handles.clear();
}

int ExtractionFolder::handle(Folder& folder) {
    if (&folder == m_root.get())
        return m_fd.get();
    if (folder.fd)
        return folder.fd.get();
    // Archives write into a few folders by turns: their handles stay open, within a limit.
    if (m_handles.size() >= kMaxHandles)
        forgetHandles();
    // Each level is opened from the handle of the one above it, once.
    std::vector<Folder*> chain;
    for (Folder* f = &folder; f != m_root.get() && !f->fd; f = f->parent)
        chain.push_back(f);
    int fd = chain.back()->parent == m_root.get() ? m_fd.get() : chain.back()->parent->fd.get();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        (*it)->fd.reset(::openat(fd, (*it)->name.c_str(), kFolderFlags));
        if (!(*it)->fd)
            return -1;
        fd = (*it)->fd.get();
        m_handles.push_back(*it);
    }
    return fd;
}

ExtractionFolder::Folder& ExtractionFolder::child(Folder& parent, const std::string& name) {
    std::unique_ptr<Folder>& slot = parent.subfolders[name];
    if (!slot) {
        slot = std::make_unique<Folder>();
        slot->parent = &parent;
        slot->name = name;
    }
    return *slot;
}

std::string ExtractionFolder::path(const Folder& folder) const {
    std::vector<const Folder*> chain;
    for (const Folder* f = &folder; f != m_root.get(); f = f->parent)
        chain.push_back(f);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        out = join(out, (*it)->name);
    return out;
}

ExtractionFolder::Folder* ExtractionFolder::resolve(const std::vector<std::string>& components, size_t count,
                                                    int& err, std::string& error) {
    Folder* folder = m_root.get();
    for (size_t i = 0; i < count; ++i) {
        const std::string& wanted = components[i];
        Listing& entries = listing(*folder);
        if (const Listing::Child* existing = entries.find(wanted)) {
            if (!existing->isFolder) {
                err = ENOTDIR;
                error = "a file of that name is in the way of the folder " + join(path(*folder), wanted);
                return nullptr;
            }
            folder = &child(*folder, existing->name);
            continue;
        }
        const int dir = handle(*folder);
        const int made = dir < 0 ? -1 : ::mkdirat(dir, wanted.c_str(), 0777);
        if (made != 0) {
            err = errno;
            struct stat st {};
            if (dir < 0 || err != EEXIST || ::fstatat(dir, wanted.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISDIR(st.st_mode)) {
                error = "cannot create the folder " + join(path(*folder), wanted) + ": " + std::strerror(err);
                return nullptr;
            }
        }
        entries.add(wanted, true);
        folder = &child(*folder, wanted);
        if (made == 0) { // not when someone else made it meanwhile: that one is not ours
            folder->created = true;
            folder->listed = true; // new and empty: no need to read it
            m_created.push_back(folder);
        }
    }
    err = 0;
    return folder;
}

void ExtractionFolder::named(Folder& folder) {
    folder.named = true;
}

ExtractionFolder::Existing ExtractionFolder::find(Folder& folder, const std::string& name) {
    Existing result;
    if (const Listing::Child* child = listing(folder).find(name)) {
        result.found = true;
        result.isFolder = child->isFolder;
        result.name = child->name;
    }
    return result;
}

ExtractionFolder::Listing& ExtractionFolder::listing(Folder& folder) {
    Listing& result = folder.entries;
    if (folder.listed)
        return result;
    folder.listed = true;
    const int dirFd = handle(folder);
    const InstallLeftovers::FolderReader dir = InstallLeftovers::readFolder(dirFd, ".");
    if (!dir)
        return result;
    // What an extraction killed earlier left here is settled as it is seen.
    InstallLeftovers::FolderLeftovers leftovers;
    while (const dirent* item = readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const unsigned char type = InstallLeftovers::entryType(dir.get(), *item);
        const auto kind = InstallLeftovers::staleEntry(name, type);
        if (leftovers.take(name, kind))
            continue;
        if (kind == InstallLeftovers::Kind::RunMark && &folder == m_root.get())
            m_staleMarks.push_back(name);
        // A link to a folder counts as a file: nothing is ever written through one.
        result.add(name, type == DT_DIR);
    }
    for (const std::string& name : leftovers.settle(dirfd(dir.get())).restored)
        result.add(name, false);
    return result;
}

int ExtractionFolder::nextTemporary(Folder& folder, std::string& tempName) {
    const int dir = handle(folder);
    if (dir < 0)
        return -1;
    if (m_tempPrefix.empty())
        m_tempPrefix = InstallLeftovers::ownPrefix();
    tempName = m_tempPrefix + std::to_string(g_temporaryCounter++);
    return dir;
}

int ExtractionFolder::createTemporary(Folder& folder, std::string& tempName) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int dir = nextTemporary(folder, tempName);
        if (dir < 0)
            return -1;
        const int fd =
            ::openat(dir, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int ExtractionFolder::keepAside(Folder& folder, int dir, const std::string& name, std::string& asideName) {
    // A second name for the file costs nothing and leaves it in place until the new one
    // takes its name in one step: at no moment is there no file of that name. It is
    // recorded once made: until then it is a temporary file like any other, which goes
    // when the extraction is killed, and the original has not left its place.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (nextTemporary(folder, asideName) < 0)
            return errno;
        if (::linkat(dir, name.c_str(), dir, asideName.c_str(), 0) == 0) {
            const int err = record(folder, dir, asideName, name);
            if (err)
                ::unlinkat(dir, asideName.c_str(), 0);
            return err;
        }
        if (errno != EEXIST)
            break;
    }
    // A file system without hard links: a copy, with the original's permissions and times.
    const platform::UniqueFd from(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!from)
        return errno;
    struct stat st {};
    platform::UniqueFd to(::fstat(from.get(), &st) == 0 ? createTemporary(folder, asideName) : -1);
    int err = to ? 0 : errno;
    char block[1 << 16];
    while (!err) {
        const ssize_t n = ::read(from.get(), block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        if (!platform::writeAll(to.get(), std::string_view(block, static_cast<size_t>(n))))
            err = errno;
    }
    if (to) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (!err && (::fchmod(to.get(), st.st_mode & 07777) != 0 || ::futimens(to.get(), times) != 0))
            err = errno;
        if (!to.close() && !err)
            err = errno;
        if (!err) // only a complete copy is recorded
            err = record(folder, dir, asideName, name);
        if (err)
            ::unlinkat(dir, asideName.c_str(), 0);
    }
    return err;
}

int ExtractionFolder::record(Folder& folder, int dir, const std::string& asideName, const std::string& name) {
    // Archives may take turns among folders entry by entry: a folder's record stays open,
    // as many as folder handles, so that an entry costs one write.
    const bool opening = !folder.record.isOpen();
    if (opening && m_openRecords.size() >= kMaxHandles)
        closeRecords();
    const bool first = !folder.record.opened();
    const int err = folder.record.enter(dir, asideName, name, m_write);
    if (opening && folder.record.isOpen())
        m_openRecords.push_back(&folder);
    if (first && folder.record.opened())
        m_recordedIn.push_back(&folder);
    return err;
}

void ExtractionFolder::closeRecords() {
    for (Folder* folder : m_openRecords)
        folder->record.close();
    m_openRecords.clear();
}

void ExtractionFolder::removeRecords() {
    closeRecords();
    for (Folder* folder : m_recordedIn)
        folder->record.remove(handle(*folder));
    m_recordedIn.clear();
}

int ExtractionFolder::commit(Folder& folder, const std::string& tempName, const std::string& name) {
    const int dir = handle(folder);
    if (dir < 0)
        return errno;
    Listing& files = listing(folder);
    // The first time this extraction writes the name, a file the user had there is kept.
    const auto [written, first] = folder.written.try_emplace(name);
    if (first && files.find(name)) {
        if (const int err = keepAside(folder, dir, name, written->second)) {
            folder.written.erase(written);
            return err;
        }
    }
    if (::renameat(dir, tempName.c_str(), dir, name.c_str()) != 0) {
        const int err = errno;
        if (first) {
            if (!written->second.empty())
                ::unlinkat(dir, written->second.c_str(), 0); // the original is still in place
            folder.written.erase(written);
        }
        return err;
    }
    if (first && folder.written.size() == 1)
        m_writtenIn.push_back(&folder);
    if (!files.find(name))
        files.add(name, false);
    return 0;
}

void ExtractionFolder::discard(Folder& folder, const std::string& tempName) {
    const int dir = handle(folder);
    if (dir >= 0)
        ::unlinkat(dir, tempName.c_str(), 0);
}

void ExtractionFolder::begin() {
    // Reading the top folder removes the leftovers there and finds the marks of
    // extractions that were killed; only then can leftovers lie anywhere below.
    listing(*m_root);
    if (!m_staleMarks.empty()) {
        m_staleMarks.clear();
        InstallLeftovers::sweep(m_fd.get());
        // The sweep may have taken folders away: the top folder is read again when needed.
        m_root->entries = Listing();
        m_root->listed = false;
    }
    m_mark = InstallLeftovers::ownPrefix() + "run";
    const platform::UniqueFd mark(
        ::openat(m_fd.get(), m_mark.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!mark)
        m_mark.clear();
}

void ExtractionFolder::finish(bool keepNamed) {
    dropKeptFiles();
    removeMark();
    removeUnused(keepNamed);
}

void ExtractionFolder::dropKeptFiles() {
    // The records go first: from then on a kill leaves the new files, not the old ones.
    removeRecords();
    for (Folder* folder : m_writtenIn) {
        const int dir = handle(*folder);
        for (const auto& [name, aside] : folder->written) {
            if (!aside.empty() && dir >= 0)
                ::unlinkat(dir, aside.c_str(), 0);
        }
        folder->written.clear();
    }
    m_writtenIn.clear();
}

bool ExtractionFolder::rollBack() {
    // The records stay until every file is back: a kill meanwhile leaves the rest to them.
    closeRecords();
    bool whole = true;
    for (Folder* folder : m_writtenIn) {
        const int dir = handle(*folder);
        for (const auto& [name, aside] : folder->written) {
            const int undone = dir < 0         ? -1
                               : aside.empty() ? ::unlinkat(dir, name.c_str(), 0)
                                               : ::renameat(dir, aside.c_str(), dir, name.c_str());
            whole = whole && undone == 0;
        }
        folder->written.clear();
    }
    m_writtenIn.clear();
    if (whole) {
        removeRecords();
        removeMark();
    } else {
        // A file that is not back goes back once this process has ended: its record stays,
        // and so does the mark by which the next start finds it.
        m_recordedIn.clear();
        m_mark.clear();
    }
    // Every folder it made goes, named by an entry or not.
    return removeUnused(false) && whole;
}

void ExtractionFolder::removeMark() {
    if (!m_mark.empty() && m_fd)
        ::unlinkat(m_fd.get(), m_mark.c_str(), 0);
    m_mark.clear();
}

bool ExtractionFolder::removeUnused(bool keepNamed) {
    // Made in order, so a folder comes after the one holding it. A folder that holds
    // anything is not empty, and the system refuses to remove it.
    bool allGone = true;
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
        Folder& folder = **it;
        if (keepNamed && folder.named) {
            allGone = false;
            continue;
        }
        const int dir = handle(*folder.parent);
        if (dir < 0 || ::unlinkat(dir, folder.name.c_str(), AT_REMOVEDIR) != 0) {
            allGone = false;
            continue;
        }
        folder.parent->entries.byName.erase(folder.name);
        folder.parent->entries.byFolded.erase(EntryNames::foldedName(folder.name));
    }
    m_created.clear();
    forgetHandles();
    if (!allGone)
        return false;
    for (auto it = m_createdAbove.rbegin(); it != m_createdAbove.rend(); ++it) {
        if (::rmdir(it->c_str()) != 0) {
            allGone = false;
            break;
        }
    }
    m_createdAbove.clear();
    return allGone;
}
