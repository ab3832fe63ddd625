#include "ArchiveExtractor.h"

#include "EntryNames.h"
#include "ExtractionFolder.h"
#include "InstallLeftovers.h"
#include "platform/Paths.h"
#include "platform/UniqueFd.h"
#include "platform/WriteAll.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fnmatch.h>
#include <locale.h>
#include <memory>
#include <optional>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ArchiveExtractor {

namespace {

WriteFunction g_writeFunction = nullptr;

// Large reads keep the number of system calls per megabyte small; libarchive hands the
// decompressed data back in blocks of its own size.
constexpr size_t kReadBlockSize = 1 << 20;

// The longest path an entry may have on disk, in characters of its Windows form ("C:\...",
// UTF-16 units), the terminating NUL not counted. MAX_PATH (260 with the NUL) is what a
// program using the ANSI calls can open at all, and every reader of a style is one: the
// theme service, Explorer and the Display control panel, and this program. A file beyond
// it could never be used, and on the systems the styles are made for Explorer could not
// even delete it. (The extended limit of 32,767 units needs "\\?\" paths, which none of
// them use.)
constexpr size_t kMaxPath = 259;

bool isDiskFull(int err) {
    return err == ENOSPC || err == EDQUOT;
}

bool mentions(const char* text, std::initializer_list<const char*> needles) {
    if (!text)
        return false;
    for (const char* needle : needles) {
        if (strcasestr(text, needle))
            return true;
    }
    return false;
}

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + '/' + name;
}

// libarchive converts names from UTF-16 (7z, RAR) or flagged UTF-8 (ZIP) into the
// current locale's character set; with the "C" locale anything beyond ASCII is lost. The
// extraction therefore runs with UTF-8 as this thread's locale, whatever the process uses.
class Utf8Locale {
public:
    Utf8Locale() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            m_locale = newlocale(LC_ALL_MASK, name, locale_t(nullptr));
            if (m_locale)
                break;
        }
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~Utf8Locale() {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t m_locale = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};

class Extraction {
public:
    Extraction(int includeCount, const UnzipNameList& include, int excludeCount, const UnzipNameList& exclude,
               const UnzipOptions& options, UnzipCallbacks& callbacks)
        : m_includeCount(std::clamp(includeCount, 0, 100)), m_include(include),
          m_excludeCount(std::clamp(excludeCount, 0, 100)), m_exclude(exclude), m_options(options),
          m_callbacks(callbacks) {}

    ~Extraction() {
        if (m_archive)
            archive_read_free(m_archive);
    }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    int run();

private:
    bool openArchive();
    void readEntries();
    void handleEntry(archive_entry* entry);
    // Tells the caller the entry is done; true when it asks to stop here.
    bool stopAsked(archive_entry* entry);
    void readAgainIntoStyleFolder();
    void listEntry(archive_entry* entry, const std::string& name);
    void extractFile(archive_entry* entry, const std::vector<std::string>& components);
    bool copyData(archive_entry* entry, int fd);
    void fileFailed(int err, const char* what);
    void dataFailed(int status, archive_entry* entry);
    bool mayReplace(ExtractionFolder::Folder& folder, const std::string& name);
    std::optional<std::filesystem::path> targetHostPath() const;
    bool ensureTarget();
    bool fitsWindowsPath(const std::vector<std::string>& components);
    ExtractionFolder::Folder* resolve(const std::vector<std::string>& components, size_t count);
    bool selected(const std::string& name) const;
    std::string displayName(const ExtractionFolder::Folder& folder, const std::string& name) const;
    void note(const std::string& text);
    void skip(const std::string& name, const std::string& why);
    void fail(int code, const std::string& text);
    int resultCode() const;
    void fillTotals();
    static const char* passphrase(archive*, void* self);

    const int m_includeCount;
    const UnzipNameList& m_include;
    const int m_excludeCount;
    const UnzipNameList& m_exclude;
    const UnzipOptions& m_options;
    UnzipCallbacks& m_callbacks;

    archive* m_archive = nullptr;
    platform::UniqueFd m_archiveFd;
    std::unique_ptr<ExtractionFolder> m_folder = std::make_unique<ExtractionFolder>();

    std::string m_entryName;
    long m_entryIndex = 0;
    long m_passwordAskedFor = -1;
    bool m_passwordCancelAll = false;
    std::array<char, 257> m_password{};
    bool m_replaceAll = false;
    bool m_replaceNone = false;
    std::optional<size_t> m_targetLength; // of the extraction folder's Windows path
    std::string m_styleFolder;            // every entry goes below it (a style file is at the top)
    long m_restartAt = 0;                 // the entry that found the style file after others
    long m_replayUntil = 0;               // entries before it are read again without a word

    int m_fatal = 0;
    long m_matched = 0;
    long m_filesWritten = 0;
    long m_warnings = 0;
    long m_dataErrors = 0;
    long m_passwordSkips = 0;
    long m_unsupported = 0;
    std::uint64_t m_totalSize = 0;
};

int Extraction::run() {
    Utf8Locale utf8;
    if (!openArchive())
        return m_fatal;
    readEntries();
    if (m_restartAt > 0)
        readAgainIntoStyleFolder();
    if (m_fatal == UnzipCancelled) {
        // Stopping is the user's choice, not a failure: the folder is left as it was.
        if (!m_folder->rollBack())
            note("error: not everything this extraction changed could be undone");
        fillTotals();
        return UnzipCancelled;
    }
    // Folders made on the way to entries that were then refused go again; and when no
    // file arrived because entries were refused, nothing of this archive stays.
    const bool refused = m_fatal || m_warnings || m_dataErrors || m_passwordSkips || m_unsupported;
    m_folder->finish(m_filesWritten > 0 || !refused);
    fillTotals();
    return resultCode();
}

void Extraction::readAgainIntoStyleFolder() {
    // What the entries before the style file did goes, and the archive is read again from
    // its start, each entry now below the style's folder. The caller was told of those
    // entries already and is not told again.
    m_folder->rollBack();
    m_folder = std::make_unique<ExtractionFolder>();
    m_replayUntil = m_restartAt;
    m_restartAt = 0;
    m_entryIndex = 0;
    m_passwordAskedFor = -1;
    m_matched = m_filesWritten = m_warnings = m_dataErrors = m_passwordSkips = m_unsupported = 0;
    m_totalSize = 0;
    archive_read_free(m_archive);
    m_archive = nullptr;
    m_archiveFd.reset();
    if (openArchive())
        readEntries();
}

bool Extraction::openArchive() {
    const std::string& path = m_options.archivePath;
    std::optional<std::filesystem::path> host;
    if (!path.empty() && path.front() == '/')
        host = std::filesystem::path(path);
    else if (!path.empty())
        host = platform::toHostPath(path);
    if (host)
        m_archiveFd.reset(::open(host->c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!m_archiveFd || fstat(m_archiveFd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(UnzipNoArchive, "cannot find or open " + path);
        return false;
    }

    m_archive = archive_read_new();
    // Every real archive format libarchive knows, but not "raw" (any file would pass as
    // one entry), not "empty" and not mtree, whose entries name files on this machine.
    archive_read_support_format_7zip(m_archive);
    archive_read_support_format_cab(m_archive);
    archive_read_support_format_cpio(m_archive);
    archive_read_support_format_iso9660(m_archive);
    archive_read_support_format_lha(m_archive);
    archive_read_support_format_rar(m_archive);
    archive_read_support_format_rar5(m_archive);
    archive_read_support_format_tar(m_archive);
    archive_read_support_format_xar(m_archive);
    archive_read_support_format_zip(m_archive);
    // The compressions libarchive decodes itself. Without its library for one, libarchive
    // would hand the data to a program of that name found on PATH (lrzip, lzop, grzip
    // always): the first bytes of a downloaded file must not start programs.
    archive_read_support_filter_compress(m_archive);
    archive_read_support_filter_uu(m_archive);
    if (archive_zlib_version())
        archive_read_support_filter_gzip(m_archive);
    if (archive_bzlib_version())
        archive_read_support_filter_bzip2(m_archive);
    if (archive_liblzma_version()) {
        archive_read_support_filter_xz(m_archive);
        archive_read_support_filter_lzma(m_archive);
        archive_read_support_filter_lzip(m_archive);
    }
    if (archive_liblz4_version())
        archive_read_support_filter_lz4(m_archive);
    if (archive_libzstd_version())
        archive_read_support_filter_zstd(m_archive);
    archive_read_set_passphrase_callback(m_archive, this, &Extraction::passphrase);

    if (archive_read_open_fd(m_archive, m_archiveFd.get(), kReadBlockSize) != ARCHIVE_OK) {
        const char* why = archive_error_string(m_archive);
        if (mentions(why, {"truncat", "premature end", "unexpected end", "unexpected eof"}))
            fail(UnzipEndOfArchive, std::string(why));
        else
            fail(UnzipNoArchive, path + " is not an archive" + (why ? std::string(": ") + why : ""));
        return false;
    }
    return true;
}

void Extraction::readEntries() {
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(m_archive, &entry);
        if (status == ARCHIVE_EOF)
            return;
        if (status == ARCHIVE_FATAL) {
            const char* why = archive_error_string(m_archive);
            const std::string text = why ? why : "damaged archive";
            if (mentions(why, {"passphrase", "encrypted"})) {
                ++m_passwordSkips;
                note("cannot read the encrypted archive: " + text);
            } else if (mentions(why, {"truncat", "premature end", "unexpected end", "unexpected eof"})) {
                fail(UnzipEndOfArchive, text);
            } else {
                fail(UnzipSevereError, text);
            }
            return;
        }
        ++m_entryIndex;
        if (status == ARCHIVE_FAILED) {
            // The entry's header is unusable but the next one can be read.
            ++m_matched;
            ++m_dataErrors;
            note(std::string("bad entry: ") +
                 (archive_error_string(m_archive) ? archive_error_string(m_archive) : ""));
            continue;
        }
        const long matched = m_matched;
        handleEntry(entry);
        if (m_fatal || m_restartAt > 0 || (m_matched != matched && stopAsked(entry)))
            return;
    }
}

bool Extraction::stopAsked(archive_entry* entry) {
    if (!m_callbacks.service || m_entryIndex < m_replayUntil)
        return false;
    const auto size =
        archive_entry_size_is_set(entry) ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
    int answer = 0;
    try {
        answer = m_callbacks.service(m_entryName.c_str(), size);
    } catch (...) {
    }
    if (answer == 0)
        return false;
    fail(UnzipCancelled, "stopped by the caller after " + m_entryName);
    return true;
}

void Extraction::handleEntry(archive_entry* entry) {
    const char* raw = archive_entry_pathname(entry);
    if (!raw)
        raw = archive_entry_pathname_utf8(entry);
    if (!raw) {
        ++m_matched;
        skip("(unnamed entry)", "name cannot be read");
        return;
    }
    const bool isZip = (archive_format(m_archive) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
    m_entryName =
        EntryNames::decodeName(raw, isZip ? EntryNames::Fallback::Cp437 : EntryNames::Fallback::Windows1252);
    if (!selected(m_entryName))
        return;
    ++m_matched;
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0)
        m_totalSize += static_cast<std::uint64_t>(archive_entry_size(entry));

    if (m_options.listOnly) {
        listEntry(entry, m_entryName);
        return;
    }
    const mode_t type = archive_entry_filetype(entry);
    if (archive_entry_hardlink(entry)) {
        skip(m_entryName, "hard link");
        return;
    }
    if (type == AE_IFLNK) {
        skip(m_entryName, "symbolic link");
        return;
    }
    if (type != AE_IFREG && type != AE_IFDIR) {
        skip(m_entryName, "not a file or folder");
        return;
    }
    std::string reason;
    auto components = EntryNames::safeComponents(m_entryName, &reason);
    if (!components) {
        skip(m_entryName, "unsafe name: " + reason);
        return;
    }
    // What an install keeps for itself is taken for the leftovers of a killed one at the
    // next start: a record in an archive would put back files of its own choosing.
    for (const std::string& component : *components) {
        if (InstallLeftovers::kindOf(component) != InstallLeftovers::Kind::None) {
            skip(m_entryName, "unsafe name: the name of an install's own file");
            return;
        }
    }
    if (components->empty())
        return;
    // A style file at the top of the archive: the archive is the style's folder, whose
    // entries are extracted into a folder of the style's name, never loose into the
    // themes folder. Found after other entries, the archive is read again.
    if (m_styleFolder.empty()) {
        m_styleFolder = type == AE_IFREG ? EntryNames::styleFolderOf(*components) : std::string();
        if (!m_styleFolder.empty() && m_matched > 1) {
            m_restartAt = m_entryIndex;
            return;
        }
    }
    if (!m_styleFolder.empty())
        components->insert(components->begin(), m_styleFolder);
    if (!fitsWindowsPath(*components)) {
        skip(m_entryName, "path too long");
        return;
    }
    // Every value of the folder option recreates the stored folders: an installed style
    // only exists as a folder, and junking paths would scatter its files.
    if (!ensureTarget())
        return;
    if (type == AE_IFDIR) {
        if (ExtractionFolder::Folder* folder = resolve(*components, components->size()))
            m_folder->named(*folder);
        return;
    }
    extractFile(entry, *components);
}

void Extraction::listEntry(archive_entry* entry, const std::string& name) {
    if (!m_callbacks.message)
        return;
    const time_t mtime = archive_entry_mtime(entry);
    struct tm when {};
    localtime_r(&mtime, &when);
    const auto size =
        archive_entry_size_is_set(entry) ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
    try {
        m_callbacks.message(size, 0, 0, unsigned(when.tm_mon + 1), unsigned(when.tm_mday),
                            unsigned(when.tm_year + 1900), unsigned(when.tm_hour), unsigned(when.tm_min), ' ',
                            name.c_str(),
                            archive_format_name(m_archive) ? archive_format_name(m_archive) : "", 0,
                            archive_entry_is_encrypted(entry) ? 'E' : ' ');
    } catch (...) {
    }
}

void Extraction::extractFile(archive_entry* entry, const std::vector<std::string>& components) {
    ExtractionFolder::Folder* found = resolve(components, components.size() - 1);
    if (!found)
        return;
    ExtractionFolder::Folder& folder = *found;
    std::string name = components.back();
    const ExtractionFolder::Existing existing = m_folder->find(folder, name);
    if (existing.found) {
        if (existing.isFolder) {
            skip(m_entryName, "a folder of that name is in the way");
            return;
        }
        // Windows replaces the file under its existing spelling.
        name = existing.name;
        if (!mayReplace(folder, name))
            return;
    }

    // The data goes to a temporary file beside its target and replaces the target only
    // once it is complete, so a failing entry never destroys the file it would replace.
    std::string tempName;
    platform::UniqueFd fd(m_folder->createTemporary(folder, tempName));
    if (!fd) {
        fileFailed(errno, "cannot create");
        return;
    }
    bool complete = copyData(entry, fd.get());
    if (complete && archive_entry_mtime_is_set(entry)) {
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)}};
        futimens(fd.get(), times);
    }
    if (!fd.close() && complete) {
        complete = false;
        fileFailed(errno, "cannot write");
    }
    if (complete) {
        if (const int err = m_folder->commit(folder, tempName, name)) {
            complete = false;
            fileFailed(err, "cannot create");
        }
    }
    if (!complete) {
        m_folder->discard(folder, tempName);
        return;
    }
    ++m_filesWritten;
}

void Extraction::fileFailed(int err, const char* what) {
    if (isDiskFull(err))
        fail(UnzipDiskFull, "disk full writing " + m_entryName);
    else
        skip(m_entryName, std::string(what) + ": " + std::strerror(err));
}

bool Extraction::copyData(archive_entry* entry, int fd) {
    la_int64_t position = 0;
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int status = archive_read_data_block(m_archive, &block, &size, &offset);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK) {
            // A warning here is a checksum mismatch: the data is not what was stored.
            dataFailed(status, entry);
            return false;
        }
        if (offset != position) { // a hole in a sparse entry
            if (lseek(fd, offset, SEEK_SET) < 0) {
                fileFailed(errno, "cannot write");
                return false;
            }
            position = offset;
        }
        if (!platform::writeAll(fd, std::string_view(static_cast<const char*>(block), size), nullptr,
                                g_writeFunction)) {
            fileFailed(errno, "cannot write");
            return false;
        }
        position += static_cast<la_int64_t>(size);
        if (m_callbacks.progress) {
            try {
                // Blocks written again are no progress, but the caller's windows stay live.
                m_callbacks.progress(m_entryIndex < m_replayUntil ? 0 : size);
            } catch (...) {
            }
        }
    }
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > position &&
        ftruncate(fd, archive_entry_size(entry)) != 0) {
        fileFailed(errno, "cannot write");
        return false;
    }
    return true;
}

void Extraction::dataFailed(int status, archive_entry* entry) {
    const char* why = archive_error_string(m_archive);
    const std::string text = why ? why : "cannot read the data";
    if (status == ARCHIVE_FATAL) {
        // zlib's "needs more input" (-5) is how a ZIP cut short inside compressed data ends.
        if (mentions(why, {"truncat", "premature end", "unexpected end", "unexpected eof", "failed (-5)"}))
            fail(UnzipEndOfArchive, m_entryName + ": " + text);
        else
            fail(UnzipSevereError, m_entryName + ": " + text);
        return;
    }
    if (archive_entry_is_data_encrypted(entry) || mentions(why, {"passphrase"})) {
        if (mentions(why, {"unsupported"}))
            ++m_unsupported;
        else
            ++m_passwordSkips;
        note("skipping: " + m_entryName + "  (" + text + ")");
    } else if (mentions(why, {"unsupported"})) {
        ++m_unsupported;
        note("skipping: " + m_entryName + "  (" + text + ")");
    } else {
        ++m_dataErrors;
        note("error: " + m_entryName + "  (" + text + ")");
    }
}

bool Extraction::mayReplace(ExtractionFolder::Folder& folder, const std::string& name) {
    if (m_options.overwriteAll || m_replaceAll)
        return true;
    if (m_replaceNone) {
        skip(m_entryName, "not replaced");
        return false;
    }
    if (!m_options.promptToOverwrite)
        return false; // neither overwriting nor asking: existing files stay, quietly
    int answer = ReplaceNo;
    if (m_callbacks.replace) {
        std::string buffer = displayName(folder, name);
        try {
            answer = m_callbacks.replace(buffer.data());
        } catch (...) {
            answer = ReplaceNo;
        }
    }
    switch (answer) {
    case ReplaceYes:
        return true;
    case ReplaceAll:
        m_replaceAll = true;
        return true;
    case ReplaceNone:
        m_replaceNone = true;
        break;
    default:
        break;
    }
    skip(m_entryName, "not replaced");
    return false;
}

std::optional<std::filesystem::path> Extraction::targetHostPath() const {
    const std::string& text = m_options.targetFolder;
    if (!text.empty() && text.front() == '/')
        return std::filesystem::path(text);
    return platform::toHostPath(text.empty() ? std::string(".") : text);
}

bool Extraction::ensureTarget() {
    if (m_folder->isOpen())
        return true;
    if (m_fatal)
        return false;
    const std::string& text = m_options.targetFolder;
    const std::optional<std::filesystem::path> host = targetHostPath();
    // UnZip's answer to an extraction folder it cannot make is a plain error.
    const int err = host ? m_folder->open(*host) : ENOENT;
    if (err == 0) {
        // What an install killed earlier left behind is settled now.
        m_folder->setWriteFunction(g_writeFunction);
        m_folder->begin();
        return true;
    }
    if (isDiskFull(err))
        fail(UnzipDiskFull, "disk full creating " + text);
    else
        fail(UnzipError, "cannot create the folder " + text + ": " + std::strerror(err));
    return false;
}

bool Extraction::fitsWindowsPath(const std::vector<std::string>& components) {
    if (!m_targetLength) {
        // The extraction folder as Windows names it; its host path when it has no such name.
        const auto host = targetHostPath();
        const auto dos = host ? platform::toDosPath(*host) : std::nullopt;
        m_targetLength = dos ? EntryNames::utf16Length(*dos) : host ? host->native().size() : 0;
    }
    size_t length = *m_targetLength;
    for (const std::string& component : components) {
        length += 1 + EntryNames::utf16Length(component);
        if (length > kMaxPath)
            return false;
    }
    return true;
}

ExtractionFolder::Folder* Extraction::resolve(const std::vector<std::string>& components, size_t count) {
    int err = 0;
    std::string error;
    ExtractionFolder::Folder* folder = m_folder->resolve(components, count, err, error);
    if (folder)
        return folder;
    if (isDiskFull(err))
        fail(UnzipDiskFull, "disk full: " + error);
    else
        skip(m_entryName, error);
    return nullptr;
}

bool Extraction::selected(const std::string& name) const {
    auto matches = [&name](const UnzipNameList& list, int count) {
        for (int i = 0; i < count; ++i) {
            if (!list[i].empty() && fnmatch(list[i].c_str(), name.c_str(), 0) == 0)
                return true;
        }
        return false;
    };
    if (m_includeCount > 0 && !matches(m_include, m_includeCount))
        return false;
    return !matches(m_exclude, m_excludeCount);
}

std::string Extraction::displayName(const ExtractionFolder::Folder& folder, const std::string& name) const {
    // The name as the caller knows it: the target folder as given, then the entry.
    std::string result = m_options.targetFolder;
    const bool dos = result.find('\\') != std::string::npos;
    const char separator = dos ? '\\' : '/';
    if (!result.empty() && result.back() != '\\' && result.back() != '/')
        result += separator;
    std::string relative = join(m_folder->path(folder), name);
    if (dos) {
        for (char& c : relative) {
            if (c == '/')
                c = '\\';
        }
    }
    return result + relative;
}

void Extraction::note(const std::string& text) {
    if (!m_callbacks.print || m_options.quietLevel >= 2)
        return;
    const std::string line = text + '\n';
    try {
        m_callbacks.print(line.c_str(), static_cast<std::uint32_t>(line.size()));
    } catch (...) {
    }
}

void Extraction::skip(const std::string& name, const std::string& why) {
    ++m_warnings;
    note("skipping: " + name + "  (" + why + ")");
}

void Extraction::fail(int code, const std::string& text) {
    if (!m_fatal)
        m_fatal = code;
    note("error: " + text);
}

int Extraction::resultCode() const {
    if (m_fatal)
        return m_fatal;
    if (m_matched == 0)
        return m_passwordSkips ? UnzipNoPassword : UnzipNoEntries;
    if (m_dataErrors)
        return UnzipError;
    // Folders alone are no extraction: an archive whose every file was refused for want
    // of a password or a method says so.
    if (m_filesWritten == 0 && !m_options.listOnly) {
        if (m_passwordSkips)
            return UnzipNoPassword;
        if (m_unsupported)
            return UnzipUnsupported;
    }
    if (m_warnings || m_passwordSkips || m_unsupported)
        return UnzipWarning;
    return UnzipOk;
}

void Extraction::fillTotals() {
    const auto clamp32 = [](std::uint64_t v) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, UINT32_MAX));
    };
    const auto compressed =
        static_cast<std::uint64_t>(std::max<la_int64_t>(archive_filter_bytes(m_archive, -1), 0));
    m_callbacks.totalCompressed = clamp32(compressed);
    m_callbacks.totalSize = clamp32(m_totalSize);
    m_callbacks.compressionFactor =
        m_totalSize > compressed ? static_cast<std::uint32_t>((m_totalSize - compressed) * 1000 / m_totalSize)
                                 : 0;
    m_callbacks.entryCount = clamp32(static_cast<std::uint64_t>(m_matched));
    m_callbacks.commentLength = 0;
}

const char* Extraction::passphrase(archive*, void* data) {
    auto* self = static_cast<Extraction*>(data);
    // One question per entry: libarchive asks again after a wrong answer, and a caller
    // that always gives the same wrong one must not keep us here forever.
    if (!self->m_callbacks.password || self->m_passwordCancelAll ||
        self->m_passwordAskedFor == self->m_entryIndex)
        return nullptr;
    self->m_passwordAskedFor = self->m_entryIndex;
    self->m_password.fill('\0');
    int answer = -1;
    try {
        answer = self->m_callbacks.password(self->m_password.data(), int(self->m_password.size() - 1),
                                            "Enter password for: ", self->m_entryName.c_str());
    } catch (...) {
        answer = -1;
    }
    self->m_password.back() = '\0';
    if (answer == -2)
        self->m_passwordCancelAll = true;
    if (answer != PasswordEntered || self->m_password[0] == '\0')
        return nullptr;
    return self->m_password.data();
}

} // namespace

int queryVersion(UnzipVersionInfo& info) {
    if (info.structLength != sizeof(UnzipVersionInfo))
        return -1;
    info.flag = 0;
    std::memset(info.betaLevel, 0, sizeof info.betaLevel);
    std::snprintf(info.date, sizeof info.date, "%s", __DATE__);
    const char* zlib = archive_zlib_version();
    std::snprintf(info.zlibVersion, sizeof info.zlibVersion, "%s", zlib ? zlib : "");
    const int number = archive_version_number(); // 3006002 for 3.6.2
    const std::uint8_t version[4] = {std::uint8_t(number / 1000000), std::uint8_t(number / 1000 % 1000),
                                     std::uint8_t(number % 1000), 0};
    std::memcpy(info.unzipVersion, version, 4);
    std::memcpy(info.zipInfoVersion, version, 4);
    std::memset(info.os2DllVersion, 0, 4);
    std::memcpy(info.windllVersion, version, 4);
    return 0;
}

int extract(int includeCount, const UnzipNameList& include, int excludeCount, const UnzipNameList& exclude,
            const UnzipOptions& options, UnzipCallbacks& callbacks) {
    Extraction extraction(includeCount, include, excludeCount, exclude, options, callbacks);
    return extraction.run();
}

void setWriteFunction(WriteFunction function) {
    g_writeFunction = function;
}

} // namespace ArchiveExtractor
