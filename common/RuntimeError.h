#pragma once
// Run-time errors of the libraries and the program: a number and a description, the
// numbers a Windows program of this kind reports.

#include <QString>

#include <stdexcept>

namespace quorlin {

enum ErrorNumber : int {
    ErrInvalidCall = 5,       // "Invalid procedure call or argument"
    ErrOverflow = 6,          // "Overflow"
    ErrTypeMismatch = 13,     // "Type mismatch"
    ErrBadFileName = 52,      // "Bad file name or number"
    ErrFileNotFound = 53,     // "File not found"
    ErrDiskFull = 61,         // "Disk full"
    ErrTooManyFiles = 67,     // "Too many files"
    ErrPermissionDenied = 70, // "Permission denied"
    ErrPathFileAccess = 75,   // "Path/File access error"
    ErrPathNotFound = 76,     // "Path not found"
    ErrNoSuchMember = 438,    // "Object doesn't support this property or method"
};

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, const QString& description);

    int number() const { return m_number; }
    QString description() const { return m_description; }

    // The standard description of an error number ("Overflow" for 6); empty for an
    // unknown number.
    static QString descriptionOf(int number);

    // The error number of a failed file operation from its errno. missingIsPath tells
    // whether a missing name is reported as a missing path (76, when the folder is
    // missing) or a missing file (53).
    static int numberFromErrno(int err, bool missingIsPath = false);

    // A RuntimeError for errno, as numberFromErrno maps it.
    static RuntimeError fromErrno(int err, bool missingIsPath = false);

private:
    int m_number;
    QString m_description;
};

} // namespace quorlin
