#include "ExtractionFolder.h"

#include "EntryNames.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

ExtractionFolder::~ExtractionFolder() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int ExtractionFolder::open(const std::filesystem::path& hostFolder) {
    std::error_code error;
    std::filesystem::create_directories(hostFolder, error);
    m_fd = ::open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd >= 0)
        return 0;
    return error ? error.value() : errno;
}

int ExtractionFolder::resolve(const std::vector<std::string>& components, size_t count, std::string& folder,
                              std::string& error) {
    if (count == 0) {
        folder.clear();
        return 0;
    }
    std::string key;
    for (size_t i = 0; i < count; ++i)
        key = join(key, components[i]);
    if (auto known = m_resolved.find(key); known != m_resolved.end()) {
        folder = known->second;
        return 0;
    }

    std::string parent;
    if (const int err = resolve(components, count - 1, parent, error))
        return err;
    Listing& parentListing = listing(parent);
    const std::string& wanted = components[count - 1];
    if (const Listing::Child* existing = parentListing.find(wanted)) {
        if (!existing->isFolder) {
            error = "a file of that name is in the way of the folder " + join(parent, wanted);
            return ENOTDIR;
        }
        folder = join(parent, existing->name);
    } else {
        folder = join(parent, wanted);
        if (mkdirat(m_fd, folder.c_str(), 0777) != 0) {
            const int err = errno;
            struct stat st {};
            if (err != EEXIST || fstatat(m_fd, folder.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISDIR(st.st_mode)) {
                error = "cannot create the folder " + folder + ": " + std::strerror(err);
                return err;
            }
        } else {
            m_listings.emplace(folder, Listing()); // new and empty: no need to read it
        }
        parentListing.add(wanted, true);
    }
    m_resolved.emplace(key, folder);
    return 0;
}

ExtractionFolder::Existing ExtractionFolder::find(const std::string& folder, const std::string& name) {
    Existing result;
    if (const Listing::Child* child = listing(folder).find(name)) {
        result.found = true;
        result.isFolder = child->isFolder;
        result.name = child->name;
    }
    return result;
}

ExtractionFolder::Listing& ExtractionFolder::listing(const std::string& folder) {
    auto known = m_listings.find(folder);
    if (known != m_listings.end())
        return known->second;
    Listing& result = m_listings[folder];
    const int fd =
        openat(m_fd, folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return result;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return result;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = item->d_type == DT_DIR;
        if (item->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder =
                fstatat(dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        // A link to a folder counts as a file: nothing is ever written through one.
        result.add(name, isFolder);
    }
    closedir(dir);
    return result;
}

int ExtractionFolder::createTemporary(const std::string& folder, std::string& tempPath) {
    // Hidden, and unlike any name an archive of ours would hold.
    const std::string prefix = ".kolv~" + std::to_string(getpid()) + "~";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = join(folder, prefix + std::to_string(m_tempCounter++));
        const int fd =
            openat(m_fd, tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int ExtractionFolder::commit(const std::string& tempPath, const std::string& folder,
                             const std::string& name) {
    const std::string target = join(folder, name);
    if (renameat(m_fd, tempPath.c_str(), m_fd, target.c_str()) != 0)
        return errno;
    Listing& files = listing(folder);
    if (!files.find(name))
        files.add(name, false);
    return 0;
}

void ExtractionFolder::discard(const std::string& tempPath) {
    unlinkat(m_fd, tempPath.c_str(), 0);
}
