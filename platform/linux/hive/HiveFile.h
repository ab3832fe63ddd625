#pragma once
// The file side of a hive: noticing that another process replaced it, reading it as it is
// needed, replacing it atomically and durably, and the lock that serialises writers.

#include "platform/Problem.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace platform::hive {

class Document;

// What tells one version of a file from another: the writers replace it by rename, so a
// new version is a new inode, and size and times catch the rest.
struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static FileIdentity of(const struct stat& st);
    bool operator==(const FileIdentity& other) const;
};

FileIdentity statIdentity(const std::filesystem::path& file);

// The text of a hive: held in memory, or read from an open file piece by piece as it is
// needed, so that a large hive never has to be in memory whole. A text whose last line
// has no line feed reads as if it had one.
class SourceText {
public:
    SourceText() = default;
    explicit SourceText(std::string text);
    // Reads fd, an open regular file of the given identity.
    SourceText(UniqueFd fd, const FileIdentity& identity);
    SourceText(SourceText&& other) noexcept;
    SourceText& operator=(SourceText&& other) noexcept;
    SourceText(const SourceText&) = delete;
    SourceText& operator=(const SourceText&) = delete;

    // The length, with the line feed added to an unterminated last line.
    uint64_t size() const { return m_size; }
    // Whether the text itself lacks its last line feed.
    bool unterminated() const { return m_unterminated; }
    bool inMemory() const { return !m_fd; }
    // The text from off on: at least min(want, size() - off) bytes, often more. A file is
    // read ahead by at least readAhead bytes. Valid until the next call; shorter when the
    // file shrank under us.
    std::string_view at(uint64_t off, size_t want, size_t readAhead = 8192) const;
    // Appends [off, off + len) to out; false when the file shrank under us.
    bool appendTo(std::string& out, uint64_t off, uint64_t len) const;
    // Writes [off, off + len) at fd's position (a file's bytes are copied by the system);
    // false with errno set when that fails.
    bool copyTo(int fd, uint64_t off, uint64_t len) const;
    // Whether the file still is what was opened: a file changed in place must not be
    // copied into a save half old, half new.
    bool unchangedOnDisk() const;

private:
    std::string m_text; // in memory: the text, with the added line feed
    UniqueFd m_fd;
    FileIdentity m_identity;
    uint64_t m_fileSize = 0;
    uint64_t m_size = 0;
    bool m_unterminated = false;
    mutable std::string m_buffer; // a file's bytes from m_bufferOff on
    mutable uint64_t m_bufferOff = 0;
};

enum class ReadStatus { Ok, Missing, Failed };

// Where and why a text is no hive.
struct ParseFailure {
    size_t line = 0;
    Problem::Cause reason = Problem::None;
};

// Opens the hive file for the document: Missing for a file that is not there or is empty
// (the document is then left empty); Failed with problem saying why when it cannot be read;
// Ok when the document holds it, or when it could not be parsed (failure says where).
// A large file that was checked whole before (by this process or another) and has not
// changed since is not read through again.
ReadStatus loadFile(const std::filesystem::path& file, Document& doc, FileIdentity& identity,
                    Problem& problem, std::optional<ParseFailure>& failure);

// Saves the document's text into a temporary file in the same folder, syncs it, renames it
// over the file (through a symbolic link to its target) and syncs the folder; the
// document then reads from the new file. The file keeps its mode. Call it holding the
// WriterLock: it also clears what crashed saves left behind.
bool saveFile(const std::filesystem::path& file, Document& doc, FileIdentity& identity, Problem& problem);

// Tests only: called between writing the temporary file and renaming it; answering
// false abandons the save there, as a crash would. Null restores normal saving.
using SaveHook = bool (*)(const std::filesystem::path& tempFile);
void setSaveHookForTests(SaveHook hook);

// An exclusive lock that serialises the writers of the hives of one folder between
// processes, taken on the folder itself, so that no lock file is left in the prefix (where
// the file system cannot lock a folder, on a file in the user's runtime folder named by
// the folder's device and inode); waits a few seconds at most for another writer.
class WriterLock {
public:
    explicit WriterLock(const std::filesystem::path& file);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    bool held() const { return static_cast<bool>(m_fd); }

private:
    UniqueFd m_fd;
};

} // namespace platform::hive
