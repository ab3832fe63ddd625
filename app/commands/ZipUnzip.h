#pragma once
// The binding to the extraction library: UnzipArchive extracts one archive into one
// folder in a single blocking call, and the Unzip* callbacks answer the library while it
// works. The library is our own engine over libarchive (ArchiveExtractor), reached through
// its two entry points: the version query first, then the extraction.
//
// Unlike a narrow-string DLL, the engine speaks UTF-8, so no text passes through the ANSI
// code page on the way in or out.

#include "archive/ArchiveExtractor.h"

#include <QString>

#include <cstdint>

namespace ZipUnzip {

// Module-level records, rewritten by every UnzipArchive call before they are handed over.
extern UnzipOptions options;
extern UnzipNameList includeList; // stays empty
extern UnzipNameList excludeList; // stays empty
extern UnzipCallbacks callbacks;
extern UnzipVersionInfo versionInfo;

// Extracts archivePath into targetFolder. No result: the outcome is shown to the user here
// by ReportUnzipResult. Raises a RuntimeError
// when the library lacks one of its entry points.
void UnzipArchive(const QString& archivePath, const QString& targetFolder, std::int16_t promptToOverwrite,
                  std::int16_t overwriteAll, std::int16_t listOnly, std::int16_t folderOption,
                  std::int32_t includeCount, std::int32_t excludeCount);
// The same extraction without a word to the user: returns the library's result code.
int ExtractArchive(const QString& archivePath, const QString& targetFolder, std::int16_t promptToOverwrite,
                   std::int16_t overwriteAll, std::int16_t listOnly, std::int16_t folderOption,
                   std::int32_t includeCount, std::int32_t excludeCount);
// Shows "An error has occurred during unzipping. Error Code: <code>" for a code other than 0
// and 80; for 80, the user's Cancel, cancelledMessage() with the information icon.
void ReportUnzipResult(int code);
// "The installation was cancelled; nothing was changed."
QString cancelledMessage();

// Someone following the running extraction, such as a progress window: told of each block
// of data written and of each entry done, whose answer can stop the extraction after
// that entry (the result is then UnzipCancelled).
class UnzipObserver {
public:
    virtual ~UnzipObserver() = default;
    virtual void blockWritten(std::uint64_t bytes) = 0;
    // False stops the extraction here.
    virtual bool entryDone() = 0;
};
// The observer of the extractions from now on; nullptr for none.
void setObserver(UnzipObserver* observer);

// The callbacks. None lets an error travel back into the library.
int UnzipPrint(const char* text, std::uint32_t length);
int UnzipReplace(char* fileName);
int UnzipPassword(char* password, int size, const char* prompt, const char* entryName);
void UnzipMessage(std::uint64_t size, std::uint64_t compressedSize, unsigned factor, unsigned month,
                  unsigned day, unsigned year, unsigned hour, unsigned minute, char flag,
                  const char* entryName, const char* method, std::uint32_t crc, char encrypted);
// Tells the observer of an entry done: 0 to go on, 1 to stop.
int UnzipService(const char* entryName, std::uint64_t size);

// The library's entry points. Tests put another library in place; a missing entry point
// behaves like one a DLL does not export.
struct UnzipLibrary {
    int (*versionQuery)(UnzipVersionInfo& info) = nullptr;
    int (*unzip)(int includeCount, const UnzipNameList& include, int excludeCount,
                 const UnzipNameList& exclude, const UnzipOptions& options,
                 UnzipCallbacks& callbacks) = nullptr;
};
UnzipLibrary archiveLibrary();
void setLibrary(const UnzipLibrary& library);

} // namespace ZipUnzip
