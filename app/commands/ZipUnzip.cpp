#include "ZipUnzip.h"

#include "HostText.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"

#include <QByteArray>

#include <cstring>

using quorlin::UiServices;

namespace ZipUnzip {

UnzipOptions options;
UnzipNameList includeList;
UnzipNameList excludeList;
UnzipCallbacks callbacks;
UnzipVersionInfo versionInfo;

namespace {

UnzipObserver* g_observer = nullptr;

UnzipLibrary& library() {
    static UnzipLibrary current = archiveLibrary();
    return current;
}

[[noreturn]] void entryPointMissing() {
    throw quorlin::RuntimeError(453, QStringLiteral("Specified DLL function not found"));
}

// Presets a text field of the version record to blanks ending in one NUL.
template <size_t N> void presetBlanks(char (&field)[N]) {
    std::memset(field, ' ', N - 1);
    field[N - 1] = '\0';
}

// Drops a UTF-8 sequence that the 256-byte cut left incomplete, so the name does not end
// in a replacement character.
void dropIncompleteTail(QByteArray& bytes) {
    qsizetype start = bytes.size();
    int continuation = 0;
    while (start > 0 && (static_cast<unsigned char>(bytes[start - 1]) & 0xC0) == 0x80 && continuation < 3) {
        --start;
        ++continuation;
    }
    if (start == 0)
        return;
    const auto lead = static_cast<unsigned char>(bytes[start - 1]);
    int needed = 0;
    if ((lead & 0xE0) == 0xC0)
        needed = 1;
    else if ((lead & 0xF0) == 0xE0)
        needed = 2;
    else if ((lead & 0xF8) == 0xF0)
        needed = 3;
    if (needed > continuation)
        bytes.truncate(start - 1);
}

} // namespace

UnzipLibrary archiveLibrary() {
    UnzipLibrary result;
    result.versionQuery = &ArchiveExtractor::queryVersion;
    result.unzip = &ArchiveExtractor::extract;
    return result;
}

void setLibrary(const UnzipLibrary& replacement) {
    library() = replacement;
}

void setObserver(UnzipObserver* observer) {
    g_observer = observer;
}

void UnzipArchive(const QString& archivePath, const QString& targetFolder, std::int16_t promptToOverwrite,
                  std::int16_t overwriteAll, std::int16_t listOnly, std::int16_t folderOption,
                  std::int32_t includeCount, std::int32_t excludeCount) {
    ReportUnzipResult(ExtractArchive(archivePath, targetFolder, promptToOverwrite, overwriteAll, listOnly,
                                     folderOption, includeCount, excludeCount));
}

void ReportUnzipResult(int code) {
    // Cancel is the user's own choice and the extraction has undone what it did: no error.
    if (code == UnzipCancelled) {
        UiServices::msgBox(cancelledMessage(), quorlin::MsgInformation);
        return;
    }
    if (code != 0) {
        UiServices::msgBox(QStringLiteral("An error has occurred during unzipping. Error Code: ") +
                               QString::number(code),
                           quorlin::MsgCritical, QStringLiteral("Error unzipping"));
    }
}

QString cancelledMessage() {
    return QStringLiteral("The installation was cancelled; nothing was changed.");
}

int ExtractArchive(const QString& archivePath, const QString& targetFolder, std::int16_t promptToOverwrite,
                   std::int16_t overwriteAll, std::int16_t listOnly, std::int16_t folderOption,
                   std::int32_t includeCount, std::int32_t excludeCount) {
    options.extractOnlyNewer = 0;
    options.spaceToUnderscore = 0;
    options.promptToOverwrite = promptToOverwrite;
    options.quietLevel = 0;
    options.toStandardOutput = 0;
    options.testOnly = 0;
    options.listOnly = listOnly;
    options.freshenOnly = 0;
    options.showComment = 0;
    options.folderOption = folderOption;
    options.overwriteAll = overwriteAll;
    options.translateLineEnds = 0;
    options.infoListing = 0;
    options.caseInsensitiveMatch = 0;
    options.restoreSecurity = 0;
    // A file name that is no UTF-8 reaches the engine as the bytes it came as.
    options.archivePath = HostText::toBytes(archivePath);
    options.targetFolder = HostText::toBytes(targetFolder);

    callbacks = UnzipCallbacks();
    callbacks.print = &UnzipPrint;
    callbacks.replace = &UnzipReplace;
    callbacks.password = &UnzipPassword;
    callbacks.message = &UnzipMessage;
    // Without an observer the service slot stays empty and the call simply blocks.
    if (g_observer) {
        UnzipObserver* observer = g_observer;
        callbacks.service = &UnzipService;
        callbacks.progress = [observer](std::uint64_t bytes) { observer->blockWritten(bytes); };
    }

    versionInfo = UnzipVersionInfo();
    versionInfo.structLength = sizeof(UnzipVersionInfo);
    presetBlanks(versionInfo.betaLevel);
    presetBlanks(versionInfo.date);
    presetBlanks(versionInfo.zlibVersion);

    const UnzipLibrary entryPoints = library();
    if (!entryPoints.versionQuery)
        entryPointMissing();
    entryPoints.versionQuery(versionInfo);

    if (!entryPoints.unzip)
        entryPointMissing();
    return entryPoints.unzip(includeCount, includeList, excludeCount, excludeList, options, callbacks);
}

int UnzipPrint(const char*, std::uint32_t) {
    return 0;
}

int UnzipReplace(char* fileName) {
    int answer = ReplaceNo;
    try {
        QByteArray bytes;
        for (int i = 0; fileName && i < 256 && fileName[i] != '\0'; ++i)
            bytes.append(fileName[i]);
        dropIncompleteTail(bytes);
        const int button = UiServices::msgBox(QStringLiteral("Do you want to overwrite file '") +
                                                  QString::fromUtf8(bytes) + QStringLiteral("'?"),
                                              quorlin::MsgYesNoCancelQuestion,
                                              QStringLiteral("File overwrite comfirmation"));
        if (button == quorlin::AnswerYes)
            answer = ReplaceYes;
        else if (button == quorlin::AnswerNo)
            answer = ReplaceNo;
        else if (button == quorlin::AnswerCancel)
            answer = ReplaceNone;
    } catch (...) {
    }
    return answer;
}

int UnzipPassword(char*, int, const char*, const char*) {
    return 1;
}

void UnzipMessage(std::uint64_t, std::uint64_t, unsigned, unsigned, unsigned, unsigned, unsigned, unsigned,
                  char, const char*, const char*, std::uint32_t, char) {}

int UnzipService(const char*, std::uint64_t) {
    try {
        if (g_observer && !g_observer->entryDone())
            return 1;
    } catch (...) {
    }
    return 0;
}

} // namespace ZipUnzip
