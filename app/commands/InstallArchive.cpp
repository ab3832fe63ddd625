#include "InstallArchive.h"

#include "HostText.h"
#include "ZipUnzip.h"
#include "archive/ArchiveExtractor.h"
#include "archive/ExtractionFolder.h"
#include "archive/InstallLeftovers.h"
#include "common/RuntimeError.h"
#include "platform/Codepage.h"
#include "platform/NameCharacters.h"
#include "platform/Paths.h"
#include "platform/WriteAll.h"
#include "style/StyleFile.h"

#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QLatin1String kStyleEnding(".msstyles");

// What a style file given on its own is refused with: the words the program uses for it.
InstallResult refused(const QString& file, const QString& why) {
    InstallResult result;
    result.code = UnzipNoArchive;
    result.meaning = extractionResultMeaning(result.code);
    result.refusal = QStringLiteral("The file ") + QFileInfo(file).fileName() +
                     QStringLiteral(" was not installed: ") + why + QStringLiteral(". Nothing was written.");
    return result;
}

InstallResult failed(int code) {
    InstallResult result;
    result.code = code;
    result.meaning = extractionResultMeaning(code);
    return result;
}

// A style file as its own style: read whole, refused unless the style reader accepts it,
// and written into Themes\<name>\ as the extraction writes its files (beside its target
// under a temporary name, which takes the target's place once complete), so that neither
// a failure nor a kill leaves half a file, and a file it replaces comes back should it die.
InstallResult installStyleFile(const QString& file, const QString& themesDirectory, const QString& readFrom) {
    const QString name = QFileInfo(file).fileName();
    const QString folderName = name.left(name.size() - kStyleEnding.size());
    const std::string nameBytes = HostText::toBytes(name);
    const std::string folderBytes = HostText::toBytes(folderName);
    // The catalogue lists folders whose names Windows can hold, in UTF-8.
    if (folderName.trimmed().isEmpty() || folderName.endsWith(QLatin1Char('.')) ||
        folderName.endsWith(QLatin1Char(' ')) || !platform::isValidUtf8(nameBytes) ||
        platform::hasForbiddenNameCharacter(nameBytes))
        return refused(file, QStringLiteral("its name cannot name the folder of a visual style"));

    // By the bytes of its name, which need not be UTF-8 on the way to it.
    const int in = ::open(HostText::toBytes(readFrom).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (in >= 0)
            ::close(in);
        return failed(UnzipNoArchive);
    }
    if (st.st_size > StyleFile::kReadLimit) {
        ::close(in);
        return refused(file, QStringLiteral("it is larger than any visual style"));
    }
    QByteArray data;
    char block[64 * 1024];
    ssize_t got = 0;
    while ((got = ::read(in, block, sizeof block)) > 0 && data.size() <= StyleFile::kReadLimit)
        data.append(block, got);
    ::close(in);
    if (got < 0)
        return failed(UnzipNoArchive);
    if (data.size() > StyleFile::kReadLimit)
        return refused(file, QStringLiteral("it is larger than any visual style"));
    if (const QString problem = StyleFile::fromData(data).problem(); !problem.isEmpty())
        return refused(file, QStringLiteral("it is no visual style that Wine's theme service can load (") +
                                 problem + QLatin1Char(')'));

    const auto themes = platform::toHostPath(HostText::toBytes(themesDirectory));
    if (!themes)
        return failed(UnzipError);
    ExtractionFolder target;
    if (target.open(*themes) != 0)
        return failed(UnzipError);
    target.begin();
    int err = 0;
    std::string error;
    ExtractionFolder::Folder* folder = target.resolve({folderBytes}, 1, err, error);
    if (!folder) {
        target.finish(false);
        return failed(UnzipError);
    }
    // Windows replaces a file under its existing spelling.
    std::string written = nameBytes;
    const ExtractionFolder::Existing existing = target.find(*folder, nameBytes);
    if (existing.found && existing.isFolder) {
        target.finish(false);
        return failed(UnzipWarning);
    }
    if (existing.found)
        written = existing.name;
    std::string tempName;
    const int fd = target.createTemporary(*folder, tempName);
    bool complete =
        fd >= 0 && platform::writeAll(fd, std::string_view(data.constData(), size_t(data.size())));
    err = complete ? 0 : errno;
    if (fd >= 0 && ::close(fd) != 0 && complete) {
        complete = false;
        err = errno;
    }
    if (complete && (err = target.commit(*folder, tempName, written)) != 0)
        complete = false;
    if (!complete) {
        if (fd >= 0)
            target.discard(*folder, tempName);
        target.rollBack();
        return failed(err == ENOSPC || err == EDQUOT ? UnzipDiskFull : UnzipWarning);
    }
    target.finish(true);
    return failed(UnzipOk);
}

} // namespace

bool isStyleFile(const QString& file) {
    const QString name = QFileInfo(file).fileName();
    return name.endsWith(kStyleEnding, Qt::CaseInsensitive);
}

InstallResult installArchive(const QString& archive, const QString& themesDirectory,
                             const QString& readFrom) {
    const QString source = readFrom.isEmpty() ? archive : readFrom;
    if (isStyleFile(archive))
        return installStyleFile(archive, themesDirectory, source);
    InstallResult result;
    try {
        result.code = ZipUnzip::ExtractArchive(source, themesDirectory, 0, 1, 0, 0, 0, 0);
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
