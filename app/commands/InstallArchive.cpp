#include "InstallArchive.h"

#include "HostText.h"
#include "ZipUnzip.h"
#include "archive/ArchiveExtractor.h"
#include "archive/InstallLeftovers.h"
#include "common/RuntimeError.h"
#include "platform/Paths.h"

#include <filesystem>

InstallResult installArchive(const QString& archive, const QString& themesDirectory) {
    InstallResult result;
    try {
        result.code = ZipUnzip::ExtractArchive(archive, themesDirectory, 0, 1, 0, 0, 0, 0);
    } catch (const quorlin::RuntimeError& error) {
        result.libraryReached = false;
        result.code = error.number();
        result.meaning = QStringLiteral("the extraction library cannot be used: ") + error.description();
        return result;
    }
    result.meaning = extractionResultMeaning(result.code);
    return result;
}

void removeInstallLeftovers(const QString& themesDirectory) {
    const auto host = platform::toHostPath(HostText::toBytes(themesDirectory));
    if (host && std::filesystem::is_directory(*host))
        InstallLeftovers::sweep(*host);
}

QString extractionResultMeaning(int code) {
    switch (code) {
    case UnzipOk:
        return QStringLiteral("everything went well");
    case UnzipWarning:
        return QStringLiteral(
            "some entries were skipped (an unsafe or too long name, a link, an encrypted entry, "
            "an unsupported method, or a file that could not be created)");
    case UnzipError:
        return QStringLiteral("an entry's data was corrupt, or the extraction folder could not be made");
    case UnzipSevereError:
        return QStringLiteral("the archive's format is badly damaged; reading stopped");
    case UnzipNoArchive:
        return QStringLiteral("the archive is missing, unreadable or not an archive");
    case UnzipNoEntries:
        return QStringLiteral("the archive holds no entries");
    case UnzipDiskFull:
        return QStringLiteral("the disk is full; extraction stopped");
    case UnzipEndOfArchive:
        return QStringLiteral("the archive ends early; extraction stopped");
    case UnzipCancelled:
        return ZipUnzip::cancelledMessage();
    case UnzipUnsupported:
        return QStringLiteral("no file extracted: unsupported compression or encryption");
    case UnzipNoPassword:
        return QStringLiteral("no file extracted: the entries are encrypted");
    default:
        return QStringLiteral("an unknown result");
    }
}
