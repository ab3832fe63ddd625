#pragma once
// The extraction engine behind ZipUnzip: our own layer over libarchive standing where an
// outside unzip library's two entry points stood (a version query and one blocking
// extraction call), with that library's records, callbacks and result codes.
//
// Result codes are UnZip's exit codes:
//   0  everything went well
//   1  warnings: some entries were skipped (unsafe name, a path longer than Windows
//      allows, link, encrypted, unsupported method, replace refused, a file could not be
//      created)
//   2  an entry's data was corrupt, or the extraction folder could not be made
//   3  severe format error; reading stopped
//   9  the archive is missing, unreadable or not an archive
//  11  the archive holds no entries (or none matched the include list)
//  50  the disk is full; extraction stopped, no partial file left
//  51  the archive ends early; extraction stopped
//  80  the caller asked to stop (its service callback answered non-zero after an
//      entry); everything the extraction did is undone: the files it wrote where none
//      was and the folders it made go, the files it replaced are put back
//  81  no file extracted: unsupported compression or encryption
//  82  no file extracted: no (right) password for the encrypted entries
// Folders made only on the way to entries that were then refused are removed again, and
// when no file is extracted because entries were refused, no folder of the archive stays.
// Entries are extracted with the folders they are stored in, except in an archive whose
// top level holds a style file ("Flat.msstyles"): such an archive is the style's folder,
// and all of it is extracted into a folder of that file's name without its ending ("Flat").
// Text crossing this interface (paths, names handed to the callbacks) is UTF-8.

#include "platform/WriteAll.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

enum UnzipResult : int {
    UnzipOk = 0,
    UnzipWarning = 1,
    UnzipError = 2,
    UnzipSevereError = 3,
    UnzipNoArchive = 9,
    UnzipNoEntries = 11,
    UnzipDiskFull = 50,
    UnzipEndOfArchive = 51,
    UnzipCancelled = 80,
    UnzipUnsupported = 81,
    UnzipNoPassword = 82,
};

// Answers of the replace callback.
enum UnzipReplaceAnswer : int {
    ReplaceNo = 100,   // leave this file, ask again for the next one
    ReplaceYes = 102,  // overwrite this file
    ReplaceAll = 103,  // overwrite this and every further file without asking
    ReplaceNone = 104, // overwrite none of the remaining files, without asking
};

// Answer of the password callback that hands over a password; anything else declines.
constexpr int PasswordEntered = 0;

// The option record: fifteen integers and two texts, in the library's order.
struct UnzipOptions {
    std::int32_t extractOnlyNewer = 0;
    std::int32_t spaceToUnderscore = 0;
    std::int32_t promptToOverwrite = 0;
    std::int32_t quietLevel = 0;
    std::int32_t toStandardOutput = 0;
    std::int32_t testOnly = 0;
    std::int32_t listOnly = 0;
    std::int32_t freshenOnly = 0;
    std::int32_t showComment = 0;
    std::int32_t folderOption = 0;
    std::int32_t overwriteAll = 0;
    std::int32_t translateLineEnds = 0;
    std::int32_t infoListing = 0;
    std::int32_t caseInsensitiveMatch = 0;
    std::int32_t restoreSecurity = 0;
    std::string archivePath;
    std::string targetFolder;
};

// Include and exclude lists: exactly 100 names each.
using UnzipNameList = std::array<std::string, 100>;

// The callback table: seven slots (an empty slot is "none") and the archive totals the
// engine fills in. service is told of each entry when it is done (its name and size) and
// stops the extraction with a non-zero answer; progress is told of each block of a
// file's data as it is written (its length), so a caller can show progress and keep its
// windows live inside one large entry.
struct UnzipCallbacks {
    std::function<int(const char* text, std::uint32_t length)> print;
    std::function<void()> sound;
    std::function<int(char* fileName)> replace;
    std::function<int(char* password, int size, const char* prompt, const char* entryName)> password;
    std::function<void(std::uint64_t size, std::uint64_t compressedSize, unsigned factor, unsigned month,
                       unsigned day, unsigned year, unsigned hour, unsigned minute, char flag,
                       const char* entryName, const char* method, std::uint32_t crc, char encrypted)>
        message;
    std::function<int(const char* entryName, std::uint64_t size)> service;
    std::function<void(std::uint64_t bytes)> progress;

    std::uint32_t totalCompressed = 0;
    std::uint32_t totalSize = 0;
    std::uint32_t compressionFactor = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t commentLength = 0;
};

// The version record: 64 bytes.
struct UnzipVersionInfo {
    std::uint32_t structLength = 0;
    std::uint32_t flag = 0;
    char betaLevel[10] = {};
    char date[20] = {};
    char zlibVersion[10] = {};
    std::uint8_t unzipVersion[4] = {};
    std::uint8_t zipInfoVersion[4] = {};
    std::uint8_t os2DllVersion[4] = {};
    std::uint8_t windllVersion[4] = {};
};
static_assert(sizeof(UnzipVersionInfo) == 64, "the version record is 64 bytes");

namespace ArchiveExtractor {

// Fills the version record; 0 on success, -1 when its length field is not 64.
int queryVersion(UnzipVersionInfo& info);

// Extracts (or lists) the archive options.archivePath into options.targetFolder (a DOS
// path or a host path; created when missing). Counts of 0 take every entry; otherwise the
// first includeCount names of include select entries and the first excludeCount names of
// exclude drop them (wildcards * and ?). Returns one of the result codes above.
int extract(int includeCount, const UnzipNameList& include, int excludeCount, const UnzipNameList& exclude,
            const UnzipOptions& options, UnzipCallbacks& callbacks);

// For tests: the function every file's data, and each entry of the record of the files an
// install keeps aside, is written with (nullptr: write(2)).
using WriteFunction = platform::WriteCall;
void setWriteFunction(WriteFunction function);

} // namespace ArchiveExtractor
