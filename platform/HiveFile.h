#pragma once
// The file side of a hive: noticing that another process replaced it, reading it,
// replacing it atomically and durably, and the lock that serialises writers.

#include <filesystem>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace platform::hive {

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

enum class ReadStatus { Ok, Missing, Failed };
// The whole file with the identity of what was read; error says why when it failed.
ReadStatus readFile(const std::filesystem::path& file, std::string& text, FileIdentity& identity,
                    std::string& error);

// Writes text to a temporary file in the same folder, syncs it, renames it over the file
// (through a symbolic link to its target) and syncs the folder. The file keeps its mode.
// Call it holding the WriterLock: it also clears what crashed saves left behind.
bool replaceFile(const std::filesystem::path& file, std::string_view text, FileIdentity& identity,
                 std::string& error);

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
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace platform::hive
