#include "RuntimeError.h"

#include <cerrno>

namespace quorlin {

RuntimeError::RuntimeError(int number) : RuntimeError(number, descriptionOf(number)) {}

RuntimeError::RuntimeError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}

QString RuntimeError::descriptionOf(int number) {
    switch (number) {
    case ErrInvalidCall:
        return QStringLiteral("Invalid procedure call or argument");
    case ErrOverflow:
        return QStringLiteral("Overflow");
    case ErrTypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrNoSuchMember:
        return QStringLiteral("Object doesn't support this property or method");
    case ErrBadFileName:
        return QStringLiteral("Bad file name or number");
    case ErrFileNotFound:
        return QStringLiteral("File not found");
    case ErrDiskFull:
        return QStringLiteral("Disk full");
    case ErrTooManyFiles:
        return QStringLiteral("Too many files");
    case ErrPermissionDenied:
        return QStringLiteral("Permission denied");
    case ErrPathFileAccess:
        return QStringLiteral("Path/File access error");
    case ErrPathNotFound:
        return QStringLiteral("Path not found");
    default:
        return QString();
    }
}

int RuntimeError::numberFromErrno(int err, bool missingIsPath) {
    switch (err) {
    case ENOENT:
        return missingIsPath ? ErrPathNotFound : ErrFileNotFound;
    case ENOTDIR:
        return ErrPathNotFound;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrDiskFull;
    case EMFILE:
    case ENFILE:
        return ErrTooManyFiles;
    // A write-protected disk or a file another program holds locked.
    case EROFS:
    case ETXTBSY:
    case EBUSY:
        return ErrPermissionDenied;
    // A folder or file the user has no rights to.
    case EACCES:
    case EPERM:
    case EISDIR:
        return ErrPathFileAccess;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return ErrBadFileName;
    default:
        return ErrPathFileAccess;
    }
}

RuntimeError RuntimeError::fromErrno(int err, bool missingIsPath) {
    return RuntimeError(numberFromErrno(err, missingIsPath));
}

} // namespace quorlin
